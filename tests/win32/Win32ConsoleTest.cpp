// KelderwickCmd.exe run as scripts run it, on the prefix's real registry, Startup folder and
// store: its list is the window's scan, and its actions change what the window's actions do.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

#include "RegistryReadBack.h"
#include "StoreAppSeed.h"
#include "ShellTestSupport.h"
#include "SignedSamples.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStartupApproved.h"
#include "entries/unitSysWorks.h"
#include "platform/Sha256.h"
#include "platform/memory/MemoryMessageBoxes.h"
#include "platform/win32/Handles.h"
#include "util/unitDiskUtils.h"
#include "util/unitWideText.h"
#include "platform/win32/Win32Platform.h"

namespace kw::win32 {
namespace {

struct Result {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out, err;
};

// An inheritable temporary file for one of the child's standard handles.
unique_file TempFile(const test_support::ScratchFolder& folder, const char* name) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return unique_file(::CreateFileW(Wide(folder / name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
}

std::string ReadBack(const test_support::ScratchFolder& folder, const char* name) {
  Win32FileSystem files;
  return files.ReadWholeFile(folder / name).value_or("<unreadable>");
}

// Runs KelderwickCmd.exe (beside this program) with the arguments; its input is NUL, so it is
// not interactive.
Result RunCmd(const std::wstring& arguments) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring exe(self);
  exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"KelderwickCmd.exe";
  test_support::ScratchFolder folder("cmd");
  Result result;
  {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    unique_file in(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                 0, nullptr));
    unique_file out = TempFile(folder, "out"), err = TempFile(folder, "err");
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in.get();
    start.hStdOutput = out.get();
    start.hStdError = err.get();
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &start, &process))
      return result;
    unique_kernel_handle child(process.hProcess), thread(process.hThread);
    ::WaitForSingleObject(child.get(), 60000);
    ::GetExitCodeProcess(child.get(), &result.exitCode);
  }
  result.out = ReadBack(folder, "out");
  result.err = ReadBack(folder, "err");
  return result;
}

