#include "entries/unitScheduledTasks.h"

#include <cstdio>

#include "entries/unitSysWorks.h"
#include "platform/Sha256.h"
#include "platform/XmlReader.h"
#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

constexpr std::string_view kTaskNamespace = "http://schemas.microsoft.com/windows/2004/02/mit/task";
constexpr std::string_view kWindowsFolder = "\\Microsoft\\Windows\\";

bool IsTrue(const std::string& text) { return Trim(text) == "true" || Trim(text) == "1"; }

// Collects a definition element by element; elements of other namespaces count as unknown,
// and so does everything inside them.
class DefinitionHandler : public XmlHandler {
 public:
  explicit DefinitionHandler(TaskDefinition& definition) : definition_(definition) {}

  void StartElement(const std::string& namespaceUri, const std::string& name,
                    const std::vector<XmlAttribute>&) override {
    const bool known = (path_.empty() || path_.back() != "?") && namespaceUri == kTaskNamespace;
    path_.push_back(known ? name : "?");
    text_.clear();
    if (Under("Task", "Triggers") && path_.size() == 3) {
      TaskTrigger& trigger = definition_.triggers.emplace_back();
      trigger.kind = name == "LogonTrigger" ? TaskTrigger::Logon : name == "BootTrigger" ? TaskTrigger::Boot : TaskTrigger::Other;
    } else if (Under("Task", "Actions") && path_.size() == 3) {
      TaskAction& action = definition_.actions.emplace_back();
      action.exec = name == "Exec";
    }
  }
  void EndElement() override {
    const std::string text = Trim(text_);
    if (path_.size() == 3 && Under("Task", "RegistrationInfo") && path_[2] == "Author") definition_.author = text;
    if (path_.size() == 3 && Under("Task", "Settings") && path_[2] == "Hidden") definition_.hidden = IsTrue(text);
    if (path_.size() == 4 && Under("Task", "Principals") && path_[2] == "Principal") {
      if (path_[3] == "UserId") definition_.userId = text;
      if (path_[3] == "RunLevel") definition_.highest = text == "HighestAvailable";
    }
    if (path_.size() == 4 && Under("Task", "Triggers") && !definition_.triggers.empty()) {
      TaskTrigger& trigger = definition_.triggers.back();
      if (path_[3] == "UserId") trigger.userId = text;
      if (path_[3] == "Delay") trigger.delay = text;
      if (path_[3] == "Enabled") trigger.enabled = IsTrue(text);
    }
    if (path_.size() == 4 && Under("Task", "Actions") && !definition_.actions.empty()) {
      TaskAction& action = definition_.actions.back();
      if (path_[3] == "Command") action.command = text;
      if (path_[3] == "Arguments") action.arguments = text;
      if (path_[3] == "WorkingDirectory") action.workingDirectory = text;
      if (path_[3] == "ClassId") action.classId = text;
    }
    if (path_.size() == 1 && path_[0] == "Task") root_ = true;
    path_.pop_back();
    text_.clear();
  }
  void Text(std::string_view text) override {
    if (text_.size() < 32768) text_ += text;
  }
  bool SawTask() const { return root_; }

 private:
  bool Under(const char* first, const char* second) const {
    return path_.size() >= 2 && path_[0] == first && path_[1] == second;
  }

  TaskDefinition& definition_;
  std::vector<std::string> path_;
  std::string text_;
  bool root_ = false;
};

std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == 0 || slash == std::string::npos ? "\\" : path.substr(0, slash);
}

std::string Digest(const ScheduledTask& task) { return ToHex(Sha256(task.xml), 16); }

bool SameUser(std::string_view trigger, std::string_view user) {
  if (SameText(trigger, user)) return true;
  // A bare name on either side compares with the name part of the other.
  const auto bare = [](std::string_view name) { return name.substr(name.rfind('\\') + 1); };
  const bool triggerBare = trigger.find('\\') == std::string_view::npos, userBare = user.find('\\') == std::string_view::npos;
  return (triggerBare || userBare) && SameText(bare(trigger), bare(user));
}

std::string ResultText(std::int32_t result) {
  if (result == 0) return "completed (0x0)";
  if (result == 0x41303) return "has not run yet";
  if (result == 0x41301) return "running now";
  char text[32];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return std::string("failed (") + text + ")";
}

}  // namespace

