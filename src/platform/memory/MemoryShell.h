#pragma once
// A shell that records what it was asked to open.
#include <map>
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
  std::string AssociatedProgram(std::string_view extension) override {
    const auto it = associations.find(std::string(extension));
    return it == associations.end() ? std::string() : it->second;
  }
  std::string FindProgram(std::string_view name) override {
    const auto it = searchPath.find(std::string(name));
    return it == searchPath.end() ? std::string() : it->second;
  }

  std::vector<Launch> launches;
  std::intptr_t result = 42;  // what Open answers; 2 is "file not found"
  std::map<std::string, std::string> associations;  // extension (as asked) to its program
  std::map<std::string, std::string> searchPath;    // name without a folder to where it is found
};

}  // namespace kw
