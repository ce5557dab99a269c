// The Add Application dialog and the About box as real windows, shown modally on the test
// thread and driven from a second thread with messages, as a user would drive them.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "AboutResource.h"
#include "AddAppResource.h"
#include "GuiTestSupport.h"
#include "ShellTestSupport.h"
#include "dialogs/win32/AboutDialog.h"
#include "dialogs/win32/AddAppDialog.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryShell.h"
#include "platform/win32/Win32Platform.h"
#include "util/unitStrUtils.h"

namespace kw::win32 {
namespace {

using namespace test_support;

// Runs showModal on this thread while drive runs on a second one. Whatever drive leaves open
// is cancelled afterwards, so that a failing test ends instead of hanging.
template <typename Show>
auto RunDriven(Show showModal, std::function<void()> drive) {
  std::atomic<bool> returned{false};
  auto driver = std::async(std::launch::async, [&] {
    drive();
    if (WaitUntil([&] { return returned.load(); }, 3000)) return;
    ADD_FAILURE() << "the dialog was still open after the driver had finished";
    while (!returned.load()) {
      for (HWND window : ProcessWindows())
        if (ClassOf(window) == "#32770") ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
      ::Sleep(100);
    }
  });
  auto result = showModal();
  returned = true;
  driver.get();
  return result;
}

// Answers the error box that shows message with its OK button; false when none came.
bool AnswerError(const std::string& message) {
  const HWND box = WaitForDialog("Error");
  if (!box) return false;
  EXPECT_NE(AllTexts(box).find(message), std::string::npos) << AllTexts(box);

  for (HWND child : Descendants(box))
    if (ClassOf(child) == "Button" && TextOf(child) == "OK") Click(child);
  // Wine's box hides at once but is destroyed only about two seconds later.
  if (!WaitUntil([&] { return !::IsWindowVisible(box); }, 3000)) return false;
  return WaitUntil([&] { return !::IsWindow(box); }, 5000);
}

// The full path of a special folder, made when the prefix lacks it.
std::string EnsureFolder(int csidl) {
  Win32ShellFolders folders;
  const std::string path = GetSpecialFolderPath(folders, csidl);
  ::CreateDirectoryW(Wide(path).c_str(), nullptr);
  return path;
}

class AddAppDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(programs.created());
    ASSERT_TRUE(WriteBytes(tool, "MZ"));
    ::DeleteFileW(Wide(link).c_str());
  }
  void TearDown() override { ::DeleteFileW(Wide(link).c_str()); }

  // What the file-open dialog showed.
  struct OpenDialogSeen {
    std::string folder;
    std::vector<std::string> filters;
  };
  // Presses Browse, types file into the open dialog and opens it.
  static OpenDialogSeen ChooseFile(HWND dialog, const std::string& file) {
    OpenDialogSeen seen;
    Click(::GetDlgItem(dialog, IDC_ADDAPP_BROWSE));
    const HWND open = WaitForWindow(
        [&](HWND w) { return ClassOf(w) == "#32770" && ::GetWindow(w, GW_OWNER) == dialog; });
    if (!open) {
      ADD_FAILURE() << "no file-open dialog";
      return seen;
    }
    ::Sleep(300);  // let it list the folder
    wchar_t folder[MAX_PATH] = {};
    ::SendMessageW(open, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    seen.folder = Narrow(folder);
    const HWND types = ::GetDlgItem(open, cmb1);
    for (int i = 0; i < ::SendMessageW(types, CB_GETCOUNT, 0, 0); ++i) {
      wchar_t name[128] = {};
      ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
      seen.filters.push_back(Narrow(name));
    }
    // Wine names the file-name field edt1, Windows cmb13 (a combo box with an edit in it).
    HWND name = ::GetDlgItem(open, edt1);
    if (!name) name = ::GetDlgItem(open, cmb13);
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(file).c_str()));
    Click(::GetDlgItem(open, IDOK));
    if (!WaitUntil([&] { return !::IsWindow(open); })) {
      ADD_FAILURE() << "the file-open dialog did not take " << file;
      ::PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
    }
    return seen;
  }
  static std::string ControlText(HWND dialog, int id) { return TextOf(::GetDlgItem(dialog, id)); }
  static bool Checked(HWND dialog, int id) {
    return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  // Still open and usable a moment after an answer.
  static bool StaysOpen(HWND dialog) {
    ::Sleep(300);
    return ::IsWindow(dialog) && ::IsWindowVisible(dialog) && ::IsWindowEnabled(dialog);
  }

  Win32Platform system;
  Platform platform = system.platform();
  ScratchFolder programs{"addapp"};
  const std::string tool = programs / "kw-gui-tool.exe";
  const std::string userStartup = EnsureFolder(kCsidlStartup);
  const std::string link = userStartup + "\\kw-gui-tool.lnk";
};

