#pragma once
// The program's environment as plain fields.
#include "platform/Environment.h"

namespace kw {

class MemoryEnvironment : public Environment {
 public:
  std::string ExecutablePath() override { return executablePath; }
  std::string UserLanguageName() override { return languageName; }
  std::string TempFolder() override { return tempFolder; }

  std::string executablePath = "C:\\Program Files\\Kelderwick\\Kelderwick.exe";
  std::string languageName = "English";
  std::string tempFolder = "C:\\users\\tester\\Temp\\";
};

}  // namespace kw
