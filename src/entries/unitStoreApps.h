#pragma once
// Packaged (Store) apps that Windows starts at logon. Each package the user has installed is a
// subkey of the package repository, whose PackageRootFolder holds the package's
// AppxManifest.xml; the manifest declares the startup tasks, and Windows keeps each task's
// state (the switch its Settings page turns) as a DWORD under the package family's app data.
// A task stays where it is: it is switched with that state, never moved into the store.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entries/unitAppList.h"

namespace kw {

inline constexpr const char* kPackageRepositoryKey =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\Repository\\Packages";
inline constexpr const char* kPackageAppDataKey =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\SystemAppData";
inline constexpr const char* kTaskStateValue = "State";

// The values of a task's State.
enum TaskState : int {
  tsDisabled = 0,          // off: as the app is installed, or switched off by the app
  tsDisabledByUser = 1,    // off: switched off by the user
  tsEnabled = 2,
  tsDisabledByPolicy = 3,  // set by an administrator's policy: neither the user nor the app may change it
  tsEnabledByPolicy = 4,
};

struct StartupTaskDeclaration {
  std::string taskId;
  std::string displayName;
  std::string executable;  // relative to the package's folder
  bool enabled = false;    // on when the package is installed, until the state says otherwise
};

struct PackageManifest {
  std::string name, publisher, version;            // the package's identity
  std::string displayName, publisherDisplayName;   // its properties
  std::vector<StartupTaskDeclaration> startupTasks;
};

// Reads a package manifest's identity, properties and startup tasks (Extension elements of
// category windows.startupTask in any of the manifest's namespaces, with the executable of the
// extension or else of its application). Empty when it was read; else why not, and the
// manifest must not be used.
std::string ReadPackageManifest(std::string_view document, PackageManifest& manifest);

// "Name_PublisherId" of a package full name "Name_Version_Architecture_ResourceId_PublisherId";
// empty when the text is not of that form.
std::string PackageFamilyName(std::string_view fullName);

// Appends one entry (origin orStoreApp) for each startup task of each package of the user, in
// the repository's order, and returns what could not be read, for the user (a manifest that is
// not well-formed, too large, too deep or holds a document type declaration): empty when
// everything could be read. A package without a manifest or without startup tasks adds nothing.
// No program file is read (version strings come afterwards, as for any entry).
std::string ScanStoreApps(TAppList& list, Platform& platform);
// Appends copies of tasks an earlier ScanStoreApps listed (other entries of known are skipped),
// each with its state as it is now;
// one whose package is no longer installed is left out. For a list that must come at once: the
// manifests are read again apart from it.
void AppendKnownTasks(TAppList& list, const TAppList& known, Platform& platform);

bool IsStoreAppTask(const TAppItem& entry);
// Whether the task's state, as listed, is set by a policy (and so cannot be changed).
bool TaskStateIsPolicy(const TAppItem& entry);
// The state in words for the details.
std::string TaskStateText(const TAppItem& entry);

// The task's State value now: nullopt when its package is no longer installed; an empty text
// when Windows keeps no state for it; else the number.
std::optional<std::string> CurrentTaskState(const TAppItem& entry, Platform& platform);
// Writes the task's State (creating its key); false when refused.
bool WriteTaskState(const TAppItem& entry, TaskState state, Platform& platform);

}  // namespace kw
