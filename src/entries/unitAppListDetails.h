#pragma once
// The report on one entry in the details pane.
#include <string>
#include <utility>
#include <vector>

#include "entries/unitAppList.h"
#include "entries/unitVerifiedPublisher.h"
#include "platform/RichTextPane.h"

namespace kw {

// The styles of the report: the caption, the labels and the values.
extern const TPrintStyle psTitle;
extern const TPrintStyle psLabel;
extern const TPrintStyle psValue;

// The most characters of one value (or the caption) that the report shows. A rich edit
// control lays a long unbroken line out slowly (seconds for 20,000 characters, minutes for
// a million), so a longer value is shown cut, with its full length.
inline constexpr size_t kMaxShownCharacters = 2000;

// The "Found in" text of an origin code; "unknown" outside 0 to 9.
std::string OriginText(int origin);
// The "Found in" text of an entry: its origin's, marked for the 32-bit view of the machine's
// Run and RunOnce keys on 64-bit Windows.
std::string FoundInText(const TAppItem& entry);
// What else the details say of an entry, label and text a line: how its place starts it
// (RunOnce, a policy), what a shortcut without a file target stands for, an Internet
// shortcut's address, a hidden system file, that it came back after being switched off, and
// Windows' own switch when it is off.
std::vector<std::pair<std::string, std::string>> AboutLines(const TAppItem& entry);

// Replaces the pane's content with the report on entry: a blank and the caption, a blank
// line, then one label and value per line (path, arguments, origin, the five version
// strings, the verified publisher from signature (null: still being checked), the shortcut
// file), each with its fallback where the value is missing, then the AboutLines. A value
// longer than kMaxShownCharacters is cut for showing (ShortenForDisplay).
void ShowDetails(const TAppItem& entry, RichTextPane& display, const SignatureCheck* signature = nullptr);

}  // namespace kw
