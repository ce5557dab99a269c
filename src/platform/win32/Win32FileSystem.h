#pragma once
// Files through the wide Windows file functions.
#include "platform/FileSystem.h"

namespace kw::win32 {

class Win32FileSystem : public FileSystem {
 public:
  std::vector<FoundFile> FindFiles(std::string_view mask) override;
  bool DirectoryExists(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool RemoveFile(std::string_view path) override;
  bool WriteWholeFile(std::string_view path, std::string_view bytes) override;
  std::optional<std::string> ReadWholeFile(std::string_view path) override;
  bool IsNetworkDrive(char letter) override;
};

}  // namespace kw::win32
