#include <gtest/gtest.h>

#include "util/unitStrUtils.h"
#include "util/unitWideText.h"

namespace kw {
namespace {

TEST(StrUtils, CopyRangeCutsAtBothEnds) {
  EXPECT_EQ(CopyRange("abcdef", 2, 4), "bcd");
  EXPECT_EQ(CopyRange("abc", 2, 1), "");
  EXPECT_EQ(CopyRange("abc", 2, 99), "bc");
  EXPECT_EQ(CopyRange("abc", 4, 9), "");
  EXPECT_EQ(Copy("abc", 0, 2), "ab");  // a start below 1 counts as 1
  EXPECT_EQ(Copy("abc", 1, -1), "");
  EXPECT_EQ(CopyRange("abc", INT32_MIN, INT32_MAX), "abc");
}

TEST(StrUtils, PosFromCountsFromTheStartOfTheText) {
  EXPECT_EQ(PosFrom("b", "abcb", 1), 2);
  EXPECT_EQ(PosFrom("b", "abcb", 3), 4);
  EXPECT_EQ(PosFrom("x", "abc", 1), 0);
  EXPECT_EQ(PosFrom("", "abc", 1), 0);
  EXPECT_EQ(PosFrom("c", "abc", 4), 0);
  EXPECT_EQ(PosFrom("B", "abcb", 1), 0);  // case-sensitive
}

TEST(StrUtils, ReplaceAllScansOnceWithoutOverlap) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abc", "b", "bb"), "abbc");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("%a%", "%", "%%"), "%%a%%");
  EXPECT_EQ(ReplaceAll(std::string("x\0y\0", 4), std::string_view("\0", 1), "<>"), "x<>y<>");
}

TEST(StrUtils, TrimRemovesCodesUpTo32) {
  EXPECT_EQ(Trim(std::string("\0\t \x1F" "a b\r\n ", 10)), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Trim(" \x7F "), "\x7F");
  EXPECT_EQ(Trim("   "), "");
}

TEST(StrUtils, SameTextIgnoresCaseInLatinAndCyrillic) {
  EXPECT_TRUE(SameText("Caption", "cAPTION"));
  EXPECT_TRUE(SameText("Привет", "пРИВЕТ"));
  EXPECT_TRUE(SameText("Ёлка", "ёЛКА"));
  EXPECT_TRUE(SameText("Ærøskøbing", "ÆRØSKØBING"));
  EXPECT_FALSE(SameText("Caption", "Captio"));
  EXPECT_FALSE(SameText("a", "b"));
  // Bytes that are not UTF-8 compare as they are.
  EXPECT_TRUE(SameText("\xFF", "\xFF"));
  EXPECT_FALSE(SameText("\xFF", "\xFE"));
}

TEST(StrUtils, PathParts) {
  EXPECT_EQ(ExtractFilePath("C:\\Tools\\tool.exe"), "C:\\Tools\\");
  EXPECT_EQ(ExtractFileName("C:\\Tools\\tool.exe"), "tool.exe");
  EXPECT_EQ(ExtractFilePath("C:tool.exe"), "C:");
  EXPECT_EQ(ExtractFileName("tool.exe"), "tool.exe");
  EXPECT_EQ(ChangeFileExt("tool.exe", ".lnk"), "tool.lnk");
  EXPECT_EQ(ChangeFileExt("tool", ".lnk"), "tool.lnk");
  EXPECT_EQ(ChangeFileExt("C:\\my.dir\\tool", ".lnk"), "C:\\my.dir\\tool.lnk");
  EXPECT_EQ(ChangeFileExt("archive.tar.gz", ".lnk"), "archive.tar.lnk");
}

TEST(StrUtils, StrToIntAcceptsOnly32BitDecimals) {
  int v = 0;
  EXPECT_TRUE(TryStrToInt("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(TryStrToInt("+2147483647", v));
  EXPECT_EQ(v, INT32_MAX);
  for (const char* bad : {"2147483648", "", "-", "12a", " 1", "1.0", "99999999999999999999"})
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
}

TEST(WideText, RoundTripsEveryKindOfName) {
  const std::u16string samples[] = {
      u"plain", u"Автозагрузка", u"日本語", u"\U0001F600 emoji", std::u16string(u"a\0b", 3),
      std::u16string{char16_t(0xD800), u'x'},  // a lone high surrogate
      std::u16string{u'y', char16_t(0xDC00)},  // a lone low surrogate
  };
  for (const auto& sample : samples) EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(sample)), sample);
  EXPECT_EQ(Utf16ToUtf8(u"Привет"), "Привет");
}

TEST(WideText, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");             // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");   // overlong
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80").size(), 4u);  // beyond U+10FFFF: each byte replaced
}

}  // namespace
}  // namespace kw
