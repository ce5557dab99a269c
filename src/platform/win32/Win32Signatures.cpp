#include "platform/win32/Win32Signatures.h"

#include <windows.h>
#include <bcrypt.h>
#include <softpub.h>
#include <wintrust.h>
#include <mscat.h>

#include <cstddef>
#include <cstdio>
#include <new>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemFolderPath.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// No interactive user: the provider never asks anyone.
HWND NoWindow() { return static_cast<HWND>(INVALID_HANDLE_VALUE); }

// The result of the failure the last Win32 call reported (never 0, which means trusted).
std::uint32_t LastErrorResult() {
  const DWORD error = ::GetLastError();
  return static_cast<std::uint32_t>(error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL);
}

// The file, for reading only, shared with every other opener (a running program, an updater):
// the one handle is hashed and verified, so the file judged is the file read.
unique_file OpenForReading(const std::wstring& path) {
  return unique_file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool Rewind(HANDLE file) {
  LARGE_INTEGER start{};
  return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

// A verification with the generic Authenticode policy that keeps its state for the signer to
// be read: no window, no revocation check, nothing fetched that is not cached already.
WINTRUST_DATA Request(DWORD choice) {
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = choice;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
  return data;
}

// The simple display name of the first signer's certificate, wherever the state holds a
// signature (a signature from an untrusted root, or over a changed file, still names one).
std::string SignerName(HANDLE state) {
  if (!state) return {};
  CRYPT_PROVIDER_DATA* data = sys::WTHelperProvDataFromStateData(state);
  if (!data) return {};
  const CRYPT_PROVIDER_SGNR* signer = sys::WTHelperGetProvSignerFromChain(data, 0, FALSE, 0);
  if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert) return {};
  const PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
  const DWORD length = sys::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (length <= 1) return {};
  std::wstring name(length, L'\0');
  sys::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), length);
  name.resize(name.find(L'\0'));
  return Narrow(name);
}

// Verifies the request and closes its state again, on every path.
TrustResult Verify(WINTRUST_DATA& data) {
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  TrustResult trust;
  trust.result = static_cast<std::uint32_t>(sys::WinVerifyTrust(NoWindow(), &action, &data));
  const unique_trust_state state(&data);
  trust.signer = SignerName(data.hWVTStateData);
  return trust;
}

// What an exception inside a check answers: the checks run on worker threads and from the
// console, and report every failure as a result.
std::uint32_t ExceptionResult() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return static_cast<std::uint32_t>(E_OUTOFMEMORY);
  } catch (...) {
    return static_cast<std::uint32_t>(E_UNEXPECTED);
  }
}

// WINTRUST_CATALOG_INFO with the catalog context that Windows 8 added at its end, through
// which the member's hash algorithm is known; headers for Windows 7 targets end before it.
struct CatalogMember {
  WINTRUST_CATALOG_INFO info{};
  HCATADMIN admin = nullptr;
};
static_assert(sizeof(WINTRUST_CATALOG_INFO) ==
                  offsetof(WINTRUST_CATALOG_INFO, pcCatalogContext) + sizeof(PCCTL_CONTEXT),
              "these headers declare hCatAdmin themselves");
static_assert(offsetof(CatalogMember, admin) == sizeof(WINTRUST_CATALOG_INFO));

// A hash as catalogs name their members: upper-case hexadecimal.
std::wstring MemberTag(const std::vector<BYTE>& hash) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring tag;
  for (BYTE b : hash) {
    tag += kDigits[b >> 4];
    tag += kDigits[b & 0x0F];
  }
  return tag;
}

