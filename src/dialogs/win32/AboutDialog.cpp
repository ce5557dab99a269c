#include "dialogs/win32/AboutDialog.h"

#include <commctrl.h>
#include <richedit.h>

#include <cwchar>

#include "forms/AboutResource.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"
#include "util/unitErrors.h"

namespace kw::dialogs {

namespace {

constexpr COLORREF kDisplayBackground = RGB(0, 0, 0x40);  // dark navy
constexpr COLORREF kAddressColor = RGB(0, 0, 0xFF);
constexpr UINT_PTR kDisplaySubclassId = 1;

// The pane's own look, used by runs written without a style: MS Sans Serif, 8 points, with
// the Cyrillic character set so that Russian texts show in it.
void SetDefaultLook(HWND display) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
  format.yHeight = 8 * 20;
  format.bCharSet = RUSSIAN_CHARSET;
  wcsncpy(format.szFaceName, L"MS Sans Serif", LF_FACESIZE - 1);
  ::SendMessageW(display, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

}  // namespace

AboutDialog::AboutDialog(Platform& platform, std::string appVersion) : logic_(platform, std::move(appVersion)) {}

void AboutDialog::ShowModal(HWND owner) {
  if (!win32::LoadRichEditLibrary() || RunModal(owner, IDD_ABOUT) == -1)
    throw Exception("Cannot show the About box");
}

INT_PTR AboutDialog::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG:
      InitDisplay();
      PlaceAddressLabel();
      logic_.FormShow(display_);
      CenterParagraphs();
      ::SetFocus(Item(IDOK));
      return FALSE;  // the focus was set here
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK:
        case IDCANCEL:
          ::EndDialog(hwnd_, LOWORD(w));
          return TRUE;
        case IDC_ABOUT_EMAIL:
          if (HIWORD(w) == STN_CLICKED) logic_.Label1Click();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(l) != Item(IDC_ABOUT_EMAIL)) return FALSE;
      ::SetTextColor(reinterpret_cast<HDC>(w), kAddressColor);
      ::SetBkMode(reinterpret_cast<HDC>(w), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(w) != Item(IDC_ABOUT_EMAIL)) return FALSE;
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_DESTROY:
      win32::sys::RemoveWindowSubclass(display_.get(), &DisplayProc, kDisplaySubclassId);
      display_.Attach(nullptr);
      return FALSE;
    default:
      return FALSE;
  }
}

void AboutDialog::InitDisplay() {
  const HWND display = Item(IDC_ABOUT_DISPLAY);
  display_ = win32::Win32RichTextPane(display);
  ::SendMessageW(display, EM_SETBKGNDCOLOR, 0, kDisplayBackground);
  SetDefaultLook(display);
  // A little room between the text and the pane's edges.
  RECT text{};
  ::GetClientRect(display, &text);
  ::InflateRect(&text, -4, -4);
  ::SendMessageW(display, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text));
  win32::sys::SetWindowSubclass(display, &DisplayProc, kDisplaySubclassId, reinterpret_cast<DWORD_PTR>(this));
}

// The address in Courier New, bold and underlined, 20 pixels high at 120 dots per inch; the
// label is as wide as the address and stays centred where the template puts it.
void AboutDialog::PlaceAddressLabel() {
  const HWND label = Item(IDC_ABOUT_EMAIL);
  const HDC dc = ::GetDC(label);
  const int height = -::MulDiv(20, ::GetDeviceCaps(dc, LOGPIXELSY), 120);
  addressFont_.reset(::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New"));
  const std::wstring address = win32::Wide(kSupportAddress);
  SIZE extent{};
  const HGDIOBJ previous = ::SelectObject(dc, addressFont_.get());
  ::GetTextExtentPoint32W(dc, address.c_str(), static_cast<int>(address.size()), &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(label, dc);

  ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(addressFont_.get()), FALSE);
  ::SetWindowTextW(label, address.c_str());
  RECT place{};
  ::GetWindowRect(label, &place);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&place), 2);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const int width = extent.cx + 4 < client.right ? extent.cx + 4 : client.right;
  const int centre = (place.left + place.right) / 2;
  int left = centre - width / 2;
  if (left < 0) left = 0;
  if (left + width > client.right) left = client.right - width;
  const int labelHeight = extent.cy > place.bottom - place.top ? extent.cy : place.bottom - place.top;
  ::MoveWindow(label, left, place.top, width, labelHeight, FALSE);
}

void AboutDialog::CenterParagraphs() {
  const HWND display = display_.get();
  CHARRANGE all{0, -1};
  ::SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  PARAFORMAT2 paragraph{};
  paragraph.cbSize = sizeof paragraph;
  paragraph.dwMask = PFM_ALIGNMENT;
  paragraph.wAlignment = PFA_CENTER;
  ::SendMessageW(display, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  CHARRANGE start{0, 0};
  ::SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
  ::SendMessageW(display, WM_VSCROLL, SB_TOP, 0);
}

LRESULT CALLBACK AboutDialog::DisplayProc(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                          DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<AboutDialog*>(data);
  try {
    switch (message) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:  // keys pressed with Alt held
        self->logic_.DisplayKeyDown(self->display_, static_cast<int>(w));
        if (w == VK_F3) {
          self->CenterParagraphs();
          return 0;
        }
        break;
      case WM_GETDLGCODE:
        return win32::sys::DefSubclassProc(hwnd, message, w, l) & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE |
                                                          DLGC_HASSETSEL);
      case WM_NCDESTROY:
        win32::sys::RemoveWindowSubclass(hwnd, &DisplayProc, kDisplaySubclassId);
        break;
      default:
        break;
    }
  } catch (const std::exception& error) {
    app::ReportUncaught(error);
    return 0;
  } catch (...) {
    app::ReportUnknownError();
    return 0;
  }
  return win32::sys::DefSubclassProc(hwnd, message, w, l);
}

}  // namespace kw::dialogs
