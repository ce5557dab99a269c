// Throughput of the value codec on typical entry values. Run by scripts/bench.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "persist/unitDataStreaming.h"

namespace {

template <typename Fn>
double NanosecondsPerCall(Fn fn, int calls) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) fn(i);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::nano>(elapsed).count() / calls;
}

}  // namespace

int main() {
  const std::vector<std::string> plain = {
      "\"C:\\Program Files\\Example Audio\\mixer.exe\" /tray",  // a command line: stored as it is
      "Sound Mixer Pro 2.1",                                     // a version string
      "%ProgramFiles%",                                          // quoted with %
      "line one\r\nline two\twith a tab",                        // control characters
  };
  std::vector<std::string> stored;
  for (const auto& p : plain) stored.push_back(kw::EncodeValue(p));

  constexpr int kCalls = 2'000'000;
  size_t sink = 0;
  std::printf("%-44s %12s %12s\n", "value", "encode ns", "decode ns");
  for (size_t v = 0; v < plain.size(); ++v) {
    const double enc = NanosecondsPerCall([&](int) { sink += kw::EncodeValue(plain[v]).size(); }, kCalls);
    const double dec = NanosecondsPerCall([&](int) { sink += kw::DecodeValue(stored[v]).size(); }, kCalls);
    std::string shown = plain[v].substr(0, 40);
    for (char& c : shown)
      if (static_cast<unsigned char>(c) < 32) c = '.';
    std::printf("%-44s %12.1f %12.1f\n", shown.c_str(), enc, dec);
  }
  return sink == 0;  // keeps the calls from being optimised away
}
