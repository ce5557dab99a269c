#include "entries/unitAppListState.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitScheduledTasks.h"
#include "entries/unitStoreApps.h"
#include "entries/unitSysWorks.h"
#include "platform/CachedVersionInfo.h"
#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

bool IsRunEntry(int origin) { return IsRegistryOrigin(origin); }
bool IsShortcutEntry(int origin) { return IsStartupFolderOrigin(origin); }

TRegistry RunRegistry(const TAppItem& entry, Platform& platform) {
  return TRegistry(platform.registry, RegistryRootOf(entry.Origin()), MachineRunView(entry));
}
const char* RunKeyOf(const TAppItem& entry) { return RegistryKeyOf(entry.Origin()); }

bool IsMessenger(const TAppItem& entry) { return UpperCase(entry.Caption()) == "MSMSGS"; }

// Sets the Messenger policy value, only where its key already exists. A key that exists but
// may not be written makes the write raise "Failed to set data for 'PreventAutoRun'".
void SetMessengerPolicy(Platform& platform, int preventAutoRun) {
  TRegistry reg(platform.registry, kHkeyLocalMachine);
  if (!reg.KeyExists(kMessengerPolicyKey)) return;
  reg.OpenKey(kMessengerPolicyKey, false);
  reg.WriteInteger(kMessengerPolicyValue, preventAutoRun);
}

bool FollowsMessengerPolicy(const TAppItem& entry) {
  const int origin = entry.Origin();
  return (origin == orRegistryCommon || origin == orRegistryUser) && IsMessenger(entry);
}

