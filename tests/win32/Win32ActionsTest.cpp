// Disable, enable and delete against the prefix's real registry, Startup folder and store:
// values and shortcuts come back as they were found, a place changed behind the list or one
// that cannot be changed is left as it is, and two copies of the program lose nothing.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <taskschd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "RegistryReadBack.h"
#include "TaskFixtures.h"
#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitScheduledTasks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryMessageBoxes.h"
#include "platform/win32/ComApartment.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Platform.h"
#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"
#include "win32/ShellTestSupport.h"

namespace kw::win32 {
namespace {

// A shortcut as the shell's own dialogs make it, with a description and a hot key beside the
// properties the program reads; true when it was saved.
bool WriteDescribedLink(const std::string& path, const std::string& target, const std::string& workingDirectory) {
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return false;
  link->SetPath(Wide(target).c_str());
  link->SetWorkingDirectory(Wide(workingDirectory).c_str());
  link->SetDescription(L"Shows the version of Windows");
  link->SetHotkey(MAKEWORD('V', HOTKEYF_CONTROL | HOTKEYF_ALT));
  const auto file = link.as<IPersistFile>(IID_IPersistFile);
  return file && SUCCEEDED(file->Save(Wide(path).c_str(), TRUE));
}

class Win32Actions : public ::testing::Test {
 protected:
  void SetUp() override {
    startup = GetSpecialFolderPath(system.folders, kCsidlStartup);
    Clean();
  }
  void TearDown() override { Clean(); }
  void Clean() {
    test_support::EmptyRunKeys(platform.registry);
    for (RootKey root : {kHkeyLocalMachine, kHkeyCurrentUser})
      TRegistry(platform.registry, root, RegView::Bits64).DeleteKey(kStartupApprovedKey);
    for (const std::string& file : ListFiles(system.files, startup + "\\*.*")) {
      ::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
      system.files.RemoveFile(file);
    }
    StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
  }
  void Put(const std::string& name, const RegValue& value, RootKey root = kHkeyCurrentUser) {
    TRegistry reg(platform.registry, root);
    ASSERT_TRUE(reg.OpenKey(kRunKeyPath, true));
    reg.WriteValue(name, value);
  }
  std::optional<RegValue> Raw(const std::string& name, RootKey root = kHkeyCurrentUser) {
    TRegistry reg(platform.registry, root);
    return reg.OpenKeyReadOnly(kRunKeyPath) ? reg.ReadValue(name) : std::nullopt;
  }
  // What a copy of the program lists now: both Run keys, the user's Startup folder, the RunOnce
  // and policy keys, the store.
  std::map<std::string, std::shared_ptr<TAppItem>> Scan() {
    TAppList list;
    ScanMachineRunKeys(list, platform);
    ScanRunKey(list, platform, kHkeyCurrentUser, kRunKeyPath);
    ScanStartupFolder(list, platform, kCsidlStartup);
    ScanRunOnceAndPolicyKeys(list, platform);
    MarkWindowsSwitches(list, platform);
    LoadDisabledApps(list, platform);
    std::map<std::string, std::shared_ptr<TAppItem>> byCaption;
    for (int i = 0; i < list.Count(); ++i) {
      auto copy = std::make_shared<TAppItem>();
      copy->Assign(list.GetItem(i));
      const bool view32 = GetOptionString(*copy, keys::View) == "32";
      byCaption[copy->Caption() + (view32 ? " (32)" : "") + (copy->Enabled() ? "" : " (off)")] = copy;
    }
    return byCaption;
  }

