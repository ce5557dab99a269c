// Version resources read from real files: the test program's own, the system's libraries, and
// files without one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "ShellTestSupport.h"
#include "platform/win32/Win32VersionInfo.h"

namespace kw::win32 {
namespace {

using namespace test_support;

std::string Prefix(std::pair<std::uint16_t, std::uint16_t> translation) {
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", translation.first, translation.second);
  return prefix;
}

// The file version of the fixed part of the resource, as "major.minor.build.revision".
std::string FixedFileVersion(const std::string& path) {
  const std::wstring file = Wide(path);
  DWORD handle = 0;
  std::vector<BYTE> data(::GetFileVersionInfoSizeW(file.c_str(), &handle));
  if (data.empty() || !::GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
    return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return {};
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
         "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

TEST(Win32VersionInfo, TheProgramsOwnResourceGivesItsStrings) {
  Win32VersionInfo versions;
  const auto block = versions.Load(TestProgramPath());
  ASSERT_TRUE(block);
  const auto translations = block->Translations();
  ASSERT_EQ(translations.size(), 1u);
  EXPECT_EQ(translations[0], (std::pair<std::uint16_t, std::uint16_t>{0x409, 1252}));
  const std::string prefix = Prefix(translations[0]);
  ASSERT_EQ(prefix, "\\StringFileInfo\\040904E4\\");

  EXPECT_EQ(block->QueryString(prefix + "FileVersion"), FixedFileVersion(TestProgramPath()));
  EXPECT_EQ(block->QueryString(prefix + "FileVersion"), "2.0.0.1");
  EXPECT_EQ(block->QueryString(prefix + "CompanyName"), "Velmora Software");
  EXPECT_EQ(block->QueryString(prefix + "ProductName"), "Kelderwick");
  EXPECT_EQ(block->QueryString(prefix + "FileDescription"), "Kelderwick startup manager");
  EXPECT_EQ(block->QueryString(prefix + "Comments"),
            "Lists the programs Windows starts at logon and switches them off and on");
  EXPECT_EQ(block->QueryString(prefix + "LegalCopyright"), "\u00A9 2024-2026 Velmora Software");
  // Names are found whatever their letter case; absent names and other translations are not.
  EXPECT_EQ(block->QueryString("\\stringfileinfo\\040904e4\\companyname"), "Velmora Software");
  EXPECT_EQ(block->QueryString(prefix + "PrivateBuild"), std::nullopt);
  EXPECT_EQ(block->QueryString("\\StringFileInfo\\04190000\\FileVersion"), std::nullopt);
}

TEST(Win32VersionInfo, SystemLibrariesGiveTheirStrings) {
  Win32VersionInfo versions;
  for (const std::string name : {"kernel32.dll", "shell32.dll"}) {
    SCOPED_TRACE(name);
    const std::string path = SystemFolder() + "\\" + name;
    const auto block = versions.Load(path);
    ASSERT_TRUE(block);
    const auto translations = block->Translations();
    ASSERT_FALSE(translations.empty());
    EXPECT_EQ(translations[0].first, 0x409);
    const std::string prefix = Prefix(translations[0]);
    // Windows appends the build's name to the text; the numbers are those of the fixed part.
    const auto fileVersion = block->QueryString(prefix + "FileVersion");
    ASSERT_TRUE(fileVersion);
    EXPECT_EQ(fileVersion->rfind(FixedFileVersion(path), 0), 0u) << *fileVersion;
    EXPECT_EQ(block->QueryString(prefix + "CompanyName"), "Microsoft Corporation");
    if (RunningUnderWine()) {
      EXPECT_EQ(block->QueryString(prefix + "ProductName"), "Wine");
      EXPECT_EQ(block->QueryString(prefix + "FileDescription").value_or("").rfind("Wine ", 0), 0u);
      EXPECT_EQ(block->QueryString(prefix + "Comments"), std::nullopt);
    }
  }
}

TEST(Win32VersionInfo, FilesWithoutAResourceGiveNone) {
  ScratchFolder folder("versions");
  ASSERT_TRUE(folder.created());
  ASSERT_TRUE(WriteBytes(folder / "readme.txt", "no version here\r\n"));
  ASSERT_TRUE(WriteBytes(folder / "empty.exe", ""));
  ASSERT_TRUE(WriteBytes(folder / "fake.exe", "MZ this is not a program"));
  Win32VersionInfo versions;
  for (const char* name : {"readme.txt", "empty.exe", "fake.exe", "missing.exe"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(versions.Load(folder / name), nullptr);
  }
  EXPECT_EQ(versions.Load(folder.path()), nullptr);
  EXPECT_EQ(versions.Load(""), nullptr);
}

TEST(Win32VersionInfo, AProgramInAFolderWithANonAnsiNameIsRead) {
  ScratchFolder folder("versions");
  ASSERT_TRUE(::CreateDirectoryW(Wide(folder / "Программы").c_str(), nullptr));
  const std::string copy = folder / "Программы\\приложение.exe";
  ASSERT_TRUE(::CopyFileW(Wide(TestProgramPath()).c_str(), Wide(copy).c_str(), FALSE));
  Win32VersionInfo versions;
  const auto block = versions.Load(copy);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->QueryString("\\StringFileInfo\\040904E4\\ProductName"), "Kelderwick");
}

}  // namespace
}  // namespace kw::win32
