#include "entries/unitSysWorksProperties.h"

#include "util/unitStdMessages.h"
#include "util/unitStrUtils.h"

namespace kw {

bool ShowFileProperties(const TAppItem& entry, std::uintptr_t ownerWindow, Platform& platform) {
  bool result = false;
  const int origin = entry.Origin();
  const std::string path = IsRegistryOrigin(origin) ? entry.FullPath() : entry.LinkFile();
  const std::string folder = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);

  bool raised = false;
  try {
    result = platform.properties.ShowProperties(folder, name, ownerWindow);
  } catch (...) {
    // Whatever the shell layer raised, the user hears about it here and the caller gets false.
    raised = true;
    result = false;
  }
  if (raised) ErrorMessage(platform.messages, "Error getting application properties");
  if (!result) ErrorMessage(platform.messages, "Cannot retrieve object information");
  return result;
}

}  // namespace kw
