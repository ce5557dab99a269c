#pragma once
// File listing.
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kw {

// The files (not folders) of one folder that match the wildcard mask, as full paths: the
// mask's folder part (up to its last "\" or ":") followed by the name. Hidden and system
// files are included; the order is the file system's; no subfolder is searched. A missing
// folder or no match gives an empty list.
std::vector<std::string> ListFiles(FileSystem& files, const std::string& mask);

}  // namespace kw
