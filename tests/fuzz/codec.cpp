// The value codec. The input is taken both as a plain value (encoded, then decoded again) and
// as a stored form read from a hand-edited store (decoded).
#include <algorithm>
#include <string>

#include "FuzzCheck.h"
#include "persist/unitDataStreaming.h"

namespace {

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 32; });
}

bool QuotedWithPercent(std::string_view text) { return !text.empty() && text.front() == '%' && text.back() == '%'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = kw::fuzz::AsText(data, size);

  // As a stored form: every escape gives at most one character, and a NullMarker shrinks to one.
  const std::string decoded = kw::DecodeValue(input);
  KW_FUZZ_CHECK(decoded.size() <= input.size());
  if (!QuotedWithPercent(input)) KW_FUZZ_CHECK(decoded == input);

  // As a plain value: the stored form fits on one line of a NUL-terminated string, is empty
  // only for the empty value, and grows at most by the NullMarker's escaped form per byte.
  const std::string stored = kw::EncodeValue(input);
  KW_FUZZ_CHECK(!HasControl(stored));
  KW_FUZZ_CHECK(stored.empty() == input.empty());
  KW_FUZZ_CHECK(stored.size() <= 14 * input.size() + 2);
  if (!HasControl(input) && !QuotedWithPercent(input)) {
    KW_FUZZ_CHECK(stored == input);
    KW_FUZZ_CHECK(decoded == input);
  } else {
    KW_FUZZ_CHECK(QuotedWithPercent(stored) && stored.size() >= 2);
  }
  // A value that holds the NullMarker's text reads back with a NUL in its place, by design.
  if (input.find(kw::NullMarker) == std::string_view::npos) KW_FUZZ_CHECK(kw::DecodeValue(stored) == input);
  return 0;
}
