#include <gtest/gtest.h>

#include "MainFormSupport.h"
#include "RegistryReadBack.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

using testing::MemoryMainView;

const std::string& kProgramFolder = testing::kTestProgramFolder;
const std::string& kUserStartup = testing::kTestUserStartup;
const std::string& kCommonStartup = testing::kTestCommonStartup;

class MainFormTest : public testing::MainFormFixture {
 protected:
  int IndexOf(const std::string& caption) {
    const auto captions = view.Captions();
    for (size_t i = 0; i < captions.size(); ++i)
      if (captions[i] == "  " + caption) return static_cast<int>(i);
    return -1;
  }
  std::string RunValue(RootKey root, const std::string& name) { return testing::RunValue(sys.registry, root, name); }
  std::vector<std::string> StoredNames() { return testing::StoredCaptions(sys.registry); }

};

// ---- start-up and Refresh ----

TEST_F(MainFormTest, StartupValuesComeFromTheProgramsFileAndLocale) {
  sys.versions.Add(kProgramFolder + "Kelderwick.exe", 0x0409, 0x04E4, {{"FileVersion", "2.0.0.1"}});
  sys.environment.languageName = "Ukrainian";
  const ProgramValues values = ReadProgramValues(platform);
  EXPECT_EQ(values.ProgramFolder, kProgramFolder);
  EXPECT_EQ(values.AppVersion, "2.0.0.1");
  EXPECT_EQ(values.LangCode, 2);
  sys.environment.languageName = "russian";  // exact comparison
  EXPECT_EQ(GetUserLanguage(sys.environment), 0);
  sys.environment.languageName = "Russian";
  EXPECT_EQ(GetUserLanguage(sys.environment), 1);
  EXPECT_EQ(ReadFileVersion(sys.versions, "C:\\none.exe"), "");
}

TEST_F(MainFormTest, TheWelcomeTextFollowsTheLanguage) {
  Start();
  EXPECT_EQ(view.display.rtf, "{\\rtf1 Welcome}");
  ProgramValues russian = ReadProgramValues(platform);
  russian.LangCode = 1;
  Start(russian);
  EXPECT_EQ(view.display.rtf, "{\\rtf1 Russian welcome}");
}

TEST_F(MainFormTest, AMissingWelcomeFileIsReportedOnceTheListIsFilled) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  sys.files.RemoveFile(kProgramFolder + "welcome.rtf");
  try {
    Start();
    FAIL() << "no file error";
  } catch (const EFileError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file " + kProgramFolder + "welcome.rtf");
  }
  EXPECT_EQ(view.Captions(), std::vector<std::string>{"  Tool"});
  EXPECT_EQ(view.status, "1 applications found");
  EXPECT_TRUE(form->ListReady);
}

TEST_F(MainFormTest, RefreshListsEverySourceInOrderWithDisabledEntriesLast) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "User", "C:\\user.exe");
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Machine", "C:\\machine.exe");
  sys.links.AddLink(kUserStartup + "\\u.lnk", LinkData{"C:\\ushort.exe", "", 1, ""});
  sys.links.AddLink(kCommonStartup + "\\c.lnk", LinkData{"C:\\cshort.exe", "", 1, ""});
  sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\11116-12", "Caption", "Stored");
  sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\11116-12", "Enabled", "TRUE");
  sys.icons.AddFileIcon("C:\\machine.exe");
  sys.icons.AddFileIcon("C:\\cshort.exe");
  Start();

  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Machine", "  User", "  cshort.exe", "  ushort.exe",
                                                       "  Stored"}));
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, true, true, true, false}));
  EXPECT_EQ(view.items[0].image, 0);
  EXPECT_EQ(view.items[1].image, kImageNone) << "no icon is no image, not an image asked for later";
  EXPECT_EQ(view.items[2].image, 1);
  EXPECT_EQ(view.status, "5 applications found");
  EXPECT_EQ(view.SelectedIndex(), -1) << "the first refresh selects nothing";
  EXPECT_FALSE(view.busy);
  EXPECT_TRUE(form->ListReady);
}

