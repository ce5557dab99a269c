#pragma once
// An in-memory main window for the tests of TfrmMain: a list view that raises the same
// events the real one does, a recording details pane and status line.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <functional>
#include <string>
#include <vector>

#include "app/unitMain.h"
#include "platform/memory/MemoryIcons.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/MemoryRichTextPane.h"

namespace kw::testing {

class MemoryMainView : public MainView {
 public:
  struct Item {
    std::string caption;
    bool checked = false;
    int image = -1;
    bool selected = false;
    int mark = 0;  // of the program's signature
  };

  TfrmMain* form = nullptr;  // receives the list view's events
  MemoryRichTextPane display;
  MemoryImageList icons;
  std::string status;
  std::vector<Item> items;
  std::deque<std::function<void()>> pending;
  bool busy = false;
  int busyChanges = 0;
  bool addDialogResult = false;
  int addDialogShown = 0, aboutShown = 0, closed = 0;
  std::vector<std::string> events;  // what the list view reported, for guard tests

  RichTextPane& Display() override { return display; }
  ImageList& IconList() override { return icons; }
  void SetStatus(const std::string& text) override { status = text; }
  void SetBusy(bool value) override {
    busy = value;
    ++busyChanges;
  }
  int SelectedIndex() override {
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].selected) return static_cast<int>(i);
    return -1;
  }
  int ItemCount() override { return static_cast<int>(items.size()); }
  std::string ItemCaption(int index) override { return items.at(static_cast<size_t>(index)).caption; }
  void ClearItems() override { items.clear(); }
  void AddItem(const std::string& caption, bool checked) override {
    // A new item starts unticked; ticking it is a state change the list view reports.
    items.push_back(Item{caption, false, -1, false, 0});
    const int index = static_cast<int>(items.size()) - 1;
    SetChecked(index, checked);
  }
  // The items in view (all by default) are drawn when the list is complete and when their
  // image changes.
  void EndListUpdate() override { RedrawItems(0, ItemCount() - 1); }
  void RedrawItems(int first, int last) override {
    const auto [top, count] = VisibleItems();
    for (int i = std::max(first, top); form && i <= last && i < top + count; ++i)
      items.at(static_cast<size_t>(i)).image = form->RowImage(i);
  }
  void SetItemMark(int index, int mark) override { items.at(static_cast<size_t>(index)).mark = mark; }
  std::pair<int, int> VisibleItems() override { return visible.first >= 0 ? visible : MainView::VisibleItems(); }

  // With background set, files are read on a thread of its own, which waits until the test
  // opens the gate; ArrivedOnce has the form take what it signalled.
  bool background = false;
  std::pair<int, int> visible{-1, 0};  // the rows in view; all by default
  bool ReadsInBackground() override { return background; }
  // The tasks are read at once unless backgroundTasks is set: the in-memory platform is
  // not for two threads, so a test that sets it changes nothing while they are read.
  bool backgroundTasks = false;
  bool ReadsTasksInBackground() override { return backgroundTasks; }
  std::shared_ptr<void> PrepareReaderThread() override {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return gateOpen_; });
    return nullptr;
  }
  void FilesReadSignal() override {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++signals_;
    changed_.notify_all();
  }
  void OpenGate() {
    const std::lock_guard<std::mutex> lock(mutex_);
    gateOpen_ = true;
    changed_.notify_all();
  }
  // Waits (at most ten seconds) for a signal not yet handled, then lets the form take it.
  bool ArrivedOnce() {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!changed_.wait_for(lock, std::chrono::seconds(10), [this] { return signals_ > 0; })) return false;
      --signals_;
    }
    form->FilesArrived();
    return true;
  }
  bool AllArrived() {
    while (form->FilesStillToRead() > 0)
      if (!ArrivedOnce()) return false;
    return true;
  }

  // Selecting is a state change too; the check box stays as it is.
  void SelectItem(int index) override {
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].selected && static_cast<int>(i) != index) {
        Changing(static_cast<int>(i));
        items[i].selected = false;
        Changed(static_cast<int>(i), false);
      }
    }
    Changing(index);
    const bool wasSelected = items[static_cast<size_t>(index)].selected;
    items[static_cast<size_t>(index)].selected = true;
    Changed(index, !wasSelected);
  }
  void RunAfterNotification(std::function<void()> action) override { pending.push_back(std::move(action)); }
  bool ShowAddDialog() override {
    ++addDialogShown;
    return addDialogResult;
  }
  void ShowAboutDialog() override { ++aboutShown; }
  void ProcessPendingMessages() override { RunPending(); }
  std::uintptr_t WindowHandle() override { return 0x1234; }
  void Close() override { ++closed; }

  // A click on an item's check box, as the user makes it, then the message loop.
  void ClickCheckBox(int index) {
    SetChecked(index, !items.at(static_cast<size_t>(index)).checked);
    RunPending();
  }
  void RunPending() {
    while (!pending.empty()) {
      auto action = std::move(pending.front());
      pending.pop_front();
      action();
    }
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const Item& item : items) captions.push_back(item.caption);
    return captions;
  }
  std::vector<int> Marks() const {
    std::vector<int> marks;
    for (const Item& item : items) marks.push_back(item.mark);
    return marks;
  }
  std::string DetailsText() const {
    std::string text;
    for (size_t i = 0; i < display.lines.size(); ++i) text += display.Text(i) + "\n";
    return text;
  }
  std::vector<bool> Checks() const {
    std::vector<bool> checks;
    for (const Item& item : items) checks.push_back(item.checked);
    return checks;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gateOpen_ = false;
  int signals_ = 0;

  void SetChecked(int index, bool checked) {
    Changing(index);
    items.at(static_cast<size_t>(index)).checked = checked;
    Changed(index, false);
  }
  void Changing(int index) {
    if (form) form->lvAppsChanging(index, items.at(static_cast<size_t>(index)).checked);
  }
  void Changed(int index, bool becameSelected) {
    if (!form) return;
    events.push_back(std::to_string(index));
    form->lvAppsChange(index, true, items.at(static_cast<size_t>(index)).checked);
    if (becameSelected) form->lvAppsSelectItem(index, true);
  }
};

