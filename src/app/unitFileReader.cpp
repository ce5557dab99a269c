#include "app/unitFileReader.h"

#include <algorithm>
#include <optional>
#include <unordered_map>


namespace kw {

namespace {

// Moves the paths of queue that are in paths to its front, in the order of paths.
void MoveToFront(std::deque<std::string>& queue, const std::vector<std::string>& paths) {
  std::unordered_map<std::string, size_t> rank;  // a page of rows, or every row of a list
  for (const std::string& path : paths) rank.emplace(path, rank.size());
  std::vector<std::optional<std::string>> front(rank.size());
  std::deque<std::string> rest;
  for (std::string& path : queue) {
    const auto it = rank.find(path);
    if (it != rank.end()) front[it->second] = std::move(path);
    else rest.push_back(std::move(path));
  }
  queue.clear();
  for (std::optional<std::string>& path : front)
    if (path) queue.push_back(std::move(*path));
  for (std::string& path : rest) queue.push_back(std::move(path));
}

void RemovePaths(std::deque<std::string>& queue, const std::vector<std::string>& paths) {
  const std::unordered_set<std::string> now(paths.begin(), paths.end());
  queue.erase(std::remove_if(queue.begin(), queue.end(), [&](const std::string& p) { return now.count(p) != 0; }),
              queue.end());
}

}  // namespace

FileReader::FileReader(VersionInfo& versions, Icons& icons, FileSystem& files, Signatures& signatures, Shell& shell)
    : versions_(versions), icons_(icons), files_(files), signatures_(signatures), shell_(shell) {}

FileReader::~FileReader() { Stop(); }

void FileReader::StartThread(std::function<std::shared_ptr<void>()> prepare, std::function<void()> arrived) {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this, prepare = std::move(prepare), arrived = std::move(arrived)] { Run(prepare, arrived); });
}

void FileReader::Stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    queue_.clear();
    checks_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  const std::lock_guard<std::mutex> lock(mutex_);
  done_.clear();
}

void FileReader::Read(const std::vector<std::string>& paths) {
  std::vector<FileDetails> dropped;  // destroyed outside the lock
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    dropped.swap(done_);
    queue_.clear();
    checks_.clear();
    std::unordered_set<std::string> seen;
    for (const std::string& path : paths)
      if (seen.insert(path).second) queue_.push_back(path);
    checks_ = queue_;
  }
  wake_.notify_all();
}

void FileReader::Prefer(const std::vector<std::string>& paths) {
  const std::lock_guard<std::mutex> lock(mutex_);
  MoveToFront(queue_, paths);
  MoveToFront(checks_, paths);
}

std::vector<FileDetails> FileReader::Take() {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<FileDetails> taken;
  taken.swap(done_);
  return taken;
}

std::vector<FileDetails> FileReader::ReadNow(const std::vector<std::string>& paths) {
  return ReadHere(queue_, paths, false);
}

std::vector<FileDetails> FileReader::CheckNow(const std::vector<std::string>& paths) {
  return ReadHere(checks_, paths, true);
}

std::vector<FileDetails> FileReader::ReadHere(std::deque<std::string>& queue, const std::vector<std::string>& paths,
                                              bool check) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    RemovePaths(queue, paths);
  }
  LocalFilesOnly local(files_, versions_, icons_);
  std::vector<FileDetails> read;
  std::unordered_set<std::string> seen;
  for (const std::string& path : paths)
    if (seen.insert(path).second) read.push_back(check ? CheckFile(local, path) : ReadFile(local, path));
  return read;
}

FileDetails FileReader::ReadFile(LocalFilesOnly& local, const std::string& path) {
  FileDetails details;
  details.path = path;
  try {
    details.strings = ReadVersionStrings(local, path);
  } catch (const std::exception&) {
    // No version strings, as for a file without them.
  }
  details.icon = ExtractFileIcon(local, path, 0);
  return details;
}

FileDetails FileReader::CheckFile(LocalFilesOnly& local, const std::string& path) {
  FileDetails details;
  details.path = path;
  try {
    const std::string subject = SignatureSubject(shell_, path);
    details.signature = signatureCache_.Check(signatures_, files_, subject, !local.IsLocal(subject));
  } catch (const std::exception&) {
    details.signature = SignatureCheck{};  // as a file that cannot be read
    details.signature->file = path;
    details.signature->unreadable = true;
  }
  return details;
}

void FileReader::Run(const std::function<std::shared_ptr<void>()>& prepare, const std::function<void()>& arrived) {
  const std::shared_ptr<void> prepared = prepare ? prepare() : nullptr;
  // The file system is asked about each drive once per list read.
  std::optional<LocalFilesOnly> local;
  unsigned localGeneration = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty() || !checks_.empty(); });
    if (stop_) break;
    // Every file's strings and icon before any signature: those are quick, and show the list.
    const bool check = queue_.empty();
    std::deque<std::string>& from = check ? checks_ : queue_;
    const std::string path = std::move(from.front());
    from.pop_front();
    const unsigned generation = generation_;
    lock.unlock();
    if (!local || localGeneration != generation) {
      local.emplace(files_, versions_, icons_);
      localGeneration = generation;
    }
    FileDetails details = check ? CheckFile(*local, path) : ReadFile(*local, path);
    lock.lock();
    if (generation != generation_ || stop_) {
      // Read for a list that is gone: its icon is released here, by its owner.
      lock.unlock();
      details = FileDetails{};
      lock.lock();
      continue;
    }
    const bool first = done_.empty();
    done_.push_back(std::move(details));
    if (first && arrived) {
      lock.unlock();
      arrived();
      lock.lock();
    }
  }
}

}  // namespace kw