TEST_F(MainFormTest, TheListComesFirstAndTheFilesFollowFromAThreadOfTheirOwn) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "\"C:\\tool.exe\" -x");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "C:\\plain.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool again", "C:\\tool.exe");
  sys.icons.AddFileIcon("C:\\tool.exe");
  sys.versions.Add("C:\\tool.exe", 0x0409, 0x04E4, {{"FileVersion", "3.1"}, {"CompanyName", "Maker"}});
  sys.files.AddFile("C:\\tool.exe");
  sys.files.AddFile("C:\\plain.exe");
  sys.signatures.SetEmbedded("C:\\tool.exe", {0, "Maker Inc."});
  auto storedLines = [&] {
    TAppList stored;
    LoadDisabledApps(stored, platform);
    return stored.Count() == 1 ? stored.GetItem(0).Lines() : std::vector<std::string>{};
  };
  // Everything read at once (a view without a thread of its own): the reference.
  Start();
  EXPECT_EQ(view.Marks(), (std::vector<int>{0, 1, 0})) << "the unsigned program is marked";
  const std::vector<std::string> lines = apps.GetItem(2).Lines();
  view.ClickCheckBox(2);
  const std::vector<std::string> storedAtOnce = storedLines();
  ASSERT_FALSE(storedAtOnce.empty());
  view.ClickCheckBox(IndexOf("Tool again"));
  ASSERT_EQ(RunValue(kHkeyCurrentUser, "Tool again"), "C:\\tool.exe");

  view.background = true;  // its reader waits at the gate
  view.items.clear();        // nothing selected to select again
  Start();
  sys.versions.loads = 0;
  sys.signatures.checks = 0;
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Tool", "  Plain", "  Tool again"}));
  EXPECT_EQ(view.status, "3 applications found");
  EXPECT_EQ(form->FilesStillToRead(), 2);
  view.SelectItem(2);  // its file is read at once for the details, but never its signature
  std::string details = view.DetailsText();
  EXPECT_NE(details.find("File Version:  3.1\n"), std::string::npos) << details;
  EXPECT_NE(details.find("Verified publisher:  being checked\n"), std::string::npos) << details;
  EXPECT_EQ(sys.versions.loads, 1);
  EXPECT_EQ(form->FilesStillToRead(), 2) << "its signature is still to come";
  form->actRefreshExecute();  // what the last list still had to read is dropped
  view.OpenGate();
  ASSERT_TRUE(view.AllArrived());
  EXPECT_EQ(sys.versions.loads, 3) << "the new list's two files, once each";
  EXPECT_EQ(sys.signatures.checks, 2) << "each file checked once";
  EXPECT_EQ(view.Marks(), (std::vector<int>{0, 1, 0}));
  details = view.DetailsText();
  EXPECT_NE(details.find("Verified publisher:  Maker Inc.\n"), std::string::npos) << "shown as it arrives\n" << details;
  EXPECT_EQ(view.items[0].image, view.items[2].image);
  EXPECT_GE(view.items[0].image, 0);
  EXPECT_EQ(view.items[1].image, kImageNone);
  EXPECT_EQ(apps.GetItem(2).Lines(), lines) << "as read at once";

  // Unticked before its file arrived: stored as at once.
  form->actRefreshExecute();
  EXPECT_EQ(view.Marks(), (std::vector<int>{0, 1, 0})) << "each row keeps its mark until checked again";
  view.ClickCheckBox(2);
  EXPECT_EQ(storedLines(), storedAtOnce);
  ASSERT_TRUE(view.AllArrived());
  sys.signatures.checks = 0;
  sys.signatures.SetEmbedded("C:\\plain.exe", {0, "Maker Inc."});  // replaced by a signed build
  form->actRefreshExecute();
  ASSERT_TRUE(view.AllArrived());
  EXPECT_EQ(sys.signatures.checks, 1) << "only the file that changed is read again";
  EXPECT_EQ(view.Marks()[static_cast<size_t>(IndexOf("Plain"))], 0);
  form->actRefreshExecute();
  form.reset();  // closed while reading
  EXPECT_EQ(sys.icons.liveIcons, 0) << "every icon read is released";
}

