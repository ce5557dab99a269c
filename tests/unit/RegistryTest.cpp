#include <gtest/gtest.h>

#include "platform/memory/MemoryRegistry.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

using namespace std::string_literals;

constexpr const char* kKey = "SOFTWARE\\Test";

class RegistryTest : public ::testing::Test {
 protected:
  MemoryRegistry backend;
  TRegistry reg{backend, kHkeyCurrentUser};
};

TEST_F(RegistryTest, OpenWithoutCreateFailsOnAMissingKeyAndCreatesOtherwise) {
  EXPECT_FALSE(reg.OpenKey(kKey, false));
  EXPECT_FALSE(backend.HasKey(kHkeyCurrentUser, kKey));
  EXPECT_TRUE(reg.OpenKey(kKey, true));
  EXPECT_TRUE(backend.HasKey(kHkeyCurrentUser, "software\\TEST"));
  EXPECT_TRUE(reg.OpenKey("\\Software\\test", false));  // a leading "\" and letter case do not matter
  reg.SetRootKey(kHkeyLocalMachine);
  EXPECT_FALSE(reg.OpenKey(kKey, false));  // roots are separate
}

TEST_F(RegistryTest, StringsAreReadUnexpandedUpToTheFirstNul) {
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  backend.Put(kHkeyCurrentUser, kKey, "Cut", RegValue{kRegSz, "before\0after"s});
  backend.Put(kHkeyCurrentUser, kKey, "Expand", RegValue{kRegExpandSz, "%ProgramFiles%\\x.exe"});
  backend.Put(kHkeyCurrentUser, kKey, "Empty", RegValue{kRegSz, ""});
  EXPECT_EQ(reg.ReadString("Cut"), "before");
  EXPECT_EQ(reg.ReadString("Expand"), "%ProgramFiles%\\x.exe");
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.GetDataType("Cut"), kRegSz);
  EXPECT_EQ(reg.GetDataType("Expand"), kRegExpandSz);
  EXPECT_EQ(reg.GetDataType("Missing"), kRegNone);
}

TEST_F(RegistryTest, ReadingAnotherTypeAsStringRaisesTheTypeError) {
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteInteger("Count", 7);
  backend.Put(kHkeyCurrentUser, kKey, "Multi", RegValue{kRegMultiSz, "a\0b\0"s});
  EXPECT_EQ(reg.GetDataType("Count"), kRegDword);
  try {
    reg.ReadString("Count");
    FAIL() << "no type error";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Count'");
  }
  EXPECT_THROW(reg.ReadString("Multi"), ERegistryException);
}

TEST_F(RegistryTest, IntegersAreLittleEndianDwords) {
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteInteger("Minus", -2);
  const auto value = backend.OpenKey(kHkeyCurrentUser, kKey, false)->QueryValue("minus");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, kRegDword);
  EXPECT_EQ(value->data, "\xFE\xFF\xFF\xFF");
}

TEST_F(RegistryTest, NamesEnumerateInRegistryOrderAndIgnoreCase) {
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteString("Zeta", "1");
  reg.WriteString("", "default");
  reg.WriteString("alpha", "2");
  reg.WriteString("ZETA", "3");  // the same value
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"Zeta", "", "alpha"}));
  EXPECT_EQ(reg.ReadString("zeta"), "3");
  EXPECT_EQ(reg.ReadString(""), "default");
  for (const char* sub : {"b", "A", "c", "B"}) ASSERT_TRUE(backend.OpenKey(kHkeyCurrentUser, std::string(kKey) + "\\" + sub, true));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"A", "b", "c"}));
}

TEST_F(RegistryTest, DeleteKeyRemovesTheSubtreeAndAcceptsAMissingKey) {
  backend.PutString(kHkeyCurrentUser, "SOFTWARE\\Test\\A\\Deep", "v", "1");
  backend.PutString(kHkeyCurrentUser, "SOFTWARE\\Test\\B", "v", "2");
  backend.PutString(kHkeyCurrentUser, "SOFTWARE\\Testing", "v", "3");
  EXPECT_TRUE(reg.DeleteKey(kKey));
  EXPECT_FALSE(backend.HasKey(kHkeyCurrentUser, kKey));
  EXPECT_TRUE(backend.HasKey(kHkeyCurrentUser, "SOFTWARE\\Testing"));
  EXPECT_TRUE(reg.DeleteKey(kKey));
  EXPECT_TRUE(reg.DeleteKey("Nowhere\\At\\All"));
}

