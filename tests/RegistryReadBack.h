#pragma once
// Reading back what the program left in the registry, for the tests on every platform.
#include <algorithm>
#include <string>
#include <vector>

#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "platform/Registry.h"

namespace kw::testing {

// The data of a Run value, or "<missing>".
inline std::string RunValue(RegistryBackend& registry, RootKey root, const std::string& name) {
  TRegistry reg(registry, root);
  if (!reg.OpenKey(kRunKeyPath, false) || !reg.ValueExists(name)) return "<missing>";
  return reg.ReadString(name);
}

// The captions of the stored entries, sorted; {"<no store>"} when there is no store key.
inline std::vector<std::string> StoredCaptions(RegistryBackend& registry) {
  TRegistry reg = StoreRegistry(registry);
  if (!reg.OpenKey(kDisabledAppsKey, false)) return {"<no store>"};
  std::vector<std::string> captions;
  for (const std::string& key : reg.GetKeyNames()) {
    TRegistry entry = StoreRegistry(registry);
    entry.OpenKey(std::string(kDisabledAppsKey) + "\\" + key, false);
    captions.push_back(entry.ReadString("Caption"));
  }
  std::sort(captions.begin(), captions.end());
  return captions;
}

}  // namespace kw::testing
