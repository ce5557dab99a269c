#include "app/win32/MainWindow.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "../../forms/resource.h"
#include "entries/unitComebacks.h"
#include "platform/win32/ComApartment.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"
#include "util/unitStdMessages.h"

namespace kw::app {

namespace {

constexpr wchar_t kClassName[] = L"TfrmMain";
constexpr UINT kRunPending = WM_APP + 1;
constexpr UINT kFilesRead = WM_APP + 2;  // posted by the reader of the entries' files

// The window's colours (COLORREF and the program's colour values share the 0x00BBGGRR order).
constexpr COLORREF kSkyBlue = 0x00F0CAA6;
constexpr COLORREF kNavy = 0x00400000;
constexpr COLORREF kLime = 0x0000FF00;

// Sizes of the design, at 120 pixels per inch.
constexpr int kLeftPanelWidth = 281;
constexpr int kSplitterWidth = 3;
constexpr int kStripHeight = 9;
constexpr int kHeaderHeight = 28;
constexpr int kBevel = 2;
constexpr int kMinimumPanelWidth = 60;

struct Action {
  int id;
  const wchar_t* caption;
  const wchar_t* hint;
  int image;
};

// The toolbar, left to right; id 0 is a separator.
const Action kToolbar[] = {
    {0, nullptr, nullptr, 0},
    {IDM_REFRESH, L"&Refresh", L"Refresh List", 5},
    {0, nullptr, nullptr, 0},
    {IDM_PROPERTIES, L"Properties", L"Shortcut Properties", 6},
    {IDM_WEB_SEARCH, L"Internet", L"Search the WEB for more info", 8},
    {0, nullptr, nullptr, 0},
    {IDM_DISABLE, L"&Disable", L"Disable Application", 1},
    {IDM_ENABLE, L"&Enable", L"Enable Application", 2},
    {0, nullptr, nullptr, 0},
    {IDM_ADD, L"Add", L"Add Application", 7},
    {IDM_DELETE, L"De&lete", L"Delete Application", 0},
    {0, nullptr, nullptr, 0},
    {IDM_ABOUT_BUTTON, L"&About", L"About Kelderwick", 3},
    {IDM_HELP, L"Help", L"Show Help", 4},
};

const int kToolbarPictures[] = {IDI_TOOL_DELETE, IDI_TOOL_DISABLE,    IDI_TOOL_ENABLE,
                                IDI_TOOL_ABOUT,  IDI_TOOL_HELP,       IDI_TOOL_REFRESH,
                                IDI_TOOL_PROPERTIES, IDI_TOOL_ADD,    IDI_TOOL_INTERNET};

HFONT MakeFont(const wchar_t* face, int height, bool bold, BYTE charset = DEFAULT_CHARSET) {
  return ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

MainWindow::MainWindow(Platform& platform, TAppList& apps, ProgramValues values)
    : platform_(platform), form_(platform, apps, *this, std::move(values)) {}

bool MainWindow::Create(HINSTANCE instance, bool maximized) {
  instance_ = instance;
  dpi_ = ScreenDpi();
  leftWidth_ = Scale(kLeftPanelWidth);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &MainWindow::WindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  accelerators_ = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS));

  // 695 x 480 at the design's resolution, centred on the screen.
  const int width = Scale(695), height = Scale(480);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const std::wstring title = win32::Wide(kApplicationTitle);
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (maximized ? WS_MAXIMIZE : 0);
  return ::CreateWindowExW(0, kClassName, title.c_str(), style, x, y, width, height,
                           nullptr, ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU)), instance, this) != nullptr;
}

void MainWindow::Show(int showCmd) {
  ::ShowWindow(hwnd_, showCmd);
  ::UpdateWindow(hwnd_);
  ::SetEvent(shown_.get());
}

bool MainWindow::TranslateAccelerator(MSG& msg) {
  return accelerators_ && ::TranslateAcceleratorW(hwnd_, accelerators_, &msg);
}

void MainWindow::CreateFonts() {
  windowFont_.reset(MakeFont(L"MS Sans Serif", -Scale(13), false));
  toolbarFont_.reset(MakeFont(L"Arial", Scale(12), false));
  listFont_.reset(MakeFont(L"Arial", -Scale(17), true));
  headerFont_.reset(MakeFont(L"Arial", -Scale(20), true));
}

