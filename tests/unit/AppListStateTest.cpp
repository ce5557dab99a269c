#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <functional>
#include <optional>
#include <random>

#include "MainFormSupport.h"
#include "RegistryReadBack.h"
#include "StoreAppSeed.h"
#include "TaskFixtures.h"
#include <nlohmann/json.hpp>
#include <sstream>

#include "console/unitConsole.h"
#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitScheduledTasks.h"
#include "entries/unitStoreApps.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryRichTextPane.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

using testing::MemoryMainView;
using namespace std::string_literals;

const std::string& kStartup = testing::kTestUserStartup;
const std::string kPolicyKey = kMessengerPolicyKey;

// The main window on the in-memory platform, with helpers to act as the user does.
class StateTest : public testing::MainFormFixture {
 protected:
  int IndexOf(const std::string& caption, bool checked) {
    for (size_t i = 0; i < view.items.size(); ++i)
      if (view.items[i].caption == "  " + caption && view.items[i].checked == checked) return static_cast<int>(i);
    return -1;
  }
  void Toggle(const std::string& caption, bool fromChecked) {
    const int index = IndexOf(caption, fromChecked);
    ASSERT_GE(index, 0) << caption;
    view.ClickCheckBox(index);
  }
  std::string RunValue(const std::string& name, RootKey root = kHkeyCurrentUser) {
    return testing::RunValue(sys.registry, root, name);
  }
  std::vector<std::string> Stored() { return testing::StoredCaptions(sys.registry); }
  // The store's subkey of the entry of that caption (the store in the one view), for editing it.
  std::string StoredKey(const std::string& caption) {
    TRegistry reg = StoreRegistry(sys.registry);
    reg.OpenKeyReadOnly(kDisabledAppsKey);
    for (const std::string& name : reg.GetKeyNames()) {
      const std::string path = std::string(kDisabledAppsKey) + "\\" + name;
      TRegistry entry = StoreRegistry(sys.registry);
      if (entry.OpenKeyReadOnly(path) && entry.ReadString("Caption") == caption) return path;
    }
    ADD_FAILURE() << caption << " is not stored";
    return {};
  }
  int PolicyValue() {
    auto key = sys.registry.OpenKeyIn(RegView::Native, kHkeyLocalMachine, kPolicyKey, RegAccess::Read);
    if (!key) return -2;
    auto value = key->QueryValue(kMessengerPolicyValue);
    if (!value) return -1;
    return static_cast<unsigned char>(value->data[0]);
  }

};

// Command lines as real machines hold them come back byte for byte, whatever their quoting.
TEST_F(StateTest, RunValuesComeBackByteForByte) {
  const std::vector<std::string> lines = {
      "%ProgramFiles%\\Windows Defender\\MSASCui.exe -hide",
      "C:\\windows\\system32\\cmd.exe /c C:\\scripts\\x.bat",
      "",
      "SOUNDMAN.EXE",
      "\"C:\\Program Files\\App\\app.exe\"",
      "\"C:\\Program Files\\App\\app.exe\" -q",
      "\"C:\\Program Files\\App\\app.exe\"  -q  ",
      "C:\\Program Files\\Common Files\\Java\\jusched.exe",
      "rundll32.exe C:\\WINDOWS\\system32\\NvCpl.dll,NvStartup",
      "\"%windir%\\system32\\ctfmon.exe\" /n \"a b\"",
  };
  for (size_t i = 0; i < lines.size(); ++i)
    sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Line" + std::to_string(i), lines[i]);
  Start();
  for (size_t i = 0; i < lines.size(); ++i) Toggle("Line" + std::to_string(i), true);
  EXPECT_EQ(Stored().size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) Toggle("Line" + std::to_string(i), false);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(RunValue("Line" + std::to_string(i)), lines[i]) << i;
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(sys.messages.shown.empty());

  // An entry stored by an earlier version, without what was found, is composed as before:
  // the path in quotes and the arguments behind a blank.
  sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\old", "Caption", "Old");
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"Origin", "1"}, {"Enabled", "FALSE"},
                                    {"FullPath", "C:\\Program Files\\App\\app.exe"}, {"Arguments", " -q"}})
    sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\old", name, value);
  form->actRefreshExecute();
  Toggle("Old", false);
  EXPECT_EQ(RunValue("Old"), "\"C:\\Program Files\\App\\app.exe\"  -q");
}

// Every place Windows starts programs from at logon is listed in its section, and switched off
// and on its own way: a value of RunOnce or a policy key through the store, back byte for byte;
// a shortcut without a file target through the store as the very file; any other file of a
// Startup folder with Windows' own switch of its name, the file left alone.
TEST_F(StateTest, EveryLogonPlaceIsListedAndSwitchedItsOwnWay) {
  sys.SetWindows64(true);
  struct Value {
    RootKey root;
    const char* key;
    RegView view;
    std::string name, data, foundIn;
  };
  const std::vector<Value> values{
      {kHkeyLocalMachine, kRunOnceKeyPath, RegView::Bits64, "Once64", "C:\\setup.exe /finish", "Registry RunOnce ( Common )"},
      {kHkeyLocalMachine, kRunOnceKeyPath, RegView::Bits32, "Once32", "\"C:\\x86\\s.exe\"  -q", "Registry RunOnce ( Common, 32-bit )"},
      {kHkeyCurrentUser, kRunOnceKeyPath, RegView::Native, "!OnceUser", "cmd /c del x", "Registry RunOnce ( User )"},
      {kHkeyLocalMachine, kPolicyRunKeyPath, RegView::Bits64, "Agent", "C:\\corp\\agent.exe", "Policy ( Common )"},
      {kHkeyCurrentUser, kPolicyRunKeyPath, RegView::Native, "Mine", "C:\\mine.exe -p", "Policy ( User )"}};
  for (const Value& v : values) {
    TRegistry reg(sys.registry, v.root, v.view);
    ASSERT_TRUE(reg.OpenKey(v.key, true));
    reg.WriteString(v.name, v.data);
  }
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "C:\\plain.exe");
  sys.files.AddFile(kStartup + "\\run me.bat", "@echo off");
  sys.links.AddLink(kStartup + "\\Office.lnk", LinkData{"{91120000-0030-0000-0000-0000000FF1CE}", "", 1, ""}, false);
  Start();

  std::vector<std::string> order;
  for (const auto& item : view.items) order.push_back(item.caption);
  EXPECT_EQ(order, (std::vector<std::string>{"  Plain", "  run me.bat", "  Office", "  Once64", "  Once32", "  !OnceUser",
                                             "  Agent", "  Mine"}));
  for (const Value& v : values) {
    const int index = IndexOf(v.name, true);
    ASSERT_GE(index, 0) << v.name;
    EXPECT_EQ(FoundInText(apps.GetItem(index)), v.foundIn);
  }

  for (const Value& v : values) Toggle(v.name, true);
  Toggle("Office", true);
  Toggle("run me.bat", true);
  EXPECT_EQ(Stored(), (std::vector<std::string>{"!OnceUser", "Agent", "Mine", "Office", "Once32", "Once64"}));
  for (const Value& v : values) EXPECT_EQ(testing::RunValue(sys.registry, v.root, v.name, v.view, v.key), "<missing>");
  EXPECT_FALSE(sys.files.FileExists(kStartup + "\\Office.lnk"));
  // The file stays; Windows' switch of its name says off, stamped now.
  EXPECT_TRUE(sys.files.FileExists(kStartup + "\\run me.bat"));
  TRegistry switches(sys.registry, kHkeyCurrentUser, RegView::Bits64);
  ASSERT_TRUE(switches.OpenKeyReadOnly(std::string(kStartupApprovedKey) + "\\StartupFolder"));
  const StartupSwitch off = DecodeStartupSwitch(*switches.ReadValue("run me.bat"));
  EXPECT_TRUE(off.off);
  EXPECT_LE(FileTimeNow() - off.switchedAt, 600000000ULL) << "within the last minute";
  EXPECT_GE(IndexOf("run me.bat", false), 0);

  const std::string officeBytes = *LinkBytesOf(apps.GetItem(IndexOf("Office", false)));
  for (const Value& v : values) Toggle(v.name, false);
  Toggle("Office", false);
  Toggle("run me.bat", false);
  for (const Value& v : values) EXPECT_EQ(testing::RunValue(sys.registry, v.root, v.name, v.view, v.key), v.data);
  EXPECT_EQ(sys.files.ReadWholeFile(kStartup + "\\Office.lnk"), officeBytes);
  EXPECT_FALSE(DecodeStartupSwitch(*switches.ReadValue("run me.bat")).off);
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyCurrentUser, "Plain"), "C:\\plain.exe") << "untouched";
  EXPECT_TRUE(sys.messages.shown.empty());

  // Deleting the file removes it and its switch.
  view.SelectItem(IndexOf("run me.bat", true));
  sys.messages.answers = {0};
  form->actDeleteExecute();
  EXPECT_FALSE(sys.files.FileExists(kStartup + "\\run me.bat"));
  EXPECT_FALSE(switches.ValueExists("run me.bat"));
}

