#pragma once
// Signatures as a table: what the trust check answers for each file, in the file and in the
// system's catalogs; a file not in the table has no signature. Counts the checks, which
// may run on another thread.
#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "platform/Signatures.h"

namespace kw {

class MemorySignatures : public Signatures {
 public:
  static constexpr std::uint32_t kNoSignature = 0x800B0100;

  TrustResult VerifyEmbedded(std::string_view path) override {
    ++checks;
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = embedded.find(std::string(path));
    return it == embedded.end() ? TrustResult{kNoSignature, ""} : it->second;
  }
  std::optional<TrustResult> VerifyInCatalog(std::string_view path) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = catalog.find(std::string(path));
    if (it == catalog.end()) return std::nullopt;
    return it->second;
  }
  // A file's stamp is its entry in stamps, "1" where it has none: a test that changes what a
  // file answers gives it a new stamp, as a file written anew has.
  std::string FileStamp(std::string_view path) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = stamps.find(std::string(path));
    return it == stamps.end() ? "1" : it->second;
  }
  void SetEmbedded(const std::string& path, TrustResult result) {
    const std::lock_guard<std::mutex> lock(mutex_);
    embedded[path] = std::move(result);
    stamps[path] += "'";
  }

  std::map<std::string, TrustResult> embedded;  // by path, exactly as asked
  std::map<std::string, TrustResult> catalog;
  std::map<std::string, std::string> stamps;
  std::atomic<int> checks{0};  // of files' own signatures

 private:
  std::mutex mutex_;
};

}  // namespace kw
