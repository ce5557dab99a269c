// Stores and Run keys as hand edits, other programs and broken tools leave them, driven
// through the main window's behaviour: nothing crashes, no stored entry is lost, and what
// cannot be done is said in a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "MainFormSupport.h"
#include "RegistryReadBack.h"
#include "StoreAppSeed.h"
#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitStoreApps.h"
#include "entries/unitSysWorks.h"
#include "util/unitErrors.h"
#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"

namespace kw {
namespace {

using namespace std::string_literals;
using testing::MemoryMainView;
// A value as type and data, comparable.
using Value = std::pair<std::uint32_t, std::string>;
using Values = std::map<std::string, Value>;

const std::string kStore = kDisabledAppsKey;

class HostileInput : public testing::MainFormFixture {
 protected:
  // What the user does, with the window's boundary around it: an error that escapes ends up
  // in the application's error box.
  template <typename Action>
  void UserDoes(Action action) {
    try {
      action();
      view.RunPending();
    } catch (const std::exception& error) {
      view.pending.clear();
      ShowApplicationError(sys.messages, error.what());
    }
  }
  // The texts of the boxes shown since the last call.
  std::vector<std::string> Shown() {
    std::vector<std::string> texts;
    for (const MessageRequest& request : sys.messages.shown) texts.push_back(request.caption + ": " + request.text);
    sys.messages.shown.clear();
    return texts;
  }
  // Each listed caption with its check box, whatever the order of the store.
  std::map<std::string, bool> Listed() {
    std::map<std::string, bool> listed;
    for (const auto& item : view.items) listed[item.caption.substr(2)] = item.checked;
    return listed;
  }
  int IndexOf(const std::string& caption) {
    const auto captions = view.Captions();
    const auto it = std::find(captions.begin(), captions.end(), "  " + caption);
    return it == captions.end() ? -1 : static_cast<int>(it - captions.begin());
  }
  void PutStored(const std::string& subkey, const std::string& name, RegValue value) {
    sys.registry.Put(kHkeyLocalMachine, kStore + "\\" + subkey, name, std::move(value));
  }
  void PutStored(const std::string& subkey, const std::string& name, const std::string& text) {
    PutStored(subkey, name, RegValue{kRegSz, text});
  }
  // A stored entry of the Run key under HKEY_CURRENT_USER, as the program writes one.
  void PutStoredRunEntry(const std::string& subkey, const std::string& caption) {
    PutStored(subkey, "Caption", caption);
    PutStored(subkey, "FullPath", "C:\\Tools\\" + caption + ".exe");
    PutStored(subkey, "Arguments", " -q");
    PutStored(subkey, "CommandLine", "\"C:\\Tools\\" + caption + ".exe\" -q");
    PutStored(subkey, "Enabled", "FALSE");
    PutStored(subkey, "Origin", "1");
    PutStored(subkey, "ImageIndex", "-1");
  }
  // Every subkey of the store with every value, of whatever type.
  std::map<std::string, Values> Store() {
    std::map<std::string, Values> store;
    TRegistry reg(sys.registry, kHkeyLocalMachine);
    if (!reg.OpenKey(kStore, false)) return store;
    for (const std::string& name : reg.GetKeyNames()) {
      TRegistry entry(sys.registry, kHkeyLocalMachine);
      EXPECT_TRUE(entry.OpenKey(kStore + "\\" + name, false)) << name;
      Values& values = store[name];
      for (const std::string& value : entry.GetValueNames()) {
        const RegValue read = *entry.ReadValue(value);
        values[value] = {read.type, read.data};
      }
    }
    return store;
  }
  std::string RunValue(const std::string& name) { return testing::RunValue(sys.registry, kHkeyCurrentUser, name); }

};

TEST_F(HostileInput, ANonNumericOriginFailsItsOwnReportAndNothingElse) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Good", "C:\\good.exe");
  PutStoredRunEntry("1-parked", "Parked");
  PutStoredRunEntry("2-bad", "Bad");
  PutStored("2-bad", "Origin", "x");
  const auto badBefore = Store().at("2-bad");
  Start();
  ASSERT_EQ(view.Captions(), (std::vector<std::string>{"  Good", "  Parked", "  Bad"}));
  EXPECT_TRUE(Shown().empty());

  // Selecting it says what is wrong, and the pane keeps what it showed.
  UserDoes([&] { view.SelectItem(IndexOf("Bad")); });
  EXPECT_EQ(Shown(), std::vector<std::string>{"Kelderwick: 'x' is not a valid integer value"});
  EXPECT_TRUE(view.display.rtf.has_value()) << "the welcome text is still shown";

