#include "platform/memory/MemoryFileSystem.h"

#include <algorithm>

#include "util/unitStrUtils.h"

namespace kw {

namespace {

std::string Normalised(std::string_view path) {
  std::string p(path);
  while (p.size() > 1 && p.back() == '\\') p.pop_back();
  return p;
}

// The folder of a path, without a trailing "\" (a drive root is "C:").
std::string ParentOf(std::string_view path) { return Normalised(ExtractFilePath(Normalised(path))); }

bool MatchFolded(std::string_view name, std::string_view mask) {
  if (mask.empty()) return name.empty();
  if (mask.front() == '*') {
    for (size_t skip = 0; skip <= name.size(); ++skip)
      if (MatchFolded(name.substr(skip), mask.substr(1))) return true;
    return false;
  }
  if (name.empty()) return false;
  if (mask.front() != '?' && mask.front() != name.front()) return false;
  return MatchFolded(name.substr(1), mask.substr(1));
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) { return MatchFolded(FoldCase(name), FoldCase(mask)); }

// The folded path; in a case-sensitive folder, the file's own name keeps its case.
std::string MemoryFileSystem::Key(std::string_view path) const {
  const std::string p = Normalised(path);
  if (caseSensitive_.empty()) return FoldCase(p);
  const std::string folder = FoldCase(ParentOf(p));
  if (!caseSensitive_.count(folder)) return FoldCase(p);
  return folder + "\\" + ExtractFileName(p);
}

void MemoryFileSystem::MakeCaseSensitive(std::string_view folder) { caseSensitive_.insert(FoldCase(Normalised(folder))); }

MemoryFileSystem::Entry* MemoryFileSystem::Lookup(std::string_view path) {
  auto it = entries_.find(Key(path));
  return it == entries_.end() ? nullptr : &it->second;
}

MemoryFileSystem::Entry& MemoryFileSystem::Make(std::string_view path, bool directory, bool hidden,
                                                std::string_view content) {
  const std::string p = Normalised(path);
  return entries_[Key(p)] = Entry{p, directory, hidden, std::string(content), made_++};
}

bool MemoryFileSystem::ChangeRefused(std::string_view path) const {
  const std::string parent = FoldCase(ParentOf(path));
  return std::any_of(refused_.begin(), refused_.end(), [&](const std::string& f) { return FoldCase(f) == parent; });
}

std::vector<FoundFile> MemoryFileSystem::FindFiles(std::string_view mask) {
  std::vector<FoundFile> found;
  const std::string folder = FoldCase(ParentOf(mask));
  const std::string pattern = ExtractFileName(mask);
  if (!DirectoryExists(ParentOf(mask))) return found;
  // The folder's entries lie together, behind the folder's own path and a "\".
  const std::string prefix = folder + "\\";
  std::vector<const Entry*> inFolder;
  for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.starts_with(prefix); ++it)
    if (FoldCase(ParentOf(it->second.path)) == folder) inFolder.push_back(&it->second);
  std::sort(inFolder.begin(), inFolder.end(), [](const Entry* a, const Entry* b) { return a->made < b->made; });
  for (const Entry* entry : inFolder) {
    const std::string name = ExtractFileName(entry->path);
    if (MatchesMask(name, pattern)) found.push_back(FoundFile{name, entry->directory, entry->hidden});
  }
  return found;
}

bool MemoryFileSystem::DirectoryExists(std::string_view path) {
  const Entry* entry = Lookup(path);
  return entry && entry->directory;
}

bool MemoryFileSystem::FileExists(std::string_view path) {
  const Entry* entry = Lookup(path);
  return entry && !entry->directory;
}

bool MemoryFileSystem::RemoveFile(std::string_view path) {
  const Entry* entry = Lookup(path);
  if (!entry || entry->directory || ChangeRefused(path)) return false;
  if (faultHook && faultHook(Op::Remove, std::string(path))) return false;
  entries_.erase(Key(path));
  return true;
}

bool MemoryFileSystem::WriteWholeFile(std::string_view path, std::string_view bytes) {
  if (!DirectoryExists(ParentOf(path)) || ChangeRefused(path)) return false;
  Entry* entry = Lookup(path);
  if (entry && entry->directory) return false;
  if (faultHook && faultHook(Op::Write, std::string(path))) return false;
  if (!entry) entry = &Make(path, false, false, {});
  entry->content.assign(bytes);
  return true;
}

std::optional<std::string> MemoryFileSystem::ReadWholeFile(std::string_view path) {
  const Entry* entry = Lookup(path);
  if (!entry || entry->directory) return std::nullopt;
  return entry->content;
}

void MemoryFileSystem::AddDirectory(std::string_view path) {
  const std::string p = Normalised(path);
  if (Lookup(p)) return;
  const std::string parent = ParentOf(p);
  if (!parent.empty() && parent != p) AddDirectory(parent);
  Make(p, true, false, {});
}

void MemoryFileSystem::AddFile(std::string_view path, std::string_view content, bool hidden) {
  AddDirectory(ParentOf(path));
  Entry* entry = Lookup(path);
  if (!entry) {
    Make(path, false, hidden, content);
  } else {
    entry->content.assign(content);
    entry->hidden = hidden;
  }
}

void MemoryFileSystem::RefuseChanges(std::string_view folder) { refused_.push_back(Normalised(folder)); }

}  // namespace kw
