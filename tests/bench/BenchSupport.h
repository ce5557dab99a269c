#pragma once
// What the benchmarks share: a clock, a table of results with per-entry costs and growth
// factors, and a main-window view without a window.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/unitMain.h"
#include "platform/memory/MemoryRichTextPane.h"

namespace kw::bench {

// Milliseconds that fn takes once.
inline double TimeMs(const std::function<void()>& fn) {
  const auto start = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The median of several timed runs; prepare runs before each, untimed. At least minRuns, then
// more while they took less than half a second in all (short measurements are noisy).
inline double MedianMs(int minRuns, const std::function<void()>& fn, const std::function<void()>& prepare = {}) {
  std::vector<double> times;
  double spent = 0;
  while (static_cast<int>(times.size()) < minRuns || (spent < 500 && times.size() < 51)) {
    if (prepare) prepare();
    times.push_back(TimeMs(fn));
    spent += times.back();
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Rows of (measurement, entries, total time). A row whose measurement also ran with a tenth
// of its entries shows the growth factor from that run to this one.
class ResultTable {
 public:
  void Add(std::string what, int entries, double totalMs) { rows_.push_back(Row{std::move(what), entries, totalMs}); }
  void Note(std::string text) { notes_.push_back(std::move(text)); }

  // Growth factors above limit are marked.
  void Print(const std::string& title, double limit) const {
    std::printf("\n%s\n", title.c_str());
    std::printf("%-50s %8s %12s %14s %10s\n", "measurement", "entries", "total ms", "per entry us", "x10 growth");
    for (const Row& row : rows_) {
      std::string growth;
      for (const Row& smaller : rows_)
        if (smaller.what == row.what && smaller.entries * 10 == row.entries && smaller.ms > 0) {
          char text[32];
          const double factor = row.ms / smaller.ms;
          std::snprintf(text, sizeof text, "%.1f%s", factor, factor > limit ? " !" : "");
          growth = text;
        }
      std::printf("%-50s %8d %12.2f %14.2f %10s\n", row.what.c_str(), row.entries, row.ms,
                  row.entries ? row.ms * 1000.0 / row.entries : 0.0, growth.c_str());
    }
    for (const std::string& note : notes_) std::printf("  %s\n", note.c_str());
  }

 private:
  struct Row {
    std::string what;
    int entries;
    double ms;
  };
  std::vector<Row> rows_;
  std::vector<std::string> notes_;
};

// The main window's view without a window: the list is a vector, the details pane records
// its text, the icon list is whichever image list the platform has.
class HeadlessView : public MainView {
 public:
  struct Item {
    std::string caption;
    bool checked;
    int image;
  };

  explicit HeadlessView(ImageList& images) : images_(images) {}

  TfrmMain* form = nullptr;  // receives the selection event
  std::vector<Item> items;
  std::string status;

  RichTextPane& Display() override { return display_; }
  ImageList& IconList() override { return images_; }
  void SetStatus(const std::string& text) override { status = text; }
  void SetBusy(bool) override {}
  int SelectedIndex() override { return selected_; }
  int ItemCount() override { return static_cast<int>(items.size()); }
  std::string ItemCaption(int index) override { return items.at(static_cast<size_t>(index)).caption; }
  void ClearItems() override {
    items.clear();
    selected_ = -1;
  }
  void AddItem(const std::string& caption, bool checked) override { items.push_back(Item{caption, checked, -1}); }
  // Every item counts as drawn, so each icon goes into the image list as it did before.
  void RedrawItems(int first, int last) override {
    for (int i = first; form && i <= last; ++i) items.at(static_cast<size_t>(i)).image = form->RowImage(i);
  }
  void SelectItem(int index) override {
    selected_ = index;
    if (form) form->lvAppsSelectItem(index, true);
  }
  void RunAfterNotification(std::function<void()> action) override { action(); }
  bool ShowAddDialog() override { return false; }
  void ShowAboutDialog() override {}
  void ProcessPendingMessages() override {}
  std::uintptr_t WindowHandle() override { return 0; }
  void Close() override {}

 private:
  ImageList& images_;
  MemoryRichTextPane display_;
  int selected_ = -1;
};

}  // namespace kw::bench
