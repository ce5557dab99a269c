#pragma once
// Task definitions in the Task Scheduler's schema, shaped as Windows writes them (schtasks
// /Query /XML), for the tests and the benchmark: each with what it must come to.
#include <string>
#include <vector>

#include "platform/TaskScheduler.h"

namespace kw::testing {

// A definition with the given triggers and actions (inner XML of <Triggers> and <Actions>),
// principal and settings.
inline std::string TaskXml(const std::string& triggers, const std::string& actions, const std::string& author = "Tessaly Works",
                           const std::string& principal = "<UserId>S-1-5-18</UserId><RunLevel>LeastPrivilege</RunLevel>",
                           bool hidden = false) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <RegistrationInfo>\r\n    <Date>2024-03-01T09:12:44</Date>\r\n    <Author>" + author +
         "</Author>\r\n    <URI>\\Task</URI>\r\n  </RegistrationInfo>\r\n"
         "  <Triggers>\r\n" + triggers + "  </Triggers>\r\n"
         "  <Principals>\r\n    <Principal id=\"Author\">" + principal + "</Principal>\r\n  </Principals>\r\n"
         "  <Settings>\r\n    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
         "    <DisallowStartIfOnBatteries>true</DisallowStartIfOnBatteries>\r\n"
         "    <Hidden>" + std::string(hidden ? "true" : "false") + "</Hidden>\r\n"
         "    <ExecutionTimeLimit>PT72H</ExecutionTimeLimit>\r\n    <Priority>7</Priority>\r\n  </Settings>\r\n"
         "  <Actions Context=\"Author\">\r\n" + actions + "  </Actions>\r\n"
         "</Task>\r\n";
}

inline std::string LogonTrigger(const std::string& user = "", const std::string& delay = "", bool enabled = true) {
  return "    <LogonTrigger>\r\n      <Enabled>" + std::string(enabled ? "true" : "false") + "</Enabled>\r\n" +
         (user.empty() ? "" : "      <UserId>" + user + "</UserId>\r\n") +
         (delay.empty() ? "" : "      <Delay>" + delay + "</Delay>\r\n") + "    </LogonTrigger>\r\n";
}
inline std::string BootTrigger() { return "    <BootTrigger>\r\n      <Enabled>true</Enabled>\r\n    </BootTrigger>\r\n"; }
inline std::string DailyTrigger() {
  return "    <CalendarTrigger>\r\n      <StartBoundary>2024-03-01T03:00:00</StartBoundary>\r\n"
         "      <ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>\r\n      </ScheduleByDay>\r\n"
         "    </CalendarTrigger>\r\n";
}
inline std::string ExecAction(const std::string& command, const std::string& arguments = "", const std::string& folder = "") {
  return "    <Exec>\r\n      <Command>" + command + "</Command>\r\n" +
         (arguments.empty() ? "" : "      <Arguments>" + arguments + "</Arguments>\r\n") +
         (folder.empty() ? "" : "      <WorkingDirectory>" + folder + "</WorkingDirectory>\r\n") + "    </Exec>\r\n";
}
inline std::string ComHandlerAction(const std::string& classId) {
  return "    <ComHandler>\r\n      <ClassId>" + classId + "</ClassId>\r\n      <Data><![CDATA[logon]]></Data>\r\n"
         "    </ComHandler>\r\n";
}

// The definition as the Task Scheduler hands it out: UTF-16 with its byte-order mark.
inline std::string AsUtf16(std::string ascii) {
  if (const size_t at = ascii.find("UTF-8"); at != std::string::npos) ascii.replace(at, 5, "UTF-16");
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

inline ScheduledTask Task(const std::string& path, const std::string& xml, bool enabled = true) {
  ScheduledTask task;
  task.path = path;
  task.xml = xml;
  task.enabled = enabled;
  task.lastRunTime = "2026-12-08 08:01";
  task.lastResult = 0;
  return task;
}

}  // namespace kw::testing
