// Both programs import when they start only libraries on Windows' KnownDLLs list, which are
// never looked for beside a program; and copied into a folder together with DLLs named like
// other system libraries, they load none of them. Each planted DLL leaves a marker file when
// it is loaded. Windows itself looks beside the program first; Wine does so only for the
// libraries that WINEDLLOVERRIDES, in its Linux environment, names "n,b": under Wine those
// are the ones planted (scripts/test sets it), and without it the planting tests are skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "win32/GuiTestSupport.h"
#include "win32/ShellTestSupport.h"

namespace kw::win32 {
namespace {

// What either program, or the system libraries it uses, could ask for by name (on Windows).
const std::vector<std::string> kPlantedOnWindows = {
    "version", "comctl32", "uxtheme",  "dwmapi",   "cryptbase",   "bcrypt",       "wintrust",      "crypt32",
    "propsys", "msftedit", "riched20", "oleacc",   "winmm",       "userenv",      "profapi",       "sspicli",
    "secur32", "winhttp",  "urlmon",   "iertutil", "dbghelp",     "apphelp",      "windowscodecs", "shdocvw",
    "mpr",     "netapi32", "msimg32",  "ntmarta",  "textshaping", "explorerframe"};

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::string Beside(const std::string& name) {
  const std::string self = test_support::TestProgramPath();
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

struct Window {
  DWORD process;
  HWND found = nullptr;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM l) {
  auto* wanted = reinterpret_cast<Window*>(l);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process != wanted->process || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER)) return TRUE;
  wanted->found = window;
  return FALSE;
}

// The libraries a program imports when it starts, in lower case without ".dll".
std::set<std::string> ImportedLibraries(const std::string& program) {
  std::set<std::string> names;
  const HMODULE image = ::LoadLibraryExW(Wide(program).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!image) return names;
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       imports.VirtualAddress && entry->Name; ++entry) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    names.insert(name.substr(0, name.rfind(".dll")));
  }
  ::FreeLibrary(image);
  return names;
}

TEST(Win32DllImports, BothProgramsImportOnlyKnownDlls) {
  // On the KnownDLLs list of every Windows from 7 on.
  const std::set<std::string> known = {"advapi32", "comdlg32", "gdi32",  "imm32",  "kernel32", "msvcrt",
                                       "ole32",    "oleaut32", "psapi",  "rpcrt4", "sechost",  "setupapi",
                                       "shell32",  "shlwapi",  "user32", "ws2_32", "normaliz", "nsi"};
  for (const char* program : {"Kelderwick.exe", "KelderwickCmd.exe"}) {
    const std::set<std::string> imported = ImportedLibraries(Beside(program));
    EXPECT_TRUE(imported.count("kernel32")) << program;  // the table was read
    std::set<std::string> unknown;
    std::set_difference(imported.begin(), imported.end(), known.begin(), known.end(),
                        std::inserter(unknown, unknown.end()));
    EXPECT_EQ(unknown, std::set<std::string>{}) << program;
  }
}

class Win32DllPlanting : public ::testing::Test {
 protected:
  void SetUp() override {
    planted = kPlantedOnWindows;
    if (UnderWine()) {
      // The libraries of the "name,name=n,b" groups of "group;group;...".
      wchar_t overrides[4096] = {};
      const DWORD length = ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 4096);
      planted.clear();
      std::istringstream groups(length < 4096 ? Narrow(overrides) : std::string());
      for (std::string group; std::getline(groups, group, ';');) {
        const size_t equals = group.find('=');
        if (equals == std::string::npos || group.compare(equals + 1, 1, "n") != 0) continue;
        std::istringstream names(group.substr(0, equals));
        for (std::string name; std::getline(names, name, ',');) planted.push_back(name);
      }
      if (planted.empty()) GTEST_SKIP() << "WINEDLLOVERRIDES names no library to prefer from the program's folder";
    }
    ASSERT_TRUE(folder.created());
    for (const std::string& name : planted)
      ASSERT_TRUE(::CopyFileW(Wide(Beside("kw_marker.dll")).c_str(), Wide(folder / (name + ".dll")).c_str(), FALSE));
    for (const char* file : {"Kelderwick.exe", "KelderwickCmd.exe", "welcome.rtf", "welcome_rus.rtf"})
      ASSERT_TRUE(::CopyFileW(Wide(Beside(file)).c_str(), Wide(folder / file).c_str(), FALSE)) << file;
  }

  // Starts a program of the folder, with the folder as its current folder too.
  unique_kernel_handle Start(const std::string& program, const std::string& arguments) {
    std::wstring line = L"\"" + Wide(folder / program) + L"\" " + Wide(arguments);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          Wide(folder.path()).c_str(), &start, &process))
      return {};
    ::CloseHandle(process.hThread);
    return unique_kernel_handle(process.hProcess);
  }

  // The planted DLLs that were loaded.
  std::vector<std::string> Loaded() {
    std::vector<std::string> loaded;
    for (const std::string& name : planted)
      if (test_support::FileExists(folder / (name + ".dll.loaded"))) loaded.push_back(name);
    return loaded;
  }

  std::vector<std::string> planted;
  test_support::ScratchFolder folder{"planted"};
};

TEST_F(Win32DllPlanting, TheConsoleProgramLoadsNoneOfThem) {
  // list reads every entry's version strings and icons.
  const unique_kernel_handle program = Start("KelderwickCmd.exe", "list");
  ASSERT_TRUE(program);
  ASSERT_EQ(::WaitForSingleObject(program.get(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  ::GetExitCodeProcess(program.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(Loaded(), std::vector<std::string>{});
}

TEST_F(Win32DllPlanting, TheWindowLoadsNoneOfThem) {
  const unique_kernel_handle program = Start("Kelderwick.exe", "");
  ASSERT_TRUE(program);
  Window main{::GetProcessId(program.get())};
  const bool shown = test_support::WaitUntil(
      [&] { return !::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&main)) && main.found; }, 20000);
  if (shown) {
    ::Sleep(1500);  // the list is filled and its icons and version strings read once it is shown
    ::PostMessageW(main.found, WM_CLOSE, 0, 0);
  }
  const bool ended = ::WaitForSingleObject(program.get(), 15000) == WAIT_OBJECT_0;
  if (!ended) ::TerminateProcess(program.get(), 1);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(ended);
  EXPECT_EQ(Loaded(), std::vector<std::string>{});
}

}  // namespace
}  // namespace kw::win32
