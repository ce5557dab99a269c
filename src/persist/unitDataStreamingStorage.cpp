// The registry forms of an option list and of a collection of option lists, with the
// collection save that never loses a stored list.
//
// Neither save deletes the old key before writing: a refused write part way through would
// lose every list not yet rewritten. Both bring the key into its new state in place, writing
// only the values that differ and deleting what is left over afterwards, so a failure leaves
// the old data standing instead of a half-written key; the collection save also undoes what
// it wrote when it fails.
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "persist/unitDataStreamingCollections.h"
#include "platform/Registry.h"
#include "util/unitErrors.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

// A key path names a key below the root only when it has a component.
bool NamesAKey(std::string_view path) { return path.find_first_not_of('\\') != std::string_view::npos; }

// A ListName that the registry form can hold: one non-empty key name.
bool IsStorableName(std::string_view name) { return !name.empty() && name.find('\\') == std::string_view::npos; }

std::string SubPath(std::string_view key, std::string_view name) {
  std::string path(key);
  path += '\\';
  path += name;
  return path;
}

// The first of names equal to name without regard to letter case, as the registry compares.
std::vector<std::string>::const_iterator FindName(const std::vector<std::string>& names, std::string_view name) {
  return std::find_if(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); });
}

using Values = std::vector<std::pair<std::string, RegValue>>;

// A key as read, values with their types and the subkeys below it, for putting it back.
struct KeyCopy {
  std::string name;
  Values values;
  std::vector<KeyCopy> subkeys;
};

// The values that the lines give, in the order they are created: one per distinct line name
// (without regard to letter case), with the name of its first line and the data of its last,
// as writing the lines one by one into a key would give. Lines without "=" give nothing.
Values StoredValues(const TStringList& lines) {
  Values values;
  for (const std::string& line : lines.Lines()) {
    std::string_view name, value;
    if (!SplitLine(line, name, value)) continue;
    auto it = std::find_if(values.begin(), values.end(), [&](const auto& v) { return SameText(v.first, name); });
    if (it != values.end()) it->second.data = std::string(value);
    else values.emplace_back(std::string(name), RegValue{kRegSz, std::string(value)});
  }
  return values;
}

// Makes the open key hold exactly values (names, types and data) and no subkeys, writing only
// what differs; leftovers are deleted after every write succeeded. path is the open key's, for
// deleting its subkeys. Raises on a refused write; false on a refused deletion.
bool SyncOpenKey(TRegistry& reg, const std::string& path, const Values& values) {
  const std::vector<std::string> oldNames = reg.GetValueNames();
  for (const auto& [name, value] : values) {
    const auto old = FindName(oldNames, name);
    if (old != oldNames.end() && *old != name) {
      // Same value, name in another letter case: only a new value takes the new name.
      if (!reg.DeleteValue(*old)) return false;
    } else if (old != oldNames.end()) {
      const std::optional<RegValue> current = reg.ReadValue(name);
      if (current && current->type == value.type && current->data == value.data) continue;
    }
    reg.WriteValue(name, value);
  }
  for (const std::string& old : oldNames) {
    const bool wanted =
        std::any_of(values.begin(), values.end(), [&](const auto& v) { return SameText(v.first, old); });
    if (!wanted && !reg.DeleteValue(old)) return false;
  }
  const std::vector<std::string> subkeys = reg.GetKeyNames();
  reg.CloseKey();
  for (const std::string& subkey : subkeys)
    if (!reg.DeleteKey(SubPath(path, subkey))) return false;
  return true;
}

// Reads root\path with everything below it; nullopt when any part cannot be read.
std::optional<KeyCopy> ReadKeyCopy(TRegistry& reg, const std::string& path, const std::string& name) {
  if (!reg.OpenKeyReadOnly(path)) return std::nullopt;
  KeyCopy copy{name, {}, {}};
  for (const std::string& valueName : reg.GetValueNames()) {
    std::optional<RegValue> value = reg.ReadValue(valueName);
    if (!value) return std::nullopt;
    copy.values.emplace_back(valueName, std::move(*value));
  }
  const std::vector<std::string> subkeys = reg.GetKeyNames();
  reg.CloseKey();
  for (const std::string& subkey : subkeys) {
    std::optional<KeyCopy> below = ReadKeyCopy(reg, SubPath(path, subkey), subkey);
    if (!below) return std::nullopt;
    copy.subkeys.push_back(std::move(*below));
  }
  return copy;
}

