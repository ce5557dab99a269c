// The system benchmark: the system is seeded with entries (half registry values, half
// shortcuts, spread over the Run, RunOnce and policy keys of both hives and both Startup
// folders, plus a store of disabled entries a tenth as large), then a refresh, a disable and an enable, the store and a bare scan are timed.
#include "SystemBench.h"

#include <cstdio>
#include <sstream>

#include "StoreAppSeed.h"
#include "TaskFixtures.h"
#include "console/unitConsole.h"
#include "entries/unitAppListState.h"
#include "entries/unitScheduledTasks.h"
#include "entries/unitStoreApps.h"
#include "entries/unitSysWorks.h"
#include "entries/unitVerifiedPublisher.h"
#include "util/unitDiskUtils.h"
#include "util/unitStrUtils.h"

namespace kw::bench {

namespace {

std::string Numbered(const char* prefix, int number) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %04d", prefix, number);
  return text;
}

std::string Folder(Platform& platform, int csidl) { return GetSpecialFolderPath(platform.folders, csidl); }

// The view an entry of that origin is written in: the machine's policy in the 64-bit one, where
// it is read; everything else in the program's own.
RegView SeedView(int origin) { return origin == orPolicyCommon ? RegView::Bits64 : RegView::Native; }

// The registry origins in the order the seeded values take them: Run, RunOnce, policy.
constexpr int kMachineKeys[] = {orRegistryCommon, orRunOnceCommon, orPolicyCommon};
constexpr int kUserKeys[] = {orRegistryUser, orRunOnceUser, orPolicyUser};

// The names of the packages the benchmark installs begin with this.
constexpr const char* kBenchPackage = "Bench.App";

// No registry values in the places listed, no files in the Startup folders, no store, none of
// the benchmark's packages.
void Clean(Platform& platform) {
  for (const int origin : {orRegistryCommon, orRunOnceCommon, orPolicyCommon, orRegistryUser, orRunOnceUser, orPolicyUser}) {
    TRegistry reg(platform.registry, RegistryRootOf(origin), SeedView(origin));
    if (reg.OpenKey(RegistryKeyOf(origin), false))
      for (const std::string& name : reg.GetValueNames()) reg.DeleteValue(name);
  }
  StoreRegistry(platform.registry).DeleteKey(kDisabledAppsKey);
  TRegistry packages(platform.registry, kHkeyCurrentUser, RegView::Bits64);
  if (packages.OpenKeyReadOnly(kPackageRepositoryKey))
    for (const std::string& name : packages.GetKeyNames())
      if (name.rfind(kBenchPackage, 0) == 0) {
        TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64).DeleteKey(std::string(kPackageRepositoryKey) + "\\" + name);
        TRegistry(platform.registry, kHkeyCurrentUser, RegView::Bits64)
            .DeleteKey(std::string(kPackageAppDataKey) + "\\" + PackageFamilyName(name));
      }
  for (int csidl : {kCsidlCommonStartup, kCsidlStartup})
    for (const std::string& file : ListFiles(platform.files, Folder(platform, csidl) + "\\*"))
      platform.files.RemoveFile(file);
}

// Where the seeded entries go.
struct Layout {
  int runMachine, runUser, linkCommon, linkUser, stored;
  int Active() const { return runMachine + runUser + linkCommon + linkUser; }
  int Listed() const { return Active() + stored; }
};

Layout LayoutFor(int active, int stored) {
  const int runs = active / 2, links = active - runs;
  return Layout{runs / 2, runs - runs / 2, links / 2, links - links / 2, stored};
}

// Entry number i of a layout: registry values first (machine, then user; every fourth in the
// RunOnce key and every fourth in the policy key), then shortcuts (common, then user), then
// the stored ones.
struct Seeded {
  std::string caption;  // as listed
  int origin;
};

// The numbers of the programs that entries share, apart from the others.
constexpr int kSharedPrograms = 90000;

class Seeder {
 public:
  Seeder(BenchSystem& system, bool shared) : system_(system), platform_(system.platform()), shared_(shared) {}

