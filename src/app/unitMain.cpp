#include "app/unitMain.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <iterator>
#include <memory>

#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
#include "entries/unitSysWorksProperties.h"
#include "entries/unitSysWorksWebSearch.h"
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
    : platform_(platform),
      apps_(apps),
      view_(view),
      values_(std::move(values)),
      taskReader_(platform),
      reader_(std::make_unique<FileReader>(platform.versions, platform.icons, platform.files, platform.signatures,
                                           platform.shell)) {}

TfrmMain::~TfrmMain() { StopReading(); }

void TfrmMain::FormCreate() {
  const std::string file = values_.ProgramFolder + (values_.LangCode != 0 ? "welcome_rus.rtf" : "welcome.rtf");
  const auto text = platform_.files.ReadWholeFile(file);
  const bool loaded = text && view_.Display().LoadRichText(*text);
  // Without its welcome text the pane keeps its first text, but the list is filled all the
  // same; the missing file is reported after that.
  view_.CheckWindowsSwitch(SwitchOffWithWindowsSet(platform_));
  actRefreshExecute();
  if (!loaded) throw EFileError("Cannot open file " + file);
}

void TfrmMain::actRefreshExecute() {
  // The cursor is restored before an error goes on to the error box.
  struct Idle {
    MainView& view;
    ~Idle() { view.SetBusy(false); }
  };
  view_.SetBusy(true);
  Idle idle{view_};
  ListAgain();
  if (view_.ReadsTasksInBackground()) taskReader_.Start([this] { view_.FilesReadSignal(); });
}

void TfrmMain::ListAgain() {
  // The list view's events while the list is filled are not the user's; the guard is restored
  // before an error goes on to the error box.
  struct Restore {
    TfrmMain& form;
    ~Restore() { form.ListReady = true; }
  };
  ListReady = false;
  Restore restore{*this};
  // What the old list still had to read is dropped now: the reader would only compete with
  // the scan for the machine.
  reader_->Read({});
  ScanEntries();
  FillListView();
  if (!view_.ReadsInBackground()) FinishReading();
}

void TfrmMain::ScanEntries() {
  // The files are read afterwards (StartReading).
  const std::string problems =
      ScanAllEntries(apps_, platform_, nullptr, false, view_.ReadsTasksInBackground() ? &knownTasks_ : nullptr);
  // What cannot be used of the store is said once, not at every refresh.
  if (!problems.empty() && problems != storeProblemsShown_) ErrorMessage(platform_.messages, problems);
  storeProblemsShown_ = problems;
  view_.SetStatus(std::to_string(apps_.Count()) + " applications found");
}

void TfrmMain::FillListView() {
  const int selected = view_.SelectedIndex();
  if (selected >= 0) SelectedCaption = view_.ItemCaption(selected);
  if (selected >= 0 && selected < static_cast<int>(shownEntries_.size())) selectedShown_ = shownEntries_[selected];
  // The entry that was selected is selected again: the same entry where it is still listed,
  // else the one in the same place (switched on or off meanwhile), else, as a last resort,
  // the last one with the caption. It is selected once every item is in: showing its details
  // may fail (a stored entry edited by hand), and that must not cut the list short.
  int same = -1, samePlace = -1, sameCaption = -1;
  {
    struct Update {
      MainView& view;
      explicit Update(MainView& v) : view(v) { view.BeginListUpdate(); }
      ~Update() { view.EndListUpdate(); }  // also when an entry cannot be listed
    } update(view_);
    view_.ClearItems();
    view_.EnableDelete(true);
    shownEntries_.clear();
    rowFiles_.clear();
    // Images of files no longer listed pile up over many refreshes; now and then they go.
    if (view_.IconList().Count() > 2 * apps_.Count() + 64) {
      view_.IconList().Clear();
      fileImages_.clear();
    }
    for (int i = 0; i < apps_.Count(); ++i) {
      TAppItem& entry = apps_.GetItem(i);
      ItemContent item;
      entry.FillListItem(item);
      rowFiles_.push_back(entry.ProgramFile());
      shownEntries_.push_back(Snapshot(entry));
      view_.AddItem(item.caption, item.checked);
      if (selectedShown_ && SameEntry(entry, *selectedShown_)) same = i;
      if (selectedShown_ && SamePlace(entry, *selectedShown_)) samePlace = i;
      if (item.caption == SelectedCaption) sameCaption = i;
    }
  }
  // The reading starts before the selection, whose details read their own file at once.
  StartReading();
  const int reselect = same >= 0 ? same : samePlace >= 0 ? samePlace : sameCaption;
  if (reselect >= 0) view_.SelectItem(reselect);
  PreferVisibleRows();
}