// Store apps' startup tasks are listed after the other places and before the stored entries,
// named as their packages name them, and switched with the State Windows keeps for them (1
// off, 2 on, nothing else written); a state set by policy, a task changed meanwhile and
// deleting are refused; a manifest that cannot be read is said.
TEST_F(StateTest, StoreAppTasksAreSwitchedWithWindowsOwnState) {
  sys.SetWindows64(true);
  using testing::PackageFullName, testing::PackageManifestXml, testing::TaskStateNow;
  const std::string notes = PackageFullName("Tessaly.Notes", "2.3.1.0"), chat = PackageFullName("Orrin.Chat"),
                    agent = PackageFullName("Corp.Agent"), broken = PackageFullName("Broken.App");
  const std::string apps = "C:\\Program Files\\WindowsApps\\";
  const std::string chatName = "@{" + chat + "?ms-resource://Orrin.Chat/Resources/AppName}";
  struct Package {
    std::string fullName, manifest, displayName;
  };
  for (const auto& [fullName, manifest, shown] : std::vector<Package>{
           {notes, PackageManifestXml("Tessaly.Notes", "Notes", {{"NotesStartup", "ms-resource:StartupName", "", true}},
                                      "2.3.1.0"), ""},
           {chat, PackageManifestXml("Orrin.Chat", "ms-resource:AppName", {{"ChatTask", "", "", true, "uap5"}}), chatName},
           {agent, PackageManifestXml("Corp.Agent", "Agent", {{"On", "Agent on", "", false}, {"Off", "Agent off", "", true}}), ""},
           {broken, "<Package", ""}}) {
    sys.files.AddFile(apps + fullName + "\\AppxManifest.xml", manifest);
    testing::RegisterPackage(sys.registry, fullName, apps + fullName, shown);
  }
  sys.environment.indirectStrings["@{" + notes + "?ms-resource://Tessaly.Notes/Resources/StartupName}"] = "Notes at logon";
  sys.environment.indirectStrings[chatName] = "Orrin Chat";
  testing::SetTaskState(sys.registry, chat, "ChatTask", tsDisabledByUser);
  testing::SetTaskState(sys.registry, agent, "On", tsEnabledByPolicy);
  testing::SetTaskState(sys.registry, agent, "Off", tsDisabledByPolicy);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "C:\\plain.exe");
  Start();
  ASSERT_EQ(sys.messages.shown.size(), 1u);
  EXPECT_NE(sys.messages.shown[0].text.find("'" + broken + "': not well-formed XML"), std::string::npos);
  sys.messages.shown.clear();
  Toggle("Plain", true);

  std::vector<std::pair<std::string, bool>> listed;
  for (const auto& item : view.items) listed.emplace_back(item.caption, item.checked);
  EXPECT_EQ(listed, (std::vector<std::pair<std::string, bool>>{
                        {"  Agent on", true}, {"  Agent off", false}, {"  Orrin Chat", false}, {"  Notes at logon", true},
                        {"  Plain", false}}));
  const TAppItem& shown = this->apps.GetItem(IndexOf("Notes at logon", true));
  EXPECT_EQ(FoundInText(shown), "Store app");
  EXPECT_EQ(shown.FullPath(), apps + notes + "\\app\\Tessaly.Notes.exe");

  Toggle("Notes at logon", true);
  Toggle("Orrin Chat", false);
  EXPECT_EQ(TaskStateNow(sys.registry, notes, "NotesStartup"), "1");
  EXPECT_EQ(TaskStateNow(sys.registry, chat, "ChatTask"), "2");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Plain"}) << "nothing moves into the store";
  EXPECT_TRUE(sys.messages.shown.empty());
  MemoryRichTextPane pane;
  ShowDetails(this->apps.GetItem(IndexOf("Notes at logon", false)), pane);
  std::vector<std::string> details;
  for (size_t i = 0; i < pane.lines.size(); ++i) details.push_back(pane.Text(i));
  for (const char* line : {"  Version:  2.3.1.0", "  Startup task:  NotesStartup", "  State:  off, switched off by the user",
                           "  Publisher:  Tessaly Works (CN=Tessaly Works, O=Tessaly Works, C=NL)"})
    EXPECT_NE(std::find(details.begin(), details.end(), line), details.end()) << line;

  // Policy states stay; so does a task that Windows switched meanwhile, and deleting is refused.
  Toggle("Agent on", true);
  Toggle("Agent off", false);
  testing::SetTaskState(sys.registry, notes, "NotesStartup", tsEnabled);
  Toggle("Notes at logon", false);
  view.SelectItem(IndexOf("Orrin Chat", true));
  form->actDeleteExecute();
  ASSERT_EQ(sys.messages.shown.size(), 4u);
  EXPECT_NE(sys.messages.shown[0].text.find("switched on by a policy"), std::string::npos);
  EXPECT_NE(sys.messages.shown[1].text.find("switched off by a policy"), std::string::npos);
  EXPECT_NE(sys.messages.shown[2].text.find("changed by another program"), std::string::npos);
  EXPECT_NE(sys.messages.shown[3].text.find("uninstalled"), std::string::npos);
  EXPECT_EQ(TaskStateNow(sys.registry, agent, "On"), "4");
  EXPECT_EQ(TaskStateNow(sys.registry, agent, "Off"), "3");
  EXPECT_EQ(TaskStateNow(sys.registry, notes, "NotesStartup"), "2");
  EXPECT_GE(IndexOf("Notes at logon", true), 0) << "listed as it is now";
  EXPECT_TRUE(sys.files.FileExists(apps + chat + "\\AppxManifest.xml"));
}

// Where the window reads manifests in the background, a refresh lists the tasks the last reading
// found, each with its state now, and the list is filled again when a reading finds others.
TEST_F(StateTest, StoreAppTasksReadInTheBackgroundComeWithoutWaiting) {
  const std::string chat = testing::PackageFullName("Orrin.Chat"), folder = "C:\\apps\\" + chat;
  sys.files.AddFile(folder + "\\AppxManifest.xml", testing::PackageManifestXml("Orrin.Chat", "Chat", {{"Chat", "Chat", "", true}}));
  testing::RegisterPackage(sys.registry, chat, folder);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "C:\\plain.exe");
  view.backgroundTasks = true;
  Start();
  EXPECT_EQ(view.items.size(), 1u) << "nothing known of the packages yet";
  ASSERT_TRUE(view.AllArrived());
  ASSERT_GE(IndexOf("Chat", true), 0);
  Toggle("Chat", true);
  EXPECT_GE(IndexOf("Chat", false), 0) << "listed at once, with its state now";
  EXPECT_EQ(testing::TaskStateNow(sys.registry, chat, "Chat"), "1");
  ASSERT_TRUE(view.AllArrived());
  TRegistry(sys.registry, kHkeyCurrentUser, RegView::Bits64).DeleteKey(std::string(kPackageRepositoryKey) + "\\" + chat);
  form->actRefreshExecute();
  EXPECT_EQ(view.items.size(), 1u) << "an uninstalled package's task goes at once";
  ASSERT_TRUE(view.AllArrived());
  EXPECT_EQ(view.items.size(), 1u);
  EXPECT_TRUE(sys.messages.shown.empty());
}

// Task definitions as Windows writes them come to the triggers and actions Windows runs: only
// a task that starts a program when this user logs on (or Windows starts) is listed.
TEST(TaskDefinitions, FixturesComeToTheirTriggersAndActions) {
  using namespace testing;
  const std::string updater = ExecAction("\"%ProgramFiles%\\Vendor\\update.exe\"", "/silent", "%ProgramFiles%\\Vendor");
  const struct {
    const char* what;
    std::string xml;
    bool listed;
    std::string triggers;
  } fixtures[] = {
      {"any user, delayed", TaskXml(LogonTrigger("", "PT30S"), updater), true, "at logon of any user, after a 30 s delay"},
      {"this user, as Windows gives it", AsUtf16(TaskXml(LogonTrigger("TESTPC\\me", "PT1H30M"), updater)), true,
       "at logon of TESTPC\\me, after a 1 h 30 min delay"},
      {"this user, bare name", TaskXml(LogonTrigger("me"), updater), true, "at logon of me"},
      {"another user", TaskXml(LogonTrigger("TESTPC\\other"), updater), false, "at logon of TESTPC\\other"},
      {"at startup", TaskXml(BootTrigger(), updater), true, "when Windows starts"},
      {"daily only", TaskXml(DailyTrigger(), updater), false, "on another schedule"},
      {"trigger switched off", TaskXml(LogonTrigger("", "", false), updater), false, "at logon of any user (trigger disabled)"},
      {"COM handler only", TaskXml(LogonTrigger(), ComHandlerAction("{0A4B2E30-8F6C-4B1D-9D7A-1F2E3D4C5B6A}")), false,
       "at logon of any user"},
  };
  for (const auto& fixture : fixtures) {
    TaskDefinition definition;
    ASSERT_EQ(ReadTaskDefinition(fixture.xml, definition), "") << fixture.what;
    EXPECT_EQ(StartsAtLogon(definition, "TESTPC\\me"), fixture.listed) << fixture.what;
    ASSERT_EQ(definition.triggers.size(), 1u) << fixture.what;
    EXPECT_EQ(TriggerText(definition.triggers[0]), fixture.triggers) << fixture.what;
    EXPECT_EQ(definition.author, "Tessaly Works") << fixture.what;
  }
  EXPECT_EQ(DurationText("P1D"), "1 day");
  EXPECT_EQ(DurationText("PT45M"), "45 min");
  EXPECT_EQ(DurationText("soon"), "soon");
  TaskDefinition definition;
  EXPECT_NE(ReadTaskDefinition("<Task xmlns=\"urn:x\">", definition), "");
  EXPECT_NE(ReadTaskDefinition(TaskXml(LogonTrigger(), updater).substr(0, 300), definition), "");
}