TEST_F(RegistryTest, RenameKeyKeepsTheContentAndRefusesATakenName) {
  backend.PutString(kHkeyCurrentUser, "SOFTWARE\\Test\\~part\\Sub", "v", "1");
  backend.PutString(kHkeyCurrentUser, "SOFTWARE\\Test\\~part", "Caption", "C");
  backend.CreateKey(kHkeyCurrentUser, "SOFTWARE\\Test\\taken");
  EXPECT_FALSE(reg.RenameKey("SOFTWARE\\Test\\~part", "TAKEN"));
  EXPECT_FALSE(reg.RenameKey("SOFTWARE\\Test\\Missing", "Other"));
  ASSERT_TRUE(reg.RenameKey("SOFTWARE\\Test\\~part", "Whole"));
  ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"taken", "Whole"}));
  ASSERT_TRUE(reg.OpenKeyReadOnly("SOFTWARE\\Test\\whole"));
  EXPECT_EQ(reg.ReadString("Caption"), "C");
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Sub"});
  backend.RefuseWrite(kHkeyCurrentUser, kKey);
  EXPECT_FALSE(reg.RenameKey("SOFTWARE\\Test\\Whole", "Again"));
}

TEST_F(RegistryTest, AHandleOnADeletedKeyFailsLikeWindows) {
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  reg.WriteString("a", "1");
  TRegistry other(backend, kHkeyCurrentUser);
  ASSERT_TRUE(other.DeleteKey(kKey));
  EXPECT_TRUE(reg.GetValueNames().empty());
  try {
    reg.WriteString("a", "2");
    FAIL() << "write on a deleted key succeeded";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Failed to set data for 'a'");
  }
}

TEST_F(RegistryTest, RefusedOpensAndWritesFailAsTheCallersExpect) {
  backend.PutString(kHkeyLocalMachine, "SOFTWARE\\Vendor\\Store", "v", "1");
  backend.RefuseOpen(kHkeyLocalMachine, "SOFTWARE\\Vendor");
  reg.SetRootKey(kHkeyLocalMachine);
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Vendor\\Store", false));
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::Denied);
  EXPECT_FALSE(reg.OpenKeyReadOnly("SOFTWARE\\Vendor\\Store"));
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::Denied);
  EXPECT_FALSE(reg.OpenKeyReadOnly("SOFTWARE\\Nobody\\Store"));
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::Missing);
  EXPECT_FALSE(reg.OpenKey("software\\vendor\\New", true));
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::Denied);
  EXPECT_FALSE(backend.HasKey(kHkeyLocalMachine, "SOFTWARE\\Vendor\\New"));
  EXPECT_TRUE(reg.OpenKey("SOFTWARE\\VendorX", true));  // a sibling with a longer name is not below
  EXPECT_EQ(reg.OpenFailure(), RegOpenFailure::None);

  backend.ClearFaults();
  backend.RefuseWrite(kHkeyLocalMachine, "SOFTWARE\\Vendor");
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Vendor\\Store", false));  // reading is still allowed
  EXPECT_EQ(reg.ReadString("v"), "1");
  EXPECT_THROW(reg.WriteString("v", "2"), ERegistryException);
  EXPECT_THROW(reg.WriteInteger("n", 1), ERegistryException);
  EXPECT_FALSE(reg.DeleteValue("v"));
  EXPECT_FALSE(reg.DeleteKey("SOFTWARE\\Vendor\\Store"));
  EXPECT_EQ(reg.ReadString("v"), "1");
}

