#include "app/unitMain.h"

#include "util/unitStdMessages.h"
#include "platform/win32/WideString.h"

namespace kw::app {

namespace {
constexpr wchar_t kClassName[] = L"TfrmMain";
}

TfrmMain::TfrmMain(Platform platform) : platform_(platform) {}

bool TfrmMain::Create(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TfrmMain::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  const std::wstring title = win32::Wide(kApplicationTitle);
  return ::CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                           CW_USEDEFAULT, 695, 480, nullptr, nullptr, instance, this) != nullptr;
}

void TfrmMain::Show(int showCmd) {
  ::ShowWindow(hwnd_, showCmd);
  ::UpdateWindow(hwnd_);
}

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return Default(message, w, l);
  }
}

}  // namespace kw::app