// Logon tasks are listed after the Store apps, those of Windows itself last, explained, and
// switched with their own Enabled flag (a task the user may not change stays as it is); a
// task changed meanwhile is left alone; delete asks, then removes the task.
TEST_F(StateTest, ScheduledTasksAreSwitchedWithTheirOwnFlag) {
  using namespace testing;
  const std::string updater = ExecAction("\"%ProgramFiles%\\Vendor\\update.exe\"", "/silent", "%ProgramFiles%\\Vendor");
  sys.tasks.Add(Task("\\Microsoft\\Windows\\Shell\\Indexer", TaskXml(LogonTrigger(), ExecAction("C:\\windows\\idx.exe"), "Microsoft Corporation")));
  sys.tasks.Add(Task("\\Vendor\\Deep\\Updater", AsUtf16(TaskXml(LogonTrigger("", "PT30S"), updater + ComHandlerAction("{0A4B2E30-8F6C-4B1D-9D7A-1F2E3D4C5B6A}"),
                                                               "Vendor Inc.", "<GroupId>S-1-5-32-545</GroupId><RunLevel>HighestAvailable</RunLevel>", true))));
  sys.tasks.Add(Task("\\Backup", TaskXml(DailyTrigger(), updater)));
  sys.tasks.Add(Task("\\Locked", TaskXml(BootTrigger(), ExecAction("C:\\corp\\agent.exe")), false));
  sys.tasks.denied.insert(FoldCase("\\Locked"));
  sys.environment.variables["ProgramFiles"] = "C:\\Program Files";
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "C:\\plain.exe");
  Start();
  Toggle("Plain", true);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Locked", "  Updater", "  Indexer", "  Plain"}));
  const TAppItem& updaterEntry = apps.GetItem(IndexOf("Updater", true));
  EXPECT_EQ(FoundInText(updaterEntry), "Task Scheduler");
  EXPECT_EQ(updaterEntry.ProgramFile(), "C:\\Program Files\\Vendor\\update.exe");
  MemoryRichTextPane pane;
  ShowDetails(updaterEntry, pane);
  std::string details;
  for (size_t i = 0; i < pane.lines.size(); ++i) details += pane.Text(i) + "\n";
  for (const char* line : {"  Folder:  \\Vendor\\Deep\n", "  Author:  Vendor Inc.\n",
                           "  Starts:  at logon of any user, after a 30 s delay\n",
                           "  Command line:  \"%ProgramFiles%\\Vendor\\update.exe\" /silent\n",
                           "  Working folder:  %ProgramFiles%\\Vendor\n", "  Privileges:  runs with highest privileges\n",
                           "  Hidden:  the Task Scheduler's window does not show it unless asked to\n",
                           "  Last run:  2026-12-08 08:01, completed (0x0)\n"})
    EXPECT_NE(details.find(line), std::string::npos) << line << details;
  EXPECT_NE(details.find("COM handler {0A4B2E30-8F6C-4B1D-9D7A-1F2E3D4C5B6A} (not a program"), std::string::npos);
  EXPECT_EQ(details.find("Windows' own"), std::string::npos);
  ShowDetails(apps.GetItem(IndexOf("Indexer", true)), pane);
  details.clear();
  for (size_t i = 0; i < pane.lines.size(); ++i) details += pane.Text(i) + "\n";
  EXPECT_NE(details.find("  Windows' own:  a task of Windows itself"), std::string::npos) << details;

  Toggle("Updater", true);
  EXPECT_FALSE(sys.tasks.Task("\\Vendor\\Deep\\Updater")->enabled);
  EXPECT_EQ(Stored(), std::vector<std::string>{"Plain"}) << "nothing moves into the store";
  Toggle("Updater", false);
  EXPECT_TRUE(sys.tasks.Task("\\Vendor\\Deep\\Updater")->enabled);
  EXPECT_TRUE(sys.messages.shown.empty());

  Toggle("Locked", false);
  sys.tasks.tasks[FoldCase("\\Vendor\\Deep\\Updater")].xml = TaskXml(LogonTrigger(), ExecAction("C:\\other.exe"));
  Toggle("Updater", true);
  ASSERT_EQ(sys.messages.shown.size(), 2u);
  EXPECT_NE(sys.messages.shown[0].text.find("needs rights you do not have"), std::string::npos);
  EXPECT_NE(sys.messages.shown[1].text.find("changed by another program"), std::string::npos);
  EXPECT_FALSE(sys.tasks.Task("\\Locked")->enabled);
  EXPECT_TRUE(sys.tasks.Task("\\Vendor\\Deep\\Updater")->enabled);

  view.SelectItem(IndexOf("Indexer", true));
  sys.messages.answers = {0};
  form->actDeleteExecute();
  EXPECT_FALSE(sys.tasks.Task("\\Microsoft\\Windows\\Shell\\Indexer"));
  EXPECT_LT(IndexOf("Indexer", true), 0);

  // The console lists the task with its path, and switches it by its id.
  std::ostringstream out, err;
  console::Host host(out, err);
  ASSERT_EQ(console::Run({"list", "--format", "json"}, platform, host), console::kExitDone) << err.str();
  std::string id;
  for (const auto& entry : nlohmann::json::parse(out.str()))
    if (entry["task"] == "\\Vendor\\Deep\\Updater") {
      EXPECT_EQ(entry["foundIn"], "Task Scheduler");
      id = entry["id"];
    }
  ASSERT_EQ(console::Run({"disable", id}, platform, host), console::kExitDone) << err.str();
  EXPECT_FALSE(sys.tasks.Task("\\Vendor\\Deep\\Updater")->enabled);
}

// On 64-bit Windows the store is in the 32-bit registry view, where the 32-bit build keeps it.
TEST_F(StateTest, TheStoreLivesInThe32BitView) {
  sys.SetWindows64(true);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "App", "C:\\app.exe");
  Start();
  Toggle("App", true);
  EXPECT_TRUE(sys.registry.HasKey(kHkeyLocalMachine, "SOFTWARE\\WOW6432Node\\Velmora\\KLW2\\DisabledApps"));
  EXPECT_FALSE(sys.registry.HasKey(kHkeyLocalMachine, kDisabledAppsKey));
  EXPECT_EQ(Stored(), std::vector<std::string>{"App"});
  Toggle("App", false);
  EXPECT_TRUE(Stored().empty());
  EXPECT_NE(RunValue("App"), "<missing>");
}

// A second click handled after the first one's refresh acts on the entry it was made on,
// which is no longer listed as it was: nothing more happens, least of all to its twin.
TEST_F(StateTest, ActionsActOnTheEntryTheUserActedOn) {
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Sched", "C:\\machine.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Sched", "C:\\user.exe");
  Start();
  Toggle("Sched", true);
  Toggle("Sched", true);
  ASSERT_EQ(Stored().size(), 2u);
  const int user = apps.GetItem(0).Origin() == orRegistryUser ? 0 : 1, machine = 1 - user;
  view.SelectItem(machine);
  form->lvAppsChanging(user, false);
  form->lvAppsChange(user, true, true);
  form->lvAppsChange(user, true, true);  // the same click reported twice
  view.RunPending();
  EXPECT_EQ(RunValue("Sched"), "C:\\user.exe");
  EXPECT_EQ(RunValue("Sched", kHkeyLocalMachine), "<missing>");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Sched"});
  EXPECT_TRUE(sys.messages.shown.empty());
}

