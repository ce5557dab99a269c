#pragma once
// Version resources read once per file for the span of one operation (a refresh), so that a
// file which several entries start is not read again for each of them.
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/VersionInfo.h"

namespace kw {

class CachedVersionInfo : public VersionInfo {
 public:
  explicit CachedVersionInfo(VersionInfo& source) : source_(source) {}

  // The source's answer for the path (compared exactly) when it was asked before.
  std::unique_ptr<VersionBlock> Load(std::string_view path) override {
    const std::string key(path);
    auto it = blocks_.find(key);
    if (it == blocks_.end()) it = blocks_.emplace(key, source_.Load(path)).first;
    if (!it->second) return nullptr;
    return std::make_unique<SharedBlock>(it->second);
  }

 private:
  // One block read from the file, handed out to every entry that asks for it.
  class SharedBlock : public VersionBlock {
   public:
    explicit SharedBlock(std::shared_ptr<VersionBlock> block) : block_(std::move(block)) {}
    std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations() override { return block_->Translations(); }
    std::optional<std::string> QueryString(std::string_view subBlock) override { return block_->QueryString(subBlock); }

   private:
    std::shared_ptr<VersionBlock> block_;
  };

  VersionInfo& source_;
  std::unordered_map<std::string, std::shared_ptr<VersionBlock>> blocks_;
};

}  // namespace kw
