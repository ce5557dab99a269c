#include <gtest/gtest.h>

#include "platform/memory/MemoryPlatform.h"
#include "util/FmxUtils.h"
#include "util/unitDiskUtils.h"
#include "util/unitStdMessages.h"

namespace kw {
namespace {

TEST(StdMessages, ConfirmAsksYesOrNoAndIsTrueOnlyForYes) {
  MemoryMessageBoxes boxes;
  boxes.answers = {0, 1};
  EXPECT_TRUE(ConfirmMessage(boxes, "Are you sure you wish to delete this item?"));
  EXPECT_FALSE(ConfirmMessage(boxes, "again"));
  boxes.answerCancel = true;  // Escape or the close box
  EXPECT_FALSE(ConfirmMessage(boxes, "cancelled"));

  const MessageRequest& box = boxes.shown.front();
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_EQ(box.text, "Are you sure you wish to delete this item?");
  EXPECT_EQ(box.icon, MessageIcon::Question);
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_EQ(box.defaultButton, 0);
  EXPECT_EQ(box.cancelButton, 1);
}

TEST(StdMessages, ErrorAndApplicationErrorBoxesHaveOneOkButton) {
  MemoryMessageBoxes boxes;
  ErrorMessage(boxes, "File already exists");
  ShowApplicationError(boxes, "Failed to set data for 'x'");
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const MessageRequest& box : boxes.shown) {
    EXPECT_EQ(box.icon, MessageIcon::Error);
    EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(box.defaultButton, 0);
    EXPECT_EQ(box.cancelButton, 0);
  }
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].text, "File already exists");
  EXPECT_EQ(boxes.shown[1].caption, "Kelderwick");
}

TEST(LaunchFile, HandsLongTextsToTheShellWhole) {
  MemoryShell shell;
  const std::string deep = "C:\\" + std::string(200, 'd') + "\\Kelderwick.chm";
  const std::string parameters(120, 'p');
  shell.result = 2;
  EXPECT_EQ(LaunchFile(shell, deep, parameters, "C:\\" + std::string(90, 'f'), 5), 2);
  ASSERT_EQ(shell.launches.size(), 1u);
  EXPECT_EQ(shell.launches[0].file, deep);
  EXPECT_EQ(shell.launches[0].parameters, parameters);
  EXPECT_EQ(shell.launches[0].folder.size(), 93u);
  EXPECT_EQ(shell.launches[0].showCmd, 5);
}

TEST(ListFiles, GivesTheMatchingFilesOfOneFolderAsFullPaths) {
  MemoryFileSystem files;
  const std::string folder = "C:\\Users\\u\\Start Menu\\Programs\\Startup";
  files.AddFile(folder + "\\a.lnk");
  files.AddDirectory(folder + "\\b.lnk");
  files.AddFile(folder + "\\c.lnk", "", /*hidden=*/true);
  files.AddFile(folder + "\\desktop.ini");
  files.AddFile(folder + "\\site.url");
  files.AddFile(folder + "\\b.lnk\\inner.lnk");
  files.AddFile(folder + "\\D.LNK");
  EXPECT_EQ(ListFiles(files, folder + "\\*.lnk"),
            (std::vector<std::string>{folder + "\\a.lnk", folder + "\\c.lnk", folder + "\\D.LNK"}));
  EXPECT_TRUE(ListFiles(files, "C:\\Nowhere\\*.lnk").empty());
  EXPECT_TRUE(ListFiles(files, folder + "\\*.pif").empty());
}

TEST(MatchesMask, WildcardsFollowWindowsRules) {
  EXPECT_TRUE(MatchesMask("a.lnk", "*.lnk"));
  EXPECT_TRUE(MatchesMask("A.LNK", "*.lnk"));
  EXPECT_FALSE(MatchesMask("a.lnk.txt", "*.lnk"));
  EXPECT_TRUE(MatchesMask("ab.lnk", "?b.*"));
  EXPECT_FALSE(MatchesMask("b.lnk", "?b.*"));
}

}  // namespace
}  // namespace kw
