#pragma once
// Shell links (.lnk files) through the shell's link object.
#include <string>
#include <string_view>

namespace kw {

// What reading one link gave. Each flag tells whether that step succeeded.
struct LinkReadResult {
  bool opened = false;         // the link object and its two interfaces were available
  bool pathRead = false;       // the raw target path query answered S_OK (a file-system target)
  std::string targetPath;      // raw: environment references unexpanded, nothing resolved
  std::string arguments;
  bool showCmdRead = false;    // the show-command query answered S_OK
  int showCmd = 0;
};

// The four properties a link is written with.
struct LinkData {
  std::string targetPath;
  std::string arguments;
  int showCmd = 0;
  std::string workingDirectory;
};

enum class LinkWriteResult {
  Written,
  PropertyRefused,  // one of the four property calls failed; nothing was saved
  SaveFailed,       // the properties were set but the file could not be saved
};

class ShellLinks {
 public:
  virtual ~ShellLinks() = default;
  // Loads the link file (the load's own result is not looked at) and queries the raw target
  // path and the arguments (each at most 254 characters) and the show command.
  virtual LinkReadResult Read(std::string_view linkPath) = 0;
  // Makes a new link with exactly these properties and saves it to linkPath, replacing an
  // existing file. Raises EShellError when the link object cannot be created (with the
  // system's text for the failure) or lacks an interface ("Interface not supported").
  virtual LinkWriteResult Write(std::string_view linkPath, const LinkData& link) = 0;
};

}  // namespace kw
