#pragma once
// Handing files, documents and URLs to the shell.
#include <cstdint>
#include <string>

#include "platform/Shell.h"

namespace kw {

// Opens file with the shell's default action. The texts are passed whole, whatever their
// length. The shell's result (above 32 on success) is returned; nothing is reported.
std::intptr_t LaunchFile(Shell& shell, const std::string& file, const std::string& parameters,
                         const std::string& folder, int showCmd);

}  // namespace kw
