#pragma once
// The in-memory platform of the tests: owns one fake of each kind.
#include "platform/Platform.h"
#include "platform/memory/MemoryEnvironment.h"
#include "platform/memory/MemoryFileSystem.h"
#include "platform/memory/MemoryMachineLocks.h"
#include "platform/memory/MemoryIcons.h"
#include "platform/memory/MemoryMessageBoxes.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemoryShell.h"
#include "platform/memory/MemoryShellFolders.h"
#include "platform/memory/MemoryShellLinks.h"
#include "platform/memory/MemoryShellProperties.h"
#include "platform/memory/MemorySignatures.h"
#include "platform/memory/MemoryTaskScheduler.h"
#include "platform/memory/MemoryVersionInfo.h"

namespace kw {

class MemoryPlatform {
 public:
  MemoryRegistry registry;
  MemoryFileSystem files;
  MemoryShell shell;
  MemoryMessageBoxes messages;
  MemoryShellLinks links{files};
  MemoryShellFolders folders;
  MemoryVersionInfo versions;
  MemoryIcons icons;
  MemoryEnvironment environment;
  MemoryShellProperties properties{files};
  MemoryMachineLocks locks;
  MemoryTaskScheduler tasks;
  MemorySignatures signatures;

  MemoryPlatform() { messages.locks = &locks; }

  // As 64-bit Windows for a 64-bit program: two views of HKLM\SOFTWARE.
  void SetWindows64(bool on) {
    registry.SetWindows64(on);
    environment.windows64 = on;
  }
  Platform platform() {
    return Platform{registry, files, shell, messages, links, folders, versions, icons, environment, properties, locks, tasks, signatures};
  }
};

}  // namespace kw
