#include "entries/unitSysWorks.h"

#include <vector>

#include "entries/unitAppList.h"
#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"
#include "util/unitWideText.h"

namespace kw {

CommandLineParts SplitCommandLine(std::string_view commandLine) {
  CommandLineParts parts;
  const std::string s = Trim(commandLine);
  if (s.empty()) return parts;
  const int length = static_cast<int>(s.size());

  if (s.front() == '"') {
    const int q = PosFrom("\"", s, 2);
    if (q > 0) {
      parts.path = CopyRange(s, 2, q - 1);
      parts.arguments = CopyRange(s, q + 1, length);
    } else {
      parts.path = CopyRange(s, 2, length);
    }
    return parts;
  }

  std::vector<std::string> tokens;
  for (size_t start = 0; start < s.size();) {
    const size_t end = s.find(' ', start);
    const size_t stop = end == std::string::npos ? s.size() : end;
    if (stop > start) tokens.emplace_back(s.substr(start, stop - start));
    start = stop + 1;
  }
  parts.path = tokens.front();
  if (tokens.size() == 1) return parts;

  if (tokens.front().find(":\\") == std::string::npos) {
    parts.arguments = CopyRange(s, static_cast<int>(tokens.front().size()) + 2, length);
    return parts;
  }
  // A drive-letter path may hold blanks: it runs to the last token that holds a "\".
  size_t k = 0;
  for (size_t i = 1; i < tokens.size(); ++i)
    if (tokens[i].find('\\') != std::string::npos) k = i;
  for (size_t i = 1; i <= k; ++i) parts.path += " " + tokens[i];
  for (size_t i = k + 1; i < tokens.size(); ++i) parts.arguments += " " + tokens[i];
  return parts;
}

std::string LinkCommandLine(std::string_view targetPath, std::string_view arguments) {
  return "\"" + std::string(targetPath) + "\" " + std::string(arguments);
}

std::string GetDelimitedToken(std::string_view text, int index) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  auto isSeparator = [](char c) { return static_cast<unsigned char>(c) <= 32; };

  size_t i = 0;
  for (int current = 0;; ++current) {
    while (i < text.size() && isSeparator(text[i])) ++i;
    if (i >= text.size()) return {};
    std::string token;
    if (text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            token += '"';
            i += 2;
            continue;
          }
          ++i;  // the closing quote
          break;
        }
        token += text[i++];
      }
    } else {
      while (i < text.size() && !isSeparator(text[i])) token += text[i++];
    }
    if (current == index) return token;
  }
}

std::unique_ptr<Icon> ExtractFileIcon(Icons& icons, std::string_view path, int iconIndex) {
  try {
    std::u16string units = Utf8ToUtf16(path);
    if (units.size() > 255) units.resize(255);
    const std::string shellPath = Utf16ToUtf8(units);
    std::unique_ptr<Icon> icon = icons.FileIcon(shellPath, iconIndex);
    if (!icon || icon->Handle() < 2) icon = icons.AssociatedIcon(shellPath, iconIndex);
    if (icon && icon->Handle() >= 2) return icon;
  } catch (const std::exception&) {
    // No icon, as for a file without one.
  }
  return nullptr;
}

bool IsNetworkPath(std::string_view path, const std::function<bool(char)>& isNetworkDrive) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  std::string_view rest = path;
  if (rest.size() >= 2 && separator(rest[0]) && separator(rest[1])) {
    // "\\?\" and "\\.\" lead into the device namespaces; any other double separator
    // begins a server name.
    if (rest.size() < 4 || (rest[2] != '?' && rest[2] != '.') || !separator(rest[3])) return true;
    rest.remove_prefix(4);
    if (rest.size() >= 4 && LowerCase(rest.substr(0, 3)) == "unc" && separator(rest[3])) return true;
  }
  const char letter = rest.size() >= 2 && rest[1] == ':' ? UpperCase(rest.substr(0, 1))[0] : '\0';
  return letter >= 'A' && letter <= 'Z' && isNetworkDrive(letter);
}

bool LocalFilesOnly::IsLocal(std::string_view path) {
  return !IsNetworkPath(path, [this](char letter) {
    signed char& known = networkDrive_[static_cast<size_t>(letter - 'A')];
    if (known == 0) known = files_.IsNetworkDrive(letter) ? 1 : -1;
    return known > 0;
  });
}

