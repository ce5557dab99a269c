#include "entries/unitComebacks.h"

#include <algorithm>
#include <unordered_map>

#include "entries/unitAppListState.h"
#include "entries/unitStartupApproved.h"
#include "util/unitStrUtils.h"

namespace kw {

bool SwitchOffWithWindowsSet(Platform& platform) {
  TRegistry reg(platform.registry, kHkeyCurrentUser);
  if (!reg.OpenKeyReadOnly(kSettingsKey)) return false;
  const auto value = reg.ReadValue(kWindowsSwitchSetting);
  return value && value->type == kRegDword && value->data.size() == 4 && value->data != std::string(4, '\0');
}

bool SetSwitchOffWithWindows(Platform& platform, bool on) {
  TRegistry reg(platform.registry, kHkeyCurrentUser);
  if (!reg.OpenKey(kSettingsKey, true)) return false;
  try {
    reg.WriteInteger(kWindowsSwitchSetting, on ? 1 : 0);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool HasWindowsSwitch(const TAppItem& entry) {
  const std::string origin = GetOptionString(entry, keys::Origin);
  for (const int switched : {orRegistryCommon, orRegistryUser, orStartupCommon, orStartupUser})
    if (origin == std::to_string(switched)) return true;
  return false;
}

bool SameProgram(const TAppItem& a, const TAppItem& b) {
  if (IsShortcutWithoutFileTarget(a) || IsShortcutWithoutFileTarget(b)) {
    const auto bytes = LinkBytesOf(a);
    return bytes && bytes == LinkBytesOf(b);
  }
  const std::string path = a.FullPath();
  if (path.empty()) return false;
  return SameText(path, b.FullPath()) || SameText(a.ProgramFile(), b.ProgramFile());
}

bool CameBack(const TAppItem& entry) { return entry.Enabled() && GetOptionBool(entry, keys::CameBack); }

std::vector<std::string> StoredCopiesOf(const TAppItem& entry) {
  std::vector<std::string> names;
  const std::string joined = GetOptionString(entry, keys::StoredCopies);
  for (size_t start = 0; start < joined.size();) {
    const size_t end = std::min(joined.find('\\', start), joined.size());
    if (end > start) names.push_back(joined.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

namespace {

// A key that entries of one place share (SamePlace then decides), so that a list of thousands
// of entries and stored entries is joined in one pass.
std::string PlaceKey(const TAppItem& entry) {
  const std::string origin = GetOptionString(entry, keys::Origin);
  const bool file = origin == std::to_string(orStartupCommon) || origin == std::to_string(orStartupUser);
  return origin + "|" + std::to_string(static_cast<int>(MachineRunView(entry))) + "|" +
         FoldCase(file ? entry.LinkFile() : entry.Caption());
}

}  // namespace

void JoinComebacks(TAppList& list) {
  // Only entries Windows starts again count: one its own switch keeps off did not come back.
  std::unordered_multimap<std::string, int> live;
  for (int i = 0; i < list.Count(); ++i) {
    const TAppItem& entry = list.GetItem(i);
    if (entry.Enabled() && !SwitchedOffByWindows(entry) && HasWindowsSwitch(entry) && !IsPlainStartupFile(entry))
      live.emplace(PlaceKey(entry), i);
  }
  if (live.empty()) return;
  std::vector<int> joined;
  for (int i = list.Count() - 1; i >= 0; --i) {
    const TAppItem& stored = list.GetItem(i);
    if (stored.Enabled() || !HasWindowsSwitch(stored)) continue;
    const auto [first, last] = live.equal_range(PlaceKey(stored));
    for (auto at = first; at != last; ++at) {
      TAppItem& entry = list.GetItem(at->second);
      if (!SamePlace(entry, stored) || !SameProgram(entry, stored)) continue;
      const std::string copies = GetOptionString(entry, keys::StoredCopies);
      SetOptionString(entry, keys::StoredCopies, stored.ListName + (copies.empty() ? "" : "\\" + copies));
      SetOptionBool(entry, keys::CameBack, true);
      // The latest date the program was switched off (the texts sort as dates do).
      const std::string date = GetOptionString(stored, keys::DisabledOn);
      if (date > GetOptionString(entry, keys::DisabledOn)) SetOptionString(entry, keys::DisabledOn, date);
      joined.push_back(i);
      break;
    }
  }
  for (const int i : joined) list.Delete(i);  // from the last, so that the others stay where they are
}

std::string CameBackText(const TAppItem& entry) {
  if (!CameBack(entry)) return {};
  const std::string date = GetOptionString(entry, keys::DisabledOn).substr(0, 10);
  return "Came back after you switched it off" + (date.empty() ? std::string() : " on " + date);
}

std::string DisabledOnNow() { return SwitchTimeText(FileTimeNow()); }

}  // namespace kw