  // Shared: eight programs that every entry starts in turn.
  std::string ProgramOf(int i) { return system_.Program(shared_ ? kSharedPrograms + i % 8 : i); }

  Seeded Entry(const Layout& layout, int i) {
    const int key = i % 4 == 2 ? 1 : i % 4 == 3 ? 2 : 0;  // Run, RunOnce, policy
    if (i < layout.runMachine) return {Numbered("Bench Run", i), kMachineKeys[key]};
    if (i < layout.runMachine + layout.runUser) return {Numbered("Bench Run", i), kUserKeys[key]};
    const int origin = i < layout.runMachine + layout.runUser + layout.linkCommon ? orStartupCommon : orStartupUser;
    return {ExtractFileName(ProgramOf(i)), origin};
  }

  bool Seed(const Layout& layout) {
    Clean(platform_);
    const std::string common = Folder(platform_, kCsidlCommonStartup), user = Folder(platform_, kCsidlStartup);
    for (int i = 0; i < layout.Active(); ++i) {
      const Seeded entry = Entry(layout, i);
      const std::string program = ProgramOf(i);
      if (IsRegistryOrigin(entry.origin)) {
        TRegistry reg(platform_.registry, RegistryRootOf(entry.origin), SeedView(entry.origin));
        if (!reg.OpenKey(RegistryKeyOf(entry.origin), true)) return false;
        reg.WriteString(entry.caption, "\"" + program + "\" /bench " + std::to_string(i));
      } else {
        const std::string folder = entry.origin == orStartupCommon ? common : user;
        const LinkData link{program, "-x " + std::to_string(i), kSwShowNormal, folder + "\\"};
        if (platform_.links.Write(folder + "\\" + Numbered("Bench Link", i) + ".lnk", link) != LinkWriteResult::Written)
          return false;
      }
    }
    // The stored entries are made as a disable makes them: found, then saved.
    TAppList stored;
    for (int k = 0; k < layout.stored; ++k) {
      const int i = layout.Active() + k;
      TAppItem& entry = stored.Add();
      const bool shortcut = k % 2 == 1;
      entry.SetOrigin(shortcut ? orStartupUser : orRegistryUser);
      entry.SetEnabled(true);
      entry.SetCommandLine("\"" + ProgramOf(i) + "\" /stored", platform_.versions);
      if (shortcut) {
        entry.SetCaption(ExtractFileName(entry.FullPath()));
        entry.SetShowCmd(kSwShowNormal);
        entry.SetLinkFile(user + "\\" + Numbered("Bench Stored", i) + ".lnk");
      } else {
        entry.SetCaption(Numbered("Bench Stored", i));
      }
      entry.SetEnabled(false);
    }
    return SaveDisabledApps(stored, platform_);
  }

 private:
  BenchSystem& system_;
  Platform& platform_;
  bool shared_;
};

int FindEntry(TAppList& apps, const std::string& caption, bool enabled) {
  for (int i = 0; i < apps.Count(); ++i) {
    TAppItem& entry = apps.GetItem(i);
    if (entry.Enabled() == enabled && entry.Caption() == caption) return i;
  }
  return -1;
}

// What a refresh found: every seeded entry, each with its icon and version strings.
bool CheckListed(TAppList& apps, const Layout& layout, const std::string& what, ResultTable& table) {
  int icons = 0, versions = 0, disabled = 0;
  for (int i = 0; i < apps.Count(); ++i) {
    TAppItem& entry = apps.GetItem(i);
    if (entry.ImageIndex() >= 0) ++icons;
    if (!GetOptionString(entry, keys::FileVersion).empty()) ++versions;
    if (!entry.Enabled()) ++disabled;
  }
  const bool ok = apps.Count() == layout.Listed() && disabled == layout.stored && icons == apps.Count() &&
                  versions == apps.Count();
  if (!ok) {
    char text[256];
    std::snprintf(text, sizeof text, "FAILED %s: listed %d of %d (%d of %d disabled), %d icons, %d version strings",
                  what.c_str(), apps.Count(), layout.Listed(), disabled, layout.stored, icons, versions);
    table.Note(text);
  }
  return ok;
}

