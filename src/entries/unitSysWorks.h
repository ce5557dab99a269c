#pragma once
// Discovery of autorun entries and the system helpers it needs: the command-line split,
// the quote-aware tokenizer, file icons and special folders.
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Platform.h"

namespace kw {

class TAppList;

inline constexpr const char* kRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A command line as program path and arguments. A quoted path loses its quotes and leaves
// everything after the closing quote (usually beginning with a blank) as arguments. An
// unquoted one splits at blanks; with a drive-letter path, the arguments that hold a "\"
// are taken into the path. An empty or blank command line gives two empty texts.
struct CommandLineParts {
  std::string path;
  std::string arguments;
};
CommandLineParts SplitCommandLine(std::string_view commandLine);

// The token at index (0-based) of a text whose tokens are separated by characters of code 1
// to 32. A token that begins with a double quote runs to the next lone double quote ("" in
// it stands for one) and is given without its quotes; one without a closing quote runs to
// the end of the text. The text after a closing quote starts the next token. A NUL ends the
// text. Empty when there are not that many tokens.
std::string GetDelimitedToken(std::string_view text, int index);

// The icon of a file: icon number iconIndex of the file itself, failing that the icon the
// shell associates with it, failing that none. The shell sees at most the path's first 255
// characters.
std::unique_ptr<Icon> ExtractFileIcon(Icons& icons, std::string_view path, int iconIndex);

// The file-system path of a special folder by CSIDL, without a trailing separator; empty
// when there is none. The user's Startup folder stands in for a missing common one.
std::string GetSpecialFolderPath(ShellFolders& folders, int csidl);

// Appends one entry for each REG_SZ value of root\keyPath. Nothing is reported: a key that
// cannot be opened adds nothing, a value that fails is skipped.
void ScanRunKey(TAppList& list, Platform& platform, RootKey root, std::string_view keyPath);

// Appends one entry for each usable shortcut (*.lnk) in the Startup folder csidl (24 for
// all users, 7 for the user's own). The common folder is not scanned when it is the user's.
// An entry is named by its target's file name, or by the shortcut's when the target is a
// folder or a drive.
void ScanStartupFolder(TAppList& list, Platform& platform, int csidl);

}  // namespace kw