// For the actions, which have moved the entry by then: the policy set, or what failed.
std::string SetMessengerPolicyFor(const TAppItem& entry, Platform& platform, int preventAutoRun) {
  if (!FollowsMessengerPolicy(entry)) return {};
  try {
    SetMessengerPolicy(platform, preventAutoRun);
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}

// The command line as found, when it is one the DLL runner runs: FullPath then names the
// DLL, and writing FullPath back would name the DLL as the program.
std::optional<CommandLineParts> DllRunnerCommandLine(const TAppItem& entry) {
  const std::string commandLine = entry.CommandLine();
  if (commandLine.empty()) return std::nullopt;
  CommandLineParts parts = SplitCommandLine(commandLine);
  if (LowerCase(parts.path).find("rundll") == std::string::npos) return std::nullopt;
  return parts;
}

// The data of a Run value composed for an entry stored by an earlier version: the path in
// double quotes, a blank, the arguments as stored. Arguments found behind a quoted path keep
// the blank that followed the quote, so a value found with one blank there comes back with
// two. Arguments that already begin with two blanks are not given a third.
std::string ComposedRunData(const TAppItem& entry) {
  const std::string arguments = entry.Arguments();
  const bool separated = arguments.rfind("  ", 0) == 0;
  return "\"" + entry.FullPath() + "\"" + (separated ? "" : " ") + arguments;
}

bool AsFound(const TAppItem& entry) { return GetOptionBool(entry, keys::AsFound); }

// The Run value an entry is written back as: exactly as found, or composed for an entry
// stored by an earlier version (a DLL runner's from its command line as found).
RegValue RunValueOf(const TAppItem& entry) {
  RegValue value{kRegSz, {}};
  if (AsFound(entry)) {
    const int type = GetOptionInt(entry, keys::ValueType);
    if (type == static_cast<int>(kRegExpandSz)) value.type = kRegExpandSz;
    value.data = entry.CommandLine();
  } else {
    value.data = DllRunnerCommandLine(entry) ? entry.CommandLine() : ComposedRunData(entry);
  }
  return value;
}

// The shortcut an entry is written back as: as found, or with the four properties of an
// entry stored by an earlier version (working folder: the Startup folder itself).
LinkData LinkOf(const TAppItem& entry) {
  LinkData link;
  link.showCmd = entry.ShowCmd();
  const std::string commandLine = entry.CommandLine();
  const size_t close = commandLine.find('"', 1);
  if (AsFound(entry) && commandLine.rfind('"', 0) == 0 && close != std::string::npos) {
    // The command line was made of them: the target in quotes, one blank, the arguments.
    link.targetPath = commandLine.substr(1, close - 1);
    link.arguments = commandLine.substr(std::min(close + 2, commandLine.size()));
    link.workingDirectory = GetOptionString(entry, keys::WorkingDirectory);
    link.iconPath = GetOptionString(entry, keys::LinkIcon);
    link.iconIndex = link.iconPath.empty() ? 0 : GetOptionInt(entry, keys::LinkIconIndex);
    return link;
  }
  const auto dllRunner = DllRunnerCommandLine(entry);
  link.targetPath = dllRunner ? dllRunner->path : entry.FullPath();
  link.arguments = Trim(dllRunner ? dllRunner->arguments : entry.Arguments());
  link.workingDirectory = ExtractFilePath(entry.LinkFile());
  return link;
}

// What the entry's place holds now, against what the entry says it holds.
enum class Place { Empty, Same, Different };

Place RunPlace(const TAppItem& entry, Platform& platform) {
  TRegistry reg = RunRegistry(entry, platform);
  if (!reg.OpenKeyReadOnly(RunKeyOf(entry))) return Place::Empty;
  const std::optional<RegValue> now = reg.ReadValue(entry.Caption());
  if (!now) return Place::Empty;
  const RegValue expected = RunValueOf(entry);
  const std::string data = now->data.substr(0, now->data.find('\0'));
  return now->type == expected.type && data == expected.data ? Place::Same : Place::Different;
}

Place ShortcutPlace(const TAppItem& entry, Platform& platform) {
  const std::string linkFile = entry.LinkFile();
  if (!platform.files.FileExists(linkFile)) return Place::Empty;
  // Any other file stays where it is, switched by Windows' switch of its name.
  if (IsPlainStartupFile(entry)) return Place::Same;
  // A shortcut without a file target has nothing else to compare than its bytes.
  if (IsShortcutWithoutFileTarget(entry) && !LinkBytesOf(entry)) return Place::Same;
  // The whole file compares: any change to the shortcut, whatever the shell keeps in it.
  if (const auto bytes = LinkBytesOf(entry))
    return platform.files.ReadWholeFile(linkFile) == *bytes ? Place::Same : Place::Different;
  // Without its bytes every property that was found compares; an entry stored by an earlier
  // version, which kept none of them, compares by target and arguments.
  const LinkReadResult now = platform.links.Read(linkFile);
  const LinkData expected = LinkOf(entry);
  bool same = now.pathRead && now.targetPath == expected.targetPath && now.arguments == expected.arguments;
  if (AsFound(entry))
    same = same && now.workingDirectory == expected.workingDirectory && now.iconPath == expected.iconPath &&
           now.iconIndex == expected.iconIndex && now.showCmdRead && now.showCmd == expected.showCmd;
  return same ? Place::Same : Place::Different;
}

Place PlaceOf(const TAppItem& entry, Platform& platform) {
  if (IsRunEntry(entry.Origin())) return RunPlace(entry, platform);
  if (IsShortcutEntry(entry.Origin())) return ShortcutPlace(entry, platform);
  return Place::Empty;
}

// A shortcut is only ever written as a .lnk file directly in its origin's Startup folder, so
// that a stored entry edited by hand cannot make the program overwrite another file.
bool IsStartupShortcutFile(const TAppItem& entry, Platform& platform) {
  const std::string linkFile = entry.LinkFile();
  const std::string name = ExtractFileName(linkFile);
  const int csidl = entry.Origin() == orStartupCommon ? kCsidlCommonStartup : kCsidlStartup;
  const std::string folder = GetSpecialFolderPath(platform.folders, csidl);
  if (folder.empty() || name.size() <= 4 || name == "." || name == "..") return false;
  if (!SameText(name.substr(name.size() - 4), ".lnk")) return false;
  if (name.find_first_of("/:*?\"<>|") != std::string::npos) return false;
  return SameText(ExtractFilePath(linkFile), folder + "\\");
}

// Where an entry is, for messages.
std::string PlaceText(const TAppItem& entry) {
  switch (entry.Origin()) {
    case orRegistryCommon: return "the Run key of all users";
    case orRegistryUser: return "your Run key";
    case orRunOnceCommon: return "the RunOnce key of all users";
    case orRunOnceUser: return "your RunOnce key";
    case orPolicyCommon: return "the policy Run key of all users";
    case orPolicyUser: return "your policy Run key";
    default: return entry.LinkFile();
  }
}

// The name a stored entry is known by: its caption, or its subkey when it has none.
std::string DisplayName(const TAppItem& entry) {
  const std::string caption = entry.Caption();
  return caption.empty() ? entry.ListName : caption;
}

// What the store load could not use, one entry a line, the first few of them.
std::string StoreProblemsText(const std::vector<std::string>& problems) {
  constexpr size_t kShown = 10;
  std::string text =
      "Some disabled applications are stored with data that cannot be used. Values that are not text are "
      "ignored.";
  for (size_t i = 0; i < problems.size() && i < kShown; ++i) text += "\n" + problems[i];
  if (problems.size() > kShown) text += "\n... and " + std::to_string(problems.size() - kShown) + " more.";
  return text;
}

}  // namespace

void ApplyState(TAppItem& entry, Platform& platform) {
  if (entry.Enabled()) WriteToSystem(entry, platform);
  else RemoveFromSystem(entry, platform);
}

