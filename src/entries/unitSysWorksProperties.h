#pragma once
// The shell's property sheet of an entry's file.
#include <cstdint>

#include "entries/unitAppList.h"

namespace kw {

// Opens the property sheet of the entry's file (the program of a Run entry, the shortcut of
// a Startup-folder entry) through the shell's "Properties" verb, owned by ownerWindow. True
// when the shell accepted the command; otherwise the failure is shown to the user here
// ("Error getting application properties" when an error was raised, then "Cannot retrieve
// object information").
bool ShowFileProperties(const TAppItem& entry, std::uintptr_t ownerWindow, Platform& platform);

}  // namespace kw
