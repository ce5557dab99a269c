// Seeds a Wine prefix with a handful of realistic autorun entries for scripts/run: values in
// both Run keys (two of them start signed programs, one changed since), shortcuts and a script in
// the Startup folders, RunOnce and policy values, a Store app with two startup tasks (one
// switched off in Windows' settings), one entry already switched off, and one its program
// wrote back after it was switched off.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "entries/unitAppList.h"
#include "entries/unitAppListState.h"
#include "entries/unitComebacks.h"
#include "entries/unitStoreApps.h"
#include "entries/unitSysWorks.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WideString.h"

int wmain() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  kw::win32::Win32Platform system;
  kw::Platform platform = system.platform();

  const struct {
    kw::RootKey root;
    const char* name;
    const char* data;
  } runValues[] = {
      {kw::kHkeyLocalMachine, "SoundMixerTray", "\"C:\\windows\\system32\\notepad.exe\" /tray"},
      {kw::kHkeyLocalMachine, "Display Settings", "rundll32.exe shell32.dll,Control_RunDLL desk.cpl"},
      {kw::kHkeyLocalMachine, "Clipboard Helper", "C:\\windows\\system32\\clipbrd.exe"},
      {kw::kHkeyCurrentUser, "Calculator", "C:\\windows\\system32\\winver.exe -min"},
      {kw::kHkeyCurrentUser, "Заметки", "\"C:\\windows\\notepad.exe\" C:\\users\\Public\\заметки.txt"},
  };
  for (const auto& value : runValues) {
    kw::TRegistry reg(platform.registry, value.root);
    if (reg.OpenKey(kw::kRunKeyPath, true)) reg.WriteString(value.name, value.data);
  }
  // Two programs signed with the build's throw-away certificate (which Wine accepts as
  // trusted), one of them changed after signing, so the list shows a verified program and a
  // tampered one beside the unsigned ones.
  {
    wchar_t self[MAX_PATH] = {};
    std::wstring samples(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
    samples.erase(samples.find_last_of(L'\\') + 1);
    samples += L"signing\\";
    ::CreateDirectoryW(L"C:\\Program Files\\Orrin", nullptr);
    ::CreateDirectoryW(L"C:\\Program Files\\Tessel", nullptr);
    ::CopyFileW((samples + L"signed.exe").c_str(), L"C:\\Program Files\\Orrin\\OrrinSync.exe", FALSE);
    ::CopyFileW((samples + L"tampered.exe").c_str(), L"C:\\Program Files\\Tessel\\tesselhelper.exe", FALSE);
    kw::TRegistry user(platform.registry, kw::kHkeyCurrentUser);
    if (user.OpenKey(kw::kRunKeyPath, true))
      user.WriteString("Orrin Sync", "\"C:\\Program Files\\Orrin\\OrrinSync.exe\" --background");
    kw::TRegistry machine(platform.registry, kw::kHkeyLocalMachine);
    if (machine.OpenKey(kw::kRunKeyPath, true))
      machine.WriteString("Tessel Helper", "\"C:\\Program Files\\Tessel\\tesselhelper.exe\"");
  }
  // A value of another type, which the list leaves out.
  {
    kw::TRegistry reg(platform.registry, kw::kHkeyCurrentUser);
    if (reg.OpenKey(kw::kRunKeyPath, true))
      reg.WriteValue("OldUpdater", kw::RegValue{kw::kRegExpandSz, "%SystemRoot%\\upd.exe"});
  }

  const std::string common = kw::GetSpecialFolderPath(platform.folders, kw::kCsidlCommonStartup);
  const std::string user = kw::GetSpecialFolderPath(platform.folders, kw::kCsidlStartup);
  system.links.Write(common + "\\Task Manager.lnk",
                     kw::LinkData{"C:\\windows\\system32\\taskmgr.exe", "", kw::kSwShowMinNoActive, common + "\\"});
  system.links.Write(user + "\\Mail Checker.lnk",
                     kw::LinkData{"C:\\windows\\system32\\wordpad.exe", "/check", kw::kSwShowNormal, user + "\\"});

  // A script beside the shortcuts, a value that runs once, and one a policy sets.
  system.files.WriteWholeFile(user + "\\map drives.cmd", "@echo off\r\nnet use\r\n");
  {
    kw::TRegistry reg(platform.registry, kw::kHkeyCurrentUser);
    if (reg.OpenKey(kw::kRunOnceKeyPath, true)) reg.WriteString("Finish Setup", "C:\\windows\\regedit.exe /s C:\\setup.reg");
    kw::TRegistry policy(platform.registry, kw::kHkeyLocalMachine, kw::RegView::Bits64);
    if (policy.OpenKey(kw::kPolicyRunKeyPath, true)) policy.WriteString("Corporate Agent", "C:\\windows\\system32\\cmd.exe /c exit");
  }
  // A Store app as Windows installs one for the user: its folder with the manifest and its
  // program, its subkey of the package repository, and the state of one task switched off.
  {
    const std::string fullName = "Orrin.Chat_2.4.1.0_x64__3f9d2xq7c1v0a";
    const std::string folder = "C:\\Program Files\\WindowsApps\\" + fullName;
    ::CreateDirectoryW(L"C:\\Program Files\\WindowsApps", nullptr);
    ::CreateDirectoryW(kw::win32::Wide(folder).c_str(), nullptr);
    ::CreateDirectoryW(kw::win32::Wide(folder + "\\app").c_str(), nullptr);
    ::CopyFileW(L"C:\\windows\\system32\\write.exe", kw::win32::Wide(folder + "\\app\\OrrinChat.exe").c_str(), FALSE);
    system.files.WriteWholeFile(
        folder + "\\AppxManifest.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"\r\n"
        "  xmlns:uap5=\"http://schemas.microsoft.com/appx/manifest/uap/windows10/5\"\r\n"
        "  xmlns:desktop=\"http://schemas.microsoft.com/appx/manifest/desktop/windows10\" IgnorableNamespaces=\"uap5 desktop\">\r\n"
        "  <Identity Name=\"Orrin.Chat\" Publisher=\"CN=Orrin Labs, O=Orrin Labs, C=SE\" Version=\"2.4.1.0\" ProcessorArchitecture=\"x64\"/>\r\n"
        "  <Properties><DisplayName>Orrin Chat</DisplayName><PublisherDisplayName>Orrin Labs</PublisherDisplayName>"
        "<Logo>Assets\\StoreLogo.png</Logo></Properties>\r\n"
        "  <Applications>\r\n"
        "    <Application Id=\"App\" Executable=\"app\\OrrinChat.exe\" EntryPoint=\"Windows.FullTrustApplication\">\r\n"
        "      <Extensions>\r\n"
        "        <desktop:Extension Category=\"windows.startupTask\" Executable=\"app\\OrrinChat.exe\" EntryPoint=\"Windows.FullTrustApplication\">\r\n"
        "          <desktop:StartupTask TaskId=\"OrrinChatStartup\" Enabled=\"true\" DisplayName=\"Orrin Chat\"/>\r\n"
        "        </desktop:Extension>\r\n"
        "        <uap5:Extension Category=\"windows.startupTask\">\r\n"
        "          <uap5:StartupTask TaskId=\"OrrinChatSync\" Enabled=\"true\" DisplayName=\"Orrin Chat Sync\"/>\r\n"
        "        </uap5:Extension>\r\n"
        "      </Extensions>\r\n"
        "    </Application>\r\n"
        "  </Applications>\r\n"
        "</Package>\r\n");
    kw::TRegistry package(platform.registry, kw::kHkeyCurrentUser, kw::RegView::Bits64);
    if (package.OpenKey(std::string(kw::kPackageRepositoryKey) + "\\" + fullName, true))
      package.WriteString("PackageRootFolder", folder);
    kw::TRegistry state(platform.registry, kw::kHkeyCurrentUser, kw::RegView::Bits64);
    if (state.OpenKey(std::string(kw::kPackageAppDataKey) + "\\" + kw::PackageFamilyName(fullName) + "\\OrrinChatSync", true))
      state.WriteInteger(kw::kTaskStateValue, kw::tsDisabledByUser);
  }
  // One entry switched off already, kept in the store.
  kw::TAppList store;
  kw::TAppItem& off = store.Add();
  off.SetOrigin(kw::orRegistryUser);
  off.SetCaption("Update Helper");
  off.SetEnabled(false);
  off.SetCommandLine("\"C:\\windows\\system32\\winemine.exe\" /background", platform.versions);
  // And one that its program wrote back since it was switched off: listed once, as come back.
  kw::TAppItem& back = store.Add();
  back.SetOrigin(kw::orRegistryUser);
  back.SetCaption("Orrin Sync");
  back.SetEnabled(false);
  back.SetCommandLine("\"C:\\Program Files\\Orrin\\OrrinSync.exe\"", platform.versions);
  kw::SetOptionString(back, kw::keys::DisabledOn, "2026-11-20 09:15");
  const bool saved = kw::SaveDisabledApps(store, platform);
  std::printf("demo entries %s\n", saved ? "seeded" : "seeded (the store could not be written)");
  ::CoUninitialize();
  return saved ? 0 : 2;
}