std::unique_ptr<VersionBlock> LocalFilesOnly::Load(std::string_view path) {
  return IsLocal(path) ? versions_.Load(path) : nullptr;
}

std::unique_ptr<Icon> LocalFilesOnly::FileIcon(std::string_view path, int index) {
  return IsLocal(path) ? icons_.FileIcon(path, index) : nullptr;
}

std::unique_ptr<Icon> LocalFilesOnly::AssociatedIcon(std::string_view path, int index) {
  return IsLocal(path) ? icons_.AssociatedIcon(path, index) : nullptr;
}

std::string GetSpecialFolderPath(ShellFolders& folders, int csidl) {
  if ((folders.WindowsVersion() & 0xFF) < 4) return {};
  std::string path = folders.SpecialFolderLocation(csidl).value_or(std::string());
  if (csidl == kCsidlCommonStartup && path.empty()) return GetSpecialFolderPath(folders, kCsidlStartup);
  return path;
}

void ScanRunKey(TAppList& list, Platform& platform, RootKey root, std::string_view keyPath, RegView view) {
  const bool machine = root == kHkeyLocalMachine;
  int origin = machine ? orRegistryCommon : orRegistryUser;
  if (SameText(keyPath, kRunOnceKeyPath)) origin = machine ? orRunOnceCommon : orRunOnceUser;
  if (SameText(keyPath, kPolicyRunKeyPath)) origin = machine ? orPolicyCommon : orPolicyUser;
  TRegistry reg(platform.registry, root, view);
  if (!reg.OpenKeyReadOnly(keyPath)) return;
  for (const std::string& name : reg.GetValueNames()) {
    try {
      const std::uint32_t type = reg.GetDataType(name);
      if (type != kRegSz && type != kRegExpandSz) continue;
      TAppItem& entry = list.Add();
      entry.SetOrigin(origin);
      entry.SetCaption(name);
      entry.SetEnabled(true);
      if (root == kHkeyLocalMachine && platform.environment.Windows64()) {
        const bool bits64 = view == RegView::Native ? platform.environment.Program64() : view == RegView::Bits64;
        SetOptionString(entry, keys::View, bits64 ? "64" : "32");
      }
      entry.SetCommandLine(reg.ReadString(name), platform.versions);
      if (type == kRegExpandSz) {
        // The path is shown as stored; its file is read where the system finds it.
        SetOptionString(entry, keys::ExpandedPath, platform.environment.ExpandStrings(entry.FullPath()));
        entry.ReadVersionInfo(platform.versions);
      }
      SetOptionInt(entry, keys::ValueType, static_cast<std::int32_t>(type));
      SetOptionBool(entry, keys::AsFound, true);
    } catch (const std::exception&) {
      // The value is skipped; what was set of its entry stays.
    }
  }
  reg.CloseKey();
}

void ScanMachineRunKeys(TAppList& list, Platform& platform, std::string_view keyPath) {
  if (!platform.environment.Windows64()) {
    ScanRunKey(list, platform, kHkeyLocalMachine, keyPath);
    return;
  }
  const bool native64 = platform.environment.Program64();
  ScanRunKey(list, platform, kHkeyLocalMachine, keyPath, native64 ? RegView::Bits64 : RegView::Bits32);
  ScanRunKey(list, platform, kHkeyLocalMachine, keyPath, native64 ? RegView::Bits32 : RegView::Bits64);
}

void ScanRunOnceAndPolicyKeys(TAppList& list, Platform& platform) {
  ScanMachineRunKeys(list, platform, kRunOnceKeyPath);
  ScanRunKey(list, platform, kHkeyCurrentUser, kRunOnceKeyPath);
  // Explorer, a 64-bit program on 64-bit Windows, reads the policy in the 64-bit view.
  ScanRunKey(list, platform, kHkeyLocalMachine, kPolicyRunKeyPath, RegView::Bits64);
  ScanRunKey(list, platform, kHkeyCurrentUser, kPolicyRunKeyPath);
}

namespace {

// The address of an Internet shortcut: the URL line of its [InternetShortcut] section.
std::string InternetShortcutUrl(std::string_view text) {
  bool inSection = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.rfind('[', 0) == 0) inSection = SameText(line, "[InternetShortcut]");
    else if (inSection && line.size() > 4 && SameText(line.substr(0, 4), "URL=")) return line.substr(4);
  }
  return {};
}

