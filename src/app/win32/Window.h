#pragma once
// The window classes' common base: one static window procedure per kind of window, which
// finds the C++ object behind the handle and lets no C++ exception cross into Windows.
#include <windows.h>

#include <exception>
#include <stdexcept>

namespace kw::app {

// Shows the application's standard error box for an error that no handler caught.
void ReportUncaught(const std::exception& error) noexcept;
void ReportUnknownError() noexcept;

inline RECT ClientRect(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  return r;
}

// Derived classes implement LRESULT HandleMessage(UINT, WPARAM, LPARAM).
template <typename Derived>
class BaseWindow {
 public:
  HWND hwnd() const { return hwnd_; }

 protected:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) noexcept {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
      self = static_cast<Derived*>(create->lpCreateParams);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, message, w, l);
    LRESULT result = 0;
    try {
      result = self->HandleMessage(message, w, l);
    } catch (const std::exception& error) {
      ReportUncaught(error);
    } catch (...) {
      ReportUnknownError();
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  LRESULT Default(UINT message, WPARAM w, LPARAM l) { return ::DefWindowProcW(hwnd_, message, w, l); }

  HWND hwnd_ = nullptr;
};

}  // namespace kw::app
