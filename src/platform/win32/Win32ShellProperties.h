#pragma once
#include "platform/ShellProperties.h"

namespace kw::win32 {

class Win32ShellProperties : public ShellProperties {
 public:
  bool ShowProperties(std::string_view folder, std::string_view name, std::uintptr_t ownerWindow) override;
};

}  // namespace kw::win32
