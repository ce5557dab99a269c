// The benchmarks on the real platform (under Wine, or Windows): the registry, the Startup
// folders and shortcuts of the prefix, real program files (links to the programs in the
// system folder that have a version resource and an icon), and the real main window.
// Run by scripts/bench on a private X server; "--quick" and "--only=GROUP" as SystemBench.h says.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <softpub.h>
#include <wintrust.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <set>
#include <vector>

#include "BenchSupport.h"
#include "SystemBench.h"
#include "app/win32/MainWindow.h"
#include "entries/unitSysWorks.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibraries.h"
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

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

// The top-level window of class TfrmMain that process owns; null while it has none.
HWND MainWindowOf(DWORD process) {
  for (HWND window = nullptr; (window = ::FindWindowExW(nullptr, window, L"TfrmMain", nullptr));) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == process) return window;
  }
  return nullptr;
}

// The number of items of window's list view; -1 while it has none or does not answer.
int ListedIn(HWND window) {
  const HWND list = ::FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  DWORD_PTR count = 0;
  if (!list || !::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 1000, &count)) return -1;
  return static_cast<int>(count);
}

// The program a Run value starts: the quoted path at its start, else up to the first space.
std::wstring ProgramOfCommand(const std::wstring& command) {
  if (!command.empty() && command[0] == L'"') return command.substr(1, command.find(L'"', 1) - 1);
  return command.substr(0, command.find(L' '));
}