std::string ReadTaskDefinition(std::string_view xml, TaskDefinition& definition) {
  definition = TaskDefinition();
  DefinitionHandler handler(definition);
  std::string problem = ReadXml(xml, handler, XmlLimits{4u << 20, 32});
  if (problem.empty() && !handler.SawTask()) problem = "it is not a task definition";
  if (!problem.empty()) definition = TaskDefinition();
  return problem;
}

std::string DurationText(std::string_view duration) {
  // P[nD][T[nH][nM][nS]]
  if (duration.size() < 2 || duration[0] != 'P') return std::string(duration);
  std::string text;
  bool time = false;
  std::string number;
  for (size_t i = 1; i < duration.size(); ++i) {
    const char c = duration[i];
    if (c == 'T') {
      time = true;
    } else if ((c >= '0' && c <= '9') || c == '.') {
      number += c;
    } else {
      if (number.empty()) return std::string(duration);
      const char* unit = c == 'D' && !time ? (number == "1" ? " day" : " days")
                         : c == 'H' && time ? " h"
                         : c == 'M' && time ? " min"
                         : c == 'S' && time ? " s"
                         : c == 'Y' && !time ? (number == "1" ? " year" : " years")
                         : c == 'M' ? (number == "1" ? " month" : " months")
                                    : nullptr;
      if (!unit) return std::string(duration);
      text += (text.empty() ? "" : " ") + number + unit;
      number.clear();
    }
  }
  return number.empty() && !text.empty() ? text : std::string(duration);
}

std::string TriggerText(const TaskTrigger& trigger) {
  std::string text = trigger.kind == TaskTrigger::Boot    ? "when Windows starts"
                     : trigger.kind == TaskTrigger::Logon ? "at logon of " + (trigger.userId.empty() ? std::string("any user") : trigger.userId)
                                                          : "on another schedule";
  if (!trigger.delay.empty()) text += ", after a " + DurationText(trigger.delay) + " delay";
  if (!trigger.enabled) text += " (trigger disabled)";
  return text;
}

bool StartsAtLogon(const TaskDefinition& definition, std::string_view userName) {
  bool starts = false, program = false;
  for (const TaskTrigger& trigger : definition.triggers)
    if (trigger.enabled && (trigger.kind == TaskTrigger::Boot ||
                            (trigger.kind == TaskTrigger::Logon && (trigger.userId.empty() || SameUser(trigger.userId, userName)))))
      starts = true;
  for (const TaskAction& action : definition.actions) program = program || (action.exec && !action.command.empty());
  return starts && program;
}

namespace {

void FillEntry(TAppItem& entry, const ScheduledTask& task, const TaskDefinition& definition, Platform& platform) {
  const TaskAction* program = nullptr;
  std::string others;
  for (const TaskAction& action : definition.actions) {
    if (!program && action.exec && !action.command.empty()) {
      program = &action;
      continue;
    }
    others += (others.empty() ? "" : "; ") +
              (action.exec ? LinkCommandLine(action.command, action.arguments)
                           : "COM handler " + action.classId + " (not a program: it runs inside the Task Scheduler)");
  }
  std::string command = program->command;
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') command = command.substr(1, command.size() - 2);
  entry.SetCaption(NameOf(task.path));
  entry.SetOrigin(orScheduledTask);
  entry.SetEnabled(true);  // in its place; its Enabled flag says whether it starts
  SetOptionString(entry, keys::CommandLine, LinkCommandLine(command, program->arguments));
  entry.SetFullPath(command);
  entry.SetArguments(program->arguments.empty() ? "" : " " + program->arguments);
  const std::string expanded = platform.environment.ExpandStrings(command);
  if (expanded != command) SetOptionString(entry, keys::ExpandedPath, expanded);
  SetOptionString(entry, keys::WorkingDirectory, program->workingDirectory);
  SetOptionString(entry, keys::TaskPath, task.path);
  SetOptionString(entry, keys::TaskAuthor, definition.author);
  std::string triggers;
  for (const TaskTrigger& trigger : definition.triggers)
    if (trigger.kind != TaskTrigger::Other) triggers += (triggers.empty() ? "" : "; ") + TriggerText(trigger);
  SetOptionString(entry, keys::TaskTriggers, triggers);
  SetOptionString(entry, keys::TaskActions, others);
  SetOptionBool(entry, keys::TaskHighest, definition.highest);
  SetOptionBool(entry, keys::TaskHidden, definition.hidden);
  SetOptionBool(entry, keys::TaskWindows, task.path.rfind(kWindowsFolder, 0) == 0);
  SetOptionString(entry, keys::TaskLastRun,
                  task.lastRunTime.empty() ? "never" : task.lastRunTime + ", " + ResultText(task.lastResult));
  SetOptionString(entry, keys::TaskDigest, Digest(task));
  SetOptionString(entry, keys::WindowsOff, task.enabled ? "" : "TRUE");
}

}  // namespace

