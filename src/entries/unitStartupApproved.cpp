#include "entries/unitStartupApproved.h"

#include <chrono>
#include <cstdio>
#include <map>

#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

// Where an entry's switch is: the root, the key and the value name.
struct SwitchPlace {
  RootKey root;
  std::string key;
  std::string name;
};

std::optional<SwitchPlace> SwitchPlaceOf(const TAppItem& entry, Platform& platform) {
  const std::string origin = GetOptionString(entry, keys::Origin);
  const std::string base = std::string(kStartupApprovedKey) + "\\";
  if (origin == std::to_string(orRegistryCommon)) {
    // Run32 holds the switches of the 32-bit view's values where there is a second view; the
    // one view of 32-bit Windows has its switches under Run.
    const bool view32 = MachineRunView(entry) == RegView::Bits32 && platform.environment.Windows64();
    return SwitchPlace{kHkeyLocalMachine, base + (view32 ? "Run32" : "Run"), entry.Caption()};
  }
  if (origin == std::to_string(orRegistryUser)) return SwitchPlace{kHkeyCurrentUser, base + "Run", entry.Caption()};
  const std::string file = ExtractFileName(entry.LinkFile());
  if (origin == std::to_string(orStartupCommon)) return SwitchPlace{kHkeyLocalMachine, base + "StartupFolder", file};
  if (origin == std::to_string(orStartupUser)) return SwitchPlace{kHkeyCurrentUser, base + "StartupFolder", file};
  return std::nullopt;
}

// The switches live in the 64-bit view, where Windows' own 64-bit Explorer keeps them (a
// 32-bit Windows has one view only and ignores the choice).
TRegistry SwitchRegistry(Platform& platform, RootKey root) { return TRegistry(platform.registry, root, RegView::Bits64); }

}  // namespace

StartupSwitch DecodeStartupSwitch(const RegValue& value) {
  StartupSwitch result;
  if (value.type != kRegBinary || value.data.size() < 12) return result;
  const auto first = static_cast<unsigned char>(value.data[0]);
  if (first != 3 && first != 7) return result;  // on, or a form not known: on
  result.off = true;
  for (int i = 11; i >= 4; --i) result.switchedAt = (result.switchedAt << 8) | static_cast<unsigned char>(value.data[i]);
  return result;
}

RegValue StartupSwitchOn() { return RegValue{kRegBinary, std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12)}; }

RegValue StartupSwitchOff(std::uint64_t fileTime) {
  std::string data("\x03\0\0\0", 4);
  for (int i = 0; i < 8; ++i) data += static_cast<char>((fileTime >> (8 * i)) & 0xFF);
  return RegValue{kRegBinary, data};
}

std::uint64_t FileTimeNow() {
  using namespace std::chrono;
  const auto since1970 = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<std::uint64_t>(since1970 + 11644473600LL * 1000000) * 10;
}

std::string SwitchTimeText(std::uint64_t fileTime) {
  using namespace std::chrono;
  // 11,644,473,600 seconds lie between 1601-01-01 and 1970-01-01.
  const auto since1970 = seconds(static_cast<std::int64_t>(fileTime / 10000000) - 11644473600LL);
  const sys_seconds when{since1970};
  const auto day = floor<days>(when);
  const year_month_day date{day};
  const hh_mm_ss time{when - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
  return text;
}

void MarkWindowsSwitches(TAppList& list, Platform& platform) {
  // Each key is read once: the switches by folded value name.
  std::map<std::pair<RootKey, std::string>, std::map<std::string, StartupSwitch>> read;
  for (int i = 0; i < list.Count(); ++i) {
    TAppItem& entry = list.GetItem(i);
    if (!entry.Enabled()) continue;
    const auto place = SwitchPlaceOf(entry, platform);
    if (!place) continue;
    auto [at, fresh] = read.try_emplace({place->root, FoldCase(place->key)});
    if (fresh) {
      TRegistry reg = SwitchRegistry(platform, place->root);
      if (reg.OpenKeyReadOnly(place->key))
        for (const std::string& name : reg.GetValueNames())
          if (const auto value = reg.ReadValue(name)) at->second[FoldCase(name)] = DecodeStartupSwitch(*value);
    }
    const auto found = at->second.find(FoldCase(place->name));
    if (found == at->second.end() || !found->second.off) continue;
    SetOptionBool(entry, keys::WindowsOff, true);
    if (found->second.switchedAt) SetOptionString(entry, keys::WindowsOffTime, SwitchTimeText(found->second.switchedAt));
  }
}

bool SwitchedOffByWindows(const TAppItem& entry) {
  return entry.Enabled() && GetOptionBool(entry, keys::WindowsOff);
}

std::string SwitchedOffText(const TAppItem& entry) {
  if (!SwitchedOffByWindows(entry)) return {};
  const std::string time = GetOptionString(entry, keys::WindowsOffTime);
  return "Windows startup settings" + (time.empty() ? std::string() : ", " + time);
}

namespace {

bool WriteSwitch(const TAppItem& entry, Platform& platform, const RegValue& value) {
  const auto place = SwitchPlaceOf(entry, platform);
  if (!place) return true;
  TRegistry reg = SwitchRegistry(platform, place->root);
  if (!reg.OpenKey(place->key, true)) return false;
  try {
    reg.WriteValue(place->name, value);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace

bool SwitchOnInWindows(const TAppItem& entry, Platform& platform) { return WriteSwitch(entry, platform, StartupSwitchOn()); }

bool SwitchOffInWindows(const TAppItem& entry, Platform& platform) {
  return SwitchPlaceOf(entry, platform) && WriteSwitch(entry, platform, StartupSwitchOff(FileTimeNow()));
}

bool ClearStaleSwitch(const TAppItem& entry, Platform& platform) {
  const auto place = SwitchPlaceOf(entry, platform);
  if (!place) return true;
  TRegistry reg = SwitchRegistry(platform, place->root);
  if (!reg.OpenKeyReadOnly(place->key)) return true;
  const auto value = reg.ReadValue(place->name);
  if (!value || !DecodeStartupSwitch(*value).off) return true;
  return SwitchOnInWindows(entry, platform);
}

std::optional<RegValue> ReadSwitch(const TAppItem& entry, Platform& platform) {
  const auto place = SwitchPlaceOf(entry, platform);
  if (!place) return std::nullopt;
  TRegistry reg = SwitchRegistry(platform, place->root);
  if (!reg.OpenKeyReadOnly(place->key)) return std::nullopt;
  return reg.ReadValue(place->name);
}

bool RestoreSwitch(const TAppItem& entry, Platform& platform, const std::optional<RegValue>& before) {
  if (before) return WriteSwitch(entry, platform, *before);
  return RemoveSwitch(entry, platform);
}

bool RemoveSwitch(const TAppItem& entry, Platform& platform) {
  const auto place = SwitchPlaceOf(entry, platform);
  if (!place) return true;
  TRegistry reg = SwitchRegistry(platform, place->root);
  if (!reg.OpenKeyReadOnly(place->key) || !reg.ValueExists(place->name)) return true;
  return reg.OpenKey(place->key, false) && reg.DeleteValue(place->name);
}

}  // namespace kw