  // A refresh lists everything, then says it again for the re-selected entry.
  UserDoes([&] { form->lvAppsKeyDown(kVkF5); });
  EXPECT_EQ(view.ItemCount(), 3);
  EXPECT_EQ(Shown(), std::vector<std::string>{"Kelderwick: 'x' is not a valid integer value"});
  EXPECT_TRUE(form->ListReady);

  // Enabling it fails with the same words; it stays stored as it was.
  UserDoes([&] { form->actEnableAppExecute(); });
  EXPECT_EQ(Shown(), std::vector<std::string>{"Kelderwick: 'x' is not a valid integer value"});
  EXPECT_EQ(RunValue("Bad"), "<missing>");

  // The other entries are disabled and enabled as ever, and the broken one is kept each time.
  UserDoes([&] { view.ClickCheckBox(IndexOf("Good")); });
  EXPECT_EQ(RunValue("Good"), "<missing>");
  UserDoes([&] { view.ClickCheckBox(IndexOf("Parked")); });
  EXPECT_EQ(RunValue("Parked"), "\"C:\\Tools\\Parked.exe\"  -q");
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"Parked", true}, {"Bad", false}, {"Good", false}}));
  const auto store = Store();
  EXPECT_EQ(store.size(), 2u);
  EXPECT_EQ(store.at("2-bad"), badBefore);

  // And the user can still get rid of it.
  view.SelectItem(IndexOf("Good"));
  UserDoes([&] { view.SelectItem(IndexOf("Bad")); });
  EXPECT_EQ(Shown().size(), 1u);
  sys.messages.answers = {0};  // Yes
  UserDoes([&] { form->actDeleteExecute(); });
  EXPECT_EQ(Store().count("2-bad"), 0u);
  EXPECT_EQ(Listed(), (std::map<std::string, bool>{{"Parked", true}, {"Good", false}}));
  EXPECT_EQ(Shown(), std::vector<std::string>{"Confirm: Are you sure you wish to delete this item?"});
}

TEST_F(HostileInput, ValuesThatAreNotTextHideNoEntryAndAreNamed) {
  // A value of another type must not stop the load at its subkey: the entries after it would
  // not be listed, and the next save would delete them from the store.
  PutStoredRunEntry("a", "Typed");
  PutStored("a", "Origin", RegValue{kRegDword, "\x01\0\0\0"s});
  PutStored("a", "Flags", RegValue{kRegBinary, "\xde\xad"s});
  PutStored("a", "", RegValue{kRegMultiSz, "x\0y\0"s});
  PutStored("a", "Path", RegValue{kRegExpandSz, "%SystemRoot%\\x.exe"});
  PutStoredRunEntry("b", "After");
  PutStored("b", "Count", RegValue{kRegQword, "\x01\0\0\0\0\0\0\0"s});
  PutStoredRunEntry("c", "Last");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Active", "C:\\active.exe");
  Start();
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Active", "  Typed", "  After", "  Last"}));
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, false, false, false}));
  const std::vector<std::string> shown = Shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("'Typed': Origin, Flags, (Default) (not text)."), std::string::npos) << shown[0];
  EXPECT_NE(shown[0].find("'After': Count (not text)."), std::string::npos) << shown[0];
  EXPECT_EQ(GetOptionString(apps.GetItem(1), "Path"), "%SystemRoot%\\x.exe") << "an expandable string is text";

  // Disabling another entry leaves the stored ones exactly as they were, and the problems
  // are not said again.
  const auto before = Store();
  UserDoes([&] { view.ClickCheckBox(IndexOf("Active")); });
  EXPECT_EQ(RunValue("Active"), "<missing>");
  auto store = Store();
  ASSERT_EQ(store.size(), 4u);
  store.erase(std::find_if(store.begin(), store.end(), [&](const auto& e) { return !before.count(e.first); }));
  EXPECT_EQ(store, before);
  EXPECT_TRUE(Shown().empty()) << "the refresh after the action found nothing new to say";
}