// Two copies of the program over one machine: a copy with a stale list loses nothing that
// the other did, and every entry is always in its place or in the store.
TEST_F(StateTest, TwoCopiesNeverLoseAnEntry) {
  for (const char* name : {"Alpha", "Beta", "Gamma"})
    sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, name, std::string("C:\\") + name + ".exe");
  Start();
  auto other = StartAnotherCopy();
  const auto click = [](testing::MemoryMainView& v, const std::string& caption) {
    for (size_t i = 0; i < v.items.size(); ++i)
      if (v.items[i].caption == "  " + caption) return v.ClickCheckBox(static_cast<int>(i));
    FAIL() << caption;
  };
  click(other->view, "Alpha");  // the other copy disables Alpha
  Toggle("Beta", true);          // this one has not seen that
  EXPECT_EQ(Stored(), (std::vector<std::string>{"Alpha", "Beta"}));
  // The other copy still shows Beta ticked; deleting it there finds its place empty and
  // leaves the stored copy alone.
  for (size_t i = 0; i < other->view.items.size(); ++i)
    if (other->view.items[i].caption == "  Beta" && other->view.items[i].checked) other->view.SelectItem(int(i));
  sys.messages.answers.push_back(0);  // Yes
  other->form->actDeleteExecute();
  EXPECT_EQ(Stored(), (std::vector<std::string>{"Alpha", "Beta"}));
  for (const char* name : {"Alpha", "Beta"}) EXPECT_EQ(RunValue(name), "<missing>") << name;
  EXPECT_EQ(RunValue("Gamma"), "C:\\Gamma.exe");
  EXPECT_EQ(sys.locks.acquired, 3);
}

// Just before an entry's place is changed it is read again: a place that holds something else
// now is left alone, and the user is told.
TEST_F(StateTest, APlaceChangedBehindTheListIsLeftAlone) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\windows\\notepad.exe -a");
  Start();
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\windows\\NEWPROGRAM.exe --new");
  Toggle("Tool", true);
  EXPECT_EQ(RunValue("Tool"), "C:\\windows\\NEWPROGRAM.exe --new");
  EXPECT_EQ(Stored(), std::vector<std::string>{"<no store>"});
  ASSERT_EQ(sys.messages.shown.size(), 1u);
  EXPECT_NE(sys.messages.shown[0].text.find("changed by another program"), std::string::npos);
  EXPECT_EQ(IndexOf("Tool", true), 0) << "the list was read again";

  // Enabling into a place that another program has taken meanwhile, and deleting an entry
  // whose value changed, leave the place as it is.
  Toggle("Tool", true);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\other.exe");
  Toggle("Tool", false);
  EXPECT_EQ(RunValue("Tool"), "C:\\other.exe");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Tool"});
  EXPECT_NE(sys.messages.shown.back().text.find("holds another entry"), std::string::npos);
  view.SelectItem(IndexOf("Tool", true));
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\third.exe");
  sys.messages.answers.push_back(0);  // Yes
  form->actDeleteExecute();
  EXPECT_EQ(RunValue("Tool"), "C:\\third.exe");
  EXPECT_NE(sys.messages.shown.back().text.find("changed by another program"), std::string::npos);

  // A shortcut compares whole: one whose working folder changed is neither stored nor removed.
  sys.links.AddLink(kStartup + "\\W.lnk", LinkData{"C:\\w.exe", "-a", 1, "C:\\old"});
  form->actRefreshExecute();
  sys.links.AddLink(kStartup + "\\W.lnk", LinkData{"C:\\w.exe", "-a", 1, "C:\\new"});
  const size_t before = sys.messages.shown.size();
  Toggle("w.exe", true);
  EXPECT_EQ(sys.links.Stored(kStartup + "\\W.lnk")->workingDirectory, "C:\\new");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Tool"});
  ASSERT_EQ(sys.messages.shown.size(), before + 1);
  EXPECT_NE(sys.messages.shown.back().text.find("changed by another program"), std::string::npos);
}

// A removal or write that fails undoes what the action did and says so; a stored entry edited
// to name another file never has that file overwritten.
TEST_F(StateTest, FailuresAreUndoneAndReported) {
  sys.links.AddLink(kStartup + "\\ro.lnk", LinkData{"C:\\ro.exe", "", 1, ""});
  sys.links.AddLink(testing::kTestCommonStartup + "\\all.lnk", LinkData{"C:\\all.exe", "", 1, ""});
  sys.files.AddFile("C:\\kw\\victim.txt", "precious");
  sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\evil", "Caption", "Evil");
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"Origin", "3"}, {"Enabled", "FALSE"},
                                    {"LinkFile", "C:\\kw\\victim.txt"}, {"FullPath", "C:\\evil.exe"}})
    sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\evil", name, value);
  sys.files.RefuseChanges(kStartup);
  sys.files.RefuseChanges(testing::kTestCommonStartup);
  Start();
  Toggle("ro.exe", true);
  EXPECT_TRUE(sys.files.FileExists(kStartup + "\\ro.lnk"));
  EXPECT_EQ(Stored(), std::vector<std::string>{"Evil"}) << "the stored copy was taken back";
  EXPECT_EQ(sys.messages.shown.back().text, "Cannot remove 'ro.exe' from " + kStartup + "\\ro.lnk. Nothing was changed.");
  view.SelectItem(IndexOf("all.exe", true));
  sys.messages.answers.push_back(0);  // Yes
  form->actDeleteExecute();
  EXPECT_TRUE(sys.files.FileExists(testing::kTestCommonStartup + "\\all.lnk"));
  EXPECT_EQ(sys.messages.shown.back().text.rfind("Cannot remove 'all.exe'", 0), 0u);
  Toggle("Evil", false);
  EXPECT_EQ(sys.files.ReadWholeFile("C:\\kw\\victim.txt"), "precious");
  EXPECT_NE(sys.messages.shown.back().text.find("holds another entry"), std::string::npos);
  sys.files.RemoveFile("C:\\kw\\victim.txt");
  Toggle("Evil", false);
  EXPECT_FALSE(sys.files.FileExists("C:\\kw\\victim.txt"));
  EXPECT_NE(sys.messages.shown.back().text.find("only as a .lnk file in the Startup folder"), std::string::npos);
  EXPECT_EQ(Stored(), std::vector<std::string>{"Evil"});

  sys.locks.busy = true;  // another copy holds the lock
  Toggle("ro.exe", true);
  EXPECT_EQ(Stored(), std::vector<std::string>{"Evil"});
  EXPECT_NE(sys.messages.shown.back().text.find("Another copy of Kelderwick"), std::string::npos);
}

// On 64-bit Windows both views of the machine's Run key are listed, the program's own first,
// and each entry is changed in its own view only.
TEST_F(StateTest, BothViewsOfTheMachineRunKey) {
  sys.SetWindows64(true);
  const std::string run32 = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Same", "C:\\64.exe");
  sys.registry.PutString(kHkeyLocalMachine, run32, "Same", "C:\\32.exe");
  sys.registry.PutString(kHkeyLocalMachine, run32, "Only32", "C:\\only32.exe");
  Start();
  ASSERT_EQ(view.Captions(), (std::vector<std::string>{"  Same", "  Same", "  Only32"}));
  view.SelectItem(1);
  EXPECT_EQ(view.display.Text(4), "  Found in:  Registry ( Common, 32-bit )");
  view.SelectItem(0);
  EXPECT_EQ(view.display.Text(4), "  Found in:  Registry ( Common )");
  view.ClickCheckBox(1);
  EXPECT_EQ(RunValue("Same", kHkeyLocalMachine), "C:\\64.exe") << "the other view is left alone";
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyLocalMachine, "Same", RegView::Bits32), "<missing>");
  EXPECT_EQ(IndexOf("Same", false), 2);
  view.ClickCheckBox(2);
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyLocalMachine, "Same", RegView::Bits32), "C:\\32.exe");
  EXPECT_EQ(RunValue("Same", kHkeyLocalMachine), "C:\\64.exe");

  // A machine-wide entry stored by an earlier version, without a view, goes to the 32-bit one.
  const std::string old = std::string("SOFTWARE\\WOW6432Node\\Velmora\\KLW2\\DisabledApps\\old");
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"Caption", "Old"}, {"Origin", "0"},
                                    {"Enabled", "FALSE"}, {"FullPath", "C:\\old.exe"}})
    sys.registry.PutString(kHkeyLocalMachine, old, name, value);
  form->actRefreshExecute();
  Toggle("Old", false);
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyLocalMachine, "Old", RegView::Bits32), "\"C:\\old.exe\" ");
  EXPECT_EQ(RunValue("Old", kHkeyLocalMachine), "<missing>");
  EXPECT_TRUE(sys.messages.shown.empty());
}

