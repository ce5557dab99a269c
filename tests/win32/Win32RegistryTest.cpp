// The registry layer against the real registry of the Wine prefix (or Windows).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideString.h"
#include "util/unitErrors.h"

namespace kw::win32 {
namespace {

using namespace std::string_literals;

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key = "Software\\KelderwickTests\\" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
    reg.DeleteKey(key);
  }
  void TearDown() override { reg.DeleteKey("Software\\KelderwickTests"); }

  // Writes a value with the raw API, so the layer is checked against what Windows stores.
  void RawSet(const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY h = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(h, Wide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    ::RegCloseKey(h);
  }

  Win32Registry backend;
  TRegistry reg{backend, kHkeyCurrentUser};
  std::string key;
};

TEST_F(Win32RegistryTest, OpenWithoutCreateFailsOnAMissingKey) {
  EXPECT_FALSE(reg.OpenKey(key, false));
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::Missing);
  EXPECT_TRUE(reg.OpenKey(key, true));
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::None);
  reg.CloseKey();
  EXPECT_TRUE(reg.OpenKey(key, false));
}

// The system holds the handle to its rights: one opened for reading lists and reads, and
// refuses writes.
TEST_F(Win32RegistryTest, AReadOnlyOpenReadsAndCannotWrite) {
  EXPECT_FALSE(reg.OpenKeyReadOnly(key));
  EXPECT_FALSE(reg.KeyExists(key));
  ASSERT_TRUE(reg.OpenKey(key + "\\Sub", true));
  reg.WriteString("v", "1");
  ASSERT_TRUE(reg.OpenKeyReadOnly(key));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Sub"});
  ASSERT_TRUE(reg.OpenKeyReadOnly(key + "\\Sub"));
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"v"});
  EXPECT_EQ(reg.ReadString("v"), "1");
  EXPECT_THROW(reg.WriteString("v", "2"), ERegistryException);
  EXPECT_THROW(reg.WriteString("new", "2"), ERegistryException);
  EXPECT_FALSE(reg.DeleteValue("v"));
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{"v"});
  EXPECT_EQ(reg.ReadString("v"), "1");
}

TEST_F(Win32RegistryTest, DefaultValueTypesAndNulCut) {
  ASSERT_TRUE(reg.OpenKey(key, true));
  reg.WriteString("", "the default");
  reg.WriteString("Plain", "C:\\Tools\\tool.exe -a");
  const wchar_t expand[] = L"%SystemRoot%\\notepad.exe";
  RawSet("Expand", REG_EXPAND_SZ, expand, sizeof expand);
  const wchar_t cut[] = L"before\0after";
  RawSet("Cut", REG_SZ, cut, sizeof cut);
  reg.WriteInteger("Number", 42);

  const auto names = reg.GetValueNames();
  EXPECT_NE(std::find(names.begin(), names.end(), ""), names.end()) << "the default value is the empty name";
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(reg.ReadString(""), "the default");
  EXPECT_EQ(reg.GetDataType("Plain"), kRegSz);
  EXPECT_EQ(reg.GetDataType("Expand"), kRegExpandSz);
  EXPECT_EQ(reg.GetDataType("Number"), kRegDword);
  EXPECT_EQ(reg.GetDataType("Missing"), kRegNone);
  EXPECT_EQ(reg.ReadString("Expand"), "%SystemRoot%\\notepad.exe");  // unexpanded
  EXPECT_EQ(reg.ReadString("Cut"), "before");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  try {
    reg.ReadString("Number");
    FAIL() << "no type error";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Number'");
  }
}

TEST_F(Win32RegistryTest, DeleteKeyRemovesASubtreeAndAcceptsAMissingKey) {
  ASSERT_TRUE(reg.OpenKey(key + "\\A\\Deep", true));
  reg.WriteString("v", "1");
  ASSERT_TRUE(reg.OpenKey(key + "\\B", true));
  reg.WriteString("v", "2");
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey(key));
  EXPECT_FALSE(reg.KeyExists(key));
  EXPECT_TRUE(reg.DeleteKey(key));
  EXPECT_TRUE(reg.DeleteKey(key + "\\Never\\There"));
}

// In the 32-bit view, where the store of disabled entries lives: the key keeps its values and
// subkeys under its new name; a name that is taken or a missing key is refused.
TEST_F(Win32RegistryTest, RenameKeyKeepsTheContentAndRefusesATakenName) {
  TRegistry in32(backend, kHkeyLocalMachine, RegView::Bits32);
  const std::string base = "SOFTWARE\\KelderwickTests";
  ASSERT_TRUE(in32.OpenKey(base + "\\~part\\Sub", true));
  ASSERT_TRUE(in32.OpenKey(base + "\\~part", false));
  in32.WriteString("Caption", "Ярлык");
  ASSERT_TRUE(in32.OpenKey(base + "\\Taken", true));
  in32.CloseKey();
  EXPECT_FALSE(in32.RenameKey(base + "\\~part", "Taken"));
  EXPECT_FALSE(in32.RenameKey(base + "\\Missing", "Other"));
  ASSERT_TRUE(in32.RenameKey(base + "\\~part", "Whole"));
  EXPECT_FALSE(in32.KeyExists(base + "\\~part"));
  ASSERT_TRUE(in32.OpenKeyReadOnly(base + "\\Whole"));
  EXPECT_EQ(in32.ReadString("Caption"), "Ярлык");
  EXPECT_EQ(in32.GetKeyNames(), std::vector<std::string>{"Sub"});
  // 64-bit Windows keeps it in the 32-bit view; 32-bit Windows has that view only.
  BOOL wow = FALSE;
  if (sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow) && wow))
    EXPECT_FALSE(TRegistry(backend, kHkeyLocalMachine, RegView::Bits64).KeyExists(base + "\\Whole")) << "in its view";
  EXPECT_TRUE(in32.DeleteKey(base));
}

TEST_F(Win32RegistryTest, CyrillicNamesAndDataRoundTripByteExact) {
  const std::string subkey = key + "\\Автозагрузка";
  const std::string name = "Программа ёЁ";
  const std::string data = "\"C:\\Программы\\тест.exe\" -ключ 100%";
  ASSERT_TRUE(reg.OpenKey(subkey, true));
  reg.WriteString(name, data);
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey(key, false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Автозагрузка"});
  ASSERT_TRUE(reg.OpenKey(subkey, false));
  EXPECT_EQ(reg.GetValueNames(), std::vector<std::string>{name});
  EXPECT_EQ(reg.ReadString(name), data);
  EXPECT_EQ(reg.ReadString("пРОГРАММА Ёё"), data);  // Windows ignores letter case too

  // The same value read with the raw API holds the UTF-16 text.
  wchar_t buffer[256] = {};
  DWORD size = sizeof buffer;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, Wide(subkey).c_str(), Wide(name).c_str(), RRF_RT_REG_SZ, nullptr, buffer,
                           &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), Wide(data));
}

TEST_F(Win32RegistryTest, LargeValuesAndOtherTypesKeepTheirBytes) {
  ASSERT_TRUE(reg.OpenKey(key, true));
  const std::string big(64 * 1024, 'x');
  reg.WriteString("Big", big);
  EXPECT_EQ(reg.ReadString("Big"), big);
  const unsigned char blob[] = {0, 1, 2, 0xFF};
  RawSet("Blob", REG_BINARY, blob, sizeof blob);
  const auto value = backend.OpenKey(kHkeyCurrentUser, key, false)->QueryValue("Blob");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, kRegBinary);
  EXPECT_EQ(value->data, "\x00\x01\x02\xFF"s);
}

}  // namespace
}  // namespace kw::win32
