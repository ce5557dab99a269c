#pragma once
// Icons as numbers: files with icons of their own, and icons associated with file types.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Icons.h"

namespace kw {

class MemoryIcons : public Icons {
 public:
  std::unique_ptr<Icon> FileIcon(std::string_view path, int index) override;
  std::unique_ptr<Icon> AssociatedIcon(std::string_view path, int index) override;

  void AddFileIcon(std::string_view path);          // a program or library with an icon
  void AddAssociation(std::string_view extension);  // ".txt": its program's icon

  std::vector<std::string> extractCalls;  // the paths passed to ExtractIcon
  int liveIcons = 0;                      // icons handed out and not yet released

 private:
  std::unique_ptr<Icon> Make(std::uintptr_t handle);
  std::set<std::string> files_;         // folded paths
  std::set<std::string> associations_;  // folded extensions
  std::uintptr_t nextHandle_ = 100;
};

class MemoryImageList : public ImageList {
 public:
  int AddIcon(const Icon& icon) override {
    if (refuse) return -1;
    images.push_back(icon.Handle());
    return static_cast<int>(images.size()) - 1;
  }
  void Clear() override { images.clear(); }
  int Count() const override { return static_cast<int>(images.size()); }

  std::vector<std::uintptr_t> images;
  bool refuse = false;
};

}  // namespace kw
