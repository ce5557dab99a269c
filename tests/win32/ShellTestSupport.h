#pragma once
// What the shell tests share: scratch folders in the temporary folder of the prefix, empty
// Run keys, and whether they run under Wine (whose shell differs from Windows' in a few
// documented ways).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "entries/unitSysWorks.h"
#include "platform/Registry.h"
#include "platform/win32/WideString.h"

namespace kw::win32::test_support {

// Removes every value of the Run, RunOnce and policy Run keys of both hives, in both views.
inline void EmptyRunKeys(RegistryBackend& registry) {
  for (RootKey root : {kHkeyLocalMachine, kHkeyCurrentUser})
    for (RegView view : {RegView::Bits64, RegView::Bits32})
      for (const char* key : {kRunKeyPath, kRunOnceKeyPath, kPolicyRunKeyPath}) {
        TRegistry reg(registry, root, view);
        if (reg.OpenKey(key, false))
          for (const std::string& name : reg.GetValueNames()) reg.DeleteValue(name);
      }
}

// Wine's ntdll exports its version; Windows' does not.
inline bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// A new, empty folder under the temporary folder, removed with its content at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = Narrow(temp) + "kw-" + name + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    Remove();  // a folder left by an earlier run with the same process id
    created_ = ::CreateDirectoryW(Wide(path_).c_str(), nullptr) != FALSE;
  }
  ~ScratchFolder() { Remove(); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool created() const { return created_; }
  // The folder, without a trailing backslash.
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  // Read-only files (copies of read-only test data) are made writable first, or they stay.
  void Remove() const {
    const std::filesystem::path root(Wide(path_));
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error))
      ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(root, error);
  }

  std::string path_;
  bool created_ = false;
};

inline bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

// The Windows folder of the prefix ("C:\windows"), without a trailing backslash.
inline std::string WindowsFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  ::GetWindowsDirectoryW(buffer, MAX_PATH);
  return Narrow(buffer);
}

inline std::string SystemFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  ::GetSystemDirectoryW(buffer, MAX_PATH);
  return Narrow(buffer);
}

// The test program's own file.
inline std::string TestProgramPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return Narrow(buffer);
}

}  // namespace kw::win32::test_support
