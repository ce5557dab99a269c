#pragma once
// The program's environment as plain fields.
#include <map>

#include "platform/Environment.h"

namespace kw {

class MemoryEnvironment : public Environment {
 public:
  std::string ExecutablePath() override { return executablePath; }
  std::string UserLanguageName() override { return languageName; }
  std::string TempFolder() override { return tempFolder; }
  bool Windows64() override { return windows64; }
  bool Program64() override { return windows64; }
  std::string ExpandStrings(std::string_view text) override {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      const size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string_view::npos;
      const auto known = close == std::string_view::npos ? variables.end()
                                                        : variables.find(std::string(text.substr(i + 1, close - i - 1)));
      if (known == variables.end()) {
        out += text[i++];
        continue;
      }
      out += known->second;
      i = close + 1;
    }
    return out;
  }
  std::string UserName() override { return userName; }
  std::optional<std::string> LoadIndirectString(std::string_view source) override {
    const auto found = indirectStrings.find(std::string(source));
    if (found == indirectStrings.end()) return std::nullopt;
    return found->second;
  }

  std::string executablePath = "C:\\Program Files\\Kelderwick\\Kelderwick.exe";
  std::string languageName = "English";
  std::string tempFolder = "C:\\users\\tester\\Temp\\";
  bool windows64 = false;  // as 64-bit Windows for a 64-bit program
  std::map<std::string, std::string> variables{{"windir", "C:\\windows"}, {"SystemRoot", "C:\\windows"}};
  std::map<std::string, std::string> indirectStrings;  // what LoadIndirectString resolves
  std::string userName = "TESTPC\\me";
};

}  // namespace kw