void MainWindow::CreateToolbar() {
  toolbar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0, 0, 0,
                               0, hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_TOOLBAR), instance_, nullptr);
  ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(toolbarFont_.get()), FALSE);

  toolbarImages_.reset(win32::sys::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 9, 0));
  for (int picture : kToolbarPictures) {
    win32::unique_hicon icon(
        static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(picture), IMAGE_ICON, 32, 32, 0)));
    win32::PutIcon(toolbarImages_.get(), -1, icon.get());
  }
  ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_.get()));

  std::vector<TBBUTTON> buttons;
  for (const Action& action : kToolbar) {
    TBBUTTON button{};
    if (action.id == 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.iBitmap = action.image;
      button.idCommand = action.id;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(action.caption);
    }
    buttons.push_back(button);
  }
  ::SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  ::SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(Scale(60), Scale(56)));
  ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void MainWindow::CreateList() {
  list_ = ::CreateWindowExW(0, WC_LISTVIEWW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                                LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                            0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_LIST), instance_, nullptr);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                                               LVS_EX_FLATSB | LVS_EX_DOUBLEBUFFER);
  ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), FALSE);
  ListView_SetBkColor(list_, kSkyBlue);
  ListView_SetTextBkColor(list_, kSkyBlue);
  ListView_SetTextColor(list_, kNavy);
  // The list view shares the icon list (LVS_SHAREIMAGELISTS), so the window keeps owning it.
  // The marks of programs whose signature is not verified, drawn over their icons.
  for (const int mark : {IDI_MARK_UNVERIFIED, IDI_MARK_BAD_SIGNATURE, IDI_MARK_CAME_BACK})
    markIcons_.emplace_back(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(mark), IMAGE_ICON, 32, 32, 0)));
  ListView_SetImageList(list_, icons_.get(), LVSIL_SMALL);
  ListView_SetImageList(list_, icons_.get(), LVSIL_NORMAL);
  ::SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listProc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::ListProc)));
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  ListView_InsertColumn(list_, 0, &column);
}

void MainWindow::CreateDisplay() {
  win32::LoadRichEditLibrary();
  const HWND edit =
      ::CreateWindowExW(0, L"RichEdit20W", L"Display",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                        0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_DISPLAY), instance_, nullptr);
  display_.Attach(edit);
  ::SendMessageW(edit, EM_SETBKGNDCOLOR, 0, kNavy);
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
  wcscpy(format.szFaceName, L"Arial");
  format.yHeight = 17 * 72 * 20 / 120;  // 17 pixels at the design's 120 pixels per inch
  format.crTextColor = kLime;
  format.bCharSet = RUSSIAN_CHARSET;
  ::SendMessageW(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  ::SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void MainWindow::OnCreate() {
  CreateFonts();
  skyBlueBrush_.reset(::CreateSolidBrush(kSkyBlue));
  navyBrush_.reset(::CreateSolidBrush(kNavy));
  navyPen_.reset(::CreatePen(PS_SOLID, 1, kNavy));

  CreateToolbar();
  status_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(IDC_MAIN_STATUS), instance_, nullptr);
  ::SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_.get()), FALSE);
  ::SendMessageW(status_, SB_SIMPLE, TRUE, 0);
  CreateList();
  CreateDisplay();
  Layout();
  form_.FormCreate();
}

MainWindow::Panel MainWindow::PanelAt(int left, int right, int top, int bottom) const {
  Panel panel;
  panel.outer = RECT{left, top, right, bottom};
  const int inLeft = left + kBevel, inRight = right - kBevel;
  panel.strip = RECT{inLeft, top + kBevel, inRight, top + kBevel + Scale(kStripHeight)};
  panel.header = RECT{inLeft, panel.strip.bottom, inRight, panel.strip.bottom + Scale(kHeaderHeight)};
  panel.body = RECT{inLeft, panel.header.bottom, inRight, bottom - kBevel};
  if (panel.body.bottom < panel.body.top) panel.body.bottom = panel.body.top;
  return panel;
}

