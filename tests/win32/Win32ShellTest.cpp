// Opening a program through the shell: from this process, or from the desktop's own shell
// process, which an elevated program uses so that what it opens runs without its rights.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/win32/Handles.h"
#include "platform/win32/Win32Shell.h"
#include "win32/GuiTestSupport.h"

namespace kw::win32 {
namespace {

struct Started {
  DWORD process = 0, parent = 0;
};

std::set<DWORD> Notepads(Started* newOne = nullptr, const std::set<DWORD>& before = {}) {
  std::set<DWORD> found;
  unique_file snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::lstrcmpiW(entry.szExeFile, L"notepad.exe") != 0) continue;
    found.insert(entry.th32ProcessID);
    if (newOne && !before.count(entry.th32ProcessID)) *newOne = {entry.th32ProcessID, entry.th32ParentProcessID};
  }
  return found;
}

// The notepad that opening starts: which process started it. It is ended again.
Started StartedBy(const std::function<bool()>& open) {
  const std::set<DWORD> before = Notepads();
  Started started;
  if (!open() || !test_support::WaitUntil([&] { return Notepads(&started, before), started.process != 0; }, 15000))
    return {};
  unique_kernel_handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, started.process));
  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), 5000);
  return started;
}

TEST(Win32Shell, OpensInThisProcessOrThroughTheDesktopsShellWhenElevated) {
  Win32Shell shell;
  const DWORD self = ::GetCurrentProcessId();
  EXPECT_EQ(StartedBy([&] { return shell.OpenInThisProcess("notepad.exe", "", "", SW_SHOWMINNOACTIVE) > 32; }).parent,
            self);

  const Started viaDesktop =
      StartedBy([] { return Win32Shell::OpenThroughDesktop("notepad.exe", "", "", SW_SHOWMINNOACTIVE); });
  ASSERT_NE(viaDesktop.process, 0u);
  EXPECT_NE(viaDesktop.parent, self);

  // Open takes the desktop's way exactly when this process is elevated (always under Wine).
  const Started opened = StartedBy([&] { return shell.Open("notepad.exe", "", "", SW_SHOWMINNOACTIVE) > 32; });
  ASSERT_NE(opened.process, 0u);
  EXPECT_EQ(opened.parent, Win32Shell::IsElevated() ? viaDesktop.parent : self);
}

}  // namespace
}  // namespace kw::win32
