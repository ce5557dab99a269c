#pragma once
// A property sheet that records what it was asked to show.
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ShellProperties.h"
#include "platform/memory/MemoryFileSystem.h"

namespace kw {

class MemoryShellProperties : public ShellProperties {
 public:
  explicit MemoryShellProperties(MemoryFileSystem& files) : files_(files) {}

  // Succeeds for an existing file, as the shell's parsing does.
  bool ShowProperties(std::string_view folder, std::string_view name, std::uintptr_t owner) override {
    shown.push_back(std::string(folder) + "|" + std::string(name));
    lastOwner = owner;
    if (raise) throw std::runtime_error("the shell failed");
    return files_.FileExists(std::string(folder) + std::string(name));
  }

  std::vector<std::string> shown;  // "folder|name"
  std::uintptr_t lastOwner = 0;
  bool raise = false;

 private:
  MemoryFileSystem& files_;
};

}  // namespace kw
