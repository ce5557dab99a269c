#pragma once
// Icons as numbers: files with icons of their own, and icons associated with file types.
#include <atomic>
#include <map>
#include <mutex>
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

  // May be asked from two threads at once (the window's and the reader's), as the shell is;
  // the set-up above happens before.
  std::vector<std::string> extractCalls;  // the paths passed to ExtractIcon
  std::atomic<int> liveIcons = 0;         // icons handed out and not yet released

 private:
  std::unique_ptr<Icon> Make(std::uintptr_t handle);
  std::set<std::string> files_;         // folded paths
  std::set<std::string> associations_;  // folded extensions
  std::atomic<std::uintptr_t> nextHandle_ = 100;
  std::mutex calls_;
};

class MemoryImageList : public ImageList {
 public:
  int AddIcon(const Icon& icon) override {
    if (refuse) return -1;
    images.push_back(icon.Handle());
    return static_cast<int>(images.size()) - 1;
  }
  int ReplaceIcon(int index, const Icon& icon) override {
    if (refuse || index < 0 || index >= Count()) return -1;
    images[static_cast<size_t>(index)] = icon.Handle();
    return index;
  }
  void Clear() override { images.clear(); }
  int Count() const override { return static_cast<int>(images.size()); }

  std::vector<std::uintptr_t> images;
  bool refuse = false;
};

}  // namespace kw
