#pragma once
// Autorun entries: the entry record, a typed view over an option list's keys, and the
// entry list that discovery fills and the main window shows.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "persist/unitDataStreaming.h"
#include "persist/unitDataStreamingCollections.h"
#include "platform/Platform.h"

namespace kw {

// Where an entry lives; the number is what is stored under Origin.
enum TOrigin : int {
  orRegistryCommon = 0,  // a value of the Run key under HKEY_LOCAL_MACHINE
  orRegistryUser = 1,    // a value of the Run key under HKEY_CURRENT_USER
  orStartupCommon = 2,   // a shortcut in the Startup folder of all users
  orStartupUser = 3,     // a file (most often a shortcut) in the user's Startup folder
  orRunOnceCommon = 4,   // a value of the RunOnce key under HKEY_LOCAL_MACHINE
  orRunOnceUser = 5,     // a value of the RunOnce key under HKEY_CURRENT_USER
  orPolicyCommon = 6,    // a value of the policy Run key under HKEY_LOCAL_MACHINE
  orPolicyUser = 7,      // a value of the policy Run key under HKEY_CURRENT_USER
  orStoreApp = 8,        // a startup task of a packaged (Store) app of the user
  orScheduledTask = 9,   // a Task Scheduler task that starts a program at logon
};

inline constexpr const char* kRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunOnceKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kPolicyRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";

// An origin whose entries are values of a registry key (Run, RunOnce, the policy Run key).
bool IsRegistryOrigin(int origin);
// An origin whose entries are files of a Startup folder.
bool IsStartupFolderOrigin(int origin);
// An origin that applies to every user of the computer.
bool IsMachineOrigin(int origin);
// The root and key path of a registry origin's key; the Run key of the user for any other.
RootKey RegistryRootOf(int origin);
const char* RegistryKeyOf(int origin);

// The names of an entry's keys.
namespace keys {
inline constexpr const char* Caption = "Caption";
inline constexpr const char* FullPath = "FullPath";
inline constexpr const char* Arguments = "Arguments";
inline constexpr const char* CommandLine = "CommandLine";
inline constexpr const char* Enabled = "Enabled";
inline constexpr const char* ImageIndex = "ImageIndex";
inline constexpr const char* LinkFile = "LinkFile";
inline constexpr const char* Origin = "Origin";
inline constexpr const char* ShowCmd = "ShowCmd";
inline constexpr const char* FileVersion = "FileVersion";
inline constexpr const char* CompanyName = "CompanyName";
inline constexpr const char* ProductName = "ProductName";
inline constexpr const char* FileDescription = "FileDescription";
inline constexpr const char* Comments = "Comments";
// Kept so that an entry is written back exactly as it was found. AsFound is "TRUE" on every
// entry found by this version: its CommandLine (and for a shortcut its working folder and
// icon) are then exactly what was found, an absent key standing for an empty text. An entry
// stored by an earlier version lacks it and is written back composed from FullPath and
// Arguments. ValueType is the registry type of a Run value (absent: REG_SZ).
inline constexpr const char* AsFound = "AsFound";
inline constexpr const char* ValueType = "ValueType";
inline constexpr const char* WorkingDirectory = "WorkingDirectory";
inline constexpr const char* LinkIcon = "LinkIcon";
inline constexpr const char* LinkIconIndex = "LinkIconIndex";
// The registry view of a machine-wide Run value on 64-bit Windows: "64" or "32". Absent: the
// 32-bit view (where the 32-bit program, which stored entries without it, found them). Read
// it through MachineRunView only.
inline constexpr const char* View = "View";
// The whole shortcut file as it was listed, as hexadecimal text: written back byte for byte,
// and compared whole before the file is changed. Entries stored by earlier versions lack it.
inline constexpr const char* LinkBytes = "LinkBytes";
// The program file of a REG_EXPAND_SZ value with its environment references expanded: its
// version strings and icon are read from there.
inline constexpr const char* ExpandedPath = "ExpandedPath";
// Switched off by Windows' own startup settings (the entry stays in its place), and when.
inline constexpr const char* WindowsOff = "WindowsOff";
inline constexpr const char* WindowsOffTime = "WindowsOffTime";
// What a Startup-folder file is when it is not a shortcut to a file: absent for such a
// shortcut, else one of the kinds below. Only a shortcut moves into the store; any other file
// is switched off with Windows' own switch.
inline constexpr const char* TargetKind = "TargetKind";
// An installer shortcut's product code, and its feature.
inline constexpr const char* ProductCode = "ProductCode";
inline constexpr const char* Feature = "Feature";
// The address an Internet shortcut (.url) opens.
inline constexpr const char* Url = "Url";
// "TRUE" for a file that is both hidden and a system file.
inline constexpr const char* SuperHidden = "SuperHidden";
// A Store app's startup task: its package (full name and family name), the task's id, the
// package's identity, properties and folder, the executable (relative to the folder), and the
// State Windows keeps for the task (empty when it keeps none: TaskDefault, "TRUE" when the
// manifest enables the task, applies).
inline constexpr const char* Package = "Package";
inline constexpr const char* PackageFamily = "PackageFamily";
inline constexpr const char* TaskId = "TaskId";
inline constexpr const char* PackageName = "PackageName";
inline constexpr const char* PackagePublisher = "PackagePublisher";
inline constexpr const char* PublisherName = "PublisherName";
inline constexpr const char* PackageVersion = "PackageVersion";
inline constexpr const char* InstallFolder = "InstallFolder";
inline constexpr const char* Executable = "Executable";
inline constexpr const char* TaskState = "TaskState";
inline constexpr const char* TaskDefault = "TaskDefault";
// A Task Scheduler task: its path, author, triggers in words, the actions besides the first
// program's, "TRUE" for highest privileges, a hidden task and one of Windows' own, the last
// run, and a digest of its definition (to tell whether it changed since it was listed).
inline constexpr const char* TaskPath = "TaskPath";
inline constexpr const char* TaskAuthor = "TaskAuthor";
inline constexpr const char* TaskTriggers = "TaskTriggers";
inline constexpr const char* TaskActions = "TaskActions";
inline constexpr const char* TaskHighest = "TaskHighest";
inline constexpr const char* TaskHidden = "TaskHidden";
inline constexpr const char* TaskWindows = "TaskWindows";
inline constexpr const char* TaskLastRun = "TaskLastRun";
inline constexpr const char* TaskDigest = "TaskDigest";
}  // namespace keys

// The values of keys::TargetKind.
namespace kinds {
inline constexpr const char* File = "File";                // any file but a shortcut
inline constexpr const char* Installer = "Installer";      // a shortcut an installer resolves
inline constexpr const char* ShellItem = "ShellItem";      // a shortcut to a shell item, no file
inline constexpr const char* Unresolved = "Unresolved";    // a shortcut whose target the shell cannot tell
inline constexpr const char* Unreadable = "Unreadable";    // a file the shell cannot read as a shortcut
}  // namespace kinds

class TAppItem;
// A Startup-folder file that is not a shortcut: switched off with Windows' own switch.
bool IsPlainStartupFile(const TAppItem& entry);
// A shortcut whose target is not a file (an installer's, a shell item, one the shell cannot
// resolve or read): its bytes are all there is to compare it by and write it back from.
bool IsShortcutWithoutFileTarget(const TAppItem& entry);

// Shortcut files larger than this keep no bytes (they are compared and written back by their
// properties): a shortcut is a few kilobytes, some carry tens of kilobytes of appended data,
// and every listed byte is kept twice over.
inline constexpr size_t kMaxKeptLinkBytes = 1024 * 1024;

// The version-information strings read into an entry, in the order they are read.
inline constexpr const char* kVersionKeys[] = {keys::FileVersion, keys::CompanyName, keys::ProductName,
                                               keys::FileDescription, keys::Comments};

// The most characters of a caption that the list shows: a list view measures and draws an
// item's whole text at every paint, and the window reads an item's text back into a bounded
// buffer to find it again after a refresh.
inline constexpr size_t kMaxListCaptionCharacters = 260;

// The list view's side of one item, as an entry fills it.
class ListViewItem {
 public:
  virtual ~ListViewItem() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetChecked(bool checked) = 0;
};

// The version strings of one file under its resource's first translation, by name in the
// order of kVersionKeys; found is false for a file without a usable version resource.
struct VersionStrings {
  bool found = false;
  std::vector<std::pair<const char*, std::string>> values;
};
VersionStrings ReadVersionStrings(VersionInfo& versions, std::string_view path);

// One autorun entry. Everything it holds is in its option-list lines and its ListName; the
// accessors only give the keys their types (absent strings read empty, absent integers -1,
// Enabled true only for "TRUE").
class TAppItem : public TOptionsList {
 public:
  std::string Caption() const { return GetOptionString(*this, keys::Caption); }
  void SetCaption(std::string_view value) { SetOptionString(*this, keys::Caption, value); }
  std::string FullPath() const { return GetOptionString(*this, keys::FullPath); }
  void SetFullPath(std::string_view value) { SetOptionString(*this, keys::FullPath, value); }
  std::string Arguments() const { return GetOptionString(*this, keys::Arguments); }
  void SetArguments(std::string_view value) { SetOptionString(*this, keys::Arguments, value); }
  std::string LinkFile() const { return GetOptionString(*this, keys::LinkFile); }
  void SetLinkFile(std::string_view value) { SetOptionString(*this, keys::LinkFile, value); }
  // The command line as it was found; only writing an entry back reads it.
  std::string CommandLine() const { return GetOptionString(*this, keys::CommandLine); }

