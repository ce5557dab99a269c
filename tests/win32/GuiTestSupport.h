#pragma once
// What the tests that drive real windows share: finding this process's windows from a
// second thread, reading their texts, and bounded waits, so that a failing test never hangs.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/WideString.h"

namespace kw::win32::test_support {

inline std::string TextOf(HWND window) {
  wchar_t text[1024] = {};
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return Narrow(text);
}

inline std::string ClassOf(HWND window) {
  wchar_t name[128] = {};
  ::GetClassNameW(window, name, 128);
  return Narrow(name);
}

inline BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM l) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window))
    reinterpret_cast<std::vector<HWND>*>(l)->push_back(window);
  return TRUE;
}

// The visible top-level windows of this process.
inline std::vector<HWND> ProcessWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Checks condition every 20 ms until it holds or timeoutMs has passed.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  for (int waited = 0;; waited += 20) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    ::Sleep(20);
  }
}

// The first visible top-level window of this process that match accepts; null after timeoutMs.
inline HWND WaitForWindow(const std::function<bool(HWND)>& match, int timeoutMs = 10000) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : ProcessWindows())
          if (match(window)) {
            found = window;
            return true;
          }
        return false;
      },
      timeoutMs);
  return found;
}

// A dialog (class #32770) of this process by its caption.
inline HWND WaitForDialog(const std::string& caption, int timeoutMs = 10000) {
  return WaitForWindow([&](HWND w) { return ClassOf(w) == "#32770" && TextOf(w) == caption; }, timeoutMs);
}

inline BOOL CALLBACK CollectChild(HWND child, LPARAM l) {
  reinterpret_cast<std::vector<HWND>*>(l)->push_back(child);
  return TRUE;
}

inline std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> children;
  ::EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// The texts of all controls of a window, joined by "|", to find a message in it.
inline std::string AllTexts(HWND window) {
  std::string texts;
  for (HWND child : Descendants(window)) texts += TextOf(child) + "|";
  return texts;
}

// Clicks a button of a dialog running on another thread, as the mouse would.
inline void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

// The window that has the keyboard focus on the thread that owns window.
inline HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// With KW_GUI_PAUSE_MS set, holds a dialog on screen for that long so that a screenshot can
// be taken from outside (xwd); otherwise does nothing.
inline void PauseForScreenshot() {
  if (const char* ms = std::getenv("KW_GUI_PAUSE_MS")) ::Sleep(static_cast<DWORD>(std::atoi(ms)));
}

}  // namespace kw::win32::test_support
