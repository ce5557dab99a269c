#include "platform/win32/Win32TaskScheduler.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>

#include <cstdio>

#include "platform/win32/ComApartment.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// CLSID_TaskScheduler, spelled out so that no import library is needed for it.
constexpr CLSID kTaskSchedulerClass = {0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
// The folder walk stops here: no machine nests its tasks this deep, and a loop must end.
constexpr int kMaxFolderDepth = 32;

unique_bstr Bstr(std::string_view text) { return unique_bstr(::SysAllocString(Wide(text).c_str())); }

std::string Text(BSTR text) { return text ? Narrow(std::wstring_view(text, ::SysStringLen(text))) : std::string(); }

// The service, connected to this computer as the calling user; null with the reason.
ComPtr<ITaskService> Connect(std::string& problem) {
  ComPtr<ITaskService> service;
  HRESULT result = ::CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                      service.put_void());
  if (SUCCEEDED(result)) {
    VARIANT none;
    ::VariantInit(&none);
    result = service->Connect(none, none, none, none);
  }
  if (FAILED(result)) {
    char text[96];
    std::snprintf(text, sizeof text, "The Task Scheduler cannot be reached (error 0x%08lX).", static_cast<unsigned long>(result));
    problem = text;
    service.reset();
  }
  return service;
}

TaskChange ChangeOf(HRESULT result) {
  if (SUCCEEDED(result)) return TaskChange::Done;
  if (result == E_ACCESSDENIED) return TaskChange::Denied;
  if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
    return TaskChange::Missing;
  return TaskChange::Failed;
}

ScheduledTask Describe(IRegisteredTask& registered) {
  ScheduledTask task;
  BSTR text = nullptr;
  if (SUCCEEDED(registered.get_Path(&text))) task.path = Text(text);
  unique_bstr path(text);
  text = nullptr;
  // The definition as UTF-16 with its byte-order mark, as its declaration says.
  if (SUCCEEDED(registered.get_Xml(&text)) && text) {
    const unique_bstr xml(text);
    task.xml.assign("\xFF\xFE", 2);
    task.xml.append(reinterpret_cast<const char*>(text), ::SysStringLen(text) * sizeof(wchar_t));
  }
  VARIANT_BOOL enabled = VARIANT_FALSE;
  if (SUCCEEDED(registered.get_Enabled(&enabled))) task.enabled = enabled != VARIANT_FALSE;
  DATE when = 0;
  SYSTEMTIME time{};
  if (SUCCEEDED(registered.get_LastRunTime(&when)) && when > 1 && ::VariantTimeToSystemTime(when, &time)) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
    task.lastRunTime = stamp;
  }
  LONG result = 0;
  if (SUCCEEDED(registered.get_LastTaskResult(&result))) task.lastResult = result;
  return task;
}

VARIANT Index(LONG index) {
  VARIANT item;
  ::VariantInit(&item);
  item.vt = VT_I4;
  item.lVal = index;
  return item;
}

void Walk(ITaskFolder& folder, int depth, std::vector<ScheduledTask>& tasks) {
  ComPtr<IRegisteredTaskCollection> registered;
  LONG count = 0;
  if (SUCCEEDED(folder.GetTasks(TASK_ENUM_HIDDEN, registered.put())) && registered &&
      SUCCEEDED(registered->get_Count(&count)))
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<IRegisteredTask> task;
      if (SUCCEEDED(registered->get_Item(Index(i), task.put())) && task) tasks.push_back(Describe(*task.get()));
    }
  if (depth >= kMaxFolderDepth) return;
  ComPtr<ITaskFolderCollection> folders;
  if (FAILED(folder.GetFolders(0, folders.put())) || !folders || FAILED(folders->get_Count(&count))) return;
  for (LONG i = 1; i <= count; ++i) {
    ComPtr<ITaskFolder> child;
    if (SUCCEEDED(folders->get_Item(Index(i), child.put())) && child) Walk(*child.get(), depth + 1, tasks);
  }
}

ComPtr<ITaskFolder> Folder(ITaskService& service, std::string_view path) {
  ComPtr<ITaskFolder> folder;
  const unique_bstr name = Bstr(path.empty() ? "\\" : path);
  if (FAILED(service.GetFolder(name.get(), folder.put()))) folder.reset();
  return folder;
}

}  // namespace

std::vector<ScheduledTask> Win32TaskScheduler::Tasks(std::string& problem) {
  const ComApartment apartment;
  problem.clear();
  std::vector<ScheduledTask> tasks;
  const ComPtr<ITaskService> service = Connect(problem);
  if (!service) return tasks;
  if (const ComPtr<ITaskFolder> root = Folder(*service.get(), "\\")) Walk(*root.get(), 0, tasks);
  return tasks;
}

std::optional<ScheduledTask> Win32TaskScheduler::Task(std::string_view path) {
  const ComApartment apartment;
  std::string problem;
  const ComPtr<ITaskService> service = Connect(problem);
  const ComPtr<ITaskFolder> root = service ? Folder(*service.get(), "\\") : ComPtr<ITaskFolder>();
  ComPtr<IRegisteredTask> task;
  const unique_bstr name = Bstr(path);
  if (!root || FAILED(root->GetTask(name.get(), task.put())) || !task) return std::nullopt;
  return Describe(*task.get());
}

TaskChange Win32TaskScheduler::SetEnabled(std::string_view path, bool enabled) {
  const ComApartment apartment;
  std::string problem;
  const ComPtr<ITaskService> service = Connect(problem);
  const ComPtr<ITaskFolder> root = service ? Folder(*service.get(), "\\") : ComPtr<ITaskFolder>();
  if (!root) return TaskChange::Failed;
  ComPtr<IRegisteredTask> task;
  const unique_bstr name = Bstr(path);
  const HRESULT found = root->GetTask(name.get(), task.put());
  if (FAILED(found) || !task) return FAILED(found) ? ChangeOf(found) : TaskChange::Missing;
  const TaskChange change = ChangeOf(task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE));
  if (change != TaskChange::Done) return change;
  // Read back from the service: a change it accepted but did not keep is no change.
  ComPtr<IRegisteredTask> now;
  VARIANT_BOOL kept = VARIANT_FALSE;
  if (FAILED(root->GetTask(name.get(), now.put())) || !now || FAILED(now->get_Enabled(&kept))) return TaskChange::Failed;
  return (kept != VARIANT_FALSE) == enabled ? TaskChange::Done : TaskChange::Failed;
}

TaskChange Win32TaskScheduler::Delete(std::string_view path) {
  const ComApartment apartment;
  std::string problem;
  const ComPtr<ITaskService> service = Connect(problem);
  if (!service) return TaskChange::Failed;
  const size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return TaskChange::Missing;
  const ComPtr<ITaskFolder> folder = Folder(*service.get(), slash == 0 ? "\\" : path.substr(0, slash));
  if (!folder) return TaskChange::Missing;
  const unique_bstr name = Bstr(path.substr(slash + 1));
  return ChangeOf(folder->DeleteTask(name.get(), 0));
}

}  // namespace kw::win32
