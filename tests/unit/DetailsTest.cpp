#include <gtest/gtest.h>

#include "entries/unitAppListDetails.h"
#include "platform/memory/MemoryRichTextPane.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

bool SameStyle(const std::optional<TPrintStyle>& a, const TPrintStyle& b) {
  return a && a->Color == b.Color && a->Style == b.Style && a->Name == b.Name && a->Size == b.Size;
}

void FillRunEntry(TAppItem& entry) {
  entry.SetCaption("Sound Mixer");
  entry.SetFullPath("C:\\Apps\\mixer.exe");
  entry.SetArguments(" /tray ");
  entry.SetOrigin(orRegistryUser);
  SetOptionString(entry, keys::FileVersion, "2.1.0");
  SetOptionString(entry, keys::CompanyName, "Example Audio, Inc.");
}

TEST(ShowDetails, WritesTheReportRunByRun) {
  MemoryRichTextPane pane;
  pane.AppendLine("the welcome text");
  TAppItem entry;
  FillRunEntry(entry);
  SignatureCheck signed_{SignatureState::Valid, "Someone Else Ltd", "C:\\Apps\\mixer.exe"};
  ShowDetails(entry, pane, &signed_);

  ASSERT_EQ(pane.lines.size(), 13u);
  // Line 1: a blank in the pane's own look, then the caption as the title.
  ASSERT_EQ(pane.lines[0].size(), 2u);
  EXPECT_EQ(pane.lines[0][0].text, " ");
  EXPECT_FALSE(pane.lines[0][0].style);
  EXPECT_EQ(pane.lines[0][1].text, "Sound Mixer");
  EXPECT_TRUE(SameStyle(pane.lines[0][1].style, psTitle));
  EXPECT_EQ(pane.Text(1), " ");

  const std::pair<std::string, std::string> rows[] = {
      {"  Path:  ", "C:\\Apps\\mixer.exe"},       {"  Arguments:  ", "/tray"},
      {"  Found in:  ", "Registry ( User )"},     {"  File Version:  ", "2.1.0"},
      {"  Company Name:  ", "Example Audio, Inc."}, {"  Product Name:  ", "unknown"},
      {"  Description:  ", "not found"},          {"  Comments:  ", "not found"},
      {"  Verified publisher:  ", "Someone Else Ltd (the file claims: Example Audio, Inc.)"},
      {"  Link File:  ", "not applicable"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const auto& line = pane.lines[i + 2];
    ASSERT_EQ(line.size(), 2u) << "line " << i + 3;
    EXPECT_EQ(line[0].text, rows[i].first);
    EXPECT_TRUE(SameStyle(line[0].style, psLabel));
    EXPECT_EQ(line[1].text, rows[i].second);
    EXPECT_TRUE(SameStyle(line[1].style, psValue));
  }
  EXPECT_EQ(pane.Text(12), "") << "the report ends with an empty last line";
  EXPECT_EQ(pane.updateDepth, 0);
}

TEST(ShowDetails, FallbacksAndOrigins) {
  MemoryRichTextPane pane;
  TAppItem shortcut;
  shortcut.SetCaption("tool.exe");
  shortcut.SetOrigin(orStartupCommon);
  shortcut.SetArguments("   ");  // blanks only: shown empty, not "not available"
  shortcut.SetLinkFile("C:\\Startup\\tool.lnk");
  ShowDetails(shortcut, pane);
  EXPECT_EQ(pane.Text(2), "  Path:  ");
  EXPECT_EQ(pane.Text(3), "  Arguments:  ");
  EXPECT_EQ(pane.Text(4), "  Found in:  Startup Folder ( Common )");
  EXPECT_EQ(pane.Text(5), "  File Version:  not specified");
  EXPECT_EQ(pane.Text(10), "  Verified publisher:  being checked");
  EXPECT_EQ(pane.Text(11), "  Link File:  C:\\Startup\\tool.lnk");

  shortcut.SetArguments("");
  shortcut.SetOrigin(10);
  ShowDetails(shortcut, pane);
  EXPECT_EQ(pane.Text(3), "  Arguments:  not available");
  EXPECT_EQ(pane.Text(4), "  Found in:  unknown");
  EXPECT_EQ(OriginText(-1), "unknown");
  EXPECT_EQ(OriginText(orRegistryCommon), "Registry ( Common )");
}

TEST(ShowDetails, HugeValuesAreShownCutWithTheirLength) {
  MemoryRichTextPane pane;
  TAppItem entry;
  FillRunEntry(entry);
  const std::string exact(kMaxShownCharacters, 'p');
  entry.SetFullPath(exact);
  entry.SetArguments(std::string(20000, 'a'));
  std::string cyrillic;  // two bytes a character: the cut falls between characters
  for (int i = 0; i < 3000; ++i) cyrillic += "\u0416";
  entry.SetCaption(cyrillic);
  SetOptionString(entry, keys::Comments, std::string(1 << 20, 'c'));
  ShowDetails(entry, pane);

  EXPECT_EQ(pane.lines[0][1].text, cyrillic.substr(0, 2 * kMaxShownCharacters) + "\u2026 (3000 characters)");
  EXPECT_EQ(pane.Text(2), "  Path:  " + exact) << "a value of the limit is shown whole";
  EXPECT_EQ(pane.Text(3), "  Arguments:  " + std::string(kMaxShownCharacters, 'a') + "\u2026 (20000 characters)");
  EXPECT_EQ(pane.Text(9), "  Comments:  " + std::string(kMaxShownCharacters, 'c') + "\u2026 (1048576 characters)");
  EXPECT_EQ(entry.Arguments().size(), 20000u) << "only the report is cut";
}

TEST(ShowDetails, AnUnreadableOriginLeavesThePreviousReport) {
  MemoryRichTextPane pane;
  TAppItem entry;
  FillRunEntry(entry);
  ShowDetails(entry, pane);
  const auto before = pane.lines.size();
  TAppItem broken;
  FillRunEntry(broken);
  broken.Put(broken.IndexOfName(keys::Origin), "Origin=x");
  EXPECT_THROW(ShowDetails(broken, pane), EConvertError);
  EXPECT_EQ(pane.lines.size(), before);
  EXPECT_EQ(pane.Text(0), " Sound Mixer");
  EXPECT_EQ(pane.updateDepth, 0) << "the pane is never left without repainting";
}

}  // namespace
}  // namespace kw