class Runner {
 public:
  Runner(BenchSystem& system, ResultTable& table, bool quick)
      : system_(system), platform_(system.platform()), table_(table), quick_(quick) {}

  bool ok = true;

  int Runs(int entries) const { return quick_ ? 1 : entries >= 1000 ? 3 : 7; }

  void Refresh(const std::string& what, int active, bool shared, TfrmMain& form, TAppList& apps, bool settle) {
    const Layout layout = LayoutFor(active, active / 10);
    Seeder seeder(system_, shared);
    if (!seeder.Seed(layout)) return Fail(what + ": seeding");
    auto refresh = [&] {
      form.actRefreshExecute();
      if (settle) system_.Settle();
    };
    refresh();  // the first one after seeding also warms the file cache
    if (settle) system_.WaitUntilEverythingRead();
    if (!CheckListed(apps, layout, what, table_)) return Fail();
    table_.Add(what, layout.Listed(), MedianMs(Runs(active), refresh));
  }

  // The console's list of the same entries as JSON, beside the window's refresh of them.
  void ConsoleList(int active) {
    const Layout layout = LayoutFor(active, active / 10);
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("console list: seeding");
    std::ostringstream out, errors;
    console::Host host(out, errors);
    int code = 0;
    const auto list = [&] {
      out.str("");
      code = console::Run({"list", "--format", "json"}, platform_, host);
    };
    list();  // warms the file cache, as the first refresh does
    const double ms = MedianMs(Runs(active), list);
    if (code != console::kExitDone) return Fail("console list: exit code " + std::to_string(code) + " " + errors.str());
    table_.Add("console list --format json", layout.Listed(), ms);
  }

  // Unticks an active entry and ticks it again, each through the action, which refreshes.
  void DisableEnable(int active) {
    const Layout layout = LayoutFor(active, active / 10);
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("disable/enable: seeding");
    TfrmMain& form = system_.Form();
    TAppList& apps = system_.Apps();
    form.actRefreshExecute();
    system_.Settle();
    // A user Run value, a user shortcut, a machine Run value, ...
    const int picks[] = {layout.runMachine, layout.runMachine + layout.runUser + layout.linkCommon, 0,
                         layout.runMachine + layout.runUser};
    std::vector<double> disables, enables;
    double spent = 0;
    for (int run = 0; run < Runs(active) || (spent < 500 && run < 51); ++run) {
      const std::string caption = seeder.Entry(layout, picks[run % 4]).caption;
      int index = FindEntry(apps, caption, true);
      if (index < 0) return Fail("disable: no active " + caption);
      system_.View().SelectItem(index);
      disables.push_back(TimeMs([&] {
        form.actDisableAppExecute();
        system_.Settle();
      }));
      index = FindEntry(apps, caption, false);
      if (index < 0 || FindEntry(apps, caption, true) >= 0 || apps.Count() != layout.Listed())
        return Fail("disable did not move " + caption + " to the store");
      system_.View().SelectItem(index);
      enables.push_back(TimeMs([&] {
        form.actEnableAppExecute();
        system_.Settle();
      }));
      if (FindEntry(apps, caption, true) < 0 || FindEntry(apps, caption, false) >= 0 || apps.Count() != layout.Listed())
        return Fail("enable did not put " + caption + " back");
      spent += disables.back() + enables.back();
    }
    table_.Add("disable one entry (action, with its refresh)", layout.Listed(), Median(disables));
    table_.Add("enable one entry (action, with its refresh)", layout.Listed(), Median(enables));
  }

