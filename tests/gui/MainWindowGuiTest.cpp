// The real main window under Wine, driven by messages, checked against the registry and the
// Startup folders of the test prefix.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "GuiSupport.h"
#include "win32/SignedSamples.h"
#include "win32/ShellTestSupport.h"
#include "RegistryReadBack.h"
#include "StoreAppSeed.h"
#include "app/unitMain.h"
#include "app/win32/MainWindow.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
#include "platform/win32/Win32Platform.h"
#include "resource.h"
#include "util/unitDiskUtils.h"

namespace kw::gui {
namespace {

class MainWindowGui : public ::testing::Test {
 protected:
  void SetUp() override {
    CleanSystem();
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    programFolder = win32::Narrow(temp) + "kw-gui-program\\";
    ::CreateDirectoryW(win32::Wide(programFolder).c_str(), nullptr);
    system.files.WriteWholeFile(programFolder + "welcome.rtf", "{\\rtf1\\ansi Welcome to the test\\par}");
    system.files.WriteWholeFile(programFolder + "welcome_rus.rtf",
                                "{\\rtf1\\ansi \\u1044?\\u1086?\\u1073?\\u1088?\\u1086? test\\par}");
    userStartup = GetSpecialFolderPath(system.folders, kCsidlStartup);
    commonStartup = GetSpecialFolderPath(system.folders, kCsidlCommonStartup);
  }
  void TearDown() override {
    CloseWindow();
    CleanSystem();
  }

  // No Run values, no files in the Startup folders and no store.
  void CleanSystem() {
    win32::test_support::EmptyRunKeys(platform.registry);
    StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
    TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64).DeleteKey(kStartupApprovedKey);
    SetSwitchOffWithWindows(platform, false);
    for (int csidl : {kCsidlStartup, kCsidlCommonStartup}) {
      const std::string folder = GetSpecialFolderPath(system.folders, csidl);
      for (const std::string& file : ListFiles(system.files, folder + "\\*")) system.files.RemoveFile(file);
    }
  }
  void PutRun(RootKey root, const std::string& name, const std::string& data) {
    TRegistry reg(platform.registry, root);
    ASSERT_TRUE(reg.OpenKey(kRunKeyPath, true));
    reg.WriteString(name, data);
  }
  std::string RunValue(RootKey root, const std::string& name) {
    return testing::RunValue(platform.registry, root, name);
  }
  std::vector<std::string> StoredCaptions() { return testing::StoredCaptions(platform.registry); }

  // Opens the window and, unless told not to, waits until the entries' files have been read.
  void OpenWindow(bool waitForFiles = true) {
    ProgramValues values;
    values.ProgramFolder = programFolder;
    values.AppVersion = "2.0.0.1";
    values.LangCode = GetUserLanguage(system.environment);
    apps = std::make_unique<TAppList>();
    window = std::make_unique<app::MainWindow>(platform, *apps, values);
    ASSERT_TRUE(window->Create(::GetModuleHandleW(nullptr)));
    window->Show(SW_SHOWNORMAL);
    Pump();
    list = ListView{::GetDlgItem(window->hwnd(), IDC_MAIN_LIST)};
    if (waitForFiles) WaitForFiles();
  }
  void WaitForFiles() {
    for (int i = 0; i < 500 && window->Form().FilesStillToRead() > 0; ++i) Pump(20);
    ASSERT_EQ(window->Form().FilesStillToRead(), 0);
  }
  void CloseWindow() {
    if (window && window->hwnd()) ::DestroyWindow(window->hwnd());
    Pump(50);
    // The window posted WM_QUIT when it was destroyed; it must not end the next test's loop.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    window.reset();
  }
  std::string Status() {
    const HWND status = ::GetDlgItem(window->hwnd(), IDC_MAIN_STATUS);
    // The simple text is part 0 for one status bar and SB_SIMPLEID for another.
    wchar_t text[256] = {};
    ::SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    if (!text[0]) ::SendMessageW(status, SB_GETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text));
    return win32::Narrow(text);
  }
  std::string DisplayText() {
    return dynamic_cast<win32::Win32RichTextPane&>(window->Display()).PlainText();
  }
  void Toggle(const std::string& caption) {
    const int index = list.Find("  " + caption);
    ASSERT_GE(index, 0) << caption;
    list.Toggle(index);
    Pump();
  }

