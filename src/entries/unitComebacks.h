#pragma once
// Entries that came back: a program that finds its Run value or Startup-folder shortcut gone
// often writes it again at its next start or update. A stored entry whose place holds the
// same program again is shown as that one entry, ticked (Windows starts it again) and marked;
// switching it off then uses Windows' own switch, which such programs leave alone. The user
// may also choose that switch for every Run value and Startup-folder entry.
#include <string>
#include <vector>

#include "entries/unitAppList.h"

namespace kw {

namespace keys {
// When an entry was switched off into the store ("YYYY-MM-DD HH:MM", UTC); stored with it.
inline constexpr const char* DisabledOn = "DisabledOn";
// On a listed entry that came back: "TRUE", and the subkeys of its stored copies, separated
// by backslashes (which no subkey name holds). Never stored.
inline constexpr const char* CameBack = "CameBack";
inline constexpr const char* StoredCopies = "StoredCopies";
}  // namespace keys

// The user's settings, kept per user.
inline constexpr const char* kSettingsKey = "Software\\Velmora\\KLW2";
// A DWORD: other than 0, it switches Run values and Startup-folder entries off with Windows' own switch
// instead of moving them into the store.
inline constexpr const char* kWindowsSwitchSetting = "SwitchOffWithWindows";

bool SwitchOffWithWindowsSet(Platform& platform);
// False when the setting could not be written.
bool SetSwitchOffWithWindows(Platform& platform, bool on);

// A place whose entries Windows' own startup settings can switch off: a Run value of the
// machine or of the user, or a file of either Startup folder.
bool HasWindowsSwitch(const TAppItem& entry);

// Whether two entries of one place start the same program file (their arguments may differ);
// a shortcut without a file target is the same only as the very same file.
bool SameProgram(const TAppItem& a, const TAppItem& b);

// Joins every stored entry of the list whose place holds the same program again, and Windows
// starts it, to that entry: the stored entry leaves the list, and the entry in its place is
// marked as come back with the stored copies' subkeys and the date the latest was stored.
void JoinComebacks(TAppList& list);

bool CameBack(const TAppItem& entry);
// The list's mark of an entry that came back, drawn beside a signature's mark (1 or 2).
inline constexpr int kMarkCameBack = 4;
std::vector<std::string> StoredCopiesOf(const TAppItem& entry);
// "Came back after you switched it off on <date>"; empty for an entry that did not come back.
std::string CameBackText(const TAppItem& entry);
// Now as stored under DisabledOn.
std::string DisabledOnNow();

}  // namespace kw
