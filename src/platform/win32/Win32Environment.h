#pragma once
#include "platform/Environment.h"

namespace kw::win32 {

class Win32Environment : public Environment {
 public:
  std::string ExecutablePath() override;
  std::string UserLanguageName() override;
  std::string TempFolder() override;
  bool Windows64() override;
  bool Program64() override { return sizeof(void*) == 8; }
  std::string ExpandStrings(std::string_view text) override;
  std::optional<std::string> LoadIndirectString(std::string_view source) override;
  std::string UserName() override;
};

}  // namespace kw::win32
