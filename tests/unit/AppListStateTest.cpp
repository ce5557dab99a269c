#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "MainFormSupport.h"
#include "RegistryReadBack.h"
#include "entries/unitAppListState.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
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

TEST_F(StateTest, ShortcutsComeBackAsTheyWere) {
  sys.links.AddLink(kStartup + "\\My Tool.lnk",
                    LinkData{"C:\\Tools\\tool.exe", " -a  -b ", 7, "C:\\elsewhere", "C:\\icons.dll", 3});
  sys.links.AddLink(kStartup + "\\Plain.lnk", LinkData{"C:\\plain.exe", "", 1, ""});
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

  sys.registry.DenyWriteAccess(kHkeyLocalMachine, kPolicyKey);
  try {
    Toggle("msMsgs", true);
    FAIL() << "a policy key that may not be written was skipped silently";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'PreventAutoRun'");
  }
  EXPECT_EQ(PolicyValue(), 5);
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
  sys.registry.PutString(kHkeyLocalMachine, key, "Origin", "7");
  sys.registry.PutString(kHkeyLocalMachine, key, "Enabled", "FALSE");
  Start();
  Toggle("Nowhere", false);
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(view.items.empty());
}

TEST_F(StateTest, AProgramThatRestoresItsOwnValueIsListedTwice) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Pushy", "C:\\pushy.exe");
  Start();
  Toggle("Pushy", true);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Pushy", "C:\\pushy.exe");
  form->actRefreshExecute();
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, false}));
  Toggle("Pushy", false);
  EXPECT_EQ(RunValue("Pushy"), "C:\\pushy.exe");
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(view.ItemCount(), 1);

  // Disabling a value that vanished meanwhile succeeds silently and stores the entry.
  sys.registry.OpenKey(kHkeyCurrentUser, kRunKeyPath, false)->DeleteValue("Pushy");
  Toggle("Pushy", true);
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
