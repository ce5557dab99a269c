#pragma once
// The shell's default action on a file, document or URL, and what it knows of programs.
#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens file with the shell's default verb; the result is the shell's instance value,
  // above 32 on success.
  virtual std::intptr_t Open(std::string_view file, std::string_view parameters, std::string_view folder,
                             int showCmd) = 0;
  // The program that opens files of the extension (".vbs") with the default verb, as the
  // shell's associations name it; empty when there is none.
  virtual std::string AssociatedProgram(std::string_view extension) = 0;
  // The full path of a program named without a folder, found the way Windows finds what a Run
  // value names (the system folder, the Windows folder, then PATH; ".exe" where it has no
  // extension); empty when there is none.
  virtual std::string FindProgram(std::string_view name) = 0;
};

}  // namespace kw