namespace {

// Takes the entry's Run value or shortcut file out of its place; true when the place no
// longer holds it (an empty place included).
bool RemovePlace(const TAppItem& entry, Platform& platform) {
  const int origin = entry.Origin();
  if (IsRunEntry(origin)) {
    TRegistry reg = RunRegistry(entry, platform);
    // A value that is there must go: a key that cannot be opened for that is a failure.
    if (reg.OpenKeyReadOnly(RunKeyOf(entry)) && reg.ValueExists(entry.Caption()))
      return reg.OpenKey(RunKeyOf(entry), false) && reg.DeleteValue(entry.Caption());
  } else if (IsShortcutEntry(origin)) {
    const std::string linkFile = entry.LinkFile();
    if (platform.files.FileExists(linkFile)) return platform.files.RemoveFile(linkFile);
  }
  return true;
}

// Writes the entry's Run value or shortcut file into its place (WriteToSystem, without the
// Messenger policy); true when it is there. Raises and reports as WriteToSystem.
bool WriteIntoPlace(const TAppItem& entry, Platform& platform) {
  const int origin = entry.Origin();
  if (IsRunEntry(origin)) {
    TRegistry reg = RunRegistry(entry, platform);
    reg.OpenKey(RunKeyOf(entry), true);  // a key that cannot be opened makes the write raise
    reg.WriteValue(entry.Caption(), RunValueOf(entry));
    return true;
  }
  if (!IsShortcutEntry(origin)) return true;  // no place: enabled by the flag alone

  const std::string linkFile = entry.LinkFile();
  if (!IsStartupShortcutFile(entry, platform)) {
    ErrorMessage(platform.messages, "Cannot write " + linkFile + ": a shortcut is written only as a .lnk file in the "
                                    "Startup folder");
    return false;
  }
  if (const auto bytes = LinkBytesOf(entry)) {
    if (platform.files.WriteWholeFile(linkFile, *bytes)) return true;
    // A write that failed part way leaves no broken shortcut behind.
    if (platform.files.FileExists(linkFile)) platform.files.RemoveFile(linkFile);
    ErrorMessage(platform.messages, "Error saving " + linkFile);
    return false;
  }
  switch (platform.links.Write(linkFile, LinkOf(entry))) {
    case LinkWriteResult::Written: return true;
    case LinkWriteResult::PropertyRefused:
      ErrorMessage(platform.messages, "Cannot write the shortcut " + linkFile +
                                          ": the shell refused its target, arguments or folder (a target path "
                                          "longer than a shortcut holds)");
      return false;
    case LinkWriteResult::SaveFailed: ErrorMessage(platform.messages, "Error saving " + linkFile); return false;
  }
  return false;
}

}  // namespace

bool RemoveFromSystem(const TAppItem& entry, Platform& platform) {
  const bool removed = RemovePlace(entry, platform);
  if (FollowsMessengerPolicy(entry)) SetMessengerPolicy(platform, 1);
  return removed;
}

void WriteToSystem(TAppItem& entry, Platform& platform) {
  entry.SetEnabled(false);
  if (!WriteIntoPlace(entry, platform)) return;
  if (FollowsMessengerPolicy(entry)) SetMessengerPolicy(platform, 0);
  entry.SetEnabled(true);
}

bool SamePlace(const TAppItem& a, const TAppItem& b) {
  // Origins compare as stored: a hand-edited store may hold one that is not a number, and
  // comparing must not fail over it.
  const std::string origin = GetOptionString(a, keys::Origin);
  if (origin != GetOptionString(b, keys::Origin)) return false;
  if (MachineRunView(a) != MachineRunView(b)) return false;
  if (origin == std::to_string(orStartupCommon) || origin == std::to_string(orStartupUser))
    return SameText(a.LinkFile(), b.LinkFile());
  if (origin == std::to_string(orScheduledTask))
    return SameText(GetOptionString(a, keys::TaskPath), GetOptionString(b, keys::TaskPath));
  if (origin == std::to_string(orStoreApp))
    return SameText(GetOptionString(a, keys::PackageFamily), GetOptionString(b, keys::PackageFamily)) &&
           GetOptionString(a, keys::TaskId) == GetOptionString(b, keys::TaskId);
  return SameText(a.Caption(), b.Caption());
}

bool SameEntry(const TAppItem& a, const TAppItem& b) {
  if (a.Enabled() != b.Enabled()) return false;
  if (!a.Enabled()) return SameText(a.ListName, b.ListName);
  return SamePlace(a, b);
}

