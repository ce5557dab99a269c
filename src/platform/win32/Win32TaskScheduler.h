#pragma once
#include "platform/TaskScheduler.h"

namespace kw::win32 {

// The Task Scheduler 2.0 service over COM (ITaskService), connected anew for each call on the
// calling thread, which gets a COM apartment for the call where it has none.
class Win32TaskScheduler : public TaskScheduler {
 public:
  std::vector<ScheduledTask> Tasks(std::string& problem) override;
  std::optional<ScheduledTask> Task(std::string_view path) override;
  TaskChange SetEnabled(std::string_view path, bool enabled) override;
  TaskChange Delete(std::string_view path) override;
};

}  // namespace kw::win32