TEST_F(HostileInput, AStoredEntryThatCannotBeOpenedIsListedAndNeverDropped) {
  PutStoredRunEntry("locked", "Locked");
  PutStoredRunEntry("open", "Open");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Active", "C:\\active.exe");
  sys.registry.RefuseOpen(kHkeyLocalMachine, kStore + "\\locked");
  Start();
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Active", "  ", "  Open"}));
  EXPECT_EQ(Shown(), std::vector<std::string>{
                         "Error: Some disabled applications are stored with data that cannot be used. Values that are "
                         "not text are ignored.\n"
                         "'locked' cannot be read: access denied."});

  // Actions change only their own stored entry, so the locked one does not stop them and is
  // never touched.
  UserDoes([&] { view.ClickCheckBox(IndexOf("Active")); });
  EXPECT_EQ(RunValue("Active"), "<missing>");
  EXPECT_TRUE(Shown().empty());
  sys.registry.ClearFaults();
  EXPECT_EQ(Store().at("locked").at("Caption").second, "Locked");
  EXPECT_EQ(Store().size(), 3u);
}

// A store the user may not read is not an empty one: the window says so, once, and why. A store
// that does not exist yet is no problem.
TEST_F(HostileInput, AStoreThatCannotBeReadIsSaidSoAndAMissingOneIsNot) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Active", "C:\\active.exe");
  Start();
  EXPECT_TRUE(Shown().empty());
  PutStoredRunEntry("hidden", "Hidden");
  sys.registry.RefuseOpen(kHkeyLocalMachine, kStore);
  UserDoes([&] { form->actRefreshExecute(); });
  EXPECT_EQ(view.Captions(), std::vector<std::string>{"  Active"});
  EXPECT_EQ(Shown(), std::vector<std::string>{"Error: The list of disabled applications (HKEY_LOCAL_MACHINE\\" +
                                              kStore + ") cannot be read: access denied."});
  UserDoes([&] { form->actRefreshExecute(); });
  EXPECT_TRUE(Shown().empty());
}

TEST_F(HostileInput, OddSubkeyNamesAreKeptExactly) {
  const std::vector<std::string> names = {"[brackets]", "a=b", "100%", "%TEMP%", "tab\tbell\x07", "Программа",
                                          "quote\"'", std::string(255, 'n')};
  for (size_t i = 0; i < names.size(); ++i) PutStoredRunEntry(names[i], "Entry" + std::to_string(i));
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Active", "C:\\active.exe");
  const auto before = Store();
  Start();
  EXPECT_EQ(view.ItemCount(), static_cast<int>(names.size()) + 1);
  for (int i = 1; i < apps.Count(); ++i) {
    UserDoes([&] { view.SelectItem(i); });
    EXPECT_EQ(view.display.Text(0), " " + apps.GetItem(i).Caption());
  }

  // A save for another entry rewrites nothing of theirs.
  UserDoes([&] { view.ClickCheckBox(IndexOf("Active")); });
  auto after = Store();
  ASSERT_EQ(after.size(), before.size() + 1);
  for (const auto& [name, values] : before) EXPECT_EQ(after.at(name), values) << name;

  // One of them enabled leaves the store; the others stay as they were.
  UserDoes([&] { view.ClickCheckBox(IndexOf("Entry5")); });
  EXPECT_EQ(RunValue("Entry5"), "\"C:\\Tools\\Entry5.exe\"  -q");
  after = Store();
  EXPECT_EQ(after.count("Программа"), 0u);
  EXPECT_EQ(after.size(), before.size());
  for (const auto& [name, values] : before) {
    if (name == "Программа") continue;
    EXPECT_EQ(after.at(name), values) << name;
  }
  EXPECT_TRUE(Shown().empty());
}

TEST_F(HostileInput, LargeValuesSurviveDisableAndEnable) {
  std::string path = "C:\\";
  while (path.size() < 64 * 1024) path += "folder\\";
  path += "tool.exe";
  std::string arguments = " ";
  while (arguments.size() < 64 * 1024) arguments += "-x\t\"%PATH%\"\r\n";
  arguments += "end";
  const std::string commandLine = "\"" + path + "\"" + arguments;
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Large", commandLine);
  PutStoredRunEntry("big", std::string(64 * 1024, 'c'));
  Start();
  ASSERT_EQ(view.ItemCount(), 2);

  UserDoes([&] { view.ClickCheckBox(IndexOf("Large")); });
  EXPECT_EQ(view.display.Text(2), "  Path:  " + ShortenForDisplay(path, kMaxShownCharacters));
  EXPECT_EQ(RunValue("Large"), "<missing>");
  UserDoes([&] { view.ClickCheckBox(IndexOf("Large")); });
  EXPECT_EQ(RunValue("Large"), commandLine);
  const std::string listed = ShortenForDisplay(std::string(64 * 1024, 'c'), kMaxListCaptionCharacters);
  UserDoes([&] { view.ClickCheckBox(IndexOf(listed)); });
  EXPECT_EQ(RunValue(std::string(64 * 1024, 'c')), "\"C:\\Tools\\" + std::string(64 * 1024, 'c') + ".exe\"  -q");
  EXPECT_TRUE(Store().empty());
  EXPECT_TRUE(Shown().empty());
}