namespace {

std::string StorePath(const std::string& name) { return std::string(kDisabledAppsKey) + "\\" + name; }
std::string StorePath(const TAppItem& stored) { return StorePath(stored.ListName); }

// A stored entry is written value by value under a name of this prefix, which readers pass
// over, and renamed to its own name once complete: another copy that lists the store
// meanwhile sees the entry whole or not at all.
constexpr std::string_view kUnfinishedPrefix = "~unfinished~";
bool IsUnfinished(const std::string& name) { return name.rfind(kUnfinishedPrefix, 0) == 0; }

// Reads the stored entry of that subkey, Enabled false; false when the subkey does not open.
// The values that are not text are not read: their names are listed in ignored.
bool ReadStoredEntry(RegistryBackend& registry, const std::string& name, TAppItem& entry, std::string& ignored) {
  entry.ListName = name;
  TRegistry reg = StoreRegistry(registry);
  const bool opened = reg.OpenKeyReadOnly(StorePath(name));
  for (const std::string& value : reg.GetValueNames()) {
    // One read per value: a store of thousands of entries is read at every refresh.
    const std::optional<RegValue> data = reg.ReadValue(value);
    if (data && (data->type == kRegSz || data->type == kRegExpandSz))
      entry.Add(value + "=" + data->data.substr(0, data->data.find('\0')));  // as ReadString gives it
    else
      ignored += (ignored.empty() ? "" : ", ") + (value.empty() ? std::string("(Default)") : value);
  }
  entry.SetEnabled(false);
  return opened;
}

// Adds one entry to the store, under a name no stored entry has now (read again, since
// another copy of the program may have stored entries meanwhile).
bool AddToStore(TAppItem& stored, Platform& platform) {
  TRegistry reg = StoreRegistry(platform.registry);
  std::set<std::string> taken;
  std::vector<std::string> unfinished;
  if (reg.OpenKeyReadOnly(kDisabledAppsKey)) {
    for (const std::string& name : reg.GetKeyNames()) {
      taken.insert(FoldCase(name));
      if (IsUnfinished(name)) unfinished.push_back(name);
    }
  }
  reg.CloseKey();
  // An unfinished entry was left by a copy that stopped while storing it. An entry leaves its
  // place only after its stored copy has its own name, so such a copy is never the only one
  // and goes; only a copy that holds the lock, as this one does, stores entries, so none is
  // being written now. One that cannot be deleted stays unlisted until a later change.
  for (const std::string& name : unfinished) reg.DeleteKey(StorePath(name));
  while (stored.ListName.empty() || stored.ListName.find('\\') != std::string::npos ||
         taken.count(FoldCase(stored.ListName)))
    stored.ListName = GenerateListName();
  const std::string writing = std::string(kUnfinishedPrefix) + stored.ListName;
  RegistryInView store(platform.registry, kStoreView);
  if (stored.SaveToRegistry(store, StorePath(writing), kStoreRoot) && reg.RenameKey(StorePath(writing), stored.ListName))
    return true;
  reg.DeleteKey(StorePath(writing));
  return false;
}

bool RemoveFromStore(const TAppItem& stored, Platform& platform) {
  return !stored.ListName.empty() && StoreRegistry(platform.registry).DeleteKey(StorePath(stored));
}

void SayChanged(const TAppItem& entry, Platform& platform) {
  ErrorMessage(platform.messages, "'" + DisplayName(entry) +
                                      "' has been changed by another program since the list was shown. Nothing was "
                                      "changed; the list is read again.");
}

// Whether root\path in the view, or where it does not exist yet the nearest key above it, opens
// for writing. Nothing is created.
bool MayWriteAt(RegistryBackend& registry, RegView view, RootKey root, std::string path) {
  while (!path.empty() && !TRegistry(registry, root, view).KeyExists(path)) {
    const size_t slash = path.rfind('\\');
    path.erase(slash == std::string::npos ? 0 : slash);
  }
  return registry.OpenKeyIn(view, root, path, RegAccess::Write) != nullptr;
}

bool IsMachineWide(const TAppItem& entry) {
  const std::string origin = GetOptionString(entry, keys::Origin);
  for (const int machine : {orRegistryCommon, orStartupCommon, orRunOnceCommon, orPolicyCommon})
    if (origin == std::to_string(machine)) return true;
  return false;
}

// Whether this user may make the change, saying why not: machine-wide entries and the store
// (kept for all users) need administrator rights.
bool MayChange(const TAppItem& entry, bool needsStore, Platform& platform) {
  if (IsMachineWide(entry) && !CanChangeMachineWide(platform)) {
    ErrorMessage(platform.messages, kMachineWideNeedsAdminMessage);
    return false;
  }
  if (needsStore && !MayWriteAt(platform.registry, kStoreView, kStoreRoot, kDisabledAppsKey)) {
    ErrorMessage(platform.messages, "Cannot save the list of disabled applications: it is kept for all users of "
                                    "this computer, and changing it needs administrator rights");
    return false;
  }
  return true;
}

// The boxes an action asks for while it holds the lock, kept to be shown once it has let the
// lock go: a box left open must never keep other copies of the program waiting. Only boxes
// with a single button are asked for there.
class HeldBackMessages : public MessageBoxes {
 public:
  int Show(const MessageRequest& request) override {
    held_.push_back(request);
    return request.defaultButton;
  }
  void ShowOn(MessageBoxes& boxes) {
    std::vector<MessageRequest> held;
    held.swap(held_);
    for (const MessageRequest& request : held) boxes.Show(request);
  }

