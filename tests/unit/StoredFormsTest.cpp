// The registry forms of option lists and collections against the in-memory
// registry, with the save that never loses a stored list.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "persist/unitDataStreamingCollections.h"
#include "platform/memory/MemoryRegistry.h"

namespace kw {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Store = std::map<std::string, Lines>;  // subkey -> "value=data" lines

constexpr RootKey kRoot = kHkeyLocalMachine;
const std::string kKey = "SOFTWARE\\Velmora\\KLW2\\DisabledApps";

// What the registry holds under kKey, read raw; another type reads as "<type>".
Store Stored(MemoryRegistry& registry) {
  Store store;
  TRegistry reg(registry, kRoot);
  if (!reg.OpenKey(kKey, false)) return {{"<missing>", {}}};
  EXPECT_TRUE(reg.GetValueNames().empty()) << "the collection key has values of its own";
  for (const std::string& name : reg.GetKeyNames()) {
    EXPECT_TRUE(reg.OpenKey(kKey + "\\" + name, false));
    EXPECT_TRUE(reg.GetKeyNames().empty()) << name << " has subkeys";
    for (const std::string& value : reg.GetValueNames())
      store[name].push_back(value + "=" + (reg.GetDataType(value) == kRegSz ? reg.ReadString(value) : "<type>"));
    store.try_emplace(name);
  }
  return store;
}

Store Loaded(TMultiOptions& lists) {
  Store store;
  for (int i = 0; i < lists.Count(); ++i) store[lists.GetItem(i).ListName] = lists.GetItem(i).Lines();
  return store;
}

void Fill(TMultiOptions& lists, const Store& store) {
  for (const auto& [name, lines] : store) {
    TOptionsList& list = lists.Add();
    list.ListName = name;
    for (const std::string& line : lines) list.Add(line);
  }
}

TEST(StoredForms, RoundTripAndTheEdgesOfTheForm) {
  MemoryRegistry registry;
  registry.PutString(kRoot, kKey, "OwnValue", "x");
  registry.PutString(kRoot, kKey + "\\empty", "Stale", "x");
  registry.CreateKey(kRoot, kKey + "\\empty\\Below");
  TMultiOptions lists, back;
  Fill(lists, {{"47116-72", {"Caption=Notepad", "no equals sign", "=default", "caption=later"}},
               {"empty", {}}, {"Dup", {"first=1"}}, {"abc", {"lower=1"}}});
  Fill(lists, {{"Dup", {"second=2"}}, {"ABC", {"upper=1"}}});  // the later list wins
  SetOptionString(lists.GetItem(0), "Args", "tab\t\r\n%TEMP%\0"s);
  ASSERT_TRUE(lists.SaveToRegistry(registry, kKey, kRoot));
  const std::string args = lists.GetItem(0).Lines().back();
  EXPECT_EQ(Stored(registry), (Store{{"47116-72", {"Caption=later", "=default", args}},
                                     {"empty", {}}, {"Dup", {"second=2"}}, {"ABC", {"upper=1"}}}));
  registry.DenyWriteAccess(kRoot, "");  // loading needs no right to write
  ASSERT_TRUE(back.LoadFromRegistry(registry, kKey, kRoot));
  registry.ClearFaults();
  EXPECT_EQ(back.GetItem(0).Owner, &back);
  EXPECT_EQ(GetOptionString(*back.FindByName("47116-72"), "Args"), "tab\t\r\n%TEMP%\0"s);

  // A value of another type fails the load; what was read stays.
  registry.Put(kRoot, kKey + "\\Dup", "n", RegValue{kRegDword, "\1\0\0\0"s});
  EXPECT_FALSE(back.LoadFromRegistry(registry, kKey, kRoot));
  EXPECT_EQ(Loaded(back), (Store{{"47116-72", {"Caption=later", "=default", args}}, {"ABC", {"upper=1"}},
                                 {"Dup", {"second=2"}}}));

  ASSERT_TRUE(TMultiOptions().SaveToRegistry(registry, kKey, kRoot));
  EXPECT_EQ(Stored(registry), Store{}) << "present and empty";
  EXPECT_TRUE(back.LoadFromRegistry(registry, kKey, kRoot));
  EXPECT_EQ(back.Count(), 0);
  Fill(back, {{"x", {}}});
  EXPECT_FALSE(back.LoadFromRegistry(registry, "SOFTWARE\\Nowhere", kRoot));
  EXPECT_EQ(back.Count(), 0);

  // A name that is no single key name stops the save before anything changes.
  for (const char* name : {"a\\b", ""}) {
    lists.GetItem(1).ListName = name;
    EXPECT_FALSE(lists.SaveToRegistry(registry, kKey, kRoot));
    EXPECT_EQ(Stored(registry), Store{});
  }
}

TEST(StoredForms, SuccessLeavesExactlyTheListsSavedAndWritesOnlyWhatChanged) {
  MemoryRegistry registry;
  TMultiOptions old, lists;
  Fill(old, {{"keep", {"k=1", "j=2"}}, {"change", {"c=1", "gone=1"}}, {"obsolete", {"o=1"}}, {"abc", {"a=1"}}});
  ASSERT_TRUE(old.SaveToRegistry(registry, kKey, kRoot));
  registry.PutString(kRoot, kKey + "\\change\\Nested", "n", "1");
  Fill(lists,
       {{"keep", {"k=1", "j=2"}}, {"change", {"c=2", "C=3", "new=1"}}, {"added", {"=default"}}, {"ABC", {"a=1"}}});
  Lines writes;
  registry.SetFaultHook([&](RegOp op, RootKey, const std::string& path, const std::string& value) {
    if (op == RegOp::Write) writes.push_back(path.substr(path.rfind('\\') + 1) + ":" + value);
    return false;
  });
  ASSERT_TRUE(lists.SaveToRegistry(registry, kKey, kRoot));
  EXPECT_EQ(writes, (Lines{"added:", "ABC:a", "change:c", "change:new"}));
  EXPECT_EQ(Stored(registry), (Store{{"ABC", {"a=1"}}, {"added", {"=default"}}, {"change", {"c=3", "new=1"}},
                                     {"keep", {"k=1", "j=2"}}}));
}

// The old store {A, B, C}; the new collection adds D and E, changes A and B and drops C: six
// writes (D, E, then A and B in place). Each write is refused in turn, alone or with all after it.
TEST(StoredForms, ARefusedWriteAnywhereLosesNoStoredList) {
  const Store before{{"A", {"a=1", "x=1"}}, {"B", {"b=1"}}, {"C", {"c=1"}}};
  const Store after{{"A", {"a=2", "y=2"}}, {"B", {"b=2"}}, {"D", {"d=1", "e=1"}}, {"E", {"e=1"}}};
  for (const bool permanent : {false, true}) {
    for (int refused = 1; refused <= 7; ++refused) {
      SCOPED_TRACE((permanent ? "from write " : "write ") + std::to_string(refused));
      MemoryRegistry registry;
      TMultiOptions old, lists, back;
      Fill(old, before);
      ASSERT_TRUE(old.SaveToRegistry(registry, kKey, kRoot));
      Fill(lists, after);
      int writes = 0;
      registry.SetFaultHook([&](RegOp op, RootKey, const std::string&, const std::string&) {
        return op == RegOp::Write && (permanent ? ++writes >= refused : ++writes == refused);
      });
      ASSERT_EQ(lists.SaveToRegistry(registry, kKey, kRoot), refused == 7);
      registry.ClearFaults();
      ASSERT_TRUE(back.LoadFromRegistry(registry, kKey, kRoot));
      const Store loaded = Loaded(back);
      if (refused == 7) {
        EXPECT_EQ(Stored(registry), after);
      } else if (!permanent || refused <= 4) {
        EXPECT_EQ(loaded, before) << "undone, or stopped before a stored list changed";
      } else {
        // The undo is refused too: D and E are gone, C is untouched, and A and B hold their new
        // lines or, the one being changed when writing stopped, every old value.
        EXPECT_EQ(loaded.count("D") + loaded.count("E"), 0u);
        EXPECT_EQ(loaded.at("C"), before.at("C"));
        for (const char* name : {"A", "B"})
          for (const std::string& line : before.at(name))
            EXPECT_TRUE(loaded.at(name) == after.at(name) ||
                        std::any_of(loaded.at(name).begin(), loaded.at(name).end(),
                                    [&](const auto& l) { return l[0] == line[0]; }))
                << name << " lost " << line;
      }
      ASSERT_TRUE(lists.SaveToRegistry(registry, kKey, kRoot));
      EXPECT_EQ(Stored(registry), after) << "a later save that succeeds";
    }
  }
}

TEST(StoredForms, RefusedKeysAndDeletionsLoseNothing) {
  MemoryRegistry registry;
  TMultiOptions old, lists;
  Fill(old, {{"A", {"a=1"}}, {"B", {"b=1"}}});
  ASSERT_TRUE(old.SaveToRegistry(registry, kKey, kRoot));
  Fill(lists, {{"A", {"a=2"}}, {"N", {"n=1"}}});
  const auto refuse = [&](RegOp refused, std::string suffix) {
    registry.SetFaultHook([=](RegOp op, RootKey, const std::string& path, const std::string&) {
      return op == refused && path.ends_with(suffix);
    });
  };
  refuse(RegOp::Create, "\\N");
  EXPECT_FALSE(lists.SaveToRegistry(registry, kKey, kRoot));
  refuse(RegOp::Open, "\\A");  // a stored list that could not be put back
  EXPECT_FALSE(lists.SaveToRegistry(registry, kKey, kRoot));
  refuse(RegOp::Open, "DisabledApps");
  EXPECT_FALSE(lists.SaveToRegistry(registry, kKey, kRoot));
  registry.ClearFaults();
  EXPECT_EQ(Stored(registry), (Store{{"A", {"a=1"}}, {"B", {"b=1"}}}));

  refuse(RegOp::DeleteKey, "\\B");  // every write succeeds, the obsolete B stays
  EXPECT_FALSE(lists.SaveToRegistry(registry, kKey, kRoot));
  EXPECT_EQ(Stored(registry), (Store{{"A", {"a=2"}}, {"B", {"b=1"}}, {"N", {"n=1"}}}));

  refuse(RegOp::Write, "");  // a collection key that the failed save created goes again
  EXPECT_FALSE(lists.SaveToRegistry(registry, "SOFTWARE\\Fresh", kRoot));
  EXPECT_FALSE(registry.HasKey(kRoot, "SOFTWARE\\Fresh"));
}

}  // namespace
}  // namespace kw
