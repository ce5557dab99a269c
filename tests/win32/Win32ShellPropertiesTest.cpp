// The shell's "Properties" verb through the real shell namespace of the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "GuiTestSupport.h"
#include "ShellTestSupport.h"
#include "entries/unitSysWorksProperties.h"
#include "platform/memory/MemoryMessageBoxes.h"
#include "platform/win32/Win32Platform.h"

namespace kw::win32 {
namespace {

using namespace test_support;

// Waits for a new window whose caption names file and closes it with its Cancel button;
// answers the caption it saw, or nothing when none came within timeoutMs.
std::future<std::string> CloseSheetNaming(const std::string& file, int timeoutMs) {
  const std::vector<HWND> before = ProcessWindows();
  return std::async(std::launch::async, [=] {
    const HWND sheet = WaitForWindow(
        [&](HWND w) {
          return std::find(before.begin(), before.end(), w) == before.end() &&
                 TextOf(w).find(file) != std::string::npos;
        },
        timeoutMs);
    if (!sheet) return std::string();
    const std::string caption = TextOf(sheet);
    PauseForScreenshot();
    ::PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (!WaitUntil([&] { return !::IsWindow(sheet); }, 3000)) ::PostMessageW(sheet, WM_CLOSE, 0, 0);
    return caption;
  });
}

TEST(Win32ShellProperties, AnExistingFileGetsItsPropertySheet) {
  ScratchFolder folder("props");
  ASSERT_TRUE(WriteBytes(folder / "sheet-test.txt", "some text"));
  Win32ShellProperties properties;
  // Windows shows the sheet on a thread of its own and returns at once; Wine's shell shows
  // it modally and returns when it is closed. Either way it is closed from here.
  auto closed = CloseSheetNaming("sheet-test.txt", 10000);
  EXPECT_TRUE(properties.ShowProperties(folder.path() + "\\", "sheet-test.txt", 0));
  EXPECT_NE(closed.get(), "") << "no property sheet came up";
}

TEST(Win32ShellProperties, MissingFilesAndFoldersAnswerFalse) {
  ScratchFolder folder("props");
  Win32ShellProperties properties;
  auto closed = CloseSheetNaming("missing", 1500);  // closes a sheet that should not be there
  EXPECT_FALSE(properties.ShowProperties(folder.path() + "\\", "missing.exe", 0));
  EXPECT_FALSE(properties.ShowProperties(folder.path() + "\\missing-folder\\", "missing.exe", 0));
  EXPECT_EQ(closed.get(), "");
}

TEST(Win32ShellProperties, EntriesWhoseFileIsGoneAreReported) {
  ScratchFolder folder("props");
  Win32Platform system;
  MemoryMessageBoxes boxes;
  Platform platform{system.registry, system.files,    system.shell,  boxes,
                    system.links,    system.folders,  system.versions, system.icons,
                    system.environment, system.properties, system.locks, system.tasks, system.signatures};
  auto closed = CloseSheetNaming("gone", 1500);
  TAppItem entry;
  entry.SetOrigin(orRegistryUser);
  entry.SetFullPath(folder / "gone.exe");
  EXPECT_FALSE(ShowFileProperties(entry, 0, platform));
  entry.SetFullPath("gone.exe");  // no folder part at all
  EXPECT_FALSE(ShowFileProperties(entry, 0, platform));
  EXPECT_EQ(closed.get(), "");
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const MessageRequest& box : boxes.shown) EXPECT_EQ(box.text, "Cannot retrieve object information");
}

}  // namespace
}  // namespace kw::win32
