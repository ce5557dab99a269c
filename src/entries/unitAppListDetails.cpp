#include "entries/unitAppListDetails.h"

#include <cstdlib>

#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitScheduledTasks.h"
#include "entries/unitStoreApps.h"
#include "util/unitStrUtils.h"

namespace kw {

const TPrintStyle psTitle{0x00FFFFFF, fsBold | fsUnderline, "Arial", 11};
const TPrintStyle psLabel{0x00F0CAA6, fsBold, "Arial", 10};
const TPrintStyle psValue{0x00C0C0C0, 0, "Courier New", 10};

namespace {

const char* const OriginTexts[] = {"Registry ( Common )",        "Registry ( User )",
                                   "Startup Folder ( Common )",  "Startup Folder ( User )",
                                   "Registry RunOnce ( Common )", "Registry RunOnce ( User )",
                                   "Policy ( Common )",          "Policy ( User )",
                                   "Store app",                  "Task Scheduler"};

std::string OrFallback(const std::string& value, const char* fallback) { return value.empty() ? fallback : value; }

}  // namespace

std::string OriginText(int origin) { return origin >= 0 && origin <= orScheduledTask ? OriginTexts[origin] : "unknown"; }

std::string FoundInText(const TAppItem& entry) {
  const int origin = entry.Origin();
  // On 64-bit Windows the machine's Run and RunOnce keys have a second, 32-bit view.
  if (GetOptionString(entry, keys::View) == "32") {
    if (origin == orRegistryCommon) return "Registry ( Common, 32-bit )";
    if (origin == orRunOnceCommon) return "Registry RunOnce ( Common, 32-bit )";
  }
  return OriginText(origin);
}

std::vector<std::pair<std::string, std::string>> AboutLines(const TAppItem& entry) {
  std::vector<std::pair<std::string, std::string>> lines;
  // A hand-edited store may hold an origin that is not a number: nothing is said of it then.
  const int origin = std::atoi(GetOptionString(entry, keys::Origin).c_str());
  if (origin == orRunOnceCommon || origin == orRunOnceUser)
    lines.emplace_back("Runs", "once, at the next logon; Windows then removes it from the RunOnce key");
  if (origin == orPolicyCommon || origin == orPolicyUser)
    lines.emplace_back("Set by", "a policy; a refresh of the policy may write it back");
  const std::string kind = GetOptionString(entry, keys::TargetKind);
  if (kind == kinds::Installer) {
    const std::string feature = GetOptionString(entry, keys::Feature);
    lines.emplace_back("Shortcut", "Installer shortcut, product code " + GetOptionString(entry, keys::ProductCode) +
                                       (feature.empty() ? "" : ", feature " + feature) +
                                       "; Windows Installer finds the program when it starts");
  } else if (kind == kinds::ShellItem) {
    lines.emplace_back("Shortcut", "Shell item, not a file");
  } else if (kind == kinds::Unresolved) {
    lines.emplace_back("Shortcut", "The shell cannot resolve its target here; Windows may still start it");
  } else if (kind == kinds::Unreadable) {
    lines.emplace_back("Shortcut", "The shell cannot read this shortcut; Windows may still open it");
  } else if (kind == kinds::File) {
    lines.emplace_back("Opened as", "a file of the Startup folder, with the program its type opens with");
  }
  const std::string url = GetOptionString(entry, keys::Url);
  if (!url.empty()) lines.emplace_back("URL", url);
  if (GetOptionBool(entry, keys::SuperHidden))
    lines.emplace_back("Hidden", "a hidden system file: Windows opens it only while Explorer shows protected "
                                 "operating system files");
  if (origin == orScheduledTask) return ScheduledTaskLines(entry);
  if (origin == orStoreApp) {
    const auto value = [&](const char* key) { return OrFallback(GetOptionString(entry, key), "unknown"); };
    const std::string publisher = GetOptionString(entry, keys::PublisherName);
    const std::string identity = GetOptionString(entry, keys::PackagePublisher);
    lines.emplace_back("Package", value(keys::PackageName));
    lines.emplace_back("Publisher", publisher.empty() ? OrFallback(identity, "unknown")
                                    : identity.empty() ? publisher
                                                       : publisher + " (" + identity + ")");
    lines.emplace_back("Version", value(keys::PackageVersion));
    lines.emplace_back("Installed in", value(keys::InstallFolder));
    lines.emplace_back("Executable", value(keys::Executable));
    lines.emplace_back("Startup task", value(keys::TaskId));
    lines.emplace_back("State", TaskStateText(entry));
    lines.emplace_back("Removed", "with the app, in Windows' Settings (Apps); Kelderwick switches it off and on only");
    return lines;
  }
  if (CameBack(entry)) lines.emplace_back("State", CameBackText(entry));
  const std::string switchedOff = SwitchedOffText(entry);
  if (!switchedOff.empty()) lines.emplace_back("Switched off by", switchedOff);
  return lines;
}

void ShowDetails(const TAppItem& entry, RichTextPane& display, const SignatureCheck* signature) {
  const std::string arguments = entry.Arguments();
  // Everything that may fail (a stored Origin that is not a number) is read before the pane
  // is touched, so a failure leaves the previous report in place.
  const struct {
    const char* label;
    std::string value;
  } rows[] = {
      {"  Path:  ", entry.FullPath()},
      {"  Arguments:  ", arguments.empty() ? "not available" : Trim(arguments)},
      {"  Found in:  ", FoundInText(entry)},
      {"  File Version:  ", OrFallback(GetOptionString(entry, keys::FileVersion), "not specified")},
      {"  Company Name:  ", OrFallback(GetOptionString(entry, keys::CompanyName), "unknown")},
      {"  Product Name:  ", OrFallback(GetOptionString(entry, keys::ProductName), "unknown")},
      {"  Description:  ", OrFallback(GetOptionString(entry, keys::FileDescription), "not found")},
      {"  Comments:  ", OrFallback(GetOptionString(entry, keys::Comments), "not found")},
      {"  Verified publisher:  ",
       VerifiedPublisherText(signature, entry.ProgramFile(), GetOptionString(entry, keys::CompanyName))},
      {"  Link File:  ", OrFallback(entry.LinkFile(), "not applicable")},
  };
  const auto about = AboutLines(entry);

  display.Clear();
  display.BeginUpdate();
  display.AppendLine(" ");
  AppendStyledLine(display, ShortenForDisplay(entry.Caption(), kMaxShownCharacters), psTitle);
  AppendStyledLine(display, " ", psValue);
  for (const auto& row : rows) {
    AppendStyled(display, row.label, psLabel);
    AppendStyledLine(display, ShortenForDisplay(row.value, kMaxShownCharacters), psValue);
  }
  for (const auto& [label, value] : about) {
    AppendStyled(display, "  " + label + ":  ", psLabel);
    AppendStyledLine(display, ShortenForDisplay(value, kMaxShownCharacters), psValue);
  }
  display.EndUpdate();
}

}  // namespace kw
