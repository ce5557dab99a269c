#pragma once
// Where the program's libraries are looked for.
#include <windows.h>

namespace kw::win32 {

// Takes the program's folder and the current folder out of the places a library named
// without a folder is looked for, so a DLL planted beside the program or in a document
// folder is never loaded in place of the system's. SetDefaultDllDirectories exists from
// Windows 8 (and Windows 7 with KB2533623), so it is looked up rather than imported.
// Both programs call it first. The libraries they use that are not on Windows' KnownDLLs list
// are not imported but loaded from the system folder by name (SystemLibraries.h).
inline void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  ::SetDllDirectoryW(L"");  // the current folder is not searched either way
}

}  // namespace kw::win32
