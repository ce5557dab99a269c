#include <gtest/gtest.h>

#include <deque>

#include "dialogs/unitAddApp.h"
#include "platform/memory/MemoryPlatform.h"

namespace kw {
namespace {

// The dialog's controls as fields; the open dialog answers from a queue.
class FakeAddAppView : public AddAppView {
 public:
  void SetAppPathText(const std::string& text) override { appPath = text; }
  std::string ArgumentsText() override { return arguments; }
  void SetArgumentsText(const std::string& text) override { arguments = text; }
  int OriginIndex() override { return originIndex; }
  void SetOriginIndex(int index) override { originIndex = index; }
  int ShowCmdIndex() override { return showCmdIndex; }
  void SetShowCmdIndex(int index) override { showCmdIndex = index; }
  std::optional<std::string> RunOpenDialog(const std::string& initialFolder) override {
    openedIn.push_back(initialFolder);
    if (chosen.empty()) return std::nullopt;
    std::optional<std::string> answer = chosen.front();
    chosen.pop_front();
    return answer;
  }

  std::string appPath = "stale";
  std::string arguments;
  int originIndex = 0;
  int showCmdIndex = 0;
  std::deque<std::optional<std::string>> chosen;
  std::vector<std::string> openedIn;
};

class AddAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.folders.folders[kCsidlStartMenu] = startMenu;
    sys.folders.folders[kCsidlStartup] = userStartup;
    sys.folders.folders[kCsidlCommonStartup] = commonStartup;
    sys.files.AddDirectory(userStartup);
    sys.files.AddDirectory(commonStartup);
    sys.files.AddFile("C:\\Tools\\tool.exe");
  }
  // Shows the dialog, picks a file, sets the controls and presses Add; true when the
  // dialog would close.
  bool Add(const std::string& file, const std::string& arguments, int origin, int showCmd) {
    dialog.FormShow(view);
    view.chosen.push_back(file);
    dialog.btBrowseClick(view);
    view.arguments = arguments;
    view.originIndex = origin;
    view.showCmdIndex = showCmd;
    dialog.btAddClick(view);
    const bool closes = dialog.FormCloseQuery();
    if (closes) dialog.FormClose(view);
    return closes;
  }
  std::vector<std::string> ErrorTexts() {
    std::vector<std::string> texts;
    for (const MessageRequest& request : sys.messages.shown) texts.push_back(request.text);
    return texts;
  }

  const std::string startMenu = "C:\\users\\me\\Start Menu";
  const std::string userStartup = "C:\\users\\me\\Start Menu\\Programs\\Startup";
  const std::string commonStartup = "C:\\ProgramData\\Start Menu\\Programs\\StartUp";
  MemoryPlatform sys;
  Platform platform = sys.platform();
  TdlgAddApp dialog{platform};
  FakeAddAppView view;
};

TEST_F(AddAppTest, AddCreatesTheShortcutFromTheChoices) {
  EXPECT_TRUE(Add("C:\\Tools\\tool.exe", "-q  /x ", 1, 2));
  EXPECT_TRUE(sys.messages.shown.empty());
  const TAppItem& entry = dialog.NewEntry;
  EXPECT_EQ(entry.Origin(), orStartupUser);
  EXPECT_EQ(entry.Caption(), "tool.exe");
  EXPECT_EQ(entry.CommandLine(), "\"C:\\Tools\\tool.exe\" -q  /x ");
  EXPECT_EQ(entry.FullPath(), "C:\\Tools\\tool.exe");
  EXPECT_EQ(entry.Arguments(), " -q  /x");  // as SetCommandLine derives it again
  EXPECT_EQ(entry.LinkFile(), userStartup + "\\tool.lnk");
  EXPECT_EQ(entry.ShowCmd(), 7);
  EXPECT_TRUE(entry.Enabled());

  const auto link = sys.links.Stored(userStartup + "\\tool.lnk");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->targetPath, "C:\\Tools\\tool.exe");
  EXPECT_EQ(link->arguments, "-q  /x");
  EXPECT_EQ(link->showCmd, 7);
  EXPECT_EQ(link->workingDirectory, userStartup + "\\");
}

TEST_F(AddAppTest, RadioChoicesMapToOriginsAndShowCommands) {
  const struct {
    int origin, showCmd;
    std::string file;
    std::string linkFile;
    int expectedOrigin, expectedShowCmd;
  } rows[] = {
      {0, 0, "C:\\a\\one.exe", commonStartup + "\\one.lnk", orStartupCommon, 5},
      {0, 1, "C:\\a\\two.com", commonStartup + "\\two.lnk", orStartupCommon, 3},
      {1, 0, "C:\\a\\three.bat", userStartup + "\\three.lnk", orStartupUser, 5},
      // A file without an extension gets ".lnk" appended; a folder's dot does not count.
      {1, 1, "C:\\a.b\\noext", userStartup + "\\noext.lnk", orStartupUser, 3},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(Add(row.file, "", row.origin, row.showCmd)) << row.file;
    EXPECT_EQ(dialog.NewEntry.Origin(), row.expectedOrigin) << row.file;
    EXPECT_EQ(dialog.NewEntry.ShowCmd(), row.expectedShowCmd) << row.file;
    EXPECT_EQ(dialog.NewEntry.LinkFile(), row.linkFile);
    // With no arguments the command line is the quoted path and one blank.
    EXPECT_EQ(dialog.NewEntry.CommandLine(), "\"" + row.file + "\" ");
    EXPECT_EQ(dialog.NewEntry.Arguments(), "");
    EXPECT_TRUE(sys.files.FileExists(row.linkFile)) << row.linkFile;
  }
  EXPECT_TRUE(sys.messages.shown.empty());
}

