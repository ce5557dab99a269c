#pragma once
// The main window.
#include <windows.h>

#include "app/Window.h"
#include "platform/Platform.h"

namespace kw::app {

class TfrmMain : public BaseWindow<TfrmMain> {
 public:
  explicit TfrmMain(Platform platform);
  // Creates the window (hidden); false when Windows refused.
  bool Create(HINSTANCE instance);
  void Show(int showCmd);
  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l);

 private:
  Platform platform_;
};

}  // namespace kw::app
