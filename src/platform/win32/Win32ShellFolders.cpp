#include "platform/win32/Win32ShellFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

std::uint32_t Win32ShellFolders::WindowsVersion() { return ::GetVersion(); }

std::optional<std::string> Win32ShellFolders::SpecialFolderLocation(int csidl) {
  // The shell's allocator is the COM task allocator, so the list is freed with it on every path.
  unique_cotaskmem<ITEMIDLIST> idList;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, idList.put())) || !idList) return std::nullopt;
  wchar_t buffer[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(idList.get(), buffer) || buffer[0] == L'\0') return std::nullopt;
  return Narrow(buffer);
}

}  // namespace kw::win32