// A file of the Startup folder that is not a shortcut: Windows opens it as Explorer would,
// with whatever program its type is opened with. It is named by its file name.
void AddStartupFile(TAppItem& entry, Platform& platform, const std::string& file) {
  entry.SetCaption(ExtractFileName(file));
  entry.SetFullPath(file);
  entry.SetLinkFile(file);
  SetOptionString(entry, keys::TargetKind, kinds::File);
  if (SameText(ExtractFileExt(file), ".url"))
    if (const auto text = platform.files.ReadWholeFile(file); text && text->size() <= kMaxKeptLinkBytes)
      SetOptionString(entry, keys::Url, InternetShortcutUrl(*text));
  entry.ReadVersionInfo(platform.versions);
}

// A shortcut: named by its target's file name, or by the shortcut's own when the target is a
// folder or a drive, or not a file at all (then by the product or item it stands for, where
// the shell can tell).
void AddShortcut(TAppItem& entry, Platform& platform, const std::string& linkFile) {
  const LinkReadResult link = platform.links.Read(linkFile);
  const std::string linkName = ChangeFileExt(ExtractFileName(linkFile), "");
  entry.SetLinkFile(linkFile);
  if (link.pathRead) {
    entry.SetCommandLine(LinkCommandLine(link.targetPath, link.arguments), platform.versions);
    // A folder or drive target ("C:\", "C:\Data\") has no file name.
    const std::string caption = ExtractFileName(entry.FullPath());
    entry.SetCaption(caption.empty() ? linkName : caption);
  } else {
    std::string caption = linkName;
    if (!link.loaded) {
      SetOptionString(entry, keys::TargetKind, kinds::Unreadable);
    } else if (!link.productCode.empty()) {
      SetOptionString(entry, keys::TargetKind, kinds::Installer);
      SetOptionString(entry, keys::ProductCode, link.productCode);
      SetOptionString(entry, keys::Feature, link.feature);
      if (!link.productName.empty()) caption = link.productName;
    } else if (!link.itemName.empty()) {
      SetOptionString(entry, keys::TargetKind, kinds::ShellItem);
      entry.SetFullPath(link.itemPath);
      caption = link.itemName;
    } else {
      SetOptionString(entry, keys::TargetKind, kinds::Unresolved);
    }
    entry.SetArguments(link.arguments);
    entry.SetCaption(caption);
  }
  if (link.showCmdRead) entry.SetShowCmd(link.showCmd);
  SetOptionString(entry, keys::WorkingDirectory, link.workingDirectory);
  SetOptionString(entry, keys::LinkIcon, link.iconPath);
  if (!link.iconPath.empty()) SetOptionInt(entry, keys::LinkIconIndex, link.iconIndex);
  SetOptionBool(entry, keys::AsFound, true);
  // The file itself, so that the shortcut comes back with everything the shell keeps in it
  // (description, hot key, "run as administrator", an installer's descriptor, ...), and a
  // change to any of it is noticed before the file is touched.
  const auto bytes = platform.files.ReadWholeFile(linkFile);
  if (bytes && bytes->size() <= kMaxKeptLinkBytes) SetLinkBytes(entry, *bytes);
}

}  // namespace

void ScanStartupFolder(TAppList& list, Platform& platform, int csidl) {
  const int origin = csidl == kCsidlCommonStartup ? orStartupCommon : orStartupUser;
  const std::string folder = GetSpecialFolderPath(platform.folders, csidl);
  if (csidl == kCsidlCommonStartup && folder == GetSpecialFolderPath(platform.folders, kCsidlStartup)) return;
  if (!platform.files.DirectoryExists(folder)) return;

  // Every file Explorer opens at logon: all but folders and the folder's own desktop.ini,
  // hidden and system files included.
  for (const FoundFile& found : platform.files.FindFiles(folder + "\\*")) {
    if (found.directory || SameText(found.name, "desktop.ini")) continue;
    const std::string file = folder + "\\" + found.name;
    try {
      TAppItem& entry = list.Add();
      entry.SetOrigin(origin);
      entry.SetEnabled(true);
      if (SameText(ExtractFileExt(found.name), ".lnk")) AddShortcut(entry, platform, file);
      else AddStartupFile(entry, platform, file);
      if (found.hidden && found.system) SetOptionBool(entry, keys::SuperHidden, true);
    } catch (const std::exception&) {
      // What was set of its entry stays.
    }
  }
}

}  // namespace kw
