// Inputs with which the fuzz targets of tests/fuzz found faults, kept as plain tests. (The
// store's finding, a value that is not text hiding the entries after it, is in
// HostileInputTest.cpp, through the main window.)
#include <gtest/gtest.h>

#include <algorithm>

#include "persist/unitDataStreaming.h"

namespace kw {
namespace {

using namespace std::string_literals;

// A NUL right behind the NullMarker's text without its last "=": written as a NullMarker, its
// "=" completed a NullMarker that began in the value, and the value read back changed.
TEST(FuzzRegression, ANulBehindTheOpeningOfANullMarkerReadsBack) {
  const std::string open = "=>\x01NULL\x01<";
  for (const std::string& plain : {"\x06\0\0\0=>\x01NULL\x01<\0"s,  // as the fuzzer found it
                                   open + "\0"s, open + "\0\0"s, "a" + open + "\0b"s + open + "\0"s,
                                   "\0>\x01NULL\x01<\0"s, "%" + open + "\0%"s}) {
    SCOPED_TRACE(::testing::PrintToString(plain));
    const std::string stored = EncodeValue(plain);
    EXPECT_EQ(DecodeValue(stored), plain);
    EXPECT_TRUE(std::none_of(stored.begin(), stored.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }));
  }
  // Only there does a NUL take the escape; everywhere else it is still a NullMarker.
  EXPECT_EQ(EncodeValue(open + "\0"s), "%=>%01NULL%01<%00%");
  EXPECT_EQ(EncodeValue("x\0y"s), "%x=>%01NULL%01<=y%");
  EXPECT_EQ(EncodeValue("\0>\x01NULL\x01<\0"s), "%=>%01NULL%01<=>%01NULL%01<=>%01NULL%01<=%");
}

}  // namespace
}  // namespace kw
