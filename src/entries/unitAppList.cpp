#include "entries/unitAppList.h"

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
  const std::string expanded = GetOptionString(*this, keys::ExpandedPath);
  return expanded.empty() ? FullPath() : expanded;
}

void TAppItem::ReadVersionInfo(VersionInfo& versions) {
  const std::unique_ptr<VersionBlock> block = versions.Load(ProgramFile());
  if (!block) return;
  const auto translations = block->Translations();
  if (translations.empty()) return;
  const auto [language, codePage] = translations.front();
  for (const char* name : kVersionKeys)
    SetOptionString(*this, name, block->QueryString(StringFileInfoQuery(language, codePage, name)).value_or(std::string()));
}

void TAppItem::LoadIcon(Icons& icons, ImageList& images) {
  const std::unique_ptr<Icon> icon = ExtractFileIcon(icons, ProgramFile(), 0);
  SetImageIndex(icon ? images.AddIcon(*icon) : -1);
}

void TAppItem::FillListItem(ListViewItem& item) const {
  item.SetCaption("  " + ShortenForDisplay(Caption(), kMaxListCaptionCharacters));
  item.SetChecked(Enabled() && !GetOptionBool(*this, keys::WindowsOff));
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