  void Store(int count) {
    Clean(platform_);
    Seeder seeder(system_, false);
    TAppList list;
    for (int i = 0; i < count; ++i) {
      TAppItem& entry = list.Add();
      const bool shortcut = i % 2 == 1;
      entry.SetOrigin(shortcut ? orStartupUser : orRegistryUser);
      entry.SetCommandLine("\"" + seeder.ProgramOf(i) + "\" /stored " + std::to_string(i), platform_.versions);
      entry.SetCaption(shortcut ? ExtractFileName(entry.FullPath()) : Numbered("Bench Stored", i));
      if (shortcut) {
        entry.SetShowCmd(kSwShowNormal);
        entry.SetLinkFile(Folder(platform_, kCsidlStartup) + "\\" + Numbered("Bench Stored", i) + ".lnk");
      }
      entry.SetEnabled(false);
    }
    bool saved = true;
    const auto dropStore = [&] { StoreRegistry(platform_.registry).DeleteKey(kDisabledAppsKey); };
    const auto save = [&] { saved = SaveDisabledApps(list, platform_) && saved; };
    table_.Add("store save into an empty store", count, MedianMs(Runs(count), save, dropStore));
    table_.Add("store save over the same entries", count, MedianMs(Runs(count), save));
    int loaded = 0;
    table_.Add("store load", count, MedianMs(Runs(count), [&] {
                 TAppList into;
                 LoadDisabledApps(into, platform_);
                 loaded = into.Count();
               }));
    if (!saved || loaded != count) Fail("store: saved " + std::string(saved ? "" : "not ") + "all, loaded " +
                                        std::to_string(loaded) + " of " + std::to_string(count));
  }

  // Where a refresh's time goes: its steps one by one, then the whole refresh; what the
  // steps do not explain is the list view's fill (and its painting).
  void Phases(int active) {
    const Layout layout = LayoutFor(active, active / 10);
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("phases: seeding");
    const std::unique_ptr<ImageList> images = system_.NewImageList();
    TAppList list;
    std::vector<double> runKeys, folders, store, icons;
    const auto steps = [&] {
      list.Clear();
      runKeys.push_back(TimeMs([&] {
        ScanRunKey(list, platform_, kHkeyLocalMachine, kRunKeyPath);
        ScanRunKey(list, platform_, kHkeyCurrentUser, kRunKeyPath);
        ScanRunOnceAndPolicyKeys(list, platform_);
      }));
      folders.push_back(TimeMs([&] {
        ScanStartupFolder(list, platform_, kCsidlCommonStartup);
        ScanStartupFolder(list, platform_, kCsidlStartup);
      }));
      store.push_back(TimeMs([&] { LoadDisabledApps(list, platform_); }));
      icons.push_back(TimeMs([&] {
        images->Clear();
        list.LoadIcons(platform_.icons, *images);
      }));
    };
    steps();  // warms the file cache
    MedianMs(Runs(active), steps);
    runKeys.erase(runKeys.begin());
    folders.erase(folders.begin());
    store.erase(store.begin());
    icons.erase(icons.begin());
    if (!CheckListed(list, layout, "refresh steps", table_)) return Fail();
    system_.Form().actRefreshExecute();
    system_.Settle();
    const double whole = MedianMs(Runs(active), [&] {
      system_.Form().actRefreshExecute();
      system_.Settle();
    });
    const int listed = layout.Listed();
    const double parts = Median(runKeys) + Median(folders) + Median(store) + Median(icons);
    table_.Add("  step: registry keys, with version strings", listed, Median(runKeys));
    table_.Add("  step: Startup folders, with version strings", listed, Median(folders));
    table_.Add("  step: store load", listed, Median(store));
    table_.Add("  step: icons", listed, Median(icons));
    table_.Add("  rest: list view fill (whole refresh - steps)", listed, std::max(0.0, whole - parts));
  }

