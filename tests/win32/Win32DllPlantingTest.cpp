// Both programs, copied into a folder together with DLLs named like system libraries that are
// not on Windows' KnownDLLs list, load none of them: the loader is told to prefer a DLL
// found beside the program (as Windows' search order does) and each planted DLL leaves a
// marker file when it is loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "win32/GuiTestSupport.h"
#include "win32/ShellTestSupport.h"

namespace kw::win32 {
namespace {

// What either program, or the system libraries it uses, could ask for by name.
const std::vector<std::string> kPlanted = {
    "version",  "comctl32", "uxtheme", "dwmapi",   "cryptbase", "bcrypt",   "wintrust",      "crypt32",
    "propsys",  "msftedit", "riched20", "oleacc",  "winmm",     "userenv",  "profapi",       "sspicli",
    "secur32",  "winhttp",  "urlmon",  "iertutil", "dbghelp",   "apphelp",  "windowscodecs", "shdocvw",
    "mpr",      "netapi32", "msimg32", "ntmarta",  "textshaping", "explorerframe"};

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

class Win32DllPlanting : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.created());
    std::string overrides;
    for (const std::string& name : kPlanted) {
      ASSERT_TRUE(::CopyFileW(Wide(Beside("kw_marker.dll")).c_str(), Wide(folder / (name + ".dll")).c_str(), FALSE));
      overrides += (overrides.empty() ? "" : ",") + name;
    }
    for (const char* file : {"Kelderwick.exe", "KelderwickCmd.exe", "welcome.rtf", "welcome_rus.rtf"})
      ASSERT_TRUE(::CopyFileW(Wide(Beside(file)).c_str(), Wide(folder / file).c_str(), FALSE)) << file;
    // Wine reads its load order from the started program's environment: native (the planted
    // file, wherever the search finds one) before its own.
    ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", Wide(overrides + "=n,b").c_str());
  }
  void TearDown() override { ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", nullptr); }

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
    for (const std::string& name : kPlanted)
      if (test_support::FileExists(folder / (name + ".dll.loaded"))) loaded.push_back(name);
    return loaded;
  }

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
