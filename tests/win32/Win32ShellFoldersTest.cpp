// Special folders and the Windows version from the real shell of the prefix (or of Windows).
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "platform/PlatformConstants.h"
#include "platform/win32/Win32ShellFolders.h"
#include "util/unitStrUtils.h"

namespace kw::win32 {
namespace {

using namespace test_support;

TEST(Win32ShellFolders, StartupAndStartMenuFoldersAreExistingDirectories) {
  Win32ShellFolders folders;
  for (const int csidl : {kCsidlStartup, kCsidlCommonStartup, kCsidlStartMenu}) {
    SCOPED_TRACE(csidl);
    const auto path = folders.SpecialFolderLocation(csidl);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->find(":\\"), 1u) << *path;
    EXPECT_NE(path->back(), '\\') << *path;
    EXPECT_TRUE(DirectoryExists(*path)) << *path;
    // The same folder as the shell's path lookup names.
    wchar_t expected[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, expected), S_OK);
    EXPECT_EQ(*path, Narrow(expected));
  }
  // The common Startup folder is not the user's: each is scanned on its own.
  EXPECT_NE(folders.SpecialFolderLocation(kCsidlStartup), folders.SpecialFolderLocation(kCsidlCommonStartup));
  const std::string startMenu = *folders.SpecialFolderLocation(kCsidlStartMenu);
  EXPECT_EQ(FoldCase(folders.SpecialFolderLocation(kCsidlStartup)->substr(0, startMenu.size() + 1)),
            FoldCase(startMenu + "\\"));
}

TEST(Win32ShellFolders, FoldersWithoutAFileSystemPathGiveNothing) {
  Win32ShellFolders folders;
  EXPECT_EQ(folders.SpecialFolderLocation(CSIDL_CONTROLS), std::nullopt);  // a shell item, no path
  EXPECT_EQ(folders.SpecialFolderLocation(0x7E), std::nullopt);            // no such CSIDL
  EXPECT_EQ(folders.SpecialFolderLocation(-1), std::nullopt);
}

TEST(Win32ShellFolders, WindowsVersionCarriesTheMajorVersionInTheLowByte) {
  Win32ShellFolders folders;
  const std::uint32_t version = folders.WindowsVersion();
  EXPECT_GE(version & 0xFF, 4u);
  EXPECT_LE(version & 0xFF, 10u);
  EXPECT_LE((version >> 8) & 0xFF, 3u);
  EXPECT_EQ(version & 0x80000000u, 0u);  // set only on Windows 9x
}

}  // namespace
}  // namespace kw::win32
