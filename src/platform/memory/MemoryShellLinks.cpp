#include "platform/memory/MemoryShellLinks.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include "util/unitErrors.h"
#include "util/unitWideText.h"

namespace kw {

namespace {

// The file format of a link here: a tag, then the fields separated by NULs.
constexpr std::string_view kTag = "KWLNK";

std::string Serialise(const LinkData& link, bool fileSystemTarget, bool showCmdReadable) {
  std::string out(kTag);
  out += fileSystemTarget ? '1' : '0';
  out += showCmdReadable ? '1' : '0';
  for (const std::string* field : {&link.targetPath, &link.arguments, &link.workingDirectory}) {
    out += '\0';
    out += *field;
  }
  out += '\0';
  out += std::to_string(link.showCmd);
  out += '\0';
  out += link.iconPath;
  out += '\0';
  out += std::to_string(link.iconIndex);
  return out;
}

struct Parsed {
  LinkData link;
  bool fileSystemTarget = false;
  bool showCmdReadable = false;
};

std::optional<Parsed> Parse(const std::string& content) {
  if (content.size() < kTag.size() + 2 || content.compare(0, kTag.size(), kTag) != 0) return std::nullopt;
  Parsed parsed;
  parsed.fileSystemTarget = content[kTag.size()] == '1';
  parsed.showCmdReadable = content[kTag.size() + 1] == '1';
  std::vector<std::string> fields;
  size_t start = kTag.size() + 3;
  while (start <= content.size()) {
    size_t end = content.find('\0', start);
    if (end == std::string::npos) end = content.size();
    fields.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  // Fields after the sixth stand for what else the shell keeps in a file (a description, a
  // hot key, ...): kept in the file, not read or written through the link object.
  if (fields.size() != 4 && fields.size() < 6) return std::nullopt;
  parsed.link = LinkData{fields[0], fields[1], std::atoi(fields[3].c_str()), fields[2]};
  if (fields.size() >= 6) {
    parsed.link.iconPath = fields[4];
    parsed.link.iconIndex = std::atoi(fields[5].c_str());
  }
  return parsed;
}

// A link holds a target of fewer than MAX_PATH (260) UTF-16 units.
bool TargetFits(const std::string& target) { return Utf8ToUtf16(target).size() < 260; }

}  // namespace

LinkReadResult MemoryShellLinks::Read(std::string_view linkPath) {
  LinkReadResult result;
  if (failCreate || missingInterface) return result;
  result.opened = true;
  const auto content = files_.ReadWholeFile(linkPath);
  const auto parsed = content ? Parse(*content) : std::nullopt;
  if (!parsed) return result;  // an empty link object: no path
  result.loaded = true;
  const std::string& target = parsed->link.targetPath;
  if (parsed->fileSystemTarget && !target.empty()) {
    result.pathRead = true;
    result.targetPath = target;
  } else if (target.rfind('{', 0) == 0) {
    result.productCode = target;
  } else if (target.rfind("::", 0) == 0) {
    result.itemPath = target;
    result.itemName = target.substr(target.find_last_of('\\') + 1);
  }
  result.arguments = parsed->link.arguments;
  result.showCmdRead = parsed->showCmdReadable;
  result.showCmd = parsed->link.showCmd;
  result.workingDirectory = parsed->link.workingDirectory;
  result.iconPath = parsed->link.iconPath;
  result.iconIndex = parsed->link.iconIndex;
  return result;
}

LinkWriteResult MemoryShellLinks::Write(std::string_view linkPath, const LinkData& link) {
  if (failCreate) throw EShellError(failureText);
  if (missingInterface) throw EShellError("Interface not supported");
  if (refuseProperty || !TargetFits(link.targetPath)) return LinkWriteResult::PropertyRefused;
  return files_.WriteWholeFile(linkPath, Serialise(link, true, true)) ? LinkWriteResult::Written
                                                                      : LinkWriteResult::SaveFailed;
}

void MemoryShellLinks::AddLink(std::string_view linkPath, const LinkData& link, bool fileSystemTarget,
                               bool showCmdReadable, bool hidden, std::string_view extra) {
  std::string content = Serialise(link, fileSystemTarget, showCmdReadable);
  if (!extra.empty()) content += '\0' + std::string(extra);
  files_.AddFile(linkPath, content, hidden);
}

std::optional<LinkData> MemoryShellLinks::Stored(std::string_view linkPath) {
  const auto content = files_.ReadWholeFile(linkPath);
  const auto parsed = content ? Parse(*content) : std::nullopt;
  if (!parsed) return std::nullopt;
  return parsed->link;
}

}  // namespace kw
