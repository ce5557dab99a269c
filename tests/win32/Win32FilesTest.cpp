// Files, the file listing and the shell launcher against the real file system of the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/WideString.h"
#include "platform/win32/Win32FileSystem.h"
#include "util/unitDiskUtils.h"

namespace kw::win32 {
namespace {

std::string TempFolder(const std::string& name) {
  wchar_t buffer[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, buffer);
  const std::string folder = Narrow(buffer) + "kw-" + name + "-" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryW(Wide(folder).c_str(), nullptr);
  return folder;
}

TEST(Win32Files, ListFilesFindsHiddenShortcutsButNoFolders) {
  Win32FileSystem files;
  const std::string folder = TempFolder("startup");
  ASSERT_TRUE(files.WriteWholeFile(folder + "\\a.lnk", "a"));
  ASSERT_TRUE(::CreateDirectoryW(Wide(folder + "\\b.lnk").c_str(), nullptr));
  ASSERT_TRUE(files.WriteWholeFile(folder + "\\c.lnk", "c"));
  ASSERT_TRUE(::SetFileAttributesW(Wide(folder + "\\c.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(files.WriteWholeFile(folder + "\\b.lnk\\inner.lnk", "i"));
  ASSERT_TRUE(files.WriteWholeFile(folder + "\\site.url", "u"));
  ASSERT_TRUE(files.WriteWholeFile(folder + "\\Программа.lnk", "p"));

  auto listed = ListFiles(files, folder + "\\*.lnk");
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{folder + "\\a.lnk", folder + "\\c.lnk", folder + "\\Программа.lnk"}));
  EXPECT_TRUE(ListFiles(files, folder + "\\missing\\*.lnk").empty());

  EXPECT_TRUE(files.DirectoryExists(folder + "\\b.lnk"));
  EXPECT_FALSE(files.FileExists(folder + "\\b.lnk"));
  EXPECT_TRUE(files.FileExists(folder + "\\Программа.lnk"));
  EXPECT_EQ(files.ReadWholeFile(folder + "\\Программа.lnk"), "p");

  ::SetFileAttributesW(Wide(folder + "\\c.lnk").c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const char* name : {"\\a.lnk", "\\c.lnk", "\\b.lnk\\inner.lnk", "\\site.url", "\\Программа.lnk"})
    EXPECT_TRUE(files.RemoveFile(folder + name)) << name;
  ::RemoveDirectoryW(Wide(folder + "\\b.lnk").c_str());
  ::RemoveDirectoryW(Wide(folder).c_str());
}

TEST(Win32Files, WriteWholeFileReplacesTheContent) {
  Win32FileSystem files;
  const std::string folder = TempFolder("write");
  const std::string path = folder + "\\search.url";
  ASSERT_TRUE(files.WriteWholeFile(path, "first, and longer\r\n"));
  ASSERT_TRUE(files.WriteWholeFile(path, "second\r\n"));
  EXPECT_EQ(files.ReadWholeFile(path), "second\r\n");
  EXPECT_FALSE(files.WriteWholeFile(folder + "\\no\\such\\folder\\x.txt", "x"));
  files.RemoveFile(path);
  ::RemoveDirectoryW(Wide(folder).c_str());
}

}  // namespace
}  // namespace kw::win32
