#pragma once
// File icons and the image list that shows them.
#include <cstdint>
#include <memory>
#include <string_view>

namespace kw {

// An icon the caller owns. Handle() is the platform's handle value: 0 means none, and the
// shell answers 1 for "this file is not a program, library or icon file" (Windows; Wine
// answers 0); neither is an icon.
class Icon {
 public:
  virtual ~Icon() = default;
  virtual std::uintptr_t Handle() const = 0;
};

class Icons {
 public:
  virtual ~Icons() = default;
  // The shell's two icon calls, each giving whatever handle value the shell answered
  // (null for 0). FileIcon (ExtractIcon): icon number index of a program, library or icon
  // file. AssociatedIcon (ExtractAssociatedIcon): an icon of the file itself or of the
  // program associated with its type; null for a missing file or one of a type no program
  // is associated with (Windows may give a generic icon there).
  virtual std::unique_ptr<Icon> FileIcon(std::string_view path, int index) = 0;
  virtual std::unique_ptr<Icon> AssociatedIcon(std::string_view path, int index) = 0;
};

// A list of 32 x 32 images; adding copies the icon, so the caller still owns it.
class ImageList {
 public:
  virtual ~ImageList() = default;
  // The new image's index, or -1 when the icon could not be added.
  virtual int AddIcon(const Icon& icon) = 0;
  // Puts the icon in place of image index; index, or -1 when it could not.
  virtual int ReplaceIcon(int index, const Icon& icon) = 0;
  virtual void Clear() = 0;
  virtual int Count() const = 0;
};

}  // namespace kw
