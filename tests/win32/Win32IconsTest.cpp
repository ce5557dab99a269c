// File icons from the real shell of the prefix (or of Windows), and the image list they go into.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "platform/memory/MemoryIcons.h"
#include "platform/win32/Win32Icons.h"

namespace kw::win32 {
namespace {

using namespace test_support;

bool IsIcon(const std::unique_ptr<Icon>& icon) { return icon && icon->Handle() >= 2; }

// Whether a handle still names an icon; the bitmaps GetIconInfo copies out are deleted again.
bool IconAlive(std::uintptr_t handle) {
  ICONINFO info{};
  if (!::GetIconInfo(reinterpret_cast<HICON>(handle), &info)) return false;
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return true;
}

// A file type of its own whose documents open with notepad (under the classes root: Wine does
// not merge the user's classes into it).
class DocumentType {
 public:
  DocumentType() {
    ok_ = ::RegSetKeyValueW(HKEY_CLASSES_ROOT, L".kwtestdoc", nullptr, REG_SZ, L"kwtestdoc.file",
                            sizeof L"kwtestdoc.file") == ERROR_SUCCESS;
    const std::wstring command = L"\"" + Wide(SystemFolder()) + L"\\notepad.exe\" \"%1\"";
    ok_ = ok_ && ::RegSetKeyValueW(HKEY_CLASSES_ROOT, L"kwtestdoc.file\\shell\\open\\command",
                                   nullptr, REG_SZ, command.c_str(),
                                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  ~DocumentType() {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".kwtestdoc");
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"kwtestdoc.file");
  }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

class Win32IconsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.created());
    ASSERT_TRUE(WriteBytes(folder / "readme.txt", "text\r\n"));
    ASSERT_TRUE(WriteBytes(folder / "fake.exe", "MZ but no program"));
  }

  ScratchFolder folder{"icons"};
  Win32Icons icons;
};

TEST_F(Win32IconsTest, ProgramsGiveTheirOwnIcons) {
  for (const std::string& program : {TestProgramPath(), SystemFolder() + "\\shell32.dll"}) {
    SCOPED_TRACE(program);
    EXPECT_TRUE(IsIcon(icons.FileIcon(program, 0)));
    EXPECT_TRUE(IsIcon(icons.AssociatedIcon(program, 0)));
  }
  // The test program has one icon: there is no second one to give.
  EXPECT_EQ(icons.FileIcon(TestProgramPath(), 1), nullptr);
}

TEST_F(Win32IconsTest, FilesThatAreNoProgramsHaveNoIconOfTheirOwn) {
  // Windows answers 1 ("not a program, library or icon file") for a document; Wine answers 0.
  for (const char* name : {"readme.txt", "fake.exe", "missing.exe"}) {
    SCOPED_TRACE(name);
    const auto icon = icons.FileIcon(folder / name, 0);
    EXPECT_FALSE(IsIcon(icon));
    if (icon) {
      EXPECT_EQ(icon->Handle(), 1u);
    }
  }
  // A missing file is not associated with anything either.
  if (RunningUnderWine()) {
    EXPECT_EQ(icons.AssociatedIcon(folder / "missing.txt", 0), nullptr);
  }
}

TEST_F(Win32IconsTest, ADocumentGetsTheIconOfTheProgramThatOpensIt) {
  DocumentType type;
  ASSERT_TRUE(type.ok());
  ASSERT_TRUE(WriteBytes(folder / "notes.kwtestdoc", "notes"));
  ASSERT_TRUE(::CreateDirectoryW(Wide(folder / "Папка").c_str(), nullptr));
  ASSERT_TRUE(WriteBytes(folder / "Папка\\заметки.kwtestdoc", "notes"));
  for (const std::string& document : {folder / "notes.kwtestdoc", folder / "Папка\\заметки.kwtestdoc"}) {
    SCOPED_TRACE(document);
    EXPECT_FALSE(IsIcon(icons.FileIcon(document, 0)));
    EXPECT_TRUE(IsIcon(icons.AssociatedIcon(document, 0)));
  }
  // A fresh Wine prefix has a text-document class but does not point ".txt" at it, so there a
  // text file gets an icon only where some program is associated with it.
  wchar_t program[MAX_PATH + 1] = {};
  const bool associated =
      reinterpret_cast<INT_PTR>(::FindExecutableW(Wide(folder / "readme.txt").c_str(), nullptr, program)) > 32;
  if (associated || !RunningUnderWine()) {
    EXPECT_TRUE(IsIcon(icons.AssociatedIcon(folder / "readme.txt", 0)));
  } else {
    EXPECT_EQ(icons.AssociatedIcon(folder / "readme.txt", 0), nullptr);
  }
}

