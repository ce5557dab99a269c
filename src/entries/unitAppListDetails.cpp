#include "entries/unitAppListDetails.h"

#include "entries/unitStartupApproved.h"
#include "util/unitStrUtils.h"

namespace kw {

const TPrintStyle psTitle{0x00FFFFFF, fsBold | fsUnderline, "Arial", 11};
const TPrintStyle psLabel{0x00F0CAA6, fsBold, "Arial", 10};
const TPrintStyle psValue{0x00C0C0C0, 0, "Courier New", 10};

namespace {

const char* const OriginTexts[] = {"Registry ( Common )", "Registry ( User )", "Startup Folder ( Common )",
                                   "Startup Folder ( User )"};

std::string OrFallback(const std::string& value, const char* fallback) { return value.empty() ? fallback : value; }

}  // namespace

std::string OriginText(int origin) { return origin >= 0 && origin <= 3 ? OriginTexts[origin] : "unknown"; }

std::string FoundInText(const TAppItem& entry) {
  const int origin = entry.Origin();
  // On 64-bit Windows the machine's Run key has a second, 32-bit view.
  if (origin == orRegistryCommon && GetOptionString(entry, keys::View) == "32") return "Registry ( Common, 32-bit )";
  return OriginText(origin);
}

void ShowDetails(const TAppItem& entry, RichTextPane& display) {
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
      {"  Link File:  ", OrFallback(entry.LinkFile(), "not applicable")},
  };
  const std::string switchedOff = SwitchedOffText(entry);

  display.Clear();
  display.BeginUpdate();
  display.AppendLine(" ");
  AppendStyledLine(display, ShortenForDisplay(entry.Caption(), kMaxShownCharacters), psTitle);
  AppendStyledLine(display, " ", psValue);
  for (const auto& row : rows) {
    AppendStyled(display, row.label, psLabel);
    AppendStyledLine(display, ShortenForDisplay(row.value, kMaxShownCharacters), psValue);
  }
  if (!switchedOff.empty()) {
    AppendStyled(display, "  Switched off by:  ", psLabel);
    AppendStyledLine(display, switchedOff, psValue);
  }
  display.EndUpdate();
}

}  // namespace kw
