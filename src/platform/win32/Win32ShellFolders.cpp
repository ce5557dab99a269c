#include "platform/win32/Win32ShellFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

std::uint32_t Win32ShellFolders::WindowsVersion() { return ::GetVersion(); }

std::optional<std::string> Win32ShellFolders::SpecialFolderLocation(int csidl) {
  // The identifier list is freed with the shell's allocator; without one it is left alone.
  ComPtr<IMalloc> allocator;
  if (FAILED(::SHGetMalloc(allocator.put()))) allocator.reset();
  PIDLIST_ABSOLUTE idList = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &idList)) || !idList) return std::nullopt;
  std::optional<std::string> path;
  wchar_t buffer[MAX_PATH] = {};
  if (::SHGetPathFromIDListW(idList, buffer)) path = Narrow(buffer);
  if (allocator) allocator->Free(idList);
  return path;
}

}  // namespace kw::win32
