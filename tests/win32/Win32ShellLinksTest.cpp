// Shell links written and read through the real link object of the prefix (or of Windows),
// the in-memory links held to the same contract, and real-world shortcut files.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#include "ShellTestSupport.h"
#include "platform/win32/Handles.h"
#include "platform/memory/MemoryFileSystem.h"
#include "platform/memory/MemoryShellLinks.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32ShellLinks.h"
#include "util/unitStrUtils.h"
#include "util/unitWideText.h"

namespace kw::win32 {
namespace {

using namespace test_support;

ComPtr<IShellLinkW> NewLinkObject() {
  ComPtr<IShellLinkW> link;
  EXPECT_TRUE(SUCCEEDED(
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())));
  return link;
}

std::string WorkingDirectoryOf(const std::string& linkPath) {
  ComPtr<IShellLinkW> link = NewLinkObject();
  if (!link || FAILED(link.as<IPersistFile>(IID_IPersistFile)->Load(Wide(linkPath).c_str(), STGM_READ))) return "?";
  wchar_t folder[MAX_PATH + 1] = {};
  link->GetWorkingDirectory(folder, MAX_PATH);
  return Narrow(folder);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(std::filesystem::path(Wide(path)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The show command as the file stores it: the DWORD at 0x3C of the link header.
int ShowCommandInFile(const std::string& linkPath) {
  const std::string bytes = ReadBytes(linkPath);
  if (bytes.size() < 0x40) return -1;
  DWORD value = 0;
  bytes.copy(reinterpret_cast<char*>(&value), sizeof value, 0x3C);
  return static_cast<int>(value);
}

// What the program relies on of any shell-link implementation, proven against the real link
// object and against the in-memory one the native tests use, so that the two cannot drift.
struct RealShell {
  RealShell() { EXPECT_TRUE(scratch.created()); }
  std::string Folder() const { return scratch.path(); }
  ScratchFolder scratch{"links"};
  Win32FileSystem files;
  Win32ShellLinks links;
};

struct FakeShell {
  FakeShell() { files.AddDirectory(Folder()); }
  std::string Folder() const { return "C:\\users\\tester\\Start Menu\\Programs\\Startup"; }
  MemoryFileSystem files;
  MemoryShellLinks links{files};
};

template <typename Shell>
class ShellLinksContract : public ::testing::Test {
 protected:
  std::string At(const std::string& name) const { return shell.Folder() + "\\" + name; }
  Shell shell;
};

using Shells = ::testing::Types<RealShell, FakeShell>;
TYPED_TEST_SUITE(ShellLinksContract, Shells);

TYPED_TEST(ShellLinksContract, AWrittenLinkReadsBackItsTargetAndArguments) {
  auto& links = this->shell.links;
  // A program that is not installed (any more) is written back as its entry says, too.
  for (const std::string& target : {SystemFolder() + "\\notepad.exe", std::string("C:\\Tools\\no such tool.exe")}) {
    SCOPED_TRACE(target);
    const LinkData data{target, "/a \"quoted value\" -b", 7, this->shell.Folder() + "\\"};
    ASSERT_EQ(links.Write(this->At("tool.lnk"), data), LinkWriteResult::Written);
    const LinkReadResult read = links.Read(this->At("tool.lnk"));
    EXPECT_TRUE(read.opened);
    ASSERT_TRUE(read.pathRead);
    EXPECT_EQ(read.targetPath, data.targetPath);
    EXPECT_EQ(read.arguments, data.arguments);
    EXPECT_TRUE(read.showCmdRead);
  }
}

TYPED_TEST(ShellLinksContract, TextsOutsideTheAnsiCodePageRoundTripExactly) {
  auto& links = this->shell.links;
  const std::string arguments = "--имя=\"Значение\" 東京 😀 ünïcödé";
  for (const std::string& target :
       {std::string("C:\\Программы\\Тест\\приложение.exe"), SystemFolder() + "\\notepad.exe"}) {
    SCOPED_TRACE(target);
    ASSERT_EQ(links.Write(this->At("Ссылка.lnk"), LinkData{target, arguments, 1, this->shell.Folder() + "\\"}),
              LinkWriteResult::Written);
    const LinkReadResult read = links.Read(this->At("Ссылка.lnk"));
    ASSERT_TRUE(read.pathRead);
    EXPECT_EQ(read.targetPath, target);
    EXPECT_EQ(read.arguments, arguments);
  }
}

TYPED_TEST(ShellLinksContract, WriteReplacesAnExistingFile) {
  auto& links = this->shell.links;
  ASSERT_TRUE(this->shell.files.WriteWholeFile(this->At("tool.lnk"), std::string(4096, 'x')));
  ASSERT_EQ(links.Write(this->At("tool.lnk"), LinkData{"C:\\Tools\\first.exe", "-first -and -more", 1, ""}),
            LinkWriteResult::Written);
  ASSERT_EQ(links.Write(this->At("tool.lnk"), LinkData{"C:\\Tools\\second.exe", "", 1, ""}),
            LinkWriteResult::Written);
  const LinkReadResult read = links.Read(this->At("tool.lnk"));
  ASSERT_TRUE(read.pathRead);
  EXPECT_EQ(read.targetPath, "C:\\Tools\\second.exe");
  EXPECT_EQ(read.arguments, "");
  EXPECT_LT(this->shell.files.ReadWholeFile(this->At("tool.lnk")).value_or("").size(), 4096u);
}

TYPED_TEST(ShellLinksContract, WriteIntoAMissingFolderAnswersSaveFailed) {
  const std::string path = this->At("no such folder\\tool.lnk");
  const LinkData data{SystemFolder() + "\\notepad.exe", "", 1, this->shell.Folder() + "\\"};
  EXPECT_EQ(this->shell.links.Write(path, data), LinkWriteResult::SaveFailed);
  EXPECT_FALSE(this->shell.files.FileExists(path));
}

TYPED_TEST(ShellLinksContract, FilesThatHoldNoLinkReadWithoutAPath) {
  ASSERT_TRUE(this->shell.files.WriteWholeFile(this->At("garbage.lnk"), "this is not a link\r\n\x01\x02\x03\xFF"));
  ASSERT_TRUE(this->shell.files.WriteWholeFile(this->At("empty.lnk"), ""));
  for (const char* name : {"missing.lnk", "garbage.lnk", "empty.lnk"}) {
    SCOPED_TRACE(name);
    const LinkReadResult read = this->shell.links.Read(this->At(name));
    EXPECT_TRUE(read.opened);
    EXPECT_FALSE(read.pathRead);
    EXPECT_EQ(read.targetPath, "");
    EXPECT_EQ(read.arguments, "");
  }
}

TYPED_TEST(ShellLinksContract, LongTextsAreReadWholeAndOverlongTargetsRefused) {
  auto& links = this->shell.links;
  // 259 characters: the longest target a link holds.
  const std::string target = "C:\\" + std::string(243, 'p') + "\\tool-end.exe";
  ASSERT_EQ(target.size(), 259u);
  const std::string arguments = std::string(1000, 'a') + " -end";
  ASSERT_EQ(links.Write(this->At("long.lnk"), LinkData{target, arguments, 1, ""}), LinkWriteResult::Written);
  const LinkReadResult read = links.Read(this->At("long.lnk"));
  ASSERT_TRUE(read.pathRead);
  EXPECT_EQ(read.targetPath, target);
  EXPECT_EQ(read.arguments, arguments);

  const std::string overlong = "C:\\" + std::string(300, 'p') + "\\tool.exe";
  EXPECT_EQ(links.Write(this->At("overlong.lnk"), LinkData{overlong, "", 1, ""}), LinkWriteResult::PropertyRefused);
  EXPECT_FALSE(this->shell.files.FileExists(this->At("overlong.lnk")));
}

// What only the real link object can show.
class Win32ShellLinksTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.created()); }

  ScratchFolder folder{"links"};
  Win32ShellLinks links;
};

TEST_F(Win32ShellLinksTest, TheFileHoldsAllFourProperties) {
  const LinkData data{SystemFolder() + "\\notepad.exe", "-x", 7, folder.path() + "\\"};
  ASSERT_EQ(links.Write(folder / "tool.lnk", data), LinkWriteResult::Written);
  EXPECT_EQ(WorkingDirectoryOf(folder / "tool.lnk"), folder.path() + "\\");
  // The file holds the show command; Wine's link object reads every link's back as 1.
  EXPECT_EQ(ShowCommandInFile(folder / "tool.lnk"), 7);
  const LinkReadResult read = links.Read(folder / "tool.lnk");
  EXPECT_TRUE(read.showCmdRead);
  if (!RunningUnderWine()) {
    EXPECT_EQ(read.showCmd, 7);
  }
}

TEST_F(Win32ShellLinksTest, ATargetWithAnEnvironmentReferenceIsNotTakenForARelativePath) {
  const std::string raw = "%SystemRoot%\\system32\\notepad.exe";
  ASSERT_EQ(links.Write(folder / "env.lnk", LinkData{raw, "", 1, folder.path() + "\\"}), LinkWriteResult::Written);
  const LinkReadResult read = links.Read(folder / "env.lnk");
  ASSERT_TRUE(read.pathRead);
  // Windows keeps the raw target beside the expanded one and reads it back unexpanded; Wine's
  // link object keeps no raw target, so the link holds the expanded path, which still starts
  // the same program.
  if (RunningUnderWine()) {
    EXPECT_EQ(FoldCase(read.targetPath), FoldCase(WindowsFolder() + "\\system32\\notepad.exe"));
  } else {
    EXPECT_EQ(read.targetPath, raw);
  }
}

TEST_F(Win32ShellLinksTest, AnExistingTargetInAFolderWithANonAnsiNameRoundTrips) {
  ASSERT_TRUE(::CreateDirectoryW(Wide(folder / "Каталог").c_str(), nullptr));
  const std::string target = folder / "Каталог\\программа.exe";
  ASSERT_TRUE(WriteBytes(target, "MZ"));
  ASSERT_EQ(links.Write(folder / "Ссылка.lnk", LinkData{target, "", 1, folder.path() + "\\"}),
            LinkWriteResult::Written);
  const LinkReadResult read = links.Read(folder / "Ссылка.lnk");
  ASSERT_TRUE(read.pathRead);
  EXPECT_EQ(read.targetPath, target);
}

TEST_F(Win32ShellLinksTest, DamagedLinkFilesReadWithoutAPath) {
  ASSERT_EQ(links.Write(folder / "good.lnk", LinkData{SystemFolder() + "\\notepad.exe", "-x", 1, ""}),
            LinkWriteResult::Written);
  const std::string good = ReadBytes(folder / "good.lnk");
  ASSERT_GT(good.size(), 0x60u);
  std::string hugeIdList = good;
  hugeIdList[0x4C] = hugeIdList[0x4D] = '\xFF';  // an item identifier list longer than the file
  ASSERT_TRUE(WriteBytes(folder / "truncated.lnk", good.substr(0, 0x50)));
  ASSERT_TRUE(WriteBytes(folder / "huge.lnk", hugeIdList));
  for (const char* name : {"truncated.lnk", "huge.lnk"}) {
    SCOPED_TRACE(name);
    const LinkReadResult read = links.Read(folder / name);
    EXPECT_TRUE(read.opened);
    EXPECT_FALSE(read.pathRead);
  }
}

TEST_F(Win32ShellLinksTest, ALinkToAShellNamespaceItemHasNoPath) {
  ComPtr<IShellLinkW> link = NewLinkObject();
  ASSERT_TRUE(link);
  unique_cotaskmem<ITEMIDLIST> controlPanel;
  ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, controlPanel.put()), S_OK);
  ASSERT_EQ(link->SetIDList(controlPanel.get()), S_OK);
  ASSERT_EQ(link.as<IPersistFile>(IID_IPersistFile)->Save(Wide(folder / "panel.lnk").c_str(), FALSE), S_OK);

  const LinkReadResult read = links.Read(folder / "panel.lnk");
  EXPECT_TRUE(read.opened);
  EXPECT_FALSE(read.pathRead);
}

