#include "platform/win32/Win32ShellProperties.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// An item identifier list from the shell, freed with the shell's allocator.
struct ItemIdListTraits {
  using pointer = LPITEMIDLIST;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer p) noexcept { ::CoTaskMemFree(p); }
};
using unique_idlist = unique_handle<ItemIdListTraits>;

}  // namespace

bool Win32ShellProperties::ShowProperties(std::string_view folder, std::string_view name, std::uintptr_t ownerWindow) {
  const HWND owner = reinterpret_cast<HWND>(ownerWindow);
  ComPtr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.put()))) return false;

  std::wstring folderName = Wide(folder);
  unique_idlist folderId;
  if (FAILED(desktop->ParseDisplayName(owner, nullptr, folderName.data(), nullptr, folderId.put(), nullptr)))
    return false;
  ComPtr<IShellFolder> parent;
  if (FAILED(desktop->BindToObject(folderId.get(), nullptr, IID_IShellFolder, parent.put_void()))) return false;

  std::wstring itemName = Wide(name);
  unique_idlist itemId;
  if (FAILED(parent->ParseDisplayName(owner, nullptr, itemName.data(), nullptr, itemId.put(), nullptr)))
    return false;
  LPCITEMIDLIST items[] = {itemId.get()};
  ComPtr<IContextMenu> menu;
  if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IContextMenu, nullptr, menu.put_void()))) return false;

  CMINVOKECOMMANDINFO invoke{};
  invoke.cbSize = sizeof invoke;
  invoke.fMask = 0;
  invoke.hwnd = owner;
  // The canonical verb is lower case: Windows compares verbs without regard to case, but
  // Wine's shell knows only "properties" and fails "Properties".
  invoke.lpVerb = "properties";
  invoke.nShow = SW_SHOWNORMAL;
  return SUCCEEDED(menu->InvokeCommand(&invoke));
}

}  // namespace kw::win32
