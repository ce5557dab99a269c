// Package manifests and task definitions, as any program that installs a package or registers
// a task may write them. The XML reader reports balanced elements no deeper than its limit, or
// refuses the document; a manifest is either refused whole or gives startup tasks with
// distinct ids that name one registry key each; the scan lists exactly those tasks and
// switches one with its State alone; a task definition is read whole or refused whole.
#include <set>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "entries/unitAppListState.h"
#include "entries/unitScheduledTasks.h"
#include "entries/unitStoreApps.h"
#include "platform/XmlReader.h"
#include "platform/memory/MemoryPlatform.h"

namespace {

class Balance : public kw::XmlHandler {
 public:
  void StartElement(const std::string&, const std::string& name, const std::vector<kw::XmlAttribute>&) override {
    KW_FUZZ_CHECK(!name.empty());
    deepest = std::max(deepest, ++depth);
  }
  void EndElement() override { KW_FUZZ_CHECK(--depth >= 0); }
  void Text(std::string_view) override { KW_FUZZ_CHECK(depth > 0); }
  int depth = 0, deepest = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kw;
  const std::string_view document = fuzz::AsText(data, size);
  Balance balance;
  const kw::XmlLimits limits{1u << 20, 16};
  if (ReadXml(document, balance, limits).empty()) {
    KW_FUZZ_CHECK(balance.depth == 0 && balance.deepest >= 1);
  }
  KW_FUZZ_CHECK(balance.deepest <= limits.maxDepth);

  TaskDefinition definition;
  if (!ReadTaskDefinition(document, definition).empty()) {
    KW_FUZZ_CHECK(definition.triggers.empty() && definition.actions.empty());
  }
  for (const TaskTrigger& trigger : definition.triggers) KW_FUZZ_CHECK(!TriggerText(trigger).empty());
  StartsAtLogon(definition, "TESTPC\\me");

  PackageManifest manifest;
  const std::string problem = ReadPackageManifest(document, manifest);
  std::set<std::string> ids;
  for (const StartupTaskDeclaration& task : manifest.startupTasks) {
    KW_FUZZ_CHECK(!task.taskId.empty() && task.taskId.find('\\') == std::string::npos);
    KW_FUZZ_CHECK(ids.insert(task.taskId).second);
  }
  KW_FUZZ_CHECK(problem.empty() || manifest.startupTasks.empty());

  MemoryPlatform sys;
  Platform platform = sys.platform();
  const std::string fullName = "Fuzz.App_1.0.0.0_x64__abcdefghjkmnp", folder = "C:\\apps\\" + fullName;
  sys.files.AddFile(folder + "\\AppxManifest.xml", document);
  TRegistry package(sys.registry, kHkeyCurrentUser, RegView::Bits64);
  package.OpenKey(std::string(kPackageRepositoryKey) + "\\" + fullName, true);
  package.WriteString("PackageRootFolder", folder);
  TAppList list;
  const std::string said = ScanStoreApps(list, platform);
  KW_FUZZ_CHECK(said.empty() == problem.empty());
  KW_FUZZ_CHECK(list.Count() == static_cast<int>(manifest.startupTasks.size()));
  for (int i = 0; i < list.Count(); ++i) {
    KW_FUZZ_CHECK(IsStoreAppTask(list.GetItem(i)) && !list.GetItem(i).Caption().empty());
    KW_FUZZ_CHECK(GetOptionString(list.GetItem(i), keys::TaskId) == manifest.startupTasks[i].taskId);
  }
  if (list.Count() > 0) {
    TAppItem& first = list.GetItem(0);
    const bool on = !GetOptionBool(first, keys::WindowsOff);
    KW_FUZZ_CHECK(on ? DisableEntry(first, platform) : SwitchOnEntry(first, platform));
    TRegistry state(sys.registry, kHkeyCurrentUser, RegView::Bits64);
    KW_FUZZ_CHECK(state.OpenKeyReadOnly(std::string(kPackageAppDataKey) + "\\Fuzz.App_abcdefghjkmnp\\" +
                                        manifest.startupTasks[0].taskId));
    KW_FUZZ_CHECK(state.GetValueNames() == std::vector<std::string>{kTaskStateValue});
    KW_FUZZ_CHECK(sys.messages.shown.empty());
  }
  return 0;
}
