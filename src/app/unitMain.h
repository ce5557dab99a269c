#pragma once
// The main window's behaviour: start-up values, Refresh, the commands and the list view's
// events. The window itself (src/app/win32) only turns messages into these calls.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/unitFileReader.h"
#include "app/unitTaskReader.h"
#include "entries/unitAppList.h"
#include "platform/Platform.h"
#include "platform/RichTextPane.h"

namespace kw {

// The program-wide values, recorded once before any window exists.
struct ProgramValues {
  std::string ProgramFolder;  // the executable's folder, with a trailing backslash
  std::string AppVersion;     // FileVersion of the program's own version resource
  int LangCode = 0;           // 0 any language, 1 Russian, 2 Ukrainian
};

// 1 for "Russian", 2 for "Ukrainian", 0 otherwise (exact comparisons).
int GetUserLanguage(Environment& environment);
// The FileVersion string of a file's version resource under its first translation; empty
// when there is none.
std::string ReadFileVersion(VersionInfo& versions, const std::string& path);
ProgramValues ReadProgramValues(Platform& platform);

// What the behaviour needs of the window.
class MainView {
 public:
  virtual ~MainView() = default;
  virtual RichTextPane& Display() = 0;
  virtual ImageList& IconList() = 0;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetBusy(bool busy) = 0;  // the hourglass cursor
  // Offers Delete (the menu item and the button) or not, for the selected entry.
  virtual void EnableDelete(bool /*enabled*/) {}
  // Shows whether entries are switched off with Windows' own switch (the Options menu's item).
  virtual void CheckWindowsSwitch(bool /*checked*/) {}
  // The list view: one item per entry of the list, in the same order.
  virtual int SelectedIndex() = 0;  // -1 when nothing is selected
  virtual int ItemCount() = 0;
  virtual std::string ItemCaption(int index) = 0;
  virtual void ClearItems() = 0;
  // An item's image is TfrmMain::RowImage of its row, asked for when the item is drawn: an
  // icon goes into IconList only once a row of its file is seen.
  virtual void AddItem(const std::string& caption, bool checked) = 0;
  // The images of the items first to last (inclusive) have changed; those in view are drawn
  // again.
  virtual void RedrawItems(int first, int last) = 0;
  // The items the list shows now: the first, and how many.
  virtual std::pair<int, int> VisibleItems() { return {0, ItemCount()}; }
  // Around a rebuild of the list: the list is drawn once when it is complete, not after every
  // item (which costs a redraw of the scroll bar per item once the list overflows).
  virtual void BeginListUpdate() {}
  virtual void EndListUpdate() {}
  // Marks the item as a program whose signature is not verified (1: unsigned or missing) or
  // wrong (2: tampered, or a signer Windows does not trust), plus 4 (kMarkCameBack) for an
  // entry that came back after being switched off; 0 takes the marks away.
  virtual void SetItemMark(int /*index*/, int /*mark*/) {}
  // Selects the item, which raises the selection event (lvAppsSelectItem) at once.
  virtual void SelectItem(int index) = 0;
  // Runs action once the list view's notification being handled has returned.
  virtual void RunAfterNotification(std::function<void()> action) = 0;
  virtual bool ShowAddDialog() = 0;  // modal; true when it closed with OK
  virtual void ShowAboutDialog() = 0;
  virtual void ProcessPendingMessages() = 0;
  virtual std::uintptr_t WindowHandle() = 0;
  virtual void Close() = 0;

  // Program files are read on a thread of their own where the view says so; it then has
  // TfrmMain::FilesArrived run on the window's thread after each FilesReadSignal. A view that
  // does not gets them all read before a refresh returns.
  virtual bool ReadsInBackground() { return false; }
  // Called on the reader's thread as it starts; what it returns lives as long as the thread.
  virtual std::shared_ptr<void> PrepareReaderThread() { return nullptr; }
  // Called on the reader's thread: files have been read. Also called on the thread that reads
  // the Store apps' and the Task Scheduler's tasks, where the view reads those in the
  // background too.
  virtual void FilesReadSignal() {}
  virtual bool ReadsTasksInBackground() { return ReadsInBackground(); }
};

class TfrmMain {
 public:
  TfrmMain(Platform& platform, TAppList& apps, MainView& view, ProgramValues values);
  ~TfrmMain();

  // Loads the welcome text and runs Refresh. A missing welcome file raises
  // "Cannot open file <path>" once the refresh has run.
  void FormCreate();

  void actRefreshExecute();
  void actEnableAppExecute();
  void actDisableAppExecute();
  void actDeleteExecute();
  void actAddAppExecute();
  void actPropertiesExecute();
  void actWebSearchExecute();
  void actShowHelpExecute();
  // Switches the user's setting "Switch entries off with Windows' own switch" over.
  void actWindowsSwitchExecute();
  void actExitExecute();
  void btAboutClick();

  // List view events.
  void lvAppsSelectItem(int index, bool selected);
  void lvAppsChanging(int index, bool checkedNow);
  void lvAppsChange(int index, bool stateChanged, bool checkedNow);
  void lvAppsKeyDown(int key);
  // The application became active.
  void AppEventsActivate();