inline const std::string kTestProgramFolder = "C:\\Program Files\\Kelderwick\\";
inline const std::string kTestUserStartup = "C:\\users\\me\\Start Menu\\Programs\\Startup";
inline const std::string kTestCommonStartup = "C:\\ProgramData\\Start Menu\\Programs\\StartUp";

// Both Startup folders, empty.
inline void AddStartupFolders(MemoryPlatform& sys) {
  sys.folders.folders[kCsidlStartup] = kTestUserStartup;
  sys.folders.folders[kCsidlCommonStartup] = kTestCommonStartup;
  sys.files.AddDirectory(kTestUserStartup);
  sys.files.AddDirectory(kTestCommonStartup);
}

// The main window's behaviour on the in-memory platform: the program's folder with both
// welcome texts, both Startup folders (empty), and the form started on an in-memory view.
// No message box may be shown while a machine-wide lock is held.
class MainFormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.environment.executablePath = kTestProgramFolder + "Kelderwick.exe";
    sys.files.AddFile(kTestProgramFolder + "welcome.rtf", "{\\rtf1 Welcome}");
    sys.files.AddFile(kTestProgramFolder + "welcome_rus.rtf", "{\\rtf1 Russian welcome}");
    AddStartupFolders(sys);
  }
  void TearDown() override { EXPECT_EQ(sys.messages.shownWhileLocked, std::vector<std::string>{}); }
  void Start(ProgramValues values) {
    form = std::make_unique<TfrmMain>(platform, apps, view, std::move(values));
    view.form = form.get();
    form->FormCreate();
  }
  void Start() { Start(ReadProgramValues(platform)); }

  // Another copy of the program on the same machine: its own list and window.
  struct Copy {
    TAppList apps;
    MemoryMainView view;
    std::unique_ptr<TfrmMain> form;
  };
  std::unique_ptr<Copy> StartAnotherCopy() {
    auto copy = std::make_unique<Copy>();
    copy->form = std::make_unique<TfrmMain>(platform, copy->apps, copy->view, ReadProgramValues(platform));
    copy->view.form = copy->form.get();
    copy->form->FormCreate();
    return copy;
  }

  MemoryPlatform sys;
  Platform platform = sys.platform();
  TAppList apps;
  MemoryMainView view;
  std::unique_ptr<TfrmMain> form;
};

}  // namespace kw::testing
