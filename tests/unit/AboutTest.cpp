#include <gtest/gtest.h>

#include "dialogs/unitAbout.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/MemoryRichTextPane.h"

namespace kw {
namespace {

bool SameStyle(const std::optional<TPrintStyle>& a, const TPrintStyle& b) {
  return a && a->Color == b.Color && a->Style == b.Style && a->Name == b.Name && a->Size == b.Size;
}

// One line's runs as "text|style" with the style named by the About box's own styles; the
// empty run that begins a new line is left out.
std::vector<std::string> Runs(const MemoryRichTextPane& pane, size_t line) {
  std::vector<std::string> runs;
  for (const MemoryRichTextPane::Run& run : pane.lines.at(line)) {
    if (run.text.empty() && !run.style) continue;
    std::string style = "plain";
    if (SameStyle(run.style, psAboutTitle)) style = "title";
    else if (SameStyle(run.style, psAboutLabel)) style = "label";
    else if (SameStyle(run.style, psAboutValue)) style = "value";
    else if (run.style) style = "other";
    runs.push_back(run.text + "|" + style);
  }
  return runs;
}

using Lines = std::vector<std::vector<std::string>>;

Lines AllRuns(const MemoryRichTextPane& pane) {
  Lines lines;
  for (size_t i = 0; i < pane.lines.size(); ++i) lines.push_back(Runs(pane, i));
  return lines;
}

TEST(About, TheTextRunByRun) {
  EXPECT_EQ(psAboutTitle.Color, 0xFFFFFFu);
  EXPECT_EQ(psAboutLabel.Color, 0xF0CAA6u);
  EXPECT_EQ(psAboutValue.Name, "Courier New");

  MemoryPlatform sys;
  Platform platform = sys.platform();
  TdlgAbout dialog(platform, "2.0.1.15");
  MemoryRichTextPane pane;
  pane.AppendLine("left over");
  dialog.FormShow(pane);
  dialog.FormShow(pane);  // a second showing gives the same text, not twice

  const Lines expected = {
      {" |plain", "Kelderwick 2.0|title"},
      {" |value"},
      {"Build:  |label", "2.0.1.15|value"},
      {"Author:  |label", std::string(kProductAuthor) + "|value"},
      {"WEB URL: |label", std::string(kProductWebSite) + "|value"},
      {"Copyright:  |label", std::string(kProductCopyright) + "|value"},
      {" |value"},
      {"Click the e-mail address below to ask a question regarding Kelderwick or simply tell us your opinion "
       "about the software:|label"},
  };
  EXPECT_EQ(AllRuns(pane), expected);
  EXPECT_EQ(pane.updateDepth, 0);
  EXPECT_TRUE(sys.shell.launches.empty());

  // Without a version resource the build line holds the label alone.
  TdlgAbout unversioned(platform, "");
  unversioned.FormShow(pane);
  EXPECT_EQ(pane.Text(2), "Build:  ");
  EXPECT_EQ(pane.lines.size(), expected.size());
}

TEST(About, F3ShowsTheStartupFoldersOtherKeysNothing) {
  MemoryPlatform sys;
  Platform platform = sys.platform();
  sys.folders.folders[kCsidlCommonStartup] = "C:\\ProgramData\\StartUp";
  sys.folders.folders[kCsidlStartup] = "C:\\users\\me\\Startup";
  TdlgAbout dialog(platform, "2.0");
  MemoryRichTextPane pane;
  dialog.FormShow(pane);
  const Lines about = AllRuns(pane);

  for (const int key : std::initializer_list<int>{kVkF1, kVkF5, 'R', 0x73 /* F4 */}) dialog.DisplayKeyDown(pane, key);
  EXPECT_EQ(AllRuns(pane), about);

  dialog.DisplayKeyDown(pane, kVkF3);
  EXPECT_EQ(AllRuns(pane), (Lines{{" |plain", "cmn = C:\\ProgramData\\StartUp|label"},
                                  {"usr = C:\\users\\me\\Startup|label"},
                                  {}}));

  // Without a common Startup folder both lines show the user's; with none at all, nothing.
  sys.folders.folders.erase(kCsidlCommonStartup);
  dialog.DisplayKeyDown(pane, kVkF3);
  EXPECT_EQ(pane.Text(0), " cmn = C:\\users\\me\\Startup");
  EXPECT_EQ(pane.Text(1), "usr = C:\\users\\me\\Startup");
  sys.folders.folders.clear();
  dialog.DisplayKeyDown(pane, kVkF3);
  EXPECT_EQ(pane.Text(0), " cmn = ");
  EXPECT_EQ(pane.Text(1), "usr = ");

  // The next showing brings the About text back.
  dialog.FormShow(pane);
  EXPECT_EQ(AllRuns(pane), about);
}

TEST(About, TheAddressOpensANewMessage) {
  MemoryPlatform sys;
  Platform platform = sys.platform();
  TdlgAbout dialog(platform, "2.0");
  sys.shell.result = 2;  // no mail program: nothing is reported
  dialog.Label1Click();
  ASSERT_EQ(sys.shell.launches.size(), 1u);
  EXPECT_EQ(sys.shell.launches[0].file, std::string("mailto:") + kSupportAddress);
  EXPECT_EQ(sys.shell.launches[0].parameters, "");
  EXPECT_EQ(sys.shell.launches[0].folder, "");
  EXPECT_EQ(sys.shell.launches[0].showCmd, 5);
  EXPECT_TRUE(sys.messages.shown.empty());
}

}  // namespace
}  // namespace kw
