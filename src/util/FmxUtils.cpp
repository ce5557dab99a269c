#include "util/FmxUtils.h"

namespace kw {

std::intptr_t LaunchFile(Shell& shell, const std::string& file, const std::string& parameters,
                         const std::string& folder, int showCmd) {
  return shell.Open(file, parameters, folder, showCmd);
}

}  // namespace kw
