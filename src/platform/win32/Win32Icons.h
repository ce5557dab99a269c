#pragma once
#include <windows.h>
#include <commctrl.h>

#include "platform/Icons.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibraries.h"

namespace kw::win32 {

// Icons through ExtractIconW and ExtractAssociatedIconW with the program's module instance.
class Win32Icons : public Icons {
 public:
  std::unique_ptr<Icon> FileIcon(std::string_view path, int index) override;
  std::unique_ptr<Icon> AssociatedIcon(std::string_view path, int index) override;
};

// The handle of an icon made by Win32Icons (null for the shell's answers 0 and 1, and for any
// other kind of icon).
HICON IconHandle(const Icon& icon);

struct ImageListTraits {
  using pointer = HIMAGELIST;
  static pointer invalid() noexcept { return nullptr; }
  static void close(pointer h) noexcept { sys::ImageList_Destroy(h); }
};
using unique_himagelist = unique_handle<ImageListTraits>;

// Puts the icon into the image list at index (-1: as a new image); the image's index, or -1.
// An icon whose colour bitmap is already 32-bit at the list's size goes in as its bitmap and
// mask (ImageList_Add / ImageList_Replace); any other is drawn in (ImageList_ReplaceIcon),
// which scales it. Both give the same picture; the first costs a fifth of the second under
// Wine.
int PutIcon(HIMAGELIST list, int index, HICON icon);

// A 32 x 32 image list that grows by 32; it owns its HIMAGELIST unless released to a control.
class Win32ImageList : public ImageList {
 public:
  Win32ImageList();
  int AddIcon(const Icon& icon) override;
  int ReplaceIcon(int index, const Icon& icon) override;
  void Clear() override;
  int Count() const override;
  HIMAGELIST get() const { return list_.get(); }

 private:
  unique_himagelist list_;
};

}  // namespace kw::win32
