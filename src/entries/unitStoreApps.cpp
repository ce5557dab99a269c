#include "entries/unitStoreApps.h"

#include <exception>
#include <set>

#include "platform/XmlReader.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

// Every manifest namespace (foundation, uap, uap5, desktop, ...) lies under this one.
constexpr std::string_view kManifestNamespaces = "http://schemas.microsoft.com/appx/";
constexpr const char* kStartupTaskCategory = "windows.startupTask";
constexpr const char* kManifestFile = "AppxManifest.xml";
// A manifest is tens of kilobytes; one of megabytes is not one Windows wrote.
constexpr size_t kMaxManifestBytes = 4u << 20;
constexpr int kMaxManifestDepth = 32;

// Collects what a package manifest says, element by element. An element outside the
// manifest's namespaces counts as unknown, and so does everything inside it.
class ManifestHandler : public XmlHandler {
 public:
  explicit ManifestHandler(PackageManifest& manifest) : manifest_(manifest) {}

  void StartElement(const std::string& namespaceUri, const std::string& name,
                    const std::vector<XmlAttribute>& attributes) override {
    const bool known = (path_.empty() || path_.back() != "?") && namespaceUri.rfind(kManifestNamespaces, 0) == 0;
    path_.push_back(known ? name : "?");
    text_.clear();
    if (At({"Package"})) root_ = true;
    if (At({"Package", "Identity"})) {
      manifest_.name = Attribute(attributes, "Name");
      manifest_.publisher = Attribute(attributes, "Publisher");
      manifest_.version = Attribute(attributes, "Version");
    } else if (At({"Package", "Applications", "Application"})) {
      applicationExecutable_ = Attribute(attributes, "Executable");
    } else if (At({"Package", "Applications", "Application", "Extensions", "Extension"})) {
      startupExtension_ = Attribute(attributes, "Category") == kStartupTaskCategory;
      extensionExecutable_ = Attribute(attributes, "Executable");
    } else if (startupExtension_ && At({"Package", "Applications", "Application", "Extensions", "Extension", "StartupTask"})) {
      StartupTaskDeclaration task;
      task.taskId = Attribute(attributes, "TaskId");
      task.displayName = Attribute(attributes, "DisplayName");
      task.executable = extensionExecutable_.empty() ? applicationExecutable_ : extensionExecutable_;
      const std::string enabled = Trim(Attribute(attributes, "Enabled"));
      task.enabled = enabled == "true" || enabled == "1";
      // A task is known by its id: a second declaration of one is not a second task. Its id
      // names a registry key, so one that would name a key further down is not Windows'.
      if (!Trim(task.taskId).empty() && task.taskId.find('\\') == std::string::npos &&
          taskIds_.insert(task.taskId).second)
        manifest_.startupTasks.push_back(std::move(task));
    }
  }
  void EndElement() override {
    if (At({"Package", "Properties", "DisplayName"})) manifest_.displayName = Trim(text_);
    if (At({"Package", "Properties", "PublisherDisplayName"})) manifest_.publisherDisplayName = Trim(text_);
    if (At({"Package", "Applications", "Application", "Extensions", "Extension"})) startupExtension_ = false;
    path_.pop_back();
    text_.clear();
  }
  void Text(std::string_view text) override {
    if (text_.size() < 4096) text_ += text;
  }
  bool SawPackage() const { return root_; }

 private:
  bool At(std::initializer_list<const char*> path) const {
    if (path.size() != path_.size()) return false;
    size_t i = 0;
    for (const char* name : path)
      if (path_[i++] != name) return false;
    return true;
  }
  static std::string Attribute(const std::vector<XmlAttribute>& attributes, const char* name) {
    for (const XmlAttribute& attribute : attributes)
      if (attribute.namespaceUri.empty() && attribute.name == name) return attribute.value;
    return {};
  }

  PackageManifest& manifest_;
  std::vector<std::string> path_;
  std::string text_;
  std::string applicationExecutable_, extensionExecutable_;
  bool startupExtension_ = false;
  bool root_ = false;
  std::set<std::string> taskIds_;
};

// The registry of packages is per user and one for both views: its 64-bit view is read, as the
// 32-bit program on 64-bit Windows must not be sent elsewhere.
TRegistry PackageRegistry(Platform& platform) { return TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64); }

