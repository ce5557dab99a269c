#pragma once
#include "platform/Environment.h"

namespace kw::win32 {

class Win32Environment : public Environment {
 public:
  std::string ExecutablePath() override;
  std::string UserLanguageName() override;
  std::string TempFolder() override;
};

}  // namespace kw::win32
