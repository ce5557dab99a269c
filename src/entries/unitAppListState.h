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

// WriteToSystem when the entry is enabled, RemoveFromSystem otherwise.
void ApplyState(TAppItem& entry, Platform& platform);

// Takes the entry out of its place: deletes its Run value or its shortcut file. Missing
// places are no error; Enabled is not changed.
void RemoveFromSystem(const TAppItem& entry, Platform& platform);

// Writes the entry into its place: its Run value, or its shortcut re-created with target,
// arguments, show command and working directory. Enabled is true afterwards exactly when
// that succeeded. A refused Run write raises "Failed to set data for '<name>'"; a shortcut
// that cannot be saved shows "Error saving <file>"; a link object that cannot be made raises
// the system's error. An entry found as a command line run by the DLL runner is written
// back from its command line as found.
void WriteToSystem(TAppItem& entry, Platform& platform);

// Replaces the store with the entries whose Enabled is false; true when every one was
// written. Entries that would share a subkey get fresh names first.
bool SaveDisabledApps(const TAppList& list, Platform& platform);

// Appends every stored entry (one per subkey, named by it, its text values as lines), each
// with Enabled false. An entry that cannot be read in full is appended all the same, with what
// could be read; what could not (a subkey that does not open, values that are not text) is
// shown in one error message.
void LoadDisabledApps(TAppList& list, Platform& platform);

// What the user is told when a change that concerns every user is refused for lack of rights.
inline constexpr const char* kMachineWideNeedsAdminMessage = "Changing entries for all users needs administrator rights";

// True when this user may change what applies to every user: the machine-wide Run key and the
// store of disabled entries (where a key does not exist yet, the nearest key above it) open for
// writing. A user without administrator rights may read them but not write them, so false tells
// such a refusal apart from other failures. The common Startup folder is not probed: every
// change of its entries goes through the store too. Nothing is changed.
bool CanChangeMachineWide(Platform& platform);

}  // namespace kw
