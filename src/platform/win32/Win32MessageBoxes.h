#pragma once
// Message boxes drawn by the common controls' task dialog, which lets the program name its
// own buttons and keeps Escape and the close box working for every box; the plain message
// box stands in where the task dialog is not available.
#include <windows.h>

#include "platform/MessageBoxes.h"

namespace kw::win32 {

class Win32MessageBoxes : public MessageBoxes {
 public:
  int Show(const MessageRequest& request) override;
};

}  // namespace kw::win32
