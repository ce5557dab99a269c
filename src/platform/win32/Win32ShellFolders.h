#pragma once
#include "platform/ShellFolders.h"

namespace kw::win32 {

// Special folders through SHGetSpecialFolderLocation and SHGetPathFromIDListW.
class Win32ShellFolders : public ShellFolders {
 public:
  std::uint32_t WindowsVersion() override;
  std::optional<std::string> SpecialFolderLocation(int csidl) override;
};

}  // namespace kw::win32