void TfrmMain::StartReading() {
  const int rows = static_cast<int>(shownEntries_.size());
  rowIcons_.assign(static_cast<size_t>(rows), -1);
  rowStrings_.assign(static_cast<size_t>(rows), 0);
  rowMarks_.assign(static_cast<size_t>(rows), 0);
  rowsOfFile_.clear();
  filesToCome_.clear();
  checksToCome_.clear();
  indexedRows_ = iconsBefore_ = 0;
  std::vector<std::string> files;
  for (int row = 0; row < rows; ++row) {
    const TAppItem& entry = *shownEntries_[static_cast<size_t>(row)];
    const std::string& path = rowFiles_[static_cast<size_t>(row)];
    // A stored entry keeps the version strings it was stored with; only its icon is read.
    rowStrings_[static_cast<size_t>(row)] = !entry.Enabled();
    rowsOfFile_[path].push_back(row);
    if (filesToCome_.insert(path).second) files.push_back(path);
  }
  checksToCome_ = filesToCome_;
  // Icons and signatures of files no longer listed are not held.
  for (auto icon = fileIcons_.begin(); icon != fileIcons_.end();)
    icon = rowsOfFile_.count(icon->first) ? std::next(icon) : fileIcons_.erase(icon);
  for (auto check = fileSignatures_.begin(); check != fileSignatures_.end();)
    check = rowsOfFile_.count(check->first) ? std::next(check) : fileSignatures_.erase(check);
  for (int row = 0; row < rows; ++row) MarkRow(row, RowSignature(row));
  if (view_.ReadsInBackground())
    reader_->StartThread([this] { return view_.PrepareReaderThread(); }, [this] { view_.FilesReadSignal(); });
  reader_->Read(files);
}

void TfrmMain::PreferVisibleRows() {
  const auto [first, count] = view_.VisibleItems();
  std::vector<std::string> files;
  for (int row = std::max(first, 0); row < first + count && row < static_cast<int>(rowFiles_.size()); ++row)
    files.push_back(rowFiles_[static_cast<size_t>(row)]);
  reader_->Prefer(files);
}

void TfrmMain::FilesArrived() {
  ApplyAll(reader_->Take());
  TasksArrived();
}

void TfrmMain::TasksArrived() {
  const std::unique_ptr<TaskReader::Result> read = taskReader_.Take();
  if (!read) return;
  if (!read->problems.empty() && read->problems != taskProblemsShown_) ErrorMessage(platform_.messages, read->problems);
  taskProblemsShown_ = read->problems;
  bool same = read->tasks.Count() == knownTasks_.Count();
  for (int i = 0; same && i < knownTasks_.Count(); ++i)
    same = read->tasks.GetItem(i).Lines() == knownTasks_.GetItem(i).Lines();
  if (same) return;
  knownTasks_.Clear();
  for (int i = 0; i < read->tasks.Count(); ++i) knownTasks_.Add().Assign(read->tasks.GetItem(i));
  ListAgain();
}

