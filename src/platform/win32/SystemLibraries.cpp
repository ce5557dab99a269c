#include "platform/win32/SystemLibraries.h"

#include <string>

namespace kw::win32::sys {

namespace {

// The library from the system folder; null when it cannot be loaded. Kept loaded for the
// rest of the process.
HMODULE SystemLibrary(const wchar_t* name) {
  HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Windows 7 without KB2533623 knows no search flags: the full path, which the activation
  // context does not redirect, so comctl32 comes in version 5 there.
  if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) module = ::LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
  }
  return module;
}

// Each library is loaded on its first use and kept.
HMODULE Version() { static const HMODULE module = SystemLibrary(L"version.dll"); return module; }
HMODULE CommonControls() { static const HMODULE module = SystemLibrary(L"comctl32.dll"); return module; }
HMODULE CommonDialogs() { static const HMODULE module = SystemLibrary(L"comdlg32.dll"); return module; }
HMODULE Installer() { static const HMODULE module = SystemLibrary(L"msi.dll"); return module; }
HMODULE XmlLite() { static const HMODULE module = SystemLibrary(L"xmllite.dll"); return module; }
HMODULE Trust() { static const HMODULE module = SystemLibrary(L"wintrust.dll"); return module; }
HMODULE Crypto() { static const HMODULE module = SystemLibrary(L"crypt32.dll"); return module; }

// As the installer library declares them (not every edition of its header does).
using DecomposeDescriptor = UINT(WINAPI*)(LPCWSTR, LPWSTR, LPWSTR, LPWSTR, LPDWORD);
using GetProductInfo = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
// Windows 8's catalog functions, which headers for older targets leave out.
using AcquireContext2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA, DWORD);
using CalcHashFromFileHandle2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

template <typename Function>
Function Find(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

// The function of that name from the library, looked up once.
#define KW_SYSTEM_FUNCTION(library, function) \
  static const auto found = Find<decltype(&::function)>(library(), #function)

BOOL GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data) {
  KW_SYSTEM_FUNCTION(Version, GetFileVersionInfoW);
  return found ? found(file, handle, size, data) : FALSE;
}
DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
  KW_SYSTEM_FUNCTION(Version, GetFileVersionInfoSizeW);
  return found ? found(file, handle) : 0;
}
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length) {
  KW_SYSTEM_FUNCTION(Version, VerQueryValueW);
  return found ? found(block, subBlock, value, length) : FALSE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  KW_SYSTEM_FUNCTION(CommonControls, InitCommonControlsEx);
  return found ? found(controls) : FALSE;
}
HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_Create);
  return found ? found(width, height, flags, initial, grow) : nullptr;
}
BOOL ImageList_Destroy(HIMAGELIST list) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_Destroy);
  return found ? found(list) : FALSE;
}
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_Add);
  return found ? found(list, image, mask) : -1;
}
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_Replace);
  return found ? found(list, index, image, mask) : FALSE;
}
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_ReplaceIcon);
  return found ? found(list, index, icon) : -1;
}
BOOL ImageList_Remove(HIMAGELIST list, int index) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_Remove);
  return found ? found(list, index) : FALSE;
}
BOOL ImageList_GetIconSize(HIMAGELIST list, int* width, int* height) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_GetIconSize);
  return found ? found(list, width, height) : FALSE;
}
int ImageList_GetImageCount(HIMAGELIST list) {
  KW_SYSTEM_FUNCTION(CommonControls, ImageList_GetImageCount);
  return found ? found(list) : 0;
}
BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  KW_SYSTEM_FUNCTION(CommonControls, SetWindowSubclass);
  return found ? found(window, procedure, id, data) : FALSE;
}
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
  KW_SYSTEM_FUNCTION(CommonControls, RemoveWindowSubclass);
  return found ? found(window, procedure, id) : FALSE;
}
// Without the library no subclass was set, so the window's own procedure is called instead.
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  KW_SYSTEM_FUNCTION(CommonControls, DefSubclassProc);
  return found ? found(window, message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
}

BOOL GetOpenFileNameW(LPOPENFILENAMEW dialog) {
  KW_SYSTEM_FUNCTION(CommonDialogs, GetOpenFileNameW);
  return found ? found(dialog) : FALSE;
}

UINT MsiDecomposeDescriptorW(LPCWSTR descriptor, LPWSTR productCode, LPWSTR feature, LPWSTR component,
                             LPDWORD argumentOffset) {
  static const auto found = Find<DecomposeDescriptor>(Installer(), "MsiDecomposeDescriptorW");
  return found ? found(descriptor, productCode, feature, component, argumentOffset) : ERROR_CALL_NOT_IMPLEMENTED;
}
UINT MsiGetProductInfoW(LPCWSTR productCode, LPCWSTR property, LPWSTR value, LPDWORD length) {
  static const auto found = Find<GetProductInfo>(Installer(), "MsiGetProductInfoW");
  return found ? found(productCode, property, value, length) : ERROR_CALL_NOT_IMPLEMENTED;
}

