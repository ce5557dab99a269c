// What differs between the 64-bit and the 32-bit build: the manifest each carries, the two
// registry views, and the one store both builds share.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "entries/unitAppListState.h"
#include "platform/win32/WideString.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Platform.h"

namespace kw::win32 {
namespace {

bool Windows64() {
  if (sizeof(void*) == 8) return true;
  BOOL wow = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow) && wow;
}

std::string BuildBits() { return sizeof(void*) == 8 ? "64" : "32"; }

// The manifest embedded in a module, as text.
std::string EmbeddedManifest(HMODULE module) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  const auto* bytes = static_cast<const char*>(::LockResource(loaded));
  return bytes ? std::string(bytes, ::SizeofResource(module, found)) : std::string();
}

// Windows refuses to start a program whose manifest names another processor architecture
// ("side-by-side configuration is incorrect"); Wine does not check, so the text is checked.
// The program runs with the rights of whoever starts it: no elevation prompt just to look,
// and the browser, mail client and help viewer it opens never run elevated.
TEST(Manifest, NamesNoProcessorArchitectureOfItsOwn) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring program(self);
  program = program.substr(0, program.rfind(L'\\') + 1) + L"Kelderwick.exe";
  HMODULE exe = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << "Kelderwick.exe is built beside the tests";
  for (const std::string& manifest : {EmbeddedManifest(exe), EmbeddedManifest(nullptr)}) {
    ASSERT_FALSE(manifest.empty());
    size_t architectures = 0;
    for (size_t at = manifest.find("processorArchitecture="); at != std::string::npos;
         at = manifest.find("processorArchitecture=", at + 1)) {
      ++architectures;
      EXPECT_EQ(manifest.compare(at, 25, "processorArchitecture=\"*\""), 0) << manifest.substr(at, 40);
    }
    EXPECT_EQ(architectures, 2u) << "the program's identity and the common controls";
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    const size_t level = manifest.find("requestedExecutionLevel ");
    ASSERT_NE(level, std::string::npos) << "without it Windows may virtualise registry writes";
    EXPECT_EQ(manifest.find("level=", level), manifest.find("level=\"asInvoker\"", level));
    EXPECT_EQ(manifest.find("requestedExecutionLevel ", level + 1), std::string::npos);
  }
  ::FreeLibrary(exe);
}

class Win32ViewTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    for (RegView view : {RegView::Bits32, RegView::Bits64}) backend.DeleteKeyIn(view, kHkeyLocalMachine, kKey);
  }
  static constexpr const char* kKey = "SOFTWARE\\KelderwickViewTest";
  Win32Registry backend;
};

// On 64-bit Windows the 32-bit view of HKLM\SOFTWARE is WOW6432Node of the 64-bit one, and a
// delete in one view leaves the other alone; on 32-bit Windows there is one view.
TEST_F(Win32ViewTest, TheTwoViewsOfTheMachineSoftwareKey) {
  TRegistry in32(backend, kHkeyLocalMachine, RegView::Bits32);
  ASSERT_TRUE(in32.OpenKey(kKey, true));
  in32.WriteString("Where", "32");
  TRegistry in64(backend, kHkeyLocalMachine, RegView::Bits64);
  if (!Windows64()) {
    ASSERT_TRUE(in64.OpenKey(kKey, false));
    EXPECT_EQ(in64.ReadString("Where"), "32");
    return;
  }
  ASSERT_TRUE(in64.OpenKey("SOFTWARE\\WOW6432Node\\KelderwickViewTest", false));
  EXPECT_EQ(in64.ReadString("Where"), "32");
  EXPECT_FALSE(in64.KeyExists(kKey));
  ASSERT_TRUE(in64.OpenKey(kKey, true));
  in64.WriteString("Where", "64");
  EXPECT_TRUE(in64.DeleteKey(kKey));
  EXPECT_FALSE(in64.KeyExists(kKey));
  ASSERT_TRUE(in32.OpenKey(kKey, false)) << "deleting the 64-bit key left the 32-bit one";
  EXPECT_EQ(in32.ReadString("Where"), "32");
}

// The store of disabled entries is where the 32-bit program has always kept it: in the
// 32-bit view, whichever build writes it.
TEST(Win32Store, SitsInThe32BitViewForBothBuilds) {
  Win32Platform system;
  Platform platform = system.platform();
  StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
  TAppList list;
  TAppItem& entry = list.Add();
  entry.SetOrigin(orRegistryUser);
  entry.SetCaption("Viewed");
  entry.SetEnabled(false);
  ASSERT_TRUE(SaveDisabledApps(list, platform));

  const std::string where = Windows64() ? "SOFTWARE\\WOW6432Node\\Velmora\\KLW2\\DisabledApps\\"
                                        : std::string(kDisabledAppsKey) + "\\";
  TRegistry raw(platform.registry, kHkeyLocalMachine, RegView::Bits64);
  ASSERT_TRUE(raw.OpenKey(where + list.GetItem(0).ListName, false));
  EXPECT_EQ(raw.ReadString("Caption"), "Viewed");
  if (Windows64()) {
    EXPECT_FALSE(raw.KeyExists(kDisabledAppsKey)) << "nothing in the 64-bit view";
  }
  StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
}

// Run by scripts/test with both builds in one 64-bit prefix: KW_CROSS_STORE=write stores an
// entry named after this build; KW_CROSS_STORE=read:BITS finds the one the other build stored
// and removes it again.
TEST(CrossBuild, StoreIsShared) {
  const char* phase = std::getenv("KW_CROSS_STORE");
  if (!phase) GTEST_SKIP() << "run by scripts/test where both builds run";
  Win32Platform system;
  Platform platform = system.platform();
  const std::string mode = phase;
  if (mode == "write") {
    TAppList list;
    LoadDisabledApps(list, platform);
    TAppItem& entry = list.Add();
    entry.SetOrigin(orRegistryUser);
    entry.SetCaption("Stored by the " + BuildBits() + "-bit build");
    entry.SetEnabled(false);
    ASSERT_TRUE(SaveDisabledApps(list, platform));
    return;
  }
  ASSERT_EQ(mode.rfind("read:", 0), 0u) << mode;
  const std::string wanted = "Stored by the " + mode.substr(5) + "-bit build";
  TAppList list;
  LoadDisabledApps(list, platform);
  TAppList kept;
  bool found = false;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.GetItem(i).Caption() == wanted) found = true;
    else kept.Add().Assign(list.GetItem(i));
  }
  EXPECT_TRUE(found) << wanted;
  ASSERT_TRUE(SaveDisabledApps(kept, platform));
}

}  // namespace
}  // namespace kw::win32