void MainWindow::Layout() {
  if (!toolbar_) return;
  const RECT client = ClientRect(hwnd_);
  ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  ::SendMessageW(status_, WM_SIZE, 0, 0);
  RECT toolbarRect{}, statusRect{};
  ::GetWindowRect(toolbar_, &toolbarRect);
  ::GetWindowRect(status_, &statusRect);
  const int top = toolbarRect.bottom - toolbarRect.top;
  const int bottom = client.bottom - (statusRect.bottom - statusRect.top);

  const int maximum = client.right - Scale(kSplitterWidth) - Scale(kMinimumPanelWidth);
  if (leftWidth_ > maximum) leftWidth_ = maximum;
  if (leftWidth_ < Scale(kMinimumPanelWidth)) leftWidth_ = Scale(kMinimumPanelWidth);
  left_ = PanelAt(0, leftWidth_, top, bottom);
  splitter_ = RECT{leftWidth_, top, leftWidth_ + Scale(kSplitterWidth), bottom};
  right_ = PanelAt(splitter_.right, client.right, top, bottom);

  auto place = [](HWND control, const RECT& r) {
    ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  };
  place(list_, left_.body);
  place(display_.get(), right_.body);
  ListView_SetColumnWidth(list_, 0, LVSCW_AUTOSIZE_USEHEADER);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void MainWindow::PaintPanel(HDC dc, const Panel& panel, const wchar_t* title) {
  RECT outer = panel.outer;
  ::DrawEdge(dc, &outer, BDR_SUNKENOUTER, BF_RECT);
  ::FillRect(dc, &panel.strip, static_cast<HBRUSH>(skyBlueBrush_.get()));
  const HGDIOBJ oldPen = ::SelectObject(dc, navyPen_.get());
  const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(dc, panel.strip.left, panel.strip.top, panel.strip.right, panel.strip.bottom);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);

  ::FillRect(dc, &panel.header, static_cast<HBRUSH>(navyBrush_.get()));
  const HGDIOBJ oldFont = ::SelectObject(dc, headerFont_.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, kSkyBlue);
  RECT text = panel.header;
  ::DrawTextW(dc, title, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  ::SelectObject(dc, oldFont);
}

void MainWindow::Paint(HDC dc) {
  PaintPanel(dc, left_, L" APPLICATIONS");
  PaintPanel(dc, right_, L" INFO");
  ::FillRect(dc, &splitter_, ::GetSysColorBrush(COLOR_BTNFACE));
}

bool MainWindow::OverSplitter(POINT p) const {
  return p.x >= splitter_.left - 1 && p.x <= splitter_.right && p.y >= splitter_.top && p.y < splitter_.bottom;
}

void MainWindow::Command(int id) {
  switch (id) {
    case IDM_ENABLE: form_.actEnableAppExecute(); break;
    case IDM_DISABLE: form_.actDisableAppExecute(); break;
    case IDM_REFRESH: form_.actRefreshExecute(); break;
    case IDM_EXIT: form_.actExitExecute(); break;
    case IDM_DELETE: form_.actDeleteExecute(); break;
    case IDM_ADD: form_.actAddAppExecute(); break;
    case IDM_PROPERTIES: form_.actPropertiesExecute(); break;
    case IDM_WEB_SEARCH: form_.actWebSearchExecute(); break;
    case IDM_HELP: form_.actShowHelpExecute(); break;
    case IDM_WINDOWS_SWITCH: form_.actWindowsSwitchExecute(); break;
    case IDM_ABOUT_BUTTON:
    case IDM_ABOUT_MENU: form_.btAboutClick(); break;
    default: break;
  }
}

LRESULT MainWindow::ListNotify(NMHDR& header) {
  switch (header.code) {
    case LVN_ITEMCHANGING: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if (change.iItem >= 0) form_.lvAppsChanging(change.iItem, ListView_GetCheckState(list_, change.iItem) != 0);
      return FALSE;  // never refused
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if (change.iItem < 0) return 0;
      const bool stateChanged = (change.uChanged & LVIF_STATE) != 0;
      // Only a change of the check box is one. The list view reports a selection change of one
      // item around the deselection of another (whose report comes in between), so the state
      // remembered at the first item's LVN_ITEMCHANGING may be the other item's.
      const bool boxChanged = stateChanged && ((change.uOldState ^ change.uNewState) & LVIS_STATEIMAGEMASK) != 0;
      form_.lvAppsChange(change.iItem, boxChanged, ListView_GetCheckState(list_, change.iItem) != 0);
      if (stateChanged && (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED))
        form_.lvAppsSelectItem(change.iItem, true);
      return 0;
    }
    case LVN_KEYDOWN:
      form_.lvAppsKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
      return 0;
    case LVN_ENDSCROLL: form_.PreferVisibleRows(); return 0;
    case NM_CUSTOMDRAW: {
      // A row's mark is drawn over its icon once the list view has drawn the row.
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return std::any_of(marks_.begin(), marks_.end(), [](int mark) { return mark != 0; }) ? CDRF_NOTIFYITEMDRAW
                                                                                            : CDRF_DODEFAULT;
      const int row = static_cast<int>(draw.nmcd.dwItemSpec);
      const int mark = ItemMark(row);
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return mark != 0 ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
      RECT icon{};
      if (draw.nmcd.dwDrawStage != CDDS_ITEMPOSTPAINT || !ListView_GetItemRect(list_, row, &icon, LVIR_ICON))
        return CDRF_DODEFAULT;
      // The signature's mark sits in the icon's lower right corner, the came-back mark in its
      // upper left one: each picture is transparent elsewhere.
      const auto drawPicture = [&](size_t picture) {
        ::DrawIconEx(draw.nmcd.hdc, icon.left, icon.top, markIcons_[picture].get(), icon.right - icon.left,
                     icon.bottom - icon.top, 0, nullptr, DI_NORMAL);
      };
      const int signature = mark & ~kMarkCameBack;  // 1 or 2: the first two pictures
      if (signature == 1 || signature == 2) drawPicture(static_cast<size_t>(signature) - 1);
      if (mark & kMarkCameBack) drawPicture(2);
      return CDRF_DODEFAULT;
    }
    case LVN_GETDISPINFOW: {
      auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
      static_assert(kImageNone == I_IMAGENONE);
      if (info.item.mask & LVIF_IMAGE) info.item.iImage = form_.RowImage(info.item.iItem);
      return 0;
    }
    default: return 0;
  }
}

