#include "platform/win32/Win32MachineLocks.h"

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

constexpr wchar_t kNamespaceAlias[] = L"Velmora.Kelderwick";

class HeldMutex : public MachineLock {
 public:
  HeldMutex(unique_private_namespace space, unique_kernel_handle mutex)
      : space_(std::move(space)), mutex_(std::move(mutex)) {}
  ~HeldMutex() override { ::ReleaseMutex(mutex_.get()); }

 private:
  unique_private_namespace space_;  // kept open while the mutex in it is held
  unique_kernel_handle mutex_;
};

// Who the lock is shared with: the Administrators group when this process acts with its
// rights, else the process's own user. The SID is written into sid.
bool GroupSid(std::vector<BYTE>& sid) {
  sid.assign(SECURITY_MAX_SID_SIZE, 0);
  DWORD size = SECURITY_MAX_SID_SIZE;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.data(), &size)) return false;
  BOOL administrator = FALSE;
  if (::CheckTokenMembership(nullptr, sid.data(), &administrator) && administrator) return true;
  unique_kernel_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  DWORD needed = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
  std::vector<BYTE> user(needed);
  if (needed == 0 || !::GetTokenInformation(token.get(), TokenUser, user.data(), needed, &needed)) return false;
  const PSID userSid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  sid.assign(static_cast<const BYTE*>(userSid), static_cast<const BYTE*>(userSid) + ::GetLengthSid(userSid));
  return true;
}

std::wstring SidText(const std::vector<BYTE>& sid) {
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text)) return {};
  std::wstring result(text);
  ::LocalFree(text);
  return result;
}

// Security attributes that give the group (and the system) every right and nobody else any.
class OnlyFor {
 public:
  explicit OnlyFor(const std::wstring& sidText) {
    const std::wstring sddl = L"D:P(A;;GA;;;" + sidText + L")(A;;GA;;;SY)";
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr);
    attributes_.lpSecurityDescriptor = descriptor_;
  }
  ~OnlyFor() {
    if (descriptor_) ::LocalFree(descriptor_);
  }
  OnlyFor(const OnlyFor&) = delete;
  OnlyFor& operator=(const OnlyFor&) = delete;
  explicit operator bool() const { return descriptor_ != nullptr; }
  SECURITY_ATTRIBUTES* get() { return &attributes_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

unique_boundary_descriptor Boundary(std::vector<BYTE>& sid) {
  unique_boundary_descriptor boundary(::CreateBoundaryDescriptorW(kNamespaceAlias, 0));
  HANDLE handle = boundary.release();
  if (!handle || !::AddSIDToBoundaryDescriptor(&handle, sid.data())) {
    if (handle) ::DeleteBoundaryDescriptor(handle);
    return {};
  }
  return unique_boundary_descriptor(handle);
}

// The namespace whose boundary is the group: only a process whose token holds the group's
// SID may create or open it, and its descriptor lets in only the group and the system.
unique_private_namespace OpenNamespace(std::vector<BYTE>& sid, OnlyFor& security) {
  const unique_boundary_descriptor boundary = Boundary(sid);
  if (!boundary) return {};
  // Created by the first copy, opened by the others; retried when the copy that made it
  // closes it between the two calls.
  for (int attempt = 0; attempt < 3; ++attempt) {
    unique_private_namespace space(::CreatePrivateNamespaceW(security.get(), boundary.get(), kNamespaceAlias));
    if (space || ::GetLastError() != ERROR_ALREADY_EXISTS) return space;
    space.reset(::OpenPrivateNamespaceW(boundary.get(), kNamespaceAlias));
    if (space) return space;
  }
  return {};
}

}  // namespace

bool Win32MachineLocks::HasPrivateNamespaces() {
  static const bool has = [] {
    const unique_boundary_descriptor probe(::CreateBoundaryDescriptorW(kNamespaceAlias, 0));
    return static_cast<bool>(probe);
  }();
  return has;
}

std::unique_ptr<MachineLock> Win32MachineLocks::Acquire(std::string_view name, int timeoutMs) {
  std::vector<BYTE> sid;
  if (!GroupSid(sid)) return nullptr;
  const std::wstring sidText = SidText(sid);
  OnlyFor security(sidText);
  if (sidText.empty() || !security) return nullptr;
  unique_private_namespace space;
  std::wstring mutexName;
  if (HasPrivateNamespaces()) {
    space = OpenNamespace(sid, security);
    if (!space) return nullptr;
    mutexName = std::wstring(kNamespaceAlias) + L"\\" + Wide(name);
  } else {
    // Only where the system has no private namespaces at all (Windows has had them since
    // Vista): a global mutex of the group's own name, open only to the group. Its name can
    // be taken first by anyone, so it is never chosen while namespaces exist.
    mutexName = L"Global\\" + Wide(name) + L"." + sidText;
  }
  unique_kernel_handle mutex(::CreateMutexW(security.get(), FALSE, mutexName.c_str()));
  if (!mutex) return nullptr;
  const DWORD waited = ::WaitForSingleObject(mutex.get(), static_cast<DWORD>(timeoutMs));
  // An abandoned mutex (its holder ended without releasing it) is ours now.
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return nullptr;
  return std::make_unique<HeldMutex>(std::move(space), std::move(mutex));
}

}  // namespace kw::win32
