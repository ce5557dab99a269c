#pragma once
// The functions the programs use from system libraries that are not on Windows' KnownDLLs
// list (and from comdlg32, which would bring comctl32 in with it). The programs import none of
// these libraries: each is loaded from the system folder on its first use, so a DLL of the same
// name planted beside the program (a Downloads folder) is never loaded. comctl32 still comes in
// the version the program's manifest asks for, since the activation context is applied before
// the folder is searched. Each function answers as it does on failure when its library or the
// function cannot be had.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objidl.h>
#include <wintrust.h>
#include <mscat.h>

namespace kw::win32::sys {

BOOL GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data);
DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle);
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, PUINT length);

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
BOOL ImageList_Remove(HIMAGELIST list, int index);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* width, int* height);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

BOOL GetOpenFileNameW(LPOPENFILENAMEW dialog);

// Windows Installer: an installer shortcut's descriptor as product code, feature and
// component, and a product's properties. Without the library they answer
// ERROR_CALL_NOT_IMPLEMENTED.
UINT MsiDecomposeDescriptorW(LPCWSTR descriptor, LPWSTR productCode, LPWSTR feature, LPWSTR component,
                             LPDWORD argumentOffset);
UINT MsiGetProductInfoW(LPCWSTR productCode, LPCWSTR property, LPWSTR value, LPDWORD length);

// XmlLite's reader; E_NOTIMPL without the library.
HRESULT CreateXmlReader(REFIID iid, void** reader, IMalloc* allocator);

// Authenticode (wintrust). Without the library WinVerifyTrust answers TRUST_E_PROVIDER_UNKNOWN,
// the others null or FALSE. The SHA-256 forms of the catalog functions exist from Windows 8 on.
LONG WinVerifyTrust(HWND window, GUID* action, LPVOID data);
CRYPT_PROVIDER_DATA* WTHelperProvDataFromStateData(HANDLE state);
CRYPT_PROVIDER_SGNR* WTHelperGetProvSignerFromChain(CRYPT_PROVIDER_DATA* data, DWORD signer, BOOL counterSigner,
                                                    DWORD counterSignerIndex);
BOOL CryptCATAdminAcquireContext(HCATADMIN* admin, const GUID* subsystem, DWORD flags);
BOOL CryptCATAdminAcquireContext2(HCATADMIN* admin, const GUID* subsystem, PCWSTR hashAlgorithm,
                                  PCCERT_STRONG_SIGN_PARA policy, DWORD flags);
BOOL CryptCATAdminCalcHashFromFileHandle(HANDLE file, DWORD* size, BYTE* hash, DWORD flags);
BOOL CryptCATAdminCalcHashFromFileHandle2(HCATADMIN admin, HANDLE file, DWORD* size, BYTE* hash, DWORD flags);
HCATINFO CryptCATAdminEnumCatalogFromHash(HCATADMIN admin, BYTE* hash, DWORD size, DWORD flags, HCATINFO* previous);
BOOL CryptCATCatalogInfoFromContext(HCATINFO catalog, CATALOG_INFO* info, DWORD flags);
BOOL CryptCATAdminReleaseCatalogContext(HCATADMIN admin, HCATINFO catalog, DWORD flags);
BOOL CryptCATAdminReleaseContext(HCATADMIN admin, DWORD flags);

// A certificate's name (crypt32). Without the library: the empty name, whose length with its
// terminator is 1.
DWORD CertGetNameStringW(PCCERT_CONTEXT certificate, DWORD type, DWORD flags, void* typeParameter, LPWSTR name,
                         DWORD length);

}  // namespace kw::win32::sys
