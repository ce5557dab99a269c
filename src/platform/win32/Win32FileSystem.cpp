#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

std::vector<FoundFile> Win32FileSystem::FindFiles(std::string_view mask) {
  std::vector<FoundFile> found;
  WIN32_FIND_DATAW data{};
  unique_find_handle search(::FindFirstFileW(Wide(mask).c_str(), &data));
  if (!search) return found;
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    found.push_back(FoundFile{Narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                              (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                              (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0});
  } while (::FindNextFileW(search.get(), &data));
  return found;
}

bool Win32FileSystem::DirectoryExists(std::string_view path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::FileExists(std::string_view path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::RemoveFile(std::string_view path) { return ::DeleteFileW(Wide(path).c_str()) != FALSE; }

bool Win32FileSystem::WriteWholeFile(std::string_view path, std::string_view bytes) {
  unique_file file(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
  if (!file) return false;
  size_t written = 0;
  while (written < bytes.size()) {
    DWORD chunk = 0;
    const auto want = static_cast<DWORD>(bytes.size() - written > 0x10000000 ? 0x10000000 : bytes.size() - written);
    if (!::WriteFile(file.get(), bytes.data() + written, want, &chunk, nullptr) || chunk == 0) return false;
    written += chunk;
  }
  return true;
}

std::optional<std::string> Win32FileSystem::ReadWholeFile(std::string_view path) {
  unique_file file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  return content;
}

bool Win32FileSystem::IsNetworkDrive(char letter) {
  const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}

}  // namespace kw::win32