  // A refresh that shows the list first and reads icons and version strings afterwards: the
  // program's start to its full list, a refresh to the full list and to everything read, and
  // the same reading done straight through the system, which no refresh can beat.
  void Reading(int active) {
    const Layout layout = LayoutFor(active, 0);
    const int listed = layout.Listed();
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("reading: seeding");
    TfrmMain& form = system_.Form();
    bool read = true;
    const auto refresh = [&] {
      form.actRefreshExecute();
      system_.Paint();
    };
    const auto readAll = [&] { read = system_.WaitUntilEverythingRead() && read; };
    refresh();  // warms the file cache
    readAll();
    if (!read) return Fail("reading: icons and version strings still missing a minute after a refresh");
    if (!CheckListed(system_.Apps(), layout, "reading", table_)) return Fail();

    std::vector<double> starts;
    std::string failure;
    for (int run = 0; run < (quick_ ? 1 : 3); ++run) {
      const double ms = system_.StartToFullListMs(listed, failure);
      if (ms < 0 || !failure.empty()) break;
      starts.push_back(ms);
    }
    if (!failure.empty()) {
      Fail("start to full list: " + failure);
      starts.clear();
    } else if (!starts.empty()) {
      table_.Add("start to full list (Kelderwick.exe)", listed, Median(starts));
    }

    // Each timed refresh starts when the previous one has read everything.
    int shown = 0;
    const double full = MedianMs(Runs(active), [&] {
      refresh();
      shown = system_.View().ItemCount();
    }, readAll);
    if (shown != listed)
      Fail("refresh to full list: " + std::to_string(shown) + " of " + std::to_string(listed) + " shown");
    table_.Add("refresh to full list", listed, full);

    const double everything = MedianMs(Runs(active), [&] {
      refresh();
      readAll();
    });
    if (!read) Fail("reading: icons and version strings still missing a minute after a refresh");
    if (!CheckListed(system_.Apps(), layout, "refresh to everything read", table_)) Fail();
    table_.Add("refresh to everything read", listed, everything);

    int straight = system_.ReadStraightThrough();
    double floor = -1;
    if (straight >= 0) {
      floor = MedianMs(Runs(active), [&] { straight = system_.ReadStraightThrough(); });
      if (straight != listed) Fail("floor: " + std::to_string(straight) + " of " + std::to_string(listed) +
                                   " listed with an icon and version strings");
      table_.Add("floor: same reading straight through Win32", listed, floor);
    }

    char text[256];
    std::string note = std::to_string(listed) + " entries:";
    if (floor > 0) {
      std::snprintf(text, sizeof text, " refresh to full list / floor %.2f, refresh to everything read / floor %.2f",
                    full / floor, everything / floor);
      note += text;
    }
    if (!starts.empty()) {
      const double budget = 300 + 0.3 * listed;
      std::snprintf(text, sizeof text, "%s start to full list %.0f ms / (300 ms + 0.3 ms per entry = %.0f ms) %.2f",
                    floor > 0 ? ";" : "", Median(starts), budget, Median(starts) / budget);
      note += text;
    }
    if (floor > 0 || !starts.empty()) table_.Note(note);
  }

  // A refresh with Store packages installed beside a few Run values: every package's manifest is
  // read, and a quarter of them declare a startup task (most packages declare none).
  void Packages(int count) {
    const Layout layout = LayoutFor(10, 0);
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("packages: seeding");
    int tasks = 0;
    for (int i = 0; i < count; ++i) {
      const std::string name = kBenchPackage + std::to_string(i), fullName = testing::PackageFullName(name);
      const std::string folder = system_.NewFolder(fullName);
      std::vector<testing::SeedTask> declared;
      if (i % 4 == 0)
        declared.push_back({"Startup" + std::to_string(++tasks), "Bench App " + std::to_string(i),
                            "..\\" + ExtractFileName(system_.Program(layout.Active() + i)), true});
      if (folder.empty() || !platform_.files.WriteWholeFile(folder + "\\AppxManifest.xml",
                                                            testing::PackageManifestXml(name, name, declared)))
        return Fail("packages: seeding");
      testing::RegisterPackage(platform_.registry, fullName, folder);
    }
    TimeTaskRefresh("Store packages", count, tasks, IsStoreAppTask);
  }