// Switches of Windows' own startup settings: off makes the entry unticked with a line in its
// details; anything malformed reads as on; ticking writes on and leaves the entry in place.
TEST_F(StateTest, WindowsStartupSwitches) {
  const std::string approved = std::string(kStartupApprovedKey) + "\\Run";
  const std::string offAt = "\x03\0\0\0\x00\xf4\x65\xc4\x86\xa9\xdc\x01"s;  // 2026-03-01 14:22 UTC
  for (const char* name : {"Off", "Short", "Unknown", "Text", "On", "Gone"})
    sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, name, std::string("C:\\") + name + ".exe");
  sys.registry.Put(kHkeyCurrentUser, approved, "Off", RegValue{kRegBinary, offAt});
  sys.registry.Put(kHkeyCurrentUser, approved, "Short", RegValue{kRegBinary, "\x03\0\0"s});
  sys.registry.Put(kHkeyCurrentUser, approved, "Unknown", RegValue{kRegBinary, "\x63\x60\x60\x60\x62\xF9\x8C\x76\xC5\x3B\xD9\x91"s});
  sys.registry.Put(kHkeyCurrentUser, approved, "Text", RegValue{kRegSz, "03"});
  sys.registry.Put(kHkeyCurrentUser, approved, "On", StartupSwitchOn());
  sys.registry.Put(kHkeyCurrentUser, approved, "Gone", RegValue{kRegBinary, offAt});
  Start();
  EXPECT_EQ(view.Checks(), (std::vector<bool>{false, true, true, true, true, false}));
  EXPECT_TRUE(sys.messages.shown.empty());
  view.SelectItem(IndexOf("Off", false));
  std::vector<std::string> details;
  for (size_t i = 0; i < view.display.lines.size(); ++i) details.push_back(view.display.Text(i));
  EXPECT_NE(std::find(details.begin(), details.end(), "  Switched off by:  Windows startup settings, 2026-03-01 14:22"),
            details.end());

  sys.registry.RefuseWrite(kHkeyCurrentUser, approved);
  Toggle("Off", false);
  EXPECT_NE(sys.messages.shown.back().text.find("Cannot switch 'Off' on"), std::string::npos);
  EXPECT_EQ(IndexOf("Off", false), 0) << "still off, still listed";
  sys.registry.ClearFaults();
  Toggle("Off", false);
  EXPECT_EQ(sys.registry.OpenKey(kHkeyCurrentUser, approved, false)->QueryValue("Off")->data, StartupSwitchOn().data);
  EXPECT_EQ(RunValue("Off"), "C:\\Off.exe");
  EXPECT_EQ(Stored(), std::vector<std::string>{"<no store>"}) << "nothing moves into the store";

  // Disabled and enabled through the store, the entry comes back with its switch on; deleted,
  // it takes its switch along.
  view.SelectItem(IndexOf("Gone", false));
  form->actDisableAppExecute();
  Toggle("Gone", false);
  EXPECT_EQ(sys.registry.OpenKey(kHkeyCurrentUser, approved, false)->QueryValue("Gone")->data, StartupSwitchOn().data);
  sys.registry.Put(kHkeyCurrentUser, approved, "Gone", RegValue{kRegBinary, offAt});
  form->actRefreshExecute();
  view.SelectItem(IndexOf("Gone", false));
  sys.messages.answers.push_back(0);  // Yes
  form->actDeleteExecute();
  EXPECT_EQ(RunValue("Gone"), "<missing>");
  EXPECT_FALSE(sys.registry.OpenKey(kHkeyCurrentUser, approved, false)->QueryValue("Gone"));
}

TEST_F(StateTest, TheStoreIsWrittenBeforeTheEntryIsRemoved) {
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Tool", "C:\\tool.exe");
  std::vector<std::string> order;
  sys.registry.SetFaultHook([&](RegOp op, RootKey, const std::string& path, const std::string& value) {
    if (op == RegOp::Write && path.find("DisabledApps") != std::string::npos) order.push_back("store");
    if (op == RegOp::DeleteValue && value == "Tool") order.push_back("remove");
    return false;
  });
  Start();
  Toggle("Tool", true);
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), "store");
  EXPECT_EQ(order.back(), "remove");
}

TEST_F(StateTest, ARefusedStoreLeavesTheEntryInPlaceAndSaysSo) {
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Tool", "C:\\tool.exe");
  sys.registry.RefuseWrite(kHkeyLocalMachine, "SOFTWARE\\Velmora");
  Start();
  Toggle("Tool", true);
  EXPECT_EQ(RunValue("Tool", kHkeyLocalMachine), "C:\\tool.exe");
  ASSERT_EQ(sys.messages.shown.size(), 1u);
  EXPECT_EQ(sys.messages.shown[0].text, "Cannot save the list of disabled applications");
  EXPECT_EQ(view.Checks(), std::vector<bool>{true}) << "the list shows the truth again";
}

TEST_F(StateTest, ARefusedRunWriteEndsTheEnableAndKeepsTheEntryStored) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  Start();
  Toggle("Tool", true);
  sys.registry.RefuseWrite(kHkeyCurrentUser, kRunKeyPath);
  try {
    Toggle("Tool", false);
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'Tool'");
  }
  EXPECT_EQ(RunValue("Tool"), "<missing>");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Tool"});
  EXPECT_TRUE(form->ListReady);
}

// Byte for byte, with what the shell keeps in the file beside the properties read from it.
TEST_F(StateTest, ShortcutsComeBackAsTheyWere) {
  sys.links.AddLink(kStartup + "\\My Tool.lnk",
                    LinkData{"C:\\Tools\\tool.exe", " -a  -b ", 7, "C:\\elsewhere", "C:\\icons.dll", 3}, true, true,
                    false, "description, hot key, run as administrator\x01\xFF"s);
  sys.links.AddLink(kStartup + "\\Plain.lnk", LinkData{"C:\\plain.exe", "", 1, ""});
  const auto bytes = sys.files.ReadWholeFile(kStartup + "\\My Tool.lnk");
  Start();
  Toggle("tool.exe", true);
  Toggle("plain.exe", true);
  EXPECT_FALSE(sys.files.FileExists(kStartup + "\\My Tool.lnk"));
  Toggle("tool.exe", false);
  Toggle("plain.exe", false);
  const auto link = sys.links.Stored(kStartup + "\\My Tool.lnk");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, "C:\\Tools\\tool.exe");
  EXPECT_EQ(link->arguments, " -a  -b ");
  EXPECT_EQ(link->showCmd, 7);
  EXPECT_EQ(link->workingDirectory, "C:\\elsewhere");
  EXPECT_EQ(link->iconPath, "C:\\icons.dll");
  EXPECT_EQ(link->iconIndex, 3);
  const auto plain = sys.links.Stored(kStartup + "\\Plain.lnk");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->workingDirectory, "") << "an empty working folder stays empty";
  EXPECT_EQ(plain->iconPath, "");
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(sys.files.ReadWholeFile(kStartup + "\\My Tool.lnk"), bytes);
}

TEST_F(StateTest, AShortcutThatCannotBeSavedIsReportedAndStaysStored) {
  sys.links.AddLink(kStartup + "\\t.lnk", LinkData{"C:\\t.exe", "", 1, ""});
  Start();
  Toggle("t.exe", true);
  sys.files.RefuseChanges(kStartup);
  Toggle("t.exe", false);
  ASSERT_FALSE(sys.messages.shown.empty());
  EXPECT_EQ(sys.messages.shown.back().text, "Error saving " + kStartup + "\\t.lnk");
  EXPECT_EQ(Stored(), std::vector<std::string>{"t.exe"});
  EXPECT_EQ(IndexOf("t.exe", false), 0);

  // Stored without the file's bytes (by an earlier version), it is written through the shell.
  sys.registry.OpenKey(kHkeyLocalMachine, StoredKey("t.exe"), false)->DeleteValue(keys::LinkBytes);
  sys.links.failCreate = true;
  EXPECT_THROW(Toggle("t.exe", false), EShellError);
  EXPECT_EQ(Stored(), std::vector<std::string>{"t.exe"});
  sys.links.failCreate = false;
  form->actRefreshExecute();  // the error ended the action before its refresh
  sys.links.refuseProperty = true;  // as for a target longer than a shortcut holds
  Toggle("t.exe", false);
  EXPECT_EQ(sys.messages.shown.back().text.rfind("Cannot write the shortcut " + kStartup + "\\t.lnk", 0), 0u)
      << sys.messages.shown.back().text;
  EXPECT_EQ(Stored(), std::vector<std::string>{"t.exe"});
}

