#pragma once
// Registered tasks in memory, by path; tasks listed as deniedPaths cannot be changed.
#include <map>
#include <set>

#include "platform/TaskScheduler.h"
#include "util/unitStrUtils.h"

namespace kw {

class MemoryTaskScheduler : public TaskScheduler {
 public:
  std::vector<ScheduledTask> Tasks(std::string& problem) override {
    problem = unreachable;
    std::vector<ScheduledTask> all;
    if (unreachable.empty())
      for (const auto& [key, task] : tasks) all.push_back(task);
    return all;
  }
  std::optional<ScheduledTask> Task(std::string_view path) override {
    const auto found = tasks.find(FoldCase(path));
    if (found == tasks.end()) return std::nullopt;
    return found->second;
  }
  TaskChange SetEnabled(std::string_view path, bool enabled) override {
    const auto found = tasks.find(FoldCase(path));
    if (found == tasks.end()) return TaskChange::Missing;
    if (denied.count(FoldCase(path))) return TaskChange::Denied;
    found->second.enabled = enabled;
    return TaskChange::Done;
  }
  TaskChange Delete(std::string_view path) override {
    const auto found = tasks.find(FoldCase(path));
    if (found == tasks.end()) return TaskChange::Missing;
    if (denied.count(FoldCase(path))) return TaskChange::Denied;
    tasks.erase(found);
    return TaskChange::Done;
  }

  void Add(const ScheduledTask& task) { tasks[FoldCase(task.path)] = task; }
  // Folders first, as the service lists them: sorted by path, which puts "\A" before "\A\B".
  std::map<std::string, ScheduledTask> tasks;
  std::set<std::string> denied;  // folded paths
  std::string unreachable;       // non-empty: the service cannot be reached
};

}  // namespace kw
