#include "platform/win32/Win32VersionInfo.h"

#include <windows.h>

#include <vector>

#include "platform/win32/SystemFolderPath.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

class Win32VersionBlock : public VersionBlock {
 public:
  explicit Win32VersionBlock(std::vector<BYTE> data) : data_(std::move(data)) {}

  std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations() override {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> pairs;
    void* value = nullptr;
    UINT length = 0;
    if (!sys::VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length) || !value) return pairs;
    const auto* words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) pairs.emplace_back(words[i], words[i + 1]);
    return pairs;
  }

  std::optional<std::string> QueryString(std::string_view subBlock) override {
    void* value = nullptr;
    UINT length = 0;
    if (!sys::VerQueryValueW(data_.data(), Wide(subBlock).c_str(), &value, &length) || !value) return std::nullopt;
    // length counts characters and may include the terminator; the text ends at its first NUL.
    const auto* text = static_cast<const wchar_t*>(value);
    size_t n = 0;
    while (n < length && text[n] != L'\0') ++n;
    return Narrow(std::wstring_view(text, n));
  }

 private:
  std::vector<BYTE> data_;
};

}  // namespace

std::unique_ptr<VersionBlock> Win32VersionInfo::Load(std::string_view path) {
  const std::wstring file = UnredirectedPath(Wide(path));
  // Asking for the size first loads the file once more, which costs as much as the block
  // itself: a buffer that holds any usual block is tried first. The block's first word is its
  // length; one too long for the buffer, with the room the 16-bit form's conversion needs, is
  // read again the long way.
  constexpr DWORD kUsualSize = 32 * 1024;
  std::vector<BYTE> usual(kUsualSize, 0);
  if (!sys::GetFileVersionInfoW(file.c_str(), 0, kUsualSize, usual.data())) return nullptr;
  const DWORD length = *reinterpret_cast<const WORD*>(usual.data());
  if (length != 0 && 3 * length + 4 <= kUsualSize) return std::make_unique<Win32VersionBlock>(std::move(usual));
  DWORD handle = 0;
  const DWORD size = sys::GetFileVersionInfoSizeW(file.c_str(), &handle);
  if (size == 0) return nullptr;
  std::vector<BYTE> data(size, 0);
  if (!sys::GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return nullptr;
  return std::make_unique<Win32VersionBlock>(std::move(data));
}

}  // namespace kw::win32
