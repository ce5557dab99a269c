// The registry form of option-list collections against the real registry of the Wine prefix
// (or Windows), under HKEY_CURRENT_USER\Software\KelderwickTests\StoredForms.
#include <windows.h>

#include <gtest/gtest.h>

#include "persist/unitDataStreamingCollections.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {
namespace {

using namespace std::string_literals;

const std::string kParent = "Software\\KelderwickTests";
const std::string kKey = kParent + "\\StoredForms";

class Win32StoredFormsTest : public ::testing::Test {
 protected:
  void SetUp() override { reg.DeleteKey(kKey); }
  void TearDown() override {
    reg.DeleteKey(kKey);
    if (!reg.OpenKey(kParent, false)) return;
    const bool empty = reg.GetKeyNames().empty() && reg.GetValueNames().empty();  // no other test's keys
    reg.CloseKey();
    if (empty) reg.DeleteKey(kParent);
  }

  Win32Registry backend;
  TRegistry reg{backend, kHkeyCurrentUser};
};

TEST_F(Win32StoredFormsTest, ValuesWithControlCharactersPercentSignsAndCyrillicRoundTrip) {
  const std::string controls = "tab\there\r\nnext\x01" "one\0after NUL"s;
  const std::string cyrillic = "\"C:\\Программы\\тест.exe\" -ключ ёЁ";
  TMultiOptions lists;
  TOptionsList& entry = lists.FindOrAdd("47116-72");
  for (const auto& [name, value] : {std::pair{"Controls", controls}, {"Temp", "%TEMP%"}, {"Percent", "50%"},
                                    {"Caption", cyrillic}, {"", "the default"}})
    SetOptionString(entry, name, value);
  SetOptionString(lists.FindOrAdd("Список"), "Имя", "значение");
  lists.FindOrAdd("Drop");
  ASSERT_TRUE(lists.SaveToRegistry(backend, kKey, kHkeyCurrentUser));

  // Windows holds the stored form: one line without control characters.
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, Wide(kKey + "\\47116-72").c_str(), L"Controls", RRF_RT_REG_SZ, nullptr,
                           buffer, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), Wide(EncodeValue(controls)));

  TMultiOptions back;
  ASSERT_TRUE(back.LoadFromRegistry(backend, kKey, kHkeyCurrentUser));
  ASSERT_EQ(back.Count(), 3);
  const TOptionsList* loaded = back.FindByName("47116-72");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Count(), 5);
  EXPECT_EQ(GetOptionString(*loaded, "Controls"), controls);
  EXPECT_EQ(GetOptionString(*loaded, "Temp"), "%TEMP%");
  EXPECT_EQ(GetOptionString(*loaded, "Percent"), "50%");
  EXPECT_EQ(GetOptionString(*loaded, "Caption"), cyrillic);
  EXPECT_EQ(GetOptionString(*loaded, ""), "the default");
  ASSERT_NE(back.FindByName("Список"), nullptr);
  EXPECT_EQ(GetOptionString(*back.FindByName("Список"), "имя"), "значение");

  // Saving again leaves exactly the new lists; "СПИСОК" shares the subkey of "Список".
  lists.Delete(2);
  lists.GetItem(1).ListName = "СПИСОК";
  ASSERT_TRUE(lists.SaveToRegistry(backend, kKey, kHkeyCurrentUser));
  ASSERT_TRUE(reg.OpenKey(kKey, false));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"47116-72", "СПИСОК"}));
  reg.CloseKey();
}

}  // namespace
}  // namespace kw::win32
