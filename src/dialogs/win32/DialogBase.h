#pragma once
// The dialogs' common base: one static dialog procedure per kind of dialog, which finds the
// C++ object behind the handle and lets no C++ exception cross into Windows.
#include <windows.h>

#include <exception>

#include "app/win32/Window.h"

namespace kw::dialogs {

// Derived classes implement INT_PTR HandleMessage(UINT, WPARAM, LPARAM), answering as a
// dialog procedure does (TRUE when the message was handled).
template <typename Derived>
class BaseDialog {
 public:
  HWND hwnd() const { return hwnd_; }

 protected:
  // Runs the dialog from the program's own resources, modal to owner; -1 when Windows
  // could not create it.
  INT_PTR RunModal(HWND owner, int templateId) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, &DialogProc,
                             reinterpret_cast<LPARAM>(static_cast<Derived*>(this)));
  }

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) noexcept {
    Derived* self = nullptr;
    if (message == WM_INITDIALOG) {
      self = reinterpret_cast<Derived*>(l);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
      result = self->HandleMessage(message, w, l);
    } catch (const std::exception& error) {
      app::ReportUncaught(error);
    } catch (...) {
      app::ReportUnknownError();
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

  HWND hwnd_ = nullptr;
};

}  // namespace kw::dialogs
