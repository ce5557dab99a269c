// A bounded soak of the real main window under Wine: a seeded random run of disables, enables,
// deletes and adds (with, now and then, a Run value that a program puts back by itself or changes
// behind the list's back), driven through the list view, the keyboard and the commands as a user would,
// and checked after every step against a model of what the Run, RunOnce and policy keys, the two
// Startup folders, the store, Windows' own switches and the list must hold. KW_SOAK_STEPS and KW_SOAK_SEED change the run; KW_SOAK_TRACE
// prints each step.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "GuiSupport.h"
#include "win32/ShellTestSupport.h"
#include "app/win32/MainWindow.h"
#include "dialogs/unitAddApp.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryMessageBoxes.h"
#include "platform/win32/Win32Platform.h"
#include "resource.h"
#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"

namespace kw::gui {
namespace {

int EnvironmentNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

// Closes any real message box of this process that shows up (an error no handler caught
// ends up in one) and remembers its text: the soak fails on it instead of hanging.
class BoxWatchdog {
 public:
  BoxWatchdog() : thread_([this] { Run(); }) {}
  ~BoxWatchdog() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::string> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Run() {
    while (!stop_) {
      HWND box = nullptr;
      while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(box, &process);
        if (process != ::GetCurrentProcessId() || !::IsWindowVisible(box)) continue;
        std::string text = WindowText(box) + ":";
        for (HWND child = nullptr; (child = ::FindWindowExW(box, child, L"Static", nullptr)) != nullptr;)
          text += " " + WindowText(child);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          seen_.push_back(text);
        }
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ::PostMessageW(box, WM_CLOSE, 0, 0);
      }
      ::Sleep(100);
    }
  }

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::thread thread_;
};

// Runs what the window posted to itself (the action behind a check box), without waiting.
void Drain() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// What the Add dialog's controls hold when the user presses Add.
class ScriptedAddView : public AddAppView {
 public:
  std::string chosen, arguments;
  int origin = 0, showCmd = 0;
  void SetAppPathText(const std::string&) override {}
  std::string ArgumentsText() override { return arguments; }
  void SetArgumentsText(const std::string&) override {}
  int OriginIndex() override { return origin; }
  void SetOriginIndex(int) override {}
  int ShowCmdIndex() override { return showCmd; }
  void SetShowCmdIndex(int) override {}
  std::optional<std::string> RunOpenDialog(const std::string&) override { return chosen; }
};

// One entry as the system must hold it.
struct Expected {
  std::string caption;  // unique in the model
  int origin;
  std::string program;
  std::string arguments;  // as the user gave them, without surrounding blanks
  std::string linkFile;   // shortcuts only
  std::string linkBytes;  // shortcuts seeded as files, and other files: the file as it must read now
  std::string runData;    // Run values only: the value as it must read now
  bool enabled = true;
  bool rundll = false;      // a command line the DLL runner runs: written back as found
  bool view32 = false;      // a machine-wide Run value of the 32-bit registry view
  bool windowsOff = false;  // switched off by Windows' own startup settings, still in place
  bool plainFile = false;   // a Startup-folder file that is not a shortcut: never stored
  bool cameBack = false;    // put back by its program after it was stored: listed once, ticked
  std::string storedArguments;  // of the stored copy of an entry that came back
};

