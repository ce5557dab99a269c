#pragma once
// What the fuzz targets share: a check that stops the run, so that libFuzzer keeps the input
// that broke it, and the text of an input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Aborts with the condition and its place when it does not hold.
#define KW_FUZZ_CHECK(condition)                                                                     \
  do {                                                                                               \
    if (!(condition)) {                                                                              \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);      \
      std::abort();                                                                                  \
    }                                                                                                \
  } while (0)

namespace kw::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace kw::fuzz