 private:
  std::vector<MessageRequest> held_;
};

// Runs the change under the machine-wide lock, then shows what it had to say. An error the
// change raises ends it (the lock is let go) and comes after its boxes.
template <typename Change>
bool UnderLock(Platform& platform, Change change) {
  HeldBackMessages held;
  Platform locked{platform.registry, platform.files,       platform.shell,      held,
                  platform.links,    platform.folders,     platform.versions,   platform.icons,
                  platform.environment, platform.properties, platform.locks, platform.tasks, platform.signatures};
  bool done = false;
  try {
    const auto lock = platform.locks.Acquire(kStoreLockName, kStoreLockTimeoutMs);
    if (!lock)
      ErrorMessage(held, "Another copy of Kelderwick is changing the startup entries. Nothing was changed; try again.");
    else
      done = change(locked);
  } catch (...) {
    held.ShowOn(platform.messages);
    throw;
  }
  held.ShowOn(platform.messages);
  return done;
}

void SayMessengerPolicy(const TAppItem& entry, const std::string& done, const std::string& failure,
                        Platform& platform) {
  if (failure.empty()) return;
  ErrorMessage(platform.messages, "'" + DisplayName(entry) + "' is " + done +
                                      ", but the Messenger policy that goes with it could not be set: " + failure);
}

// Switches a Store app's startup task on or off with the State Windows keeps for it, as its
// Settings do. A state set by policy is left alone, and so is a task already as asked.
bool SwitchTaskLocked(const TAppItem& shown, bool on, Platform& platform) {
  const std::optional<std::string> now = CurrentTaskState(shown, platform);
  if (!now || *now != GetOptionString(shown, keys::TaskState)) {
    SayChanged(shown, platform);
    return false;
  }
  if (TaskStateIsPolicy(shown)) {
    ErrorMessage(platform.messages, "'" + DisplayName(shown) + "' is switched " +
                                        (*now == std::to_string(tsEnabledByPolicy) ? "on" : "off") +
                                        " by a policy of this computer, which neither Kelderwick nor Windows' "
                                        "settings can change. Nothing was changed.");
    return false;
  }
  if (on == !SwitchedOffByWindows(shown)) return true;
  if (WriteTaskState(shown, on ? tsEnabled : tsDisabledByUser, platform)) return true;
  ErrorMessage(platform.messages, "Cannot switch '" + DisplayName(shown) + "' " + (on ? "on" : "off") +
                                      " in Windows' startup settings. Nothing was changed.");
  return false;
}

// What the user is told when the Task Scheduler refused or failed a change of a task.
void SayTaskRefused(const TAppItem& shown, TaskChange change, const std::string& what, Platform& platform) {
  if (change == TaskChange::Missing) return SayChanged(shown, platform);
  ErrorMessage(platform.messages, change == TaskChange::Denied
                                      ? "'" + DisplayName(shown) + "' cannot be " + what +
                                            ": changing this task needs rights you do not have (start Kelderwick as "
                                            "administrator). Nothing was changed."
                                      : "The Task Scheduler could not change '" + DisplayName(shown) +
                                            "'. Nothing was changed.");
}

// Switches a scheduled task with its own Enabled flag, once it is as it was listed.
bool SwitchScheduledLocked(const TAppItem& shown, bool on, Platform& platform) {
  if (!ScheduledTaskUnchanged(shown, platform)) {
    SayChanged(shown, platform);
    return false;
  }
  if (on == !SwitchedOffByWindows(shown)) return true;
  const TaskChange change = platform.tasks.SetEnabled(GetOptionString(shown, keys::TaskPath), on);
  if (change == TaskChange::Done) return true;
  SayTaskRefused(shown, change, on ? "switched on" : "switched off", platform);
  return false;
}

// Switches the entry on or off with Windows' own switch; the entry stays where it is.
bool SwitchLocked(const TAppItem& shown, bool on, Platform& platform) {
  if (IsStoreAppTask(shown)) return SwitchTaskLocked(shown, on, platform);
  if (IsScheduledTask(shown)) return SwitchScheduledLocked(shown, on, platform);
  if (!MayChange(shown, false, platform)) return false;
  if (PlaceOf(shown, platform) != Place::Same) {
    SayChanged(shown, platform);
    return false;
  }
  if (on ? SwitchOnInWindows(shown, platform) : SwitchOffInWindows(shown, platform)) return true;
  ErrorMessage(platform.messages, "Cannot switch '" + DisplayName(shown) + "' " + (on ? "on" : "off") +
                                      " in Windows' startup settings. Nothing was changed.");
  return false;
}

// The stored copies of an entry that came back, read again: each still there, of this place
// and program. False (after saying so) when one is not.
bool ReadStoredCopies(const TAppItem& shown, Platform& platform, TAppList& copies) {
  for (const std::string& name : StoredCopiesOf(shown)) {
    TAppItem& copy = copies.Add();
    std::string ignored;
    if (IsUnfinished(name) || !ReadStoredEntry(platform.registry, name, copy, ignored) || !SamePlace(copy, shown) ||
        !SameProgram(shown, copy)) {
      SayChanged(shown, platform);
      return false;
    }
  }
  return true;
}

// Keeps an entry that came back off with Windows' own switch: its value or file stays where
// its program wants it, and the older copies in the store go once the switch is confirmed
// written. A failure puts the switch and the store back as they were.
bool KeepOffLocked(const TAppItem& shown, Platform& platform) {
  if (!MayChange(shown, true, platform)) return false;
  if (PlaceOf(shown, platform) != Place::Same) {
    SayChanged(shown, platform);
    return false;
  }
  TAppList copies;
  if (!ReadStoredCopies(shown, platform, copies)) return false;
  const std::optional<RegValue> before = ReadSwitch(shown, platform);
  const std::optional<RegValue> written =
      SwitchOffInWindows(shown, platform) ? ReadSwitch(shown, platform) : std::nullopt;
  if (!written || !DecodeStartupSwitch(*written).off) {
    const bool undone = RestoreSwitch(shown, platform, before);
    ErrorMessage(platform.messages, "Cannot switch '" + DisplayName(shown) + "' off in Windows' startup settings." +
                                        (undone ? " Nothing was changed." : ""));
    return false;
  }
  for (int i = 0; i < copies.Count(); ++i) {
    if (RemoveFromStore(copies.GetItem(i), platform)) continue;
    bool undone = RestoreSwitch(shown, platform, before);
    for (int j = 0; j < i; ++j) undone = AddToStore(copies.GetItem(j), platform) && undone;
    ErrorMessage(platform.messages,
                 undone ? std::string("Cannot save the list of disabled applications. Nothing was changed.")
                        : "'" + DisplayName(shown) + "' is switched off in Windows' startup settings, but its older "
                          "copy could not be removed from the list of disabled applications");
    return false;
  }
  SayMessengerPolicy(shown, "disabled", SetMessengerPolicyFor(shown, platform, 1), platform);
  return true;
}

bool DisableLocked(const TAppItem& shown, SwitchOff how, Platform& platform) {
  if (CameBack(shown)) return KeepOffLocked(shown, platform);
  if (how == SwitchOff::WithWindows && !HasWindowsSwitch(shown) && !IsStoreAppTask(shown) && !IsScheduledTask(shown)) {
    ErrorMessage(platform.messages, "'" + DisplayName(shown) + "' has no switch in Windows' startup settings: only "
                                    "Run values and Startup-folder entries have one. Nothing was changed.");
    return false;
  }
  // A Startup-folder file that is not a shortcut, and a Store app's task, stay where they are,
  // switched off by Windows; so does every entry that has such a switch when the user chose it.
  if (IsPlainStartupFile(shown) || IsStoreAppTask(shown) || IsScheduledTask(shown) ||
      (HasWindowsSwitch(shown) && (how == SwitchOff::WithWindows || SwitchOffWithWindowsSet(platform))))
    return SwitchLocked(shown, false, platform);
  // A shortcut without a file target comes back only as the very file it was.
  if (IsShortcutWithoutFileTarget(shown) && !LinkBytesOf(shown)) {
    ErrorMessage(platform.messages, "'" + DisplayName(shown) + "' cannot be disabled: its shortcut file is too large "
                                    "to be kept, and its target is not a file. Nothing was changed.");
    return false;
  }
  if (!MayChange(shown, true, platform)) return false;
  // A place that holds something else now is left alone; one that is empty has nothing to
  // remove, and the entry is stored all the same.
  if (PlaceOf(shown, platform) == Place::Different) {
    SayChanged(shown, platform);
    return false;
  }
  TAppItem stored;
  stored.Assign(shown);
  stored.SetEnabled(false);
  SetOptionString(stored, keys::WindowsOff, "");  // what Windows' switch said is read anew
  SetOptionString(stored, keys::WindowsOffTime, "");
  SetOptionString(stored, keys::DisabledOn, DisabledOnNow());
  if (!AddToStore(stored, platform)) {
    ErrorMessage(platform.messages, "Cannot save the list of disabled applications");
    return false;
  }
  // From here on the entry is stored in full: whatever fails, it is never lost.
  if (!RemovePlace(shown, platform)) {
    const bool undone = RemoveFromStore(stored, platform);
    ErrorMessage(platform.messages, "Cannot remove '" + DisplayName(shown) + "' from " + PlaceText(shown) + "." +
                                        (undone ? " Nothing was changed."
                                                : " It is in the list of disabled applications as well."));
    return false;
  }
  SayMessengerPolicy(shown, "disabled", SetMessengerPolicyFor(shown, platform, 1), platform);
  return true;
}

bool EnableLocked(const TAppItem& shown, Platform& platform) {
  // What the store holds now, not what was listed: the entry is written as it is stored.
  TAppItem entry;
  std::string ignored;
  if (shown.ListName.empty() || IsUnfinished(shown.ListName) ||
      !ReadStoredEntry(platform.registry, shown.ListName, entry, ignored) || !SamePlace(entry, shown)) {
    SayChanged(shown, platform);
    return false;
  }
  if (!MayChange(entry, true, platform)) return false;
  const Place place = PlaceOf(entry, platform);
  if (place == Place::Different) {
    ErrorMessage(platform.messages, "'" + DisplayName(entry) + "' cannot be enabled: " + PlaceText(entry) +
                                        " holds another entry of that name now. Nothing was changed.");
    return false;
  }
  if (place == Place::Empty && !WriteIntoPlace(entry, platform)) return false;  // reported, and still stored
  if (!RemoveFromStore(entry, platform)) {
    // The place goes back to as it was, so that the entry is not both started and stored.
    const bool undone = place == Place::Empty && RemovePlace(entry, platform);
    ErrorMessage(platform.messages, undone ? std::string("Cannot save the list of disabled applications. Nothing was "
                                                         "changed.")
                                           : "Cannot save the list of disabled applications: '" + DisplayName(entry) +
                                                 "' is in " + PlaceText(entry) + " and in the list as well.");
    return false;
  }
  SayMessengerPolicy(entry, "enabled", SetMessengerPolicyFor(entry, platform, 0), platform);
  // Ticked means that Windows starts it: an "off" left by Windows' own settings goes.
  if (!ClearStaleSwitch(entry, platform))
    ErrorMessage(platform.messages, "'" + DisplayName(entry) + "' is enabled, but Windows' startup settings still "
                                    "switch it off: its switch could not be changed");
  return true;
}

bool DeleteLocked(const TAppItem& shown, Platform& platform) {
  if (const std::string refusal = DeleteRefusal(shown); !refusal.empty()) {
    ErrorMessage(platform.messages, refusal);
    return false;
  }
  if (IsScheduledTask(shown)) {
    if (!ScheduledTaskUnchanged(shown, platform)) {
      SayChanged(shown, platform);
      return false;
    }
    const TaskChange change = platform.tasks.Delete(GetOptionString(shown, keys::TaskPath));
    if (change != TaskChange::Done) SayTaskRefused(shown, change, "deleted", platform);
    return change == TaskChange::Done;
  }
  if (!MayChange(shown, !shown.Enabled() || CameBack(shown), platform)) return false;
  if (!shown.Enabled()) {
    if (RemoveFromStore(shown, platform)) return true;
    ErrorMessage(platform.messages, "Cannot save the list of disabled applications");
    return false;
  }
  if (PlaceOf(shown, platform) == Place::Different) {
    SayChanged(shown, platform);
    return false;
  }
  // An entry that came back is one row with its older stored copies: all of it goes.
  TAppList copies;
  if (!ReadStoredCopies(shown, platform, copies)) return false;
  if (!RemovePlace(shown, platform)) {
    ErrorMessage(platform.messages, "Cannot remove '" + DisplayName(shown) + "' from " + PlaceText(shown) + ".");
    return false;
  }
  for (int i = 0; i < copies.Count(); ++i)
    if (!RemoveFromStore(copies.GetItem(i), platform))
      ErrorMessage(platform.messages, "'" + DisplayName(shown) + "' is deleted from " + PlaceText(shown) +
                                          ", but its older copy could not be removed: it is in the list of disabled "
                                          "applications as well.");
  SayMessengerPolicy(shown, "deleted", SetMessengerPolicyFor(shown, platform, 1), platform);
  // Windows' switch of a deleted entry names nothing any more.
  if (!RemoveSwitch(shown, platform))
    ErrorMessage(platform.messages, "'" + DisplayName(shown) + "' is deleted, but its switch in Windows' startup "
                                    "settings could not be removed");
  return true;
}

}  // namespace