bool IsRun(int origin) { return IsRegistryOrigin(origin); }
RootKey RunRoot(int origin) { return RegistryRootOf(origin); }
RegView ViewOf(const Expected& entry) {
  if (!IsMachineOrigin(entry.origin) || !IsRun(entry.origin)) return RegView::Native;
  return entry.view32 ? RegView::Bits32 : RegView::Bits64;
}
// Whether Windows' startup settings keep a switch for the entry's place.
bool HasSwitch(const Expected& entry) { return entry.origin <= orStartupUser; }
// The position of an entry's group in the list: the machine's Run key in the program's own
// (64-bit) view and in the 32-bit view, the user's, the two folders, the machine's RunOnce key in
// both views, the user's, the two policy keys, the store.
int Group(const Expected& entry) {
  if (!entry.enabled) return 10;
  switch (entry.origin) {
    case orRegistryCommon: return entry.view32 ? 1 : 0;
    case orRunOnceCommon: return entry.view32 ? 6 : 5;
    case orRunOnceUser: return 7;
    case orPolicyCommon: return 8;
    case orPolicyUser: return 9;
    default: return entry.origin + 1;
  }
}
// Where Windows' startup setting of an entry is kept, and under which name.
std::pair<RootKey, std::string> SwitchKey(const Expected& entry) {
  const std::string base = std::string(kStartupApprovedKey) + "\\";
  switch (entry.origin) {
    case orRegistryCommon: return {kHkeyLocalMachine, base + (entry.view32 ? "Run32" : "Run")};
    case orRegistryUser: return {kHkeyCurrentUser, base + "Run"};
    case orStartupCommon: return {kHkeyLocalMachine, base + "StartupFolder"};
    default: return {kHkeyCurrentUser, base + "StartupFolder"};
  }
}
// A stored entry its program may write back: a Run value or shortcut (not the DLL runner's).
bool CanComeBack(const Expected* entry) { return !entry->enabled && HasSwitch(*entry) && !entry->rundll; }
std::string SwitchName(const Expected& entry) { return IsRun(entry.origin) ? entry.caption : ExtractFileName(entry.linkFile); }

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    programFolder = win32::Narrow(temp) + "kw-soak-program\\";
    programs = win32::Narrow(temp) + "kw-soak-programs\\";
    ::CreateDirectoryW(win32::Wide(programFolder).c_str(), nullptr);
    ::CreateDirectoryW(win32::Wide(programs).c_str(), nullptr);
    system.files.WriteWholeFile(programFolder + "welcome.rtf", "{\\rtf1\\ansi Soak\\par}");
    wchar_t systemFolder[MAX_PATH + 1] = {};
    ::GetSystemDirectoryW(systemFolder, MAX_PATH);
    source = win32::Narrow(systemFolder) + "\\notepad.exe";
    user = GetSpecialFolderPath(system.folders, kCsidlStartup);
    common = GetSpecialFolderPath(system.folders, kCsidlCommonStartup);
    Clean();
  }
  void TearDown() override {
    if (window && window->hwnd()) ::DestroyWindow(window->hwnd());
    Drain();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    window.reset();
    Clean();
    for (const std::string& file : madeFiles) system.files.RemoveFile(file);
  }

  void Clean() {
    win32::test_support::EmptyRunKeys(platform.registry);
    for (RootKey root : {kHkeyLocalMachine, kHkeyCurrentUser})
      TRegistry(platform.registry, root, RegView::Bits64).DeleteKey(kStartupApprovedKey);
    StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
    SetSwitchOffWithWindows(platform, false);
    for (const std::string& folder : {user, common})
      for (const std::string& file : ListFiles(system.files, folder + "\\*")) system.files.RemoveFile(file);
  }

  // A program file of its own (a link to a real program, so version strings and icons are read).
  std::string NewProgram(const std::string& stem) {
    const std::string path = programs + stem + ".exe";
    const std::wstring wide = win32::Wide(path), from = win32::Wide(source);
    if (!system.files.FileExists(path) && !::CreateHardLinkW(wide.c_str(), from.c_str(), nullptr))
      ::CopyFileW(from.c_str(), wide.c_str(), FALSE);
    madeFiles.push_back(path);
    return path;
  }
  std::string Fresh(const char* prefix) {
    ++made;
    // Every fifth name is Cyrillic, for the text round trips.
    return (made % 5 == 0 ? std::string("Программа ") : std::string(prefix)) + std::to_string(made);
  }

  void SeedRun(int origin, bool view32 = false) {
    Expected entry;
    entry.origin = origin;
    // 32-bit Windows has one view; the machine's policy is read in the 64-bit one.
    entry.view32 = (origin == orRegistryCommon || origin == orRunOnceCommon) && view32 && windows64;
    entry.caption = Fresh("Run ");
    entry.program = NewProgram("run-" + std::to_string(made));
    entry.arguments = made % 3 == 0 ? "" : "/tray " + std::to_string(made);
    entry.runData = "\"" + entry.program + "\"" + (entry.arguments.empty() ? "" : " " + entry.arguments);
    TRegistry reg(platform.registry, RunRoot(origin), ViewOf(entry));
    ASSERT_TRUE(reg.OpenKey(RegistryKeyOf(origin), true));
    reg.WriteString(entry.caption, entry.runData);
    model.push_back(entry);
  }
  // A file of a Startup folder that is not a shortcut: a script, opened by its type's program.
  void SeedFile(int origin) {
    Expected entry;
    entry.origin = origin;
    entry.plainFile = true;
    entry.caption = Fresh("script ") + (made % 2 ? ".cmd" : ".bat");
    entry.linkFile = (origin == orStartupCommon ? common : user) + "\\" + entry.caption;
    entry.program = entry.linkFile;
    entry.linkBytes = "@echo " + entry.caption + "\r\n";
    ASSERT_TRUE(system.files.WriteWholeFile(entry.linkFile, entry.linkBytes));
    model.push_back(entry);
  }
  void SeedRunDll() {
    Expected entry;
    entry.origin = orRegistryCommon;
    entry.caption = "Display Settings";
    entry.program = "shell32.dll";
    entry.arguments = "shell32.dll,Control_RunDLL desk.cpl";
    entry.runData = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl";
    entry.rundll = true;
    TRegistry reg(platform.registry, kHkeyLocalMachine);
    ASSERT_TRUE(reg.OpenKey(kRunKeyPath, true));
    reg.WriteString(entry.caption, entry.runData);
    model.push_back(entry);
  }
  void SeedLink(int origin) {
    Expected entry;
    entry.origin = origin;
    const std::string stem = Fresh("tool-");
    entry.program = NewProgram(stem);
    entry.caption = stem + ".exe";
    entry.arguments = made % 4 == 0 ? "" : "-a " + std::to_string(made);
    const std::string folder = origin == orStartupCommon ? common : user;
    entry.linkFile = folder + "\\Soak link " + std::to_string(made) + ".lnk";
    const LinkData link{entry.program, entry.arguments, kSwShowNormal, folder + "\\"};
    ASSERT_EQ(system.links.Write(entry.linkFile, link), LinkWriteResult::Written);
    entry.linkBytes = system.files.ReadWholeFile(entry.linkFile).value_or("");
    model.push_back(entry);
  }

  void OpenWindow() {
    ProgramValues values;
    values.ProgramFolder = programFolder;
    window = std::make_unique<app::MainWindow>(platform, apps, values);
    window->showAddDialog = [this](HWND) { return ScriptedAdd(); };
    ASSERT_TRUE(window->Create(::GetModuleHandleW(nullptr)));
    window->Show(SW_SHOWNORMAL);
    Drain();
    list = ListView{::GetDlgItem(window->hwnd(), IDC_MAIN_LIST)};
  }

  // What the Add dialog does when the user chooses a file, types arguments, picks the folder
  // and presses Add; a refused Add keeps the dialog open and the user then cancels.
  bool ScriptedAdd() {
    ScriptedAddView view;
    addDialog.FormShow(view);
    view.chosen = nextAdd.program;
    view.arguments = nextAdd.arguments;
    view.origin = nextAdd.origin == orStartupUser ? 1 : 0;
    view.showCmd = static_cast<int>(made % 3);
    addDialog.btBrowseClick(view);
    addDialog.btAddClick(view);
    if (addDialog.FormCloseQuery()) {
      addDialog.FormClose(view);
      return true;
    }
    EXPECT_TRUE(addDialog.FormCloseQuery());  // Cancel
    addDialog.FormClose(view);
    return false;
  }

  // Entries shown ticked (enabled), unticked (disabled: stored or switched off by Windows),
  // or all of them.
  std::vector<Expected*> Pick(bool ticked, bool any = false) {
    std::vector<Expected*> found;
    for (Expected& entry : model)
      if (any || (entry.enabled && !entry.windowsOff) == ticked) found.push_back(&entry);
    return found;
  }
  int ListIndex(const Expected& entry) { return list.Find("  " + entry.caption); }

  // ---- the check after every step ----

  ::testing::AssertionResult Check() {
    std::string problems;
    auto expect = [&](bool ok, const std::string& what) {
      if (!ok) problems += "\n  " + what;
    };

    // The Run keys, in both views of the machine's on 64-bit Windows, hold exactly the enabled
    // Run entries. 32-bit Windows has one view (which the 64-bit view's flag also opens), and
    // nothing makes a WOW6432Node there.
    std::vector<std::pair<RootKey, RegView>> runKeys = {{kHkeyLocalMachine, RegView::Bits64}, {kHkeyCurrentUser, RegView::Native}};
    if (windows64) runKeys = {{kHkeyLocalMachine, RegView::Bits64}, {kHkeyLocalMachine, RegView::Bits32},
                              {kHkeyCurrentUser, RegView::Native}};
    else expect(!TRegistry(platform.registry, kHkeyLocalMachine).KeyExists("SOFTWARE\\WOW6432Node"),
                "a WOW6432Node key is there on 32-bit Windows");
    for (const auto& [root, view] : runKeys)
    for (const char* key : {kRunKeyPath, kRunOnceKeyPath, kPolicyRunKeyPath}) {
      // The machine's policy key is one key in both views (Windows shares it between them).
      if (root == kHkeyLocalMachine && view == RegView::Bits32 && key == kPolicyRunKeyPath) continue;
      std::map<std::string, std::string> want, have;
      for (const Expected& entry : model)
        if (entry.enabled && IsRun(entry.origin) && RunRoot(entry.origin) == root && ViewOf(entry) == view &&
            SameText(RegistryKeyOf(entry.origin), key))
          want[entry.caption] = entry.runData;
      TRegistry reg(platform.registry, root, view);
      if (reg.OpenKey(key, false))
        for (const std::string& name : reg.GetValueNames()) have[name] = reg.ReadString(name);
      for (const auto& [name, data] : want)
        expect(have.count(name) && have[name] == data, "Run value '" + name + "': want [" + data + "], have [" +
                                                           (have.count(name) ? have[name] : "missing") + "]");
      for (const auto& [name, data] : have) expect(want.count(name), "Run value '" + name + "' should not be there");
    }

    // The Startup folders hold exactly the enabled shortcuts, each with its target and arguments,
    // and the other files, each as it was made.
    std::map<std::string, const Expected*> wantLinks;
    for (const Expected& entry : model)
      if (entry.enabled && !IsRun(entry.origin)) wantLinks[FoldCase(entry.linkFile)] = &entry;
    std::set<std::string> haveLinks;
    for (const std::string& folder : {common, user})
      for (const std::string& file : ListFiles(system.files, folder + "\\*")) {
        haveLinks.insert(FoldCase(file));
        const auto want = wantLinks.find(FoldCase(file));
        if (want == wantLinks.end()) {
          expect(false, "file " + file + " should not be there");
          continue;
        }
        if (want->second->plainFile) {
          expect(system.files.ReadWholeFile(file) == want->second->linkBytes, "file " + file + " has changed");
          continue;
        }
        const LinkReadResult link = system.links.Read(file);
        expect(link.pathRead && SameText(link.targetPath, want->second->program),
               "shortcut " + file + " starts [" + link.targetPath + "]");
        expect(link.arguments == want->second->arguments,
               "shortcut " + file + " has the arguments [" + link.arguments + "]");
        expect(want->second->linkBytes.empty() || system.files.ReadWholeFile(file) == want->second->linkBytes,
               "shortcut " + file + " is not byte for byte as it was made");
      }
    for (const auto& [file, entry] : wantLinks)
      expect(haveLinks.count(file), "shortcut " + entry->linkFile + " is missing");

    // The store holds exactly the disabled entries, with what enabling them needs.
    std::map<std::string, const Expected*> wantStored;
    for (const Expected& entry : model)
      if (!entry.enabled || entry.cameBack) wantStored[entry.caption] = &entry;
    std::set<std::string> haveStored;
    TRegistry store = StoreRegistry(platform.registry);
    if (store.OpenKey(kDisabledAppsKey, false)) {
      for (const std::string& subkey : store.GetKeyNames()) {
        TRegistry reg = StoreRegistry(platform.registry);
        if (!reg.OpenKey(std::string(kDisabledAppsKey) + "\\" + subkey, false)) {
          expect(false, "stored entry " + subkey + " cannot be opened");
          continue;
        }
        const std::string caption = reg.ReadString("Caption");
        const auto want = wantStored.find(caption);
        if (want == wantStored.end() || !haveStored.insert(caption).second) {
          expect(false, "stored entry '" + caption + "' (" + subkey + ") should not be there");
          continue;
        }
        const Expected& entry = *want->second;
        expect(reg.ReadString("Enabled") == "FALSE", "stored '" + caption + "' is not marked disabled");
        expect(reg.ReadString("Origin") == std::to_string(entry.origin), "stored '" + caption + "' has another origin");
        expect(SameText(reg.ReadString("FullPath"), entry.program),
               "stored '" + caption + "' starts [" + reg.ReadString("FullPath") + "]");
        expect(Trim(reg.ReadString("Arguments")) == (entry.cameBack ? entry.storedArguments : entry.arguments),
               "stored '" + caption + "' has the arguments [" + reg.ReadString("Arguments") + "]");
        expect(SameText(reg.ReadString("LinkFile"), entry.linkFile), "stored '" + caption + "' has another link file");
        // Also when unticked before its file had been read in the background.
        const std::string expanded = reg.ReadString("ExpandedPath");
        const std::string version = ReadFileVersion(platform.versions, expanded.empty() ? reg.ReadString("FullPath") : expanded);
        expect(reg.ReadString("FileVersion") == version,
               "stored '" + caption + "' has the file version [" + reg.ReadString("FileVersion") + "], not [" + version + "]");
      }
    }
    for (const auto& [caption, entry] : wantStored)
      expect(haveStored.count(caption), "stored entry '" + caption + "' is missing");

    // Windows' startup settings say off exactly for the entries it switched off.
    std::set<std::string> wantOff, haveOff;
    for (const Expected& entry : model)
      if (entry.windowsOff) wantOff.insert(FoldCase(SwitchKey(entry).second + "|" + SwitchName(entry)));
    for (RootKey root : {kHkeyLocalMachine, kHkeyCurrentUser})
      for (const char* key : {"Run", "Run32", "StartupFolder"}) {
        TRegistry reg(platform.registry, root, RegView::Bits64);
        const std::string path = std::string(kStartupApprovedKey) + "\\" + key;
        if (!reg.OpenKeyReadOnly(path)) continue;
        for (const std::string& name : reg.GetValueNames())
          if (DecodeStartupSwitch(*reg.ReadValue(name)).off) haveOff.insert(FoldCase(path + "|" + name));
      }
    expect(wantOff == haveOff, "Windows' startup settings switch off other entries than expected");

    // The list shows every entry once, ticked as it is, in the order of its place.
    expect(list.Count() == static_cast<int>(model.size()),
           "the list has " + std::to_string(list.Count()) + " items for " + std::to_string(model.size()) + " entries");
    int lastGroup = -1;
    for (int i = 0; i < list.Count(); ++i) {
      const std::string caption = list.Caption(i);
      const Expected* entry = nullptr;
      for (const Expected& e : model)
        if ("  " + e.caption == caption) entry = &e;
      if (!entry) {
        expect(false, "the list shows" + caption + ", which is not an entry");
        continue;
      }
      expect(list.Checked(i) == (entry->enabled && !entry->windowsOff), "the check box of" + caption + " is wrong");
      expect(((window->ItemMark(i) & kMarkCameBack) != 0) == entry->cameBack, caption + " is marked wrongly as come back");
      expect(Group(*entry) >= lastGroup, caption + " is listed out of order");
      lastGroup = Group(*entry);
    }

    const auto boxes = watchdog.Seen();
    for (const std::string& box : boxes) expect(false, "a message box showed up: " + box);
    if (problems.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problems;
  }

  win32::Win32Platform system;
  MemoryMessageBoxes boxes;  // the confirmation and error boxes answer from a script
  Platform platform{system.registry, system.files,  system.shell,       boxes,
                    system.links,    system.folders, system.versions,   system.icons,
                    system.environment, system.properties, system.locks, system.tasks, system.signatures};
  TdlgAddApp addDialog{platform};
  Expected nextAdd;
  std::string programFolder, programs, source, user, common;
  TAppList apps;
  std::unique_ptr<app::MainWindow> window;
  ListView list{nullptr};
  const bool windows64 = system.environment.Windows64();
  std::vector<Expected> model;
  bool windowsSwitch = false;  // the Options menu's "Switch entries off with Windows' own switch"
  int made = 0;
  std::vector<std::string> madeFiles;
  BoxWatchdog watchdog;
};

