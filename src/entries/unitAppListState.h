#pragma once
// Carrying an entry's state into the system, and the store that keeps disabled entries.
#include "entries/unitAppList.h"

namespace kw {

// The store of disabled entries is machine-wide and lives in the 32-bit registry view, where
// the 32-bit build has always kept it, so that both builds share one store on 64-bit Windows.
inline constexpr const char* kDisabledAppsKey = "SOFTWARE\\Velmora\\KLW2\\DisabledApps";
inline constexpr RootKey kStoreRoot = kHkeyLocalMachine;
inline constexpr RegView kStoreView = RegView::Bits32;
// The registry object for reading or writing the store.
inline TRegistry StoreRegistry(RegistryBackend& registry) { return TRegistry(registry, kStoreRoot, kStoreView); }
inline constexpr const char* kMessengerPolicyKey = "Software\\Policies\\Microsoft\\Messenger\\Client";
inline constexpr const char* kMessengerPolicyValue = "PreventAutoRun";

// The machine-wide lock every copy of the program holds while it changes an entry.
inline constexpr const char* kStoreLockName = "Velmora.Kelderwick.DisabledApps";
inline constexpr int kStoreLockTimeoutMs = 10000;

// WriteToSystem when the entry is enabled, RemoveFromSystem otherwise.
void ApplyState(TAppItem& entry, Platform& platform);

// Takes the entry out of its place: deletes its Run value or its shortcut file. True when
// the place no longer holds it afterwards (a place that was empty already counts); Enabled is
// not changed.
bool RemoveFromSystem(const TAppItem& entry, Platform& platform);

// Writes the entry into its place: its Run value with the data and type it was found with,
// or its shortcut file with the bytes it was listed with (LinkBytes). An entry stored
// without them is written through the shell: as found (target, arguments, show command,
// working folder and icon), or, stored by an earlier version, composed from FullPath and
// Arguments (the value in quotes with a blank; the shortcut in the Startup folder). A
// shortcut is written only as a .lnk file directly in its origin's Startup folder. Enabled is
// true afterwards exactly when that succeeded. A refused Run write raises "Failed to set data
// for '<name>'"; a shortcut that cannot be written or saved is reported; a link object that
// cannot be made raises the system's error.
void WriteToSystem(TAppItem& entry, Platform& platform);

// Two entries are the same when they have one place: the same Run value (origin and name),
// the same shortcut file, or, for stored entries, the same subkey of the store.
bool SameEntry(const TAppItem& a, const TAppItem& b);
// The same place, switched on or off: origin and Run value name, or shortcut file.
bool SamePlace(const TAppItem& a, const TAppItem& b);

// The actions on one entry, as the user saw it when acting (a copy, so that nothing that
// happens meanwhile changes what is acted on). Each holds the machine-wide lock only while it
// checks and changes, and shows its message boxes after letting it go. Each first checks that
// the entry's place still holds what was shown (a shortcut: the whole file), changes nothing
// and says so when it does not; changes only this entry's subkey of the store, after reading
// the store again (Enable writes the entry as the store holds it then); checks every removal
// and write, and undoes what it did when a later step fails, so that the entry is always in
// its place or stored in full, and says what failed. The Messenger policy and Windows' switch
// of the entry follow a change that was made; that they could not is said.
// True when the change was made; every failure has been reported through platform.messages.
// How an entry is switched off: as the user's setting says (the store, or Windows' own switch
// for Run values and Startup-folder entries), or with Windows' own switch whatever it says.
// An entry that came back is always kept off with Windows' switch, and its stored copies go.
enum class SwitchOff { AsSet, WithWindows };
bool DisableEntry(const TAppItem& shown, Platform& platform, SwitchOff how = SwitchOff::AsSet);
bool EnableEntry(const TAppItem& shown, Platform& platform);
bool DeleteEntry(const TAppItem& shown, Platform& platform);
// Why the entry cannot be deleted, in words for the user; empty when it can. A Store app's
// startup task goes with its app.
std::string DeleteRefusal(const TAppItem& entry);
// Ticking an entry that Windows' own startup settings switched off switches it on the way
// Windows does; nothing moves into the store.
bool SwitchOnEntry(const TAppItem& shown, Platform& platform);

// Replaces the whole store with the entries whose Enabled is false; true when every one was
// written. Entries that would share a subkey get fresh names first. For setting up a store:
// the actions change only their own entry.
bool SaveDisabledApps(const TAppList& list, Platform& platform);

// Appends every stored entry (one per subkey, named by it, its text values as lines), each
// with Enabled false. An entry that an action is still writing is not one of them. An entry that cannot be read in full is appended all the same, with what
// could be read; what could not (a subkey that does not open, values that are not text) is
// described in the text returned, empty when everything could be read.
std::string LoadDisabledApps(TAppList& list, Platform& platform);

// Lists every entry afresh, in the order the window shows them: the machine's Run key, the
// user's, the common Startup folder, the user's, the RunOnce and policy keys, the Store apps'
// startup tasks, the Task Scheduler's logon tasks, then the stored entries. A stored entry
// whose place holds its program again is listed as that entry, marked as come back
// (JoinComebacks). A program file that
// several entries start has its version resource read once, and files on other computers are
// not read at all (LocalFilesOnly). With images, each entry's icon is added to them. Without
// readFiles no program file is read: the entries come without version strings and icons, to
// be read afterwards (ReadVersionStrings, PutVersionStrings). Returns LoadDisabledApps'
// description of what could not be read of the store, followed by ScanStoreApps' of the
// package manifests and scheduled tasks that could not be read.
// With knownTasks, the Store apps' and the Task Scheduler's tasks are those (AppendKnownTasks,
// AppendKnownScheduledTasks): no manifest is read and no task enumerated.
std::string ScanAllEntries(TAppList& list, Platform& platform, ImageList* images = nullptr, bool readFiles = true,
                           const TAppList* knownTasks = nullptr);

// What the user is told when a change that concerns every user is refused for lack of rights.
inline constexpr const char* kMachineWideNeedsAdminMessage = "Changing entries for all users needs administrator rights";

// True when this user may change what applies to every user: the machine-wide Run key and the
// store of disabled entries (where a key does not exist yet, the nearest key above it) open for
// writing. A user without administrator rights may read them but not write them, so false tells
// such a refusal apart from other failures. The common Startup folder is not probed: every
// change of its entries goes through the store too. Nothing is changed.
bool CanChangeMachineWide(Platform& platform);

}  // namespace kw
