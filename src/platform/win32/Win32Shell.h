#pragma once
// The shell's default action on a file, document or URL. An elevated program has it done by
// the desktop's own shell process, so that what opens (the help viewer, the browser, the mail
// program) runs as the desktop's user, without administrator rights.
#include <windows.h>

#include "platform/Shell.h"

namespace kw::win32 {

class Win32Shell : public Shell {
 public:
  // The window that owns what the shell shows; the main window once it exists.
  void SetOwner(HWND owner) { owner_ = owner; }
  std::intptr_t Open(std::string_view file, std::string_view parameters, std::string_view folder,
                     int showCmd) override;
  std::string AssociatedProgram(std::string_view extension) override;
  std::string FindProgram(std::string_view name) override;

  // The two ways Open takes, for the tests. OpenInThisProcess starts what opens with this
  // process's rights and gives ShellExecute's result; OpenThroughDesktop hands the request
  // to the desktop's shell process, and is false when that process did not take it.
  std::intptr_t OpenInThisProcess(std::string_view file, std::string_view parameters, std::string_view folder,
                                  int showCmd);
  static bool OpenThroughDesktop(std::string_view file, std::string_view parameters, std::string_view folder,
                                 int showCmd);
  static bool IsElevated();

 private:
  HWND owner_ = nullptr;
};

}  // namespace kw::win32
