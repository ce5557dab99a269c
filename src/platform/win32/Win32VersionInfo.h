#pragma once
#include "platform/VersionInfo.h"

namespace kw::win32 {

// Version resources through GetFileVersionInfoW and VerQueryValueW.
class Win32VersionInfo : public VersionInfo {
 public:
  std::unique_ptr<VersionBlock> Load(std::string_view path) override;
};

}  // namespace kw::win32
