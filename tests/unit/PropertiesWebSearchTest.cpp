#include <gtest/gtest.h>

#include "entries/unitSysWorksProperties.h"
#include "entries/unitSysWorksWebSearch.h"
#include "platform/memory/MemoryPlatform.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

std::vector<std::string> Messages(const MemoryMessageBoxes& boxes) {
  std::vector<std::string> texts;
  for (const MessageRequest& request : boxes.shown) texts.push_back(request.caption + ": " + request.text);
  return texts;
}

TEST(ShowFileProperties, OpensTheProgramOfARunEntryAndTheShortcutOfAStartupEntry) {
  MemoryPlatform sys;
  Platform platform = sys.platform();
  sys.files.AddFile("C:\\Apps\\mixer.exe");
  sys.files.AddFile("C:\\Startup\\mixer.lnk");

  for (const int origin : {orRegistryCommon, orRegistryUser, orStartupCommon, orStartupUser}) {
    TAppItem entry;
    entry.SetOrigin(origin);
    entry.SetFullPath("C:\\Apps\\mixer.exe");
    entry.SetLinkFile("C:\\Startup\\mixer.lnk");
    EXPECT_TRUE(ShowFileProperties(entry, 0x1234, platform)) << origin;
  }
  EXPECT_EQ(sys.properties.shown,
            (std::vector<std::string>{"C:\\Apps\\|mixer.exe", "C:\\Apps\\|mixer.exe", "C:\\Startup\\|mixer.lnk",
                                      "C:\\Startup\\|mixer.lnk"}));
  EXPECT_EQ(sys.properties.lastOwner, 0x1234u);
  EXPECT_TRUE(sys.messages.shown.empty());
}

TEST(ShowFileProperties, FailuresAreShownAndAnswerFalse) {
  MemoryPlatform sys;
  Platform platform = sys.platform();
  TAppItem entry;  // no Origin: treated as a Startup-folder entry
  entry.SetFullPath("C:\\Apps\\mixer.exe");
  entry.SetLinkFile("D:mixer.lnk");  // a drive colon also ends the folder part

  EXPECT_FALSE(ShowFileProperties(entry, 0, platform));
  EXPECT_EQ(sys.properties.shown.back(), "D:|mixer.lnk");
  EXPECT_EQ(Messages(sys.messages), std::vector<std::string>{"Error: Cannot retrieve object information"});

  sys.messages.shown.clear();
  sys.properties.raise = true;
  EXPECT_FALSE(ShowFileProperties(entry, 0, platform));
  EXPECT_EQ(Messages(sys.messages), (std::vector<std::string>{"Error: Error getting application properties",
                                                              "Error: Cannot retrieve object information"}));
}

TEST(UrlEncode, EncodesBlanksMarkupControlAndHighBytesOnly) {
  EXPECT_EQ(UrlEncode("a b*c#d%e<f>g"), "a%20b%2Ac%23d%25e%3Cf%3Eg");
  EXPECT_EQ(UrlEncode("\"&=+?/:()'~"), "\"&=+?/:()'~");
  EXPECT_EQ(UrlEncode(std::string("\x01\t\x1F\x7F", 4)), "%01%09%1F\x7F");
  EXPECT_EQ(UrlEncode(std::string("\0", 1)), "%00");
  EXPECT_EQ(UrlEncode("\xAE\xFF"), "%AE%FF");
  EXPECT_EQ(UrlEncode("Звук ®"), "%D0%97%D0%B2%D1%83%D0%BA%20%C2%AE");  // UTF-8, byte by byte
  EXPECT_EQ(CountChar(' ', " a  b "), 4);
  EXPECT_EQ(CountChar('x', ""), 0);
}

class WebSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.files.AddDirectory(programFolder);
    sys.files.AddDirectory(sys.environment.tempFolder);
  }
  // The query part of the URL that the last search wrote, checking the file on the way.
  std::string LastQuery() {
    EXPECT_EQ(sys.shell.launches.size(), 1u);
    if (sys.shell.launches.empty()) return {};
    const MemoryShell::Launch launch = sys.shell.launches.back();
    sys.shell.launches.clear();
    const std::string content = sys.files.ReadWholeFile(launch.file).value_or("");
    const std::string prefix = "[InternetShortcut]\r\nURL=http://www.google.com/search?";
    EXPECT_EQ(content.rfind(prefix, 0), 0u) << content;
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
    return content.substr(prefix.size(), content.size() - prefix.size() - 2);
  }
  std::string SearchFor(const std::string& product, const std::string& company, const std::string& caption) {
    TAppItem entry;
    SetOptionString(entry, keys::ProductName, product);
    SetOptionString(entry, keys::CompanyName, company);
    entry.SetCaption(caption);
    SearchWebForEntry(entry, platform, programFolder);
    return LastQuery();
  }

  const std::string programFolder = "C:\\Program Files\\Kelderwick\\";
  MemoryPlatform sys;
  Platform platform = sys.platform();
};