  Win32Platform system;
  MemoryMessageBoxes boxes;
  Platform platform{system.registry, system.files,       system.shell,      boxes,         system.links,
                    system.folders,  system.versions,    system.icons,      system.environment, system.properties,
                    system.locks,       system.tasks,   system.signatures};
  std::string startup;
};

TEST_F(Win32Actions, RunValuesAndShortcutsComeBackAsTheyWereFound) {
  const std::vector<RegValue> values = {
      {kRegSz, "%ProgramFiles%\\Windows Defender\\MSASCui.exe -hide"},
      {kRegSz, "C:\\windows\\system32\\cmd.exe /c C:\\scripts\\x.bat"},
      {kRegSz, ""},
      {kRegSz, "SOUNDMAN.EXE"},
      {kRegSz, "\"C:\\Program Files\\App\\app.exe\""},
      {kRegSz, "\"C:\\Program Files\\App\\app.exe\"  -q  "},
      {kRegSz, "C:\\Program Files\\Common Files\\Java\\jusched.exe -auto"},
      {kRegSz, "rundll32.exe C:\\WINDOWS\\system32\\NvCpl.dll,NvStartup"},
      {kRegSz, "\"C:\\Программы\\приложение.exe\" /тихо"},
  };
  for (size_t i = 0; i < values.size(); ++i) Put("Line " + std::to_string(i), values[i], i % 2 ? kHkeyCurrentUser : kHkeyLocalMachine);
  const LinkData link{"C:\\windows\\system32\\winver.exe", " -a  \"b c\" ", kSwShowNormal, "C:\\windows",
                      "C:\\windows\\system32\\shell32.dll", 4};
  ASSERT_EQ(system.links.Write(startup + "\\Ярлык.lnk", link), LinkWriteResult::Written);
  ASSERT_TRUE(WriteDescribedLink(startup + "\\Described.lnk", test_support::SystemFolder() + "\\notepad.exe",
                                 "C:\\windows"));
  const auto described = system.files.ReadWholeFile(startup + "\\Described.lnk");
  ASSERT_TRUE(described);

  for (const auto& [caption, entry] : Scan()) ASSERT_TRUE(DisableEntry(*entry, platform)) << caption;
  EXPECT_TRUE(Scan().size() == values.size() + 2);
  for (const auto& [caption, entry] : Scan()) ASSERT_TRUE(EnableEntry(*entry, platform)) << caption;

  for (size_t i = 0; i < values.size(); ++i) {
    const auto now = Raw("Line " + std::to_string(i), i % 2 ? kHkeyCurrentUser : kHkeyLocalMachine);
    ASSERT_TRUE(now) << i;
    EXPECT_EQ(now->type, values[i].type) << i;
    EXPECT_EQ(now->data, values[i].data) << i;
  }
  const LinkReadResult back = system.links.Read(startup + "\\Ярлык.lnk");
  EXPECT_EQ(back.targetPath, link.targetPath);
  EXPECT_EQ(back.arguments, link.arguments);
  EXPECT_EQ(back.workingDirectory, link.workingDirectory);
  EXPECT_TRUE(SameText(back.iconPath, link.iconPath)) << back.iconPath;
  EXPECT_EQ(back.iconIndex, link.iconIndex);
  EXPECT_EQ(system.files.ReadWholeFile(startup + "\\Described.lnk"), described) << "byte for byte";
  EXPECT_EQ(testing::StoredCaptions(platform.registry), std::vector<std::string>{});
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Win32Actions, APlaceChangedOrLockedIsLeftAsItIsAndSaysSo) {
  Put("Tool", RegValue{kRegSz, "C:\\windows\\notepad.exe -a"});
  ASSERT_EQ(system.links.Write(startup + "\\Locked.lnk", LinkData{"C:\\windows\\system32\\winver.exe", "", 1, ""}),
            LinkWriteResult::Written);
  auto shown = Scan();
  Put("Tool", RegValue{kRegSz, "C:\\windows\\NEWPROGRAM.exe --new"});
  EXPECT_FALSE(DisableEntry(*shown.at("Tool"), platform));
  EXPECT_EQ(Raw("Tool")->data, "C:\\windows\\NEWPROGRAM.exe --new");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_NE(boxes.shown[0].text.find("changed by another program"), std::string::npos);

  // A read-only shortcut cannot be deleted: it stays where it is and is not stored.
  ::SetFileAttributesW(Wide(startup + "\\Locked.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(DisableEntry(*shown.at("winver.exe"), platform));
  EXPECT_TRUE(system.files.FileExists(startup + "\\Locked.lnk"));
  EXPECT_EQ(testing::StoredCaptions(platform.registry), std::vector<std::string>{});
  EXPECT_EQ(boxes.shown.back().text, "Cannot remove 'winver.exe' from " + startup + "\\Locked.lnk. Nothing was changed.");

  // A shortcut compares whole: one whose working folder changed after listing stays as it is.
  ASSERT_TRUE(WriteDescribedLink(startup + "\\Moved.lnk", test_support::SystemFolder() + "\\notepad.exe", "C:\\"));
  const auto listed = Scan().at("notepad.exe");
  ASSERT_TRUE(WriteDescribedLink(startup + "\\Moved.lnk", test_support::SystemFolder() + "\\notepad.exe",
                                 "C:\\windows"));
  const auto changed = system.files.ReadWholeFile(startup + "\\Moved.lnk");
  EXPECT_FALSE(DisableEntry(*listed, platform));
  EXPECT_EQ(system.files.ReadWholeFile(startup + "\\Moved.lnk"), changed);
  EXPECT_NE(boxes.shown.back().text.find("changed by another program"), std::string::npos);
  EXPECT_EQ(testing::StoredCaptions(platform.registry), std::vector<std::string>{});
}

// Two copies with lists of their own, each acting on what it showed: every entry is at all
// times in its place or in the store.
TEST_F(Win32Actions, TwoCopiesInterleavedLoseNothing) {
  for (const char* name : {"Alpha", "Beta"}) Put(name, RegValue{kRegSz, std::string("C:\\") + name + ".exe"});
  auto first = Scan(), second = Scan();
  const auto everywhere = [&](const std::string& name) {
    const auto stored = testing::StoredCaptions(platform.registry);
    return Raw(name).has_value() || std::count(stored.begin(), stored.end(), name) > 0;
  };
  ASSERT_TRUE(DisableEntry(*second.at("Alpha"), platform));
  ASSERT_TRUE(DisableEntry(*first.at("Beta"), platform));  // first has not seen Alpha go
  EXPECT_EQ(testing::StoredCaptions(platform.registry), (std::vector<std::string>{"Alpha", "Beta"}));
  second = Scan();
  ASSERT_TRUE(EnableEntry(*second.at("Alpha (off)"), platform));
  EXPECT_FALSE(EnableEntry(*second.at("Alpha (off)"), platform)) << "already enabled by this copy";
  EXPECT_TRUE(DeleteEntry(*first.at("Beta"), platform)) << "first still shows Beta on: its place is empty";
  for (const char* name : {"Alpha", "Beta"}) EXPECT_TRUE(everywhere(name)) << name;
  ASSERT_TRUE(DeleteEntry(*second.at("Beta (off)"), platform));
  EXPECT_FALSE(everywhere("Beta")) << "deleted by the user";
  EXPECT_EQ(Raw("Alpha")->data, "C:\\Alpha.exe");
}

// The machine's Run key as this Windows has it, an expandable value and Windows' own switches,
// written the way Windows writes them. On 64-bit Windows the key has two views and each entry
// goes out of and back into its own; 32-bit Windows has one view, no WOW6432Node and no Run32
// switches, and every machine-wide entry lives in that one view.
TEST_F(Win32Actions, MachineRunViewsExpandableValuesAndWindowsSwitches) {
  BOOL wow = FALSE;
  const bool windows64 = sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow) && wow);
  ASSERT_EQ(system.environment.Windows64(), windows64);
  Put("Both", RegValue{kRegSz, "C:\\64.exe"}, kHkeyLocalMachine);
  TRegistry in32(platform.registry, kHkeyLocalMachine, RegView::Bits32);
  ASSERT_TRUE(in32.OpenKey(kRunKeyPath, true));
  if (windows64) in32.WriteString("Both", "C:\\32.exe");
  else EXPECT_FALSE(TRegistry(platform.registry, kHkeyLocalMachine).KeyExists("SOFTWARE\\WOW6432Node"));
  const RegValue tray{kRegExpandSz, "%windir%\\system32\\shell32.dll /tray"};
  Put("Tray", tray);
  const RegValue off{kRegBinary, std::string("\x03\0\0\0\x00\xf4\x65\xc4\x86\xa9\xdc\x01", 12)};
  TRegistry approved(platform.registry, kHkeyCurrentUser, RegView::Bits64);
  ASSERT_TRUE(approved.OpenKey(std::string(kStartupApprovedKey) + "\\Run", true));
  approved.WriteValue("Tray", off);
  approved.WriteValue("Both", RegValue{kRegBinary, std::string("\x03\0", 2)});  // too short: on
  // The machine-wide switch of the only view is under Run; Run32 means nothing there.
  TRegistry machineApproved(platform.registry, kHkeyLocalMachine, RegView::Bits64);
  ASSERT_TRUE(machineApproved.OpenKey(std::string(kStartupApprovedKey) + (windows64 ? "\\Run32" : "\\Run"), true));
  machineApproved.WriteValue("Both", off);

  auto shown = Scan();
  ASSERT_EQ(shown.size(), windows64 ? 3u : 2u);
  EXPECT_EQ(FoundInText(*shown.at("Both")), "Registry ( Common )");
  const TAppItem& listedTray = *shown.at("Tray");
  EXPECT_EQ(listedTray.FullPath(), "%windir%\\system32\\shell32.dll") << "shown as stored";
  EXPECT_TRUE(SameText(listedTray.ProgramFile(), test_support::SystemFolder() + "\\shell32.dll"))
      << listedTray.ProgramFile();
  EXPECT_FALSE(GetOptionString(listedTray, keys::FileVersion).empty()) << "read from the expanded path";
  EXPECT_NE(ExtractFileIcon(system.icons, listedTray.ProgramFile(), 0), nullptr);
  EXPECT_EQ(SwitchedOffText(listedTray), "Windows startup settings, 2026-03-01 14:22");

  if (windows64) {
    EXPECT_EQ(FoundInText(*shown.at("Both (32)")), "Registry ( Common, 32-bit )");
    EXPECT_FALSE(SwitchedOffByWindows(*shown.at("Both")));
    EXPECT_TRUE(SwitchedOffByWindows(*shown.at("Both (32)"))) << "its switch is under Run32";
    ASSERT_TRUE(SwitchOnEntry(*shown.at("Both (32)"), platform));
    // The 32-bit entry goes out of and back into its own view only.
    ASSERT_TRUE(DisableEntry(*Scan().at("Both (32)"), platform));
    EXPECT_FALSE(in32.ValueExists("Both"));
    EXPECT_EQ(Raw("Both", kHkeyLocalMachine)->data, "C:\\64.exe");
    ASSERT_TRUE(EnableEntry(*Scan().at("Both (32) (off)"), platform));
    EXPECT_EQ(in32.ReadString("Both"), "C:\\32.exe");
  } else {
    EXPECT_EQ(GetOptionString(*shown.at("Both"), keys::View), "") << "one view: none is named";
    EXPECT_TRUE(SwitchedOffByWindows(*shown.at("Both"))) << "its switch is under Run";
    ASSERT_TRUE(SwitchOnEntry(*shown.at("Both"), platform));
    EXPECT_EQ(machineApproved.ReadValue("Both")->data, StartupSwitchOn().data);
    ASSERT_TRUE(DisableEntry(*Scan().at("Both"), platform));
    EXPECT_FALSE(Raw("Both", kHkeyLocalMachine).has_value());
    ASSERT_TRUE(EnableEntry(*Scan().at("Both (off)"), platform));
  }
  EXPECT_EQ(Raw("Both", kHkeyLocalMachine)->data, "C:\\64.exe");

  // A machine-wide entry stored by an earlier version, without a view, goes to the 32-bit one:
  // on 32-bit Windows the only one.
  TRegistry store = StoreRegistry(platform.registry);
  ASSERT_TRUE(store.OpenKey(std::string(kDisabledAppsKey) + "\\12345-67", true));
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"Caption", "Old"}, {"Origin", "0"},
                                    {"Enabled", "FALSE"}, {"FullPath", "C:\\old.exe"}, {"Arguments", " -o"}})
    store.WriteString(name, value);
  ASSERT_TRUE(EnableEntry(*Scan().at(windows64 ? "Old (32) (off)" : "Old (off)"), platform));
  EXPECT_EQ(in32.ReadString("Old"), "\"C:\\old.exe\"  -o");
  if (windows64) EXPECT_FALSE(Raw("Old", kHkeyLocalMachine).has_value());

  // Ticked, the switched-off entry is switched on and stays where it is.
  ASSERT_TRUE(SwitchOnEntry(listedTray, platform));
  EXPECT_EQ(approved.ReadValue("Tray")->data, StartupSwitchOn().data);
  EXPECT_EQ(Raw("Tray")->type, kRegExpandSz);
  // Out through the store and back, it keeps its type and data.
  ASSERT_TRUE(DisableEntry(*Scan().at("Tray"), platform));
  ASSERT_TRUE(EnableEntry(*Scan().at("Tray (off)"), platform));
  EXPECT_EQ(Raw("Tray")->type, tray.type);
  EXPECT_EQ(Raw("Tray")->data, tray.data);
  EXPECT_TRUE(boxes.shown.empty());
}


