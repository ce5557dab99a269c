#pragma once
// The About box window: the .rc template IDD_ABOUT driving TdlgAbout.
#include <windows.h>

#include <string>

#include "dialogs/unitAbout.h"
#include "dialogs/win32/DialogBase.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32RichTextPane.h"

namespace kw::dialogs {

class AboutDialog : public BaseDialog<AboutDialog> {
 public:
  AboutDialog(Platform& platform, std::string appVersion);

  // Shows the box modal to owner, with its text built anew.
  void ShowModal(HWND owner);

  INT_PTR HandleMessage(UINT message, WPARAM w, LPARAM l);

 private:
  void InitDisplay();
  void PlaceAddressLabel();
  // Every paragraph centred, the caret and the view at the top.
  void CenterParagraphs();
  // The text pane's keys: F3 shows the Startup folders. Escape, Enter and Tab stay with the
  // dialog, so that the read-only pane never keeps the user in it.
  static LRESULT CALLBACK DisplayProc(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR id,
                                      DWORD_PTR data) noexcept;

  TdlgAbout logic_;
  win32::Win32RichTextPane display_;
  win32::unique_gdi_object addressFont_;
};

}  // namespace kw::dialogs
