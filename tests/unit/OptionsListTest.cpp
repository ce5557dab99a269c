#include <gtest/gtest.h>

#include <regex>

#include "persist/unitDataStreaming.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

std::uint32_t FrozenClock() { return 12345678; }

class OptionsListTest : public ::testing::Test {
 protected:
  void TearDown() override { SetListNameClock(nullptr); }
};

TEST_F(OptionsListTest, NewListsGetDistinctGeneratedNames) {
  const std::regex shape("(0|[1-9][0-9]{0,5})6-(0|[1-9][0-9]?)2");
  TOptionsList a, b;
  EXPECT_TRUE(std::regex_match(a.ListName, shape)) << a.ListName;
  EXPECT_NE(a.ListName, b.ListName);
  EXPECT_EQ(a.Index, 0);
  EXPECT_EQ(a.Owner, nullptr);
}

TEST_F(OptionsListTest, ListsMadeInTheSameMillisecondDifferByTheCounterOnly) {
  SetListNameClock(&FrozenClock);
  ListCounter = 6;
  TOptionsList a, b;
  const std::string randomPart = a.ListName.substr(0, a.ListName.find('-'));
  EXPECT_EQ(a.ListName, randomPart + "-72");
  EXPECT_EQ(b.ListName, randomPart + "-82");
}

TEST_F(OptionsListTest, CounterWrapsFrom99To0) {
  ListCounter = 0;
  for (int i = 0; i < 99; ++i) TOptionsList list;
  EXPECT_EQ(ListCounter, 99);
  { TOptionsList hundredth; EXPECT_EQ(hundredth.ListName.substr(hundredth.ListName.size() - 3), "-02"); }
  EXPECT_EQ(ListCounter, 0);
  TOptionsList next;
  EXPECT_EQ(ListCounter, 1);
}

TEST_F(OptionsListTest, AssignCopiesLinesIndexAndNameButNotOwner) {
  TOptionsList source, copy;
  source.Add("Caption=Notepad");
  source.Add("Enabled=FALSE");
  source.Index = 7;
  source.Owner = reinterpret_cast<TMultiOptions*>(&source);
  copy.Add("Old=1");
  copy.Assign(source);
  EXPECT_EQ(copy.Lines(), source.Lines());
  EXPECT_EQ(copy.ListName, source.ListName);
  EXPECT_EQ(copy.Index, 7);
  EXPECT_EQ(copy.Owner, nullptr);

  // From a plain string list only the lines are copied.
  TStringList plain;
  plain.Add("x=1");
  const std::string name = copy.ListName;
  copy.Assign(plain);
  EXPECT_EQ(copy.Lines(), plain.Lines());
  EXPECT_EQ(copy.ListName, name);
}

TEST_F(OptionsListTest, LookupIgnoresCaseAndTouchesOnlyTheFirstLineOfAName) {
  TOptionsList list;
  list.Add("NoEquals");
  list.Add("Caption=y");
  list.Add("CAPTION=z");
  EXPECT_EQ(GetOptionString(list, "caption"), "y");
  SetOptionString(list, "caption", "x");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"NoEquals", "caption=x", "CAPTION=z"}));
  SetOptionString(list, "Caption", "");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"NoEquals", "CAPTION=z"}));
  EXPECT_EQ(GetOptionString(list, "NoEquals"), "");
  EXPECT_EQ(GetOptionString(list, "Missing"), "");
  SetOptionString(list, "Missing", "");  // removing an absent line does nothing
  EXPECT_EQ(list.Count(), 2);
  SetOptionString(list, "Путь", "C:\\Программы");
  EXPECT_EQ(GetOptionString(list, "пУТЬ"), "C:\\Программы");
}

TEST_F(OptionsListTest, ValuesAreHeldEncodedAndReadDecoded) {
  TOptionsList list;
  SetOptionString(list, "Arguments", "%TEMP%");
  SetOptionString(list, "Comments", "line1\r\nline2");
  EXPECT_EQ(list.Get(0), "Arguments=%%%TEMP%%%");
  EXPECT_EQ(list.Get(1), "Comments=%line1%0D%0Aline2%");
  EXPECT_EQ(GetOptionString(list, "Arguments"), "%TEMP%");
  EXPECT_EQ(GetOptionString(list, "Comments"), "line1\r\nline2");
  SetOptionString(list, "Path", "a=b=c");
  EXPECT_EQ(GetOptionString(list, "Path"), "a=b=c");
}

TEST_F(OptionsListTest, BooleansAreExactlyTrueOrFalse) {
  TOptionsList list;
  SetOptionBool(list, "Enabled", false);
  EXPECT_EQ(list.Get(0), "Enabled=FALSE");
  EXPECT_FALSE(GetOptionBool(list, "Enabled"));
  SetOptionBool(list, "Enabled", true);
  EXPECT_EQ(list.Get(0), "Enabled=TRUE");
  EXPECT_TRUE(GetOptionBool(list, "enabled"));
  for (const char* text : {"true", "True", "1", "TRUE "}) {
    list.Put(0, std::string("Enabled=") + text);
    EXPECT_FALSE(GetOptionBool(list, "Enabled")) << text;
  }
  EXPECT_FALSE(GetOptionBool(list, "Absent"));
}

TEST_F(OptionsListTest, IntegersReadMinusOneWhenAbsentAndRejectOtherText) {
  TOptionsList list;
  EXPECT_EQ(GetOptionInt(list, "Origin"), -1);
  SetOptionInt(list, "Origin", 3);
  SetOptionInt(list, "ImageIndex", -1);
  SetOptionInt(list, "Big", INT32_MIN);
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"Origin=3", "ImageIndex=-1", "Big=-2147483648"}));
  EXPECT_EQ(GetOptionInt(list, "Origin"), 3);
  EXPECT_EQ(GetOptionInt(list, "Big"), INT32_MIN);
  SetOptionString(list, "Origin", "");
  EXPECT_EQ(GetOptionInt(list, "Origin"), -1);

  list.Add("Bad=twelve");
  try {
    GetOptionInt(list, "Bad");
    FAIL() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'twelve' is not a valid integer value");
  }
  list.Add("Huge=4294967296");
  EXPECT_THROW(GetOptionInt(list, "Huge"), EConvertError);
}

TEST_F(OptionsListTest, StringListPositionsAreChecked) {
  TStringList list;
  list.Add("a");
  try {
    list.Get(3);
    FAIL() << "no list error";
  } catch (const EListError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Put(1, "b"), EListError);
}

TEST_F(OptionsListTest, TextSplitsAtAnyLineBreakAndStopsAtNul) {
  TStringList list;
  list.SetText(std::string("a\r\nb\rc\n\nd\0e", 12));
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n\r\nd\r\n");
}

}  // namespace
}  // namespace kw