TEST_F(AddAppTest, AddWithoutAFileKeepsTheDialogOpenEachTime) {
  dialog.FormShow(view);
  for (int i = 0; i < 2; ++i) {
    dialog.btAddClick(view);
    EXPECT_FALSE(dialog.FormCloseQuery());
    EXPECT_TRUE(dialog.FormCloseQuery()) << "the refusal holds for one close request only";
  }
  EXPECT_EQ(ErrorTexts(), (std::vector<std::string>{"Please, select an application first",
                                                    "Please, select an application first"}));
  EXPECT_EQ(sys.messages.shown[0].caption, "Error");

  // A file chosen at the previous showing does not count at the next one.
  EXPECT_TRUE(Add("C:\\Tools\\tool.exe", "", 0, 0));
  dialog.FormShow(view);
  dialog.btAddClick(view);
  EXPECT_FALSE(dialog.FormCloseQuery());
  EXPECT_EQ(ErrorTexts().size(), 3u);
}

TEST_F(AddAppTest, AnExistingShortcutIsNeverOverwritten) {
  sys.files.AddFile(commonStartup + "\\tool.lnk", "someone else's");
  EXPECT_FALSE(Add("C:\\Tools\\tool.exe", "", 0, 0));
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"File already exists"});
  EXPECT_EQ(sys.files.ReadWholeFile(commonStartup + "\\tool.lnk"), "someone else's");
  EXPECT_FALSE(dialog.NewEntry.Enabled());

  // Still open: the user picks the other folder and adds.
  view.originIndex = 1;
  dialog.btAddClick(view);
  EXPECT_TRUE(dialog.FormCloseQuery());
  EXPECT_TRUE(sys.files.FileExists(userStartup + "\\tool.lnk"));

  // A shortcut chosen from the Startup folder itself would replace itself.
  sys.messages.shown.clear();
  sys.links.AddLink(userStartup + "\\mine.lnk", LinkData{"C:\\Tools\\tool.exe", "", 5, ""});
  EXPECT_FALSE(Add(userStartup + "\\mine.lnk", "", 1, 0));
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"File already exists"});
}

TEST_F(AddAppTest, AllUsersFallsBackToTheUsersStartupFolder) {
  sys.folders.folders.erase(kCsidlCommonStartup);
  EXPECT_TRUE(Add("C:\\Tools\\tool.exe", "", 0, 0));
  EXPECT_EQ(dialog.NewEntry.Origin(), orStartupCommon);
  EXPECT_TRUE(sys.files.FileExists(userStartup + "\\tool.lnk"));

  // With no Startup folder at all nothing is written anywhere.
  sys.folders.folders.erase(kCsidlStartup);
  EXPECT_FALSE(Add("C:\\Tools\\other.exe", "", 1, 0));
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"Cannot find the Startup folder"});
  EXPECT_FALSE(sys.files.FileExists("\\other.lnk"));
  EXPECT_FALSE(dialog.NewEntry.Enabled());
}

TEST_F(AddAppTest, AShortcutThatCannotBeSavedIsReportedAndTheDialogCloses) {
  sys.files.RefuseChanges(commonStartup);
  EXPECT_TRUE(Add("C:\\Tools\\tool.exe", "", 0, 0));
  EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"Error saving " + commonStartup + "\\tool.lnk"});
  EXPECT_FALSE(dialog.NewEntry.Enabled());
}

TEST_F(AddAppTest, ChoicesOutliveAShowingButTheEntryAndPathDoNot) {
  EXPECT_TRUE(Add("C:\\Tools\\tool.exe", "--tray", 1, 2));
  view = FakeAddAppView{};  // the next showing gets fresh controls
  dialog.FormShow(view);
  EXPECT_EQ(view.appPath, "");
  EXPECT_EQ(view.arguments, "--tray");
  EXPECT_EQ(view.originIndex, 1);
  EXPECT_EQ(view.showCmdIndex, 2);
  EXPECT_EQ(dialog.NewEntry.Count(), 1) << "only Origin is set";
  EXPECT_EQ(dialog.NewEntry.Origin(), orStartupCommon);
  EXPECT_EQ(dialog.NewEntry.FullPath(), "");

  // Cancelled choices persist as well.
  view.arguments = "typed, then cancelled";
  dialog.FormClose(view);
  view = FakeAddAppView{};
  dialog.FormShow(view);
  EXPECT_EQ(view.arguments, "typed, then cancelled");
}

TEST_F(AddAppTest, BrowseStartsInTheStartMenuOnceFound) {
  sys.folders.folders.erase(kCsidlStartMenu);
  dialog.FormShow(view);
  dialog.btBrowseClick(view);  // cancelled: nothing changes
  EXPECT_EQ(view.appPath, "");
  EXPECT_EQ(dialog.NewEntry.FullPath(), "");
  sys.folders.folders[kCsidlStartMenu] = startMenu;
  view.chosen = {"C:\\Tools\\tool.exe"};
  dialog.btBrowseClick(view);  // the lookup is tried again
  sys.folders.folders[kCsidlStartMenu] = "C:\\elsewhere";
  dialog.btBrowseClick(view);  // once found it stays
  EXPECT_EQ(view.openedIn, (std::vector<std::string>{"", startMenu, startMenu}));
  EXPECT_EQ(view.appPath, "C:\\Tools\\tool.exe");
  EXPECT_EQ(dialog.NewEntry.FullPath(), "C:\\Tools\\tool.exe");
}

}  // namespace
}  // namespace kw