TEST_F(StateTest, TheMessengerPolicyFollowsOnlyWhereItsKeyExists) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "msMsgs", "C:\\msmsgs.exe");
  sys.links.AddLink(kStartup + "\\m.lnk", LinkData{"C:\\MSMSGS", "", 1, ""});
  Start();
  Toggle("msMsgs", true);
  EXPECT_EQ(PolicyValue(), -2) << "the key is never created";
  Toggle("msMsgs", false);

  sys.registry.CreateKey(kHkeyLocalMachine, kPolicyKey);
  Toggle("msMsgs", true);
  EXPECT_EQ(PolicyValue(), 1);
  Toggle("msMsgs", false);
  EXPECT_EQ(PolicyValue(), 0);

  sys.registry.Put(kHkeyLocalMachine, kPolicyKey, kMessengerPolicyValue, RegValue{kRegDword, std::string("\x05\0\0\0", 4)});
  Toggle("MSMSGS", true);  // the shortcut's caption: a Startup-folder entry never touches the policy
  EXPECT_EQ(PolicyValue(), 5);

  // A policy that cannot be set leaves the entry disabled (stored, never lost) and says so.
  sys.registry.DenyWriteAccess(kHkeyLocalMachine, kPolicyKey);
  Toggle("msMsgs", true);
  EXPECT_EQ(sys.messages.shown.back().text, "'msMsgs' is disabled, but the Messenger policy that goes with it could "
                                            "not be set: Failed to set data for 'PreventAutoRun'");
  EXPECT_EQ(PolicyValue(), 5);
  EXPECT_EQ(RunValue("msMsgs"), "<missing>");
  EXPECT_EQ(Stored(), (std::vector<std::string>{"MSMSGS", "msMsgs"}));
}

// A user without administrator rights may read HKEY_LOCAL_MACHINE but not write it: after a
// start every machine-wide and every stored entry is listed, and a refusal for lack of rights
// is told apart from other refusals.
TEST_F(StateTest, AStandardUserSeesEveryEntry) {
  sys.SetWindows64(true);
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Machine", "C:\\machine.exe");
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Parked", "C:\\parked.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Mine", "C:\\mine.exe");
  Start();
  EXPECT_TRUE(CanChangeMachineWide(platform)) << "no store yet: the nearest key above it counts";
  Toggle("Parked", true);
  EXPECT_TRUE(CanChangeMachineWide(platform));

  sys.registry.DenyWriteAccess(kHkeyLocalMachine, "");
  EXPECT_FALSE(CanChangeMachineWide(platform));
  Start();
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Machine", "  Mine", "  Parked"}));
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, true, false}));
  EXPECT_TRUE(sys.messages.shown.empty());
  // Changing a machine-wide entry, or the store kept for all users, is refused with the reason.
  Toggle("Machine", true);
  EXPECT_EQ(sys.messages.shown.back().text, kMachineWideNeedsAdminMessage);
  Toggle("Mine", true);
  EXPECT_NE(sys.messages.shown.back().text.find("needs administrator rights"), std::string::npos);
  EXPECT_EQ(RunValue("Machine", kHkeyLocalMachine), "C:\\machine.exe");
  EXPECT_EQ(RunValue("Mine"), "C:\\mine.exe");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Parked"});

  sys.registry.ClearFaults();
  sys.registry.RefuseWrite(kHkeyLocalMachine, "SOFTWARE\\WOW6432Node\\Velmora");
  EXPECT_TRUE(CanChangeMachineWide(platform)) << "a refusal that is not for lack of rights";
  sys.registry.DenyWriteAccess(kHkeyLocalMachine, kRunKeyPath);
  EXPECT_FALSE(CanChangeMachineWide(platform));
}

TEST_F(StateTest, DeletingEntries) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Kept", "C:\\kept.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Gone", "C:\\gone.exe");
  Start();
  Toggle("Kept", true);
  view.SelectItem(IndexOf("Gone", true));
  sys.messages.answers = {0};
  form->actDeleteExecute();
  EXPECT_EQ(RunValue("Gone"), "<missing>");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Kept"}) << "deleting an enabled entry leaves the store";

  view.SelectItem(IndexOf("Kept", false));
  sys.messages.answers = {1};
  form->actDeleteExecute();
  EXPECT_EQ(Stored(), std::vector<std::string>{"Kept"});
  sys.messages.answers = {0};
  form->actDeleteExecute();
  EXPECT_TRUE(Stored().empty()) << "the store key is present and empty";
  EXPECT_TRUE(view.items.empty());
}

TEST_F(StateTest, AnOriginWithoutAPlaceIsEnabledByTheFlagAloneAndDropped) {
  const std::string key = std::string(kDisabledAppsKey) + "\\5556-12";
  sys.registry.PutString(kHkeyLocalMachine, key, "Caption", "Nowhere");
  sys.registry.PutString(kHkeyLocalMachine, key, "Origin", "9");
  sys.registry.PutString(kHkeyLocalMachine, key, "Enabled", "FALSE");
  Start();
  Toggle("Nowhere", false);
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(view.items.empty());
}

// A program that writes its value back after it was switched off: one ticked, marked row that
// says so; unticked, Windows' own switch keeps it off whatever the program writes, and the
// stored copy goes; ticked, the switch is on again. A different program in the place stays a
// row of its own.
TEST_F(StateTest, AProgramThatPutsItsValueBackIsKeptOffWithWindowsSwitch) {
  const std::string approved = std::string(kStartupApprovedKey) + "\\Run";
  const auto switchOff = [&]() {
    auto key = sys.registry.OpenKeyIn(RegView::Bits64, kHkeyCurrentUser, approved, RegAccess::Read);
    const auto value = key ? key->QueryValue("Pushy") : std::nullopt;
    return value ? std::optional<bool>(DecodeStartupSwitch(*value).off) : std::nullopt;
  };
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Pushy", "C:\\pushy.exe");
  Start();
  Toggle("Pushy", true);
  EXPECT_EQ(GetOptionString(apps.GetItem(0), keys::DisabledOn).substr(0, 10), DisabledOnNow().substr(0, 10));
  for (const char* back : {"C:\\pushy.exe", "\"C:\\PUSHY.exe\" --tray"}) {
    sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Pushy", back);
    form->actRefreshExecute();
    ASSERT_EQ(view.Checks(), std::vector<bool>{true}) << back;
    EXPECT_EQ(view.items[0].mark & kMarkCameBack, kMarkCameBack);
    view.SelectItem(0);
    EXPECT_NE(view.DetailsText().find("State:  Came back after you switched it off on " + DisabledOnNow().substr(0, 10)),
              std::string::npos);
  }
  Toggle("Pushy", true);
  EXPECT_EQ(RunValue("Pushy"), "\"C:\\PUSHY.exe\" --tray");
  EXPECT_EQ(switchOff(), true);
  EXPECT_EQ(Stored(), std::vector<std::string>{});
  EXPECT_EQ(view.Checks(), std::vector<bool>{false});
  EXPECT_EQ(view.items[0].mark & kMarkCameBack, 0);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Pushy", "C:\\pushy.exe --other");
  form->actRefreshExecute();
  EXPECT_EQ(view.Checks(), std::vector<bool>{false}) << "the switch is by name";
  Toggle("Pushy", false);
  EXPECT_EQ(switchOff(), false);
  EXPECT_EQ(RunValue("Pushy"), "C:\\pushy.exe --other");

  Toggle("Pushy", true);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Pushy", "C:\\other.exe");
  form->actRefreshExecute();
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, false})) << "another program";
  EXPECT_EQ(view.items[0].mark & kMarkCameBack, 0);

  // Chosen in the Options menu, unticking uses Windows' switch at once; the choice is kept
  // for the user.
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  form->actWindowsSwitchExecute();
  EXPECT_TRUE(SwitchOffWithWindowsSet(platform));
  form->actRefreshExecute();
  Toggle("Tool", true);
  EXPECT_EQ(RunValue("Tool"), "C:\\tool.exe");
  EXPECT_EQ(Stored(), std::vector<std::string>{"Pushy"});
  EXPECT_TRUE(sys.messages.shown.empty());
}

TEST_F(StateTest, DllRunnerEntriesAreWrittenBackAsFound) {
  const std::string panel = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl";
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Display", panel);
  sys.links.AddLink(kStartup + "\\r.lnk", LinkData{"C:\\Windows\\rundll32.exe", "shell32.dll,Options_RunDLL 1", 1, ""});
  Start();
  Toggle("Display", true);
  Toggle("Display", false);
  EXPECT_EQ(RunValue("Display"), panel);

  const int shortcut = IndexOf("shell32.dll", true);
  ASSERT_GE(shortcut, 0);
  view.ClickCheckBox(shortcut);
  Toggle("shell32.dll", false);
  const auto link = sys.links.Stored(kStartup + "\\r.lnk");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, "C:\\Windows\\rundll32.exe");
  EXPECT_EQ(link->arguments, "shell32.dll,Options_RunDLL 1");
}

