#include "entries/unitAppList.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "entries/unitSysWorks.h"
#include "util/unitStrUtils.h"

namespace kw {

TAppList AppList;

void TAppItem::SetCommandLine(std::string_view commandLine, VersionInfo& versions) {
  SetOptionString(*this, keys::CommandLine, commandLine);
  CommandLineParts parts = SplitCommandLine(commandLine);
  if (LowerCase(parts.path).find("rundll") != std::string::npos) {
    // The DLL runner: the program is the DLL named by its first argument, without the entry point.
    std::string dll = GetDelimitedToken(parts.arguments, 0);
    const size_t comma = dll.find(',');
    if (comma != std::string::npos) dll.erase(comma);
    if (LowerCase(dll).find(".dll") == std::string::npos) dll += ".dll";
    parts.path = dll;
  }
  SetFullPath(parts.path);
  SetArguments(parts.arguments);
  ReadVersionInfo(versions);
}

std::string TAppItem::ProgramFile() const {
  // A shortcut without a file target is what Windows opens: its icon is the shortcut's.
  if (IsShortcutWithoutFileTarget(*this)) return LinkFile();
  const std::string expanded = GetOptionString(*this, keys::ExpandedPath);
  return expanded.empty() ? FullPath() : expanded;
}

VersionStrings ReadVersionStrings(VersionInfo& versions, std::string_view path) {
  VersionStrings strings;
  const std::unique_ptr<VersionBlock> block = versions.Load(path);
  if (!block) return strings;
  const auto translations = block->Translations();
  if (translations.empty()) return strings;
  const auto [language, codePage] = translations.front();
  strings.found = true;
  for (const char* name : kVersionKeys)
    strings.values.emplace_back(name, block->QueryString(StringFileInfoQuery(language, codePage, name)).value_or(std::string()));
  return strings;
}

void TAppItem::ReadVersionInfo(VersionInfo& versions) {
  for (const auto& [name, value] : ReadVersionStrings(versions, ProgramFile()).values) SetOptionString(*this, name, value);
}

void TAppItem::PutVersionStrings(const VersionStrings& strings) {
  if (!strings.found) return;
  bool present = false;
  for (const char* name : kVersionKeys) present = present || IndexOfName(name) >= 0;
  if (present) {  // read before: replaced in place, as a second reading does
    for (const auto& [name, value] : strings.values) SetOptionString(*this, name, value);
    return;
  }
  // The scan reads them right after the command line's keys, or after ExpandedPath where the
  // path names environment variables; the lines set since follow them.
  int after = -1;
  for (const char* name : {keys::CommandLine, keys::FullPath, keys::Arguments}) after = std::max(after, IndexOfName(name));
  if (GetOptionString(*this, keys::ExpandedPath) != FullPath()) after = std::max(after, IndexOfName(keys::ExpandedPath));
  std::vector<std::string> rest(Lines().begin() + (after + 1), Lines().end());
  while (Count() > after + 1) Delete(Count() - 1);
  for (const auto& [name, value] : strings.values) SetOptionString(*this, name, value);
  for (std::string& line : rest) Add(std::move(line));
}

void TAppItem::LoadIcon(Icons& icons, ImageList& images) {
  const std::unique_ptr<Icon> icon = ExtractFileIcon(icons, ProgramFile(), 0);
  SetImageIndex(icon ? images.AddIcon(*icon) : -1);
}

void TAppItem::FillListItem(ListViewItem& item) const {
  item.SetCaption("  " + ShortenForDisplay(Caption(), kMaxListCaptionCharacters));
  item.SetChecked(Enabled() && !GetOptionBool(*this, keys::WindowsOff));
}

bool IsRegistryOrigin(int origin) {
  return origin == orRegistryCommon || origin == orRegistryUser || (origin >= orRunOnceCommon && origin <= orPolicyUser);
}

bool IsStartupFolderOrigin(int origin) { return origin == orStartupCommon || origin == orStartupUser; }

bool IsMachineOrigin(int origin) {
  return origin == orRegistryCommon || origin == orStartupCommon || origin == orRunOnceCommon || origin == orPolicyCommon;
}

RootKey RegistryRootOf(int origin) { return IsMachineOrigin(origin) ? kHkeyLocalMachine : kHkeyCurrentUser; }

const char* RegistryKeyOf(int origin) {
  switch (origin) {
    case orRunOnceCommon:
    case orRunOnceUser: return kRunOnceKeyPath;
    case orPolicyCommon:
    case orPolicyUser: return kPolicyRunKeyPath;
    default: return kRunKeyPath;
  }
}

bool IsPlainStartupFile(const TAppItem& entry) {
  return GetOptionString(entry, keys::TargetKind) == kinds::File &&
         IsStartupFolderOrigin(std::atoi(GetOptionString(entry, keys::Origin).c_str()));
}

bool IsShortcutWithoutFileTarget(const TAppItem& entry) {
  const std::string kind = GetOptionString(entry, keys::TargetKind);
  return !kind.empty() && kind != kinds::File;
}

RegView MachineRunView(const TAppItem& entry) {
  // Origins compare as stored: a hand-edited store may hold one that is not a number.
  const std::string origin = GetOptionString(entry, keys::Origin);
  if (origin != std::to_string(orRegistryCommon) && origin != std::to_string(orRunOnceCommon) &&
      origin != std::to_string(orPolicyCommon))
    return RegView::Native;
  return GetOptionString(entry, keys::View) == "64" ? RegView::Bits64 : RegView::Bits32;
}

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}  // namespace

void SetLinkBytes(TAppItem& entry, std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0xF];
  }
  SetOptionString(entry, keys::LinkBytes, text);
}

std::optional<std::string> LinkBytesOf(const TAppItem& entry) {
  const std::string text = GetOptionString(entry, keys::LinkBytes);
  if (text.empty() || text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const char* high = std::strchr(kHexDigits, text[i]);
    const char* low = std::strchr(kHexDigits, text[i + 1]);
    if (!high || !low || !*high || !*low) return std::nullopt;
    bytes += static_cast<char>(((high - kHexDigits) << 4) | (low - kHexDigits));
  }
  return bytes;
}

std::unique_ptr<TObject> TAppList::CreateItem() { return std::make_unique<TAppItem>(); }

TAppItem& TAppList::Add() { return dynamic_cast<TAppItem&>(TMultiOptions::Add()); }

TAppItem& TAppList::GetItem(int position) { return dynamic_cast<TAppItem&>(TMultiOptions::GetItem(position)); }

void TAppList::LoadIcons(Icons& icons, ImageList& images) {
  // A file that several entries start is read once: its icon is kept until its last entry
  // has it. Each entry still adds an image of its own, so the indexes are those that reading
  // the file for every entry gives.
  std::vector<std::string> paths;
  std::unordered_map<std::string, int> lastUse;
  for (int i = 0; i < Count(); ++i) lastUse[paths.emplace_back(GetItem(i).ProgramFile())] = i;
  std::unordered_map<std::string, std::unique_ptr<Icon>> kept;
  for (int i = 0; i < Count(); ++i) {
    const std::string& path = paths[static_cast<size_t>(i)];
    std::unique_ptr<Icon> icon;
    if (auto it = kept.find(path); it != kept.end()) {
      icon = std::move(it->second);
      kept.erase(it);
    } else {
      icon = ExtractFileIcon(icons, path, 0);
    }
    GetItem(i).SetImageIndex(icon ? images.AddIcon(*icon) : -1);
    if (lastUse[path] > i) kept.emplace(path, std::move(icon));
  }
}

}  // namespace kw
