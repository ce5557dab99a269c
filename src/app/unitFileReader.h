#pragma once
// The version strings, icons and signatures of program files, read off the window's thread: a
// refresh lists its entries from the registry and the shortcuts alone, and what their files
// give comes afterwards, a file at a time.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "entries/unitAppList.h"
#include "entries/unitSysWorks.h"
#include "entries/unitVerifiedPublisher.h"
#include "platform/FileSystem.h"
#include "platform/Icons.h"
#include "platform/Shell.h"
#include "platform/Signatures.h"
#include "platform/VersionInfo.h"

namespace kw {

// What one program file gives an entry: its version strings and icon, or (handed over apart,
// later) its signature. Whoever holds it owns its icon.
struct FileDetails {
  std::string path;
  VersionStrings strings;      // found is false for a file without a usable version resource
  std::unique_ptr<Icon> icon;  // null for a file without an icon
  std::optional<SignatureCheck> signature;  // set on the signature's own details only
};

// Reads the files it is given, each once, in the order given, on a thread of its own once
// StartThread has run (else only where ReadNow and CheckNow ask). The version strings and
// icons of all the files come first; then their signatures, each a read of the whole file.
// A file checked before is read again only once it has changed (SignatureCache), so a file
// that several entries run as (a script host) is read once, and a refresh reads no file that
// the last one read unchanged. Files on other
// computers give nothing (LocalFilesOnly). What has been read waits until the window's
// thread takes it; a new Read drops whatever the reader still had to read or to hand over.
// Every icon belongs to one side at a time: the reader's while it reads the file, the
// queue's until Take, the taker's after; icons that nobody takes are destroyed with the queue.
class FileReader {
 public:
  FileReader(VersionInfo& versions, Icons& icons, FileSystem& files, Signatures& signatures, Shell& shell);
  ~FileReader();  // Stop
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Starts the thread (once). prepare runs first on it, and what it returns is released as
  // the thread ends (the shell's apartment on Windows); arrived is called on it each time
  // something waits to be taken where nothing waited before.
  void StartThread(std::function<std::shared_ptr<void>()> prepare, std::function<void()> arrived);
  // Ends the thread once the file it reads is done; what waits is dropped.
  void Stop();

  // Drops what is still to be read or taken, and reads these files from now on.
  void Read(const std::vector<std::string>& paths);
  // Those of the files still to be read (and still to be checked) move to the front, in this
  // order.
  void Prefer(const std::vector<std::string>& paths);
  // What has been read since the last Take, in the order it was read.
  std::vector<FileDetails> Take();
  // Reads these files at once on the caller's thread, taking them out of what the reader
  // still has to read. A file the reader is reading just then is read twice.
  std::vector<FileDetails> ReadNow(const std::vector<std::string>& paths);
  // Checks the signatures of these files at once on the caller's thread, taking them out of
  // what the reader still has to check. For a view without a thread of its own only: a check
  // reads the whole file.
  std::vector<FileDetails> CheckNow(const std::vector<std::string>& paths);

 private:
  void Run(const std::function<std::shared_ptr<void>()>& prepare, const std::function<void()>& arrived);
  static FileDetails ReadFile(LocalFilesOnly& local, const std::string& path);
  // Takes the paths out of queue (the files to read, or to check) and reads or checks them on
  // the caller's thread.
  std::vector<FileDetails> ReadHere(std::deque<std::string>& queue, const std::vector<std::string>& paths, bool check);
  // The signature of what the file runs as.
  FileDetails CheckFile(LocalFilesOnly& local, const std::string& path);

  VersionInfo& versions_;
  Icons& icons_;
  FileSystem& files_;
  Signatures& signatures_;
  Shell& shell_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  std::deque<std::string> checks_;  // files whose signature is still to be checked
  SignatureCache signatureCache_;
  std::vector<FileDetails> done_;
  unsigned generation_ = 0;  // of the current Read; what an earlier one read is dropped
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace kw