  win32::Win32Platform system;
  Platform platform = system.platform();
  std::string programFolder, userStartup, commonStartup;
  std::unique_ptr<TAppList> apps;
  std::unique_ptr<app::MainWindow> window;
  ListView list{nullptr};
};

const char kNotepad[] = "C:\\windows\\system32\\notepad.exe";

TEST_F(MainWindowGui, SeededEntriesAreListedInOrderTickedWithImages) {
  PutRun(kHkeyCurrentUser, "User Tool", "C:\\windows\\system32\\winver.exe /x");
  PutRun(kHkeyLocalMachine, "Machine Tool", std::string("\"") + kNotepad + "\" -min");
  ASSERT_EQ(system.links.Write(userStartup + "\\Pad.lnk", LinkData{kNotepad, "-a", 1, userStartup + "\\"}),
            LinkWriteResult::Written);
  OpenWindow();

  EXPECT_EQ(list.Captions(), (std::vector<std::string>{"  Machine Tool", "  User Tool", "  notepad.exe"}));
  for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.Checked(i)) << i;
  EXPECT_GE(list.Image(0), 0) << "notepad has an icon";
  EXPECT_GE(list.Image(2), 0);
  EXPECT_EQ(Status(), "3 applications found");
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_NE(DisplayText().find("Welcome to the test"), std::string::npos);
  EXPECT_EQ(WindowText(window->hwnd()), "Kelderwick");
}

