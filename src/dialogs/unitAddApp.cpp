#include "dialogs/unitAddApp.h"

#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

// The show command of each item of radioShowCmd.
constexpr int kShowCommands[] = {kSwShow, kSwShowMaximized, kSwShowMinNoActive};

int ShowCommandOf(int index) { return index >= 0 && index < 3 ? kShowCommands[index] : kSwShow; }

// A new entry always lives in a Startup folder: the second item is the user's own.
int OriginOf(int index) { return index == 1 ? orStartupUser : orStartupCommon; }

}  // namespace

void TdlgAddApp::FormShow(AddAppView& view) {
  NewEntry.Clear();
  NewEntry.SetOrigin(orStartupCommon);
  view.SetAppPathText("");
  view.SetArgumentsText(Choices.arguments);
  view.SetOriginIndex(Choices.originIndex);
  view.SetShowCmdIndex(Choices.showCmdIndex);
}

void TdlgAddApp::FormClose(AddAppView& view) {
  Choices.arguments = view.ArgumentsText();
  Choices.originIndex = view.OriginIndex();
  Choices.showCmdIndex = view.ShowCmdIndex();
}

void TdlgAddApp::btBrowseClick(AddAppView& view) {
  if (OpenInitialDir.empty()) OpenInitialDir = GetSpecialFolderPath(platform_.folders, kCsidlStartMenu);
  const std::optional<std::string> chosen = view.RunOpenDialog(OpenInitialDir);
  if (!chosen) return;
  NewEntry.SetFullPath(*chosen);
  view.SetAppPathText(*chosen);
}

void TdlgAddApp::btAddClick(AddAppView& view) {
  if (NewEntry.FullPath().empty()) {
    ErrorMessage(platform_.messages, "Please, select an application first");
    KeepOpen = true;
    return;
  }
  const std::string chosenPath = NewEntry.FullPath();
  const std::string arguments = view.ArgumentsText();
  NewEntry.SetOrigin(OriginOf(view.OriginIndex()));
  NewEntry.SetCaption(ExtractFileName(chosenPath));
  NewEntry.SetArguments(arguments);
  // FullPath and Arguments are derived again from the command line.
  NewEntry.SetCommandLine("\"" + chosenPath + "\" " + arguments, platform_.versions);

  const int csidl = NewEntry.Origin() == orStartupCommon ? kCsidlCommonStartup : kCsidlStartup;
  const std::string folder = GetSpecialFolderPath(platform_.folders, csidl);
  // Without a Startup folder the shortcut would land in the root of the current drive,
  // where nothing starts it.
  if (folder.empty()) {
    ErrorMessage(platform_.messages, "Cannot find the Startup folder");
    KeepOpen = true;
    return;
  }
  NewEntry.SetLinkFile(folder + "\\" + ChangeFileExt(ExtractFileName(NewEntry.FullPath()), ".lnk"));
  NewEntry.SetShowCmd(ShowCommandOf(view.ShowCmdIndex()));

  if (platform_.files.FileExists(NewEntry.LinkFile())) {
    ErrorMessage(platform_.messages, "File already exists");
    KeepOpen = true;
    return;
  }
  WriteToSystem(NewEntry, platform_);
}

bool TdlgAddApp::FormCloseQuery() {
  if (!KeepOpen) return true;
  KeepOpen = false;
  return false;
}

}  // namespace kw