  // A refresh with tasks read off the window's thread: the list comes at once with the tasks
  // found before, and the rest is read meanwhile. Times both, once every expected task is listed.
  void TimeTaskRefresh(const std::string& what, int count, int expected, bool (*isTask)(const TAppItem&)) {
    TfrmMain& form = system_.Form();
    bool read = true;
    const auto refresh = [&] {
      form.actRefreshExecute();
      system_.Settle();
    };
    const auto refreshAndRead = [&] {
      refresh();
      read = system_.WaitUntilEverythingRead() && read;
    };
    refreshAndRead();
    int listed = 0;
    for (int i = 0; i < system_.Apps().Count(); ++i) listed += isTask(system_.Apps().GetItem(i));
    if (!read || listed != expected)
      return Fail(what + ": listed " + std::to_string(listed) + " of " + std::to_string(expected) + " tasks");
    table_.Add("refresh, 10 entries + " + what + ": list shown", count,
               MedianMs(Runs(count), refresh, [&] { system_.WaitUntilEverythingRead(); }));
    table_.Add("refresh, 10 entries + " + what + ": all read", count, MedianMs(Runs(count), refreshAndRead));
  }

  // A refresh of entries whose programs are signed files of 1 MB, each read whole to check its
  // signature: the time until every signature has arrived, beside the same checks made
  // straight through the system's own call.
  void Signatures(int count) {
    Seeder seeder(system_, false);
    if (!seeder.Seed(LayoutFor(0, 0))) return Fail("signatures: seeding");
    TRegistry reg(platform_.registry, kHkeyCurrentUser);
    if (!reg.OpenKey(kRunKeyPath, true)) return Fail("signatures: seeding");
    std::vector<std::string> programs;
    for (int i = 0; i < count; ++i) {
      programs.push_back(system_.SignedProgram(i));
      if (programs.back().empty()) return table_.Note("signatures: this system has no signed sample program");
      reg.WriteString(Numbered("Bench Signed", i), "\"" + programs.back() + "\" /bench");
    }
    TfrmMain& form = system_.Form();
    bool read = true;
    const auto refreshAndRead = [&] {
      form.actRefreshExecute();
      system_.Settle();
      read = system_.WaitUntilEverythingRead() && read;
    };
    refreshAndRead();
    int valid = 0;
    for (const std::string& program : programs)
      valid += CheckSignature(platform_.signatures, platform_.shell, platform_.files, program).state == SignatureState::Valid;
    if (!read || valid != count)
      return Fail("signatures: " + std::to_string(valid) + " of " + std::to_string(count) + " valid, " +
                  (read ? "all read" : "not all read within a minute"));
    const auto touchAll = [&] {
      for (const std::string& program : programs) system_.Touch(program);
    };
    const double everything = MedianMs(Runs(count), refreshAndRead, touchAll);
    table_.Add("refresh to every signature checked (1 MB signed programs, all changed)", count, everything);
    table_.Add("refresh to every signature checked (the same, unchanged since)", count,
               MedianMs(Runs(count), refreshAndRead));
    int direct = system_.VerifyStraightThrough(programs);
    if (direct < 0) return;
    const double floor = MedianMs(Runs(count), [&] { direct = system_.VerifyStraightThrough(programs); });
    if (direct != count) Fail("signatures floor: " + std::to_string(direct) + " of " + std::to_string(count) + " valid");
    table_.Add("floor: the same signatures checked straight through WinVerifyTrust", count, floor);
    char text[128];
    std::snprintf(text, sizeof text, "%d signed programs: refresh to every signature checked / floor %.2f", count,
                  everything / floor);
    table_.Note(text);
  }