std::string TaskKeyOf(const std::string& family, const std::string& taskId) {
  return std::string(kPackageAppDataKey) + "\\" + family + "\\" + taskId;
}
std::string TaskKeyOf(const TAppItem& entry) {
  return TaskKeyOf(GetOptionString(entry, keys::PackageFamily), GetOptionString(entry, keys::TaskId));
}

// The State value under the key: its number as text, or empty when there is none (or it is
// not a DWORD, which Windows would not have written).
std::string ReadStateValue(TRegistry& reg) {
  const std::optional<RegValue> value = reg.ReadValue(kTaskStateValue);
  if (!value || value->type != kRegDword || value->data.size() != 4) return {};
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value->data[i]);
  return std::to_string(number);
}

// The state into the entry, and whether Windows starts it (listed unticked when not).
void PutTaskState(TAppItem& entry, const std::string& number) {
  SetOptionString(entry, keys::TaskState, number);
  const bool on = number.empty() ? GetOptionBool(entry, keys::TaskDefault) : number == "2" || number == "4";
  SetOptionString(entry, keys::WindowsOff, on ? "" : "TRUE");
}

bool StartsWithText(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && SameText(text.substr(0, start.size()), start);
}

// A text of the manifest as the user sees it: a resource reference ("ms-resource:Name", or a
// full ms-resource URI) is looked up in the package's resources; empty when it cannot be.
std::string ShownText(const std::string& text, const std::string& fullName, const std::string& packageName,
                      Platform& platform) {
  std::string uri;
  if (StartsWithText(text, "@{")) {
    uri = text;  // already an indirect string (the repository's display names)
  } else if (StartsWithText(text, "ms-resource:")) {
    const std::string rest = text.substr(12);
    if (rest.rfind("//", 0) == 0) uri = "ms-resource:" + rest;
    else if (rest.rfind('/', 0) == 0) uri = "ms-resource://" + packageName + rest;
    else uri = "ms-resource://" + packageName + "/Resources/" + rest;
    uri = "@{" + fullName + "?" + uri + "}";
  } else {
    return Trim(text);
  }
  const auto resolved = platform.environment.LoadIndirectString(uri);
  return resolved ? Trim(*resolved) : std::string();
}

std::string ReadText(TRegistry& reg, const char* name) {
  try {
    return reg.ReadString(name);  // empty when missing
  } catch (const std::exception&) {
    return {};  // not text
  }
}

}  // namespace

std::string ReadPackageManifest(std::string_view document, PackageManifest& manifest) {
  manifest = PackageManifest();
  ManifestHandler handler(manifest);
  std::string problem = ReadXml(document, handler, XmlLimits{kMaxManifestBytes, kMaxManifestDepth});
  if (problem.empty() && !handler.SawPackage()) problem = "it is not a package manifest";
  if (!problem.empty()) manifest = PackageManifest();
  return problem;
}

std::string PackageFamilyName(std::string_view fullName) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t at; (at = fullName.find('_', start)) != std::string_view::npos; start = at + 1)
    parts.push_back(fullName.substr(start, at - start));
  parts.push_back(fullName.substr(start));
  if (parts.size() != 5 || parts[0].empty() || parts[4].empty()) return {};
  return std::string(parts[0]) + "_" + std::string(parts[4]);
}

