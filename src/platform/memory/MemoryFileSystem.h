#pragma once
// An in-memory file system with Windows path rules: "\" separators, names compared without
// regard to letter case, wildcard masks with "*" and "?". Entries are listed in the order
// they were made, which stands in for the file system's own order. Entries are found by their
// folded path, so that a lookup does not grow with the number of files.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kw {

class MemoryFileSystem : public FileSystem {
 public:
  std::vector<FoundFile> FindFiles(std::string_view mask) override;
  bool DirectoryExists(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool RemoveFile(std::string_view path) override;
  bool WriteWholeFile(std::string_view path, std::string_view bytes) override;
  std::optional<std::string> ReadWholeFile(std::string_view path) override;
  bool IsNetworkDrive(char letter) override { return networkDrives.count(letter) != 0; }

  // Set-up for tests; folders on the way are made as needed.
  void AddDirectory(std::string_view path);
  void AddFile(std::string_view path, std::string_view content = {}, bool hidden = false);
  // Writes, creations and deletions in this folder fail from now on.
  void RefuseChanges(std::string_view folder);
  // Fault injection: sees every write and removal of a file with its path; true refuses it.
  enum class Op { Write, Remove };
  std::function<bool(Op op, const std::string& path)> faultHook;
  // Names in this folder that differ only in case are different files from now on, as in a
  // folder with case sensitivity switched on (and Wine's folders on Linux).
  void MakeCaseSensitive(std::string_view folder);
  std::set<char> networkDrives;  // upper-case letters of mapped shares

 private:
  struct Entry {
    std::string path;  // without a trailing "\"
    bool directory = false;
    bool hidden = false;
    std::string content;
    std::uint64_t made = 0;  // the listing order
  };
  Entry* Lookup(std::string_view path);
  Entry& Make(std::string_view path, bool directory, bool hidden, std::string_view content);
  bool ChangeRefused(std::string_view path) const;
  std::string Key(std::string_view path) const;

  std::map<std::string, Entry> entries_;  // by folded path
  std::uint64_t made_ = 0;
  std::vector<std::string> refused_;
  std::set<std::string> caseSensitive_;  // folded folder paths
};

// Whether name matches a wildcard mask ("*" any run, "?" one character), ignoring case.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace kw
