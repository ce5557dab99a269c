#include <gtest/gtest.h>

#include <random>

#include "persist/unitDataStreaming.h"

namespace kw {
namespace {

using namespace std::string_literals;

TEST(ValueCodec, StoredFormsOfTheReferenceTable) {
  const std::pair<std::string, std::string> table[] = {
      {"", ""},
      {"abc", "abc"},
      {"50%", "50%"},
      {"%TEMP%", "%%%TEMP%%%"},
      {"%", "%%%%"},
      {"a\tb", "%a%09b%"},
      {"\r\n", "%%0D%0A%"},
      {"x\0y"s, "%x=>%01NULL%01<=y%"},
      {"%TEMP", "%TEMP"},
      {"\x1F", "%%1F%"},
      {"caf\xC3\xA9 \x7F", "caf\xC3\xA9 \x7F"},
      {"a=b", "a=b"},
  };
  for (const auto& [plain, stored] : table) {
    EXPECT_EQ(EncodeValue(plain), stored) << "encoding " << plain;
    EXPECT_EQ(DecodeValue(stored), plain) << "decoding " << stored;
  }
}

TEST(ValueCodec, ForeignStoredFormsDecodeLeniently) {
  EXPECT_EQ(DecodeValue("%SystemRoot%"), "SystemRoot");  // quoted, but not by the encoder
  EXPECT_EQ(DecodeValue("%a%zz%"), "a%zz");              // a lone % is a literal percent sign
  EXPECT_EQ(DecodeValue("%a%4%"), "a%4");
  EXPECT_EQ(DecodeValue("%a%%"), "a%");
  EXPECT_EQ(DecodeValue("%%"), "");
  EXPECT_EQ(DecodeValue("%"), "");
  EXPECT_EQ(DecodeValue("%0a%"), "0a");
  EXPECT_EQ(DecodeValue("%%0a%"), "\n");  // hexadecimal digits in either case
  // An escaped NUL or percent sign stands for its character and does not end the value.
  EXPECT_EQ(DecodeValue("%a%00b%"), "a\0b"s);
  EXPECT_EQ(DecodeValue("%a%25b%"), "a%b");
  // NullMarker text in a value comes back as one NUL.
  EXPECT_EQ(DecodeValue(EncodeValue("a=>\x01NULL\x01<=b")), "a\0b"s);
}

// Values built from every byte and from the codec's own special texts.
std::string RandomValue(std::mt19937& rng) {
  static const std::string pieces[] = {"%", "%%", "=", "=>", "<=", "NULL", "\x01", "0A", "ff", "\r\n", " "};
  std::uniform_int_distribution<int> length(0, 12), kind(0, 3), byte(0, 255), piece(0, 10);
  std::string value;
  for (int n = length(rng); n > 0; --n) {
    if (kind(rng) == 0) {
      value += pieces[piece(rng)];
    } else {
      value += static_cast<char>(byte(rng));
    }
  }
  return value;
}

TEST(ValueCodec, DecodingUndoesEncodingAndStoredFormsHoldNoControlCharacters) {
  std::mt19937 rng(20261208);
  int checked = 0;
  for (int i = 0; i < 200000; ++i) {
    const std::string plain = RandomValue(rng);
    if (plain.find(NullMarker) != std::string::npos) continue;
    const std::string stored = EncodeValue(plain);
    ASSERT_EQ(DecodeValue(stored), plain) << "stored as " << stored;
    for (char c : stored) ASSERT_GE(static_cast<unsigned char>(c), 32u) << "in " << stored;
    if (stored == plain) {
      ASSERT_EQ(DecodeValue(plain), plain);
    }
    ++checked;
  }
  EXPECT_GT(checked, 150000);
}

TEST(ValueCodec, EveryByteAloneAndInsideTextRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const std::string c(1, static_cast<char>(b));
    for (const std::string& plain : {c, "a" + c + "b", c + c, "%" + c, c + "%", "%" + c + "%"}) {
      const std::string stored = EncodeValue(plain);
      EXPECT_EQ(DecodeValue(stored), plain) << "byte " << b;
      for (char s : stored) EXPECT_GE(static_cast<unsigned char>(s), 32u) << "byte " << b;
    }
  }
}

}  // namespace
}  // namespace kw
