#pragma once
// A 32-bit program on 64-bit Windows that opens a file in the system folder gets the one in
// SysWOW64 instead. Version strings and icons of the programs Windows starts are those of the
// real system folder, reached from such a program through the Sysnative alias.
#include <windows.h>

#include <string>

namespace kw::win32 {

inline std::wstring UnredirectedPath(std::wstring path) {
  if constexpr (sizeof(void*) == 8) {
    return path;
  } else {
    static const bool wow64 = [] {
      BOOL wow = FALSE;
      return ::IsWow64Process(::GetCurrentProcess(), &wow) && wow;
    }();
    if (!wow64) return path;
    wchar_t system[MAX_PATH] = {}, windows[MAX_PATH] = {};
    const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
    const UINT windowsLength = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || windowsLength == 0 || windowsLength >= MAX_PATH) return path;
    if (path.size() <= systemLength || path[systemLength] != L'\\' ||
        ::CompareStringOrdinal(path.c_str(), static_cast<int>(systemLength), system, static_cast<int>(systemLength),
                               TRUE) != CSTR_EQUAL)
      return path;
    return std::wstring(windows, windowsLength) + L"\\Sysnative" + path.substr(systemLength);
  }
}

}  // namespace kw::win32