// The value of the first "name": "text" in a JSON document; nullopt when it is absent or null.
std::optional<std::string> JsonString(const std::string& json, const std::string& name) {
  size_t at = json.find("\"" + name + "\"");
  if (at == std::string::npos) return std::nullopt;
  at = json.find_first_not_of(" \t\r\n:", at + name.size() + 2);
  if (at == std::string::npos || json[at] != '"') return std::nullopt;
  std::string text;
  for (++at; at < json.size() && json[at] != '"'; ++at) {
    if (json[at] != '\\') {
      text += json[at];
      continue;
    }
    const char escaped = json[++at];
    if (escaped != 'u') {
      text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped == 'r' ? '\r' : escaped;
      continue;
    }
    char32_t unit = std::stoul(json.substr(at + 1, 4), nullptr, 16);
    at += 4;
    if (unit >= 0xD800 && unit <= 0xDBFF && json.compare(at + 1, 2, "\\u") == 0) {
      const char32_t low = std::stoul(json.substr(at + 3, 4), nullptr, 16);
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      at += 6;
    }
    AppendUtf8(text, unit);
  }
  return text;
}

TEST(Win32ShellLinksCorpus, RealWorldShortcutsReadAsTheShellSeesThem) {
  const std::string corpus = "Z:\\work\\shared\\testdata\\lnk-corpus";
  if (!DirectoryExists(corpus + "\\samples")) GTEST_SKIP() << "no shortcut corpus at " << corpus;
  ScratchFolder copies("corpus");
  ASSERT_TRUE(copies.created());

  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(Wide(corpus + "\\samples\\*.lnk").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    const std::string name = Narrow(found.cFileName);
    ASSERT_TRUE(::CopyFileW(Wide(corpus + "\\samples\\" + name).c_str(), Wide(copies / name).c_str(), FALSE));
    names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  ASSERT_GE(names.size(), 30u);

  // What Wine's link object makes of these files, as observed: it takes the target from the
  // link's location block, else from its relative path, and never from the item identifier
  // list alone (which Windows does). These carry neither a local path nor a relative path it
  // accepts: links to the network, to shell items, to installer (advertised) products, and
  // command lines whose only target is an identifier list.
  const std::set<std::string> wineReadsNoPath = {
      "darwin_block.lnk", "darwin_block_modified.lnk", "invalid_date2.lnk", "network_info.lnk",
      "padded_cli_arguments.lnk", "sample3.lnk", "unknown_block.lnk", "unknown_target.lnk"};

  Win32ShellLinks links;
  int withPath = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const ULONGLONG started = ::GetTickCount64();
    const LinkReadResult read = links.Read(copies / name);
    EXPECT_LT(::GetTickCount64() - started, 5000u);
    EXPECT_TRUE(read.opened);
    EXPECT_EQ(read.targetPath.find('\0'), std::string::npos);
    EXPECT_EQ(read.arguments.find('\0'), std::string::npos);
    if (read.pathRead) ++withPath;
    if (!RunningUnderWine()) continue;

    const std::string json = ReadBytes(corpus + "\\expected\\" + name.substr(0, name.size() - 4) + ".json");
    ASSERT_FALSE(json.empty());
    const auto localPath = JsonString(json, "local_base_path");
    const auto relativePath = JsonString(json, "relative_path");
    EXPECT_EQ(read.pathRead, !wineReadsNoPath.count(name));
    if (!read.pathRead) {
      EXPECT_EQ(read.targetPath, "");
      continue;
    }
    if (localPath) {
      EXPECT_EQ(read.targetPath, *localPath);
    } else {
      EXPECT_EQ(read.targetPath, relativePath.value_or("(no relative path)"));
    }
    EXPECT_EQ(read.arguments, JsonString(json, "command_line_arguments").value_or(""));
    EXPECT_TRUE(read.showCmdRead);
  }
  if (RunningUnderWine()) {
    EXPECT_EQ(withPath, static_cast<int>(names.size() - wineReadsNoPath.size()));
  }
}

}  // namespace
}  // namespace kw::win32
