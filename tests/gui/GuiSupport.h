#pragma once
// Driving the program's real windows from a test: the message loop, the list view, and
// answering a modal box from a second thread as a user would.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/WideString.h"

namespace kw::gui {

// Runs the thread's message loop for a while, so posted work and painting happen.
inline void Pump(int milliseconds = 150) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
  MSG msg;
  do {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

inline std::string WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return win32::Narrow(text);
}

// A list view seen from outside: captions, check boxes, images, selection.
struct ListView {
  HWND hwnd;

  int Count() const { return ListView_GetItemCount(hwnd); }
  std::string Caption(int index) const {
    wchar_t buffer[1024] = {};
    ListView_GetItemText(hwnd, index, 0, buffer, 1024);
    return win32::Narrow(buffer);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (int i = 0; i < Count(); ++i) captions.push_back(Caption(i));
    return captions;
  }
  bool Checked(int index) const { return ListView_GetCheckState(hwnd, index) != 0; }
  int Image(int index) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    ListView_GetItem(hwnd, &item);
    return item.iImage;
  }
  int Selected() const { return ListView_GetNextItem(hwnd, -1, LVNI_SELECTED); }
  int Find(const std::string& caption) const {
    for (int i = 0; i < Count(); ++i)
      if (Caption(i) == caption) return i;
    return -1;
  }
  void Select(int index) const {
    ListView_SetItemState(hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  // Toggling the check box raises the same notifications as a click on it.
  void Toggle(int index) const { ListView_SetCheckState(hwnd, index, !Checked(index)); }
  // A key press; with Alt held it comes as WM_SYSKEYDOWN (context bit 29 set).
  void Key(WORD key, bool alt = false) const {
    ::SendMessageW(hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? 0x20000001 : 1);
    ::SendMessageW(hwnd, alt ? WM_SYSKEYUP : WM_KEYUP, key, alt ? 0xE0000001 : 0xC0000001);
  }
};

// Waits (bounded) for a top-level dialog box of this process with the caption, then clicks
// the button with the label. The future tells whether the box was found and clicked.
inline std::future<bool> ClickButtonWhenShown(const std::string& caption, const std::string& button) {
  return std::async(std::launch::async, [=] {
    const std::wstring wcaption = win32::Wide(caption), wbutton = win32::Wide(button);
    for (int i = 0; i < 400; ++i) {
      HWND box = nullptr;  // the shown one: a box that ended earlier may still exist, hidden
      while ((box = ::FindWindowExW(nullptr, box, L"#32770", wcaption.c_str())) != nullptr && !::IsWindowVisible(box)) {
      }
      if (box) {
        ::Sleep(100);
        HWND child = nullptr;
        while ((child = ::FindWindowExW(box, child, L"Button", nullptr)) != nullptr) {
          wchar_t label[128] = {};
          ::GetWindowTextW(child, label, 128);
          if (wbutton == label) {
            ::PostMessageW(child, BM_CLICK, 0, 0);
            return true;
          }
        }
        return false;
      }
      ::Sleep(25);
    }
    return false;
  });
}

// Runs the message loop until the future is ready (bounded), so a modal box can be answered.
template <typename T>
bool PumpUntil(std::future<T>& future, int milliseconds = 10000) {
  const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
  while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    if (static_cast<LONG>(end - ::GetTickCount()) <= 0) return false;
    Pump(20);
  }
  return true;
}

}  // namespace kw::gui
