#pragma once
// Everything the logic needs of the system, gathered in one object: WinMain builds it from
// the Windows implementations, the tests from the in-memory ones.
#include "platform/FileSystem.h"
#include "platform/MessageBoxes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace kw {

struct Platform {
  RegistryBackend& registry;
  FileSystem& files;
  Shell& shell;
  MessageBoxes& messages;
};

}  // namespace kw
