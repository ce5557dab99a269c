#pragma once
// The registry as the program uses it: a backend (the Windows registry, or an in-memory
// one for tests) and TRegistry, the registry object each operation creates for itself.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PlatformConstants.h"

namespace kw {

// A value as stored. For the string types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) data is the
// UTF-8 text, embedded NULs included, without the final terminator; for the other types it
// is the raw bytes.
struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;
};

// One open key; closed when destroyed.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Names in the registry's enumeration order; the default value is the empty name.
  virtual std::vector<std::string> ValueNames() = 0;
  virtual std::vector<std::string> SubkeyNames() = 0;
  // nullopt when the value is missing or cannot be read.
  virtual std::optional<RegValue> QueryValue(std::string_view name) = 0;
  // False when the write is refused.
  virtual bool SetValue(std::string_view name, const RegValue& value) = 0;
  // False when the value did not exist or could not be deleted.
  virtual bool DeleteValue(std::string_view name) = 0;
};

// Which registry a key is looked up in on 64-bit Windows, where HKLM\SOFTWARE has a 64-bit
// and a 32-bit view (the latter under WOW6432Node). Native is the program's own; 32-bit
// Windows has one view only and ignores the choice.
enum class RegView : std::uint8_t { Native, Bits32, Bits64 };

// What an open asks for. A user without administrator rights may read HKEY_LOCAL_MACHINE but
// not write it, so reads ask for read rights only.
enum class RegAccess : std::uint8_t {
  Read,    // list names and query values of an existing key
  Write,   // also set and delete values
  Create,  // as Write, creating the key and the missing keys above it
};

// Why a key could not be opened. A missing key is often no fault at all (nothing was stored
// yet); a refused one is.
enum class RegOpenFailure : std::uint8_t {
  None,     // it was opened
  Missing,  // the key (or one above it) does not exist
  Denied,   // the user may not open it with the access asked for
  Other,    // any other failure of the registry
};

// The failure as words, e.g. "access denied".
const char* OpenFailureText(RegOpenFailure failure);

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  // Opens root\path in the view with the access asked for. Null when the key is missing (and
  // access is not Create) or the user may not open it so; why then says which. A key opened
  // for reading refuses SetValue and DeleteValue.
  virtual std::unique_ptr<RegistryKey> TryOpenKey(RegView view, RootKey root, std::string_view path,
                                                  RegAccess access, RegOpenFailure& why) = 0;
  std::unique_ptr<RegistryKey> OpenKeyIn(RegView view, RootKey root, std::string_view path, RegAccess access) {
    RegOpenFailure why = RegOpenFailure::None;
    return TryOpenKey(view, root, path, access, why);
  }
  // Deletes the key in the view with all its subkeys and values. True when the key is gone
  // afterwards, which includes a key that never existed.
  virtual bool DeleteKeyIn(RegView view, RootKey root, std::string_view path) = 0;
  // Gives root\path in the view the name newName (a name, not a path: the key stays where it
  // is), with its values and subkeys, in one step: a reader sees the key under one name or the
  // other, never in part. False when the key is missing, newName is taken or the user may not
  // rename it.
  virtual bool RenameKeyIn(RegView view, RootKey root, std::string_view path, std::string_view newName) = 0;

  // The same in the program's own view, for writing; create as RegAccess::Create.
  std::unique_ptr<RegistryKey> OpenKey(RootKey root, std::string_view path, bool create) {
    return OpenKeyIn(RegView::Native, root, path, create ? RegAccess::Create : RegAccess::Write);
  }
  bool DeleteKey(RootKey root, std::string_view path) { return DeleteKeyIn(RegView::Native, root, path); }
};

// Another backend seen through one view: what its users open in the native view is opened in
// that view instead. The other views pass through unchanged.
class RegistryInView : public RegistryBackend {
 public:
  RegistryInView(RegistryBackend& inner, RegView view) : inner_(inner), view_(view) {}
  std::unique_ptr<RegistryKey> TryOpenKey(RegView view, RootKey root, std::string_view path, RegAccess access,
                                          RegOpenFailure& why) override {
    return inner_.TryOpenKey(view == RegView::Native ? view_ : view, root, path, access, why);
  }
  bool DeleteKeyIn(RegView view, RootKey root, std::string_view path) override {
    return inner_.DeleteKeyIn(view == RegView::Native ? view_ : view, root, path);
  }
  bool RenameKeyIn(RegView view, RootKey root, std::string_view path, std::string_view newName) override {
    return inner_.RenameKeyIn(view == RegView::Native ? view_ : view, root, path, newName);
  }

 private:
  RegistryBackend& inner_;
  RegView view_;
};

// The registry object of one operation. Paths are relative to the root and use "\" between
// components. Refused writes and reads of the wrong type raise ERegistryException with the
// registry's own messages; opening reports failure by its result.
class TRegistry {
 public:
  explicit TRegistry(RegistryBackend& backend, RootKey root = kHkeyCurrentUser, RegView view = RegView::Native);

  RootKey GetRootKey() const { return root_; }
  RegView GetView() const { return view_; }
  void SetRootKey(RootKey root);

  // Opens the key for writing (closing one that was open). With canCreate the key is created
  // when missing.
  bool OpenKey(std::string_view path, bool canCreate);
  // Opens an existing key for reading only: what a user without the right to write it can
  // still do. Writes to it raise as refused writes do.
  bool OpenKeyReadOnly(std::string_view path);
  void CloseKey();
  bool HasCurrentKey() const { return key_ != nullptr; }
  // Why the last OpenKey or OpenKeyReadOnly failed; None after one that worked.
  RegOpenFailure OpenFailure() const { return openFailure_; }

  // Of the open key; empty when none is open.
  std::vector<std::string> GetValueNames();
  std::vector<std::string> GetKeyNames();
  // The value's type; kRegNone for a missing value or one whose type cannot be read.
  std::uint32_t GetDataType(std::string_view name);
  bool ValueExists(std::string_view name);

  // REG_SZ or REG_EXPAND_SZ data, unexpanded, up to the first NUL; empty for a missing value.
  // Any other type raises "Invalid data type for '<name>'".
  std::string ReadString(std::string_view name);
  // Raise "Failed to set data for '<name>'" when the write is refused or no key is open.
  void WriteString(std::string_view name, std::string_view text);
  void WriteInteger(std::string_view name, std::int32_t number);
  // A value as stored, of any type (for copying a key faithfully); nullopt when it is
  // missing or cannot be read, or no key is open.
  std::optional<RegValue> ReadValue(std::string_view name);
  // Writes a value of any type; raises as WriteString.
  void WriteValue(std::string_view name, const RegValue& value);
  bool DeleteValue(std::string_view name);

  // Deletes root\path with its whole subtree; a missing key is no error.
  bool DeleteKey(std::string_view path);
  // Renames root\path to newName in one step (RegistryBackend::RenameKeyIn).
  bool RenameKey(std::string_view path, std::string_view newName);
  bool KeyExists(std::string_view path);

 private:
  RegistryBackend& backend_;
  RootKey root_;
  RegView view_;
  std::unique_ptr<RegistryKey> key_;
  RegOpenFailure openFailure_ = RegOpenFailure::None;
};

}  // namespace kw