  // A refresh with a machine's scheduled tasks beside a few Run values: a fifth of them start at
  // logon, the others on a schedule (as on a real machine, most of them Windows' own).
  void ScheduledTasks(int count) {
    const Layout layout = LayoutFor(10, 0);
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("tasks: seeding");
    MemoryTaskScheduler& tasks = system_.Tasks();
    tasks.tasks.clear();
    int logon = 0;
    for (int i = 0; i < count; ++i) {
      const bool starts = i % 5 == 0;
      logon += starts;
      const std::string folder = i % 3 == 0 ? "\\Vendor " + std::to_string(i % 7) : "\\Microsoft\\Windows\\Area " + std::to_string(i % 40);
      tasks.Add(testing::Task(folder + "\\" + Numbered("Bench Task", i),
                              testing::AsUtf16(testing::TaskXml(starts ? testing::LogonTrigger("", "PT30S") : testing::DailyTrigger(),
                                                                testing::ExecAction("\"" + system_.Program(layout.Active() + i) + "\"", "/bench")))));
    }
    TimeTaskRefresh("scheduled tasks", count, logon, IsScheduledTask);
    tasks.tasks.clear();
  }

  // The scans and the icons, without a store and without a list view.
  void Scan(int runs, int links) {
    const Layout layout{runs / 2, runs - runs / 2, links / 2, links - links / 2, 0};
    Seeder seeder(system_, false);
    if (!seeder.Seed(layout)) return Fail("scan: seeding");
    const std::unique_ptr<ImageList> images = system_.NewImageList();
    TAppList list;
    const auto scan = [&] {
      list.Clear();
      ScanRunKey(list, platform_, kHkeyLocalMachine, kRunKeyPath);
      ScanRunKey(list, platform_, kHkeyCurrentUser, kRunKeyPath);
      ScanStartupFolder(list, platform_, kCsidlCommonStartup);
      ScanStartupFolder(list, platform_, kCsidlStartup);
      ScanRunOnceAndPolicyKeys(list, platform_);
      images->Clear();
      list.LoadIcons(platform_.icons, *images);
    };
    scan();
    const std::string what = "scan " + std::to_string(runs) + " registry values + " + std::to_string(links) +
                             " shortcuts, icons";
    if (!CheckListed(list, layout, what, table_)) return Fail();
    table_.Add(what, layout.Listed(), MedianMs(Runs(layout.Listed()), scan));
  }

 private:
  static double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
  }
  void Fail(const std::string& text = {}) {
    ok = false;
    if (!text.empty()) table_.Note("FAILED " + text);
  }

  BenchSystem& system_;
  Platform& platform_;
  ResultTable& table_;
  bool quick_;
};

}  // namespace

bool RunSystemBench(BenchSystem& system, ResultTable& table, const BenchOptions& options) {
  Runner runner(system, table, options.quick);
  const auto wanted = [&](const char* group) { return options.only.empty() || options.only == group; };
  if (wanted("refresh"))
    for (int active : {10, 100, 1000})
      runner.Refresh("refresh", active, false, system.Form(), system.Apps(), true);
  if (wanted("shared"))
    for (int active : {100, 1000})
      runner.Refresh("refresh, entries sharing 8 program files", active, true, system.Form(), system.Apps(), true);
  if (TfrmMain* headless = system.HeadlessForm(); headless && wanted("headless"))
    for (int active : {100, 1000})
      runner.Refresh("refresh, view without a window", active, false, *headless, *system.HeadlessApps(), false);
  if (wanted("steps"))
    for (int active : {100, 1000}) runner.Phases(active);
  if (wanted("disable"))
    for (int active : {100, 1000}) runner.DisableEnable(active);
  if (wanted("store"))
    for (int count : {100, 1000}) runner.Store(count);
  if (wanted("scan")) runner.Scan(200, 200);
  if (wanted("reading"))
    for (int active : {20, 100, 200, 1000}) runner.Reading(active);
  if (wanted("console"))
    for (int active : {100, 1000}) runner.ConsoleList(active);
  if (wanted("packages"))
    for (int count : {10, 100}) runner.Packages(count);
  if (wanted("tasks"))
    for (int count : {30, 300}) runner.ScheduledTasks(count);
  if (wanted("signatures")) runner.Signatures(200);
  Clean(system.platform());
  return runner.ok;
}

BenchOptions ParseOptions(int argc, char** argv) {
  BenchOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") options.quick = true;
    else if (arg.rfind("--only=", 0) == 0) options.only = arg.substr(7);
  }
  return options;
}

}  // namespace kw::bench