std::string ScanStoreApps(TAppList& list, Platform& platform) {
  TRegistry repository = PackageRegistry(platform);
  if (!repository.OpenKeyReadOnly(kPackageRepositoryKey)) return {};
  std::vector<std::string> problems;
  for (const std::string& fullName : repository.GetKeyNames()) {
    const std::string family = PackageFamilyName(fullName);
    TRegistry package = PackageRegistry(platform);
    if (family.empty() || !package.OpenKeyReadOnly(std::string(kPackageRepositoryKey) + "\\" + fullName)) continue;
    std::string folder = ReadText(package, "PackageRootFolder");
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.empty()) continue;
    const auto document = platform.files.ReadWholeFile(folder + "\\" + kManifestFile);
    if (!document) continue;  // a package being installed or removed: nothing Windows starts
    PackageManifest manifest;
    if (const std::string problem = ReadPackageManifest(*document, manifest); !problem.empty()) {
      problems.push_back("'" + fullName + "': " + problem + ".");
      continue;
    }
    if (manifest.startupTasks.empty()) continue;
    const std::string packageName = manifest.name.empty() ? family.substr(0, family.find('_')) : manifest.name;
    // What the package is called: the repository's name for it, else its manifest's, else its
    // identity's.
    std::string packageShown = ShownText(ReadText(package, "DisplayName"), fullName, packageName, platform);
    if (packageShown.empty()) packageShown = ShownText(manifest.displayName, fullName, packageName, platform);
    if (packageShown.empty()) packageShown = packageName;
    const std::string publisherShown = ShownText(manifest.publisherDisplayName, fullName, packageName, platform);
    for (const StartupTaskDeclaration& task : manifest.startupTasks) {
      TAppItem& entry = list.Add();
      std::string caption = ShownText(task.displayName, fullName, packageName, platform);
      entry.SetCaption(caption.empty() ? packageShown : caption);
      std::string executable = ReplaceAll(task.executable, "/", "\\");
      entry.SetFullPath(executable.empty() ? folder : folder + "\\" + executable);
      entry.SetEnabled(true);  // in its place; the state below says whether Windows starts it
      entry.SetOrigin(orStoreApp);
      SetOptionString(entry, keys::Package, fullName);
      SetOptionString(entry, keys::PackageFamily, family);
      SetOptionString(entry, keys::TaskId, task.taskId);
      SetOptionString(entry, keys::PackageName, packageShown == packageName ? packageName
                                                                            : packageShown + " (" + packageName + ")");
      SetOptionString(entry, keys::PackagePublisher, manifest.publisher);
      SetOptionString(entry, keys::PublisherName, publisherShown);
      SetOptionString(entry, keys::PackageVersion, manifest.version);
      SetOptionString(entry, keys::InstallFolder, folder);
      SetOptionString(entry, keys::Executable, executable);
      SetOptionBool(entry, keys::TaskDefault, task.enabled);
      TRegistry state = PackageRegistry(platform);
      const std::string number = state.OpenKeyReadOnly(TaskKeyOf(family, task.taskId)) ? ReadStateValue(state) : "";
      PutTaskState(entry, number);
    }
  }
  if (problems.empty()) return {};
  std::string text = "The startup tasks of some Store apps are not listed: their package manifests cannot be read.";
  for (const std::string& problem : problems) text += "\n" + problem;
  return text;
}

void AppendKnownTasks(TAppList& list, const TAppList& known, Platform& platform) {
  for (int i = 0; i < known.Count(); ++i) {
    const auto& task = dynamic_cast<const TAppItem&>(known.Item(i));
    if (!IsStoreAppTask(task)) continue;
    const std::optional<std::string> state = CurrentTaskState(task, platform);
    if (!state) continue;  // uninstalled since
    TAppItem& entry = list.Add();
    entry.Assign(task);
    PutTaskState(entry, *state);
  }
}

bool IsStoreAppTask(const TAppItem& entry) { return GetOptionString(entry, keys::Origin) == std::to_string(orStoreApp); }

bool TaskStateIsPolicy(const TAppItem& entry) {
  const std::string state = GetOptionString(entry, keys::TaskState);
  return state == std::to_string(tsDisabledByPolicy) || state == std::to_string(tsEnabledByPolicy);
}

std::string TaskStateText(const TAppItem& entry) {
  const std::string state = GetOptionString(entry, keys::TaskState);
  if (state.empty())
    return GetOptionBool(entry, keys::TaskDefault) ? "on, as the app was installed"
                                                   : "off, as the app was installed (the app may ask to be started)";
  if (state == "0") return "off (the app may ask to be started)";
  if (state == "1") return "off, switched off by the user";
  if (state == "2") return "on";
  if (state == "3") return "off, switched off by policy: it cannot be changed here or in Windows' settings";
  if (state == "4") return "on, switched on by policy: it cannot be changed here or in Windows' settings";
  return "unknown (State " + state + "); Windows starts it only when it is 2 or 4";
}

std::optional<std::string> CurrentTaskState(const TAppItem& entry, Platform& platform) {
  TRegistry repository = PackageRegistry(platform);
  if (!repository.KeyExists(std::string(kPackageRepositoryKey) + "\\" + GetOptionString(entry, keys::Package)))
    return std::nullopt;
  TRegistry reg = PackageRegistry(platform);
  return reg.OpenKeyReadOnly(TaskKeyOf(entry)) ? ReadStateValue(reg) : std::string();
}

bool WriteTaskState(const TAppItem& entry, TaskState state, Platform& platform) {
  TRegistry reg = PackageRegistry(platform);
  if (!reg.OpenKey(TaskKeyOf(entry), true)) return false;
  try {
    reg.WriteInteger(kTaskStateValue, state);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace kw
