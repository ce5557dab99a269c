#include "console/unitConsole.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <nlohmann/json.hpp>

#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
#include "entries/unitVerifiedPublisher.h"
#include "platform/Sha256.h"
#include "platform/memory/MemoryRichTextPane.h"
#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"
#include "util/unitWideText.h"

namespace kw::console {

namespace {

using nlohmann::ordered_json;

// on: Windows starts it; off: kept in Kelderwick's store; off-by-windows: in its place, but
// switched off by Windows' own startup settings.
std::string StateText(const TAppItem& entry) {
  if (SwitchedOffByWindows(entry)) return "off-by-windows";
  return entry.Enabled() ? "on" : "off";
}

// A hand-edited store may hold an Origin that is not a number: it is then "unknown".
std::string FoundIn(const TAppItem& entry) {
  try {
    return FoundInText(entry);
  } catch (const std::exception&) {
    return OriginText(-1);
  }
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The signatures of the listed entries' programs, each file checked once.
class SignatureChecks {
 public:
  explicit SignatureChecks(Platform& platform)
      : platform_(platform), local_(platform.files, platform.versions, platform.icons) {}
  const SignatureCheck& Of(const TAppItem& entry) {
    const std::string subject = SignatureSubject(platform_.shell, entry.ProgramFile());
    auto it = checked_.find(subject);
    if (it == checked_.end())
      it = checked_
               .emplace(subject, CheckSignatureOf(platform_.signatures, platform_.files, subject, !local_.IsLocal(subject)))
               .first;
    return it->second;
  }

 private:
  Platform& platform_;
  LocalFilesOnly local_;
  std::map<std::string, SignatureCheck> checked_;
};

// The fields of one entry, in the order every format gives them, as valid UTF-8: a name that
// holds a lone surrogate shows U+FFFD in its place, the same in every format.
std::vector<std::pair<const char*, std::string>> Fields(const TAppItem& entry, const SignatureCheck* signature) {
  std::vector<std::pair<const char*, std::string>> fields{
      {"id", EntryId(entry)},
      {"caption", entry.Caption()},
      {"state", StateText(entry)},
      {"foundIn", FoundIn(entry)},
      {"commandLine", entry.CommandLine()},
      {"path", entry.FullPath()},
      {"arguments", entry.Arguments()},
      {"linkFile", entry.LinkFile()},
      {"package", GetOptionString(entry, keys::Package)},
      {"taskId", GetOptionString(entry, keys::TaskId)},
      {"task", GetOptionString(entry, keys::TaskPath)},
      {"fileVersion", GetOptionString(entry, keys::FileVersion)},
      {"companyName", GetOptionString(entry, keys::CompanyName)},
      {"productName", GetOptionString(entry, keys::ProductName)},
      {"fileDescription", GetOptionString(entry, keys::FileDescription)},
      {"comments", GetOptionString(entry, keys::Comments)},
      {"signer", signature && signature->state == SignatureState::Valid ? signature->signer : std::string()},
      {"signature", signature ? SignatureWord(signature->state) : ""},
      {"cameBack", CameBack(entry) ? "true" : "false"}};
  // What the details say beyond the fields: how the place starts it, what a shortcut without a
  // file target stands for, Windows' switch.
  std::string about;
  for (const auto& [label, value] : AboutLines(entry)) about += (about.empty() ? "" : "; ") + label + ": " + value;
  fields.emplace_back("about", about);
  for (auto& field : fields) field.second = ValidUtf8(field.second);
  return fields;
}

// Text that is not valid UTF-8 (a stray byte in a hand-made value) is replaced, not refused.
std::string Dump(const ordered_json& json) {
  return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

ordered_json ListJson(TAppList& list, SignatureChecks& checks) {
  ordered_json entries = ordered_json::array();
  for (int i = 0; i < list.Count(); ++i) {
    ordered_json entry = ordered_json::object();
    for (const auto& [name, value] : Fields(list.GetItem(i), &checks.Of(list.GetItem(i)))) {
      if (std::string_view(name) == "cameBack") entry[name] = value == "true";  // a yes or no
      else entry[name] = value;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

void PrintTable(TAppList& list, std::ostream& out) {
  out << "ID                State  Found in                   Caption\n";
  for (int i = 0; i < list.Count(); ++i) {
    const TAppItem& entry = list.GetItem(i);
    std::string state = StateText(entry), foundIn = ConsoleText(FoundIn(entry));
    state.resize(std::max<size_t>(state.size(), 14), ' ');
    foundIn.resize(std::max<size_t>(foundIn.size(), 26), ' ');
    out << EntryId(entry) << "  " << state << ' ' << foundIn << ' ' << ConsoleText(entry.Caption()) << '\n';
  }
}

void PrintCsv(TAppList& list, SignatureChecks& checks, std::ostream& out) {
  bool first = true;
  for (const auto& field : Fields(TAppItem(), nullptr)) {
    out << (first ? "" : ",") << field.first;
    first = false;
  }
  out << "\r\n";
  for (int i = 0; i < list.Count(); ++i) {
    first = true;
    for (const auto& field : Fields(list.GetItem(i), &checks.Of(list.GetItem(i)))) {
      out << (first ? "" : ",") << CsvField(field.second);
      first = false;
    }
    out << "\r\n";
  }
}

// Every subkey of the store with its text values, as they are stored.
ordered_json StoreJson(Platform& platform) {
  ordered_json store = ordered_json::array();
  TRegistry reg = StoreRegistry(platform.registry);
  if (!reg.OpenKeyReadOnly(kDisabledAppsKey)) return store;
  for (const std::string& name : reg.GetKeyNames()) {
    TRegistry sub = StoreRegistry(platform.registry);
    ordered_json values = ordered_json::object();
    if (sub.OpenKeyReadOnly(std::string(kDisabledAppsKey) + "\\" + name)) {
      for (const std::string& value : sub.GetValueNames()) {
        try {
          values[ValidUtf8(value)] = ValidUtf8(sub.ReadString(value));
        } catch (const std::exception&) {
          // Not text: LoadDisabledApps' problems (in storeProblems) name it.
        }
      }
    }
    store.push_back(ordered_json{{"subkey", ValidUtf8(name)}, {"values", std::move(values)}});
  }
  return store;
}

// The one listed entry with the id, or null after saying there is none or more than one.
const TAppItem* FindEntry(TAppList& list, const std::string& id, std::ostream& err) {
  const TAppItem* found = nullptr;
  for (int i = 0; i < list.Count(); ++i) {
    if (!SameText(EntryId(list.GetItem(i)), id)) continue;
    if (found) {
      // Two entries in one place (names that differ only in case, in a folder that tells
      // them apart): acting on either could change the wrong one.
      err << "KelderwickCmd: ambiguous id '" << ConsoleText(id) << "': more than one entry has it\n";
      return nullptr;
    }
    found = &list.GetItem(i);
  }
  if (!found) err << "KelderwickCmd: no entry has the id '" << ConsoleText(id) << "' (see 'KelderwickCmd list')\n";
  return found;
}

size_t OperandCount(const std::string& command) {
  if (command == "list") return 0;
  if (command == "show" || command == "disable" || command == "enable" || command == "delete" || command == "export")
    return 1;
  return SIZE_MAX;
}

int UsageError(Host& host, const std::string& problem) {
  host.err << "KelderwickCmd: " << problem << "\n\n" << UsageText();
  return kExitUsage;
}

int RunCommand(const Options& options, Platform& platform, Host& host) {
  TAppList list;
  const std::string problems = ScanAllEntries(list, platform);
  if (!problems.empty()) host.err << "KelderwickCmd: " << ConsoleText(problems, true) << '\n';
  // A list or an export that lacks part of the store is printed all the same, but fails.
  const int listed = problems.empty() ? kExitDone : kExitFailed;
  const std::string& command = options.command;

  SignatureChecks checks(platform);
  if (command == "list") {
    if (options.unsignedOnly) {
      // Only the entries whose program is not validly signed, in their order.
      TAppList all;
      all.Assign(list);
      list.Clear();
      for (int i = 0; i < all.Count(); ++i)
        if (checks.Of(all.GetItem(i)).state != SignatureState::Valid) list.Add().Assign(all.GetItem(i));
    }
    if (options.format == Format::Json) host.out << Dump(ListJson(list, checks));
    else if (options.format == Format::Csv) PrintCsv(list, checks, host.out);
    else PrintTable(list, host.out);
    return listed;
  }
  if (command == "export") {
    ordered_json picture{{"machine", host.machineName},
                         {"time", host.utcNow ? host.utcNow() : std::string()},
                         {"version", host.programVersion},
                         {"entries", ListJson(list, checks)},
                         {"store", StoreJson(platform)},
                         {"storeProblems", ValidUtf8(problems)}};
    const std::string& file = options.operands[0];
    if (!platform.files.WriteWholeFile(file, Dump(picture))) {
      host.err << "KelderwickCmd: Cannot create file " << ConsoleText(file) << '\n';
      return kExitFailed;
    }
    return listed;
  }

  const TAppItem* found = FindEntry(list, options.operands[0], host.err);
  if (!found) return kExitFailed;
  TAppItem entry;  // a copy, as the window acts on the entry as it was listed
  entry.Assign(*found);
  if (command == "show") {
    MemoryRichTextPane pane;
    ShowDetails(entry, pane, &checks.Of(entry));
    for (size_t i = 0; i < pane.lines.size(); ++i) host.out << ConsoleText(pane.Text(i)) << '\n';
    return kExitDone;
  }
  if (command == "disable" || command == "enable") {
    const bool enable = command == "enable";
    if (enable && SwitchedOffByWindows(entry)) return SwitchOnEntry(entry, platform) ? kExitDone : kExitFailed;
    if (entry.Enabled() == enable) {
      host.err << "KelderwickCmd: '" << ConsoleText(entry.Caption()) << "' is already " << StateText(entry) << '\n';
      return kExitFailed;
    }
    const SwitchOff how = options.windowsSwitch ? SwitchOff::WithWindows : SwitchOff::AsSet;
    return (enable ? EnableEntry(entry, platform) : DisableEntry(entry, platform, how)) ? kExitDone : kExitFailed;
  }
  // delete
  if (const std::string refusal = DeleteRefusal(entry); !refusal.empty()) {
    host.err << "KelderwickCmd: " << ConsoleText(refusal) << '\n';
    return kExitFailed;
  }
  if (!ConfirmMessage(platform.messages, "Are you sure you wish to delete this item?")) return kExitFailed;
  return DeleteEntry(entry, platform) ? kExitDone : kExitFailed;
}

}  // namespace

std::string UsageText() {
  return "Usage: KelderwickCmd [options] <command> [argument]\n"
         "\n"
         "Commands:\n"
         "  list            every startup entry, in the order the window lists them, with the\n"
         "                  verified signer of its program (signer, signature)\n"
         "  show ID         one entry's details\n"
         "  disable ID      switch an entry off (kept in Kelderwick's store, or by Windows' own switch)\n"
         "  enable ID       switch an entry back on\n"
         "  delete ID       remove an entry for good (asks first; --yes to not ask)\n"
         "  export FILE     write the list, the store, the machine name and the time as JSON\n"
         "\n"
         "Options:\n"
         "  --format FMT    list as table (default), json or csv\n"
         "  --unsigned      list only entries whose program is not validly signed (signature\n"
         "                  unsigned, mismatch, untrusted or missing)\n"
         "  --windows-switch\n"
         "                  disable: switch a Run value or Startup-folder entry off with Windows'\n"
         "                  own switch; it stays in its place (as when the setting is chosen in\n"
         "                  the window, or always for an entry that came back)\n"
         "  -y, --yes       answer yes to questions (needed to delete without a console)\n"
         "  -h, --help      show this text\n"
         "  --version       show the program's version\n"
         "\n"
         "Exit codes: 0 done, 1 no such entry, the action failed or the store could not be read in full,\n"
         "2 bad usage.\n";
}

std::string ParseArguments(const std::vector<std::string>& args, Options& options) {
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      words.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-y" || arg == "--yes") {
      options.yes = true;
    } else if (arg == "-h" || arg == "--help" || arg == "/?") {
      options.help = true;
    } else if (arg == "--unsigned") {
      options.unsignedOnly = true;
    } else if (arg == "--windows-switch") {
      options.windowsSwitch = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--format" || arg.rfind("--format=", 0) == 0) {
      std::string value;
      if (arg == "--format") {
        if (++i == args.size()) return "--format needs a value: table, json or csv";
        value = args[i];
      } else {
        value = arg.substr(9);
      }
      if (value == "table") options.format = Format::Table;
      else if (value == "json") options.format = Format::Json;
      else if (value == "csv") options.format = Format::Csv;
      else return "unknown format '" + value + "': use table, json or csv";
    } else {
      return "unknown option '" + arg + "'";
    }
  }
  if (words.empty()) return options.help || options.version ? "" : "no command given";
  options.command = words[0];
  options.operands.assign(words.begin() + 1, words.end());
  const size_t wanted = OperandCount(options.command);
  if (wanted == SIZE_MAX) return "unknown command '" + options.command + "'";
  if (options.operands.size() != wanted)
    return "'" + options.command + "' takes " + (wanted == 0 ? std::string("no argument") : "one argument");
  if (options.format != Format::Table && options.command != "list") return "--format applies to 'list' only";
  if (options.unsignedOnly && options.command != "list") return "--unsigned applies to 'list' only";
  if (options.windowsSwitch && options.command != "disable") return "--windows-switch applies to 'disable' only";
  return "";
}

std::string EntryId(const TAppItem& entry) {
  // The place as three fields (where, which registry view, the name), each written as its
  // length, ":" and its bytes, so that no two places give the same text whatever their names hold.
  std::string where, view, name;
  if (!entry.Enabled()) {
    where = "store";
    name = entry.ListName;
  } else {
    where = GetOptionString(entry, keys::Origin);
    const bool shortcut = where == std::to_string(orStartupCommon) || where == std::to_string(orStartupUser);
    const bool machine = where == std::to_string(orRegistryCommon) || where == std::to_string(orRunOnceCommon);
    name = shortcut ? FileNameOf(entry.LinkFile()) : entry.Caption();
    // A Store app's task is named by its package family and its id (a path of the registry).
    if (where == std::to_string(orScheduledTask)) name = GetOptionString(entry, keys::TaskPath);
    if (where == std::to_string(orStoreApp))
      name = GetOptionString(entry, keys::PackageFamily) + "\\" + GetOptionString(entry, keys::TaskId);
    // The 32-bit view of the machine's keys on 64-bit Windows is a place of its own.
    if (machine && GetOptionString(entry, keys::View) == "32") view = "32";
  }
  std::string place;
  for (const std::string& field : {where, view, FoldCase(name)})
    place += std::to_string(field.size()) + ":" + field;
  // A cryptographic hash, so that nobody can choose a name that takes another entry's id; the
  // first 64 bits of it as 16 hex digits.
  return ToHex(Sha256(place), 8);
}

std::string ConsoleText(std::string_view text, bool keepLineBreaks) {
  std::string out;
  const std::string valid = ValidUtf8(text);
  out.reserve(valid.size());
  char escape[8];
  for (size_t i = 0; i < valid.size(); ++i) {
    const auto byte = static_cast<unsigned char>(valid[i]);
    const auto next = i + 1 < valid.size() ? static_cast<unsigned char>(valid[i + 1]) : 0;
    if ((byte < 0x20 && !(keepLineBreaks && byte == '\n')) || byte == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
      std::snprintf(escape, sizeof escape, "\\u%04x", next);
      out += escape;
      ++i;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

int ConsoleMessages::Show(const MessageRequest& request) {
  if (request.icon != MessageIcon::Question) {
    host_.err << "KelderwickCmd: " << ConsoleText(request.text, true) << '\n';
    return request.defaultButton;
  }
  int yes = request.defaultButton;
  for (size_t i = 0; i < request.buttons.size(); ++i)
    if (request.buttons[i] == "&Yes" || request.buttons[i] == "Yes") yes = static_cast<int>(i);
  if (assumeYes_) return yes;
  if (host_.interactive && host_.ask) return host_.ask(request.text) ? yes : request.cancelButton;
  host_.err << "KelderwickCmd: " << ConsoleText(request.text, true) << "\nKelderwickCmd: not confirmed: the input is not a console; "
            << "give --yes to answer yes\n";
  return request.cancelButton;
}

int Run(const std::vector<std::string>& args, Platform& platform, Host& host) {
  Options options;
  const std::string problem = ParseArguments(args, options);
  if (!problem.empty()) return UsageError(host, problem);
  if (options.help) {
    host.out << UsageText();
    return kExitDone;
  }
  if (options.version) {
    host.out << "KelderwickCmd " << host.programVersion << '\n';
    return kExitDone;
  }
  ConsoleMessages messages(host, options.yes);
  Platform console{platform.registry, platform.files,       platform.shell,      messages,
                   platform.links,    platform.folders,     platform.versions,   platform.icons,
                   platform.environment, platform.properties, platform.locks, platform.tasks, platform.signatures};
  try {
    return RunCommand(options, console, host);
  } catch (const std::exception& error) {
    host.err << "KelderwickCmd: " << error.what() << '\n';
    return kExitFailed;
  }
}

}  // namespace kw::console
