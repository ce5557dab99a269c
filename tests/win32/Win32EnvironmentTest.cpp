// Facts about the running test program and its user, from the prefix (or from Windows).
#include <windows.h>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "platform/win32/Win32Environment.h"
#include "util/unitStrUtils.h"

namespace kw::win32 {
namespace {

using namespace test_support;

TEST(Win32Environment, ExecutablePathNamesThisProgram) {
  Win32Environment environment;
  const std::string path = environment.ExecutablePath();
  const std::string name = "\\kw_win32_tests.exe";
  ASSERT_GT(path.size(), name.size());
  EXPECT_EQ(LowerCase(path.substr(path.size() - name.size())), name);
  EXPECT_EQ(path.find(":\\"), 1u) << path;
  EXPECT_TRUE(FileExists(path));
}

TEST(Win32Environment, UserLanguageNameIsTheEnglishNameOfTheLanguage) {
  Win32Environment environment;
  const std::string language = environment.UserLanguageName();
  ASSERT_FALSE(language.empty());
  for (const char c : language) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ') << language;
  if (PRIMARYLANGID(LANGIDFROMLCID(::GetUserDefaultLCID())) == LANG_ENGLISH) {
    EXPECT_EQ(language, "English");
  }
}

TEST(Win32Environment, TempFolderExistsAndEndsWithABackslash) {
  Win32Environment environment;
  const std::string folder = environment.TempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(DirectoryExists(folder));
  const std::string probe = folder + "kw-environment-" + std::to_string(::GetCurrentProcessId()) + ".tmp";
  EXPECT_TRUE(WriteBytes(probe, "x"));
  EXPECT_TRUE(::DeleteFileW(Wide(probe).c_str()));
}

}  // namespace
}  // namespace kw::win32
