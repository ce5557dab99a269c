#pragma once
// Files and folders. Paths are UTF-8 with "\" as the separator, as on Windows.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

struct FoundFile {
  std::string name;  // without folder
  bool directory = false;
  bool hidden = false;
  bool system = false;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The entries of one folder that match the wildcard mask ("C:\dir\*.lnk"), hidden and
  // system ones included, in the order the file system gives them; no subfolder is searched.
  // Empty when the folder is missing or nothing matches.
  virtual std::vector<FoundFile> FindFiles(std::string_view mask) = 0;
  virtual bool DirectoryExists(std::string_view path) = 0;
  // True for an existing file that is not a directory.
  virtual bool FileExists(std::string_view path) = 0;
  virtual bool RemoveFile(std::string_view path) = 0;
  // Creates or replaces the file with exactly these bytes.
  virtual bool WriteWholeFile(std::string_view path, std::string_view bytes) = 0;
  virtual std::optional<std::string> ReadWholeFile(std::string_view path) = 0;
  // Whether the drive of this letter ('A' to 'Z') is a network drive (a mapped share).
  virtual bool IsNetworkDrive(char letter) = 0;
};

}  // namespace kw