TEST_F(MainFormTest, FilesOnOtherComputersGiveNoIconAndNoVersion) {
  const std::vector<std::string> remote = {"\\\\server\\share\\unc.exe", "\\\\?\\UNC\\server\\share\\long.exe",
                                           "z:\\mapped.exe", "\\\\?\\Z:\\mapped long.exe"};
  const std::vector<std::string> local = {"C:\\local.exe", "\\\\?\\C:\\local long.exe"};
  sys.files.networkDrives = {'Z'};
  int n = 0;
  for (const auto& paths : {remote, local}) {
    for (const std::string& path : paths) {
      sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, std::to_string(n++), "\"" + path + "\"");
      sys.icons.AddFileIcon(path);
      sys.versions.Add(path, 0x0409, 0x04E4, {{"FileVersion", "1.0"}});
    }
  }
  const ProgramValues values = ReadProgramValues(platform);
  sys.versions.loads = 0;
  Start(values);
  ASSERT_EQ(apps.Count(), 6);
  for (int i = 0; i < apps.Count(); ++i) {
    const bool isLocal = i >= 4;
    EXPECT_EQ(GetOptionString(apps.GetItem(i), keys::FileVersion), isLocal ? "1.0" : "") << i;
    EXPECT_EQ(view.items[static_cast<size_t>(i)].image >= 0, isLocal) << i;
  }
  EXPECT_EQ(sys.icons.extractCalls, local) << "the shell is never asked about a network file";
  EXPECT_EQ(sys.versions.loads, 2);
  EXPECT_EQ(IsNetworkPath("//server/share/x.exe", [](char) { return false; }), true);
  EXPECT_EQ(IsNetworkPath("\\\\.\\pipe\\x", [](char) { return true; }), false);
  EXPECT_EQ(IsNetworkPath("tool.exe", [](char) { return true; }), false);
}

TEST_F(MainFormTest, AnEmptySystemShowsZero) {
  Start();
  EXPECT_TRUE(view.items.empty());
  EXPECT_EQ(view.status, "0 applications found");
}

TEST_F(MainFormTest, RefreshSelectsTheSameEntryAgainEvenAmongTwins) {
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Twin", "C:\\a.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Other", "C:\\o.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Twin", "C:\\b.exe");
  Start();
  view.SelectItem(IndexOf("Other"));
  EXPECT_EQ(view.display.Text(0), " Other");
  form->actRefreshExecute();
  EXPECT_EQ(view.SelectedIndex(), IndexOf("Other"));

  view.SelectItem(0);  // the first Twin
  form->actRefreshExecute();
  EXPECT_EQ(view.SelectedIndex(), 0) << "not the other twin";
  EXPECT_EQ(view.display.Text(2), "  Path:  C:\\a.exe");

  // A selected entry that is gone leaves nothing selected and the pane as it was.
  view.SelectItem(IndexOf("Other"));
  sys.registry.OpenKey(kHkeyCurrentUser, kRunKeyPath, false)->DeleteValue("Other");
  form->actRefreshExecute();
  EXPECT_EQ(view.SelectedIndex(), -1);
  EXPECT_EQ(view.display.Text(2), "  Path:  C:\\o.exe");
}

TEST_F(MainFormTest, ListEventsDuringARefreshNeverAct) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  Start();
  view.events.clear();
  form->actRefreshExecute();
  EXPECT_FALSE(view.events.empty()) << "ticking new items raised events";
  EXPECT_TRUE(view.pending.empty()) << "and none of them ran an action";
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"<no store>"});
}

TEST_F(MainFormTest, AnErrorInsideARefreshRestoresTheGuardAndCursorFirst) {
  // A hand-edited store entry whose Origin is not a number fails its details report.
  const std::string bad = std::string(kDisabledAppsKey) + "\\x";
  sys.registry.PutString(kHkeyLocalMachine, bad, "Caption", "Bad");
  sys.registry.PutString(kHkeyLocalMachine, bad, "Origin", "x");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Good", "C:\\good.exe");
  Start();
  EXPECT_THROW(view.SelectItem(IndexOf("Bad")), EConvertError);
  sys.registry.PutString(kHkeyLocalMachine, std::string(kDisabledAppsKey) + "\\y", "Caption", "Later");

  // The refresh re-selects it and fails there, after every item is in the list.
  EXPECT_THROW(form->actRefreshExecute(), EConvertError);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  Good", "  Bad", "  Later"}));
  EXPECT_TRUE(form->ListReady);
  EXPECT_FALSE(view.busy);
}

