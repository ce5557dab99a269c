#pragma once
// A shell that records what it was asked to open.
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace kw {

class MemoryShell : public Shell {
 public:
  struct Launch {
    std::string file, parameters, folder;
    int showCmd;
  };
  std::intptr_t Open(std::string_view file, std::string_view parameters, std::string_view folder,
                     int showCmd) override {
    launches.push_back(Launch{std::string(file), std::string(parameters), std::string(folder), showCmd});
    return result;
  }

  std::vector<Launch> launches;
  std::intptr_t result = 42;  // what Open answers; 2 is "file not found"
};

}  // namespace kw
