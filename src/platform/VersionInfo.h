#pragma once
// Version resources of program files.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kw {

// One file's version resource, read into memory.
class VersionBlock {
 public:
  virtual ~VersionBlock() = default;
  // The (language, code page) pairs of "\VarFileInfo\Translation"; empty when the query fails.
  virtual std::vector<std::pair<std::uint16_t, std::uint16_t>> Translations() = 0;
  // The zero-terminated text that a query of subBlock (for example
  // "\StringFileInfo\040904E4\FileVersion") points to; nullopt when the query fails.
  virtual std::optional<std::string> QueryString(std::string_view subBlock) = 0;
};

// The query of a version string: "\StringFileInfo\", the language and the code page as four
// upper-case hexadecimal digits each, "\" and the string's name.
inline std::string StringFileInfoQuery(std::uint16_t language, std::uint16_t codePage, std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string query = "\\StringFileInfo\\";
  for (const std::uint16_t word : {language, codePage})
    for (int shift = 12; shift >= 0; shift -= 4) query += kHex[(word >> shift) & 0xF];
  query += '\\';
  query += name;
  return query;
}

class VersionInfo {
 public:
  virtual ~VersionInfo() = default;
  // The version resource of the file; null when it has none, the file is missing or the
  // resource cannot be read.
  virtual std::unique_ptr<VersionBlock> Load(std::string_view path) = 0;
};

}  // namespace kw