bool DisableEntry(const TAppItem& shown, Platform& platform, SwitchOff how) {
  if (!shown.Enabled()) return false;
  return UnderLock(platform, [&](Platform& locked) { return DisableLocked(shown, how, locked); });
}

bool EnableEntry(const TAppItem& shown, Platform& platform) {
  if (shown.Enabled()) return false;
  return UnderLock(platform, [&](Platform& locked) { return EnableLocked(shown, locked); });
}

bool SwitchOnEntry(const TAppItem& shown, Platform& platform) {
  if (!SwitchedOffByWindows(shown)) return false;
  return UnderLock(platform, [&](Platform& locked) { return SwitchLocked(shown, true, locked); });
}

bool DeleteEntry(const TAppItem& shown, Platform& platform) {
  return UnderLock(platform, [&](Platform& locked) { return DeleteLocked(shown, locked); });
}

std::string DeleteRefusal(const TAppItem& entry) {
  if (!IsStoreAppTask(entry) || !entry.Enabled()) return {};
  return "'" + DisplayName(entry) + "' is the startup task of a Store app: it goes when the app is uninstalled, in "
         "Windows' Settings (Apps). Kelderwick can switch it off and on. Nothing was changed.";
}

bool SaveDisabledApps(const TAppList& list, Platform& platform) {
  TAppList disabled;
  std::set<std::string> taken;  // subkey names compare without regard to letter case
  for (int i = 0; i < list.Count(); ++i) {
    const auto& entry = dynamic_cast<const TAppItem&>(list.Item(i));
    if (entry.Enabled()) continue;
    TAppItem& copy = disabled.Add();
    copy.Assign(entry);
    // One subkey per entry: a name that is taken, empty or not a valid key name is replaced,
    // so that no entry overwrites another in the store.
    while (copy.ListName.empty() || copy.ListName.find('\\') != std::string::npos ||
           taken.count(FoldCase(copy.ListName)))
      copy.ListName = GenerateListName();
    taken.insert(FoldCase(copy.ListName));
  }
  RegistryInView store(platform.registry, kStoreView);
  return disabled.SaveToRegistry(store, kDisabledAppsKey, kStoreRoot);
}

