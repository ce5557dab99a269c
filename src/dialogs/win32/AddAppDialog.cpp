#include "dialogs/win32/AddAppDialog.h"

#include <commdlg.h>

#include <vector>

#include "forms/AddAppResource.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"
#include "util/unitErrors.h"

namespace kw::dialogs {

namespace {

constexpr int kOriginButtons[] = {IDC_ADDAPP_ORIGIN_ALL, IDC_ADDAPP_ORIGIN_USER};
constexpr int kShowCmdButtons[] = {IDC_ADDAPP_SHOW_NORMAL, IDC_ADDAPP_SHOW_MAXIMIZED, IDC_ADDAPP_SHOW_MINIMIZED};

std::string WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return win32::Narrow(text);
}

template <size_t N>
int CheckedIndex(HWND dialog, const int (&buttons)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (::IsDlgButtonChecked(dialog, buttons[i]) == BST_CHECKED) return static_cast<int>(i);
  return 0;
}

template <size_t N>
void CheckIndex(HWND dialog, const int (&buttons)[N], int index) {
  if (index < 0 || index >= static_cast<int>(N)) index = 0;
  ::CheckRadioButton(dialog, buttons[0], buttons[N - 1], buttons[index]);
}

}  // namespace

AddAppDialog::AddAppDialog(Platform& platform) : logic_(platform) {}

bool AddAppDialog::ShowModal(HWND owner) {
  const INT_PTR result = RunModal(owner, IDD_ADDAPP);
  if (result == -1) throw Exception("Cannot show the Add Application dialog");
  return result == IDOK;
}

INT_PTR AddAppDialog::HandleMessage(UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      logic_.FormShow(*this);
      return TRUE;  // the focus goes to the first control, Browse
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDC_ADDAPP_BROWSE:
          logic_.btBrowseClick(*this);
          return TRUE;
        case IDC_ADDAPP_ADD:
          // The dialog closes with OK even when writing the shortcut raised an error; the
          // error is shown first.
          try {
            logic_.btAddClick(*this);
          } catch (const std::exception& error) {
            app::ReportUncaught(error);
          }
          CloseWith(IDOK);
          return TRUE;
        case IDCANCEL:
          CloseWith(IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void AddAppDialog::CloseWith(INT_PTR result) {
  if (!logic_.FormCloseQuery()) return;
  logic_.FormClose(*this);
  ::EndDialog(hwnd_, result);
}

void AddAppDialog::SetAppPathText(const std::string& text) {
  ::SetDlgItemTextW(hwnd_, IDC_ADDAPP_PATH, win32::Wide(text).c_str());
}

std::string AddAppDialog::ArgumentsText() { return WindowText(Item(IDC_ADDAPP_ARGUMENTS)); }

void AddAppDialog::SetArgumentsText(const std::string& text) {
  ::SetDlgItemTextW(hwnd_, IDC_ADDAPP_ARGUMENTS, win32::Wide(text).c_str());
}

int AddAppDialog::OriginIndex() { return CheckedIndex(hwnd_, kOriginButtons); }
void AddAppDialog::SetOriginIndex(int index) { CheckIndex(hwnd_, kOriginButtons, index); }
int AddAppDialog::ShowCmdIndex() { return CheckedIndex(hwnd_, kShowCmdButtons); }
void AddAppDialog::SetShowCmdIndex(int index) { CheckIndex(hwnd_, kShowCmdButtons, index); }

std::optional<std::string> AddAppDialog::RunOpenDialog(const std::string& initialFolder) {
  static const wchar_t kFilter[] = L"Programs\0*.exe;*.com;*.bat;*.lnk\0All Files\0*.*\0";
  const std::wstring folder = win32::Wide(initialFolder);
  std::vector<wchar_t> file(32768, L'\0');  // room for the longest path Windows allows

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd_;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = win32::OrNull(folder);
  // A chosen shortcut is taken as the file it is, not as its target.
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING |
                 OFN_NODEREFERENCELINKS;
  if (!win32::sys::GetOpenFileNameW(&dialog)) return std::nullopt;
  return win32::Narrow(file.data());
}

}  // namespace kw::dialogs
