#pragma once
// Windows' own startup switches, as its Task Manager and Settings keep them: the entry stays
// where it is and a REG_BINARY value of the same name (the Run value's name, or the shortcut's
// file name) under Explorer\StartupApproved says whether Windows starts it. Its first byte is
// 2 or 6 for on and 3 or 7 for off; bytes 4 to 11 hold the time it was switched off (a
// FILETIME, zero when on). A missing, unknown or malformed value means on, as for Windows.
#include <cstdint>
#include <optional>
#include <string>

#include "entries/unitAppList.h"

namespace kw {

inline constexpr const char* kStartupApprovedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";

struct StartupSwitch {
  bool off = false;
  std::uint64_t switchedAt = 0;  // FILETIME: 100 ns since 1601-01-01 UTC; 0 when unknown
};

StartupSwitch DecodeStartupSwitch(const RegValue& value);
// The values Windows writes for on, and for off since that time.
RegValue StartupSwitchOn();
RegValue StartupSwitchOff(std::uint64_t fileTime);
// Now, as a FILETIME.
std::uint64_t FileTimeNow();
// "YYYY-MM-DD HH:MM" (UTC) of a FILETIME.
std::string SwitchTimeText(std::uint64_t fileTime);

// Reads the switches of every listed entry in its place and marks those Windows has switched
// off (listed unticked, with the time in their details). A value that cannot be read is on.
void MarkWindowsSwitches(TAppList& list, Platform& platform);
bool SwitchedOffByWindows(const TAppItem& entry);
// "Windows startup settings, <time>" for an entry switched off that way; empty otherwise.
std::string SwitchedOffText(const TAppItem& entry);

// Writes the on value for the entry, where a switch of it exists; false when refused.
bool SwitchOnInWindows(const TAppItem& entry, Platform& platform);
// Writes the off value, stamped now; false when refused or the entry has no such switch.
bool SwitchOffInWindows(const TAppItem& entry, Platform& platform);
// Where the entry's switch says off, writes on (an entry enabled again must start); true
// when nothing needed doing or the write succeeded.
bool ClearStaleSwitch(const TAppItem& entry, Platform& platform);
// The entry's switch as it is now (nullopt: no value, or no switch for the entry's place).
std::optional<RegValue> ReadSwitch(const TAppItem& entry, Platform& platform);
// Puts the switch back as ReadSwitch gave it: the value written again, or deleted where there
// was none; false when that failed.
bool RestoreSwitch(const TAppItem& entry, Platform& platform, const std::optional<RegValue>& before);
// Deletes the entry's switch, if any; false when it is there and could not be deleted.
bool RemoveSwitch(const TAppItem& entry, Platform& platform);

}  // namespace kw