// A key opened for reading never writes; a user without the right to write a key opens it
// for reading only, and can neither create nor delete keys there.
TEST_F(RegistryTest, ReadOnlyOpensAndAUserWhoMayNotWrite) {
  backend.PutString(kHkeyLocalMachine, "SOFTWARE\\Vendor\\Store", "v", "1");
  reg.SetRootKey(kHkeyLocalMachine);
  EXPECT_FALSE(reg.OpenKeyReadOnly("SOFTWARE\\Vendor\\Missing"));
  EXPECT_FALSE(backend.HasKey(kHkeyLocalMachine, "SOFTWARE\\Vendor\\Missing"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("SOFTWARE\\Vendor\\Store"));
  EXPECT_THROW(reg.WriteString("v", "2"), ERegistryException);
  EXPECT_FALSE(reg.DeleteValue("v"));
  EXPECT_EQ(reg.ReadString("v"), "1");

  backend.DenyWriteAccess(kHkeyLocalMachine, "SOFTWARE\\Vendor");
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Vendor\\Store", false));
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Vendor\\Store", true));
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Vendor\\New", true));
  EXPECT_FALSE(backend.HasKey(kHkeyLocalMachine, "SOFTWARE\\Vendor\\New"));
  EXPECT_FALSE(reg.DeleteKey("SOFTWARE\\Vendor\\Store"));
  EXPECT_TRUE(reg.KeyExists("SOFTWARE\\Vendor\\Store"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("SOFTWARE\\Vendor\\Store"));
  EXPECT_EQ(reg.ReadString("v"), "1");
  EXPECT_TRUE(reg.OpenKey("SOFTWARE\\VendorX", true)) << "a sibling is not below";
  reg.SetRootKey(kHkeyCurrentUser);
  EXPECT_TRUE(reg.OpenKey("SOFTWARE\\Vendor\\Store", true)) << "another root";
}

TEST_F(RegistryTest, AHookCanRefuseTheNthWrite) {
  int writes = 0;
  backend.SetFaultHook([&](RegOp op, RootKey, const std::string&, const std::string&) {
    return op == RegOp::Write && ++writes == 2;
  });
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  EXPECT_NO_THROW(reg.WriteString("one", "1"));
  EXPECT_THROW(reg.WriteString("two", "2"), ERegistryException);
  EXPECT_NO_THROW(reg.WriteString("three", "3"));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"one", "three"}));
}

// As 64-bit Windows: the 32-bit view of HKLM\SOFTWARE is its WOW6432Node subkey, a backend
// seen through a view opens there, and the other roots and views are not redirected.
TEST_F(RegistryTest, TheThirtyTwoBitViewOfTheMachineSoftwareKey) {
  backend.SetWindows64(true);
  RegistryInView in32(backend, RegView::Bits32);
  TRegistry viewed(in32, kHkeyLocalMachine);
  ASSERT_TRUE(viewed.OpenKey(kKey, true));
  viewed.WriteString("v", "32");
  EXPECT_TRUE(backend.HasKey(kHkeyLocalMachine, "SOFTWARE\\WOW6432Node\\Test"));
  EXPECT_FALSE(backend.HasKey(kHkeyLocalMachine, kKey));
  TRegistry native(backend, kHkeyLocalMachine);
  EXPECT_FALSE(native.KeyExists(kKey));
  TRegistry explicit32(backend, kHkeyLocalMachine, RegView::Bits32);
  ASSERT_TRUE(explicit32.OpenKey("SOFTWARE\\WOW6432Node\\Test", false)) << "an explicit WOW6432Node stays";
  EXPECT_EQ(explicit32.ReadString("v"), "32");
  TRegistry user(backend, kHkeyCurrentUser, RegView::Bits32);
  ASSERT_TRUE(user.OpenKey(kKey, true));
  EXPECT_TRUE(backend.HasKey(kHkeyCurrentUser, kKey));
  EXPECT_TRUE(viewed.DeleteKey(kKey));
  EXPECT_FALSE(backend.HasKey(kHkeyLocalMachine, "SOFTWARE\\WOW6432Node\\Test"));
}

TEST_F(RegistryTest, WritesWithoutAnOpenKeyFail) {
  EXPECT_THROW(reg.WriteString("x", "1"), ERegistryException);
  EXPECT_EQ(reg.ReadString("x"), "");
  EXPECT_TRUE(reg.GetValueNames().empty());
}

}  // namespace
}  // namespace kw
