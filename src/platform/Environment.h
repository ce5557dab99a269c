#pragma once
// Facts about the running program and its user.
#include <string>

namespace kw {

class Environment {
 public:
  virtual ~Environment() = default;
  // Full path of the program's executable file.
  virtual std::string ExecutablePath() = 0;
  // The English name of the language of the user's default locale ("English", "Russian").
  virtual std::string UserLanguageName() = 0;
  // The user's folder for temporary files, with a trailing backslash.
  virtual std::string TempFolder() = 0;
};

}  // namespace kw
