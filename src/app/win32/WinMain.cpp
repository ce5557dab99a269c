// The program's entry point: program-wide values, COM, the windows and the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/unitMain.h"
#include "app/win32/MainWindow.h"
#include "dialogs/win32/AboutDialog.h"
#include "dialogs/win32/AddAppDialog.h"
#include "platform/win32/ComApartment.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Win32Platform.h"

namespace {

int RunMessageLoop(kw::app::MainWindow& main) {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (main.TranslateAccelerator(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  kw::win32::RestrictDllSearch();
  // COM first: the platform keeps COM objects, released before COM is left.
  kw::win32::ComApartment com;
  kw::win32::Win32Platform system;
  kw::Platform platform = system.platform();
  // Recorded before any window exists.
  const kw::ProgramValues values = kw::ReadProgramValues(platform);

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  kw::win32::sys::InitCommonControlsEx(&controls);

  // The forms in their order: the main window, the About box, the Add Application dialog.
  // The dialogs keep their state between showings, so they live as long as the program.
  kw::app::MainWindow frmMain(platform, kw::AppList, values);
  kw::dialogs::AboutDialog dlgAbout(platform, values.AppVersion);
  kw::dialogs::AddAppDialog dlgAddApp(platform);
  frmMain.showAboutDialog = [&dlgAbout](HWND owner) { dlgAbout.ShowModal(owner); };
  frmMain.showAddDialog = [&dlgAddApp](HWND owner) { return dlgAddApp.ShowModal(owner); };
  if (!frmMain.Create(instance, /*maximized*/ true)) return 1;
  system.shell.SetOwner(frmMain.hwnd());
  frmMain.Show(SW_SHOWMAXIMIZED);
  return RunMessageLoop(frmMain);
}