std::string ScanScheduledTasks(TAppList& list, Platform& platform) {
  std::string problem;
  const std::vector<ScheduledTask> tasks = platform.tasks.Tasks(problem);
  const std::string user = platform.environment.UserName();
  std::vector<std::string> problems;
  if (!problem.empty()) problems.push_back(problem);
  // Windows' own tasks after the others.
  for (const bool windows : {false, true})
    for (const ScheduledTask& task : tasks) {
      if ((task.path.rfind(kWindowsFolder, 0) == 0) != windows) continue;
      TaskDefinition definition;
      if (const std::string bad = ReadTaskDefinition(task.xml, definition); !bad.empty()) {
        problems.push_back("'" + task.path + "': " + bad + ".");
        continue;
      }
      if (StartsAtLogon(definition, user)) FillEntry(list.Add(), task, definition, platform);
    }
  if (problems.empty()) return {};
  std::string text = "Some scheduled tasks cannot be read:";
  for (const std::string& line : problems) text += "\n" + line;
  return text;
}

void AppendKnownScheduledTasks(TAppList& list, const TAppList& known, Platform& platform) {
  for (int i = 0; i < known.Count(); ++i) {
    const auto& task = dynamic_cast<const TAppItem&>(known.Item(i));
    if (!IsScheduledTask(task)) continue;
    const auto now = platform.tasks.Task(GetOptionString(task, keys::TaskPath));
    if (!now) continue;  // deleted since
    TAppItem& entry = list.Add();
    entry.Assign(task);
    SetOptionString(entry, keys::WindowsOff, now->enabled ? "" : "TRUE");
  }
}

bool IsScheduledTask(const TAppItem& entry) {
  return GetOptionString(entry, keys::Origin) == std::to_string(orScheduledTask);
}

std::vector<std::pair<std::string, std::string>> ScheduledTaskLines(const TAppItem& entry) {
  std::vector<std::pair<std::string, std::string>> lines;
  const std::string path = GetOptionString(entry, keys::TaskPath);
  const auto value = [&](const char* key, const char* fallback) {
    const std::string text = GetOptionString(entry, key);
    return text.empty() ? std::string(fallback) : text;
  };
  lines.emplace_back("Task", path);
  lines.emplace_back("Folder", FolderOf(path));
  lines.emplace_back("Author", value(keys::TaskAuthor, "not given"));
  lines.emplace_back("Starts", value(keys::TaskTriggers, "unknown"));
  lines.emplace_back("Command line", entry.CommandLine());
  lines.emplace_back("Working folder", value(keys::WorkingDirectory, "not given"));
  if (!GetOptionString(entry, keys::TaskActions).empty()) lines.emplace_back("Also runs", GetOptionString(entry, keys::TaskActions));
  if (GetOptionBool(entry, keys::TaskHighest)) lines.emplace_back("Privileges", "runs with highest privileges");
  if (GetOptionBool(entry, keys::TaskHidden)) lines.emplace_back("Hidden", "the Task Scheduler's window does not show it unless asked to");
  if (GetOptionBool(entry, keys::TaskWindows))
    lines.emplace_back("Windows' own", "a task of Windows itself (under \\Microsoft\\Windows\\); switch it off only if you know what it does");
  lines.emplace_back("Last run", value(keys::TaskLastRun, "never"));
  lines.emplace_back("State", GetOptionBool(entry, keys::WindowsOff) ? "disabled in the Task Scheduler" : "enabled");
  return lines;
}

bool ScheduledTaskUnchanged(const TAppItem& entry, Platform& platform) {
  const auto now = platform.tasks.Task(GetOptionString(entry, keys::TaskPath));
  return now && Digest(*now) == GetOptionString(entry, keys::TaskDigest) &&
         now->enabled == !GetOptionBool(entry, keys::WindowsOff);
}

}  // namespace kw
