#pragma once
// Facts about the running program and its user.
#include <optional>
#include <string>
#include <string_view>

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
  // Whether Windows is 64-bit (two registry views of HKLM\SOFTWARE), and whether this
  // program is: its native view is then the 64-bit one.
  virtual bool Windows64() = 0;
  virtual bool Program64() = 0;
  // The text with its environment references ("%windir%") replaced by their values; a
  // reference to an unknown variable stays as it is.
  virtual std::string ExpandStrings(std::string_view text) = 0;
  // The text an indirect string names ("@{<package full name>?ms-resource://...}", "@file,-id"),
  // as the shell resolves it; nullopt when it cannot be resolved.
  virtual std::optional<std::string> LoadIndirectString(std::string_view source) = 0;
  // The user the program runs as, "DOMAIN\user" (the computer's name for a local account).
  virtual std::string UserName() = 0;
};

}  // namespace kw