// Makes the store key one that nobody may open (a DACL without entries: its owner may still
// change the DACL), or one that everyone may (no DACL) again.
bool LockStore(bool locked) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(kDisabledAppsKey).c_str(), 0, WRITE_DAC | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS)
    return false;
  unique_hkey owned(key);
  SECURITY_DESCRIPTOR descriptor{};
  ACL empty{};
  return ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         ::InitializeAcl(&empty, sizeof empty, ACL_REVISION) &&
         ::SetSecurityDescriptorDacl(&descriptor, TRUE, locked ? &empty : nullptr, FALSE) &&
         ::RegSetKeySecurity(owned.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

TEST(Win32Sha256, BCryptGivesTheKnownDigests) {
  EXPECT_EQ(ToHex(Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(ToHex(Sha256(std::string(1000000, 'a'))),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

class Win32Console : public ::testing::Test {
 protected:
  void SetUp() override {
    startup = GetSpecialFolderPath(system.folders, kCsidlStartup);
    Clean();
  }
  void TearDown() override { Clean(); }
  void Clean() {
    test_support::EmptyRunKeys(platform.registry);
    for (const std::string& file : ListFiles(system.files, startup + "\\*.*")) system.files.RemoveFile(file);
    StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
    TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64).DeleteKey(kStartupApprovedKey);
  }
  // The first byte of the switch Windows keeps for the user's Run value or Startup-folder file
  // (0 when there is none): 2 on, 3 off.
  int Switch(const std::string& key, const std::string& name) {
    TRegistry reg(platform.registry, kHkeyCurrentUser, RegView::Bits64);
    if (!reg.OpenKeyReadOnly(std::string(kStartupApprovedKey) + "\\" + key)) return 0;
    const auto value = reg.ReadValue(name);
    return value && !value->data.empty() ? value->data[0] : 0;
  }
  nlohmann::json Listed(const std::string& caption) {
    for (const auto& entry : List())
      if (entry["caption"] == caption) return entry;
    return nullptr;
  }
  void Put(const std::string& name, const std::string& data, RootKey root = kHkeyCurrentUser) {
    TRegistry reg(platform.registry, root);
    ASSERT_TRUE(reg.OpenKey(kRunKeyPath, true));
    reg.WriteString(name, data);
  }
  nlohmann::json List() {
    const Result listed = RunCmd(L"list --format json");
    EXPECT_EQ(listed.exitCode, 0u) << listed.err;
    return nlohmann::json::parse(listed.out);
  }
  std::string IdOf(const std::string& caption) {
    for (const auto& entry : List())
      if (entry["caption"] == caption) return entry["id"];
    return "<none>";
  }
  // The store's subkeys by caption, each with its values.
  std::map<std::string, std::map<std::string, std::string>> Store() {
    std::map<std::string, std::map<std::string, std::string>> store;
    TRegistry reg = StoreRegistry(platform.registry);
    if (!reg.OpenKeyReadOnly(kDisabledAppsKey)) return store;
    for (const std::string& key : reg.GetKeyNames()) {
      TRegistry entry = StoreRegistry(platform.registry);
      entry.OpenKeyReadOnly(std::string(kDisabledAppsKey) + "\\" + key);
      for (const std::string& value : entry.GetValueNames())
        store[entry.ReadString("Caption")][value] = entry.ReadString(value);
    }
    return store;
  }

  Win32Platform system;
  MemoryMessageBoxes boxes;
  Platform platform{system.registry,    system.files,      system.shell,    boxes,
                    system.links,       system.folders,    system.versions, system.icons,
                    system.environment, system.properties, system.locks, system.tasks, system.signatures};
  std::string startup;
};

TEST_F(Win32Console, ListIsTheWindowsScanAndIdsStay) {
  Put("Обновление", "C:\\windows\\system32\\notepad.exe /a", kHkeyLocalMachine);
  Put("更新, \"プログラム\"", "\"C:\\windows\\system32\\notepad.exe\" -q");
  Put("Stored", "C:\\stored.exe");
  ASSERT_EQ(system.links.Write(startup + "\\Ярлык.lnk", LinkData{"C:\\windows\\notepad.exe", "", 1, ""}),
            LinkWriteResult::Written);
  TAppList list;
  ScanAllEntries(list, platform);
  for (int i = 0; i < list.Count(); ++i)
    if (list.GetItem(i).Caption() == "Stored") {
      ASSERT_TRUE(DisableEntry(list.GetItem(i), platform));
    }
  ScanAllEntries(list, platform);

  const nlohmann::json listed = List();
  ASSERT_EQ(listed.size(), static_cast<size_t>(list.Count()));
  std::map<std::string, std::string> ids;
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(listed[i]["caption"], list.GetItem(i).Caption()) << i;
    EXPECT_EQ(listed[i]["state"], list.GetItem(i).Enabled() ? "on" : "off") << i;
    EXPECT_EQ(listed[i]["path"], list.GetItem(i).FullPath()) << i;
    ids[listed[i]["caption"]] = listed[i]["id"];
  }
  EXPECT_EQ(listed[0]["caption"], "Обновление");
  EXPECT_EQ(listed[listed.size() - 1]["state"], "off");

  Put("Unrelated", "C:\\other.exe");
  std::map<std::string, std::string> again;
  for (const auto& entry : List()) again[entry["caption"]] = entry["id"];
  EXPECT_EQ(again.erase("Unrelated"), 1u);
  EXPECT_EQ(again, ids);
}

TEST_F(Win32Console, ActionsDoWhatTheWindowsActionsDo) {
  const std::string line = "\"C:\\Program Files\\Приложение\\app.exe\" -q";
  Put("Приложение", line);
  const std::string id = IdOf("Приложение");

  Result result = RunCmd(L"delete " + Wide(id));
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.err.find("--yes"), std::string::npos);
  EXPECT_EQ(RunCmd(L"disable 000000000000").exitCode, 1u);
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, "Приложение"), line);

  result = RunCmd(L"disable " + Wide(id));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, "Приложение"), "<missing>");
  const auto byConsole = Store();
  result = RunCmd(L"enable " + Wide(IdOf("Приложение")));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, "Приложение"), line);
  EXPECT_TRUE(Store().empty());
  EXPECT_EQ(IdOf("Приложение"), id);

  // The window's action stores the same values.
  TAppList list;
  ScanAllEntries(list, platform);
  ASSERT_EQ(list.Count(), 1);
  ASSERT_TRUE(DisableEntry(list.GetItem(0), platform));
  auto byWindow = Store();
  EXPECT_EQ(byWindow["Приложение"].size(), byConsole.at("Приложение").size());
  byWindow["Приложение"]["DisabledOn"] = byConsole.at("Приложение").at("DisabledOn");  // the minute may have turned
  EXPECT_EQ(byWindow, byConsole);
  ScanAllEntries(list, platform);
  ASSERT_TRUE(EnableEntry(list.GetItem(0), platform));

  result = RunCmd(L"--yes delete " + Wide(id));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, "Приложение"), "<missing>");
  EXPECT_TRUE(boxes.shown.empty());
}