void TfrmMain::FinishReading() {
  FilesArrived();
  std::vector<std::string> rest, unchecked;
  std::unordered_set<std::string> seen;
  for (const std::string& path : rowFiles_) {
    if (!seen.insert(path).second) continue;
    if (filesToCome_.count(path)) rest.push_back(path);
    if (checksToCome_.count(path)) unchecked.push_back(path);
  }
  ApplyAll(reader_->ReadNow(rest));
  ApplyAll(reader_->CheckNow(unchecked));
}

int TfrmMain::FilesStillToRead() const {
  size_t files = filesToCome_.size();
  for (const std::string& path : checksToCome_) files += filesToCome_.count(path) ? 0 : 1;
  return static_cast<int>(files) + (taskReader_.Pending() ? 1 : 0);
}

const SignatureCheck* TfrmMain::RowSignature(int row) const {
  if (row < 0 || row >= static_cast<int>(rowFiles_.size())) return nullptr;
  const auto check = fileSignatures_.find(rowFiles_[static_cast<size_t>(row)]);
  return check == fileSignatures_.end() ? nullptr : &check->second;
}

void TfrmMain::MarkRow(int row, const SignatureCheck* check) {
  if (row < 0 || row >= static_cast<int>(rowMarks_.size())) return;
  const bool cameBack = CameBack(*shownEntries_[static_cast<size_t>(row)]);
  const auto mark =
      static_cast<signed char>((check ? static_cast<int>(MarkOf(*check)) : 0) | (cameBack ? kMarkCameBack : 0));
  if (rowMarks_[static_cast<size_t>(row)] == mark) return;
  rowMarks_[static_cast<size_t>(row)] = mark;
  view_.SetItemMark(row, mark);
}

void TfrmMain::ApplySignature(const FileDetails& details, int selected, std::pair<int, int>& changed) {
  const auto rows = rowsOfFile_.find(details.path);
  if (rows == rowsOfFile_.end() || !checksToCome_.erase(details.path)) return;
  const SignatureCheck& check = fileSignatures_[details.path] = *details.signature;
  for (const int row : rows->second) {
    MarkRow(row, &check);
    changed.first = std::min(changed.first, row);
    changed.second = std::max(changed.second, row);
    if (row != selected || row >= apps_.Count() || shownSignature_ == check) continue;
    shownSignature_ = check;
    try {
      ShowDetails(apps_.GetItem(row), view_.Display(), &check);
    } catch (const std::exception&) {
      // A stored entry that cannot be shown (edited by hand) was reported as it was selected;
      // its report stays as it is.
    }
  }
}

void TfrmMain::ApplyAll(std::vector<FileDetails> arrived) {
  std::pair<int, int> changed{INT_MAX, -1};
  const int selected = arrived.empty() ? -1 : view_.SelectedIndex();
  for (FileDetails& details : arrived) Apply(details, selected, changed);
  if (changed.first <= changed.second) view_.RedrawItems(changed.first, changed.second);
}

void TfrmMain::StopReading() {
  if (reader_) reader_->Stop();
  taskReader_.Join();
}

void TfrmMain::Apply(FileDetails& details, int selected, std::pair<int, int>& changed) {
  if (details.signature) return ApplySignature(details, selected, changed);
  const auto rows = rowsOfFile_.find(details.path);
  if (rows == rowsOfFile_.end()) return;
  filesToCome_.erase(details.path);
  const bool hasIcon = details.icon && details.icon->Handle() >= 2;
  if (!hasIcon) {
    fileIcons_.erase(details.path);
    fileImages_.erase(details.path);
  } else if (fileIcons_.size() < kHeldIcons || fileIcons_.count(details.path)) {
    fileIcons_[details.path] = std::move(details.icon);
  } else {
    PutImage(details.path, *details.icon);
  }
  for (const int row : rows->second) {
    rowIcons_[static_cast<size_t>(row)] = hasIcon ? 1 : 0;
    if (!rowStrings_[static_cast<size_t>(row)]) {
      rowStrings_[static_cast<size_t>(row)] = 1;
      shownEntries_[static_cast<size_t>(row)]->PutVersionStrings(details.strings);
      if (row < apps_.Count()) apps_.GetItem(row).PutVersionStrings(details.strings);
    }
    changed.first = std::min(changed.first, row);
    changed.second = std::max(changed.second, row);
  }
  // ImageIndex counts the icons of the rows before: it is known up to the first row not read.
  while (indexedRows_ < static_cast<int>(rowIcons_.size()) && rowIcons_[static_cast<size_t>(indexedRows_)] >= 0) {
    const int index = rowIcons_[static_cast<size_t>(indexedRows_)] ? iconsBefore_++ : -1;
    shownEntries_[static_cast<size_t>(indexedRows_)]->SetImageIndex(index);
    if (indexedRows_ < apps_.Count()) apps_.GetItem(indexedRows_).SetImageIndex(index);
    ++indexedRows_;
  }
}

