#pragma once
// Version resources as a table the tests fill: per file, the translation pairs and the
// strings by sub-block (sub-blocks and paths compared without regard to letter case).
#include <atomic>
#include <map>

#include "platform/VersionInfo.h"

namespace kw {

class MemoryVersionInfo : public VersionInfo {
 public:
  struct Resource {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
    std::map<std::string, std::string> strings;  // sub-block -> text
  };

  std::unique_ptr<VersionBlock> Load(std::string_view path) override;

  // A resource whose strings are all under the first translation pair.
  void Add(std::string_view path, std::uint16_t language, std::uint16_t codePage,
           const std::map<std::string, std::string>& strings);
  void AddRaw(std::string_view path, Resource resource);

  std::atomic<int> loads = 0;  // how often a resource was read (from any thread)

 private:
  std::map<std::string, Resource> resources_;  // by folded path
};

}  // namespace kw
