// The command-line split and the quote-aware tokenizer. Both must give a result for any text,
// take the text apart without inventing or losing characters, and stay linear in the
// length of the text.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "entries/unitSysWorks.h"
#include "util/unitStrUtils.h"

namespace {

constexpr std::size_t kLongText = 1 << 20;

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }

// Blank runs reduced to one blank.
std::string CollapseBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ' || out.empty() || out.back() != ' ') out += c;
  return out;
}

void CheckSplit(std::string_view commandLine) {
  const kw::CommandLineParts parts = kw::SplitCommandLine(commandLine);
  const std::string s = kw::Trim(commandLine);
  if (s.empty()) {
    KW_FUZZ_CHECK(parts.path.empty() && parts.arguments.empty());
    return;
  }
  if (s.front() == '"') {
    // The path is what lies between the quotes; the arguments are the rest, untouched.
    KW_FUZZ_CHECK(parts.path.find('"') == std::string::npos);
    if (s.find('"', 1) == std::string::npos) {
      KW_FUZZ_CHECK(parts.path == s.substr(1) && parts.arguments.empty());
    } else {
      KW_FUZZ_CHECK("\"" + parts.path + "\"" + parts.arguments == s);
    }
    return;
  }
  KW_FUZZ_CHECK(!parts.path.empty() && parts.path.front() != ' ' && parts.path.back() != ' ');
  const std::string first = s.substr(0, s.find(' '));
  if (first.size() == s.size()) {
    // One token: the whole (trimmed) text.
    KW_FUZZ_CHECK(parts.path == first && parts.arguments.empty());
  } else if (first.find(":\\") == std::string::npos) {
    // The first token, then everything behind the blank that ends it.
    KW_FUZZ_CHECK(parts.path == first && s == parts.path + " " + parts.arguments);
  } else {
    // A drive-letter path runs to the last token holding "\"; no argument holds one.
    KW_FUZZ_CHECK(parts.path.rfind(first, 0) == 0);
    KW_FUZZ_CHECK(parts.path.find("  ") == std::string::npos);
    KW_FUZZ_CHECK(parts.arguments.empty() || parts.arguments.front() == ' ');
    KW_FUZZ_CHECK(parts.arguments.find('\\') == std::string::npos);
    KW_FUZZ_CHECK(parts.path + parts.arguments == CollapseBlanks(s));
  }
}

// Without double quotes the tokens are exactly the runs of characters above code 32 (a NUL
// ends the text).
void CheckTokens(std::string_view text) {
  const std::string_view cut = text.substr(0, text.find('\0'));
  if (cut.find('"') != std::string_view::npos) {
    // Quoted tokens: at least no token holds a NUL or more than the text.
    for (int index = 0; index < 8; ++index) {
      const std::string token = kw::GetDelimitedToken(text, index);
      KW_FUZZ_CHECK(token.size() <= cut.size() && token.find('\0') == std::string::npos);
    }
    return;
  }
  std::vector<std::string> expected;
  for (size_t i = 0; i < cut.size();) {
    while (i < cut.size() && IsSeparator(cut[i])) ++i;
    const size_t start = i;
    while (i < cut.size() && !IsSeparator(cut[i])) ++i;
    if (i > start) expected.emplace_back(cut.substr(start, i - start));
  }
  // Each lookup walks the text from its start, so only the first tokens and the last are asked.
  const int count = static_cast<int>(expected.size());
  for (int index = 0; index < count; ++index) {
    if (index >= 16 && index != count - 1) continue;
    KW_FUZZ_CHECK(kw::GetDelimitedToken(text, index) == expected[static_cast<size_t>(index)]);
  }
  KW_FUZZ_CHECK(kw::GetDelimitedToken(text, count).empty());
  KW_FUZZ_CHECK(kw::GetDelimitedToken(text, -1).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = kw::fuzz::AsText(data, size);
  CheckSplit(input);
  CheckTokens(input);

  // Linear time, for one input in 32 (the pass is long): the text repeated to a megabyte.
  // A linear pass takes milliseconds; a quadratic one would take minutes.
  if (!input.empty() && std::hash<std::string_view>()(input) % 32 == 0) {
    std::string longText;
    longText.reserve(kLongText + input.size());
    while (longText.size() < kLongText) longText += input;
    const auto start = std::chrono::steady_clock::now();
    const kw::CommandLineParts parts = kw::SplitCommandLine(longText);
    KW_FUZZ_CHECK(parts.path.size() + parts.arguments.size() <= longText.size());
    KW_FUZZ_CHECK(kw::GetDelimitedToken(longText, 1 << 30).empty());
    KW_FUZZ_CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
  }
  return 0;
}
