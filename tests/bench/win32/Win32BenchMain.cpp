// The benchmarks on the real platform (under Wine, or Windows): the registry, the Startup
// folders and shortcuts of the prefix, real program files (links to the programs in the
// system folder that have a version resource and an icon), and the real main window.
// Run by scripts/bench on a private X server; "--quick" and "--only=GROUP" as SystemBench.h says.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "BenchSupport.h"
#include "SystemBench.h"
#include "app/win32/MainWindow.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Platform.h"
#include "util/unitDiskUtils.h"

namespace kw::bench {
namespace {

std::string SystemFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetSystemDirectoryW(folder, MAX_PATH);
  return win32::Narrow(folder);
}

std::string TempFolder(const char* name) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::string folder = win32::Narrow(temp) + name;
  ::CreateDirectoryW(win32::Wide(folder).c_str(), nullptr);
  return folder;
}

bool HasVersionAndIcon(const std::string& path) {
  const std::wstring file = win32::Wide(path);
  DWORD handle = 0;
  if (::GetFileVersionInfoSizeW(file.c_str(), &handle) == 0) return false;
  const HICON icon = ::ExtractIconW(::GetModuleHandleW(nullptr), file.c_str(), 0);
  if (reinterpret_cast<UINT_PTR>(icon) < 2) return false;
  ::DestroyIcon(icon);
  return true;
}

void Drain() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

class Win32BenchSystem : public BenchSystem {
 public:
  Win32BenchSystem() {
    for (const std::string& path : ListFiles(system_.files, SystemFolder() + "\\*.exe"))
      if (HasVersionAndIcon(path)) pool_.push_back(path);
    programs_ = TempFolder("kw-bench-programs") + "\\";
    values_.ProgramFolder = TempFolder("kw-bench-program") + "\\";
    system_.files.WriteWholeFile(values_.ProgramFolder + "welcome.rtf", "{\\rtf1\\ansi Benchmark\\par}");
    headlessView_.form = &headless_;
  }

  // The real main window; false when it cannot be made (no display).
  bool OpenWindow() {
    window_ = std::make_unique<app::MainWindow>(platform_, windowApps_, values_);
    if (!window_->Create(::GetModuleHandleW(nullptr))) {
      window_.reset();
      return false;
    }
    window_->Show(SW_SHOWNORMAL);
    Drain();
    return true;
  }
  void CloseWindow() {
    if (window_ && window_->hwnd()) ::DestroyWindow(window_->hwnd());
    Drain();
    window_.reset();
  }

  int PoolSize() const { return static_cast<int>(pool_.size()); }

  Platform& platform() override { return platform_; }
  TfrmMain& Form() override { return window_ ? window_->Form() : headless_; }
  MainView& View() override { return window_ ? static_cast<MainView&>(*window_) : headlessView_; }
  TAppList& Apps() override { return window_ ? windowApps_ : headlessApps_; }
  std::string ViewName() override {
    return window_ ? "real platform, the real main window on Xvfb"
                   : "real platform, TfrmMain on a view without a window";
  }
  TfrmMain* HeadlessForm() override { return window_ ? &headless_ : nullptr; }
  TAppList* HeadlessApps() override { return &headlessApps_; }
  // The list view paints what the refresh put in it before the user sees it.
  void Settle() override {
    if (!window_) return;
    ::RedrawWindow(window_->hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Drain();
  }

  // A hard link (a copy where links are not possible) to one of the pool's programs.
  std::string Program(int number) override {
    char name[32];
    std::snprintf(name, sizeof name, "prog%04d.exe", number);
    const std::string path = programs_ + name;
    if (made_.insert(path).second && !system_.files.FileExists(path)) {
      const std::wstring target = win32::Wide(path), source = win32::Wide(pool_[number % pool_.size()]);
      if (!::CreateHardLinkW(target.c_str(), source.c_str(), nullptr))
        ::CopyFileW(source.c_str(), target.c_str(), FALSE);
    }
    return path;
  }
  std::unique_ptr<ImageList> NewImageList() override { return std::make_unique<win32::Win32ImageList>(); }

 private:
  win32::Win32Platform system_;
  Platform platform_ = system_.platform();
  std::vector<std::string> pool_;
  std::string programs_;
  ProgramValues values_;
  std::set<std::string> made_;

  TAppList windowApps_;
  std::unique_ptr<app::MainWindow> window_;

  TAppList headlessApps_;
  win32::Win32ImageList headlessImages_;
  HeadlessView headlessView_{headlessImages_};
  TfrmMain headless_{platform_, headlessApps_, headlessView_, values_};
};

}  // namespace
}  // namespace kw::bench

int main(int argc, char** argv) {
  const kw::bench::BenchOptions options = kw::bench::ParseOptions(argc, argv);
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);

  kw::bench::ResultTable table;
  std::printf("Windows build (%s), under Wine or Windows\n", sizeof(void*) == 8 ? "x86_64" : "i686");
  if (options.only.empty() || options.only == "codec") kw::bench::RunCodecBench(table, options.quick);
  bool ok = false;
  {
    kw::bench::Win32BenchSystem system;
    if (system.PoolSize() == 0) {
      std::printf("no program with a version resource and an icon in the system folder\n");
      return 1;
    }
    if (!system.OpenWindow()) std::printf("the main window could not be opened: measuring without a window\n");
    table.Note(std::to_string(system.PoolSize()) +
               " programs of the system folder have a version resource and an icon; entries start links to them");
    ok = kw::bench::RunSystemBench(system, table, options);
    table.Print("Wine: " + system.ViewName(), 11.0);
    system.CloseWindow();
  }
  ::CoUninitialize();
  std::fflush(stdout);
  return ok ? 0 : 1;
}