TEST_F(Soak, ThousandRandomOperationsKeepTheSystemTheStoreAndTheListInStep) {
  const int steps = EnvironmentNumber("KW_SOAK_STEPS", 1000);
  const auto seed = static_cast<std::uint32_t>(EnvironmentNumber("KW_SOAK_SEED", 20240611));
  std::mt19937 random(seed);
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };

  SeedRunDll();
  for (int i = 0; i < 2; ++i) {
    SeedRun(orRegistryCommon);
    SeedRun(orRegistryCommon, true);
    SeedRun(orRegistryUser);
    SeedLink(orStartupCommon);
    SeedLink(orStartupUser);
  }
  SeedRun(orRunOnceCommon);
  SeedRun(orRunOnceCommon, true);
  SeedRun(orRunOnceUser);
  SeedRun(orPolicyCommon);
  SeedRun(orPolicyUser);
  SeedFile(orStartupCommon);
  SeedFile(orStartupUser);
  ASSERT_FALSE(HasFatalFailure());
  OpenWindow();
  ASSERT_TRUE(Check()) << "after start";

  std::map<std::string, int> done;
  const auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration checking{};
  for (int step = 1; step <= steps; ++step) {
    std::string what, kind;
    std::vector<std::string> expectedBoxes;  // what the scripted boxes must have been asked
    boxes.shown.clear();
    const int roll = static_cast<int>(random() % 100);
    const auto enabled = Pick(true), disabled = Pick(false);
    const auto runs = std::count_if(model.begin(), model.end(), [](const Expected& e) { return IsRun(e.origin); });

    if (runs < 3) {
      // A program puts a Run value of its own in place; the user presses F5.
      kind = "Run values put back by a program";
      what = "a program adds a Run value, F5";
      const int origins[] = {orRegistryCommon, orRegistryUser, orRunOnceCommon, orRunOnceUser, orPolicyCommon, orPolicyUser};
      SeedRun(origins[random() % 6], chance(50));
      ASSERT_FALSE(HasFatalFailure());
      list.Key(VK_F5);
    } else if (roll >= 94 && std::any_of(enabled.begin(), enabled.end(), [](auto* e) { return HasSwitch(*e) && !e->cameBack; })) {
      // Windows' own startup settings switch an entry off (as its Task Manager does); after F5
      // it is listed unticked, in its place.
      std::vector<Expected*> switchable;
      for (Expected* e : enabled)
        if (HasSwitch(*e) && !e->cameBack) switchable.push_back(e);
      Expected& entry = *switchable[random() % switchable.size()];
      kind = "switched off by Windows, F5";
      what = "Windows switches '" + entry.caption + "' off, F5";
      const auto [root, key] = SwitchKey(entry);
      TRegistry reg(platform.registry, root, RegView::Bits64);
      ASSERT_TRUE(reg.OpenKey(key, true));
      reg.WriteValue(SwitchName(entry), RegValue{kRegBinary, std::string("\x03\0\0\0\x00\xf4\x65\xc4\x86\xa9\xdc\x01", 12)});
      entry.windowsOff = true;
      list.Key(VK_F5);
    } else if (roll < 6 && std::any_of(enabled.begin(), enabled.end(), [](auto* e) { return IsRun(e->origin); })) {
      // Another program changes a Run value behind the list's back; unticking the entry then
      // leaves the new value alone and says so.
      std::vector<Expected*> runs;
      for (Expected* e : enabled)
        if (IsRun(e->origin)) runs.push_back(e);
      Expected& entry = *runs[random() % runs.size()];
      kind = "changed behind the list, then unticked";
      what = "a program changes '" + entry.caption + "', untick it";
      entry.arguments = "--changed " + std::to_string(step);
      entry.runData = "\"" + entry.program + "\" " + entry.arguments;
      TRegistry reg(platform.registry, RunRoot(entry.origin), ViewOf(entry));
      ASSERT_TRUE(reg.OpenKey(RegistryKeyOf(entry.origin), false));
      reg.WriteString(entry.caption, entry.runData);
      expectedBoxes = {"'" + entry.caption +
                       "' has been changed by another program since the list was shown. Nothing was changed; the "
                       "list is read again."};
      const int index = ListIndex(entry);
      ASSERT_GE(index, 0) << what;
      list.Toggle(index);
      Drain();
      entry.rundll = false;
    } else if (roll >= 88 && std::any_of(disabled.begin(), disabled.end(), CanComeBack)) {
      // A program writes its stored entry back, with its arguments or new ones; after F5 it is
      // listed once, ticked, as come back.
      std::vector<Expected*> stored;
      for (Expected* e : disabled)
        if (CanComeBack(e)) stored.push_back(e);
      Expected& entry = *stored[random() % stored.size()];
      kind = "put back by its program, F5";
      what = "a program puts '" + entry.caption + "' back, F5";
      entry.storedArguments = entry.arguments;
      if (chance(50)) entry.arguments = "--back " + std::to_string(step);
      if (IsRun(entry.origin)) {
        entry.runData = "\"" + entry.program + "\"" + (entry.arguments.empty() ? "" : " " + entry.arguments);
        TRegistry reg(platform.registry, RunRoot(entry.origin), ViewOf(entry));
        ASSERT_TRUE(reg.OpenKey(RegistryKeyOf(entry.origin), true));
        reg.WriteString(entry.caption, entry.runData);
      } else {
        const LinkData link{entry.program, entry.arguments, kSwShowNormal, ExtractFilePath(entry.linkFile)};
        ASSERT_EQ(system.links.Write(entry.linkFile, link), LinkWriteResult::Written);
        entry.linkBytes = system.files.ReadWholeFile(entry.linkFile).value_or("");
      }
      entry.enabled = entry.cameBack = true;
      list.Key(VK_F5);
    } else if (roll == 87) {
      kind = "setting switched over";
      what = "Options, Switch entries off with Windows' own switch";
      ::SendMessageW(window->hwnd(), WM_COMMAND, IDM_WINDOWS_SWITCH, 0);
      windowsSwitch = !windowsSwitch;
} else if ((roll < 30 && !enabled.empty()) || (disabled.empty() && roll < 60)) {
      Expected& entry = *enabled[random() % enabled.size()];
      // Now and then right after F5, while the entries' files are still being read.
      const bool fresh = chance(30);
      kind = fresh ? "disables right after F5" : "disables";
      what = "untick '" + entry.caption + "'";
      if (fresh) list.Key(VK_F5);
      const int index = ListIndex(entry);
      ASSERT_GE(index, 0) << what;
      list.Toggle(index);
      Drain();
      // A file that is not a shortcut stays in its folder, switched off by Windows' switch; so
      // does an entry that came back (its stored copy goes), and with the setting any entry that
      // has such a switch.
      if (entry.plainFile || entry.cameBack || (windowsSwitch && HasSwitch(entry))) entry.windowsOff = true;
      else entry.enabled = false;
      entry.cameBack = false;
    } else if (roll < 60 && !disabled.empty()) {
      Expected& entry = *disabled[random() % disabled.size()];
      kind = "enables";
      what = "tick '" + entry.caption + "'";
      const int index = ListIndex(entry);
      ASSERT_GE(index, 0) << what;
      list.Toggle(index);
      Drain();
      // A stored entry is written back exactly as it was found; one that Windows switched off
      // is switched on there.
      if (entry.windowsOff) entry.windowsOff = false;
      else entry.enabled = true;
    } else if (roll < 75 || model.size() > 16) {
      const auto all = Pick(true, true);
      Expected& entry = *all[random() % all.size()];
      const bool yes = chance(85);
      kind = yes ? "deletes" : "deletes answered No";
      what = std::string(yes ? "delete '" : "delete, answered No, '") + entry.caption + "'";
      expectedBoxes = {"Are you sure you wish to delete this item?"};
      const int index = ListIndex(entry);
      ASSERT_GE(index, 0) << what;
      list.Select(index);
      boxes.answers.push_back(yes ? 0 : 1);
      if (chance(50)) list.Key(VK_DELETE);
      else ::SendMessageW(window->hwnd(), WM_COMMAND, IDM_DELETE, 0);
      Drain();
      if (yes) {
        const std::string caption = entry.caption;
        model.erase(std::find_if(model.begin(), model.end(), [&](const Expected& e) { return e.caption == caption; }));
      }
    } else {
      // Add a program through the Add dialog; now and then one whose shortcut is there already.
      // The shortcuts the Add dialog made itself are named after their program: adding the
      // program again to the same folder finds its shortcut there.
      std::vector<Expected*> linked;
      for (Expected* entry : enabled)
        if (!IsRun(entry->origin) && SameText(ExtractFileName(entry->linkFile), ChangeFileExt(entry->caption, ".lnk")))
          linked.push_back(entry);
      const bool taken = !linked.empty() && chance(20);
      if (taken) {
        nextAdd = *linked[random() % linked.size()];
        kind = "adds refused (shortcut exists)";
        what = "add '" + nextAdd.caption + "' again";
        expectedBoxes = {"File already exists"};
      } else {
        const std::string stem = Fresh("added-");
        nextAdd = Expected{};
        nextAdd.program = NewProgram(stem);
        nextAdd.caption = stem + ".exe";
        nextAdd.origin = chance(50) ? orStartupCommon : orStartupUser;
        nextAdd.arguments = chance(50) ? "" : "--from-add " + std::to_string(made);
        const std::string folder = nextAdd.origin == orStartupCommon ? common : user;
        nextAdd.linkFile = folder + "\\" + stem + ".lnk";
        kind = "adds";
        what = "add '" + nextAdd.caption + "'";
      }
      const int before = list.Count();
      ::SendMessageW(window->hwnd(), WM_COMMAND, IDM_ADD, 0);
      Drain();
      if (taken) EXPECT_EQ(list.Count(), before) << what << ": a refused add refreshes nothing";
      else model.push_back(nextAdd);
    }
    if (std::getenv("KW_SOAK_TRACE")) std::printf("TRACE step %d: %s\n", step, what.c_str());
    ++done[kind];
    std::vector<std::string> asked;
    for (const MessageRequest& request : boxes.shown) asked.push_back(request.text);
    ASSERT_EQ(asked, expectedBoxes) << "step " << step << " of seed " << seed << ": " << what;
    ASSERT_TRUE(boxes.answers.empty()) << what;
    const auto checkStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(Check()) << "step " << step << " of seed " << seed << ": " << what;
    checking += std::chrono::steady_clock::now() - checkStart;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // Every stored entry is accounted for: keeping those that came back off, then enabling them
  // all, empties the store and puts each back in its place.
  for (Expected* entry : Pick(true)) {
    if (!entry->cameBack) continue;
    list.Toggle(ListIndex(*entry));
    Drain();
    entry->windowsOff = true;
    entry->cameBack = false;
  }
  for (Expected* entry : Pick(false)) {
    list.Toggle(ListIndex(*entry));
    Drain();
    if (entry->windowsOff) entry->windowsOff = false;
    else entry->enabled = true;
  }
  ASSERT_TRUE(Check()) << "after enabling every stored entry";
  TRegistry store = StoreRegistry(platform.registry);
  ASSERT_TRUE(store.OpenKey(kDisabledAppsKey, false));
  EXPECT_TRUE(store.GetKeyNames().empty());

  std::string counts;
  for (const auto& [kind, count] : done) counts += " " + std::to_string(count) + " " + kind + ",";
  std::printf("[ INFO     ] soak of %d steps (seed %u) in %.1f s (%.1f s of it checking):%s %zu entries at the end\n",
              steps, seed, seconds, std::chrono::duration<double>(checking).count(), counts.c_str(), model.size());
}

}  // namespace
}  // namespace kw::gui
