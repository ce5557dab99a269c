#pragma once
// The console program: its arguments, the ids that name entries to scripts, the list as a
// table, JSON or CSV, and the commands, each on the same scan and actions as the window.
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "entries/unitAppList.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"

namespace kw::console {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // no such entry, or the action failed; reason on stderr
inline constexpr int kExitUsage = 2;   // bad arguments; usage on stderr

enum class Format { Table, Json, Csv };

struct Options {
  std::string command;                // empty with --help or --version alone
  std::vector<std::string> operands;  // what follows the command
  Format format = Format::Table;
  bool unsignedOnly = false;  // list: only entries whose program is not validly signed
  bool windowsSwitch = false;  // disable: with Windows' own switch, whatever the setting says
  bool yes = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments (without the program's name). Options may stand anywhere; "--" ends
// them. Returns what is wrong with them, empty when they are usable.
std::string ParseArguments(const std::vector<std::string>& args, Options& options);

// The usage text that --help prints.
std::string UsageText();

// An entry's id: 16 hex digits of the SHA-256 of where it lives, the same on every run and
// every machine: a Run value by its origin, registry view and name, a shortcut by its origin
// and file name, a stored entry by its subkey of the store. Names compare without case, as
// Windows does.
std::string EntryId(const TAppItem& entry);

// Text for a terminal: valid UTF-8 (U+FFFD for what is not), with control characters shown as
// escapes (ESC as \x1b, U+009B as \u009b) so that no name can move the cursor, clear the
// screen or start a line of its own. With keepLineBreaks, LF is kept.
std::string ConsoleText(std::string_view text, bool keepLineBreaks = false);

// One field of a CSV record (RFC 4180): quoted when it holds a comma, a quote, CR or LF,
// with quotes doubled.
std::string CsvField(std::string_view text);

// What the console program needs of its surroundings.
struct Host {
  Host(std::ostream& output, std::ostream& errors) : out(output), err(errors) {}
  std::ostream& out;
  std::ostream& err;
  bool interactive = false;  // input is a console someone can answer on
  std::function<bool(const std::string& question)> ask;  // asked only when interactive
  std::string programVersion;
  std::string machineName;
  std::function<std::string()> utcNow;  // ISO 8601, e.g. 2026-12-08T14:03:31Z
};

// Message boxes for the console: errors and warnings go to stderr; a question is answered yes
// with --yes, asked when the input is interactive, and otherwise refused with the reason.
class ConsoleMessages : public MessageBoxes {
 public:
  ConsoleMessages(Host& host, bool assumeYes) : host_(host), assumeYes_(assumeYes) {}
  int Show(const MessageRequest& request) override;

 private:
  Host& host_;
  bool assumeYes_;
};

// Runs one command line on the platform (whose message boxes are replaced by the console's)
// and returns the exit code.
int Run(const std::vector<std::string>& args, Platform& platform, Host& host);

}  // namespace kw::console