// Puts the key parent\copy.name back as copy holds it, in place where it still carries that
// name; raises or gives false on a refusal.
bool RestoreKey(TRegistry& reg, const std::string& parent, const KeyCopy& copy) {
  const std::string path = SubPath(parent, copy.name);
  if (!reg.OpenKeyReadOnly(parent)) return false;
  const std::vector<std::string> siblings = reg.GetKeyNames();
  const auto now = FindName(siblings, copy.name);
  if (now != siblings.end() && *now != copy.name && !reg.DeleteKey(path)) return false;  // the name's case comes back
  if (!reg.OpenKey(path, true) || !SyncOpenKey(reg, path, copy.values)) return false;
  for (const KeyCopy& subkey : copy.subkeys)
    if (!RestoreKey(reg, path, subkey)) return false;
  return true;
}

}  // namespace

// ---- one list ----

bool TOptionsList::SaveToRegistry(RegistryBackend& registry, std::string_view path, RootKey root) const {
  try {
    if (!NamesAKey(path)) return false;
    TRegistry reg(registry, root);
    if (!reg.OpenKey(path, true)) return false;
    return SyncOpenKey(reg, std::string(path), StoredValues(*this));
  } catch (...) {
    return false;
  }
}

bool TOptionsList::LoadFromRegistry(RegistryBackend& registry, std::string_view path, RootKey root) {
  Clear();
  try {
    if (!NamesAKey(path)) return false;
    TRegistry reg(registry, root);
    if (!reg.OpenKeyReadOnly(path)) return false;
    for (const std::string& name : reg.GetValueNames()) Add(name + "=" + reg.ReadString(name));
    reg.CloseKey();
    return true;
  } catch (...) {
    return false;
  }
}

// ---- a collection ----

namespace {

// One subkey that the save is to leave: the last list of the collection with that name
// (without regard to letter case).
struct Target {
  const TOptionsList* list;
  std::string name;
  std::optional<KeyCopy> old;  // the subkey of that name as it was, when there was one
  bool touched = false;        // the save has begun to change it
};

class CollectionSave {
 public:
  CollectionSave(RegistryBackend& backend, std::string_view key, RootKey root)
      : backend_(backend), reg_(backend, root), key_(key), root_(root) {}

  bool Run(const std::vector<const TOptionsList*>& lists) {
    if (!NamesAKey(key_)) return false;
    for (const TOptionsList* list : lists) {
      if (!IsStorableName(list->ListName)) return false;
      AddTarget(*list);
    }

    // Read the old state before anything changes; a stored list that could not be read could
    // not be put back after a failure, so then nothing is changed.
    existed_ = reg_.KeyExists(key_);
    if (!reg_.OpenKey(key_, true)) return false;
    const std::vector<std::string> oldNames = reg_.GetKeyNames();
    reg_.CloseKey();
    // By folded name, so that a store of thousands of lists is matched in linear time.
    std::unordered_map<std::string, const std::string*> oldByName;
    for (const std::string& name : oldNames) oldByName.try_emplace(FoldCase(name), &name);
    for (Target& target : targets_) {
      const auto old = oldByName.find(FoldCase(target.name));
      if (old == oldByName.end()) continue;
      target.old = ReadKeyCopy(reg_, SubPath(key_, *old->second), *old->second);
      if (!target.old) return false;
    }

    // New names first: a registry that refuses writes then stops the save before any stored
    // list is changed. Stored lists are brought up to date in place (nothing is written for
    // one that already holds its new lines).
    std::stable_partition(targets_.begin(), targets_.end(), [](const Target& t) { return !t.old; });
    try {
      for (Target& target : targets_) {
        target.touched = true;
        const std::string path = SubPath(key_, target.name);
        const bool renamed = target.old && target.old->name != target.name;  // only the letter case differs
        if ((renamed && !reg_.DeleteKey(path)) || !target.list->SaveToRegistry(backend_, path, root_)) {
          Undo();
          return false;
        }
      }
    } catch (...) {
      Undo();
      return false;
    }
    return RemoveObsolete();
  }