// The file's hash for the catalog database: SHA-256 through a Windows 8 context, else SHA-1
// through the older one (Windows 7, or where the newer functions fail). Empty when neither
// can hash it.
std::vector<BYTE> CatalogHash(HANDLE file, unique_catalog_admin& admin, bool& sha256) {
  std::vector<BYTE> hash(64);  // room for any hash the database uses
  DWORD size = static_cast<DWORD>(hash.size());
  sha256 = sys::CryptCATAdminAcquireContext2(admin.put(), nullptr, BCRYPT_SHA256_ALGORITHM, nullptr, 0) &&
           Rewind(file) && sys::CryptCATAdminCalcHashFromFileHandle2(admin.get(), file, &size, hash.data(), 0);
  if (!sha256) {
    size = static_cast<DWORD>(hash.size());
    if (!sys::CryptCATAdminAcquireContext(admin.put(), nullptr, 0) || !Rewind(file) ||
        !sys::CryptCATAdminCalcHashFromFileHandle(file, &size, hash.data(), 0))
      size = 0;
  }
  hash.resize(size);
  return hash;
}

}  // namespace

TrustResult Win32Signatures::VerifyEmbedded(std::string_view path) noexcept {
  try {
    const std::wstring file = UnredirectedPath(Wide(path));
    const unique_file handle = OpenForReading(file);
    if (!handle) return TrustResult{LastErrorResult(), {}};
    WINTRUST_FILE_INFO info{};
    info.cbStruct = sizeof info;
    info.pcwszFilePath = file.c_str();
    info.hFile = handle.get();
    WINTRUST_DATA data = Request(WTD_CHOICE_FILE);
    data.pFile = &info;
    return Verify(data);
  } catch (...) {
    return TrustResult{ExceptionResult(), {}};
  }
}

std::string Win32Signatures::FileStamp(std::string_view path) noexcept {
  try {
    // Attributes only: no read access is asked for, and nothing of the file is read.
    const unique_file handle(::CreateFileW(UnredirectedPath(Wide(path)).c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION file{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &file)) return "";
    char stamp[128];
    std::snprintf(stamp, sizeof stamp, "%08lx-%08lx%08lx-%08lx%08lx-%08lx%08lx-%08lx%08lx", file.dwVolumeSerialNumber,
                  file.nFileIndexHigh, file.nFileIndexLow, file.nFileSizeHigh, file.nFileSizeLow,
                  file.ftCreationTime.dwHighDateTime, file.ftCreationTime.dwLowDateTime,
                  file.ftLastWriteTime.dwHighDateTime, file.ftLastWriteTime.dwLowDateTime);
    return stamp;
  } catch (...) {
    return "";
  }
}

std::optional<TrustResult> Win32Signatures::VerifyInCatalog(std::string_view path) noexcept {
  try {
    const std::wstring file = UnredirectedPath(Wide(path));
    const unique_file handle = OpenForReading(file);
    if (!handle) return std::nullopt;  // no catalog can be looked up for it
    unique_catalog_admin admin;
    bool sha256 = false;
    std::vector<BYTE> hash = CatalogHash(handle.get(), admin, sha256);
    if (hash.empty()) return std::nullopt;
    const HCATINFO found =
        sys::CryptCATAdminEnumCatalogFromHash(admin.get(), hash.data(), static_cast<DWORD>(hash.size()), 0, nullptr);
    if (!found) return std::nullopt;
    const unique_catalog_info catalog(CatalogInContext{admin.get(), found});
    CATALOG_INFO where{};
    where.cbStruct = sizeof where;
    if (!sys::CryptCATCatalogInfoFromContext(found, &where, 0)) return TrustResult{LastErrorResult(), {}};

    const std::wstring tag = MemberTag(hash);
    CatalogMember member;
    member.info.cbStruct = sha256 ? sizeof member : sizeof member.info;
    member.info.pcwszCatalogFilePath = where.wszCatalogFile;
    member.info.pcwszMemberTag = tag.c_str();
    member.info.pcwszMemberFilePath = file.c_str();
    member.info.hMemberFile = handle.get();
    member.info.pbCalculatedFileHash = hash.data();
    member.info.cbCalculatedFileHash = static_cast<DWORD>(hash.size());
    if (sha256) member.admin = admin.get();
    if (!Rewind(handle.get())) return TrustResult{LastErrorResult(), {}};
    WINTRUST_DATA data = Request(WTD_CHOICE_CATALOG);
    data.pCatalog = &member.info;
    return Verify(data);
  } catch (...) {
    return TrustResult{ExceptionResult(), {}};
  }
}

}  // namespace kw::win32
