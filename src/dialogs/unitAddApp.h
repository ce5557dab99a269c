#pragma once
// The Add Application dialog's behaviour: the user picks a program, its arguments, the
// Startup folder and the window state, and a shortcut to it is created in that folder.
// The dialog window (src/dialogs/win32) only turns messages into these calls.
#include <optional>
#include <string>

#include "entries/unitAppList.h"
#include "platform/Platform.h"

namespace kw {

// What the behaviour needs of the dialog's controls.
class AddAppView {
 public:
  virtual ~AddAppView() = default;
  // lbAppPath: the chosen file's full path.
  virtual void SetAppPathText(const std::string& text) = 0;
  // edArguments.
  virtual std::string ArgumentsText() = 0;
  virtual void SetArgumentsText(const std::string& text) = 0;
  // The chosen item of radioOrigin ("All users", "Current user only") and of radioShowCmd
  // ("Normal Window", "Maximized", "Minimized").
  virtual int OriginIndex() = 0;
  virtual void SetOriginIndex(int index) = 0;
  virtual int ShowCmdIndex() = 0;
  virtual void SetShowCmdIndex(int index) = 0;
  // Runs the file-open dialog ("Programs": *.exe;*.com;*.bat;*.lnk, "All Files": *.*) in
  // initialFolder (the system's choice when empty); the chosen file's full path, or nothing
  // when the user cancelled.
  virtual std::optional<std::string> RunOpenDialog(const std::string& initialFolder) = 0;
};

// What the user chose that outlives one showing of the dialog.
struct AddAppChoices {
  std::string arguments;
  int originIndex = 0;   // "All users"
  int showCmdIndex = 0;  // "Normal Window"
};

class TdlgAddApp {
 public:
  explicit TdlgAddApp(Platform& platform) : platform_(platform) {}

  // Each showing: empties NewEntry (Origin 2), empties the path and puts back the arguments
  // and the radio choices of the last showing.
  void FormShow(AddAppView& view);
  // The dialog closes: keeps the arguments and the radio choices for the next showing.
  void FormClose(AddAppView& view);
  // Lets the user choose the program file; the open dialog starts in the Start Menu folder.
  void btBrowseClick(AddAppView& view);
  // Fills NewEntry from the choices and creates its shortcut, unless no file was chosen or
  // the shortcut exists already (then KeepOpen is set and nothing is written).
  void btAddClick(AddAppView& view);
  // False, once, after btAddClick refused: the dialog stays open.
  bool FormCloseQuery();

  TAppItem NewEntry;
  bool KeepOpen = false;
  // The open dialog's initial folder; set at the first Browse that finds the Start Menu.
  std::string OpenInitialDir;
  AddAppChoices Choices;

 private:
  Platform& platform_;
};

}  // namespace kw