TEST_F(MainWindowGui, SelectingAnItemShowsItsReportAndTheVerifiedPublisher) {
  using win32::test_support::SignedSamplePath;
  PutRun(kHkeyLocalMachine, "Pad", std::string("\"") + kNotepad + "\"  -q");
  PutRun(kHkeyCurrentUser, "Signed", "\"" + SignedSamplePath("signed.exe") + "\" /tray");
  PutRun(kHkeyCurrentUser, "Tampered", SignedSamplePath("tampered.exe"));
  PutRun(kHkeyCurrentUser, "Unsigned", SignedSamplePath("unsigned.exe"));
  PutRun(kHkeyCurrentUser, "Gone", "C:\\gone\\gone.exe");
  OpenWindow();
  const int pad = list.Find("  Pad"), signed_ = list.Find("  Signed"), tampered = list.Find("  Tampered"),
            unsigned_ = list.Find("  Unsigned"), gone = list.Find("  Gone");
  ASSERT_EQ(list.Count(), 5);
  ASSERT_TRUE(pad >= 0 && signed_ >= 0 && tampered >= 0 && unsigned_ >= 0 && gone >= 0);
  list.Select(pad);
  Pump();
  std::string report = DisplayText();
  EXPECT_NE(report.find(" Pad\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find(std::string("  Path:  ") + kNotepad), std::string::npos) << report;
  EXPECT_NE(report.find("  Arguments:  -q\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("  Found in:  Registry ( Common )"), std::string::npos) << report;
  EXPECT_NE(report.find("  Link File:  not applicable"), std::string::npos) << report;

  // Marks over the icons: none for the signed program, amber for unsigned and missing, red for
  // a program changed after it was signed.
  EXPECT_EQ(window->ItemMark(signed_), 0);
  EXPECT_EQ(window->ItemMark(tampered), 2);
  EXPECT_EQ(window->ItemMark(unsigned_), 1);
  EXPECT_EQ(window->ItemMark(gone), 1);
  const std::string claims = std::string(" (the file claims: ") + win32::test_support::kSampleCompany + ")\r\n";
  const std::pair<int, std::string> lines[] = {
      {signed_, std::string("  Verified publisher:  ") + win32::test_support::kSampleSigner + claims},
      {tampered, "  Verified publisher:  signature does not match the file" + claims},
      {unsigned_, "  Verified publisher:  not signed" + claims},
      {gone, "  Verified publisher:  file not found\r\n"}};
  for (const auto& [row, line] : lines) {
    list.Select(row);
    Pump();
    report = DisplayText();
    EXPECT_NE(report.find(line), std::string::npos) << report;
    EXPECT_LT(report.find("  Comments:  "), report.find(line)) << "after the version strings";
  }
}

TEST_F(MainWindowGui, AHugeValueIsShownCutWithoutHoldingUpTheWindow) {
  PutRun(kHkeyCurrentUser, "Huge", std::string("\"") + kNotepad + "\" " + std::string(1 << 20, 'x'));
  OpenWindow();
  const DWORD start = ::GetTickCount();
  list.Select(0);
  Pump();
  EXPECT_LT(::GetTickCount() - start, 3000u);
  EXPECT_NE(DisplayText().find("x\u2026 (1048576 characters)\r\n"), std::string::npos);
}

TEST_F(MainWindowGui, F5ReadsANewValueAndKeepsTheSelection) {
  PutRun(kHkeyCurrentUser, "Beta", kNotepad);
  PutRun(kHkeyCurrentUser, "Alpha", kNotepad);
  OpenWindow();
  const int beta = list.Find("  Beta");
  list.Select(beta);
  Pump();
  PutRun(kHkeyLocalMachine, "Behind", kNotepad);  // added behind the program's back
  list.Key(VK_F5);
  Pump();
  EXPECT_EQ(list.Count(), 3);
  ASSERT_GE(list.Selected(), 0);
  EXPECT_EQ(list.Caption(list.Selected()), "  Beta");
  EXPECT_EQ(Status(), "3 applications found");
  PutRun(kHkeyLocalMachine, "Later", kNotepad);
  list.Key(VK_F5, /*alt=*/true);  // modifiers make no difference
  Pump();
  EXPECT_EQ(list.Count(), 4);
}

TEST_F(MainWindowGui, UntickingAndTickingMovesEntriesBetweenTheSystemAndTheStore) {
  PutRun(kHkeyCurrentUser, "Runner", std::string("\"") + kNotepad + "\"  /r");
  ASSERT_EQ(system.links.Write(userStartup + "\\Linked.lnk",
                               LinkData{kNotepad, "C:\\notes.txt", 1, "C:\\windows\\"}),
            LinkWriteResult::Written);
  OpenWindow();
  ASSERT_EQ(list.Count(), 2);

  Toggle("Runner");
  Toggle("notepad.exe");
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Runner"), "<missing>");
  EXPECT_FALSE(system.files.FileExists(userStartup + "\\Linked.lnk"));
  auto stored = StoredCaptions();
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(stored, (std::vector<std::string>{"Runner", "notepad.exe"}));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_FALSE(list.Checked(0));
  EXPECT_FALSE(list.Checked(1));

  // Closing and starting the program again lists them, unticked.
  CloseWindow();
  OpenWindow();
  EXPECT_EQ(list.Count(), 2);
  Toggle("Runner");
  Toggle("notepad.exe");
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Runner"), std::string("\"") + kNotepad + "\"  /r");
  const LinkReadResult link = system.links.Read(userStartup + "\\Linked.lnk");
  ASSERT_TRUE(link.pathRead);
  EXPECT_TRUE(_stricmp(link.targetPath.c_str(), kNotepad) == 0) << link.targetPath;
  EXPECT_EQ(link.arguments, "C:\\notes.txt");
  EXPECT_TRUE(StoredCaptions().empty());
  EXPECT_TRUE(list.Checked(0) && list.Checked(1));
}

// A program that writes its value back after it was unticked: one ticked row marked as come
// back; unticked, Windows' switch keeps it off while the program rewrites it; ticked, on again.
// The Options menu's setting does the same for any entry at once.
TEST_F(MainWindowGui, AnEntryThatComesBackIsKeptOffWithWindowsSwitch) {
  const auto switchOf = [&](const std::string& key, const std::string& name) {
    TRegistry reg(platform.registry, kHkeyCurrentUser, RegView::Bits64);
    const auto value = reg.OpenKeyReadOnly(std::string(kStartupApprovedKey) + "\\" + key) ? reg.ReadValue(name)
                                                                                          : std::nullopt;
    return value && !value->data.empty() ? static_cast<int>(value->data[0]) : 0;
  };
  const std::string line = std::string("\"") + kNotepad + "\" /tray";
  PutRun(kHkeyCurrentUser, "Pushy", line);
  OpenWindow();
  Toggle("Pushy");
  for (const std::string& back : {line, line + " --updated"}) {
    PutRun(kHkeyCurrentUser, "Pushy", back);
    list.Key(VK_F5);
    WaitForFiles();
    ASSERT_EQ(list.Count(), 1) << back;
    EXPECT_TRUE(list.Checked(0));
    EXPECT_EQ(window->ItemMark(0) & kMarkCameBack, kMarkCameBack);
    list.Select(0);
    Pump();
    EXPECT_NE(DisplayText().find("Came back after you switched it off on "), std::string::npos) << DisplayText();
  }
  Toggle("Pushy");
  EXPECT_EQ(switchOf("Run", "Pushy"), 3);
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Pushy"), line + " --updated");
  EXPECT_TRUE(StoredCaptions().empty());
  PutRun(kHkeyCurrentUser, "Pushy", line + " --again");
  list.Key(VK_F5);
  Pump();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_FALSE(list.Checked(0));
  EXPECT_EQ(window->ItemMark(0) & kMarkCameBack, 0);
  Toggle("Pushy");
  EXPECT_EQ(switchOf("Run", "Pushy"), 2);
  EXPECT_TRUE(list.Checked(0));

  ASSERT_EQ(system.links.Write(userStartup + "\\Kept.lnk", LinkData{kNotepad, "", 1, ""}), LinkWriteResult::Written);
  ::SendMessageW(window->hwnd(), WM_COMMAND, IDM_WINDOWS_SWITCH, 0);
  EXPECT_TRUE(::GetMenuState(::GetMenu(window->hwnd()), IDM_WINDOWS_SWITCH, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(SwitchOffWithWindowsSet(platform));
  list.Key(VK_F5);
  Pump();
  Toggle("notepad.exe");
  EXPECT_EQ(switchOf("StartupFolder", "Kept.lnk"), 3);
  EXPECT_TRUE(system.files.FileExists(userStartup + "\\Kept.lnk"));
  EXPECT_TRUE(StoredCaptions().empty());
}

TEST_F(MainWindowGui, DeleteAsksFirstAndRemovesForGood) {
  PutRun(kHkeyCurrentUser, "Doomed", kNotepad);
  OpenWindow();
  list.Select(0);
  Pump();

  auto no = ClickButtonWhenShown("Confirm", "&No");
  list.Key(VK_DELETE);
  ASSERT_TRUE(PumpUntil(no));
  EXPECT_TRUE(no.get());
  Pump();
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Doomed"), kNotepad);
  auto altNo = ClickButtonWhenShown("Confirm", "&No");
  list.Key(VK_DELETE, /*alt=*/true);  // asks the same question
  ASSERT_TRUE(PumpUntil(altNo));
  EXPECT_TRUE(altNo.get());
  Pump();

  auto yes = ClickButtonWhenShown("Confirm", "&Yes");
  ::SendMessageW(window->hwnd(), WM_COMMAND, IDM_DELETE, 0);
  ASSERT_TRUE(PumpUntil(yes));
  EXPECT_TRUE(yes.get());
  Pump();
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Doomed"), "<missing>");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(StoredCaptions(), std::vector<std::string>{"<no store>"});
}

TEST_F(MainWindowGui, TheListComesAtOnceAndARefreshDeleteOrCloseMayCutTheReadingShort) {
  const char* programs[] = {kNotepad, "C:\\windows\\notepad.exe", "C:\\windows\\regedit.exe"};
  for (int i = 0; i < 60; ++i) PutRun(kHkeyCurrentUser, "Tool " + std::to_string(i), programs[i % 3]);
  OpenWindow(false);
  list.Key(VK_F5);
  EXPECT_EQ(list.Count(), 60) << "the list is there at once";
  EXPECT_EQ(Status(), "60 applications found");
  EXPECT_EQ(window->Form().FilesStillToRead(), 3 + 1)
      << "its three files and the packages' manifests come when the window's messages are handled";
  list.Key(VK_F5);  // drops the reading under way
  list.Select(1);
  auto yes = ClickButtonWhenShown("Confirm", "&Yes");
  list.Key(VK_DELETE);
  ASSERT_TRUE(PumpUntil(yes));
  WaitForFiles();
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Tool 1"), "<missing>");
  ASSERT_EQ(list.Count(), 59);
  for (int i = 0; i < list.Count(); ++i) EXPECT_GE(list.Image(i), 0) << i;

  list.Key(VK_F5);
  CloseWindow();  // with the reading under way
}

// A Store app's startup task comes into the list once its manifest has been read off the
// window's thread, and its check box switches the state Windows keeps for it.
TEST_F(MainWindowGui, AStoreAppsTaskArrivesAndItsBoxSwitchesItsState) {
  PutRun(kHkeyCurrentUser, "Runner", kNotepad);
  const std::string fullName = testing::PackageFullName("Orrin.Chat"), folder = programFolder + fullName;
  ASSERT_TRUE(::CreateDirectoryW(win32::Wide(folder).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(system.files.WriteWholeFile(folder + "\\AppxManifest.xml",
                                          testing::PackageManifestXml("Orrin.Chat", "Chat", {{"ChatTask", "Orrin Chat", "", true}})));
  testing::RegisterPackage(platform.registry, fullName, folder);
  const auto removePackage = [&] {
    TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64).DeleteKey(std::string(kPackageRepositoryKey) + "\\" + fullName);
    TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64)
        .DeleteKey(std::string(kPackageAppDataKey) + "\\" + PackageFamilyName(fullName));
  };
  OpenWindow();
  EXPECT_EQ(list.Captions(), (std::vector<std::string>{"  Runner", "  Orrin Chat"}));
  EXPECT_TRUE(list.Checked(1));
  const HWND toolbar = ::GetDlgItem(window->hwnd(), IDC_MAIN_TOOLBAR);
  list.Select(1);
  EXPECT_FALSE(::SendMessageW(toolbar, TB_ISBUTTONENABLED, IDM_DELETE, 0)) << "a Store app's task is not deleted";
  list.Select(0);
  EXPECT_TRUE(::SendMessageW(toolbar, TB_ISBUTTONENABLED, IDM_DELETE, 0));
  Toggle("Orrin Chat");
  WaitForFiles();
  EXPECT_EQ(testing::TaskStateNow(platform.registry, fullName, "ChatTask"), "1");
  EXPECT_FALSE(list.Checked(list.Find("  Orrin Chat")));
  Toggle("Orrin Chat");
  WaitForFiles();
  EXPECT_EQ(testing::TaskStateNow(platform.registry, fullName, "ChatTask"), "2");
  EXPECT_TRUE(list.Checked(list.Find("  Orrin Chat")));
  EXPECT_EQ(StoredCaptions(), std::vector<std::string>{"<no store>"});
  removePackage();
}

TEST_F(MainWindowGui, SelectingAnEntrySwitchedOffByWindowsLeavesItAsItIs) {
  PutRun(kHkeyCurrentUser, "On", kNotepad);
  PutRun(kHkeyCurrentUser, "Off by Windows", kNotepad);
  TRegistry reg(platform.registry, kHkeyCurrentUser, RegView::Bits64);
  ASSERT_TRUE(reg.OpenKey(std::string(kStartupApprovedKey) + "\\Run", true));
  reg.WriteValue("Off by Windows", RegValue{kRegBinary, std::string("\x03\0\0\0\0\0\0\0\0\0\0\0", 12)});
  OpenWindow();
  // The list view reports the new selection around the old one's deselection: the ticked
  // box of the old one is no click on the new one.
  const int on = list.Find("  On"), off = list.Find("  Off by Windows");
  ASSERT_TRUE(list.Checked(on));
  ASSERT_FALSE(list.Checked(off));
  list.Select(on);
  list.Select(off);
  Pump();
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Off by Windows"), kNotepad);
  EXPECT_EQ(StoredCaptions(), std::vector<std::string>{"<no store>"});
  EXPECT_FALSE(list.Checked(list.Find("  Off by Windows")));
}

TEST_F(MainWindowGui, ACyrillicEntrySurvivesARoundTripByteExact) {
  const std::string name = "Заметки ёЁ";
  const std::string data = "\"C:\\windows\\notepad.exe\"  C:\\users\\Public\\заметки.txt";
  PutRun(kHkeyCurrentUser, name, data);
  OpenWindow();
  EXPECT_EQ(list.Caption(0), "  " + name);
  Toggle(name);
  EXPECT_EQ(StoredCaptions(), std::vector<std::string>{name});
  Toggle(name);
  EXPECT_EQ(RunValue(kHkeyCurrentUser, name), data);
}

// Run with LC_ALL=ru_RU.UTF-8 (scripts/test does) to see the Russian welcome text; under any
// other locale the English one is checked.
TEST_F(MainWindowGui, TheWelcomeTextFollowsTheUsersLanguage) {
  OpenWindow();
  const bool russian = system.environment.UserLanguageName() == "Russian";
  const std::string expected = russian ? "Добро test" : "Welcome to the test";
  EXPECT_NE(DisplayText().find(expected), std::string::npos) << DisplayText();
  if (const char* wanted = std::getenv("KW_EXPECT_LANGUAGE")) {
    EXPECT_EQ(system.environment.UserLanguageName(), wanted);
  }
}

}  // namespace
}  // namespace kw::gui