// A program that writes its value back after it was disabled: on and came back; disabled
// again, kept off by Windows' switch while the program rewrites it; enabled, on there.
TEST_F(Win32Console, AnEntryThatComesBackIsKeptOffByWindowsSwitch) {
  const std::string line = "\"C:\\windows\\system32\\notepad.exe\" /tray";
  Put("Возврат", line);
  const std::string id = IdOf("Возврат");
  ASSERT_EQ(RunCmd(L"disable " + Wide(id)).exitCode, 0u);
  for (const std::string& back : {line, line + " --update"}) {
    Put("Возврат", back);
    const auto listed = List();
    ASSERT_EQ(listed.size(), 1u) << back;
    const auto& entry = listed[0];
    EXPECT_EQ(entry["id"], id);
    EXPECT_EQ(entry["state"], "on");
    EXPECT_EQ(entry["cameBack"], true);
    EXPECT_NE(RunCmd(L"show " + Wide(id)).out.find("Came back after you switched it off on "), std::string::npos);
  }
  Result result = RunCmd(L"disable " + Wide(id));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(Switch("Run", "Возврат"), 3);
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, "Возврат"), line + " --update");
  EXPECT_TRUE(Store().empty());
  Put("Возврат", line + " --again");
  const auto kept = Listed("Возврат");
  EXPECT_EQ(kept["state"], "off-by-windows");
  EXPECT_EQ(kept["cameBack"], false);
  result = RunCmd(L"enable " + Wide(id));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(Switch("Run", "Возврат"), 2);
  EXPECT_EQ(Listed("Возврат")["state"], "on");

  // Chosen up front: a shortcut stays in its folder, switched off by its file name.
  ASSERT_EQ(system.links.Write(startup + "\\Ярлык.lnk", LinkData{"C:\\windows\\notepad.exe", "", 1, ""}),
            LinkWriteResult::Written);
  result = RunCmd(L"disable --windows-switch " + Wide(IdOf("notepad.exe")));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(Switch("StartupFolder", "Ярлык.lnk"), 3);
  EXPECT_TRUE(system.files.FileExists(startup + "\\Ярлык.lnk"));
  EXPECT_TRUE(Store().empty());
}

TEST_F(Win32Console, SignersAreVerifiedAndWhatIsNotIsListedAlone) {
  using test_support::SignedSamplePath;
  Put("Signed", "\"" + SignedSamplePath("signed.exe") + "\" /tray");
  Put("Tampered", SignedSamplePath("tampered.exe"));
  Put("Unsigned", SignedSamplePath("unsigned.exe"));
  Put("Gone", "C:\\gone\\gone.exe");
  std::map<std::string, std::pair<std::string, std::string>> found;  // caption: signature, signer
  for (const auto& entry : List()) found[entry["caption"]] = {entry["signature"], entry["signer"]};
  EXPECT_EQ(found, (std::map<std::string, std::pair<std::string, std::string>>{
                       {"Signed", {"valid", test_support::kSampleSigner}},
                       {"Tampered", {"mismatch", ""}},
                       {"Unsigned", {"unsigned", ""}},
                       {"Gone", {"missing", ""}}}));

  Result result = RunCmd(L"list --unsigned --format csv");
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(result.out.find("Signed"), std::string::npos) << result.out;
  for (const char* caption : {"Tampered", "Unsigned", "Gone"}) EXPECT_NE(result.out.find(caption), std::string::npos);

  result = RunCmd(L"show " + Wide(IdOf("Signed")));
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_NE(result.out.find(std::string("Verified publisher:  ") + test_support::kSampleSigner +
                            " (the file claims: " + test_support::kSampleCompany + ")\n"),
            std::string::npos)
      << result.out;
}

