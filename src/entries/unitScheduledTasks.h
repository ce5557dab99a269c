#pragma once
// Task Scheduler tasks that start a program when the user logs on (or when Windows starts).
// Each is listed by its name, explained from its definition, and switched with its own
// Enabled flag, as schtasks /Change does; it never moves into the store.
#include <string>
#include <string_view>
#include <vector>

#include "entries/unitAppList.h"

namespace kw {

struct TaskTrigger {
  enum Kind { Logon, Boot, Other } kind = Other;
  std::string userId;  // a logon trigger's user; empty for any user
  std::string delay;   // an ISO 8601 duration ("PT30S"), empty for none
  bool enabled = true;
};

struct TaskAction {
  bool exec = false;  // a program; otherwise a COM handler, which no command line starts
  std::string command, arguments, workingDirectory;
  std::string classId;  // a COM handler's
};

struct TaskDefinition {
  std::string author;
  std::string userId;    // the principal the task runs as
  bool highest = false;  // runs with highest privileges
  bool hidden = false;
  std::vector<TaskTrigger> triggers;
  std::vector<TaskAction> actions;
};

// Reads a task's definition in the Task Scheduler's schema. Empty when read; else why not.
std::string ReadTaskDefinition(std::string_view xml, TaskDefinition& definition);
// "30 s", "1 min", "1 h 30 min", "2 days" for an ISO 8601 duration; the text itself when it is
// not one.
std::string DurationText(std::string_view duration);
// "at logon of any user", "at logon of CORP\ann", "when Windows starts", each with ", after a
// 30 s delay" where it waits, and " (trigger disabled)" where it is switched off.
std::string TriggerText(const TaskTrigger& trigger);
// Whether the task starts a program when this user logs on or Windows starts: an enabled
// logon trigger for any user or for userName ("DOMAIN\user", or a bare user name), or an
// enabled boot trigger, and a program among its actions.
bool StartsAtLogon(const TaskDefinition& definition, std::string_view userName);

// Appends one entry (origin orScheduledTask) for each task that StartsAtLogon, those outside
// \Microsoft\Windows\ first, each group in the service's order. Returns what could not be
// read, for the user (the service out of reach, a definition that is not well-formed): empty
// when everything could be read. No program file is read.
std::string ScanScheduledTasks(TAppList& list, Platform& platform);
// Appends copies of tasks an earlier ScanScheduledTasks listed (other entries of known are
// skipped), each with its Enabled flag as it is now; a task that is gone is left out.
void AppendKnownScheduledTasks(TAppList& list, const TAppList& known, Platform& platform);

bool IsScheduledTask(const TAppItem& entry);
// What the details say of a task, label and text a line.
std::vector<std::pair<std::string, std::string>> ScheduledTaskLines(const TAppItem& entry);
// The task's definition now compared with the one listed (by a digest of its XML): false
// when the task is gone or was changed, or its Enabled flag differs from the listed one.
bool ScheduledTaskUnchanged(const TAppItem& entry, Platform& platform);

}  // namespace kw
