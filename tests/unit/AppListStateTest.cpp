#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "MainFormSupport.h"
#include "RegistryReadBack.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

using testing::MemoryMainView;

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

TEST_F(StateTest, DisableAndEnableOfARunEntryGiveTheTwoBlanksBack) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "App", "\"C:\\Program Files\\App\\app.exe\" -q");
  Start();
  Toggle("App", true);
  EXPECT_EQ(RunValue("App"), "<missing>");
  EXPECT_EQ(Stored(), std::vector<std::string>{"App"});
  EXPECT_EQ(IndexOf("App", false), 0);
  Toggle("App", false);
  EXPECT_EQ(RunValue("App"), "\"C:\\Program Files\\App\\app.exe\"  -q");
  EXPECT_TRUE(Stored().empty()) << "the store key stays, empty";
  Toggle("App", true);
  Toggle("App", false);
  EXPECT_EQ(RunValue("App"), "\"C:\\Program Files\\App\\app.exe\"  -q") << "stable after the first round";
}

// On 64-bit Windows the store is in the 32-bit registry view, where the 32-bit build keeps it.
TEST_F(StateTest, TheStoreLivesInThe32BitView) {
  sys.registry.SetWindows64(true);
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

TEST_F(StateTest, ShortcutsAreRecreatedWithTheirFourProperties) {
  sys.links.AddLink(kStartup + "\\My Tool.lnk", LinkData{"C:\\Tools\\tool.exe", " -a  -b ", 7, "C:\\elsewhere"});
  Start();
  Toggle("tool.exe", true);
  EXPECT_FALSE(sys.files.FileExists(kStartup + "\\My Tool.lnk"));
  Toggle("tool.exe", false);
  const auto link = sys.links.Stored(kStartup + "\\My Tool.lnk");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, "C:\\Tools\\tool.exe");
  EXPECT_EQ(link->arguments, "-a  -b");
  EXPECT_EQ(link->showCmd, 7);
  EXPECT_EQ(link->workingDirectory, kStartup + "\\");
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
  sys.links.refuseProperty = true;
  const auto before = sys.messages.shown.size();
  Toggle("t.exe", false);
  EXPECT_EQ(sys.messages.shown.size(), before) << "a refused property is silent";
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
  sys.registry.SetWindows64(true);
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
  EXPECT_EQ(RunValue("Pushy"), "\"C:\\pushy.exe\" ");
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
  for (;;) {
    int unticked = -1;
    for (size_t i = 0; i < view.items.size(); ++i)
      if (!view.items[i].checked) unticked = static_cast<int>(i);
    if (unticked < 0) break;
    view.ClickCheckBox(unticked);
  }
  EXPECT_TRUE(Stored().empty());
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
