#include "platform/memory/MemoryIcons.h"

#include "util/unitStrUtils.h"

namespace kw {

namespace {

class MemoryIcon : public Icon {
 public:
  MemoryIcon(std::uintptr_t handle, std::atomic<int>& live) : handle_(handle), live_(live) { ++live_; }
  ~MemoryIcon() override { --live_; }
  std::uintptr_t Handle() const override { return handle_; }

 private:
  std::uintptr_t handle_;
  std::atomic<int>& live_;
};

std::string Extension(std::string_view path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : FoldCase(name.substr(dot));
}

}  // namespace

std::unique_ptr<Icon> MemoryIcons::Make(std::uintptr_t handle) {
  if (handle == 0) return nullptr;
  return std::make_unique<MemoryIcon>(handle, liveIcons);
}

std::unique_ptr<Icon> MemoryIcons::FileIcon(std::string_view path, int index) {
  {
    const std::lock_guard<std::mutex> lock(calls_);
    extractCalls.emplace_back(path);
  }
  if (index == 0 && files_.count(FoldCase(path))) return Make(nextHandle_++);
  const std::string ext = Extension(path);
  // The shell answers 1 for a file that is not a program, library or icon file.
  if (ext == ".exe" || ext == ".dll" || ext == ".ico" || ext.empty()) return nullptr;
  return Make(1);
}

std::unique_ptr<Icon> MemoryIcons::AssociatedIcon(std::string_view path, int index) {
  if (index == 0 && files_.count(FoldCase(path))) return Make(nextHandle_++);
  if (associations_.count(Extension(path))) return Make(nextHandle_++);
  return nullptr;
}

void MemoryIcons::AddFileIcon(std::string_view path) { files_.insert(FoldCase(path)); }

void MemoryIcons::AddAssociation(std::string_view extension) { associations_.insert(FoldCase(extension)); }

}  // namespace kw
