#pragma once
// The in-memory platform of the tests: owns one fake of each kind.
#include "platform/Platform.h"
#include "platform/memory/MemoryFileSystem.h"
#include "platform/memory/MemoryMessageBoxes.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemoryShell.h"

namespace kw {

class MemoryPlatform {
 public:
  MemoryRegistry registry;
  MemoryFileSystem files;
  MemoryShell shell;
  MemoryMessageBoxes messages;

  Platform platform() { return Platform{registry, files, shell, messages}; }
};

}  // namespace kw
