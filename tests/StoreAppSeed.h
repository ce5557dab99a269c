#pragma once
// Store apps' packages laid out as Windows keeps them for a user, for the tests on every
// platform: the package repository's subkey naming the package's folder, the manifest (which the
// caller writes into that folder), and each startup task's State.
#include <string>
#include <vector>

#include "entries/unitStoreApps.h"
#include "platform/Registry.h"

namespace kw::testing {

struct SeedTask {
  std::string id, displayName;
  std::string executable;    // empty: the extension names none, the application's applies
  bool enabled = false;
  std::string ns = "desktop";  // the prefix of the extension: desktop or uap5
};

// A full name as Windows forms it: name, version, architecture, an empty resource id, publisher id.
inline std::string PackageFullName(const std::string& name, const std::string& version = "1.0.0.0",
                                   const std::string& publisherId = "8wekyb3d8bbwe") {
  return name + "_" + version + "_x64__" + publisherId;
}

// A manifest in the shape packaging tools write: the foundation namespace as the default, the
// uap, uap5, desktop and rescap prefixes, a protocol extension beside the startup tasks, and
// every task on the one application (whose executable is app\<name>.exe).
inline std::string PackageManifestXml(const std::string& name, const std::string& displayName,
                                      const std::vector<SeedTask>& tasks, const std::string& version = "1.0.0.0") {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"\r\n"
      "  xmlns:uap=\"http://schemas.microsoft.com/appx/manifest/uap/windows10\"\r\n"
      "  xmlns:uap5=\"http://schemas.microsoft.com/appx/manifest/uap/windows10/5\"\r\n"
      "  xmlns:desktop=\"http://schemas.microsoft.com/appx/manifest/desktop/windows10\"\r\n"
      "  xmlns:rescap=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities\"\r\n"
      "  IgnorableNamespaces=\"uap uap5 desktop rescap\">\r\n"
      "  <Identity Name=\"" + name + "\" Publisher=\"CN=Tessaly Works, O=Tessaly Works, C=NL\" Version=\"" + version +
      "\" ProcessorArchitecture=\"x64\" />\r\n"
      "  <Properties>\r\n    <DisplayName>" + displayName + "</DisplayName>\r\n"
      "    <PublisherDisplayName>Tessaly Works</PublisherDisplayName>\r\n"
      "    <Logo>Assets\\StoreLogo.png</Logo>\r\n  </Properties>\r\n"
      "  <Dependencies>\r\n    <TargetDeviceFamily Name=\"Windows.Desktop\" MinVersion=\"10.0.17763.0\" "
      "MaxVersionTested=\"10.0.22621.0\" />\r\n  </Dependencies>\r\n"
      "  <Resources>\r\n    <Resource Language=\"en-us\" />\r\n  </Resources>\r\n"
      "  <Applications>\r\n"
      "    <Application Id=\"App\" Executable=\"app\\" + name + ".exe\" EntryPoint=\"Windows.FullTrustApplication\">\r\n"
      "      <uap:VisualElements DisplayName=\"" + displayName + "\" Description=\"An app\" BackgroundColor=\"transparent\" "
      "Square150x150Logo=\"Assets\\Square150.png\" Square44x44Logo=\"Assets\\Square44.png\" />\r\n"
      "      <Extensions>\r\n"
      "        <uap:Extension Category=\"windows.protocol\">\r\n          <uap:Protocol Name=\"tessaly\" />\r\n"
      "        </uap:Extension>\r\n";
  for (const SeedTask& task : tasks) {
    xml += "        <" + task.ns + ":Extension Category=\"windows.startupTask\"" +
           (task.executable.empty() ? "" : " Executable=\"" + task.executable + "\"") +
           " EntryPoint=\"Windows.FullTrustApplication\">\r\n"
           "          <" + task.ns + ":StartupTask TaskId=\"" + task.id + "\" Enabled=\"" +
           (task.enabled ? "true" : "false") + "\"" +
           (task.displayName.empty() ? "" : " DisplayName=\"" + task.displayName + "\"") + " />\r\n"
           "        </" + task.ns + ":Extension>\r\n";
  }
  xml += "      </Extensions>\r\n    </Application>\r\n  </Applications>\r\n"
         "  <Capabilities>\r\n    <rescap:Capability Name=\"runFullTrust\" />\r\n  </Capabilities>\r\n"
         "</Package>\r\n";
  return xml;
}

// Lists the package for the user, installed in folder.
inline void RegisterPackage(RegistryBackend& registry, const std::string& fullName, const std::string& folder,
                            const std::string& displayName = "") {
  TRegistry reg(registry, kHkeyCurrentUser, RegView::Bits64);
  reg.OpenKey(std::string(kPackageRepositoryKey) + "\\" + fullName, true);
  reg.WriteString("PackageRootFolder", folder);
  if (!displayName.empty()) reg.WriteString("DisplayName", displayName);
  reg.WriteInteger("PackageState", 0);
}

inline std::string TaskKey(const std::string& fullName, const std::string& taskId) {
  return std::string(kPackageAppDataKey) + "\\" + PackageFamilyName(fullName) + "\\" + taskId;
}

inline void SetTaskState(RegistryBackend& registry, const std::string& fullName, const std::string& taskId, int state) {
  TRegistry reg(registry, kHkeyCurrentUser, RegView::Bits64);
  reg.OpenKey(TaskKey(fullName, taskId), true);
  reg.WriteInteger(kTaskStateValue, state);
}

// The task's State now, "<none>" without one; and the names of its key's values, which a switch
// must leave as they are.
inline std::string TaskStateNow(RegistryBackend& registry, const std::string& fullName, const std::string& taskId) {
  TRegistry reg(registry, kHkeyCurrentUser, RegView::Bits64);
  if (!reg.OpenKeyReadOnly(TaskKey(fullName, taskId)) || !reg.ValueExists(kTaskStateValue)) return "<none>";
  const auto value = reg.ReadValue(kTaskStateValue);
  return value->type == kRegDword ? std::to_string(static_cast<unsigned char>(value->data[0])) : "<not a DWORD>";
}

}  // namespace kw::testing
