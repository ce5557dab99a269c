#pragma once
// The Add Application dialog window: the .rc template IDD_ADDAPP driving TdlgAddApp.
#include <windows.h>

#include <optional>
#include <string>

#include "dialogs/unitAddApp.h"
#include "dialogs/win32/DialogBase.h"

namespace kw::dialogs {

class AddAppDialog : public BaseDialog<AddAppDialog>, private AddAppView {
 public:
  // Made once at start-up; every showing reuses it, so the arguments, the radio choices and
  // the open dialog's folder carry over from one showing to the next.
  explicit AddAppDialog(Platform& platform);

  // Shows the dialog modal to owner; true when it closed with Add (the shortcut was written,
  // or its writing was attempted and the failure shown).
  bool ShowModal(HWND owner);

  INT_PTR HandleMessage(UINT message, WPARAM w, LPARAM l);

 private:
  // Closes the dialog with result unless the logic asks to keep it open.
  void CloseWith(INT_PTR result);

  // AddAppView
  void SetAppPathText(const std::string& text) override;
  std::string ArgumentsText() override;
  void SetArgumentsText(const std::string& text) override;
  int OriginIndex() override;
  void SetOriginIndex(int index) override;
  int ShowCmdIndex() override;
  void SetShowCmdIndex(int index) override;
  std::optional<std::string> RunOpenDialog(const std::string& initialFolder) override;

  TdlgAddApp logic_;
};

}  // namespace kw::dialogs
