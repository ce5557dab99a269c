#include "entries/unitAppListState.h"

#include <set>
#include <string>
#include <vector>

#include "entries/unitSysWorks.h"
#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

bool IsRunEntry(int origin) { return origin == orRegistryCommon || origin == orRegistryUser; }
bool IsShortcutEntry(int origin) { return origin == orStartupCommon || origin == orStartupUser; }

RootKey RunRoot(int origin) { return origin == orRegistryCommon ? kHkeyLocalMachine : kHkeyCurrentUser; }

bool IsMessenger(const TAppItem& entry) { return UpperCase(entry.Caption()) == "MSMSGS"; }

// Sets the Messenger policy value, only where its key already exists. A key that exists but
// may not be written makes the write raise "Failed to set data for 'PreventAutoRun'".
void SetMessengerPolicy(Platform& platform, int preventAutoRun) {
  TRegistry reg(platform.registry, kHkeyLocalMachine);
  if (!reg.KeyExists(kMessengerPolicyKey)) return;
  reg.OpenKey(kMessengerPolicyKey, false);
  reg.WriteInteger(kMessengerPolicyValue, preventAutoRun);
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

// The data of a Run value written back: the path in double quotes, a blank, the arguments
// as stored. Arguments found behind a quoted path keep the blank that followed the quote, so
// a value found with one blank there comes back with two. Arguments that already begin with
// two blanks are not given a third: otherwise every disable and enable would add a blank.
std::string RunValueData(const TAppItem& entry) {
  const std::string arguments = entry.Arguments();
  const bool separated = arguments.rfind("  ", 0) == 0;
  return "\"" + entry.FullPath() + "\"" + (separated ? "" : " ") + arguments;
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
      "ignored and go when the list of disabled applications is saved next.";
  for (size_t i = 0; i < problems.size() && i < kShown; ++i) text += "\n" + problems[i];
  if (problems.size() > kShown) text += "\n... and " + std::to_string(problems.size() - kShown) + " more.";
  return text;
}

}  // namespace

void ApplyState(TAppItem& entry, Platform& platform) {
  if (entry.Enabled()) WriteToSystem(entry, platform);
  else RemoveFromSystem(entry, platform);
}

void RemoveFromSystem(const TAppItem& entry, Platform& platform) {
  const int origin = entry.Origin();
  if (IsRunEntry(origin)) {
    {
      TRegistry reg(platform.registry, RunRoot(origin));
      if (reg.OpenKey(kRunKeyPath, false)) reg.DeleteValue(entry.Caption());
    }
    if (IsMessenger(entry)) SetMessengerPolicy(platform, 1);
  } else if (IsShortcutEntry(origin)) {
    platform.files.RemoveFile(entry.LinkFile());
  }
}

void WriteToSystem(TAppItem& entry, Platform& platform) {
  entry.SetEnabled(false);
  const int origin = entry.Origin();
  const auto dllRunner = DllRunnerCommandLine(entry);

  if (IsRunEntry(origin)) {
    {
      TRegistry reg(platform.registry, RunRoot(origin));
      if (!reg.OpenKey(kRunKeyPath, true)) return;
      reg.WriteString(entry.Caption(), dllRunner ? entry.CommandLine() : RunValueData(entry));
    }
    if (IsMessenger(entry)) SetMessengerPolicy(platform, 0);
    entry.SetEnabled(true);
    return;
  }

  if (IsShortcutEntry(origin)) {
    const std::string linkFile = entry.LinkFile();
    LinkData link;
    link.targetPath = dllRunner ? dllRunner->path : entry.FullPath();
    link.arguments = Trim(dllRunner ? dllRunner->arguments : entry.Arguments());
    link.showCmd = entry.ShowCmd();
    link.workingDirectory = ExtractFilePath(linkFile);
    switch (platform.links.Write(linkFile, link)) {
      case LinkWriteResult::Written: entry.SetEnabled(true); break;
      case LinkWriteResult::PropertyRefused: break;
      case LinkWriteResult::SaveFailed: ErrorMessage(platform.messages, "Error saving " + linkFile); break;
    }
    return;
  }

  // An entry without a place is enabled by the flag alone.
  entry.SetEnabled(true);
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

void LoadDisabledApps(TAppList& list, Platform& platform) {
  // Each subkey is read on its own, so that one the registry cannot give in full (edited by
  // hand) hides none of the entries after it: an entry left out here would be deleted from
  // the store by the next save. A subkey that cannot be opened is listed too, empty; the
  // save then cannot read it back and refuses, instead of dropping it.
  TRegistry reg = StoreRegistry(platform.registry);
  if (!reg.OpenKeyReadOnly(kDisabledAppsKey)) return;
  std::vector<std::string> problems;
  for (const std::string& name : reg.GetKeyNames()) {
    TAppItem& entry = list.Add();
    entry.ListName = name;
    if (!reg.OpenKeyReadOnly(std::string(kDisabledAppsKey) + "\\" + name)) {
      problems.push_back("'" + name + "' cannot be read.");
    } else {
      std::string ignored;
      for (const std::string& value : reg.GetValueNames()) {
        // One read per value: a store of thousands of entries is read at every refresh.
        const std::optional<RegValue> data = reg.ReadValue(value);
        if (data && (data->type == kRegSz || data->type == kRegExpandSz))
          entry.Add(value + "=" + data->data.substr(0, data->data.find('\0')));  // as ReadString gives it
        else
          ignored += (ignored.empty() ? "" : ", ") + (value.empty() ? std::string("(Default)") : value);
      }
      if (!ignored.empty()) problems.push_back("'" + DisplayName(entry) + "': " + ignored + " (not text).");
    }
    entry.SetEnabled(false);
  }
  if (!problems.empty()) ErrorMessage(platform.messages, StoreProblemsText(problems));
}

namespace {

// Whether root\path in the view, or where it does not exist yet the nearest key above it, opens
// for writing. Nothing is created.
bool MayWriteAt(RegistryBackend& registry, RegView view, RootKey root, std::string path) {
  while (!path.empty() && !TRegistry(registry, root, view).KeyExists(path)) {
    const size_t slash = path.rfind('\\');
    path.erase(slash == std::string::npos ? 0 : slash);
  }
  return registry.OpenKeyIn(view, root, path, RegAccess::Write) != nullptr;
}

}  // namespace

bool CanChangeMachineWide(Platform& platform) {
  return MayWriteAt(platform.registry, RegView::Native, kHkeyLocalMachine, kRunKeyPath) &&
         MayWriteAt(platform.registry, kStoreView, kStoreRoot, kDisabledAppsKey);
}

}  // namespace kw
