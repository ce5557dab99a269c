#pragma once
// The main window: toolbar, menu, the checked list of entries on the left, the details pane
// on the right, a splitter between them and the status line. It turns messages into calls
// of TfrmMain and gives TfrmMain the view it needs.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>

#include "app/unitMain.h"
#include "app/win32/Window.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Icons.h"
#include "platform/win32/Win32RichTextPane.h"

namespace kw::app {

class MainWindow : public BaseWindow<MainWindow>, public MainView {
 public:
  // The dialogs are shown through these; each gets the main window as owner.
  std::function<bool(HWND)> showAddDialog;
  std::function<void(HWND)> showAboutDialog;

  MainWindow(Platform& platform, TAppList& apps, ProgramValues values);
  // Creates the window (hidden); its creation loads the welcome text and runs Refresh. A window
  // made maximized has its controls laid out and drawn once, at the size it is shown at; its
  // restored size stays the usual one.
  bool Create(HINSTANCE instance, bool maximized = false);
  void Show(int showCmd);
  // Keyboard translation for the message loop: the accelerator table (F1).
  bool TranslateAccelerator(MSG& msg);

  LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l);
  TfrmMain& Form() { return form_; }

  // MainView
  RichTextPane& Display() override { return display_; }
  ImageList& IconList() override { return icons_; }
  void SetStatus(const std::string& text) override;
  void SetBusy(bool busy) override;
  void EnableDelete(bool enabled) override;
  void CheckWindowsSwitch(bool checked) override;
  int SelectedIndex() override;
  int ItemCount() override;
  std::string ItemCaption(int index) override;
  void ClearItems() override;
  void SetItemMark(int index, int mark) override;
  // The mark over the item's icon (MainView::SetItemMark), 0 for none.
  int ItemMark(int index) const;
  void AddItem(const std::string& caption, bool checked) override;
  void RedrawItems(int first, int last) override;
  std::pair<int, int> VisibleItems() override;
  void BeginListUpdate() override;
  void EndListUpdate() override;
  void SelectItem(int index) override;
  void RunAfterNotification(std::function<void()> action) override;
  bool ShowAddDialog() override;
  void ShowAboutDialog() override;
  void ProcessPendingMessages() override;
  std::uintptr_t WindowHandle() override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
  void Close() override;
  bool ReadsInBackground() override { return true; }
  std::shared_ptr<void> PrepareReaderThread() override;
  void FilesReadSignal() override;

 private:
  struct Panel {
    RECT outer;   // with its lowered bevel
    RECT strip;   // the sky-blue strip
    RECT header;  // the navy header
    RECT body;    // the control
  };

  void OnCreate();
  void CreateFonts();
  void CreateToolbar();
  void CreateList();
  void CreateDisplay();
  void Layout();
  Panel PanelAt(int left, int right, int top, int bottom) const;
  void Paint(HDC dc);
  void PaintPanel(HDC dc, const Panel& panel, const wchar_t* title);
  void Command(int id);
  LRESULT Notify(NMHDR& header);
  LRESULT ListNotify(NMHDR& header);
  bool OverSplitter(POINT client) const;
  // The list view's window procedure in front of its own (listProc_), with the MainWindow in
  // the list's GWLP_USERDATA. Not SetWindowSubclass: under Wine that looks its data up as a
  // window property, a call to the server for every message the list gets, which made
  // filling a long list several times slower.
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM w, LPARAM l) noexcept;
  WNDPROC listProc_ = nullptr;
  int Scale(int pixels) const { return ::MulDiv(pixels, dpi_, 120); }

  Platform& platform_;
  // Set once the window has been shown and drawn (or is closing): the reader of the entries'
  // files waits for it, so that at start-up it does not slow the first drawing of the list.
  // Declared before the form, so that it outlives the form's reader.
  win32::unique_kernel_handle shown_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  TfrmMain form_;
  HINSTANCE instance_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND status_ = nullptr;
  HWND list_ = nullptr;
  win32::Win32RichTextPane display_;
  win32::Win32ImageList icons_;
  // Per item, the mark drawn over its icon as the list view draws the item (custom draw), so a
  // mark costs no message and raises no change of the item.
  std::vector<int> marks_;
  std::vector<win32::unique_hicon> markIcons_;  // marks 1 and 2
  win32::unique_himagelist toolbarImages_;
  win32::unique_gdi_object windowFont_, toolbarFont_, listFont_, headerFont_;
  win32::unique_gdi_object skyBlueBrush_, navyBrush_, navyPen_;
  HACCEL accelerators_ = nullptr;
  int dpi_ = 96;
  int leftWidth_ = 0;  // of the left panel, in pixels
  bool dragging_ = false;
  bool busy_ = false;
  Panel left_{}, right_{};
  RECT splitter_{};
  std::deque<std::function<void()>> pending_;
};

}  // namespace kw::app
