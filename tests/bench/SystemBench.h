#pragma once
// The benchmark of a refresh, of disabling and enabling, of the store and of a scan, run
// against any platform: the in-memory one natively, the real one under Wine.
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/unitMain.h"
#include "entries/unitAppList.h"
#include "platform/Platform.h"
#include "platform/memory/MemoryTaskScheduler.h"

namespace kw::bench {

// The system a benchmark runs on, and the main window it measures.
class BenchSystem {
 public:
  virtual ~BenchSystem() = default;
  virtual Platform& platform() = 0;
  // The scheduled tasks of platform(), in memory on every system.
  virtual MemoryTaskScheduler& Tasks() = 0;
  // The main window's behaviour on the view being measured, and its entry list.
  virtual TfrmMain& Form() = 0;
  virtual MainView& View() = 0;
  virtual TAppList& Apps() = 0;
  // What the measured view is, for the table's title.
  virtual std::string ViewName() = 0;
  // The same behaviour on a view without a window, when the measured view is a window; it
  // shows what the list view adds to a refresh.
  virtual TfrmMain* HeadlessForm() { return nullptr; }
  virtual TAppList* HeadlessApps() { return nullptr; }
  // Lets the window catch up with what a refresh changed (painting); timed with the refresh.
  virtual void Settle() {}
  // Paints what a refresh changed, and nothing else: the messages waiting (the files read
  // meanwhile) wait on.
  virtual void Paint() {}
  // A program file with a version resource and an icon; each number names a file of its own.
  virtual std::string Program(int number) = 0;
  // A new, empty folder of that name beside the program files (a package's install folder).
  virtual std::string NewFolder(const std::string& name) = 0;
  // An image list like the window's, for a scan measured without a window.
  virtual std::unique_ptr<ImageList> NewImageList() = 0;
  // Pumps the window's messages until the icons and version strings that a refresh reads
  // after listing have all arrived; false when they did not within a minute. A view without
  // a window has them all when the refresh returns.
  virtual bool WaitUntilEverythingRead() { return true; }
  // Starts the program itself and times it until its list shows all entries; negative when
  // this system cannot run the program. failure says why a start did not list them.
  virtual double StartToFullListMs(int /*entries*/, std::string& /*failure*/) { return -1; }
  // What a refresh reads and shows, done straight through the system's own calls, with no
  // layer of ours between: the number of entries listed with an icon and version strings;
  // negative when this system has no such calls.
  virtual int ReadStraightThrough() { return -1; }
  // A signed program file of about 1 MB, a file of its own for each number; empty where this
  // system has no signed sample.
  virtual std::string SignedProgram(int /*number*/) { return ""; }
  // Marks the file as written now, so that a signature checked before is checked again.
  virtual void Touch(const std::string& /*path*/) {}
  // The signatures of these files checked straight through the system's own call, with no
  // layer of ours between: how many are valid; negative when this system has no such call.
  virtual int VerifyStraightThrough(const std::vector<std::string>& /*paths*/) { return -1; }
};

// "--quick": each measurement once. "--only=GROUP": one group of measurements (refresh,
// shared, headless, steps, disable, store, scan, console, reading, packages, tasks, signatures,
// codec).
struct BenchOptions {
  bool quick = false;
  std::string only;
};
BenchOptions ParseOptions(int argc, char** argv);

// Runs the measurements into table. False when a run did not find what it seeded (the
// numbers would then measure something else).
bool RunSystemBench(BenchSystem& system, ResultTable& table, const BenchOptions& options);

// Throughput of the value codec and of the command-line split, per value (the codec's own
// table) and per batch of entries (rows of table).
void RunCodecBench(ResultTable& table, bool quick);

}  // namespace kw::bench
