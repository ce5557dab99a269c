#include <gtest/gtest.h>

#include "entries/unitAppList.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryPlatform.h"

namespace kw {
namespace {

TEST(SplitCommandLine, WorkedExamples) {
  const struct {
    const char* commandLine;
    const char* path;
    const char* arguments;
  } table[] = {
      {R"("C:\Program Files\App\app.exe" -min)", R"(C:\Program Files\App\app.exe)", " -min"},
      {R"("C:\Program Files\App\app.exe")", R"(C:\Program Files\App\app.exe)", ""},
      {R"("C:\App\app.exe)", R"(C:\App\app.exe)", ""},
      {R"(C:\WINDOWS\system32\ctfmon.exe /n)", R"(C:\WINDOWS\system32\ctfmon.exe)", " /n"},
      {R"(C:\Program Files\App\app.exe /tray)", R"(C:\Program Files\App\app.exe)", " /tray"},
      {R"(C:\App\app.exe /log C:\temp\a.log)", R"(C:\App\app.exe /log C:\temp\a.log)", ""},
      {"rundll32.exe shell32.dll,Control_RunDLL x", "rundll32.exe", "shell32.dll,Control_RunDLL x"},
      {"ctfmon.exe", "ctfmon.exe", ""},
      // Blank runs: a drive-letter path is rejoined with single blanks; a bare name keeps
      // everything after the one character behind it.
      {R"(C:\Program  Files\App\app.exe   /a  /b)", R"(C:\Program Files\App\app.exe)", " /a /b"},
      {"tool.exe  -x", "tool.exe", " -x"},
      {R"(%ProgramFiles%\App\app.exe /s)", R"(%ProgramFiles%\App\app.exe)", "/s"},
      {"  \t\"C:\\a b\\c.exe\" x \r\n", "C:\\a b\\c.exe", " x"},
      {"", "", ""},
      {" \t\r\n ", "", ""},
      {"\"", "", ""},
  };
  for (const auto& row : table) {
    const CommandLineParts parts = SplitCommandLine(row.commandLine);
    EXPECT_EQ(parts.path, row.path) << row.commandLine;
    EXPECT_EQ(parts.arguments, row.arguments) << row.commandLine;
  }
}

TEST(GetDelimitedToken, QuoteAwareTokens) {
  EXPECT_EQ(GetDelimitedToken("shell32.dll,Control_RunDLL desk.cpl", 0), "shell32.dll,Control_RunDLL");
  EXPECT_EQ(GetDelimitedToken("shell32.dll,Control_RunDLL desk.cpl", 1), "desk.cpl");
  EXPECT_EQ(GetDelimitedToken(R"("C:\My Files\x.dll",Entry 5)", 0), R"(C:\My Files\x.dll)");
  EXPECT_EQ(GetDelimitedToken(R"("C:\My Files\x.dll",Entry 5)", 1), ",Entry");
  EXPECT_EQ(GetDelimitedToken(R"("C:\My Files\x.dll",Entry 5)", 2), "5");
  EXPECT_EQ(GetDelimitedToken(R"("C:\My Files\x.dll",Entry 5)", 3), "");
  EXPECT_EQ(GetDelimitedToken("\t\x01 a\x1F" "b", 1), "b");        // codes 1 to 32 separate
  EXPECT_EQ(GetDelimitedToken(R"("say ""hi""" x)", 0), R"(say "hi")");  // "" stands for one quote
  EXPECT_EQ(GetDelimitedToken(R"(a "open to the end)", 1), "open to the end");
  EXPECT_EQ(GetDelimitedToken(std::string("a\0b", 3), 1), "");       // a NUL ends the text
  EXPECT_EQ(GetDelimitedToken("", 0), "");
  EXPECT_EQ(GetDelimitedToken("a", -1), "");
}

TEST(ExtractFileIcon, FallsBackToTheAssociatedIconAndHandsOutNothingElse) {
  MemoryIcons icons;
  icons.AddFileIcon("C:\\Tools\\tool.exe");
  icons.AddAssociation(".txt");
  {
    auto own = ExtractFileIcon(icons, "C:\\Tools\\tool.exe", 0);
    ASSERT_TRUE(own);
    EXPECT_GE(own->Handle(), 2u);
    auto associated = ExtractFileIcon(icons, "C:\\readme.txt", 0);  // the shell answers 1 first
    ASSERT_TRUE(associated);
    EXPECT_GE(associated->Handle(), 2u);
    EXPECT_FALSE(ExtractFileIcon(icons, "C:\\missing.exe", 0));
    EXPECT_FALSE(ExtractFileIcon(icons, "C:\\data.bin", 0));  // answer 1, no association
    EXPECT_FALSE(ExtractFileIcon(icons, "", 0));
  }
  EXPECT_EQ(icons.liveIcons, 0) << "every icon is released";

  const std::string longPath = "C:\\" + std::string(300, 'd') + "\\tool.exe";
  ExtractFileIcon(icons, longPath, 0);
  EXPECT_EQ(icons.extractCalls.back(), longPath.substr(0, 255));
}

TEST(GetSpecialFolderPath, FallsBackToTheUsersStartupFolder) {
  MemoryShellFolders folders;
  folders.folders[kCsidlStartup] = "C:\\users\\me\\Start Menu\\Programs\\Startup";
  EXPECT_EQ(GetSpecialFolderPath(folders, kCsidlCommonStartup), folders.folders[kCsidlStartup]);
  folders.folders[kCsidlCommonStartup] = "C:\\ProgramData\\Startup";
  EXPECT_EQ(GetSpecialFolderPath(folders, kCsidlCommonStartup), "C:\\ProgramData\\Startup");
  EXPECT_EQ(GetSpecialFolderPath(folders, kCsidlStartMenu), "");
  folders.version = 0x0A03;  // major version 3
  EXPECT_EQ(GetSpecialFolderPath(folders, kCsidlStartup), "");
}

// A version reader that fails, to strike while an entry is being filled.
class FailingVersionInfo : public VersionInfo {
 public:
  std::unique_ptr<VersionBlock> Load(std::string_view) override { throw std::runtime_error("unreadable"); }
};

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.folders.folders[kCsidlStartup] = userStartup;
    sys.folders.folders[kCsidlCommonStartup] = commonStartup;
    sys.files.AddDirectory(userStartup);
    sys.files.AddDirectory(commonStartup);
  }
  int IndexOf(const std::string& caption) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.GetItem(i).Caption() == caption) return i;
    return -1;
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> captions;
    for (int i = 0; i < list.Count(); ++i) captions.push_back(list.GetItem(i).Caption());
    return captions;
  }
  void FullScan() {
    ScanRunKey(list, platform, kHkeyLocalMachine, kRunKeyPath);
    ScanRunKey(list, platform, kHkeyCurrentUser, kRunKeyPath);
    ScanStartupFolder(list, platform, kCsidlCommonStartup);
    ScanStartupFolder(list, platform, kCsidlStartup);
  }

  const std::string userStartup = "C:\\users\\me\\Start Menu\\Programs\\Startup";
  const std::string commonStartup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
  MemoryPlatform sys;
  Platform platform = sys.platform();
  TAppList list;
};

TEST_F(ScanTest, RunKeysGiveOneEntryPerStringValueInRegistryOrder) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Zed", R"("C:\Apps\zed.exe" -q)");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "", "C:\\Apps\\default.exe");
  sys.registry.Put(kHkeyCurrentUser, kRunKeyPath, "Expand", RegValue{kRegExpandSz, "%windir%\\x.exe /y"});
  sys.registry.Put(kHkeyCurrentUser, kRunKeyPath, "Number", RegValue{kRegDword, "\1\0\0\0"});
  sys.registry.Put(kHkeyCurrentUser, kRunKeyPath, "Multi", RegValue{kRegMultiSz, "a"});
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Percent", "%windir%\\tool.exe /x");
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Blank", "");
  ScanRunKey(list, platform, kHkeyCurrentUser, kRunKeyPath);

  EXPECT_EQ(Captions(), (std::vector<std::string>{"Zed", "", "Expand", "Percent", "Blank"}));
  const TAppItem& zed = list.GetItem(0);
  EXPECT_EQ(zed.Origin(), orRegistryUser);
  EXPECT_TRUE(zed.Enabled());
  EXPECT_EQ(zed.CommandLine(), R"("C:\Apps\zed.exe" -q)");
  EXPECT_EQ(zed.FullPath(), "C:\\Apps\\zed.exe");
  EXPECT_EQ(zed.Arguments(), " -q");
  EXPECT_EQ(zed.LinkFile(), "");
  EXPECT_EQ(zed.ShowCmd(), -1);
  // An expandable string shows as stored; its file is read where the system finds it.
  const TAppItem& expand = list.GetItem(2);
  EXPECT_EQ(expand.FullPath(), "%windir%\\x.exe");
  EXPECT_EQ(expand.ProgramFile(), "C:\\windows\\x.exe");
  EXPECT_EQ(GetOptionInt(expand, keys::ValueType), static_cast<int>(kRegExpandSz));
  EXPECT_EQ(list.GetItem(3).FullPath(), "%windir%\\tool.exe");  // a plain string: not expanded
  EXPECT_EQ(list.GetItem(3).ProgramFile(), "%windir%\\tool.exe");
  const TAppItem& blank = list.GetItem(4);
  EXPECT_EQ(blank.CommandLine(), "");
  EXPECT_EQ(blank.FullPath(), "");
  EXPECT_TRUE(blank.Enabled());

  ScanRunKey(list, platform, kHkeyLocalMachine, kRunKeyPath);  // missing key: nothing added
  EXPECT_EQ(list.Count(), 5);
}

TEST_F(ScanTest, AnErrorWhileFillingAnEntryKeepsWhatWasSetAndGoesOn) {
  FailingVersionInfo failing;
  Platform broken = sys.platform();
  Platform withFailingVersions{broken.registry, broken.files,   broken.shell,       broken.messages,
                               broken.links,    broken.folders, failing,            broken.icons,
                               broken.environment, broken.properties, broken.locks, broken.tasks, broken.signatures};
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "One", "C:\\one.exe");
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "Two", "C:\\two.exe");
  ScanRunKey(list, withFailingVersions, kHkeyLocalMachine, kRunKeyPath);
  ASSERT_EQ(list.Count(), 2);
  const TAppItem& one = list.GetItem(0);
  EXPECT_EQ(one.Origin(), orRegistryCommon);
  EXPECT_EQ(one.Caption(), "One");
  EXPECT_TRUE(one.Enabled());
  EXPECT_EQ(one.CommandLine(), "C:\\one.exe");
}

TEST_F(ScanTest, ShortcutsBecomeEntriesNamedByTheirTarget) {
  sys.links.AddLink(userStartup + "\\My Tool.lnk", LinkData{"C:\\Tools\\tool.exe", "", 7, ""});
  sys.links.AddLink(userStartup + "\\args.lnk", LinkData{"C:\\Tools\\other.exe", "-a", 3, ""}, true, true,
                    /*hidden=*/true);
  sys.links.AddLink(userStartup + "\\panel.lnk", LinkData{"::{26EE0668}\\Fonts", "", 1, ""}, /*fileSystemTarget=*/false);
  sys.links.AddLink(userStartup + "\\Office.lnk", LinkData{"{91120000-0030-0000-0000-0000000FF1CE}", "", 1, ""}, false);
  sys.links.AddLink(userStartup + "\\dropper.lnk", LinkData{"", "/c start x.vbs", 7, ""}, false);
  sys.links.AddLink(userStartup + "\\broken.lnk", LinkData{"C:\\x.exe", "", 1, ""}, true, /*showCmdReadable=*/false);
  sys.files.AddFile(userStartup + "\\not a link.lnk", "garbage");
  sys.files.AddFile(userStartup + "\\site.url", "[InternetShortcut]\r\nURL=https://example.org/\r\n");
  sys.files.AddFile(userStartup + "\\desktop.ini", "[.ShellClassInfo]");
  sys.links.AddLink(userStartup + "\\sub\\inner.lnk", LinkData{"C:\\inner.exe", "", 1, ""});
  sys.links.AddLink(userStartup + "\\System Drive.lnk", LinkData{"C:\\", "", 1, ""});
  sys.links.AddLink(userStartup + "\\My.Notes.lnk", LinkData{"D:\\Data\\Notes\\", "", 1, ""});
  ScanStartupFolder(list, platform, kCsidlStartup);

  // Every file but desktop.ini and the subfolder, in the folder's order; whatever the shell
  // makes of a shortcut, it is listed.
  ASSERT_EQ(Captions(), (std::vector<std::string>{"tool.exe", "other.exe", "Fonts", "Office", "dropper", "x.exe",
                                                  "not a link", "site.url", "System Drive", "My.Notes"}));
  const std::vector<std::pair<std::string, std::string>> kinds{
      {"Fonts", kinds::ShellItem}, {"Office", kinds::Installer}, {"dropper", kinds::Unresolved},
      {"not a link", kinds::Unreadable}, {"site.url", kinds::File}, {"x.exe", ""}};
  for (const auto& [caption, kind] : kinds) {
    const TAppItem& entry = list.GetItem(IndexOf(caption));
    EXPECT_EQ(GetOptionString(entry, keys::TargetKind), kind) << caption;
    if (kind != kinds::File) {
      EXPECT_EQ(LinkBytesOf(entry), sys.files.ReadWholeFile(entry.LinkFile())) << caption << ": kept byte for byte";
    }
  }
  EXPECT_EQ(list.GetItem(IndexOf("Fonts")).FullPath(), "::{26EE0668}\\Fonts");
  EXPECT_EQ(GetOptionString(list.GetItem(IndexOf("Office")), keys::ProductCode), "{91120000-0030-0000-0000-0000000FF1CE}");
  EXPECT_EQ(list.GetItem(IndexOf("dropper")).Arguments(), "/c start x.vbs") << "what it runs, though not whom";
  const TAppItem& site = list.GetItem(IndexOf("site.url"));
  EXPECT_EQ(GetOptionString(site, keys::Url), "https://example.org/");
  EXPECT_EQ(site.FullPath(), userStartup + "\\site.url");
  EXPECT_EQ(site.LinkFile(), site.FullPath());
  const TAppItem& tool = list.GetItem(0);
  EXPECT_EQ(tool.Origin(), orStartupUser);
  EXPECT_EQ(tool.CommandLine(), "\"C:\\Tools\\tool.exe\" ");
  EXPECT_EQ(tool.FullPath(), "C:\\Tools\\tool.exe");
  EXPECT_EQ(tool.Arguments(), "");  // a lone trailing blank is trimmed away by the split
  EXPECT_EQ(tool.ShowCmd(), 7);
  EXPECT_EQ(tool.LinkFile(), userStartup + "\\My Tool.lnk");
  EXPECT_EQ(list.GetItem(1).Arguments(), " -a");
}

TEST_F(ScanTest, TheCommonFolderIsSkippedWhenItIsTheUsersOwn) {
  sys.folders.folders.erase(kCsidlCommonStartup);
  sys.links.AddLink(userStartup + "\\a.lnk", LinkData{"C:\\a.exe", "", 1, ""});
  ScanStartupFolder(list, platform, kCsidlCommonStartup);
  EXPECT_EQ(list.Count(), 0);
  ScanStartupFolder(list, platform, kCsidlStartup);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetItem(0).Origin(), orStartupUser);

  sys.folders.folders[kCsidlStartup] = "C:\\gone";  // not a directory
  ScanStartupFolder(list, platform, kCsidlStartup);
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(ScanTest, AFullScanListsMachineUserCommonThenUserEntries) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "user run", "C:\\b.exe");
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "machine run", "C:\\a.exe");
  sys.links.AddLink(userStartup + "\\d.lnk", LinkData{"C:\\d.exe", "", 1, ""});
  sys.links.AddLink(commonStartup + "\\c.lnk", LinkData{"C:\\c.exe", "", 1, ""});
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "same", "C:\\d.exe");
  FullScan();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"machine run", "user run", "same", "c.exe", "d.exe"}));
  std::vector<int> origins;
  for (int i = 0; i < list.Count(); ++i) origins.push_back(list.GetItem(i).Origin());
  EXPECT_EQ(origins, (std::vector<int>{0, 1, 1, 2, 3}));
}

}  // namespace
}  // namespace kw
