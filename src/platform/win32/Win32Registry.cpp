#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace kw::win32 {

namespace {

// The predefined keys are sign-extended 32-bit values (HKEY_LOCAL_MACHINE is
// 0xFFFFFFFF80000002 in a 64-bit program), so the number goes through LONG, as the system's
// own definitions do.
HKEY RootHandle(RootKey root) {
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
}

REGSAM ViewFlag(RegView view) {
  switch (view) {
    case RegView::Bits32: return KEY_WOW64_32KEY;
    case RegView::Bits64: return KEY_WOW64_64KEY;
    case RegView::Native: break;
  }
  return 0;
}

std::wstring KeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return Wide(path);
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(unique_hkey key) : key_(std::move(key)) {}

  std::vector<std::string> ValueNames() override {
    return Enumerate([this](DWORD index, wchar_t* buffer, DWORD* length) {
      return ::RegEnumValueW(key_.get(), index, buffer, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::vector<std::string> SubkeyNames() override {
    return Enumerate([this](DWORD index, wchar_t* buffer, DWORD* length) {
      return ::RegEnumKeyExW(key_.get(), index, buffer, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::optional<RegValue> QueryValue(std::string_view name) override {
    const std::wstring wname = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG status = ::RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    // The value may grow between the two calls; ask again until it fits.
    for (int attempt = 0; attempt < 8 && status == ERROR_SUCCESS; ++attempt) {
      data.resize(size + sizeof(wchar_t));
      DWORD got = size;
      status = ::RegQueryValueExW(key_.get(), wname.c_str(), nullptr, &type, data.data(), &got);
      if (status == ERROR_MORE_DATA) {
        status = ERROR_SUCCESS;
        size = got > size ? got : size * 2 + 16;
        continue;
      }
      size = got;
      break;
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    RegValue value;
    value.type = type;
    if (IsStringType(type)) {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
      if (!text.empty() && text.back() == L'\0') text.pop_back();
      value.data = Narrow(text);
    } else {
      value.data.assign(reinterpret_cast<const char*>(data.data()), size);
    }
    return value;
  }

  bool SetValue(std::string_view name, const RegValue& value) override {
    const std::wstring wname = Wide(name);
    LONG status;
    if (IsStringType(value.type)) {
      const std::wstring text = Wide(value.data);
      const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
      status = ::RegSetValueExW(key_.get(), wname.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(text.c_str()),
                                bytes);
    } else {
      status = ::RegSetValueExW(key_.get(), wname.c_str(), 0, value.type,
                                reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
    }
    return status == ERROR_SUCCESS;
  }

  bool DeleteValue(std::string_view name) override {
    return ::RegDeleteValueW(key_.get(), Wide(name).c_str()) == ERROR_SUCCESS;
  }

 private:
  template <typename EnumFn>
  std::vector<std::string> Enumerate(EnumFn enumerate) {
    std::vector<std::string> names;
    std::vector<wchar_t> buffer(256);
    for (DWORD index = 0;;) {
      auto length = static_cast<DWORD>(buffer.size());
      const LONG status = enumerate(index, buffer.data(), &length);
      if (status == ERROR_MORE_DATA && buffer.size() < 65536) {
        buffer.resize(buffer.size() * 4);
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      names.push_back(Narrow(std::wstring_view(buffer.data(), length)));
      ++index;
    }
    return names;
  }

  unique_hkey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::TryOpenKey(RegView view, RootKey root, std::string_view path,
                                                       RegAccess access, RegOpenFailure& why) {
  const std::wstring wpath = KeyPath(path);
  // The narrowest rights each use needs: a user without administrator rights gets read
  // rights on HKEY_LOCAL_MACHINE, and nothing at all when more is asked for. A key handle
  // never creates or deletes keys below it (that goes through the root), so no open asks
  // for KEY_CREATE_SUB_KEY or DELETE.
  const REGSAM rights = access == RegAccess::Read ? KEY_READ : KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;
  unique_hkey key;
  LONG status;
  if (access == RegAccess::Create) {
    status = ::RegCreateKeyExW(RootHandle(root), wpath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               rights | ViewFlag(view), nullptr, key.put(), nullptr);
  } else {
    status = ::RegOpenKeyExW(RootHandle(root), wpath.c_str(), 0, rights | ViewFlag(view), key.put());
  }
  switch (status) {
    case ERROR_SUCCESS: why = RegOpenFailure::None; return std::make_unique<Win32RegistryKey>(std::move(key));
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: why = RegOpenFailure::Missing; break;
    case ERROR_ACCESS_DENIED: why = RegOpenFailure::Denied; break;
    default: why = RegOpenFailure::Other; break;
  }
  return nullptr;
}

bool Win32Registry::DeleteKeyIn(RegView view, RootKey root, std::string_view path) {
  std::wstring wpath = KeyPath(path);
  while (!wpath.empty() && wpath.back() == L'\\') wpath.pop_back();
  if (wpath.empty()) return false;  // never the root itself
  // The key is emptied through a handle with the rights RegDeleteTreeW needs (DELETE,
  // KEY_ENUMERATE_SUB_KEYS, KEY_QUERY_VALUE, and KEY_SET_VALUE for its values), then deleted
  // by path; both stay in the view. Nothing is asked of the key above it.
  unique_hkey key;
  LONG status = ::RegOpenKeyExW(RootHandle(root), wpath.c_str(), 0,
                                DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | ViewFlag(view),
                                key.put());
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  status = ::RegDeleteTreeW(key.get(), nullptr);
  key.reset();
  if (status != ERROR_SUCCESS) return false;
  status = ::RegDeleteKeyExW(RootHandle(root), wpath.c_str(), ViewFlag(view), 0);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool Win32Registry::RenameKeyIn(RegView view, RootKey root, std::string_view path, std::string_view newName) {
  std::wstring wpath = KeyPath(path);
  while (!wpath.empty() && wpath.back() == L'\\') wpath.pop_back();
  if (wpath.empty() || newName.empty() || newName.find('\\') != std::string_view::npos) return false;
  // RegRenameKey renames the key its handle is open on (with no subkey name given), which it
  // needs opened with KEY_WRITE; the system makes the new name visible in one step.
  unique_hkey key;
  if (::RegOpenKeyExW(RootHandle(root), wpath.c_str(), 0, KEY_WRITE | ViewFlag(view), key.put()) != ERROR_SUCCESS)
    return false;
  return ::RegRenameKey(key.get(), nullptr, Wide(newName).c_str()) == ERROR_SUCCESS;
}

}  // namespace kw::win32