// Reads what a refresh reads and shows, with nothing but the system's calls: the Run values
// and the shortcuts, each program's version strings and small icon, and one list view item
// per entry.
class StraightThroughReader {
 public:
  StraightThroughReader() {
    images_ = ::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                 ILC_COLOR32 | ILC_MASK, 64, 64);
    list_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"Straight through",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS, 40, 40, 400, 600,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES);
    ListView_SetImageList(list_, images_, LVSIL_SMALL);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 300;
    ListView_InsertColumn(list_, 0, &column);
  }
  ~StraightThroughReader() {
    if (list_) ::DestroyWindow(list_);
    ::ImageList_Destroy(images_);
  }

  // The number of entries listed with an icon and a FileVersion string. The list is drawn
  // once, when complete: a visible list view redrawn per insert spends more on that than on
  // all the reading.
  int Read() {
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    ::ImageList_RemoveAll(images_);
    complete_ = 0;
    for (const char* path : {kRunKeyPath, kRunOnceKeyPath, kPolicyRunKeyPath})
      for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) ReadRunKey(root, path);
    for (int csidl : {CSIDL_COMMON_STARTUP, CSIDL_STARTUP}) ReadFolder(csidl);
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return complete_;
  }

 private:
  void ReadRunKey(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, win32::Wide(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    wchar_t name[16384];
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; ++index) {
      DWORD nameLength = 16384, dataSize = static_cast<DWORD>(data.size() - sizeof(wchar_t)), type = 0;
      if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
        break;
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
      data[dataSize] = data[dataSize + 1] = 0;
      Add(name, ProgramOfCommand(reinterpret_cast<const wchar_t*>(data.data())));
    }
    ::RegCloseKey(key);
  }

  void ReadFolder(int csidl) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder))) return;
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link))))
      return;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WIN32_FIND_DATAW found;
      const HANDLE search = ::FindFirstFileW((std::wstring(folder) + L"\\*.lnk").c_str(), &found);
      for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
        wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {};
        if (FAILED(file->Load((std::wstring(folder) + L"\\" + found.cFileName).c_str(), STGM_READ)) ||
            FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)) ||
            FAILED(link->GetArguments(arguments, MAX_PATH)))
          continue;
        const std::wstring path = target;
        Add(path.substr(path.rfind(L'\\') + 1), path);
      }
      if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
      file->Release();
    }
    link->Release();
  }

  // Lists one entry with its program's version strings and small icon.
  void Add(const std::wstring& caption, const std::wstring& program) {
    std::wstring strings[5];
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(program.c_str(), &handle);
    std::vector<BYTE> version(size);
    WORD* translation = nullptr;
    UINT length = 0;
    if (size && ::GetFileVersionInfoW(program.c_str(), 0, size, version.data()) &&
        ::VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                         &length) &&
        length >= 2 * sizeof(WORD)) {
      const wchar_t* names[5] = {L"FileVersion", L"CompanyName", L"ProductName", L"FileDescription", L"Comments"};
      for (int i = 0; i < 5; ++i) {
        wchar_t block[96];
        std::swprintf(block, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], names[i]);
        wchar_t* value = nullptr;
        if (::VerQueryValueW(version.data(), block, reinterpret_cast<void**>(&value), &length) && value)
          strings[i] = value;
      }
    }
    HICON icon = nullptr;
    int image = -1;
    if (::ExtractIconExW(program.c_str(), 0, nullptr, &icon, 1) && icon) {
      image = ::ImageList_ReplaceIcon(images_, -1, icon);
      ::DestroyIcon(icon);
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item.iItem = INT_MAX;
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    item.iImage = image;
    item.state = INDEXTOSTATEIMAGEMASK(2);  // ticked
    item.stateMask = LVIS_STATEIMAGEMASK;
    if (::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) >= 0 && image >= 0 &&
        !strings[0].empty())
      ++complete_;
  }

  HIMAGELIST images_ = nullptr;
  HWND list_ = nullptr;
  int complete_ = 0;
};

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
  MemoryTaskScheduler& Tasks() override { return tasks_; }
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
  void Paint() override {
    if (window_) ::RedrawWindow(window_->hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
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
  std::string NewFolder(const std::string& name) override {
    const std::string path = programs_ + name;
    return ::CreateDirectoryW(win32::Wide(path).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS ? path : "";
  }
  std::unique_ptr<ImageList> NewImageList() override { return std::make_unique<win32::Win32ImageList>(); }

  bool WaitUntilEverythingRead() override {
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (Form().FilesStillToRead() > 0) {
      if (::GetTickCount64() > deadline) return false;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      Drain();
    }
    return true;
  }

  // Kelderwick.exe of the benchmark's own folder, from just before it is started until its
  // main window lists entries items; then it is closed.
  double StartToFullListMs(int entries, std::string& failure) override {
    const std::wstring program = ModuleFolder() + L"Kelderwick.exe";
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
      return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
      failure = "cannot start " + win32::Narrow(program);
      return -1;
    }
    HWND window = nullptr;
    int listed = -1;
    double ms = 0;
    // The clock is read after each answer: a busy window answers only once it is done.
    for (;;) {
      if (!window) window = MainWindowOf(process.dwProcessId);
      if (window) listed = ListedIn(window);
      ms = elapsed();
      if (listed == entries || ms >= 30000 || ::WaitForSingleObject(process.hProcess, 0) != WAIT_TIMEOUT) break;
      ::Sleep(1);
    }
    if (listed != entries)
      failure = "Kelderwick.exe listed " + std::to_string(listed) + " of " + std::to_string(entries) +
                " entries after " + std::to_string(static_cast<int>(ms)) + " ms" + (window ? "" : " (no main window)");
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
      ::TerminateProcess(process.hProcess, 1);
      ::WaitForSingleObject(process.hProcess, 5000);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return ms;
  }

  // A copy of the signed sample program that the build makes beside the benchmark.
  std::string SignedProgram(int number) override {
    char name[32];
    std::snprintf(name, sizeof name, "signed%04d.exe", number);
    const std::string path = programs_ + name;
    const std::wstring sample = ModuleFolder() + L"signing\\signed.exe";
    if (made_.insert(path).second && !::CopyFileW(sample.c_str(), win32::Wide(path).c_str(), FALSE)) made_.erase(path);
    return made_.count(path) ? path : "";
  }

  void Touch(const std::string& path) override {
    const win32::unique_file file(::CreateFileW(win32::Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    if (file) ::SetFileTime(file.get(), nullptr, nullptr, &now);
  }

  int VerifyStraightThrough(const std::vector<std::string>& paths) override {
    int valid = 0;
    for (const std::string& path : paths) {
      const std::wstring file = win32::Wide(path);
      WINTRUST_FILE_INFO info{sizeof info, file.c_str(), nullptr, nullptr};
      WINTRUST_DATA data{};
      data.cbStruct = sizeof data;
      data.dwUIChoice = WTD_UI_NONE;
      data.fdwRevocationChecks = WTD_REVOKE_NONE;
      data.dwUnionChoice = WTD_CHOICE_FILE;
      data.pFile = &info;
      data.dwStateAction = WTD_STATEACTION_VERIFY;
      data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
      GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
      valid += win32::sys::WinVerifyTrust(nullptr, &action, &data) == 0;
      data.dwStateAction = WTD_STATEACTION_CLOSE;
      win32::sys::WinVerifyTrust(nullptr, &action, &data);
    }
    return valid;
  }

  int ReadStraightThrough() override {
    if (!reader_) reader_ = std::make_unique<StraightThroughReader>();
    return reader_->Read();
  }

 private:
  win32::Win32Platform system_;
  // Wine keeps no task's triggers or actions: the benchmark's scheduled tasks are in memory.
  MemoryTaskScheduler tasks_;
  Platform platform_{system_.registry, system_.files,    system_.shell,       system_.messages,
                     system_.links,    system_.folders,  system_.versions,    system_.icons,
                     system_.environment, system_.properties, system_.locks,  tasks_,
                     system_.signatures};
  std::vector<std::string> pool_;
  std::string programs_;
  ProgramValues values_;
  std::set<std::string> made_;
  std::unique_ptr<StraightThroughReader> reader_;

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
