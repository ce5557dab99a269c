// Seeds a Wine prefix with a handful of realistic autorun entries for scripts/run: values in
// both Run keys, shortcuts and a script in the Startup folders, RunOnce and policy values, and
// one entry already switched off.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "entries/unitAppList.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "platform/win32/Win32Platform.h"

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
  // One entry switched off already, kept in the store.
  kw::TAppList store;
  kw::TAppItem& off = store.Add();
  off.SetOrigin(kw::orRegistryUser);
  off.SetCaption("Update Helper");
  off.SetEnabled(false);
  off.SetCommandLine("\"C:\\windows\\system32\\winemine.exe\" /background", platform.versions);
  const bool saved = kw::SaveDisabledApps(store, platform);
  std::printf("demo entries %s\n", saved ? "seeded" : "seeded (the store could not be written)");
  ::CoUninitialize();
  return saved ? 0 : 2;
}
