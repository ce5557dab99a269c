// A full scan against the prefix's real Run keys and Startup folders, with shortcuts written
// by the shell.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "entries/unitAppList.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Platform.h"
#include "util/unitDiskUtils.h"
#include "win32/ShellTestSupport.h"

namespace kw::win32 {
namespace {

class Win32ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    user = GetSpecialFolderPath(system.folders, kCsidlStartup);
    common = GetSpecialFolderPath(system.folders, kCsidlCommonStartup);
  }
  void TearDown() override { Clean(); }
  void Clean() {
    test_support::EmptyRunKeys(platform.registry);
    for (int csidl : {kCsidlStartup, kCsidlCommonStartup}) {
      const std::string folder = GetSpecialFolderPath(system.folders, csidl);
      for (const std::string& file : ListFiles(system.files, folder + "\\*.*")) system.files.RemoveFile(file);
    }
  }
  void Put(RootKey root, const std::string& name, const RegValue& value) {
    TRegistry reg(platform.registry, root);
    ASSERT_TRUE(reg.OpenKey(kRunKeyPath, true));
    reg.WriteValue(name, value);
  }
  void FullScan() {
    ScanRunKey(list, platform, kHkeyLocalMachine, kRunKeyPath);
    ScanRunKey(list, platform, kHkeyCurrentUser, kRunKeyPath);
    ScanStartupFolder(list, platform, kCsidlCommonStartup);
    ScanStartupFolder(list, platform, kCsidlStartup);
  }

  Win32Platform system;
  Platform platform = system.platform();
  TAppList list;
  std::string user, common;
};

TEST_F(Win32ScanTest, FindsExactlyWhatWasSeededInOrder) {
  ASSERT_NE(user, common) << "a fresh prefix has both Startup folders";
  Put(kHkeyLocalMachine, "Machine", RegValue{kRegSz, "\"C:\\windows\\system32\\notepad.exe\" /m"});
  Put(kHkeyCurrentUser, "Программа", RegValue{kRegSz, "C:\\Программы\\инструмент.exe -ключ"});
  Put(kHkeyCurrentUser, "Expanded", RegValue{kRegExpandSz, "%SystemRoot%\\notepad.exe"});
  Put(kHkeyCurrentUser, "Number", RegValue{kRegDword, std::string("\1\0\0\0", 4)});
  ASSERT_EQ(system.links.Write(common + "\\All.lnk", LinkData{"C:\\windows\\system32\\notepad.exe", "-all", 1,
                                                              common + "\\"}),
            LinkWriteResult::Written);
  ASSERT_EQ(system.links.Write(user + "\\Мой.lnk", LinkData{"C:\\windows\\system32\\winver.exe", "аргумент", 1,
                                                             user + "\\"}),
            LinkWriteResult::Written);
  ASSERT_TRUE(system.files.WriteWholeFile(user + "\\site.url", "[InternetShortcut]\r\nURL=http://example.com/\r\n"));
  FullScan();

  ASSERT_EQ(list.Count(), 6) << "an expandable string is listed, a number is not; every file of the folders is";
  const TAppItem& machine = list.GetItem(0);
  EXPECT_EQ(machine.Caption(), "Machine");
  EXPECT_EQ(machine.Origin(), orRegistryCommon);
  EXPECT_EQ(machine.FullPath(), "C:\\windows\\system32\\notepad.exe");
  EXPECT_EQ(machine.Arguments(), " /m");
  EXPECT_TRUE(machine.Enabled());

  // The user's two values, in the registry's own order.
  const bool cyrillicFirst = list.GetItem(1).Caption() == "Программа";
  const TAppItem& cyrillic = list.GetItem(cyrillicFirst ? 1 : 2);
  EXPECT_EQ(cyrillic.Caption(), "Программа");
  EXPECT_EQ(cyrillic.Origin(), orRegistryUser);
  EXPECT_EQ(cyrillic.FullPath(), "C:\\Программы\\инструмент.exe");
  EXPECT_EQ(cyrillic.Arguments(), " -ключ");
  const TAppItem& expanded = list.GetItem(cyrillicFirst ? 2 : 1);
  EXPECT_EQ(expanded.Caption(), "Expanded");
  EXPECT_EQ(expanded.FullPath(), "%SystemRoot%\\notepad.exe");

  const TAppItem& all = list.GetItem(3);
  EXPECT_EQ(all.Origin(), orStartupCommon);
  EXPECT_EQ(all.Caption(), "notepad.exe");
  EXPECT_TRUE(_stricmp(all.FullPath().c_str(), "C:\\windows\\system32\\notepad.exe") == 0) << all.FullPath();
  EXPECT_EQ(all.Arguments(), " -all");
  EXPECT_EQ(all.LinkFile(), common + "\\All.lnk");
  EXPECT_GE(all.ShowCmd(), 0);

  // The user's folder in the file system's order.
  const bool linkFirst = list.GetItem(4).Caption() == "winver.exe";
  const TAppItem& mine = list.GetItem(linkFirst ? 4 : 5);
  EXPECT_EQ(mine.Origin(), orStartupUser);
  EXPECT_EQ(mine.Caption(), "winver.exe");
  EXPECT_EQ(mine.Arguments(), " аргумент");
  EXPECT_EQ(mine.LinkFile(), user + "\\Мой.lnk");
  const TAppItem& site = list.GetItem(linkFirst ? 5 : 4);
  EXPECT_EQ(site.Caption(), "site.url");
  EXPECT_EQ(site.FullPath(), user + "\\site.url");
  EXPECT_EQ(GetOptionString(site, keys::Url), "http://example.com/");
}

