#include "entries/unitSysWorksWebSearch.h"

#include <algorithm>

#include "util/FmxUtils.h"
#include "util/unitErrors.h"
#include "util/unitStrUtils.h"

namespace kw {

namespace {

// A public search engine's search page, over plain HTTP so that any browser opens it.
constexpr const char* kSearchBase = "http://www.google.com/search";
constexpr const char* kSearchFileName = "search.url";

// The two-word rule: a word of three or more words keeps its first two. The cut is made at
// the blank after the second word; a run of blanks after the first word leaves that word
// alone with its trailing blank.
std::string FirstTwoWords(const std::string& w) {
  const size_t p = w.find(' ');
  std::string head = w.substr(0, p + 1);
  const std::string rest = w.substr(p + 1);
  head += rest.substr(0, rest.find(' '));
  return head;
}

// One query word, cut to two words and before the first "(", ",", "." or "[". A word that
// neither rule touches is kept exactly as it came.
std::string ShortenWord(const std::string& word) {
  std::string w = Trim(word);
  bool changed = false;
  if (CountChar(' ', w) >= 2) {
    w = FirstTwoWords(w);
    changed = true;
  }
  const size_t j = w.find_first_of("(,.[");
  if (j != std::string::npos) return Trim(w.substr(0, j));
  return changed ? w : word;
}

bool NeedsQuotes(const std::string& word) {
  return std::any_of(word.begin(), word.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= 32 || c == '"'; });
}

// The words as one text, separated by blanks; a word holding a blank, a control character
// or a double quote is quoted, its double quotes doubled. A single empty word gives "".
std::string JoinQueryWords(const std::vector<std::string>& words) {
  if (words.size() == 1 && words.front().empty()) return "\"\"";
  std::string joined;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) joined += ' ';
    if (NeedsQuotes(words[i])) joined += '"' + ReplaceAll(words[i], "\"", "\"\"") + '"';
    else joined += words[i];
  }
  return joined;
}

}  // namespace

int CountChar(char c, const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), c)); }

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 128 || c == ' ' || c == '*' || c == '#' || c == '%' || c == '<' || c == '>') {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

void SearchWebForEntry(const TAppItem& entry, Platform& platform, const std::string& programFolder) {
  std::vector<std::string> words;
  for (const char* key : {keys::ProductName, keys::CompanyName}) {
    std::string value = GetOptionString(entry, key);
    if (!value.empty()) words.push_back(std::move(value));
  }
  if (words.empty()) words.push_back(entry.Caption());
  for (std::string& word : words) word = ShortenWord(word);
  WebSearch(words, platform, programFolder);
}

void WebSearch(std::vector<std::string>& words, Platform& platform, const std::string& programFolder) {
  const std::string query = "hl=en&q=" + JoinQueryWords(words);
  const std::string url = std::string(kSearchBase) + "?" + UrlEncode(query);
  words = {"[InternetShortcut]", "URL=" + url};
  std::string content;
  for (const std::string& line : words) content += line + "\r\n";

  // A program folder that the user may not write to (a protected installation folder) is
  // no reason to fail the search: the shortcut then goes to the user's temporary folder.
  const std::string preferred = programFolder + kSearchFileName;
  std::string written = preferred;
  if (!platform.files.WriteWholeFile(preferred, content)) {
    const std::string tempFolder = platform.environment.TempFolder();
    written = tempFolder + kSearchFileName;
    if (tempFolder.empty() || !platform.files.WriteWholeFile(written, content))
      throw EFileError("Cannot create file " + preferred);
  }
  LaunchFile(platform.shell, written, "", "", kSwShowMaximized);
}

}  // namespace kw
