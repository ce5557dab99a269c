#include "persist/unitDataStreaming.h"

#include <chrono>
#include <random>

#include "util/unitErrors.h"
#include "util/unitStrUtils.h"

namespace kw {

// ---- TStringList ----

namespace {
[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}
}  // namespace

const std::string& TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return lines_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, std::string line) {
  if (index < 0 || index >= Count()) IndexError(index);
  lines_[static_cast<size_t>(index)] = std::move(line);
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  lines_.erase(lines_.begin() + index);
}

bool SplitLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = line.substr(0, eq);
  value = line.substr(eq + 1);
  return true;
}

int TStringList::IndexOfName(std::string_view name) const {
  const std::string folded = FoldCase(name);
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view lineName, value;
    if (SplitLine(lines_[i], lineName, value) && lineName.size() == name.size() && FoldCase(lineName) == folded)
      return static_cast<int>(i);
  }
  return -1;
}

void TStringList::Assign(const TStringList& source) {
  if (&source != this) lines_ = source.lines_;
}

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  lines_.clear();
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines_.emplace_back(text.substr(start));
      break;
    }
    lines_.emplace_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

// ---- TOptionsList and generated names ----

int ListCounter = 0;

namespace {

std::uint32_t MillisecondsOfDay() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(ms % (24LL * 60 * 60 * 1000));
}

ListNameClock g_clock = nullptr;

}  // namespace

void SetListNameClock(ListNameClock clock) { g_clock = clock; }

std::string GenerateListName() {
  std::mt19937 generator(g_clock ? g_clock() : MillisecondsOfDay());
  if (++ListCounter > 99) ListCounter = 0;
  std::uniform_int_distribution<int> draw(0, 999998);
  const int r = draw(generator);
  return std::to_string(r) + "6-" + std::to_string(ListCounter) + "2";
}

TOptionsList::TOptionsList() : ListName(GenerateListName()) {}

void TOptionsList::Assign(const TStringList& source) {
  TStringList::Assign(source);
  if (const auto* options = dynamic_cast<const TOptionsList*>(&source)) {
    Index = options->Index;
    ListName = options->ListName;
  }
}

// ---- typed accessors ----

std::string GetOptionString(const TStringList& lines, std::string_view name) {
  const int i = lines.IndexOfName(name);
  if (i < 0) return {};
  std::string_view lineName, value;
  SplitLine(lines.Get(i), lineName, value);
  return DecodeValue(value);
}

void SetOptionString(TStringList& lines, std::string_view name, std::string_view value) {
  const std::string stored = EncodeValue(value);
  const int i = lines.IndexOfName(name);
  if (stored.empty()) {
    if (i >= 0) lines.Delete(i);
    return;
  }
  std::string line = std::string(name) + "=" + stored;
  if (i >= 0) lines.Put(i, std::move(line));
  else lines.Add(std::move(line));
}

bool GetOptionBool(const TStringList& lines, std::string_view name) { return GetOptionString(lines, name) == "TRUE"; }

void SetOptionBool(TStringList& lines, std::string_view name, bool flag) {
  SetOptionString(lines, name, flag ? "TRUE" : "FALSE");
}

std::int32_t GetOptionInt(const TStringList& lines, std::string_view name) {
  const std::string text = GetOptionString(lines, name);
  if (text.empty()) return -1;
  int value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

void SetOptionInt(TStringList& lines, std::string_view name, std::int32_t number) {
  SetOptionString(lines, name, std::to_string(number));
}

// ---- value codec ----

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EncodeValue(std::string_view plain) {
  bool needed = plain.size() >= 1 && plain.front() == '%' && plain.back() == '%';
  for (char c : plain)
    if (IsControl(c)) needed = true;
  if (!needed) return std::string(plain);

  // Each NUL becomes a NullMarker and each "%" is doubled. A NUL right behind the NullMarker's
  // text without its last "=" stays a NUL, escaped as "%00" below: a NullMarker written there
  // would lend its "=" to complete a NullMarker that starts in the value, and the value would
  // read back with the NUL in the wrong place.
  const std::string_view open = NullMarker.substr(0, NullMarker.size() - 1);
  std::string body;
  body.reserve(plain.size() + 2);
  for (size_t i = 0; i < plain.size(); ++i) {
    const char c = plain[i];
    if (c == '%') body += "%%";
    else if (c == '\0' && !plain.substr(0, i).ends_with(open)) body += NullMarker;
    else body += c;
  }
  static const char kHex[] = "0123456789ABCDEF";
  std::string stored = "%";
  stored.reserve(body.size() + 2);
  for (char c : body) {
    if (IsControl(c)) {
      const auto code = static_cast<unsigned char>(c);
      stored += '%';
      stored += kHex[code >> 4];
      stored += kHex[code & 0xF];
    } else {
      stored += c;
    }
  }
  stored += '%';
  return stored;
}

std::string DecodeValue(std::string_view stored) {
  if (stored.empty() || stored.front() != '%' || stored.back() != '%') return std::string(stored);
  // A single "%" both opens and closes: its body is empty.
  const std::string_view body = stored.size() >= 2 ? stored.substr(1, stored.size() - 2) : std::string_view();
  std::string plain;
  plain.reserve(body.size());
  size_t i = 0;
  while (i < body.size()) {
    const char c = body[i];
    if (c != '%') {
      plain += c;
      ++i;
    } else if (i + 1 < body.size() && body[i + 1] == '%') {
      plain += '%';
      i += 2;
    } else if (i + 2 < body.size() && HexDigit(body[i + 1]) >= 0 && HexDigit(body[i + 2]) >= 0) {
      plain += static_cast<char>(HexDigit(body[i + 1]) * 16 + HexDigit(body[i + 2]));
      i += 3;
    } else {
      plain += '%';
      ++i;
    }
  }
  return ReplaceAll(plain, NullMarker, std::string_view("\0", 1));
}

}  // namespace kw
