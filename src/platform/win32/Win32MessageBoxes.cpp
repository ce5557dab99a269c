#include "platform/win32/Win32MessageBoxes.h"

#include <commctrl.h>

#include <vector>

#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

constexpr int kFirstButtonId = 100;

// The cancel button carries the dialog's cancel identifier, so that Escape finds it
// (some task dialog implementations ignore Escape when no button has that identifier).
int ButtonId(const MessageRequest& request, int index) {
  return index == request.cancelButton ? IDCANCEL : kFirstButtonId + index;
}

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

TaskDialogIndirectFn FindTaskDialog() {
  HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
  if (!comctl) comctl = ::LoadLibraryW(L"comctl32.dll");
  return comctl ? reinterpret_cast<TaskDialogIndirectFn>(
                      reinterpret_cast<void*>(::GetProcAddress(comctl, "TaskDialogIndirect")))
                : nullptr;
}

// The window the box is modal to: the active window of this thread, if any.
HWND Owner() { return ::GetActiveWindow(); }

int ShowPlainMessageBox(const MessageRequest& request) {
  UINT style = MB_TASKMODAL | MB_SETFOREGROUND;
  switch (request.icon) {
    case MessageIcon::Question: style |= MB_ICONQUESTION; break;
    case MessageIcon::Error: style |= MB_ICONERROR; break;
    case MessageIcon::Warning: style |= MB_ICONWARNING; break;
    case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
    case MessageIcon::None: break;
  }
  const bool yesNo = request.buttons.size() == 2;
  style |= yesNo ? MB_YESNO : MB_OK;
  if (yesNo && request.defaultButton == 1) style |= MB_DEFBUTTON2;
  const int answer = ::MessageBoxW(Owner(), Wide(request.text).c_str(), Wide(request.caption).c_str(), style);
  if (yesNo) return answer == IDYES ? 0 : 1;
  return request.defaultButton;
}

}  // namespace

int Win32MessageBoxes::Show(const MessageRequest& request) {
  static const TaskDialogIndirectFn taskDialog = FindTaskDialog();
  if (!taskDialog || request.buttons.empty()) return ShowPlainMessageBox(request);

  const std::wstring caption = Wide(request.caption), text = Wide(request.text);
  std::vector<std::wstring> labels;
  for (const std::string& label : request.buttons) labels.push_back(Wide(label));
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (size_t i = 0; i < labels.size(); ++i)
    buttons.push_back(TASKDIALOG_BUTTON{ButtonId(request, static_cast<int>(i)), labels[i].c_str()});

  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = Owner();
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = caption.c_str();
  config.pszContent = text.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = ButtonId(request, request.defaultButton);
  switch (request.icon) {
    case MessageIcon::Question:
      // The task dialog has no question mark of its own; use the system's icon.
      config.dwFlags |= TDF_USE_HICON_MAIN;
      config.hMainIcon = ::LoadIconW(nullptr, IDI_QUESTION);
      break;
    case MessageIcon::Error: config.pszMainIcon = TD_ERROR_ICON; break;
    case MessageIcon::Warning: config.pszMainIcon = TD_WARNING_ICON; break;
    case MessageIcon::Information: config.pszMainIcon = TD_INFORMATION_ICON; break;
    case MessageIcon::None: break;
  }

  int pressed = 0;
  if (FAILED(taskDialog(&config, &pressed, nullptr, nullptr))) return ShowPlainMessageBox(request);
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].nButtonID == pressed) return static_cast<int>(i);
  return request.cancelButton;  // Escape, Alt+F4 or the close box
}

}  // namespace kw::win32
