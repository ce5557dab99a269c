#include "app/unitMain.h"


#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "entries/unitSysWorksProperties.h"
#include "entries/unitSysWorksWebSearch.h"
#include "platform/CachedVersionInfo.h"
#include "util/FmxUtils.h"
#include "util/unitErrors.h"
#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"

namespace kw {

int GetUserLanguage(Environment& environment) {
  const std::string name = environment.UserLanguageName();
  if (name == "Russian") return 1;
  if (name == "Ukrainian") return 2;
  return 0;
}

std::string ReadFileVersion(VersionInfo& versions, const std::string& path) {
  const std::unique_ptr<VersionBlock> block = versions.Load(path);
  if (!block) return {};
  const auto translations = block->Translations();
  if (translations.empty()) return {};
  const auto [language, codePage] = translations.front();
  return block->QueryString(StringFileInfoQuery(language, codePage, "FileVersion")).value_or(std::string());
}

ProgramValues ReadProgramValues(Platform& platform) {
  ProgramValues values;
  const std::string executable = platform.environment.ExecutablePath();
  values.ProgramFolder = ExtractFilePath(executable);
  values.AppVersion = ReadFileVersion(platform.versions, executable);
  values.LangCode = GetUserLanguage(platform.environment);
  return values;
}

namespace {

// Collects what an entry puts into its list item.
class ItemContent : public ListViewItem {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void SetChecked(bool value) override { checked = value; }
  std::string caption;
  bool checked = false;
};

}  // namespace

TfrmMain::TfrmMain(Platform& platform, TAppList& apps, MainView& view, ProgramValues values)
    : platform_(platform), apps_(apps), view_(view), values_(std::move(values)) {}

void TfrmMain::FormCreate() {
  const std::string file = values_.ProgramFolder + (values_.LangCode != 0 ? "welcome_rus.rtf" : "welcome.rtf");
  const auto text = platform_.files.ReadWholeFile(file);
  const bool loaded = text && view_.Display().LoadRichText(*text);
  // Without its welcome text the pane keeps its first text, but the list is filled all the
  // same; the missing file is reported after that.
  actRefreshExecute();
  if (!loaded) throw EFileError("Cannot open file " + file);
}

void TfrmMain::actRefreshExecute() {
  // The guard and the cursor are restored before an error goes on to the error box.
  struct Restore {
    TfrmMain& form;
    ~Restore() {
      form.ListReady = true;
      form.view_.SetBusy(false);
    }
  };
  view_.SetBusy(true);
  ListReady = false;
  Restore restore{*this};
  ScanEntries();
  FillListView();
}

void TfrmMain::ScanEntries() {
  // A program file that several entries start has its version resource read once; files
  // on other computers are not read at all (LocalFilesOnly).
  CachedVersionInfo cached(platform_.versions);
  LocalFilesOnly local(platform_.files, cached, platform_.icons);
  Platform scan{platform_.registry, platform_.files, platform_.shell, platform_.messages,    platform_.links,
                platform_.folders,  local,           local,           platform_.environment, platform_.properties};
  apps_.Clear();
  ScanRunKey(apps_, scan, kHkeyLocalMachine, kRunKeyPath);
  ScanRunKey(apps_, scan, kHkeyCurrentUser, kRunKeyPath);
  ScanStartupFolder(apps_, scan, kCsidlCommonStartup);
  ScanStartupFolder(apps_, scan, kCsidlStartup);
  LoadDisabledApps(apps_, platform_);
  view_.IconList().Clear();
  apps_.LoadIcons(local, view_.IconList());
  view_.SetStatus(std::to_string(apps_.Count()) + " applications found");
}

void TfrmMain::FillListView() {
  const int selected = view_.SelectedIndex();
  if (selected >= 0) SelectedCaption = view_.ItemCaption(selected);
  // The list allows one selection, so of several items with the caption the last one ends
  // selected. It is selected once every item is in: showing its details may fail (a stored
  // entry edited by hand), and that must not cut the list short.
  int reselect = -1;
  {
    struct Update {
      MainView& view;
      explicit Update(MainView& v) : view(v) { view.BeginListUpdate(); }
      ~Update() { view.EndListUpdate(); }  // also when an entry cannot be listed
    } update(view_);
    view_.ClearItems();
    for (int i = 0; i < apps_.Count(); ++i) {
      TAppItem& entry = apps_.GetItem(i);
      ItemContent item;
      entry.FillListItem(item);
      const int image = entry.ImageIndex();  // -1 for an entry without an icon
      view_.AddItem(item.caption, item.checked, image >= 0 ? image : kImageNone);
      if (item.caption == SelectedCaption) reselect = i;
    }
  }
  if (reselect >= 0) view_.SelectItem(reselect);
}

TAppItem* TfrmMain::SelectedEntry() {
  const int index = view_.SelectedIndex();
  if (index < 0 || index >= apps_.Count()) return nullptr;
  return &apps_.GetItem(index);
}

void TfrmMain::lvAppsSelectItem(int index, bool selected) {
  if (!selected || index < 0 || index >= apps_.Count()) return;
  ShowDetails(apps_.GetItem(index), view_.Display());
}

void TfrmMain::lvAppsChanging(int, bool checkedNow) {
  if (ListReady) CheckedBefore = checkedNow;
}

void TfrmMain::lvAppsChange(int index, bool stateChanged, bool checkedNow) {
  if (!ListReady || !stateChanged || checkedNow == CheckedBefore) return;
  // The actions work on the selected item; selecting it also shows its details. The action
  // rebuilds the list, so it runs once the list view is done with the item it reports on.
  view_.SelectItem(index);
  view_.RunAfterNotification([this, checkedNow] {
    if (checkedNow) actEnableAppExecute();
    else actDisableAppExecute();
  });
}

void TfrmMain::lvAppsKeyDown(int key) {
  if (key == kVkDelete) actDeleteExecute();
  if (key == kVkF5) actRefreshExecute();
}

void TfrmMain::actEnableAppExecute() {
  TAppItem* entry = SelectedEntry();
  if (!entry || entry->Enabled()) return;
  entry->SetEnabled(true);
  ApplyState(*entry, platform_);
  SaveDisabledApps(apps_, platform_);
  actRefreshExecute();
}

void TfrmMain::actDisableAppExecute() {
  TAppItem* entry = SelectedEntry();
  if (!entry || !entry->Enabled()) return;
  entry->SetEnabled(false);
  if (SaveDisabledApps(apps_, platform_)) {
    ApplyState(*entry, platform_);
  } else {
    // The entry stays where it is; say so, and let the list show the truth again.
    ErrorMessage(platform_.messages, "Cannot save the list of disabled applications");
  }
  actRefreshExecute();
}

void TfrmMain::actDeleteExecute() {
  if (view_.SelectedIndex() < 0) return;
  if (!ConfirmMessage(platform_.messages, "Are you sure you wish to delete this item?")) return;
  TAppItem* entry = SelectedEntry();
  if (!entry) return;
  if (entry->Enabled()) {
    RemoveFromSystem(*entry, platform_);
  } else {
    apps_.Delete(entry->Index);
    SaveDisabledApps(apps_, platform_);
  }
  actRefreshExecute();
}

void TfrmMain::actAddAppExecute() {
  if (!view_.ShowAddDialog()) return;
  view_.ProcessPendingMessages();
  actRefreshExecute();
}

void TfrmMain::actPropertiesExecute() {
  TAppItem* entry = SelectedEntry();
  if (!entry) return;
  if (ShowFileProperties(*entry, view_.WindowHandle(), platform_)) RefreshOnActivate = true;
}

void TfrmMain::actWebSearchExecute() {
  if (apps_.Count() == 0) return;
  TAppItem* entry = SelectedEntry();
  if (!entry) return;
  SearchWebForEntry(*entry, platform_, values_.ProgramFolder);
}

void TfrmMain::actShowHelpExecute() {
  LaunchFile(platform_.shell, values_.ProgramFolder + "Kelderwick.chm", "", "", kSwShow);
}

void TfrmMain::actExitExecute() { view_.Close(); }

void TfrmMain::btAboutClick() { view_.ShowAboutDialog(); }

void TfrmMain::AppEventsActivate() {
  if (!RefreshOnActivate) return;
  RefreshOnActivate = false;
  actRefreshExecute();
}

}  // namespace kw