std::string LoadDisabledApps(TAppList& list, Platform& platform) {
  // Each subkey is read on its own, so that one the registry cannot give in full (edited by
  // hand) hides none of the entries after it. A subkey that cannot be opened is listed too,
  // empty, so that the user sees it is there.
  TRegistry reg = StoreRegistry(platform.registry);
  if (!reg.OpenKeyReadOnly(kDisabledAppsKey)) {
    // A store that does not exist yet holds nothing; one that exists but cannot be read may
    // hold entries the user would otherwise never see.
    if (reg.OpenFailure() == RegOpenFailure::Missing) return {};
    return std::string("The list of disabled applications (HKEY_LOCAL_MACHINE\\") + kDisabledAppsKey +
           ") cannot be read: " + OpenFailureText(reg.OpenFailure()) + ".";
  }
  std::vector<std::string> problems;
  for (const std::string& name : reg.GetKeyNames()) {
    if (IsUnfinished(name)) continue;  // still being stored: its copy in its place is listed
    TAppItem& entry = list.Add();
    std::string ignored;
    if (!ReadStoredEntry(platform.registry, name, entry, ignored)) {
      TRegistry probe = StoreRegistry(platform.registry);  // why, for the message
      probe.OpenKeyReadOnly(StorePath(name));
      problems.push_back("'" + name + "' cannot be read: " + OpenFailureText(probe.OpenFailure()) + ".");
    } else if (!ignored.empty()) problems.push_back("'" + DisplayName(entry) + "': " + ignored + " (not text).");
    // A machine-wide entry stored without a view goes back into the 32-bit one: on 64-bit
    // Windows the listed copy names it, so that it is shown where it goes (the store is
    // left as it is).
    if (platform.environment.Windows64() && MachineRunView(entry) == RegView::Bits32 &&
        GetOptionString(entry, keys::View).empty())
      SetOptionString(entry, keys::View, "32");
  }
  return problems.empty() ? std::string() : StoreProblemsText(problems);
}