void TfrmMain::CompleteRow(int row, bool imageIndexes) {
  if (row < 0 || row >= static_cast<int>(rowFiles_.size())) return;
  FilesArrived();
  std::vector<std::string> files;
  for (int r = imageIndexes ? indexedRows_ : row; r <= row; ++r)
    if (rowIcons_[static_cast<size_t>(r)] < 0 || !rowStrings_[static_cast<size_t>(r)])
      files.push_back(rowFiles_[static_cast<size_t>(r)]);
  ApplyAll(reader_->ReadNow(files));
}

void TfrmMain::PutImage(const std::string& path, const Icon& icon) {
  const auto kept = fileImages_.find(path);
  const int image = kept != fileImages_.end() ? view_.IconList().ReplaceIcon(kept->second, icon)
                                              : view_.IconList().AddIcon(icon);
  if (image >= 0) fileImages_[path] = image;
  else fileImages_.erase(path);
}

int TfrmMain::RowImage(int row) {
  if (row < 0 || row >= static_cast<int>(rowFiles_.size())) return kImageNone;
  const std::string& path = rowFiles_[static_cast<size_t>(row)];
  const auto icon = fileIcons_.find(path);
  if (icon != fileIcons_.end()) {
    PutImage(path, *icon->second);
    fileIcons_.erase(icon);
  }
  const auto image = fileImages_.find(path);
  return image != fileImages_.end() ? image->second : kImageNone;
}

int TfrmMain::RowOf(const TAppItem& shown) const {
  for (size_t row = 0; row < shownEntries_.size(); ++row)
    if (SameEntry(*shownEntries_[row], shown) && shownEntries_[row]->CommandLine() == shown.CommandLine())
      return static_cast<int>(row);
  return -1;
}

std::shared_ptr<TAppItem> TfrmMain::Snapshot(const TAppItem& entry) {
  auto copy = std::make_shared<TAppItem>();
  copy->Assign(entry);
  return copy;
}

std::shared_ptr<const TAppItem> TfrmMain::ShownEntry(int index) const {
  if (index < 0 || index >= static_cast<int>(shownEntries_.size())) return nullptr;
  return shownEntries_[index];
}

std::shared_ptr<const TAppItem> TfrmMain::SelectedShown() const { return ShownEntry(view_.SelectedIndex()); }

bool TfrmMain::StillListed(const TAppItem& shown) const { return RowOf(shown) >= 0; }

TAppItem* TfrmMain::SelectedEntry() {
  const int index = view_.SelectedIndex();
  if (index < 0 || index >= apps_.Count()) return nullptr;
  return &apps_.GetItem(index);
}

void TfrmMain::lvAppsSelectItem(int index, bool selected) {
  if (!selected || index < 0 || index >= apps_.Count()) return;
  // A Store app's task goes with its app: Delete is not offered for it.
  view_.EnableDelete(DeleteRefusal(apps_.GetItem(index)).empty());
  CompleteRow(index, false);
  // The signature as last checked; where the file has not been checked yet, "being checked"
  // until it arrives (a check reads the whole file). Either is shown again if the check that
  // is on its way finds otherwise.
  const SignatureCheck* signature = RowSignature(index);
  shownSignature_.reset();
  if (signature) shownSignature_ = *signature;
  ShowDetails(apps_.GetItem(index), view_.Display(), signature);
}

