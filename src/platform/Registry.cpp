#include "platform/Registry.h"

#include "util/unitErrors.h"

namespace kw {

const char* OpenFailureText(RegOpenFailure failure) {
  switch (failure) {
    case RegOpenFailure::None: return "no error";
    case RegOpenFailure::Missing: return "it does not exist";
    case RegOpenFailure::Denied: return "access denied";
    case RegOpenFailure::Other: break;
  }
  return "the registry could not open it";
}

TRegistry::TRegistry(RegistryBackend& backend, RootKey root, RegView view)
    : backend_(backend), root_(root), view_(view) {}

void TRegistry::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

bool TRegistry::OpenKey(std::string_view path, bool canCreate) {
  CloseKey();
  openFailure_ = RegOpenFailure::None;
  key_ = backend_.TryOpenKey(view_, root_, path, canCreate ? RegAccess::Create : RegAccess::Write, openFailure_);
  return key_ != nullptr;
}

bool TRegistry::OpenKeyReadOnly(std::string_view path) {
  CloseKey();
  openFailure_ = RegOpenFailure::None;
  key_ = backend_.TryOpenKey(view_, root_, path, RegAccess::Read, openFailure_);
  return key_ != nullptr;
}

void TRegistry::CloseKey() { key_.reset(); }

std::vector<std::string> TRegistry::GetValueNames() { return key_ ? key_->ValueNames() : std::vector<std::string>{}; }

std::vector<std::string> TRegistry::GetKeyNames() { return key_ ? key_->SubkeyNames() : std::vector<std::string>{}; }

std::uint32_t TRegistry::GetDataType(std::string_view name) {
  if (!key_) return kRegNone;
  const auto value = key_->QueryValue(name);
  return value ? value->type : kRegNone;
}

bool TRegistry::ValueExists(std::string_view name) { return key_ && key_->QueryValue(name).has_value(); }

std::string TRegistry::ReadString(std::string_view name) {
  if (!key_) return {};
  const auto value = key_->QueryValue(name);
  if (!value) return {};
  if (value->type != kRegSz && value->type != kRegExpandSz)
    throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
  const size_t nul = value->data.find('\0');
  return nul == std::string::npos ? value->data : value->data.substr(0, nul);
}

std::optional<RegValue> TRegistry::ReadValue(std::string_view name) {
  if (!key_) return std::nullopt;
  return key_->QueryValue(name);
}

void TRegistry::WriteValue(std::string_view name, const RegValue& value) {
  if (!key_ || !key_->SetValue(name, value))
    throw ERegistryException("Failed to set data for '" + std::string(name) + "'");
}

void TRegistry::WriteString(std::string_view name, std::string_view text) {
  WriteValue(name, RegValue{kRegSz, std::string(text)});
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t number) {
  const auto bits = static_cast<std::uint32_t>(number);
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  WriteValue(name, RegValue{kRegDword, data});
}

bool TRegistry::DeleteValue(std::string_view name) { return key_ && key_->DeleteValue(name); }

bool TRegistry::DeleteKey(std::string_view path) { return backend_.DeleteKeyIn(view_, root_, path); }

bool TRegistry::RenameKey(std::string_view path, std::string_view newName) {
  return backend_.RenameKeyIn(view_, root_, path, newName);
}

bool TRegistry::KeyExists(std::string_view path) {
  return backend_.OpenKeyIn(view_, root_, path, RegAccess::Read) != nullptr;
}

}  // namespace kw
