#pragma once
// The platform of the real program: the Windows implementations, one of each.
#include "platform/Platform.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Icons.h"
#include "platform/win32/Win32MachineLocks.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32ShellFolders.h"
#include "platform/win32/Win32ShellLinks.h"
#include "platform/win32/Win32ShellProperties.h"
#include "platform/win32/Win32Signatures.h"
#include "platform/win32/Win32TaskScheduler.h"
#include "platform/win32/Win32VersionInfo.h"

namespace kw::win32 {

class Win32Platform {
 public:
  Win32Registry registry;
  Win32FileSystem files;
  Win32Shell shell;
  Win32MessageBoxes messages;
  Win32ShellLinks links;
  Win32ShellFolders folders;
  Win32VersionInfo versions;
  Win32Icons icons;
  Win32Environment environment;
  Win32ShellProperties properties;
  Win32MachineLocks locks;
  Win32TaskScheduler tasks;
  Win32Signatures signatures;

  Platform platform() {
    return Platform{registry, files, shell, messages, links, folders, versions, icons, environment, properties, locks, tasks, signatures};
  }
};

}  // namespace kw::win32