void TfrmMain::lvAppsChanging(int, bool checkedNow) {
  if (ListReady) CheckedBefore = checkedNow;
}

void TfrmMain::lvAppsChange(int index, bool stateChanged, bool checkedNow) {
  if (!ListReady || !stateChanged || checkedNow == CheckedBefore) return;
  // The action is for the entry whose box was clicked, taken now: it runs once the list view
  // is done with the item it reports on, and by then the selection or the list may differ.
  const auto shown = ShownEntry(index);
  if (!shown) return;
  view_.SelectItem(index);
  view_.RunAfterNotification([this, shown, checkedNow] {
    if (checkedNow) EnableShown(*shown);
    else DisableShown(*shown);
  });
}

void TfrmMain::lvAppsKeyDown(int key) {
  if (key == kVkDelete) actDeleteExecute();
  if (key == kVkF5) actRefreshExecute();
}

void TfrmMain::actEnableAppExecute() {
  if (const auto shown = SelectedShown()) EnableShown(*shown);
}

void TfrmMain::actDisableAppExecute() {
  if (const auto shown = SelectedShown()) DisableShown(*shown);
}

void TfrmMain::actDeleteExecute() {
  const auto shown = SelectedShown();
  if (!shown) return;
  if (const std::string refusal = DeleteRefusal(*shown); !refusal.empty()) return ErrorMessage(platform_.messages, refusal);
  if (!ConfirmMessage(platform_.messages, "Are you sure you wish to delete this item?")) return;
  // The list may have been read again while the question was open; an entry no longer
  // listed as it was is left alone.
  if (!StillListed(*shown)) return;
  DeleteEntry(*shown, platform_);
  actRefreshExecute();
}

// An action that arrives for an entry the list no longer shows as it was (the list view can
// report one click twice, and the second report is handled after the first one's refresh)
// has nothing to do: the list shows the result.
void TfrmMain::EnableShown(const TAppItem& shown) {
  if (!StillListed(shown)) return;
  if (SwitchedOffByWindows(shown)) SwitchOnEntry(shown, platform_);
  else if (!shown.Enabled()) EnableEntry(shown, platform_);
  else return;
  actRefreshExecute();
}

void TfrmMain::DisableShown(const TAppItem& shown) {
  const int row = RowOf(shown);
  if (!shown.Enabled() || row < 0) return;
  // The store keeps the entry with everything its file gives, as read at once.
  CompleteRow(row, true);
  DisableEntry(*shownEntries_[static_cast<size_t>(row)], platform_);
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
  CompleteRow(view_.SelectedIndex(), false);
  SearchWebForEntry(*entry, platform_, values_.ProgramFolder);
}

void TfrmMain::actShowHelpExecute() {
  LaunchFile(platform_.shell, values_.ProgramFolder + "Kelderwick.chm", "", "", kSwShow);
}

void TfrmMain::actWindowsSwitchExecute() {
  // Read again: another copy of the program may have changed it meanwhile.
  const bool on = !SwitchOffWithWindowsSet(platform_);
  if (!SetSwitchOffWithWindows(platform_, on))
    ErrorMessage(platform_.messages, "Cannot save the setting \"Switch entries off with Windows' own switch\"");
  view_.CheckWindowsSwitch(SwitchOffWithWindowsSet(platform_));
}

void TfrmMain::actExitExecute() { view_.Close(); }

void TfrmMain::btAboutClick() { view_.ShowAboutDialog(); }

void TfrmMain::AppEventsActivate() {
  if (!RefreshOnActivate) return;
  RefreshOnActivate = false;
  actRefreshExecute();
}

}  // namespace kw