TEST_F(AddAppDialogTest, AddCreatesTheShortcutInTheChosenStartupFolder) {
  dialogs::AddAppDialog dialog(platform);
  OpenDialogSeen seen;
  const bool added = RunDriven([&] { return dialog.ShowModal(nullptr); },
                               [&] {
                                 const HWND dlg = WaitForDialog("Add Application");
                                 ASSERT_TRUE(dlg);
                                 EXPECT_EQ(ControlText(dlg, IDC_ADDAPP_PATH), "");
                                 EXPECT_EQ(FocusOf(dlg), ::GetDlgItem(dlg, IDC_ADDAPP_BROWSE));
                                 EXPECT_TRUE(Checked(dlg, IDC_ADDAPP_ORIGIN_ALL));
                                 EXPECT_TRUE(Checked(dlg, IDC_ADDAPP_SHOW_NORMAL));
                                 seen = ChooseFile(dlg, tool);
                                 EXPECT_EQ(ControlText(dlg, IDC_ADDAPP_PATH), tool);
                                 ::SendMessageW(::GetDlgItem(dlg, IDC_ADDAPP_ARGUMENTS), WM_SETTEXT, 0,
                                                reinterpret_cast<LPARAM>(L"-x  --name=\x0416"));
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_ORIGIN_USER));
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_SHOW_MAXIMIZED));
                                 EXPECT_TRUE(WaitUntil([&] { return Checked(dlg, IDC_ADDAPP_ORIGIN_USER); }));
                                 EXPECT_FALSE(Checked(dlg, IDC_ADDAPP_ORIGIN_ALL));
                                 PauseForScreenshot();
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_ADD));
                               });
  EXPECT_TRUE(added);
  EXPECT_EQ(FoldCase(seen.folder), FoldCase(EnsureFolder(kCsidlStartMenu)));
  EXPECT_EQ(seen.filters, (std::vector<std::string>{"Programs", "All Files"}));

  ASSERT_TRUE(FileExists(link));
  const LinkReadResult written = system.links.Read(link);
  EXPECT_TRUE(written.pathRead);
  EXPECT_EQ(FoldCase(written.targetPath), FoldCase(tool));
  EXPECT_EQ(written.arguments, "-x  --name=\xD0\x96");
}

TEST_F(AddAppDialogTest, RefusalsKeepItOpenAndChoicesOutliveAShowing) {
  ASSERT_TRUE(WriteBytes(link, "someone else's"));
  dialogs::AddAppDialog dialog(platform);
  const bool first = RunDriven([&] { return dialog.ShowModal(nullptr); },
                               [&] {
                                 const HWND dlg = WaitForDialog("Add Application");
                                 ASSERT_TRUE(dlg);
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_ADD));
                                 EXPECT_TRUE(AnswerError("Please, select an application first"));
                                 EXPECT_TRUE(StaysOpen(dlg));
                                 ChooseFile(dlg, tool);
                                 ::SendMessageW(::GetDlgItem(dlg, IDC_ADDAPP_ARGUMENTS), WM_SETTEXT, 0,
                                                reinterpret_cast<LPARAM>(L"--kept"));
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_ORIGIN_USER));
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_SHOW_MINIMIZED));
                                 Click(::GetDlgItem(dlg, IDC_ADDAPP_ADD));
                                 EXPECT_TRUE(AnswerError("File already exists"));
                                 EXPECT_TRUE(StaysOpen(dlg));
                                 EXPECT_EQ(ControlText(dlg, IDC_ADDAPP_PATH), tool);
                                 Click(::GetDlgItem(dlg, IDCANCEL));
                               });
  EXPECT_FALSE(first);
  EXPECT_EQ(system.files.ReadWholeFile(link), "someone else's");

  // The next showing: an empty path, the arguments and choices of the last one.
  const bool second = RunDriven([&] { return dialog.ShowModal(nullptr); },
                                [&] {
                                  const HWND dlg = WaitForDialog("Add Application");
                                  ASSERT_TRUE(dlg);
                                  EXPECT_EQ(ControlText(dlg, IDC_ADDAPP_PATH), "");
                                  EXPECT_EQ(ControlText(dlg, IDC_ADDAPP_ARGUMENTS), "--kept");
                                  EXPECT_TRUE(Checked(dlg, IDC_ADDAPP_ORIGIN_USER));
                                  EXPECT_TRUE(Checked(dlg, IDC_ADDAPP_SHOW_MINIMIZED));
                                  EXPECT_FALSE(Checked(dlg, IDC_ADDAPP_SHOW_NORMAL));
                                  // Add again: the file chosen at the last showing is forgotten.
                                  Click(::GetDlgItem(dlg, IDC_ADDAPP_ADD));
                                  EXPECT_TRUE(AnswerError("Please, select an application first"));
                                  ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                                });
  EXPECT_FALSE(second);
}

