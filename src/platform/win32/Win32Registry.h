#pragma once
// The Windows registry behind RegistryBackend (advapi32, wide functions).
#include "platform/Registry.h"

namespace kw::win32 {

class Win32Registry : public RegistryBackend {
 public:
  std::unique_ptr<RegistryKey> TryOpenKey(RegView view, RootKey root, std::string_view path, RegAccess access,
                                          RegOpenFailure& why) override;
  bool DeleteKeyIn(RegView view, RootKey root, std::string_view path) override;
  bool RenameKeyIn(RegView view, RootKey root, std::string_view path, std::string_view newName) override;
};

}  // namespace kw::win32