// A box left open never keeps another copy waiting: the lock is let go before any box shows.
TEST_F(StateTest, NoBoxIsShownWhileTheLockIsHeld) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Machine", "C:\\machine.exe");
  Start();
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\changed.exe");
  Toggle("Tool", true);
  sys.registry.DenyWriteAccess(kHkeyLocalMachine, "");
  Toggle("Machine", true);
  ASSERT_EQ(sys.messages.shown.size(), 2u);
  EXPECT_EQ(sys.messages.shown[1].text, kMachineWideNeedsAdminMessage);
  EXPECT_EQ(sys.messages.shownWhileLocked, std::vector<std::string>{});
  EXPECT_FALSE(sys.locks.AnyHeld());
}

// Another copy never lists an entry half stored, and enabling writes the entry as the store
// holds it when the action runs, not as it was listed.
TEST_F(StateTest, StoredEntriesAreSeenWholeAndEnabledAsStoredNow) {
  const std::string command = "\"C:\\tool.exe\" -x";
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", command);
  Start();
  std::vector<std::string> listed;  // by another copy, at every write into the store
  sys.registry.SetFaultHook([&](RegOp op, RootKey, const std::string& path, const std::string&) {
    if (op != RegOp::Write || path.find("DisabledApps") == std::string::npos) return false;
    TAppList list;
    LoadDisabledApps(list, platform);
    for (int i = 0; i < list.Count(); ++i) listed.push_back(list.GetItem(i).Caption() + " " + list.GetItem(i).CommandLine());
    return false;
  });
  Toggle("Tool", true);
  sys.registry.SetFaultHook(nullptr);
  EXPECT_EQ(listed, std::vector<std::string>{});
  EXPECT_EQ(Stored(), std::vector<std::string>{"Tool"});

  // Listed while something wrote it value by value, enabled once it is complete.
  const std::string half = std::string(kDisabledAppsKey) + "\\half";
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"Caption", "Half"}, {"Origin", "1"}, {"Enabled", "FALSE"}})
    sys.registry.PutString(kHkeyLocalMachine, half, name, value);
  form->actRefreshExecute();
  for (const auto& [name, value] : {std::pair<const char*, std::string>{"CommandLine", command}, {"FullPath", "C:\\tool.exe"},
                                    {"Arguments", " -x"}, {"ValueType", "1"}, {"AsFound", "TRUE"}})
    sys.registry.PutString(kHkeyLocalMachine, half, name, value);
  Toggle("Half", false);
  EXPECT_EQ(RunValue("Half"), command);
  EXPECT_EQ(Stored(), std::vector<std::string>{"Tool"});
}

// One answer to "which view" for a machine-wide entry stored without one by the earlier 32-bit
// program: its value and its switch are the 32-bit view's; the 64-bit view's entry of that name
// and the switch the user set for it are left alone. 32-bit Windows keeps its one view's
// switches under Run.
TEST_F(StateTest, AMachineWideEntryIsInOneViewEverywhere) {
  const std::string approved = std::string(kStartupApprovedKey) + "\\";
  const RegValue off{kRegBinary, "\x03\0\0\0\x00\xf4\x65\xc4\x86\xa9\xdc\x01"s};
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Only", "C:\\only.exe");
  sys.registry.Put(kHkeyLocalMachine, approved + "Run", "Only", off);
  Start();
  EXPECT_EQ(view.Checks(), std::vector<bool>{false}) << "32-bit Windows: the switch under Run";

  for (const std::string& key : {std::string(kRunKeyPath), approved + "Run"})
    sys.registry.DeleteKeyIn(RegView::Native, kHkeyLocalMachine, key);
  sys.SetWindows64(true);
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Foo", "C:\\native.exe");
  sys.registry.Put(kHkeyLocalMachine, approved + "Run", "Foo", off);
  sys.registry.Put(kHkeyLocalMachine, approved + "Run32", "Foo", off);
  const std::string old = "SOFTWARE\\WOW6432Node\\Velmora\\KLW2\\DisabledApps\\old";
  for (const auto& [name, value] : {std::pair<const char*, const char*>{"Caption", "Foo"}, {"Origin", "0"},
                                    {"Enabled", "FALSE"}, {"FullPath", "C:\\old.exe"}})
    sys.registry.PutString(kHkeyLocalMachine, old, name, value);
  form->actRefreshExecute();
  ASSERT_EQ(view.Captions(), (std::vector<std::string>{"  Foo", "  Foo"}));
  EXPECT_EQ(FoundInText(apps.GetItem(1)), "Registry ( Common, 32-bit )") << "shown where it goes back";
  view.ClickCheckBox(1);
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyLocalMachine, "Foo", RegView::Bits32), "\"C:\\old.exe\" ");
  EXPECT_EQ(RunValue("Foo", kHkeyLocalMachine), "C:\\native.exe");
  const auto switchOf = [&](const std::string& key) {
    return sys.registry.OpenKeyIn(RegView::Bits64, kHkeyLocalMachine, approved + key, RegAccess::Read)->QueryValue("Foo")->data;
  };
  EXPECT_EQ(switchOf("Run"), off.data) << "the user's switch of the 64-bit Foo";
  EXPECT_EQ(switchOf("Run32"), StartupSwitchOn().data);
  EXPECT_EQ(view.Checks(), (std::vector<bool>{false, true}));
  EXPECT_TRUE(sys.messages.shown.empty());
}

