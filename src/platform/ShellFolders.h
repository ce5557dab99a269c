#pragma once
// Special folders of the shell, and the Windows version they depend on.
#include <cstdint>
#include <optional>
#include <string>

namespace kw {

class ShellFolders {
 public:
  virtual ~ShellFolders() = default;
  // GetVersion: the major version in the low byte, the minor in the next.
  virtual std::uint32_t WindowsVersion() = 0;
  // The file-system path of a special folder by CSIDL (item identifier list, then its path;
  // no trailing separator), or nullopt when the shell has no such folder or it has no path.
  virtual std::optional<std::string> SpecialFolderLocation(int csidl) = 0;
};

}  // namespace kw