// A store the user may not read: list fails and says why, and still lists the rest.
TEST_F(Win32Console, AStoreThatCannotBeReadFailsTheListAndSaysWhy) {
  Put("Stored", "C:\\stored.exe");
  Put("Kept", "C:\\kept.exe");
  ASSERT_EQ(RunCmd(L"disable " + Wide(IdOf("Stored"))).exitCode, 0u);
  ASSERT_TRUE(LockStore(true));
  const Result listed = RunCmd(L"list");
  ASSERT_TRUE(LockStore(false));
  EXPECT_EQ(listed.exitCode, 1u);
  EXPECT_NE(listed.err.find("cannot be read: access denied"), std::string::npos) << listed.err;
  EXPECT_NE(listed.out.find("Kept"), std::string::npos) << listed.out;
  EXPECT_EQ(listed.out.find("Stored"), std::string::npos) << listed.out;
}

// Names as the registry holds them: the table shows control characters as escapes, every
// format is valid UTF-8, and disable and enable bring the value back under its exact name.
TEST_F(Win32Console, OutputIsValidUtf8AndActionsKeepExactNames) {
  const std::string name = "Ctl\x1b[2J\rFAKE \xED\xA0\x80";  // ends in a lone high surrogate
  const std::string shown = "Ctl\x1b[2J\rFAKE \uFFFD";
  Put(name, "C:\\app.exe");
  const Result table = RunCmd(L"list");
  ASSERT_EQ(table.exitCode, 0u) << table.err;
  EXPECT_NE(table.out.find("Ctl\\x1b[2J\\x0dFAKE \uFFFD\n"), std::string::npos) << table.out;
  EXPECT_EQ(ValidUtf8(table.out), table.out);
  const Result csv = RunCmd(L"list --format csv");
  EXPECT_NE(csv.out.find("\"" + shown + "\""), std::string::npos) << csv.out;
  EXPECT_EQ(ValidUtf8(csv.out), csv.out);

  ASSERT_EQ(RunCmd(L"disable " + Wide(IdOf(shown))).exitCode, 0u);
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, name), "<missing>");
  ASSERT_EQ(RunCmd(L"enable " + Wide(IdOf(shown))).exitCode, 0u);
  EXPECT_EQ(testing::RunValue(platform.registry, kHkeyCurrentUser, name), "C:\\app.exe");
}