// Every write of an action made to fail in turn, counted in a run without faults: afterwards
// the place and the store are each as before or as after success (never in part), the entry
// is never nowhere unless deleted, in both places only where the user is told so, and every
// failure is told.
TEST(ActionFaults, EveryFailedWriteLeavesTheEntryInPlaceOrStored) {
  using testing::AddStartupFolders;
  enum Action { kDisable, kEnable, kDeleteShown, kDeleteStored };
  struct Row {
    const char* name;
    std::string caption;
    std::function<void(MemoryPlatform&)> setUp;
    std::function<std::optional<std::string>(MemoryPlatform&)> place;
    std::vector<Action> actions = {kDisable, kEnable, kDeleteShown, kDeleteStored};
    std::function<void(MemoryPlatform&)> afterDisable = nullptr;
  };
  const RegValue off{kRegBinary, "\x03\0\0\0\x00\xf4\x65\xc4\x86\xa9\xdc\x01"s};
  const std::string approvedRun = std::string(kStartupApprovedKey) + "\\Run";
  const auto runPlace = [](RootKey root, RegView view, std::string name) {
    return [=](MemoryPlatform& sys) -> std::optional<std::string> {
      auto key = sys.registry.OpenKeyIn(view, root, kRunKeyPath, RegAccess::Read);
      const auto value = key ? key->QueryValue(name) : std::nullopt;
      if (!value) return std::nullopt;
      return std::to_string(value->type) + ":" + value->data;
    };
  };
  const auto filePlace = [](std::string path) {
    return [=](MemoryPlatform& sys) { return sys.files.ReadWholeFile(path); };
  };
  const std::string link = kStartup + "\\Tool.lnk";
  const Row rows[] = {
      {"a Run value switched off by Windows", "Tool",
       [&](MemoryPlatform& sys) {
         sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "\"C:\\tool.exe\" -x");
         sys.registry.Put(kHkeyCurrentUser, approvedRun, "Tool", off);
       },
       runPlace(kHkeyCurrentUser, RegView::Native, "Tool")},
      {"Messenger's machine-wide value", "MSMSGS",
       [&](MemoryPlatform& sys) {
         sys.SetWindows64(true);
         sys.registry.Put(kHkeyLocalMachine, kRunKeyPath, "MSMSGS", RegValue{kRegExpandSz, "%windir%\\msmsgs.exe"});
         sys.registry.CreateKey(kHkeyLocalMachine, kPolicyKey);
       },
       runPlace(kHkeyLocalMachine, RegView::Bits64, "MSMSGS")},
      {"a Run value that came back (its switch is part of its place)", "Tool",
       [&](MemoryPlatform& sys) {
         sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "\"C:\\tool.exe\" -x");
         TRegistry reg = StoreRegistry(sys.registry);
         reg.OpenKey(std::string(kDisabledAppsKey) + "\\older", true);
         for (const auto& [name, value] : {std::pair<const char*, const char*>{"Caption", "Tool"}, {"Origin", "1"},
                                           {"Enabled", "FALSE"}, {"FullPath", "C:\\tool.exe"}})
           reg.WriteString(name, value);
       },
       [&](MemoryPlatform& sys) -> std::optional<std::string> {
         const auto value = runPlace(kHkeyCurrentUser, RegView::Native, "Tool")(sys);
         auto key = sys.registry.OpenKeyIn(RegView::Native, kHkeyCurrentUser, approvedRun, RegAccess::Read);
         const auto switchValue = key ? key->QueryValue("Tool") : std::nullopt;
         if (!value) return std::nullopt;
         return *value + "|" + (switchValue ? switchValue->data.substr(0, 1) : "none");
       },
       {kDisable, kDeleteShown}},
      {"a shortcut", "tool.exe",
       [&](MemoryPlatform& sys) {
         sys.links.AddLink(link, LinkData{"C:\\tool.exe", "-x", 7, "C:\\", "C:\\i.dll", 2}, true, true, false, "hot key");
       },
       filePlace(link)},
      {"a shortcut stored by an earlier version", "tool.exe",
       [&](MemoryPlatform& sys) { sys.links.AddLink(link, LinkData{"C:\\tool.exe", "-x", 1, ""}); }, filePlace(link),
       {kEnable},
       [](MemoryPlatform& sys) {
         TRegistry reg = StoreRegistry(sys.registry);
         reg.OpenKeyReadOnly(kDisabledAppsKey);
         const std::string key = std::string(kDisabledAppsKey) + "\\" + reg.GetKeyNames().at(0);
         for (const char* name : {keys::LinkBytes, keys::AsFound}) sys.registry.OpenKey(kHkeyLocalMachine, key, false)->DeleteValue(name);
       }},
  };
  // The stored entries, each as its values (subkey names are made afresh by every store).
  const auto store = [](MemoryPlatform& sys) {
    std::vector<std::map<std::string, std::string>> entries;
    TRegistry reg = StoreRegistry(sys.registry);
    if (!reg.OpenKeyReadOnly(kDisabledAppsKey)) return entries;
    for (const std::string& name : reg.GetKeyNames()) {
      TRegistry entry = StoreRegistry(sys.registry);
      entry.OpenKeyReadOnly(std::string(kDisabledAppsKey) + "\\" + name);
      auto& values = entries.emplace_back();
      for (const std::string& value : entry.GetValueNames())
        if (value != keys::DisabledOn) values[value] = entry.ReadValue(value)->data;  // the minute may turn between runs
    }
    return entries;
  };
  struct State {
    std::optional<std::string> place;
    std::vector<std::map<std::string, std::string>> stored;
    bool operator==(const State&) const = default;
  };

  for (const Row& row : rows) {
    for (const Action action : row.actions) {
      // Runs the action in a world of its own, the refuse-th write refused (-1: none); gives
      // the state before and after, how many writes it made and what the user was told.
      const auto run = [&](int refuse, State& before, State& after, std::string& told) {
        MemoryPlatform sys;
        Platform platform = sys.platform();
        AddStartupFolders(sys);
        row.setUp(sys);
        const auto listed = [&](bool enabled) {
          TAppList list;
          ScanAllEntries(list, platform);
          auto copy = std::make_unique<TAppItem>();
          for (int i = 0; i < list.Count(); ++i)
            if (list.GetItem(i).Caption() == row.caption && list.GetItem(i).Enabled() == enabled) copy->Assign(list.GetItem(i));
          EXPECT_EQ(copy->Caption(), row.caption) << "listed";
          return copy;
        };
        if (action == kEnable || action == kDeleteStored) {
          EXPECT_TRUE(DisableEntry(*listed(true), platform));
          if (row.afterDisable) row.afterDisable(sys);
        }
        const auto shown = listed(action == kDisable || action == kDeleteShown);
        before = State{row.place(sys), store(sys)};
        int writes = 0;
        sys.registry.SetFaultHook([&](RegOp op, RootKey, const std::string&, const std::string&) {
          return op != RegOp::Open && writes++ == refuse;
        });
        sys.files.faultHook = [&](MemoryFileSystem::Op, const std::string&) { return writes++ == refuse; };
        try {
          switch (action) {
            case kDisable: DisableEntry(*shown, platform); break;
            case kEnable: EnableEntry(*shown, platform); break;
            case kDeleteShown:
            case kDeleteStored: DeleteEntry(*shown, platform); break;
          }
        } catch (const std::exception& error) {
          told = error.what();
        }
        sys.registry.SetFaultHook(nullptr);
        sys.files.faultHook = nullptr;
        after = State{row.place(sys), store(sys)};
        for (const MessageRequest& box : sys.messages.shown) told += box.text + "\n";
        EXPECT_EQ(sys.messages.shownWhileLocked, std::vector<std::string>{});
        return writes;
      };
      State before, success;
      std::string told;
      const int writes = run(-1, before, success, told);
      SCOPED_TRACE(std::string(row.name) + ", action " + std::to_string(action));
      ASSERT_EQ(told, "");
      ASSERT_NE(before, success);
      ASSERT_GT(writes, 0);
      const bool deleting = action == kDeleteShown || action == kDeleteStored;
      for (int refuse = 0; refuse < writes; ++refuse) {
        SCOPED_TRACE("write " + std::to_string(refuse) + " of " + std::to_string(writes) + " refused");
        State from, now;
        told.clear();
        run(refuse, from, now, told);
        ASSERT_EQ(from, before);
        EXPECT_NE(told, "") << "a failure is told";
        EXPECT_TRUE(now.place == before.place || now.place == success.place) << now.place.value_or("<none>");
        EXPECT_TRUE(now.stored == before.stored || now.stored == success.stored) << now.stored.size();
        const bool inPlace = now.place && (now.place == before.place || now.place == success.place);
        const bool stored = now.stored.size() == std::max(before.stored.size(), success.stored.size()) &&
                            (before.stored.size() + success.stored.size() > 0);
        EXPECT_TRUE(inPlace || stored || (deleting && now == success)) << "the entry is nowhere";
        if (now != before && now != success) {
          EXPECT_NE(told.find("as well"), std::string::npos) << told;
        }
      }
    }
  }
}

TEST(DisabledAppsStore, EntriesNeverShareASubkey) {
  MemoryPlatform sys;
  Platform platform = sys.platform();
  TAppList list;
  const std::pair<const char*, const char*> entries[] = {
      {"One", "12346-12"}, {"Two", "12346-12"},  // made in the same millisecond
      {"Three", "Name"},   {"Four", "NAME"},     // the registry ignores letter case
      {"Five", ""},        {"Six", "a\\b"},      // no subkey could hold these
  };
  for (const auto& [caption, name] : entries) {
    TAppItem& entry = list.Add();
    entry.SetCaption(caption);
    entry.SetEnabled(false);
    entry.ListName = name;
  }
  ASSERT_TRUE(SaveDisabledApps(list, platform));
  TAppList loaded;
  LoadDisabledApps(loaded, platform);
  std::vector<std::string> captions;
  for (int i = 0; i < loaded.Count(); ++i) {
    captions.push_back(loaded.GetItem(i).Caption());
    EXPECT_FALSE(loaded.GetItem(i).Enabled());
  }
  std::sort(captions.begin(), captions.end());
  EXPECT_EQ(captions, (std::vector<std::string>{"Five", "Four", "One", "Six", "Three", "Two"}));
}

// Many disable/enable rounds over many entries leave the system and the store as they began.
TEST_F(StateTest, SoakOfDisableAndEnableLosesNothing) {
  std::mt19937 rng(7);
  std::map<std::string, std::string> runValues;
  for (int i = 0; i < 25; ++i) {
    const std::string name = "Run " + std::to_string(i);
    const std::string data = "\"C:\\Apps\\app" + std::to_string(i) + ".exe\"  -n " + std::to_string(i);
    sys.registry.PutString(i % 2 ? kHkeyCurrentUser : kHkeyLocalMachine, kRunKeyPath, name, data);
    runValues[name] = data;
  }
  for (int i = 0; i < 25; ++i)
    sys.links.AddLink(kStartup + "\\link" + std::to_string(i) + ".lnk",
                      LinkData{"C:\\Tools\\tool" + std::to_string(i) + ".exe", "-x " + std::to_string(i), 1,
                               kStartup + "\\"});
  Start();
  ASSERT_EQ(view.ItemCount(), 50);
  std::uniform_int_distribution<int> pick(0, 49);
  for (int round = 0; round < 200; ++round) {
    view.ClickCheckBox(pick(rng));
    ASSERT_EQ(view.ItemCount(), 50);
  }
  // Tick everything that is unticked.
  for (int click = 0; click < 100; ++click) {
    int unticked = -1;
    for (size_t i = 0; i < view.items.size(); ++i)
      if (!view.items[i].checked) unticked = static_cast<int>(i);
    if (unticked < 0) break;
    view.ClickCheckBox(unticked);
  }
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(sys.messages.shown.empty()) << sys.messages.shown.front().text;
  for (const auto& [name, data] : runValues) {
    const int i = std::stoi(name.substr(4));
    EXPECT_EQ(RunValue(name, i % 2 ? kHkeyCurrentUser : kHkeyLocalMachine), data) << name;
  }
  for (int i = 0; i < 25; ++i) {
    const auto link = sys.links.Stored(kStartup + "\\link" + std::to_string(i) + ".lnk");
    ASSERT_TRUE(link) << i;
    EXPECT_EQ(link->targetPath, "C:\\Tools\\tool" + std::to_string(i) + ".exe");
    EXPECT_EQ(link->arguments, "-x " + std::to_string(i));
  }
}

}  // namespace
}  // namespace kw
