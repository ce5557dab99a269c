#include "platform/win32/Win32Icons.h"

#include <shellapi.h>

#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// Handle values 0 and 1 are answers of the shell, not icons: only real ones are destroyed.
class Win32Icon : public Icon {
 public:
  explicit Win32Icon(HICON icon) : icon_(icon) {}
  ~Win32Icon() override {
    if (Handle() >= 2) ::DestroyIcon(icon_);
  }
  Win32Icon(const Win32Icon&) = delete;
  Win32Icon& operator=(const Win32Icon&) = delete;
  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(icon_); }
  HICON get() const { return icon_; }

 private:
  HICON icon_;
};

HINSTANCE ProgramInstance() { return ::GetModuleHandleW(nullptr); }

std::unique_ptr<Icon> Wrap(HICON icon) {
  if (!icon) return nullptr;
  return std::make_unique<Win32Icon>(icon);
}

}  // namespace

std::unique_ptr<Icon> Win32Icons::FileIcon(std::string_view path, int index) {
  return Wrap(::ExtractIconW(ProgramInstance(), Wide(path).c_str(), static_cast<UINT>(index)));
}

std::unique_ptr<Icon> Win32Icons::AssociatedIcon(std::string_view path, int index) {
  // The call may write the path of the icon's file back into its buffer.
  std::wstring buffer = Wide(path);
  buffer.resize(MAX_PATH + 1 > buffer.size() ? MAX_PATH + 1 : buffer.size() + 1, L'\0');
  WORD iconIndex = static_cast<WORD>(index);
  return Wrap(::ExtractAssociatedIconW(ProgramInstance(), buffer.data(), &iconIndex));
}

HICON IconHandle(const Icon& icon) {
  const auto* own = dynamic_cast<const Win32Icon*>(&icon);
  return own ? own->get() : nullptr;
}

Win32ImageList::Win32ImageList() : list_(::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 32)) {}

int Win32ImageList::AddIcon(const Icon& icon) {
  const HICON handle = IconHandle(icon);
  if (!list_ || !handle || icon.Handle() < 2) return -1;
  return ::ImageList_AddIcon(list_.get(), handle);
}

void Win32ImageList::Clear() {
  if (list_) ::ImageList_RemoveAll(list_.get());
}

int Win32ImageList::Count() const { return list_ ? ::ImageList_GetImageCount(list_.get()) : 0; }

}  // namespace kw::win32