TEST_F(WebSearchTest, WordsAreCutToTwoWordsAndBeforePunctuation) {
  EXPECT_EQ(SearchFor("Sound Mixer Pro 2.1", "Example Audio, Inc.", "mixer.exe"),
            "hl=en&q=\"Sound%20Mixer\"%20\"Example%20Audio\"");
  EXPECT_EQ(SearchFor("", "", "tool.exe"), "hl=en&q=tool");
  EXPECT_EQ(SearchFor("Photo Editor", "", "x"), "hl=en&q=\"Photo%20Editor\"");
  EXPECT_EQ(SearchFor("", "Acme", "x"), "hl=en&q=Acme");
  // A run of blanks after the first word leaves it alone with its blank, so it is quoted.
  EXPECT_EQ(SearchFor("Foo  Bar Baz", "", "x"), "hl=en&q=\"Foo%20\"");
  // A word cut before a "(" at its start becomes empty; alone it is sent as "".
  EXPECT_EQ(SearchFor("", "", "(default)"), "hl=en&q=\"\"");
  EXPECT_EQ(SearchFor("", "", ""), "hl=en&q=\"\"");
  // An empty word beside another one adds only its separating blank.
  EXPECT_EQ(SearchFor("[beta] tool", "Acme", "x"), "hl=en&q=%20Acme");
  // Trimming happens only where a rule cut the word; an untouched word keeps its blanks.
  EXPECT_EQ(SearchFor("  Mixer  ", "", "x"), "hl=en&q=\"%20%20Mixer%20%20\"");
  EXPECT_EQ(SearchFor(" Mixer (x64) ", "", "x"), "hl=en&q=Mixer");
  EXPECT_EQ(SearchFor("Say \"Hi\" now", "", "x"), "hl=en&q=\"Say%20\"\"Hi\"\"\"");
  EXPECT_EQ(SearchFor("Звукорежиссёр\xC2\xAE", "", "x"),
            "hl=en&q=%D0%97%D0%B2%D1%83%D0%BA%D0%BE%D1%80%D0%B5%D0%B6%D0%B8%D1%81%D1%81%D1%91%D1%80%C2%AE");
}

TEST_F(WebSearchTest, WritesTheShortcutIntoTheProgramFolderAndOpensItMaximised) {
  std::vector<std::string> words{"first"};
  WebSearch(words, platform, programFolder);
  std::vector<std::string> second{"second one"};
  WebSearch(second, platform, programFolder);

  ASSERT_EQ(sys.shell.launches.size(), 2u);
  for (const MemoryShell::Launch& launch : sys.shell.launches) {
    EXPECT_EQ(launch.file, programFolder + "search.url");
    EXPECT_EQ(launch.parameters, "");
    EXPECT_EQ(launch.folder, "");
    EXPECT_EQ(launch.showCmd, 3);
  }
  // The file is replaced, byte for byte: no byte-order mark, CR LF after both lines.
  EXPECT_EQ(sys.files.ReadWholeFile(programFolder + "search.url"),
            "[InternetShortcut]\r\nURL=http://www.google.com/search?hl=en&q=\"second%20one\"\r\n");
  EXPECT_EQ(second, (std::vector<std::string>{"[InternetShortcut]",
                                              "URL=http://www.google.com/search?hl=en&q=\"second%20one\""}));
  EXPECT_FALSE(sys.files.FileExists(sys.environment.tempFolder + "search.url"));
}

TEST_F(WebSearchTest, AnUnwritableProgramFolderFallsBackToTheTemporaryFolder) {
  sys.files.RefuseChanges(programFolder);
  std::vector<std::string> words{"tool"};
  WebSearch(words, platform, programFolder);
  ASSERT_EQ(sys.shell.launches.size(), 1u);
  EXPECT_EQ(sys.shell.launches[0].file, sys.environment.tempFolder + "search.url");
  EXPECT_EQ(sys.files.ReadWholeFile(sys.environment.tempFolder + "search.url"),
            "[InternetShortcut]\r\nURL=http://www.google.com/search?hl=en&q=tool\r\n");

  // With neither folder writable the search stops before anything is opened.
  sys.shell.launches.clear();
  sys.files.RefuseChanges(sys.environment.tempFolder);
  words = {"tool"};
  try {
    WebSearch(words, platform, programFolder);
    ADD_FAILURE() << "no error raised";
  } catch (const EFileError& error) {
    EXPECT_STREQ(error.what(), "Cannot create file C:\\Program Files\\Kelderwick\\search.url");
  }
  EXPECT_TRUE(sys.shell.launches.empty());
}

}  // namespace
}  // namespace kw