// The list view reports a key through LVN_KEYDOWN only for WM_KEYDOWN; with Alt held a key
// comes as WM_SYSKEYDOWN, which it passes on unreported. Delete and F5 act whatever
// modifiers are held, so they are taken here too, then passed on as before.
LRESULT CALLBACK MainWindow::ListProc(HWND list, UINT message, WPARAM w, LPARAM l) noexcept {
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(list, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(list, message, w, l);
  const WNDPROC next = self->listProc_;
  if (message == WM_SYSKEYDOWN && (w == VK_DELETE || w == VK_F5)) {
    try {
      self->form_.lvAppsKeyDown(static_cast<int>(w));
    } catch (const std::exception& error) {
      ReportUncaught(error);
    } catch (...) {
      ReportUnknownError();
    }
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
    ::SetWindowLongPtrW(list, GWLP_USERDATA, 0);
  }
  return ::CallWindowProcW(next, list, message, w, l);
}

LRESULT MainWindow::Notify(NMHDR& header) {
  if (header.hwndFrom == list_) return ListNotify(header);
  if (header.code == TTN_GETDISPINFOW) {
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    for (const Action& action : kToolbar)
      if (action.id != 0 && static_cast<UINT_PTR>(action.id) == header.idFrom)
        info.lpszText = const_cast<wchar_t*>(action.hint);
    return 0;
  }
  if (header.hwndFrom == toolbar_ && header.code == NM_CUSTOMDRAW) {
    auto& draw = reinterpret_cast<NMTBCUSTOMDRAW&>(header);
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
      draw.clrText = kNavy;
      return CDRF_DODEFAULT;
    }
  }
  return 0;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_SIZE: Layout(); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd_, &ps);
      Paint(dc);
      ::EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_COMMAND: Command(LOWORD(w)); return 0;
    case WM_NOTIFY: return Notify(*reinterpret_cast<NMHDR*>(l));
    case WM_SETCURSOR:
      if (busy_) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      if (reinterpret_cast<HWND>(w) == hwnd_ && LOWORD(l) == HTCLIENT) {
        POINT p;
        ::GetCursorPos(&p);
        ::ScreenToClient(hwnd_, &p);
        if (OverSplitter(p)) {
          ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
          return TRUE;
        }
      }
      return Default(message, w, l);
    case WM_LBUTTONDOWN: {
      const POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      if (OverSplitter(p)) {
        dragging_ = true;
        ::SetCapture(hwnd_);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragging_) {
        leftWidth_ = GET_X_LPARAM(l);
        Layout();
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        if (message == WM_LBUTTONUP) ::ReleaseCapture();
      }
      return 0;
    case WM_ACTIVATEAPP:
      if (w) form_.AppEventsActivate();
      return 0;
    case kRunPending:
      while (!pending_.empty()) {
        auto action = std::move(pending_.front());
        pending_.pop_front();
        action();
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      CreateFonts();
      ::SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(toolbarFont_.get()), TRUE);
      ::SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_.get()), TRUE);
      ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), TRUE);
      ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case kFilesRead: form_.FilesArrived(); return 0;
    case WM_DESTROY:
      ::SetEvent(shown_.get());
      form_.StopReading();
      ::PostQuitMessage(0);
      return 0;
    default: return Default(message, w, l);
  }
}