// ---- selecting and ticking ----

TEST_F(MainFormTest, ClickingTheCheckBoxOfAnUnselectedItemSelectsThenActs) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "First", "C:\\first.exe");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Second", "\"C:\\second.exe\" -x");
  Start();
  view.SelectItem(0);
  view.RunPending();
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "First"), "C:\\first.exe") << "selecting never acts";

  view.ClickCheckBox(1);
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Second"), "<missing>");
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"Second"});
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"  First", "  Second"}));
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, false}));
  EXPECT_EQ(view.SelectedIndex(), 1) << "the entry stays selected after the refresh";

  view.ClickCheckBox(1);
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Second"), "\"C:\\second.exe\" -x");
  EXPECT_TRUE(StoredNames().empty());
  EXPECT_EQ(view.Checks(), (std::vector<bool>{true, true}));
}

TEST_F(MainFormTest, KeysInTheListDeleteAndRefresh) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  Start();
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Late", "C:\\late.exe");
  form->lvAppsKeyDown(kVkF5);
  EXPECT_EQ(view.ItemCount(), 2);

  view.SelectItem(0);
  sys.messages.answers = {1};  // No
  form->lvAppsKeyDown(kVkDelete);
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Tool"), "C:\\tool.exe");
  sys.messages.answers = {0};  // Yes
  form->lvAppsKeyDown(kVkDelete);
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Tool"), "<missing>");
  EXPECT_EQ(sys.messages.shown.back().text, "Are you sure you wish to delete this item?");
  EXPECT_EQ(view.Captions(), std::vector<std::string>{"  Late"});
  form->lvAppsKeyDown('A');
  EXPECT_EQ(sys.messages.shown.size(), 2u);
}

TEST_F(MainFormTest, CommandsWithoutASelectionDoNothing) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  Start();
  form->actDisableAppExecute();
  form->actEnableAppExecute();
  form->actDeleteExecute();
  form->actPropertiesExecute();
  form->actWebSearchExecute();
  EXPECT_EQ(RunValue(kHkeyCurrentUser, "Tool"), "C:\\tool.exe");
  EXPECT_TRUE(sys.messages.shown.empty());
  EXPECT_TRUE(sys.shell.launches.empty());
  EXPECT_TRUE(sys.properties.shown.empty());
}

TEST_F(MainFormTest, PropertiesRefreshOnceWhenTheProgramIsActiveAgain) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Tool", "C:\\tool.exe");
  sys.files.AddFile("C:\\tool.exe");
  Start();
  view.SelectItem(0);
  form->actPropertiesExecute();
  EXPECT_EQ(sys.properties.shown, std::vector<std::string>{"C:\\|tool.exe"});
  EXPECT_EQ(sys.properties.lastOwner, 0x1234u);
  EXPECT_TRUE(form->RefreshOnActivate);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Changed", "C:\\c.exe");
  form->AppEventsActivate();
  EXPECT_EQ(view.ItemCount(), 2);
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Again", "C:\\a.exe");
  form->AppEventsActivate();
  EXPECT_EQ(view.ItemCount(), 2) << "a second activation does not refresh";
}

TEST_F(MainFormTest, HelpAddAboutAndExit) {
  Start();
  form->actShowHelpExecute();
  ASSERT_EQ(sys.shell.launches.size(), 1u);
  EXPECT_EQ(sys.shell.launches[0].file, kProgramFolder + "Kelderwick.chm");
  EXPECT_EQ(sys.shell.launches[0].showCmd, kSwShow);

  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "New", "C:\\new.exe");
  form->actAddAppExecute();  // cancelled: no refresh
  EXPECT_EQ(view.ItemCount(), 0);
  view.addDialogResult = true;
  form->actAddAppExecute();
  EXPECT_EQ(view.ItemCount(), 1);
  form->btAboutClick();
  form->actExitExecute();
  EXPECT_EQ(view.aboutShown, 1);
  EXPECT_EQ(view.closed, 1);
}

}  // namespace
}  // namespace kw
