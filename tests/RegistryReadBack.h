#pragma once
// Reading back what the program left in the registry, for the tests on every platform. Reads
// only, so they work for a user who may not write there too.
#include <algorithm>
#include <string>
#include <vector>

#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "platform/Registry.h"

namespace kw::testing {

// The data of a Run value (or of a value of another such key), or "<missing>".
inline std::string RunValue(RegistryBackend& registry, RootKey root, const std::string& name,
                            RegView view = RegView::Native, const char* keyPath = kRunKeyPath) {
  TRegistry reg(registry, root, view);
  if (!reg.OpenKeyReadOnly(keyPath) || !reg.ValueExists(name)) return "<missing>";
  return reg.ReadString(name);
}

// The captions of the stored entries, sorted; {"<no store>"} when there is no store key.
inline std::vector<std::string> StoredCaptions(RegistryBackend& registry) {
  TRegistry reg = StoreRegistry(registry);
  if (!reg.OpenKeyReadOnly(kDisabledAppsKey)) return {"<no store>"};
  std::vector<std::string> captions;
  for (const std::string& key : reg.GetKeyNames()) {
    TRegistry entry = StoreRegistry(registry);
    entry.OpenKeyReadOnly(std::string(kDisabledAppsKey) + "\\" + key);
    captions.push_back(entry.ReadString("Caption"));
  }
  std::sort(captions.begin(), captions.end());
  return captions;
}

}  // namespace kw::testing
