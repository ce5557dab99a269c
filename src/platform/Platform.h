#pragma once
// Everything the logic needs of the system, gathered in one object: WinMain builds it from
// the Windows implementations, the tests from the in-memory ones.
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Icons.h"
#include "platform/MachineLocks.h"
#include "platform/MessageBoxes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellFolders.h"
#include "platform/ShellProperties.h"
#include "platform/ShellLinks.h"
#include "platform/Signatures.h"
#include "platform/TaskScheduler.h"
#include "platform/VersionInfo.h"

namespace kw {

struct Platform {
  RegistryBackend& registry;
  FileSystem& files;
  Shell& shell;
  MessageBoxes& messages;
  ShellLinks& links;
  ShellFolders& folders;
  VersionInfo& versions;
  Icons& icons;
  Environment& environment;
  ShellProperties& properties;
  MachineLocks& locks;
  TaskScheduler& tasks;
  Signatures& signatures;
};

}  // namespace kw
