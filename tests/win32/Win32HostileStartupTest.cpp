// A Startup folder as the real world fills it: shortcuts made by real Windows systems (some of
// them malformed), shortcuts to programs that are gone, names outside any ANSI code page and
// hundreds of files. The program lists what the shell can read and never stops on the rest.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "app/unitMain.h"
#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryRichTextPane.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Platform.h"
#include "unit/MainFormSupport.h"
#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"

namespace kw::win32 {
namespace {

const char kCorpus[] = "Z:\\work\\shared\\testdata\\lnk-corpus\\samples";

class Win32HostileStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = GetSpecialFolderPath(system.folders, kCsidlStartup);
    Clean();
  }
  void TearDown() override { Clean(); }
  void Clean() {
    for (const std::string& file : ListFiles(system.files, folder + "\\*.*")) {
      ::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
      system.files.RemoveFile(file);
    }
    StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
  }

  Win32Platform system;
  Platform platform = system.platform();
  std::string folder;
};

TEST_F(Win32HostileStartup, RealWorldMissingAndManyShortcutsAreListedWithoutAStop) {
  // The real-world shortcuts, as files of the Startup folder.
  int corpus = 0;
  for (const std::string& sample : ListFiles(system.files, std::string(kCorpus) + "\\*.lnk")) {
    ASSERT_TRUE(::CopyFileW(Wide(sample).c_str(), Wide(folder + "\\" + ExtractFileName(sample)).c_str(), FALSE));
    ++corpus;
  }
  if (corpus == 0) GTEST_SKIP() << "the shortcut corpus is not reachable at " << kCorpus;

  // Programs that are gone, and names no ANSI code page holds (for a program that exists:
  // Wine keeps the path of a link only in the ANSI code page, and whole only in its item list).
  ASSERT_EQ(system.links.Write(folder + "\\gone.lnk", LinkData{"C:\\Gone\\vanished.exe", "-x", 1, folder + "\\"}),
            LinkWriteResult::Written);
  const std::string foreignFolder = "C:\\データ", foreignProgram = foreignFolder + "\\προγραμμα.exe";
  ::CreateDirectoryW(Wide(foreignFolder).c_str(), nullptr);
  ASSERT_TRUE(::CopyFileW(L"C:\\windows\\system32\\notepad.exe", Wide(foreignProgram).c_str(), FALSE));
  ASSERT_EQ(system.links.Write(folder + "\\日本語 Ελληνικά.lnk", LinkData{foreignProgram, "ключ ☃", 1, folder + "\\"}),
            LinkWriteResult::Written);
  // And hundreds more (fewer where KW_MANY_SHORTCUTS says so: a second build's run repeats
  // what does not depend on the architecture).
  const char* asked = std::getenv("KW_MANY_SHORTCUTS");
  const int kMany = asked && std::atoi(asked) > 0 ? std::atoi(asked) : 500;
  for (int i = 0; i < kMany; ++i)
    ASSERT_EQ(system.links.Write(folder + "\\many " + std::to_string(i) + ".lnk",
                                 LinkData{"C:\\windows\\system32\\notepad.exe", std::to_string(i), 1, folder + "\\"}),
              LinkWriteResult::Written);

  const auto start = std::chrono::steady_clock::now();
  TAppList list;
  ScanStartupFolder(list, platform, kCsidlStartup);
  Win32ImageList images;
  list.LoadIcons(platform.icons, images);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // Every file is listed and can be shown. A shortcut whose target the shell gives is named by
  // the target's file name (the shortcut's for a folder or drive); one without says in its
  // details what it stands for, or that the shell cannot resolve or read it.
  MemoryRichTextPane pane;
  int many = 0, gone = 0, foreign = 0, unresolved = 0;
  for (int i = 0; i < list.Count(); ++i) {
    TAppItem& entry = list.GetItem(i);
    ASSERT_NO_THROW(ShowDetails(entry, pane)) << entry.LinkFile();
    EXPECT_EQ(entry.Origin(), orStartupUser);
    const std::string link = ExtractFileName(entry.LinkFile());
    const std::string kind = GetOptionString(entry, keys::TargetKind);
    EXPECT_TRUE(LinkBytesOf(entry)) << link << " is kept byte for byte";
    if (kind.empty()) {
      EXPECT_FALSE(entry.FullPath().empty()) << link;
      const std::string target = ExtractFileName(entry.FullPath());
      EXPECT_EQ(entry.Caption(), target.empty() ? ChangeFileExt(link, "") : target) << link;
    } else {
      ++unresolved;
      std::string details;
      for (size_t line = 0; line < pane.lines.size(); ++line) details += pane.Text(line) + "\n";
      const bool said = details.find("Installer shortcut, product code {") != std::string::npos ||
                        details.find("Shell item") != std::string::npos ||
                        details.find("cannot resolve its target") != std::string::npos ||
                        details.find("cannot read this shortcut") != std::string::npos;
      EXPECT_TRUE(said) << link << ":\n" << details;
      EXPECT_FALSE(entry.Caption().empty()) << link;
    }
    if (link.rfind("many ", 0) == 0) ++many;
    if (link == "darwin_block_modified.lnk") {
      EXPECT_EQ(kind, kinds::Installer);
      EXPECT_EQ(GetOptionString(entry, keys::ProductCode), "{91120000-0030-0000-0000-0000000FF1CE}");
      EXPECT_EQ(GetOptionString(entry, keys::Feature), "EXCELFiles");
    }
    if (link == "invalid_date2.lnk")
      EXPECT_NE(entry.Arguments().find("/c ren cfsdaacdfawd"), std::string::npos) << "what it runs is shown";
    if (link == "gone.lnk") {
      ++gone;
      EXPECT_EQ(entry.FullPath(), "C:\\Gone\\vanished.exe");
      EXPECT_EQ(entry.ImageIndex(), -1) << "a program that is gone has no icon";
    }
    if (link == "日本語 Ελληνικά.lnk") {
      ++foreign;
      EXPECT_EQ(entry.FullPath(), foreignProgram);
      EXPECT_EQ(entry.Arguments(), " ключ ☃");
    }
  }
  EXPECT_EQ(many, kMany);
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(foreign, 1);
  EXPECT_EQ(list.Count(), kMany + 2 + corpus) << "every real-world shortcut is listed";
  std::printf("[ INFO     ] %d entries (%d real-world shortcuts given, %d without a file target) scanned in %.2f s\n",
              list.Count(), corpus, unresolved, seconds);

  // Each of them can be switched off and kept.
  for (int i = 0; i < list.Count(); ++i) list.GetItem(i).SetEnabled(false);
  ASSERT_TRUE(SaveDisabledApps(list, platform));
  TAppList stored;
  LoadDisabledApps(stored, platform);
  EXPECT_EQ(stored.Count(), list.Count());
  system.files.RemoveFile(foreignProgram);
  ::RemoveDirectoryW(Wide(foreignFolder).c_str());
}

}  // namespace
}  // namespace kw::win32
