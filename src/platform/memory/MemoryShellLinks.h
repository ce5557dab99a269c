#pragma once
// Shell links kept as files of the in-memory file system, so that deleting, listing and
// replacing a link behave as they do for real .lnk files.
#include <string>

#include "platform/ShellLinks.h"
#include "platform/memory/MemoryFileSystem.h"

namespace kw {

class MemoryShellLinks : public ShellLinks {
 public:
  explicit MemoryShellLinks(MemoryFileSystem& files) : files_(files) {}

  LinkReadResult Read(std::string_view linkPath) override;
  LinkWriteResult Write(std::string_view linkPath, const LinkData& link) override;

  // Set-up for tests: a link file as the shell would have written it, with extra standing for
  // the other data a shell keeps in the file (read and written by file only). A link without a
  // file-system target answers S_FALSE to the path query and stands, by its target, for an
  // installer link ("{product code}"), a shell item ("::{...}\name", named by its last part)
  // or, otherwise, a target the shell cannot tell; one with a broken show command fails that
  // query.
  void AddLink(std::string_view linkPath, const LinkData& link, bool fileSystemTarget = true,
               bool showCmdReadable = true, bool hidden = false, std::string_view extra = {});
  // The properties stored in a link file; nullopt when it holds no link.
  std::optional<LinkData> Stored(std::string_view linkPath);

  // Faults: the link object cannot be made (Read skips, Write raises failureText), it lacks
  // an interface (Write raises "Interface not supported"), or a property call fails.
  bool failCreate = false;
  std::string failureText = "Class not registered";
  bool missingInterface = false;
  bool refuseProperty = false;

 private:
  MemoryFileSystem& files_;
};

}  // namespace kw