// The other places Windows starts programs from at logon, each listed, explained, switched off
// and on its own way and deleted: RunOnce and policy values through the store, back with their
// type and data; a shortcut without a file target through the store as the very file; any
// other file of the Startup folder with Windows' own switch, nothing else touched.
TEST_F(Win32Actions, RunOncePolicyAndEveryStartupFileRoundTrip) {
  const bool windows64 = system.environment.Windows64();
  struct Value {
    RootKey root;
    const char* key;
    RegView view;
    std::string name;
    RegValue value;
    std::string about;
  };
  std::vector<Value> values{
      {kHkeyLocalMachine, kRunOnceKeyPath, RegView::Bits64, "Finish", {kRegExpandSz, "%windir%\\regedit.exe /s x.reg"}, "Runs: once"},
      {kHkeyCurrentUser, kRunOnceKeyPath, RegView::Native, "!Later", {kRegSz, "\"C:\\Program Files\\x.exe\"  -q"}, "Runs: once"},
      {kHkeyLocalMachine, kPolicyRunKeyPath, RegView::Bits64, "Corp", {kRegSz, "C:\\corp\\agent.exe"}, "Set by: a policy"},
      {kHkeyCurrentUser, kPolicyRunKeyPath, RegView::Native, "Mine", {kRegSz, "C:\\mine.exe -p"}, "Set by: a policy"}};
  if (windows64)
    values.push_back({kHkeyLocalMachine, kRunOnceKeyPath, RegView::Bits32, "Finish", {kRegSz, "C:\\x86.exe"}, "Runs: once"});
  for (const Value& v : values) {
    TRegistry reg(platform.registry, v.root, v.view);
    ASSERT_TRUE(reg.OpenKey(v.key, true));
    reg.WriteValue(v.name, v.value);
  }
  const auto read = [&](const Value& v) {
    TRegistry reg(platform.registry, v.root, v.view);
    return reg.OpenKeyReadOnly(v.key) ? reg.ReadValue(v.name) : std::nullopt;
  };
  const auto captionOf = [&](const Value& v) {
    return v.name + (v.view == RegView::Bits32 ? " (32)" : "");
  };
  const auto about = [](const TAppItem& entry) {
    std::string text;
    for (const auto& [label, value] : AboutLines(entry)) text += label + ": " + value + "\n";
    return text;
  };

  auto shown = Scan();
  for (const Value& v : values) {
    const TAppItem& entry = *shown.at(captionOf(v));
    EXPECT_NE(about(entry).find(v.about), std::string::npos) << captionOf(v) << ": " << about(entry);
    ASSERT_TRUE(DisableEntry(entry, platform)) << captionOf(v);
    EXPECT_FALSE(read(v).has_value()) << captionOf(v);
  }
  if (windows64) EXPECT_EQ(FoundInText(*shown.at("Finish (32)")), "Registry RunOnce ( Common, 32-bit )");
  EXPECT_EQ(FoundInText(*shown.at("Corp")), "Policy ( Common )");
  shown = Scan();
  for (const Value& v : values) {
    ASSERT_TRUE(EnableEntry(*shown.at(captionOf(v) + " (off)"), platform)) << captionOf(v);
    const auto back = read(v);
    ASSERT_TRUE(back.has_value()) << captionOf(v);
    EXPECT_EQ(back->type, v.value.type) << captionOf(v);
    EXPECT_EQ(back->data.substr(0, back->data.find('\0')), v.value.data) << captionOf(v);
  }
  shown = Scan();
  for (const Value& v : values) {
    ASSERT_TRUE(DeleteEntry(*shown.at(captionOf(v)), platform)) << captionOf(v);
    EXPECT_FALSE(read(v).has_value()) << captionOf(v);
  }

  // Files other than shortcuts, hidden and system ones too; desktop.ini is not started.
  const std::string batch = startup + "\\notes.bat", hidden = startup + "\\quiet.vbs", url = startup + "\\site.url";
  ASSERT_TRUE(system.files.WriteWholeFile(batch, "@echo off\r\n"));
  ASSERT_TRUE(system.files.WriteWholeFile(hidden, "WScript.Quit\r\n"));
  ::SetFileAttributesW(Wide(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(system.files.WriteWholeFile(url, "[InternetShortcut]\r\nURL=https://example.org/start\r\n"));
  ASSERT_TRUE(system.files.WriteWholeFile(startup + "\\desktop.ini", "[.ShellClassInfo]\r\n"));
  TRegistry approved(platform.registry, kHkeyCurrentUser, RegView::Bits64);
  ASSERT_TRUE(approved.OpenKey(std::string(kStartupApprovedKey) + "\\StartupFolder", true));
  approved.WriteValue("other.lnk", StartupSwitchOff(0x01dca986c465f400ULL));
  shown = Scan();
  EXPECT_EQ(shown.count("desktop.ini"), 0u);
  EXPECT_EQ(GetOptionString(*shown.at("site.url"), keys::Url), "https://example.org/start");
  EXPECT_NE(about(*shown.at("quiet.vbs")).find("hidden system file"), std::string::npos);
  const TAppItem& notes = *shown.at("notes.bat");
  EXPECT_EQ(notes.FullPath(), batch);
  EXPECT_EQ(FoundInText(notes), "Startup Folder ( User )");
  ASSERT_TRUE(DisableEntry(notes, platform));
  EXPECT_EQ(system.files.ReadWholeFile(batch), "@echo off\r\n") << "the file stays as it is";
  EXPECT_EQ(testing::StoredCaptions(platform.registry), std::vector<std::string>{}) << "nothing is stored";
  const auto written = approved.ReadValue("notes.bat");
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->type, kRegBinary);
  ASSERT_EQ(written->data.size(), 12u);
  const StartupSwitch off = DecodeStartupSwitch(*written);
  EXPECT_TRUE(off.off);
  EXPECT_LE(FileTimeNow() - off.switchedAt, 600000000ULL) << "stamped now";
  EXPECT_EQ(approved.GetValueNames().size(), 2u) << "no other switch written";
  EXPECT_EQ(approved.ReadValue("other.lnk")->data, StartupSwitchOff(0x01dca986c465f400ULL).data);
  shown = Scan();
  ASSERT_TRUE(SwitchedOffByWindows(*shown.at("notes.bat")));
  ASSERT_TRUE(SwitchOnEntry(*shown.at("notes.bat"), platform));
  EXPECT_EQ(approved.ReadValue("notes.bat")->data, StartupSwitchOn().data);
  ASSERT_TRUE(DeleteEntry(*Scan().at("notes.bat"), platform));
  EXPECT_FALSE(system.files.FileExists(batch));
  EXPECT_FALSE(approved.ValueExists("notes.bat"));

  // An installer shortcut leaves through the store and comes back byte for byte.
  const std::string sample = "Z:\\work\\shared\\testdata\\lnk-corpus\\samples\\darwin_block_modified.lnk";
  const auto bytes = system.files.ReadWholeFile(sample);
  if (!bytes) GTEST_SKIP() << "the shortcut corpus is not reachable at " << sample;
  ASSERT_TRUE(system.files.WriteWholeFile(startup + "\\Excel.lnk", *bytes));
  const auto listed = Scan();
  const TAppItem& excel = *listed.at("Excel");
  EXPECT_NE(about(excel).find("Installer shortcut, product code {91120000-0030-0000-0000-0000000FF1CE}"),
            std::string::npos) << about(excel);
  ASSERT_TRUE(DisableEntry(excel, platform));
  EXPECT_FALSE(system.files.FileExists(startup + "\\Excel.lnk"));
  ASSERT_TRUE(EnableEntry(*Scan().at("Excel (off)"), platform));
  EXPECT_EQ(system.files.ReadWholeFile(startup + "\\Excel.lnk"), bytes);
  EXPECT_TRUE(boxes.shown.empty());
}

// The Task Scheduler over COM, as far as Wine keeps tasks: a task registered from a definition
// in the public schema is found by its path, switched with its Enabled flag and deleted; a
// path without a task is missing. (Wine keeps no triggers or actions, and lists no task when
// the folders are walked, so the listing itself is checked against the in-memory source.)
TEST(Win32TaskSchedulerTest, ATaskIsFoundSwitchedAndDeletedByItsPath) {
  Win32TaskScheduler scheduler;
  std::string problem;
  scheduler.Tasks(problem);
  EXPECT_EQ(problem, "") << "the service is reached";
  EXPECT_FALSE(scheduler.Task("\\Kelderwick Test\\Missing").has_value());
  EXPECT_EQ(scheduler.SetEnabled("\\Kelderwick Test\\Missing", false), TaskChange::Missing);

  const ComApartment apartment;
  ComPtr<ITaskService> service;
  ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                           service.put_void())));
  VARIANT none;
  ::VariantInit(&none);
  ASSERT_TRUE(SUCCEEDED(service->Connect(none, none, none, none)));
  ComPtr<ITaskFolder> root;
  ASSERT_TRUE(SUCCEEDED(service->GetFolder(unique_bstr(::SysAllocString(L"\\")).get(), root.put())));
  const std::wstring xml = Wide(testing::TaskXml(testing::LogonTrigger(), testing::ExecAction("C:\\windows\\notepad.exe")));
  ComPtr<IRegisteredTask> registered;
  VARIANT user, password, sddl;
  ::VariantInit(&user);
  ::VariantInit(&password);
  ::VariantInit(&sddl);
  ASSERT_TRUE(SUCCEEDED(root->RegisterTask(unique_bstr(::SysAllocString(L"Kelderwick Test Task")).get(),
                                           unique_bstr(::SysAllocString(xml.c_str())).get(), TASK_CREATE_OR_UPDATE, user,
                                           password, TASK_LOGON_INTERACTIVE_TOKEN, sddl, registered.put())));
  const auto found = scheduler.Task("\\Kelderwick Test Task");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->path, "\\Kelderwick Test Task");
  EXPECT_EQ(found->xml.substr(0, 2), "\xFF\xFE") << "the definition, as UTF-16";
  TaskDefinition definition;
  EXPECT_EQ(ReadTaskDefinition(found->xml, definition), "") << "the service's own XML reads";
  // Wine accepts the new Enabled flag without keeping it; that is reported as a failure.
  const TaskChange switched = scheduler.SetEnabled(found->path, !found->enabled);
  EXPECT_EQ(switched, test_support::RunningUnderWine() ? TaskChange::Failed : TaskChange::Done);
  EXPECT_EQ(scheduler.Task(found->path)->enabled, switched == TaskChange::Done ? !found->enabled : found->enabled);
  EXPECT_EQ(scheduler.Delete(found->path), TaskChange::Done);
  EXPECT_FALSE(scheduler.Task(found->path).has_value());
  EXPECT_EQ(scheduler.Delete(found->path), TaskChange::Missing);
}

}  // namespace
}  // namespace kw::win32