 private:
  void AddTarget(const TOptionsList& list) {
    const auto [at, added] = targetByName_.try_emplace(FoldCase(list.ListName), targets_.size());
    if (!added) {
      Target& target = targets_[at->second];
      target.list = &list;
      target.name = list.ListName;
      return;
    }
    targets_.push_back(Target{&list, list.ListName, std::nullopt, false});
  }

  // Best effort: deletes the new subkeys and puts the changed ones back as they were; a key
  // that the save created goes again when nothing else is in it.
  void Undo() noexcept {
    for (const Target& target : targets_) {
      if (!target.touched) continue;
      try {
        if (target.old) RestoreKey(reg_, key_, *target.old);
        else reg_.DeleteKey(SubPath(key_, target.name));
      } catch (...) {
        // This one stays as it is; go on with the others.
      }
    }
    try {
      if (!existed_ && reg_.OpenKeyReadOnly(key_)) {
        const bool empty = reg_.GetKeyNames().empty() && reg_.GetValueNames().empty();
        reg_.CloseKey();
        if (empty) reg_.DeleteKey(key_);
      }
    } catch (...) {
    }
  }

  // Every target is now stored under its exact name; every other subkey, and every value of
  // the collection key itself, is obsolete. A refused deletion gives false (the rest stays).
  bool RemoveObsolete() {
    if (!reg_.OpenKey(key_, false)) return false;
    const std::vector<std::string> names = reg_.GetKeyNames();
    bool ok = true;
    for (const std::string& value : reg_.GetValueNames()) ok = reg_.DeleteValue(value) && ok;
    reg_.CloseKey();
    std::unordered_set<std::string> wanted;
    for (const Target& target : targets_) wanted.insert(target.name);
    for (const std::string& name : names)
      if (!wanted.count(name)) ok = reg_.DeleteKey(SubPath(key_, name)) && ok;
    return ok;
  }

  RegistryBackend& backend_;
  TRegistry reg_;
  std::string key_;
  RootKey root_;
  bool existed_ = true;
  std::vector<Target> targets_;
  std::unordered_map<std::string, size_t> targetByName_;  // folded name -> position, while adding
};

}  // namespace

bool TMultiOptions::SaveToRegistry(RegistryBackend& registry, std::string_view key, RootKey root) {
  try {
    std::vector<const TOptionsList*> lists;
    lists.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) lists.push_back(&GetItem(i));
    return CollectionSave(registry, key, root).Run(lists);
  } catch (...) {
    return false;
  }
}

bool TMultiOptions::LoadFromRegistry(RegistryBackend& registry, std::string_view key, RootKey root) {
  Clear();
  try {
    if (!NamesAKey(key)) return false;
    std::vector<std::string> names;
    {
      TRegistry reg(registry, root);
      if (!reg.OpenKeyReadOnly(key)) return false;
      names = reg.GetKeyNames();
      reg.CloseKey();
    }
    const std::string base(key);
    // FindOrAdd of a name not loaded yet walks every list, only to set the Index of the last
    // one added (the others have theirs already) and then add one: done directly, so that the
    // load does not grow with the square of the lists. Subkey names never repeat; should one,
    // FindOrAdd finds its list.
    std::unordered_set<std::string> loaded;
    for (const std::string& name : names) {
      TOptionsList* list = nullptr;
      if (loaded.insert(name).second) {
        if (Count() > 0) GetItem(Count() - 1);
        list = &Add();
        list->ListName = name;
      } else {
        list = &FindOrAdd(name);
      }
      if (!list->LoadFromRegistry(registry, SubPath(base, name), root)) return false;
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace kw
