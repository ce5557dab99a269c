// Throughput of the value codec on typical entry values, and of the command-line split.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "SystemBench.h"
#include "entries/unitSysWorks.h"
#include "persist/unitDataStreaming.h"

namespace kw::bench {

namespace {

template <typename Fn>
double NanosecondsPerCall(Fn fn, int calls) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) fn(i);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::nano>(elapsed).count() / calls;
}

// The values one entry stores, as a scan leaves them.
std::vector<std::string> EntryValues(int i) {
  const std::string n = std::to_string(i);
  return {"Bench Run " + n,
          "C:\\Program Files\\Example Audio\\mixer" + n + ".exe",
          " /tray /id " + n,
          "\"C:\\Program Files\\Example Audio\\mixer" + n + ".exe\" /tray /id " + n,
          "TRUE",
          n,
          "1",
          "5.1.2600." + n,
          "Example Audio",
          "Sound Mixer Pro",
          "Mixer tray icon\r\nwith a second line",
          "%ProgramFiles%"};
}

// Command lines of the forms a scan meets.
std::string CommandLine(int i) {
  const std::string n = std::to_string(i);
  switch (i % 6) {
    case 0: return "\"C:\\Program Files\\App " + n + "\\app.exe\" -min";
    case 1: return "C:\\WINDOWS\\system32\\ctfmon" + n + ".exe /n";
    case 2: return "C:\\Program Files\\App\\app" + n + ".exe /log C:\\temp\\a.log";
    case 3: return "rundll32.exe shell32.dll,Control_RunDLL desk" + n + ".cpl";
    case 4: return "\"C:\\Tools\\tool" + n + ".exe\" ";
    default: return "tool" + n + ".exe";
  }
}

}  // namespace

void RunCodecBench(ResultTable& table, bool quick) {
  const std::vector<std::string> plain = {
      "\"C:\\Program Files\\Example Audio\\mixer.exe\" /tray",  // a command line: stored as it is
      "Sound Mixer Pro 2.1",                                     // a version string
      "%ProgramFiles%",                                          // quoted with %
      "line one\r\nline two\twith a tab",                        // control characters
  };
  std::vector<std::string> stored;
  for (const auto& p : plain) stored.push_back(EncodeValue(p));

  const int calls = quick ? 100'000 : 2'000'000;
  size_t sink = 0;
  std::printf("%-44s %12s %12s\n", "value", "encode ns", "decode ns");
  for (size_t v = 0; v < plain.size(); ++v) {
    const double enc = NanosecondsPerCall([&](int) { sink += EncodeValue(plain[v]).size(); }, calls);
    const double dec = NanosecondsPerCall([&](int) { sink += DecodeValue(stored[v]).size(); }, calls);
    std::string shown = plain[v].substr(0, 40);
    for (char& c : shown)
      if (static_cast<unsigned char>(c) < 32) c = '.';
    std::printf("%-44s %12.1f %12.1f\n", shown.c_str(), enc, dec);
  }
  const double split = NanosecondsPerCall([&](int i) { sink += SplitCommandLine(CommandLine(i % 60)).path.size(); },
                                          calls / 4);
  std::printf("%-44s %12.1f\n", "SplitCommandLine, six forms (ns per call)", split);

  // Batches of entries, so that the costs grow with the entries as the other rows do.
  const int runs = quick ? 3 : 21;
  for (int entries : {100, 1000}) {
    std::vector<std::vector<std::string>> values;
    std::vector<std::string> commandLines;
    for (int i = 0; i < entries; ++i) {
      values.push_back(EntryValues(i));
      commandLines.push_back(CommandLine(i));
    }
    table.Add("value codec: encode and decode an entry's values", entries, MedianMs(runs, [&] {
                for (const auto& entry : values)
                  for (const std::string& value : entry) sink += DecodeValue(EncodeValue(value)).size();
              }));
    table.Add("SplitCommandLine", entries, MedianMs(runs, [&] {
                for (const std::string& commandLine : commandLines) {
                  const CommandLineParts parts = SplitCommandLine(commandLine);
                  sink += parts.path.size() + parts.arguments.size();
                }
              }));
  }
  if (sink == 0) std::printf("(nothing was measured)\n");
}

}  // namespace kw::bench