TEST_F(HostileInput, TenThousandStoredEntriesRefreshQuickly) {
  constexpr int kEntries = 10000;
  // Names as the program makes them, in the registry's order so that filling it stays quick.
  for (int i = 0; i < kEntries; ++i)
    PutStoredRunEntry(std::to_string(100000 + i * 89) + "6-" + std::to_string(i % 100) + "2", "Entry" + std::to_string(i));
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Active", "C:\\active.exe");
  auto seconds = [](auto start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  auto start = std::chrono::steady_clock::now();
  Start();
  const double first = seconds(start);
  ASSERT_EQ(view.ItemCount(), kEntries + 1);

  start = std::chrono::steady_clock::now();
  form->actRefreshExecute();
  const double refresh = seconds(start);

  start = std::chrono::steady_clock::now();
  UserDoes([&] { view.ClickCheckBox(0); });  // one more stored: a save of every entry, then a refresh
  const double disable = seconds(start);
  EXPECT_EQ(Store().size(), static_cast<size_t>(kEntries) + 1);
  EXPECT_EQ(view.status, std::to_string(kEntries + 1) + " applications found");
  EXPECT_TRUE(Shown().empty());

  std::printf("[ INFO     ] %d stored entries: start %.2f s, refresh %.2f s, disable %.2f s\n", kEntries, first,
              refresh, disable);
  // Linear work takes a few seconds here (sanitizers, no optimisation, the in-memory registry
  // folding every name it compares), and up to three times as long on a busy machine; anything
  // quadratic in the number of entries would take minutes.
  EXPECT_LT(refresh, 20.0);
  EXPECT_LT(disable, 30.0);
}

TEST_F(HostileInput, ARunKeyWithAValueOfEveryTypeListsOnlyItsStrings) {
  const Values run = {
      {"None", {kRegNone, "x"}},
      {"Text", {kRegSz, "C:\\text.exe /a"}},
      {"Expand", {kRegExpandSz, "%ProgramFiles%\\x.exe"}},
      {"Binary", {kRegBinary, "\x01\x02"s}},
      {"Dword", {kRegDword, "\x01\0\0\0"s}},
      {"BigEndian", {kRegDwordBigEndian, "\0\0\0\x01"s}},
      {"Link", {kRegLink, "\\Registry\\Machine"}},
      {"Multi", {kRegMultiSz, "C:\\a.exe\0C:\\b.exe\0"s}},
      {"Resources", {8, "\x01"}},
      {"Descriptor", {9, ""}},
      {"Requirements", {10, "\x02"}},
      {"Qword", {kRegQword, "\x01\0\0\0\0\0\0\0"s}},
      {"Unknown", {0x12345678, "C:\\unknown.exe"}},
      {"Empty", {kRegSz, ""}},
      {"WithNul", {kRegSz, "C:\\nul.exe\0hidden"s}},
      {"Short", {kRegDword, "\x01"}},
  };
  for (const auto& [name, value] : run) sys.registry.Put(kHkeyCurrentUser, kRunKeyPath, name, {value.first, value.second});
  Start();
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Empty", "  Expand", "  Text", "  WithNul"}));
  EXPECT_TRUE(Shown().empty()) << "a scan reports nothing";
  UserDoes([&] { view.SelectItem(IndexOf("WithNul")); });
  EXPECT_EQ(view.display.Text(2), "  Path:  C:\\nul.exe");

  // Disabling and enabling the strings leaves every other value as it was.
  // (an expandable string comes back with its type).
  for (const char* name : {"Text", "Empty", "WithNul", "Expand"}) UserDoes([&] { view.ClickCheckBox(IndexOf(name)); });
  EXPECT_EQ(Store().size(), 4u);
  for (const char* name : {"Text", "Empty", "WithNul", "Expand"}) UserDoes([&] { view.ClickCheckBox(IndexOf(name)); });
  EXPECT_TRUE(Store().empty());
  EXPECT_TRUE(Shown().empty());
  TRegistry reg(sys.registry, kHkeyCurrentUser);
  ASSERT_TRUE(reg.OpenKey(kRunKeyPath, false));
  for (const auto& [name, value] : run) {
    if (value.first == kRegSz) continue;
    const auto now = reg.ReadValue(name);
    ASSERT_TRUE(now.has_value()) << name;
    EXPECT_EQ(Value(now->type, now->data), value) << name;
  }
  EXPECT_EQ(RunValue("Text"), "C:\\text.exe /a");
}

// Package manifests are read by the system's XML reader (expat here, XmlLite on Windows): real
// ones with all their namespaces give their startup tasks, and hostile ones are refused whole,
// quickly, with a reason.
TEST(PackageManifest, TasksComeFromEveryNamespaceAndHostileDocumentsAreRefused) {
  const std::string good = testing::PackageManifestXml(
      "Tessaly.Notes", "ms-resource:AppName",
      {{"NotesStartup", "Notes", "app\\tray.exe", true, "desktop"}, {"SyncTask", "", "", false, "uap5"}});
  PackageManifest manifest;
  ASSERT_EQ(ReadPackageManifest(good, manifest), "");
  EXPECT_EQ(manifest.name, "Tessaly.Notes");
  EXPECT_EQ(manifest.publisher, "CN=Tessaly Works, O=Tessaly Works, C=NL");
  EXPECT_EQ(manifest.displayName, "ms-resource:AppName");
  EXPECT_EQ(manifest.publisherDisplayName, "Tessaly Works");
  ASSERT_EQ(manifest.startupTasks.size(), 2u);
  EXPECT_EQ(manifest.startupTasks[0].executable, "app\\tray.exe") << "the extension's own";
  EXPECT_TRUE(manifest.startupTasks[0].enabled);
  EXPECT_EQ(manifest.startupTasks[1].executable, "app\\Tessaly.Notes.exe") << "the application's";
  EXPECT_FALSE(manifest.startupTasks[1].enabled);
  // The same document in UTF-16 with its byte-order mark.
  std::string utf16 = "\xFF\xFE";
  for (const char c : ReplaceAll(good, "utf-8", "utf-16")) utf16 += std::string{c, '\0'};
  ASSERT_EQ(ReadPackageManifest(utf16, manifest), "");
  EXPECT_EQ(manifest.startupTasks.size(), 2u);

  // Startup tasks only where Windows looks for them: not in another category, not in a
  // namespace that is not the manifest's, not without an id.
  const std::string decoys = ReplaceAll(
      good, "<uap:Protocol Name=\"tessaly\" />",
      "<uap:Protocol Name=\"tessaly\" /><desktop:StartupTask TaskId=\"Decoy1\" Enabled=\"true\" />"
      "</uap:Extension><x:Extension xmlns:x=\"urn:other\" Category=\"windows.startupTask\">"
      "<x:StartupTask TaskId=\"Decoy2\" Enabled=\"true\" /></x:Extension>"
      "<uap5:Extension Category=\"windows.startupTask\"><uap5:StartupTask Enabled=\"true\" /></uap5:Extension>"
      "<uap5:Extension Category=\"windows.startupTask\"><uap5:StartupTask TaskId=\"a\\b\" /></uap5:Extension>"
      "<uap:Extension Category=\"windows.protocol\">");
  ASSERT_EQ(ReadPackageManifest(decoys, manifest), "");
  EXPECT_EQ(manifest.startupTasks.size(), 2u);

  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE Package [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">]>" +
      ReplaceAll(good.substr(good.find("<Package")), "Tessaly Works</PublisherDisplayName>", "&d;</PublisherDisplayName>");
  std::string deep = good.substr(0, good.find("</Package>"));
  for (int i = 0; i < 5000; ++i) deep += "<uap:X>";
  const std::vector<std::pair<const char*, std::string>> hostile{
      {"cut short", good.substr(0, good.size() / 2)},
      {"entity expansion", laughs},
      {"external entity", "<?xml version=\"1.0\"?><!DOCTYPE Package SYSTEM \"file:///C:/windows/win.ini\">" +
                              good.substr(good.find("<Package"))},
      {"deep", deep},
      {"huge", ReplaceAll(good, "<Logo>", "<Logo>" + std::string(5u << 20, 'x'))},
      {"not a manifest", "<Other xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"/>"},
      {"empty", ""},
      {"binary", std::string("\x00\x01\xFE\xFF<Package", 12)}};
  for (const auto& [what, document] : hostile) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_NE(ReadPackageManifest(document, manifest), "") << what;
    EXPECT_TRUE(manifest.startupTasks.empty()) << what;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << what;
  }
}

}  // namespace
}  // namespace kw