// Store apps laid out in the prefix as Windows lays them out for a user: the console lists their
// startup tasks with the package and task id, shows them, switches them by writing their State
// and nothing else, leaves a state set by policy alone, refuses to delete them, and lists the
// rest when a manifest is malformed.
TEST_F(Win32Console, StoreAppTasksAreListedAndSwitchedByTheirState) {
  using testing::PackageFullName, testing::TaskStateNow;
  test_support::ScratchFolder apps("windowsapps");
  ASSERT_TRUE(apps.created());
  const std::string notes = PackageFullName("Tessaly.Notes", "2.3.1.0"), agent = PackageFullName("Corp.Agent"),
                    broken = PackageFullName("Broken.App");
  struct Package {
    std::string fullName, manifest;
  };
  for (const auto& [fullName, manifest] : std::vector<Package>{
           {notes, testing::PackageManifestXml("Tessaly.Notes", "Notes", {{"NotesStartup", "Notes", "", true, "uap5"}})},
           {agent, testing::PackageManifestXml("Corp.Agent", "Agent", {{"Forced", "Agent", "", false}})},
           {broken, "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"><Identity"}}) {
    ASSERT_TRUE(::CreateDirectoryW(Wide(apps / fullName).c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(Wide(apps / fullName + "\\app").c_str(), nullptr));
    ASSERT_TRUE(system.files.WriteWholeFile(apps / fullName + "\\AppxManifest.xml", manifest));
    testing::RegisterPackage(platform.registry, fullName, apps / fullName);
  }
  // The app's program, with a version resource to read.
  ASSERT_TRUE(::CopyFileW(L"C:\\windows\\system32\\shell32.dll", Wide(apps / notes + "\\app\\Tessaly.Notes.exe").c_str(), FALSE));
  testing::SetTaskState(platform.registry, agent, "Forced", tsEnabledByPolicy);
  TRegistry notesKey(platform.registry, kHkeyCurrentUser, RegView::Bits64);
  ASSERT_TRUE(notesKey.OpenKey(testing::TaskKey(notes, "NotesStartup"), true));
  notesKey.WriteInteger("UserEnabledStartupOnce", 1);
  struct Cleanup {
    RegistryBackend& registry;
    std::vector<std::string> fullNames;
    ~Cleanup() {
      for (const std::string& fullName : fullNames) {
        TRegistry(registry, kHkeyCurrentUser, RegView::Bits64).DeleteKey(std::string(kPackageRepositoryKey) + "\\" + fullName);
        TRegistry(registry, kHkeyCurrentUser, RegView::Bits64)
            .DeleteKey(std::string(kPackageAppDataKey) + "\\" + PackageFamilyName(fullName));
      }
    }
  } cleanup{platform.registry, {notes, agent, broken}};

  const Result listed = RunCmd(L"list --format json");
  EXPECT_EQ(listed.exitCode, 1u) << "a manifest could not be read";
  EXPECT_NE(listed.err.find("'" + broken + "': not well-formed XML"), std::string::npos) << listed.err;
  std::map<std::string, nlohmann::json> tasks;
  for (const auto& entry : nlohmann::json::parse(listed.out))
    if (entry["foundIn"] == "Store app") tasks[entry["taskId"]] = entry;
  ASSERT_EQ(tasks.size(), 2u) << listed.out;
  const nlohmann::json& task = tasks["NotesStartup"];
  EXPECT_EQ(task["caption"], "Notes");
  EXPECT_EQ(task["package"], notes);
  EXPECT_EQ(task["state"], "on");
  EXPECT_EQ(task["path"], apps / notes + "\\app\\Tessaly.Notes.exe");
  EXPECT_NE(task["fileVersion"], "") << "read from the app's program";
  EXPECT_EQ(tasks["Forced"]["state"], "on");
  const std::wstring id = Wide(task["id"].get<std::string>()), forced = Wide(tasks["Forced"]["id"].get<std::string>());

  const Result shown = RunCmd(L"show " + id);
  EXPECT_NE(shown.out.find("Found in:  Store app"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("Startup task:  NotesStartup"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("Installed in:  " + apps / notes), std::string::npos) << shown.out;

  Result result = RunCmd(L"disable " + id);
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(TaskStateNow(platform.registry, notes, "NotesStartup"), "1");
  EXPECT_NE(RunCmd(L"show " + id).out.find("State:  off, switched off by the user"), std::string::npos);
  result = RunCmd(L"enable " + id);
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(TaskStateNow(platform.registry, notes, "NotesStartup"), "2");
  TRegistry reread(platform.registry, kHkeyCurrentUser, RegView::Bits64);
  ASSERT_TRUE(reread.OpenKeyReadOnly(testing::TaskKey(notes, "NotesStartup")));
  EXPECT_EQ(reread.GetValueNames().size(), 2u) << "only State was written";
  EXPECT_TRUE(reread.ValueExists("UserEnabledStartupOnce"));
  EXPECT_TRUE(Store().empty()) << "nothing moves into the store";

  result = RunCmd(L"disable " + forced);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.err.find("switched on by a policy"), std::string::npos) << result.err;
  EXPECT_EQ(TaskStateNow(platform.registry, agent, "Forced"), "4");
  result = RunCmd(L"--yes delete " + id);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.err.find("uninstalled"), std::string::npos) << result.err;
  EXPECT_TRUE(system.files.FileExists(apps / notes + "\\AppxManifest.xml"));
  EXPECT_EQ(TaskStateNow(platform.registry, notes, "NotesStartup"), "2");
}

}  // namespace
}  // namespace kw::win32
