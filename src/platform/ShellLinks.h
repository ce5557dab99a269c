#pragma once
// Shell links (.lnk files) through the shell's link object.
#include <string>
#include <string_view>

namespace kw {

// What reading one link gave. Each flag tells whether that step succeeded.
struct LinkReadResult {
  bool opened = false;         // the link object and its two interfaces were available
  bool loaded = false;         // the file loaded as a link
  bool pathRead = false;       // the raw target path query answered S_OK with a path (a
                               // file-system target)
  std::string targetPath;      // raw: environment references unexpanded, nothing resolved
  std::string arguments;
  bool showCmdRead = false;    // the show-command query answered S_OK
  int showCmd = 0;
  std::string workingDirectory;
  std::string iconPath;        // where the link takes its icon from; empty: from the target
  int iconIndex = 0;
  // For a link without a file-system target (pathRead false): an installer ("advertised")
  // link's product code ("{...}"), feature and, where the product is installed, its name;
  // or a shell item's display name and parsing name. All empty when the shell cannot tell.
  std::string productCode;
  std::string feature;
  std::string productName;
  std::string itemName;
  std::string itemPath;
};

// The properties a link is written with. An empty iconPath leaves the icon to the target.
struct LinkData {
  std::string targetPath;
  std::string arguments;
  int showCmd = 0;
  std::string workingDirectory;
  std::string iconPath = {};
  int iconIndex = 0;
};

enum class LinkWriteResult {
  Written,
  PropertyRefused,  // one of the four property calls failed, or the target is longer than a
                    // link holds (MAX_PATH - 1 characters); nothing was saved
  SaveFailed,       // the properties were set but the file could not be saved
};

class ShellLinks {
 public:
  virtual ~ShellLinks() = default;
  // Loads the link file and queries the raw target path, the arguments, the show command, the
  // working folder and the icon's location, and for a link without a file-system target what
  // it stands for instead. Texts are read whole, however long: a text cut here would be
  // written back cut when the entry is enabled again.
  virtual LinkReadResult Read(std::string_view linkPath) = 0;
  // Makes a new link with exactly these properties and saves it to linkPath, replacing an
  // existing file. A target with environment references ("%SystemRoot%\x.exe") is stored
  // expanded, with the raw form beside it where the shell keeps one (Windows reads that
  // back). Raises EShellError when the link object cannot be created (with the system's text
  // for the failure) or lacks an interface ("Interface not supported").
  virtual LinkWriteResult Write(std::string_view linkPath, const LinkData& link) = 0;
};

}  // namespace kw