HRESULT CreateXmlReader(REFIID iid, void** reader, IMalloc* allocator) {
  static const auto found = Find<CreateReader>(XmlLite(), "CreateXmlReader");
  return found ? found(iid, reader, allocator) : E_NOTIMPL;
}

LONG WinVerifyTrust(HWND window, GUID* action, LPVOID data) {
  KW_SYSTEM_FUNCTION(Trust, WinVerifyTrust);
  return found ? found(window, action, data) : TRUST_E_PROVIDER_UNKNOWN;
}
CRYPT_PROVIDER_DATA* WTHelperProvDataFromStateData(HANDLE state) {
  KW_SYSTEM_FUNCTION(Trust, WTHelperProvDataFromStateData);
  return found ? found(state) : nullptr;
}
CRYPT_PROVIDER_SGNR* WTHelperGetProvSignerFromChain(CRYPT_PROVIDER_DATA* data, DWORD signer, BOOL counterSigner,
                                                    DWORD counterSignerIndex) {
  KW_SYSTEM_FUNCTION(Trust, WTHelperGetProvSignerFromChain);
  return found ? found(data, signer, counterSigner, counterSignerIndex) : nullptr;
}
BOOL CryptCATAdminAcquireContext(HCATADMIN* admin, const GUID* subsystem, DWORD flags) {
  KW_SYSTEM_FUNCTION(Trust, CryptCATAdminAcquireContext);
  return found ? found(admin, subsystem, flags) : FALSE;
}
BOOL CryptCATAdminAcquireContext2(HCATADMIN* admin, const GUID* subsystem, PCWSTR hashAlgorithm,
                                  PCCERT_STRONG_SIGN_PARA policy, DWORD flags) {
  static const auto found = Find<AcquireContext2>(Trust(), "CryptCATAdminAcquireContext2");
  return found ? found(admin, subsystem, hashAlgorithm, policy, flags) : FALSE;
}
BOOL CryptCATAdminCalcHashFromFileHandle(HANDLE file, DWORD* size, BYTE* hash, DWORD flags) {
  KW_SYSTEM_FUNCTION(Trust, CryptCATAdminCalcHashFromFileHandle);
  return found ? found(file, size, hash, flags) : FALSE;
}
BOOL CryptCATAdminCalcHashFromFileHandle2(HCATADMIN admin, HANDLE file, DWORD* size, BYTE* hash, DWORD flags) {
  static const auto found = Find<CalcHashFromFileHandle2>(Trust(), "CryptCATAdminCalcHashFromFileHandle2");
  return found ? found(admin, file, size, hash, flags) : FALSE;
}
HCATINFO CryptCATAdminEnumCatalogFromHash(HCATADMIN admin, BYTE* hash, DWORD size, DWORD flags, HCATINFO* previous) {
  KW_SYSTEM_FUNCTION(Trust, CryptCATAdminEnumCatalogFromHash);
  return found ? found(admin, hash, size, flags, previous) : nullptr;
}
BOOL CryptCATCatalogInfoFromContext(HCATINFO catalog, CATALOG_INFO* info, DWORD flags) {
  KW_SYSTEM_FUNCTION(Trust, CryptCATCatalogInfoFromContext);
  return found ? found(catalog, info, flags) : FALSE;
}
BOOL CryptCATAdminReleaseCatalogContext(HCATADMIN admin, HCATINFO catalog, DWORD flags) {
  KW_SYSTEM_FUNCTION(Trust, CryptCATAdminReleaseCatalogContext);
  return found ? found(admin, catalog, flags) : FALSE;
}
BOOL CryptCATAdminReleaseContext(HCATADMIN admin, DWORD flags) {
  KW_SYSTEM_FUNCTION(Trust, CryptCATAdminReleaseContext);
  return found ? found(admin, flags) : FALSE;
}

DWORD CertGetNameStringW(PCCERT_CONTEXT certificate, DWORD type, DWORD flags, void* typeParameter, LPWSTR name,
                         DWORD length) {
  KW_SYSTEM_FUNCTION(Crypto, CertGetNameStringW);
  if (found) return found(certificate, type, flags, typeParameter, name, length);
  if (name && length > 0) name[0] = L'\0';
  return 1;
}

}  // namespace kw::win32::sys