TEST_F(Win32IconsTest, ReleasedIconsAreDestroyed) {
  auto own = icons.FileIcon(TestProgramPath(), 0);
  auto associated = icons.AssociatedIcon(TestProgramPath(), 0);
  ASSERT_TRUE(IsIcon(own));
  ASSERT_TRUE(IsIcon(associated));
  const std::uintptr_t ownHandle = own->Handle();
  const std::uintptr_t associatedHandle = associated->Handle();
  EXPECT_TRUE(IconAlive(ownHandle));
  own.reset();
  associated.reset();
  EXPECT_FALSE(IconAlive(ownHandle));
  EXPECT_FALSE(IconAlive(associatedHandle));
}

TEST_F(Win32IconsTest, TheImageListNumbersItsImagesAndKeepsItsOwnCopies) {
  Win32ImageList list;
  ASSERT_TRUE(list.get());
  int cx = 0, cy = 0;
  ASSERT_TRUE(::ImageList_GetIconSize(list.get(), &cx, &cy));
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(cy, 32);

  for (int expected = 0; expected < 3; ++expected) {
    const auto icon = icons.FileIcon(expected == 1 ? SystemFolder() + "\\shell32.dll" : TestProgramPath(), 0);
    ASSERT_TRUE(IsIcon(icon));
    EXPECT_EQ(list.AddIcon(*icon), expected);
  }
  EXPECT_EQ(list.Count(), 3);
  // The icons added above are gone; the list's copies are not.
  HICON copy = ::ImageList_GetIcon(list.get(), 2, ILD_NORMAL);
  EXPECT_NE(copy, nullptr);
  if (copy) ::DestroyIcon(copy);

  // What is no icon is not added.
  const auto notAProgram = icons.FileIcon(folder / "readme.txt", 0);
  if (notAProgram) {
    EXPECT_EQ(list.AddIcon(*notAProgram), -1);
  }
  MemoryIcons memoryIcons;
  memoryIcons.AddFileIcon("C:\\x.exe");
  EXPECT_EQ(list.AddIcon(*memoryIcons.FileIcon("C:\\x.exe", 0)), -1);
  EXPECT_EQ(list.Count(), 3);

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.AddIcon(*icons.FileIcon(TestProgramPath(), 0)), 0);
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(Win32IconsTest, RefreshingManyTimesLeaksNoHandles) {
  DocumentType type;
  ASSERT_TRUE(type.ok());
  ASSERT_TRUE(WriteBytes(folder / "notes.kwtestdoc", "notes"));
  const HANDLE process = ::GetCurrentProcess();
  // Windows counts the handles; Wine answers 0, where the icons' own check below still holds.
  const DWORD gdiBefore = ::GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD userBefore = ::GetGuiResources(process, GR_USEROBJECTS);
  std::vector<std::uintptr_t> released;
  {
    Win32ImageList list;
    for (int refresh = 0; refresh < 100; ++refresh) {
      list.Clear();
      for (const std::string& path : {TestProgramPath(), folder / "notes.kwtestdoc", folder / "readme.txt"}) {
        auto icon = icons.FileIcon(path, 0);
        if (!IsIcon(icon)) icon = icons.AssociatedIcon(path, 0);
        if (!IsIcon(icon)) continue;
        EXPECT_GE(list.AddIcon(*icon), 0);
        if (refresh % 10 == 0) released.push_back(icon->Handle());
      }
    }
    EXPECT_GE(list.Count(), 2);
  }
  for (const std::uintptr_t handle : released) EXPECT_FALSE(IconAlive(handle));
  EXPECT_LE(::GetGuiResources(process, GR_GDIOBJECTS), gdiBefore + 4);
  EXPECT_LE(::GetGuiResources(process, GR_USEROBJECTS), userBefore + 4);
}

}  // namespace
}  // namespace kw::win32
