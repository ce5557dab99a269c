#pragma once
// An in-memory registry with the contracts of the Windows one: key and value names compared
// without regard to letter case, subkeys enumerated in sorted order and values in the order
// they were first written, a deleted key failing the handles still open on it, a key opened for
// reading refusing writes. It can be told to refuse operations, so that every failure path can
// be run without Windows.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace kw {

enum class RegOp {
  Open,         // opening an existing key, for reading or writing
  Create,       // creating a missing key (each missing component)
  Write,        // setting a value
  DeleteValue,  // deleting a value
  DeleteKey,    // deleting a key (each key of the subtree)
  Rename,       // renaming a key (the value name given to the fault hook is the new name)
};

class MemoryRegistry : public RegistryBackend {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  std::unique_ptr<RegistryKey> TryOpenKey(RegView view, RootKey root, std::string_view path, RegAccess access,
                                          RegOpenFailure& why) override;
  bool DeleteKeyIn(RegView view, RootKey root, std::string_view path) override;
  // Handles open on the renamed key fail afterwards, as on a deleted one (Windows keeps them
  // working; the program closes its handles before it renames).
  bool RenameKeyIn(RegView view, RootKey root, std::string_view path, std::string_view newName) override;

  // As 64-bit Windows for a 64-bit program: the 32-bit view of HKLM\SOFTWARE is its
  // WOW6432Node subkey. Off (the default), there is one view, as on 32-bit Windows.
  void SetWindows64(bool on) { windows64_ = on; }

  // Fault injection. The hook sees every operation with the key path (components joined by
  // "\", as stored) and the value name; returning true refuses it.
  using FaultHook = std::function<bool(RegOp op, RootKey root, const std::string& path, const std::string& value)>;
  void SetFaultHook(FaultHook hook) { hook_ = std::move(hook); }
  // Refuses opening and creating the key and every key below it, as for a user without rights.
  void RefuseOpen(RootKey root, std::string path);
  // Refuses value writes and deletions, key creation, deletion and renaming in and below the key.
  void RefuseWrite(RootKey root, std::string path);
  // As Windows for a user without the right to change the key: opening it or a key below it
  // for writing, creating keys and deleting keys there fail; opening for reading works.
  // Paths are as stored (the 32-bit view's under WOW6432Node); "" denies the whole root.
  void DenyWriteAccess(RootKey root, std::string path);
  void ClearFaults();

  // Direct access for tests: sets a value, creating the key, without fault checks.
  void Put(RootKey root, std::string_view path, std::string_view name, RegValue value);
  void PutString(RootKey root, std::string_view path, std::string_view name, std::string_view text);
  void CreateKey(RootKey root, std::string_view path);
  bool HasKey(RootKey root, std::string_view path) const;

  struct Node;

 private:
  friend class MemoryRegistryKey;
  bool Refused(RegOp op, RootKey root, const std::string& path, const std::string& value,
               RegAccess access = RegAccess::Write) const;
  Node* Find(RootKey root, const std::vector<std::string>& components) const;
  Node* MakeKey(RootKey root, std::string_view path);
  std::vector<std::string> ViewPath(RegView view, RootKey root, std::string_view path) const;

  std::map<RootKey, std::unique_ptr<Node>> roots_;
  FaultHook hook_;
  enum class RuleKind : std::uint8_t { RefuseOpen, RefuseWrite, DenyWriteAccess };
  struct Rule {
    RuleKind kind;
    RootKey root;
    std::string path;
  };
  std::vector<Rule> rules_;
  bool windows64_ = false;
};

// Splits a key path at "\", dropping empty components.
std::vector<std::string> SplitKeyPath(std::string_view path);

}  // namespace kw
