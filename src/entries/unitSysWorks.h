#pragma once
// Discovery of autorun entries and the system helpers it needs: the command-line split,
// the quote-aware tokenizer, file icons and special folders.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "entries/unitAppList.h"
#include "platform/Platform.h"

namespace kw {

class TAppList;

// A command line as program path and arguments. A quoted path loses its quotes and leaves
// everything after the closing quote (usually beginning with a blank) as arguments. An
// unquoted one splits at blanks; with a drive-letter path, the arguments that hold a "\"
// are taken into the path. An empty or blank command line gives two empty texts.
struct CommandLineParts {
  std::string path;
  std::string arguments;
};
CommandLineParts SplitCommandLine(std::string_view commandLine);

// The command line a shortcut stands for: its target in double quotes, a blank, its arguments.
std::string LinkCommandLine(std::string_view targetPath, std::string_view arguments);

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

// Whether reading the file at path may have to reach another computer: a UNC path
// ("\\server\share\...", also "\\?\UNC\server\share\..."), or a drive-letter path (also behind
// "\\?\" or "\\.\") on a drive that isNetworkDrive (asked with the upper-case letter) calls a
// network drive. Other device paths ("\\?\Volume{...}\...") and relative paths are local.
bool IsNetworkPath(std::string_view path, const std::function<bool(char)>& isNetworkDrive);

// Version resources and icons of local files only. A refresh reads them on the window's
// thread for every entry, and a file on another computer can keep that thread waiting for
// as long as the network takes (minutes for a server that is gone); so a file behind a
// network path (IsNetworkPath) is given no version resource and no icon, as if it had none.
// Its entry is listed, shown and written back as any other, only without them. The file
// system is asked about each drive letter once.
class LocalFilesOnly : public VersionInfo, public Icons {
 public:
  LocalFilesOnly(FileSystem& files, VersionInfo& versions, Icons& icons)
      : files_(files), versions_(versions), icons_(icons) {}
  std::unique_ptr<VersionBlock> Load(std::string_view path) override;
  std::unique_ptr<Icon> FileIcon(std::string_view path, int index) override;
  std::unique_ptr<Icon> AssociatedIcon(std::string_view path, int index) override;
  // Whether the file is on this computer (not behind a network path).
  bool IsLocal(std::string_view path);

 private:

  FileSystem& files_;
  VersionInfo& versions_;
  Icons& icons_;
  std::array<signed char, 26> networkDrive_{};  // per letter: 0 not asked yet, 1 yes, -1 no
};

// The file-system path of a special folder by CSIDL, without a trailing separator; empty
// when there is none. The user's Startup folder stands in for a missing common one.
std::string GetSpecialFolderPath(ShellFolders& folders, int csidl);

// Appends one entry for each REG_SZ and REG_EXPAND_SZ value of root\keyPath in the view
// (Windows starts both; other types are skipped). On 64-bit Windows an entry of the machine's
// key records the view it was read in.
// Nothing is reported: a key that cannot be opened adds nothing, a value that fails is skipped.
void ScanRunKey(TAppList& list, Platform& platform, RootKey root, std::string_view keyPath,
                RegView view = RegView::Native);
// A key of the machine (Run by default): on 64-bit Windows both views, the program's own
// first, each entry recording its view; elsewhere the one view.
void ScanMachineRunKeys(TAppList& list, Platform& platform, std::string_view keyPath = kRunKeyPath);
// The RunOnce keys (the machine's in both views, then the user's) and the policy Run keys
// (the machine's as 64-bit Windows reads it, then the user's).
void ScanRunOnceAndPolicyKeys(TAppList& list, Platform& platform);

// Appends one entry for each file in the Startup folder csidl (24 for all users, 7 for the
// user's own) that Windows opens at logon: every file but desktop.ini, in the file system's
// order. The common folder is not scanned when it is the user's. A shortcut is named by its
// target's file name, or by the shortcut's when the target is a folder or a drive, and keeps
// the file's bytes (up to kMaxKeptLinkBytes); one without a file target is listed all the
// same, with what it stands for (keys::TargetKind). Any other file is named by its file name.
void ScanStartupFolder(TAppList& list, Platform& platform, int csidl);

}  // namespace kw
