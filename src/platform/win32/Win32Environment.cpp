#include "platform/win32/Win32Environment.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "platform/win32/ComApartment.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

std::string Win32Environment::ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32Environment::UserLanguageName() {
  wchar_t name[80] = {};
  if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name, 80) == 0) return {};
  return Narrow(name);
}

std::string Win32Environment::TempFolder() {
  wchar_t folder[MAX_PATH + 2] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH + 1) return {};
  std::string result = Narrow(std::wstring_view(folder, length));
  if (!result.empty() && result.back() != '\\') result += '\\';
  return result;
}

bool Win32Environment::Windows64() {
  if (sizeof(void*) == 8) return true;
  BOOL wow = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow) && wow;
}

std::string Win32Environment::ExpandStrings(std::string_view text) {
  const std::wstring source = Wide(text);
  const DWORD size = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
  if (size == 0) return std::string(text);
  std::vector<wchar_t> expanded(size + 1);
  const DWORD written = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), size + 1);
  if (written == 0 || written > size + 1) return std::string(text);
  return Narrow(std::wstring_view(expanded.data(), written - 1));
}

std::optional<std::string> Win32Environment::LoadIndirectString(std::string_view source) {
  // A package's strings are a few hundred characters at most; longer ones are cut.
  std::vector<wchar_t> text(4096);
  // A package's resources are read through COM, on whichever thread asks.
  const ComApartment apartment;
  if (FAILED(::SHLoadIndirectString(Wide(source).c_str(), text.data(), static_cast<UINT>(text.size()), nullptr)))
    return std::nullopt;
  return Narrow(text.data());
}

std::string Win32Environment::UserName() {
  wchar_t user[257] = {}, domain[257] = {};
  DWORD length = 257;
  if (!::GetUserNameW(user, &length)) return {};
  const DWORD domainLength = ::GetEnvironmentVariableW(L"USERDOMAIN", domain, 257);
  return (domainLength > 0 && domainLength < 257 ? Narrow(domain) + "\\" : std::string()) + Narrow(user);
}

}  // namespace kw::win32
