#include "util/unitStrUtils.h"

#include "util/unitWideText.h"

#include <charconv>
#include <cstdint>

namespace kw {

std::string Copy(std::string_view text, int start, int count) {
  if (count <= 0) return {};
  if (start < 1) start = 1;
  const auto length = static_cast<long long>(text.size());
  if (start > length) return {};
  const long long available = length - start + 1;
  const long long take = count < available ? count : available;
  return std::string(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(take)));
}

std::string CopyRange(std::string_view text, int from, int to) {
  if (to < from) return {};
  const long long count = static_cast<long long>(to) - from + 1;
  return Copy(text, from, count > INT32_MAX ? INT32_MAX : static_cast<int>(count));
}

int PosFrom(std::string_view search, std::string_view text, int from) {
  if (search.empty()) return 0;
  if (from < 1) from = 1;
  if (static_cast<size_t>(from) > text.size()) return 0;
  const size_t hit = text.find(search, static_cast<size_t>(from - 1));
  return hit == std::string_view::npos ? 0 : static_cast<int>(hit) + 1;
}

std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t start = 0;
  for (size_t hit = text.find(search); hit != std::string_view::npos; hit = text.find(search, start)) {
    result.append(text, start, hit - start);
    result.append(replacement);
    start = hit + search.size();
  }
  result.append(text, start, std::string_view::npos);
  return result;
}

namespace {
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }
}  // namespace

std::string TrimLeft(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsTrimmed(text[first])) ++first;
  return std::string(text.substr(first));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsTrimmed(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

namespace {

// Upper-case partner of a code point in the scripts a Windows user's names are written in.
char32_t UpperOf(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: mostly even upper, odd lower
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddPairs) return (c % 2 == 0) ? c - 1 : c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;  // Greek
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // Cyrillic а..я
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;                // ѐ..џ
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
    return (c % 2 == 1) ? c - 1 : c;
  return c;
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    // Only two-byte sequences hold letters that change; everything else is copied as it is.
    if (b0 < 0x80) {
      out += static_cast<char>(b0 >= 'a' && b0 <= 'z' ? b0 - 0x20 : b0);
      ++i;
    } else if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < text.size() &&
               (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      const char32_t c = (static_cast<char32_t>(b0 & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
      AppendUtf8(out, UpperOf(c));
      i += 2;
    } else {
      out += static_cast<char>(b0);
      ++i;
    }
  }
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  // Every letter that FoldCase maps keeps the length of its encoding.
  if (a.size() != b.size()) return false;
  return FoldCase(a) == FoldCase(b);
}

std::string ExtractFilePath(std::string_view path) {
  const size_t sep = path.find_last_of("\\:");
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtractFileName(std::string_view path) {
  const size_t sep = path.find_last_of("\\:");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const size_t dot = path.find_last_of(".\\:");
  if (dot == std::string_view::npos || path[dot] != '.') return std::string(path) + std::string(ext);
  return std::string(path.substr(0, dot)) + std::string(ext);
}

std::string ExtractFileExt(std::string_view path) {
  const size_t dot = path.find_last_of(".\\:");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return std::string(path.substr(dot));
}

std::string ShortenForDisplay(std::string_view text, size_t maxCharacters) {
  // A character begins at every byte that is not a UTF-8 continuation byte (10xxxxxx).
  auto starts = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
  size_t characters = 0, cut = text.size();
  for (size_t i = 0; i < text.size(); ++i) {
    if (!starts(text[i])) continue;
    if (characters == maxCharacters) cut = i;
    ++characters;
  }
  if (characters <= maxCharacters) return std::string(text);
  const char* const ellipsis = "\xE2\x80\xA6";  // "…" in UTF-8
  return std::string(text.substr(0, cut)) + ellipsis + " (" + std::to_string(characters) + " characters)";
}

bool TryStrToInt(std::string_view text, int& value) {
  if (text.empty()) return false;
  std::string_view digits = text;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return false;
  long long magnitude = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return false;
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT32_MAX || signedValue < INT32_MIN) return false;
  value = static_cast<int>(signedValue);
  return true;
}

}  // namespace kw
