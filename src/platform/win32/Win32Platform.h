#pragma once
// The platform of the real program: the Windows implementations, one of each.
#include "platform/Platform.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"

namespace kw::win32 {

class Win32Platform {
 public:
  Win32Registry registry;
  Win32FileSystem files;
  Win32Shell shell;
  Win32MessageBoxes messages;

  Platform platform() { return Platform{registry, files, shell, messages}; }
};

}  // namespace kw::win32
