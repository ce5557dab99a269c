// The benchmarks on the in-memory platform: program files with version resources and icons,
// two Startup folders, the registry, and the main window's behaviour on a view without a
// window. Run by scripts/bench; "--quick" and "--only=GROUP" as SystemBench.h says.
#include <cstdio>
#include <set>

#include "BenchSupport.h"
#include "SystemBench.h"
#include "platform/memory/MemoryIcons.h"
#include "platform/memory/MemoryPlatform.h"

namespace kw::bench {
namespace {

class MemoryBenchSystem : public BenchSystem {
 public:
  MemoryBenchSystem() {
    fakes_.folders.folders[kCsidlStartup] = "C:\\Users\\bench\\Start Menu\\Programs\\Startup";
    fakes_.folders.folders[kCsidlCommonStartup] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";
    fakes_.files.AddDirectory(fakes_.folders.folders[kCsidlStartup]);
    fakes_.files.AddDirectory(fakes_.folders.folders[kCsidlCommonStartup]);
    view_.form = &form_;
  }

  Platform& platform() override { return platform_; }
  MemoryTaskScheduler& Tasks() override { return fakes_.tasks; }
  TfrmMain& Form() override { return form_; }
  MainView& View() override { return view_; }
  TAppList& Apps() override { return apps_; }
  std::string ViewName() override { return "in-memory platform, TfrmMain on a view without a window"; }

  std::string Program(int number) override {
    char path[96];
    std::snprintf(path, sizeof path, "C:\\Program Files\\Bench\\prog%04d.exe", number);
    if (!made_.insert(path).second) return path;
    fakes_.files.AddFile(path, "MZ");
    fakes_.versions.Add(path, 0x0409, 0x04B0,
                        {{"FileVersion", "1.0." + std::to_string(number)},
                         {"CompanyName", "Bench Software"},
                         {"ProductName", "Bench Program " + std::to_string(number)},
                         {"FileDescription", "A program started at logon"},
                         {"Comments", "Made for the benchmark"}});
    fakes_.icons.AddFileIcon(path);
    return path;
  }
  std::string NewFolder(const std::string& name) override {
    const std::string path = "C:\\Program Files\\Bench\\" + name;
    fakes_.files.AddDirectory(path);
    return path;
  }
  std::unique_ptr<ImageList> NewImageList() override { return std::make_unique<MemoryImageList>(); }

 private:
  MemoryPlatform fakes_;
  Platform platform_ = fakes_.platform();
  TAppList apps_;
  MemoryImageList images_;
  HeadlessView view_{images_};
  TfrmMain form_{platform_, apps_, view_, ProgramValues{}};
  std::set<std::string> made_;
};

}  // namespace
}  // namespace kw::bench

int main(int argc, char** argv) {
  const kw::bench::BenchOptions options = kw::bench::ParseOptions(argc, argv);
  kw::bench::ResultTable table;
  std::printf("Native (Linux), Release build\n");
  if (options.only.empty() || options.only == "codec") kw::bench::RunCodecBench(table, options.quick);
  kw::bench::MemoryBenchSystem system;
  const bool ok = kw::bench::RunSystemBench(system, table, options);
  table.Print("Native: " + system.ViewName(), 11.0);
  return ok ? 0 : 1;
}
