#include "platform/win32/Win32MachineLocks.h"

#include <windows.h>
#include <sddl.h>

#include <string>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

using unique_mutex = unique_kernel_handle;

class HeldMutex : public MachineLock {
 public:
  explicit HeldMutex(unique_mutex mutex) : mutex_(std::move(mutex)) {}
  ~HeldMutex() override { ::ReleaseMutex(mutex_.get()); }

 private:
  unique_mutex mutex_;
};

// The mutex, created so that every user may wait on it: a mutex made by an administrator
// with the default security could not be opened by a standard user's copy.
unique_mutex OpenSharedMutex(const std::wstring& name) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
  // Everyone: SYNCHRONIZE | MUTEX_MODIFY_STATE.
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x100001;;;WD)", SDDL_REVISION_1, &descriptor,
                                                             nullptr))
    attributes.lpSecurityDescriptor = descriptor;
  unique_mutex mutex(::CreateMutexW(&attributes, FALSE, name.c_str()));
  if (descriptor) ::LocalFree(descriptor);
  if (!mutex) mutex.reset(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
  return mutex;
}

}  // namespace

std::unique_ptr<MachineLock> Win32MachineLocks::Acquire(std::string_view name, int timeoutMs) {
  unique_mutex mutex = OpenSharedMutex(L"Global\\" + Wide(name));
  if (!mutex) return nullptr;
  const DWORD waited = ::WaitForSingleObject(mutex.get(), static_cast<DWORD>(timeoutMs));
  // An abandoned mutex (its holder ended without releasing it) is ours now.
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
  return std::make_unique<HeldMutex>(std::move(mutex));
}

}  // namespace kw::win32
