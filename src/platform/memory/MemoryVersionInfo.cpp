#include "platform/memory/MemoryVersionInfo.h"


#include "util/unitStrUtils.h"

namespace kw {

namespace {

class MemoryVersionBlock : public VersionBlock {
 public:
  explicit MemoryVersionBlock(MemoryVersionInfo::Resource resource) : resource_(std::move(resource)) {}
  std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations() override { return resource_.translations; }
  std::optional<std::string> QueryString(std::string_view subBlock) override {
    const std::string wanted = FoldCase(subBlock);
    for (const auto& [key, text] : resource_.strings)
      if (FoldCase(key) == wanted) return text;
    return std::nullopt;
  }

 private:
  MemoryVersionInfo::Resource resource_;
};

}  // namespace

std::unique_ptr<VersionBlock> MemoryVersionInfo::Load(std::string_view path) {
  ++loads;
  auto it = resources_.find(FoldCase(path));
  if (it == resources_.end()) return nullptr;
  return std::make_unique<MemoryVersionBlock>(it->second);
}

void MemoryVersionInfo::Add(std::string_view path, std::uint16_t language, std::uint16_t codePage,
                            const std::map<std::string, std::string>& strings) {
  Resource resource;
  resource.translations.emplace_back(language, codePage);
  for (const auto& [name, text] : strings) resource.strings[StringFileInfoQuery(language, codePage, name)] = text;
  AddRaw(path, std::move(resource));
}

void MemoryVersionInfo::AddRaw(std::string_view path, Resource resource) {
  resources_[FoldCase(path)] = std::move(resource);
}

}  // namespace kw