  // A refresh lists the entries at once; the version strings and icons of their program
  // files come afterwards (visible rows first, each file once), then their signatures, and
  // each row is updated as they arrive. A row keeps its file's last signature mark until the
  // file has been checked again. FilesArrived puts in what has arrived; FinishReading reads the rest at once.
  // Where files are read in the background, so are the Store apps' and the Task Scheduler's
  // tasks: a refresh lists the tasks the last reading found (with their state now), and
  // FilesArrived lists again when a new reading finds them changed.
  void FilesArrived();
  void FinishReading();
  // The files of the list that have not given their version strings, icon or signature yet,
  // and one more while the tasks are being read.
  int FilesStillToRead() const;
  // The window is closing: the reader stops.
  void StopReading();
  // The rows now in view are read before the others (after a refresh and a scroll).
  void PreferVisibleRows();
  // The image in IconList of the row's file, or kImageNone; asked for as the row is drawn.
  // A file's icon is added to IconList here, the first time a row of it is drawn.
  int RowImage(int row);

  const ProgramValues& Values() const { return values_; }

  bool ListReady = true;
  bool CheckedBefore = false;
  std::string SelectedCaption;
  bool RefreshOnActivate = false;

 private:
  // Scans and fills the list as a refresh does, without reading the tasks anew.
  void ListAgain();
  void ScanEntries();
  void FillListView();
  void TasksArrived();
  void StartReading();
  // Puts in what a file gives; the rows whose image changed widen changed (first, last).
  void Apply(FileDetails& details, int selected, std::pair<int, int>& changed);
  void ApplyAll(std::vector<FileDetails> arrived);
  // The file's icon into IconList, in place of its earlier image where it has one.
  void PutImage(const std::string& path, const Icon& icon);
  // The entry at row with what its file gives, read now where it has not arrived; with
  // imageIndexes also the ImageIndex of every row up to it (which counts the icons before).
  void CompleteRow(int row, bool imageIndexes);
  // The signature of the row's file, as last checked; null while it is being checked.
  const SignatureCheck* RowSignature(int row) const;
  // Puts a signature that arrived into the marks of its file's rows, and into the details
  // where they show one of those rows.
  void ApplySignature(const FileDetails& details, int selected, std::pair<int, int>& changed);
  // Shows the row's marks, where it shows others (a list item starts without): the signature's
  // (none while its file has not been checked) and whether the entry came back.
  void MarkRow(int row, const SignatureCheck* check);
  int RowOf(const TAppItem& shown) const;  // -1 where it is no longer listed as it was
  TAppItem* SelectedEntry();
  static std::shared_ptr<TAppItem> Snapshot(const TAppItem& entry);
  // The entry as the list shows it at index, or selected; null when there is none.
  std::shared_ptr<const TAppItem> ShownEntry(int index) const;
  std::shared_ptr<const TAppItem> SelectedShown() const;
  bool StillListed(const TAppItem& shown) const;
  void EnableShown(const TAppItem& shown);
  void DisableShown(const TAppItem& shown);

  Platform& platform_;
  TAppList& apps_;
  MainView& view_;
  ProgramValues values_;
  // What the list view shows, one copy per item: the actions act on these copies, taken when
  // the user acted, never on whatever is selected or listed when they run.
  // What arrives of the files later goes into these copies too.
  std::vector<std::shared_ptr<TAppItem>> shownEntries_;
  std::shared_ptr<const TAppItem> selectedShown_;
  std::string storeProblemsShown_;
  // The Store apps' and the Task Scheduler's tasks as the last reading found them.
  TaskReader taskReader_;
  TAppList knownTasks_;
  std::string taskProblemsShown_;

  // The reading of the listed entries' files.
  std::unique_ptr<FileReader> reader_;
  std::vector<std::string> rowFiles_;                             // per row: its ProgramFile
  std::vector<signed char> rowIcons_;                             // per row: -1 not read yet, 0 none, 1 one
  std::vector<char> rowStrings_;                                  // per row: version strings put (or kept)
  std::vector<signed char> rowMarks_;                             // per row: the mark the list shows
  std::unordered_map<std::string, std::vector<int>> rowsOfFile_;  // the rows each file starts
  std::unordered_set<std::string> filesToCome_;
  std::unordered_set<std::string> checksToCome_;  // files whose signature is still to come
  // The signature of each file checked, kept from one refresh to the next for the files still
  // listed: a row shows its file's last mark until the file has been checked again.
  std::unordered_map<std::string, SignatureCheck> fileSignatures_;
  // The signature the details show for the selected entry; none while it is being checked.
  std::optional<SignatureCheck> shownSignature_;
  int indexedRows_ = 0;  // rows from the first whose ImageIndex is known
  int iconsBefore_ = 0;  // the icons among those rows
  // The image of each file read, kept from one refresh to the next: a row shows its file's
  // last icon until the file has been read again.
  std::unordered_map<std::string, int> fileImages_;
  // Icons read but not in IconList yet (no row of their file drawn since): adding an icon to
  // an image list costs about as much as reading it, so only the rows seen pay for that. At
  // most kHeldIcons are held; beyond that they go into IconList as they arrive.
  std::unordered_map<std::string, std::unique_ptr<Icon>> fileIcons_;
  static constexpr size_t kHeldIcons = 1024;
};

}  // namespace kw
