#pragma once
// Special folders as a table the tests fill.
#include <map>

#include "platform/ShellFolders.h"

namespace kw {

class MemoryShellFolders : public ShellFolders {
 public:
  std::uint32_t WindowsVersion() override { return version; }
  std::optional<std::string> SpecialFolderLocation(int csidl) override {
    ++lookups;
    auto it = folders.find(csidl);
    if (it == folders.end()) return std::nullopt;
    return it->second;
  }

  std::uint32_t version = 0x1DB10106;  // 6.1
  std::map<int, std::string> folders;
  int lookups = 0;
};

}  // namespace kw