  bool Enabled() const { return GetOptionBool(*this, keys::Enabled); }
  void SetEnabled(bool value) { SetOptionBool(*this, keys::Enabled, value); }

  // Raise EConvertError for a stored text that is not a number (a hand-edited store).
  int ImageIndex() const { return GetOptionInt(*this, keys::ImageIndex); }
  void SetImageIndex(int value) { SetOptionInt(*this, keys::ImageIndex, value); }
  int Origin() const { return GetOptionInt(*this, keys::Origin); }
  void SetOrigin(int value) { SetOptionInt(*this, keys::Origin, value); }
  int ShowCmd() const { return GetOptionInt(*this, keys::ShowCmd); }
  void SetShowCmd(int value) { SetOptionInt(*this, keys::ShowCmd, value); }

  // Stores the command line and derives FullPath and Arguments from it; for a command line
  // run by the DLL runner ("rundll" in its program path) FullPath is the DLL. Then reads the
  // version strings of FullPath.
  void SetCommandLine(std::string_view commandLine, VersionInfo& versions);
  // The file the entry starts, as the system finds it: FullPath, expanded where the value
  // holds environment references; for a shortcut without a file target, the shortcut.
  std::string ProgramFile() const;
  // Reads the version strings of ProgramFile under the resource's first translation; an empty
  // one removes its key. A file without a version resource changes nothing.
  void ReadVersionInfo(VersionInfo& versions);
  // Strings read apart from the entry (of its ProgramFile), put where reading them during the
  // scan puts them: an entry scanned without them ends with the same lines, in the same
  // order, as one scanned with them.
  void PutVersionStrings(const VersionStrings& strings);
  // Adds the icon of ProgramFile to the image list and sets ImageIndex (-1 without an icon).
  void LoadIcon(Icons& icons, ImageList& images);
  // Two blanks and the caption, a caption longer than kMaxListCaptionCharacters cut for
  // showing (ShortenForDisplay); the check box shows Enabled.
  void FillListItem(ListViewItem& item) const;
};

// The view of the machine's Run key that holds a machine-wide entry: the one answer for
// writing and checking its value, for its switch in Windows' startup settings and for telling
// two places apart. "64" is the 64-bit view; "32", and an entry without a View (stored by the
// earlier 32-bit program, which saw the 32-bit view only), the 32-bit view. 32-bit Windows has
// one view, which both name. Native for entries of other origins.
RegView MachineRunView(const TAppItem& entry);

// The shortcut file's bytes kept with the entry (LinkBytes); nullopt when none are kept or the
// text is not what SetLinkBytes writes (edited by hand).
std::optional<std::string> LinkBytesOf(const TAppItem& entry);
void SetLinkBytes(TAppItem& entry, std::string_view bytes);

// The entries of one scan, in the order they were found; owns them.
class TAppList : public TMultiOptions {
 public:
  TAppItem& Add();
  TAppItem& GetItem(int position);
  // LoadIcon for every entry, from the first; a file that several entries start is read once.
  void LoadIcons(Icons& icons, ImageList& images);

 protected:
  std::unique_ptr<TObject> CreateItem() override;
};

// The application-wide entry list.
extern TAppList AppList;

}  // namespace kw