TEST_F(Win32ScanTest, VersionStringsOfOurOwnFileAndOfASystemLibrary) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  TAppItem entry;
  entry.SetCommandLine("\"" + Narrow(self) + "\" --flag", platform.versions);
  EXPECT_EQ(GetOptionString(entry, keys::FileVersion), "2.0.0.1");
  EXPECT_EQ(GetOptionString(entry, keys::CompanyName), "Velmora Software");
  EXPECT_EQ(GetOptionString(entry, keys::ProductName), "Kelderwick");
  EXPECT_FALSE(GetOptionString(entry, keys::FileDescription).empty());
  EXPECT_FALSE(GetOptionString(entry, keys::Comments).empty());

  TAppItem library;
  library.SetCommandLine("rundll32.exe shell32.dll,Control_RunDLL", platform.versions);
  EXPECT_EQ(library.FullPath(), "shell32.dll");
  EXPECT_FALSE(GetOptionString(library, keys::FileVersion).empty()) << "a system library has a version";
}

TEST_F(Win32ScanTest, TheStoreKeepsEntriesAcrossLoads) {
  Put(kHkeyCurrentUser, "Стоп", RegValue{kRegSz, "\"C:\\Путь с пробелом\\x.exe\"  -a 50%"});
  ScanRunKey(list, platform, kHkeyCurrentUser, kRunKeyPath);
  ASSERT_EQ(list.Count(), 1);
  list.GetItem(0).SetEnabled(false);
  ASSERT_TRUE(SaveDisabledApps(list, platform));
  TAppList loaded;
  LoadDisabledApps(loaded, platform);
  ASSERT_EQ(loaded.Count(), 1);
  // The lines come back in the registry's enumeration order.
  auto stored = loaded.GetItem(0).Lines(), original = list.GetItem(0).Lines();
  std::sort(stored.begin(), stored.end());
  std::sort(original.begin(), original.end());
  EXPECT_EQ(stored, original);
  EXPECT_EQ(loaded.GetItem(0).ListName, list.GetItem(0).ListName);
  StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
}

}  // namespace
}  // namespace kw::win32