// The colour of the run that holds text, and the alignment of its paragraph.
struct RunLook {
  COLORREF color = 0;
  WORD alignment = 0;
};

RunLook LookOf(HWND display, const std::wstring& text) {
  FINDTEXTEXW find{};
  find.chrg = {0, -1};
  find.lpstrText = text.c_str();
  RunLook look;
  if (::SendMessageW(display, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)) < 0)
    return look;
  ::SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  ::SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  PARAFORMAT2 paragraph{};
  paragraph.cbSize = sizeof paragraph;
  ::SendMessageW(display, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  CHARRANGE none{0, 0};
  ::SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  return RunLook{format.crTextColor, paragraph.wAlignment};
}

std::string PaneText(HWND display) {
  std::string text = Win32RichTextPane(display).PlainText();
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

TEST(AboutDialog, ShowsTheTextTheAddressAndOnF3TheStartupFolders) {
  Win32Platform system;
  MemoryShell shell;  // no mail program is started
  Platform platform{system.registry, system.files,    shell,        system.messages,    system.links,
                    system.folders,  system.versions, system.icons, system.environment, system.properties, system.locks, system.tasks, system.signatures};
  const std::string aboutText = " Kelderwick 2.0\r\n \r\nBuild:  2.0.0.1\r\nAuthor:  The Velmora Software team\r\n"
                                "WEB URL: http://www.velmora.example\r\nCopyright:  \xC2\xA9 2024-2026 Velmora "
                                "Software\r\n \r\nClick the e-mail address below to ask a question regarding "
                                "Kelderwick or simply tell us your opinion about the software:";
  const std::string startupText = " cmn = " + EnsureFolder(kCsidlCommonStartup) +
                                  "\r\nusr = " + EnsureFolder(kCsidlStartup);
  dialogs::AboutDialog about(platform, "2.0.0.1");

  RunDriven(
      [&] {
        about.ShowModal(nullptr);
        return 0;
      },
      [&] {
        const HWND dlg = WaitForDialog("About");
        ASSERT_TRUE(dlg);
        const HWND display = ::GetDlgItem(dlg, IDC_ABOUT_DISPLAY);
        const HWND address = ::GetDlgItem(dlg, IDC_ABOUT_EMAIL);
        EXPECT_TRUE(WaitUntil([&] { return PaneText(display) == aboutText; })) << PaneText(display);
        EXPECT_EQ(FocusOf(dlg), ::GetDlgItem(dlg, IDOK));
        EXPECT_EQ(TextOf(::GetDlgItem(dlg, IDOK)), "CLOSE");

        // Styled runs, every paragraph centred.
        EXPECT_EQ(LookOf(display, L"Kelderwick 2.0").color, 0xFFFFFFu);
        EXPECT_EQ(LookOf(display, L"Build:").color, 0xF0CAA6u);
        EXPECT_EQ(LookOf(display, L"2.0.0.1").color, 0xC0C0C0u);
        for (const wchar_t* text : {L"Kelderwick 2.0", L"Copyright", L"opinion"})
          EXPECT_EQ(LookOf(display, text).alignment, PFA_CENTER) << Narrow(text);

        EXPECT_EQ(TextOf(address), "support@velmora.example");
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(address, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(Narrow(font.lfFaceName), "Courier New");
        EXPECT_GE(font.lfWeight, FW_BOLD);
        EXPECT_TRUE(font.lfUnderline);
        PauseForScreenshot();

        // F3 does nothing while the CLOSE button has the focus.
        ::PostMessageW(FocusOf(dlg), WM_KEYDOWN, VK_F3, 1);
        ::Sleep(300);
        EXPECT_EQ(PaneText(display), aboutText);
        // In the text pane it shows the two Startup folders.
        ::PostMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(display), TRUE);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dlg) == display; }));
        ::PostMessageW(display, WM_KEYDOWN, VK_F3, 1);
        EXPECT_TRUE(WaitUntil([&] { return PaneText(display) == startupText; })) << PaneText(display);
        PauseForScreenshot();

        // A click on the address; then Escape in the pane closes the box.
        ::PostMessageW(address, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageW(address, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ::Sleep(300);
        ::PostMessageW(display, WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dlg); }, 3000)) << "Escape did not close it";
      });
  ASSERT_EQ(shell.launches.size(), 1u);
  EXPECT_EQ(shell.launches[0].file, "mailto:support@velmora.example");
  EXPECT_EQ(shell.launches[0].showCmd, 5);

  // Shown again: the About text once more, not the folders and not the text twice.
  RunDriven(
      [&] {
        about.ShowModal(nullptr);
        return 0;
      },
      [&] {
        const HWND dlg = WaitForDialog("About");
        ASSERT_TRUE(dlg);
        EXPECT_EQ(PaneText(::GetDlgItem(dlg, IDC_ABOUT_DISPLAY)), aboutText);
        ::PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
      });
}

}  // namespace
}  // namespace kw::win32
