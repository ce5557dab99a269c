#pragma once
// The Store apps' startup tasks and the Task Scheduler's logon tasks, listed on a thread of
// their own: reading every package's manifest takes about a millisecond a package, and
// enumerating a machine's hundreds of scheduled tasks over COM takes longer, so the window
// lists what it knows at once and takes the tasks when they have been read.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "entries/unitAppList.h"

namespace kw {

class TaskReader {
 public:
  explicit TaskReader(Platform& platform) : platform_(platform) {}
  ~TaskReader();  // waits for a scan under way
  TaskReader(const TaskReader&) = delete;
  TaskReader& operator=(const TaskReader&) = delete;

  struct Result {
    TAppList tasks;        // as ScanStoreApps and ScanScheduledTasks list them, without version strings
    std::string problems;  // their texts, or why the scan failed
  };
  // Starts a scan, after the one under way (whose result is dropped) has ended; arrived is
  // called on the scan's thread once the result waits to be taken.
  void Start(std::function<void()> arrived);
  // The result of the last scan once it has ended; null before that, and after it was taken.
  std::unique_ptr<Result> Take();
  // Whether a scan was started whose result has not been taken yet.
  bool Pending() const;
  // Waits for a scan under way to end.
  void Join();

 private:

  Platform& platform_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::unique_ptr<Result> result_;
  bool pending_ = false;
};

}  // namespace kw
