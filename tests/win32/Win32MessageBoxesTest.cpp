// The real message boxes, answered from a second thread as a user would answer them.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/win32/WideString.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "util/unitStdMessages.h"

namespace kw::win32 {
namespace {

struct SeenBox {
  std::string caption;
  std::vector<std::string> buttons;
  std::string defaultButton;
  bool textShown = false;
  bool ignoredAnswer = false;
};

struct Context {
  SeenBox* seen;
  std::wstring expected;
};

BOOL CALLBACK RecordChild(HWND child, LPARAM l) {
  auto* ctx = reinterpret_cast<Context*>(l);
  wchar_t cls[64] = {}, label[512] = {};
  ::GetClassNameW(child, cls, 64);
  ::GetWindowTextW(child, label, 512);
  if (std::wstring(cls) == L"Button" && ::IsWindowVisible(child)) {
    ctx->seen->buttons.push_back(Narrow(label));
    if ((::GetWindowLongW(child, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) ctx->seen->defaultButton = Narrow(label);
  }
  if (std::wstring(label).find(ctx->expected) != std::wstring::npos) ctx->seen->textShown = true;
  return TRUE;
}

// The shown box with this caption; a box that ended earlier may still exist, hidden.
HWND FindShownBox(const std::wstring& caption) {
  HWND box = nullptr;
  while ((box = ::FindWindowExW(nullptr, box, L"#32770", caption.c_str())) != nullptr)
    if (::IsWindowVisible(box)) return box;
  return nullptr;
}

// Waits for the box with this caption, records what it shows, then answers it.
std::future<SeenBox> AnswerBox(const std::wstring& caption, const std::string& expectedText,
                               std::function<void(HWND)> answer) {
  return std::async(std::launch::async, [=] {
    SeenBox seen;
    HWND box = nullptr;
    for (int i = 0; i < 200 && !box; ++i) {
      box = FindShownBox(caption);
      if (!box) ::Sleep(25);
    }
    if (!box) return seen;
    // The box is ready for keys once one of its controls has the focus.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    for (int i = 0; i < 200; ++i) {
      if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &info) && info.hwndFocus &&
          ::IsChild(box, info.hwndFocus))
        break;
      ::Sleep(10);
    }
    ::Sleep(50);
    wchar_t text[256] = {};
    ::GetWindowTextW(box, text, 256);
    seen.caption = Narrow(text);
    Context context{&seen, Wide(expectedText)};
    ::EnumChildWindows(box, &RecordChild, reinterpret_cast<LPARAM>(&context));
    answer(box);
    // A box that ignored the answer is ended through its default button, so a failing
    // test cannot hang the run; the answer then comes back wrong. A box that ended is hidden
    // at once and destroyed a little later.
    auto open = [box] { return ::IsWindow(box) && ::IsWindowVisible(box); };
    for (int i = 0; i < 250 && open(); ++i) ::Sleep(20);
    if (open()) {
      seen.ignoredAnswer = true;
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(::SendMessageW(box, DM_GETDEFID, 0, 0) & 0xFFFF, BN_CLICKED), 0);
    }
    return seen;
  });
}

// Types a key into the control that has the focus in the box, through the box's own
// message loop, as the keyboard would.
void PressKey(HWND box, WORD key) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &info);
  const HWND target = info.hwndFocus ? info.hwndFocus : box;
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  if (key >= 'A' && key <= 'Z') ::PostMessageW(target, WM_CHAR, key - 'A' + 'a', 1);
  ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

TEST(Win32MessageBoxes, ConfirmShowsYesAndNoWithYesAsDefault) {
  Win32MessageBoxes boxes;
  auto seen = AnswerBox(L"Confirm", "Delete it?", [](HWND box) { PressKey(box, VK_RETURN); });
  EXPECT_TRUE(ConfirmMessage(boxes, "Delete it?"));
  const SeenBox box = seen.get();
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_TRUE(box.textShown);
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_EQ(box.defaultButton, "&Yes");
}

TEST(Win32MessageBoxes, EscapeAndTheCloseBoxAnswerNo) {
  Win32MessageBoxes boxes;
  auto escape = AnswerBox(L"Confirm", "Escape?", [](HWND box) { PressKey(box, VK_ESCAPE); });
  EXPECT_FALSE(ConfirmMessage(boxes, "Escape?"));
  EXPECT_FALSE(escape.get().ignoredAnswer);
  auto close = AnswerBox(L"Confirm", "Close?", [](HWND box) { ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); });
  EXPECT_FALSE(ConfirmMessage(boxes, "Close?"));
  EXPECT_FALSE(close.get().ignoredAnswer);
  auto no = AnswerBox(L"Confirm", "No?", [](HWND box) { PressKey(box, 'N'); });
  EXPECT_FALSE(ConfirmMessage(boxes, "No?"));
  EXPECT_FALSE(no.get().ignoredAnswer);
}

TEST(Win32MessageBoxes, ErrorHasOneOkButtonThatEscapeAlsoCloses) {
  Win32MessageBoxes boxes;
  auto seen = AnswerBox(L"Error", "File already exists", [](HWND box) { PressKey(box, VK_ESCAPE); });
  ErrorMessage(boxes, "File already exists");
  const SeenBox box = seen.get();
  EXPECT_FALSE(box.ignoredAnswer);
  EXPECT_TRUE(box.textShown);
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
}

}  // namespace
}  // namespace kw::win32
