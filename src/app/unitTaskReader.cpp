#include "app/unitTaskReader.h"

#include <exception>

#include "entries/unitScheduledTasks.h"
#include "entries/unitStoreApps.h"

namespace kw {

TaskReader::~TaskReader() { Join(); }

void TaskReader::Join() {
  if (thread_.joinable()) thread_.join();
}

void TaskReader::Start(std::function<void()> arrived) {
  Join();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    result_.reset();
    pending_ = true;
  }
  thread_ = std::thread([this, arrived = std::move(arrived)] {
    // Nothing may escape the thread: a failure becomes the result's text.
    auto result = std::make_unique<Result>();
    try {
      result->problems = ScanStoreApps(result->tasks, platform_);
      const std::string taskProblems = ScanScheduledTasks(result->tasks, platform_);
      if (!taskProblems.empty()) result->problems += (result->problems.empty() ? "" : "\n\n") + taskProblems;
    } catch (const std::exception& error) {
      result->tasks.Clear();
      result->problems = std::string("The Store apps' startup tasks cannot be listed: ") + error.what();
    } catch (...) {
      result->tasks.Clear();
      result->problems = "The Store apps' startup tasks cannot be listed.";
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      result_ = std::move(result);
    }
    if (arrived) arrived();
  });
}

std::unique_ptr<TaskReader::Result> TaskReader::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (result_) pending_ = false;
  return std::move(result_);
}

bool TaskReader::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_;
}

}  // namespace kw
