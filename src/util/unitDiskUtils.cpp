#include "util/unitDiskUtils.h"

#include "util/unitStrUtils.h"

namespace kw {

std::vector<std::string> ListFiles(FileSystem& files, const std::string& mask) {
  std::vector<std::string> list;
  const std::string prefix = ExtractFilePath(mask);
  for (const FoundFile& found : files.FindFiles(mask))
    if (!found.directory) list.push_back(prefix + found.name);
  return list;
}

}  // namespace kw