// ---- MainView ----

void MainWindow::SetStatus(const std::string& text) {
  const std::wstring wide = win32::Wide(text);
  ::SendMessageW(status_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::CheckWindowsSwitch(bool checked) {
  ::CheckMenuItem(::GetMenu(hwnd_), IDM_WINDOWS_SWITCH, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::EnableDelete(bool enabled) {
  ::SendMessageW(toolbar_, TB_ENABLEBUTTON, IDM_DELETE, MAKELPARAM(enabled ? TRUE : FALSE, 0));
  ::EnableMenuItem(::GetMenu(hwnd_), IDM_DELETE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainWindow::SetBusy(bool busy) {
  busy_ = busy;
  ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

int MainWindow::SelectedIndex() { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

int MainWindow::ItemCount() { return ListView_GetItemCount(list_); }

std::string MainWindow::ItemCaption(int index) {
  std::wstring text(1024, L'\0');
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  const auto length = ::SendMessageW(list_, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
  text.resize(static_cast<size_t>(length));
  return win32::Narrow(text);
}

void MainWindow::ClearItems() {
  ListView_DeleteAllItems(list_);
  marks_.clear();
}

void MainWindow::AddItem(const std::string& caption, bool checked) {
  std::wstring text = win32::Wide(caption);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ListView_GetItemCount(list_);
  item.pszText = text.data();
  item.iImage = I_IMAGECALLBACK;  // LVN_GETDISPINFO asks the form as the item is drawn
  const int index = static_cast<int>(::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index >= 0) marks_.insert(marks_.begin() + std::min(index, static_cast<int>(marks_.size())), 0);
  if (index >= 0) ListView_SetCheckState(list_, index, checked);
}

int MainWindow::ItemMark(int index) const {
  return index >= 0 && index < static_cast<int>(marks_.size()) ? marks_[static_cast<size_t>(index)] : 0;
}

void MainWindow::SetItemMark(int index, int mark) {
  if (index >= 0 && index < static_cast<int>(marks_.size())) marks_[static_cast<size_t>(index)] = mark;
}

void MainWindow::RedrawItems(int first, int last) {
  const auto [top, count] = VisibleItems();
  first = std::max(first, top);
  last = std::min(last, top + count - 1);
  if (first <= last) ListView_RedrawItems(list_, first, last);
}

std::pair<int, int> MainWindow::VisibleItems() {
  return {ListView_GetTopIndex(list_), ListView_GetCountPerPage(list_) + 1};
}

std::shared_ptr<void> MainWindow::PrepareReaderThread() {
  // A window never shown still gets its files read, a little later.
  ::WaitForSingleObject(shown_.get(), 2000);
  return std::make_shared<win32::ComApartment>();
}

// The reader's thread may not touch the window: it posts, and the window's thread takes.
void MainWindow::FilesReadSignal() { ::PostMessageW(hwnd_, kFilesRead, 0, 0); }

void MainWindow::BeginListUpdate() { ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }

void MainWindow::EndListUpdate() {
  ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_, nullptr, TRUE);
}

void MainWindow::SelectItem(int index) {
  ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, index, FALSE);
}

void MainWindow::RunAfterNotification(std::function<void()> action) {
  pending_.push_back(std::move(action));
  ::PostMessageW(hwnd_, kRunPending, 0, 0);
}

bool MainWindow::ShowAddDialog() { return showAddDialog && showAddDialog(hwnd_); }

void MainWindow::ShowAboutDialog() {
  if (showAboutDialog) showAboutDialog(hwnd_);
}

void MainWindow::ProcessPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void MainWindow::Close() { ::PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

}  // namespace kw::app