bool CanChangeMachineWide(Platform& platform) {
  return MayWriteAt(platform.registry, RegView::Native, kHkeyLocalMachine, kRunKeyPath) &&
         MayWriteAt(platform.registry, kStoreView, kStoreRoot, kDisabledAppsKey);
}

namespace {

// Version resources when the scan reads none: every file reads as one without.
class NoVersionResources : public VersionInfo {
 public:
  std::unique_ptr<VersionBlock> Load(std::string_view) override { return nullptr; }
};

}  // namespace

std::string ScanAllEntries(TAppList& list, Platform& platform, ImageList* images, bool readFiles,
                           const TAppList* knownTasks) {
  CachedVersionInfo cached(platform.versions);
  LocalFilesOnly local(platform.files, cached, platform.icons);
  NoVersionResources none;
  VersionInfo& versions = readFiles ? static_cast<VersionInfo&>(local) : none;
  Platform scan{platform.registry, platform.files, platform.shell, platform.messages,    platform.links,
                platform.folders,  versions,       local,          platform.environment, platform.properties,
                platform.locks,    platform.tasks,  platform.signatures};
  list.Clear();
  ScanMachineRunKeys(list, scan);
  ScanRunKey(list, scan, kHkeyCurrentUser, kRunKeyPath);
  ScanStartupFolder(list, scan, kCsidlCommonStartup);
  ScanStartupFolder(list, scan, kCsidlStartup);
  ScanRunOnceAndPolicyKeys(list, scan);
  std::string packageProblems;
  const int beforeTasks = list.Count();
  if (knownTasks) {
    AppendKnownTasks(list, *knownTasks, scan);
    AppendKnownScheduledTasks(list, *knownTasks, scan);
  } else {
    packageProblems = ScanStoreApps(list, scan);
    const std::string taskProblems = ScanScheduledTasks(list, scan);
    if (!taskProblems.empty()) packageProblems += (packageProblems.empty() ? "" : "\n\n") + taskProblems;
  }
  for (int i = beforeTasks; i < list.Count(); ++i) list.GetItem(i).ReadVersionInfo(versions);
  MarkWindowsSwitches(list, platform);
  std::string problems = LoadDisabledApps(list, platform);
  JoinComebacks(list);
  if (images && readFiles) list.LoadIcons(local, *images);
  if (!packageProblems.empty()) problems += (problems.empty() ? "" : "\n\n") + packageProblems;
  return problems;
}

}  // namespace kw
