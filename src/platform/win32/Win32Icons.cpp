#include "platform/win32/Win32Icons.h"

#include <shellapi.h>

#include "platform/win32/SystemFolderPath.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// Handle values 0 and 1 are answers of the shell, not icons: only real ones are owned and
// destroyed.
class Win32Icon : public Icon {
 public:
  explicit Win32Icon(HICON icon)
      : value_(reinterpret_cast<std::uintptr_t>(icon)), owned_(value_ >= 2 ? icon : nullptr) {}
  std::uintptr_t Handle() const override { return value_; }
  HICON get() const { return owned_.get(); }

 private:
  std::uintptr_t value_;
  unique_hicon owned_;
};

HINSTANCE ProgramInstance() { return ::GetModuleHandleW(nullptr); }

std::unique_ptr<Icon> Wrap(HICON icon) {
  if (!icon) return nullptr;
  return std::make_unique<Win32Icon>(icon);
}

}  // namespace

std::unique_ptr<Icon> Win32Icons::FileIcon(std::string_view path, int index) {
  return Wrap(::ExtractIconW(ProgramInstance(), UnredirectedPath(Wide(path)).c_str(), static_cast<UINT>(index)));
}

std::unique_ptr<Icon> Win32Icons::AssociatedIcon(std::string_view path, int index) {
  const std::wstring file = UnredirectedPath(Wide(path));
  // The call may write the path of the icon's file back into its buffer.
  std::wstring buffer = file;
  buffer.resize(MAX_PATH + 1 > buffer.size() ? MAX_PATH + 1 : buffer.size() + 1, L'\0');
  WORD iconIndex = static_cast<WORD>(index);
  const HICON icon = ::ExtractAssociatedIconW(ProgramInstance(), buffer.data(), &iconIndex);
  if (reinterpret_cast<std::uintptr_t>(icon) >= 2) return Wrap(icon);

  // Wine's ExtractIcon answers 0 rather than 1 for a document, and its ExtractAssociatedIcon
  // then never looks at the program associated with the document; that program's icon is
  // what Windows gives.
  wchar_t program[MAX_PATH + 1] = {};
  if (reinterpret_cast<INT_PTR>(::FindExecutableW(file.c_str(), nullptr, program)) > 32 && program[0]) {
    const HICON programIcon = ::ExtractIconW(ProgramInstance(), program, static_cast<UINT>(index));
    if (reinterpret_cast<std::uintptr_t>(programIcon) >= 2) return Wrap(programIcon);
  }
  return Wrap(icon);
}

HICON IconHandle(const Icon& icon) {
  const auto* own = dynamic_cast<const Win32Icon*>(&icon);
  return own ? own->get() : nullptr;
}

int PutIcon(HIMAGELIST list, int index, HICON icon) {
  ICONINFO info{};
  if (list && icon && ::GetIconInfo(icon, &info)) {
    const unique_gdi_object color(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    int width = 0, height = 0;
    if (info.hbmColor && info.hbmMask && sys::ImageList_GetIconSize(list, &width, &height) &&
        ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) && bitmap.bmBitsPixel == 32 &&
        bitmap.bmWidth == width && bitmap.bmHeight == height) {
      if (index < 0) return sys::ImageList_Add(list, info.hbmColor, info.hbmMask);
      return sys::ImageList_Replace(list, index, info.hbmColor, info.hbmMask) ? index : -1;
    }
  }
  return sys::ImageList_ReplaceIcon(list, index, icon);
}

Win32ImageList::Win32ImageList() : list_(sys::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 32)) {}

int Win32ImageList::AddIcon(const Icon& icon) {
  const HICON handle = IconHandle(icon);
  if (!list_ || !handle || icon.Handle() < 2) return -1;
  return PutIcon(list_.get(), -1, handle);
}

int Win32ImageList::ReplaceIcon(int index, const Icon& icon) {
  const HICON handle = IconHandle(icon);
  if (!list_ || !handle || icon.Handle() < 2 || index < 0 || index >= Count()) return -1;
  return PutIcon(list_.get(), index, handle);
}

void Win32ImageList::Clear() {
  if (list_) sys::ImageList_RemoveAll(list_.get());
}

int Win32ImageList::Count() const { return list_ ? sys::ImageList_GetImageCount(list_.get()) : 0; }

}  // namespace kw::win32
