#pragma once
// The Task Scheduler's registered tasks: each with its path, its definition as the Task
// Scheduler's XML, and what the service keeps beside it. Paths are "\Folder\Name", as the
// service names them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

struct ScheduledTask {
  std::string path;
  std::string xml;           // the definition (UTF-16 with its byte-order mark, or UTF-8)
  bool enabled = false;
  std::string lastRunTime;   // "YYYY-MM-DD HH:MM" local time; empty when it never ran
  std::int32_t lastResult = 0;
};

enum class TaskChange { Done, Denied, Missing, Failed };

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;
  // Every task of every folder, hidden ones included, folder by folder from the root. Empty
  // when the service cannot be reached; problem then says why.
  virtual std::vector<ScheduledTask> Tasks(std::string& problem) = 0;
  // One task as it is now; nullopt when there is none at that path.
  virtual std::optional<ScheduledTask> Task(std::string_view path) = 0;
  // The task's Enabled flag, as schtasks /Change /ENABLE or /DISABLE sets it.
  virtual TaskChange SetEnabled(std::string_view path, bool enabled) = 0;
  virtual TaskChange Delete(std::string_view path) = 0;
};

}  // namespace kw
