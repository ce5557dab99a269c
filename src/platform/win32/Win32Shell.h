#pragma once
// The shell's default action through ShellExecuteW.
#include <windows.h>

#include "platform/Shell.h"

namespace kw::win32 {

class Win32Shell : public Shell {
 public:
  // The window that owns what the shell shows; the main window once it exists.
  void SetOwner(HWND owner) { owner_ = owner; }
  std::intptr_t Open(std::string_view file, std::string_view parameters, std::string_view folder,
                     int showCmd) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace kw::win32
