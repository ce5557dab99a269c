#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <map>
#include <set>
#include <sstream>

#include "MainFormSupport.h"
#include "RegistryReadBack.h"
#include "console/unitConsole.h"
#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "platform/Sha256.h"
#include "util/unitWideText.h"

namespace kw {
namespace {

using console::kExitDone;
using console::kExitFailed;
using console::kExitUsage;

// Splits CSV text (RFC 4180) into records of fields.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') records.back().back() += text[++i];
      else if (c == '"') quoted = false;
      else records.back().back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      records.emplace_back(1);
    } else {
      records.back().back() += c;
    }
  }
  records.pop_back();  // after the last CRLF
  return records;
}

// The console program and the window on one in-memory machine.
class ConsoleTest : public testing::MainFormFixture {
 protected:
  const std::string kCyrillic = "Обновление, \"быстрое\"";
  const std::string kJapanese = "更新プログラム\r\n二行";

  void SetUp() override {
    MainFormFixture::SetUp();
    sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, kCyrillic, "C:\\Программы\\upd.exe /тихо");
    sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, kJapanese, "\"C:\\アプリ\\app.exe\" -q");
    sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "plain.exe");
    sys.links.AddLink(testing::kTestUserStartup + "\\Notes.lnk", LinkData{"C:\\Notes\\notes.exe", "", 1, ""});
  }
  int Run(std::vector<std::string> args) {
    out.str({});
    err.str({});
    console::Host host(out, err);
    host.machineName = "PC-1";
    host.utcNow = [] { return std::string("2026-12-08T14:00:00Z"); };
    return console::Run(args, platform, host);
  }
  nlohmann::json ListJson() {
    EXPECT_EQ(Run({"list", "--format", "json"}), kExitDone) << err.str();
    return nlohmann::json::parse(out.str());
  }
  std::string IdOf(const std::string& caption) {
    for (const auto& entry : ListJson())
      if (entry["caption"] == caption) return entry["id"];
    return "<none>";
  }
  std::string Snapshot() {
    std::string all;
    for (const std::string& caption : testing::StoredCaptions(sys.registry))
      if (caption != "<no store>") all += caption + "|";
    for (const char* name : {"Plain", "Notes"}) all += testing::RunValue(sys.registry, kHkeyCurrentUser, name) + "|";
    return all + std::to_string(sys.files.FileExists(testing::kTestUserStartup + "\\Notes.lnk"));
  }
  std::ostringstream out, err;
};

TEST_F(ConsoleTest, ArgumentsAndUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"list", "extra"}, {"show"}, {"list", "--format", "xml"}, {"list", "--format"},
           {"list", "--colour"}, {"show", "x", "--format=json"}, {"enable", "x", "--windows-switch"}}) {
    EXPECT_EQ(Run(args), kExitUsage) << ::testing::PrintToString(args);
    EXPECT_NE(err.str().find("Usage: KelderwickCmd"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
  }
  EXPECT_EQ(Run({"--help"}), kExitDone);
  EXPECT_NE(out.str().find("export FILE"), std::string::npos);
  EXPECT_EQ(Run({"--version"}), kExitDone);
  console::Options options;
  EXPECT_EQ(console::ParseArguments({"-y", "delete", "--", "-abc"}, options), "");
  EXPECT_TRUE(options.yes);
  EXPECT_EQ(options.operands, std::vector<std::string>{"-abc"});
}

// Every format lists what the window lists, in its order, and reads back exactly.
TEST_F(ConsoleTest, ListAgreesWithTheWindowInEveryFormat) {
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Old", "old.exe");
  sys.files.AddFile("C:\\アプリ\\app.exe");
  sys.signatures.SetEmbedded("C:\\アプリ\\app.exe", {0, "アプリ社"});
  Start();
  view.ClickCheckBox(3);  // "Old" goes to the store
  const nlohmann::json list = ListJson();
  ASSERT_EQ(list.size(), view.items.size());
  nlohmann::json notVerified = nlohmann::json::array();
  for (size_t i = 0; i < view.items.size(); ++i) {
    EXPECT_EQ("  " + list[i]["caption"].get<std::string>(), view.items[i].caption);
    EXPECT_EQ(list[i]["state"], view.items[i].checked ? "on" : "off");
    EXPECT_EQ(list[i]["signature"] == "valid", view.items[i].mark == 0) << i;
    if (list[i]["signature"] != "valid") notVerified.push_back(list[i]);
  }
  EXPECT_EQ(list[1]["signer"], "アプリ社");
  EXPECT_EQ(list[1]["signature"], "valid");
  EXPECT_EQ(list[0]["signer"], "");
  EXPECT_EQ(list[0]["signature"], "missing");
  ASSERT_EQ(Run({"--unsigned", "list", "--format", "json"}), kExitDone);
  EXPECT_EQ(nlohmann::json::parse(out.str()), notVerified);
  EXPECT_EQ(Run({"show", "--unsigned", list[1]["id"]}), kExitUsage);
  EXPECT_EQ(list[0]["caption"], kCyrillic);
  EXPECT_EQ(list[0]["foundIn"], "Registry ( Common )");
  EXPECT_EQ(list[0]["arguments"], " /тихо");
  EXPECT_EQ(list[1]["caption"], kJapanese);
  EXPECT_EQ(list[1]["path"], "C:\\アプリ\\app.exe");

  ASSERT_EQ(Run({"list", "--format=csv"}), kExitDone);
  const auto records = ParseCsv(out.str());
  ASSERT_EQ(records.size(), list.size() + 1);
  EXPECT_EQ(records[0][0], "id");
  for (size_t i = 0; i < list.size(); ++i) {
    ASSERT_EQ(records[i + 1].size(), records[0].size());
    for (size_t f = 0; f < records[0].size(); ++f) {
      const auto& field = list[i][records[0][f]];
      EXPECT_EQ(records[i + 1][f], field.is_string() ? field.get<std::string>() : field.dump()) << i;
    }
  }

  ASSERT_EQ(Run({"list"}), kExitDone);
  EXPECT_NE(out.str().find(list[4]["id"].get<std::string>() + "  off            Registry ( User )"), std::string::npos);

  ASSERT_EQ(Run({"show", list[1]["id"]}), kExitDone);
  MemoryRichTextPane pane;
  const SignatureCheck check{SignatureState::Valid, "アプリ社", "C:\\アプリ\\app.exe"};
  ShowDetails(apps.GetItem(1), pane, &check);
  std::string shown;
  for (size_t i = 0; i < pane.lines.size(); ++i) shown += console::ConsoleText(pane.Text(i)) + "\n";
  EXPECT_EQ(out.str(), shown);

  ASSERT_EQ(Run({"export", "C:\\out.json"}), kExitDone);
  const auto picture = nlohmann::json::parse(*sys.files.ReadWholeFile("C:\\out.json"));
  EXPECT_EQ(picture["machine"], "PC-1");
  EXPECT_EQ(picture["time"], "2026-12-08T14:00:00Z");
  EXPECT_EQ(picture["entries"], list);
  ASSERT_EQ(picture["store"].size(), 1u);
  EXPECT_EQ(picture["store"][0]["values"]["Caption"], "Old");
}

// The window's cycle of an entry that comes back, through the console: on and came back,
// kept off by Windows' switch (also chosen up front with --windows-switch), on again.
TEST_F(ConsoleTest, AnEntryThatCameBackIsOnAndKeptOffByWindowsSwitch) {
  const std::string plain = IdOf("Plain");
  ASSERT_EQ(Run({"disable", plain}), kExitDone) << err.str();
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Plain", "plain.exe /autostart");
  nlohmann::json found;
  for (const auto& entry : ListJson())
    if (entry["caption"] == "Plain") found = entry;
  EXPECT_EQ(found["id"], plain);
  EXPECT_EQ(found["state"], "on");
  EXPECT_EQ(found["cameBack"], true);
  EXPECT_NE(found["about"].get<std::string>().find("State: Came back after you switched it off on "), std::string::npos);
  ASSERT_EQ(Run({"disable", plain}), kExitDone) << err.str();
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyCurrentUser, "Plain"), "plain.exe /autostart");
  EXPECT_EQ(testing::StoredCaptions(sys.registry), std::vector<std::string>{});
  ASSERT_EQ(Run({"list"}), kExitDone);
  EXPECT_NE(out.str().find(plain + "  off-by-windows"), std::string::npos) << out.str();
  ASSERT_EQ(Run({"enable", plain}), kExitDone) << err.str();

  const std::string notes = IdOf("notes.exe");
  ASSERT_EQ(Run({"disable", "--windows-switch", notes}), kExitDone) << err.str();
  EXPECT_TRUE(sys.files.FileExists(testing::kTestUserStartup + "\\Notes.lnk"));
  EXPECT_EQ(testing::StoredCaptions(sys.registry), std::vector<std::string>{});
  EXPECT_EQ(ListJson()[3]["state"], "off-by-windows");
}

std::map<std::string, std::string> IdsByCaption(const nlohmann::json& list) {
  std::map<std::string, std::string> ids;
  for (const auto& entry : list) ids[entry["caption"]] = entry["id"];
  return ids;
}

TEST_F(ConsoleTest, IdsNameThePlaceAndStayWhenOthersChange) {
  const nlohmann::json before = ListJson();
  const auto ids = IdsByCaption(before);
  EXPECT_EQ(ids.size(), before.size());
  std::set<std::string> distinct;
  for (const auto& [caption, id] : ids) distinct.insert(id);
  EXPECT_EQ(distinct.size(), ids.size());
  EXPECT_EQ(IdsByCaption(ListJson()), ids);

  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, "Added", "added.exe");
  auto after = IdsByCaption(ListJson());
  EXPECT_EQ(after.erase("Added"), 1u);
  EXPECT_EQ(after, ids);

  // A shortcut is named by its origin and file name, not by the user's folder; the name's case
  // does not matter, the origin does.
  TAppItem here, there;
  for (TAppItem* entry : {&here, &there}) entry->SetOrigin(orStartupUser), entry->SetEnabled(true);
  here.SetLinkFile("C:\\Users\\ann\\Startup\\Notes.lnk");
  there.SetLinkFile("D:\\Profiles\\bob\\Startup\\NOTES.LNK");
  EXPECT_EQ(console::EntryId(here), console::EntryId(there));
  there.SetOrigin(orStartupCommon);
  EXPECT_NE(console::EntryId(here), console::EntryId(there));
}

// Ids are SHA-256 of the place with its fields kept apart: the same on every build and
// machine, and no name can take the id of an entry in another place.
TEST_F(ConsoleTest, IdsAreSha256OfAnUnambiguousPlace) {
  EXPECT_EQ(ToHex(Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(ToHex(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(IdOf("Plain"), "e305d259b51aa318");  // SHA-256 of "1:10:5:PLAIN"

  // A 64-bit-view value whose name ends as the 32-bit view's place did.
  sys.SetWindows64(true);
  sys.registry.PutString(kHkeyLocalMachine, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", "X",
                         "x.exe");
  sys.registry.PutString(kHkeyLocalMachine, kRunKeyPath, "X\n32", "x.exe");
  ASSERT_NE(IdOf("X"), "<none>");
  EXPECT_NE(IdOf("X"), IdOf("X\n32"));
}

// Two shortcuts whose names differ only in case (a case-sensitive folder) share an id: a
// command given it changes neither.
TEST_F(ConsoleTest, AnIdOfMoreThanOneEntryChangesNothing) {
  sys.files.MakeCaseSensitive(testing::kTestUserStartup);
  sys.links.AddLink(testing::kTestUserStartup + "\\Twin.lnk", LinkData{"C:\\a.exe", "", 1, ""});
  sys.links.AddLink(testing::kTestUserStartup + "\\TWIN.lnk", LinkData{"C:\\b.exe", "", 1, ""});
  const std::string id = IdOf("a.exe");
  ASSERT_EQ(IdOf("b.exe"), id);
  const std::string untouched = Snapshot();
  for (const auto& args : std::vector<std::vector<std::string>>{{"disable", id}, {"--yes", "delete", id}, {"show", id}}) {
    EXPECT_EQ(Run(args), kExitFailed);
    EXPECT_NE(err.str().find("ambiguous id"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());
  }
  EXPECT_TRUE(sys.files.FileExists(testing::kTestUserStartup + "\\Twin.lnk"));
  EXPECT_TRUE(sys.files.FileExists(testing::kTestUserStartup + "\\TWIN.lnk"));
  EXPECT_EQ(Snapshot(), untouched);
}

// A store that does not exist is empty; one that cannot be read fails list and export, which
// still give all they could read.
TEST_F(ConsoleTest, AStoreThatCannotBeReadFailsListAndExport) {
  ASSERT_EQ(Run({"list"}), kExitDone);
  EXPECT_EQ(err.str(), "");
  ASSERT_EQ(Run({"disable", IdOf("Plain")}), kExitDone) << err.str();
  sys.registry.RefuseOpen(kHkeyLocalMachine, kDisabledAppsKey);
  for (const char* format : {"table", "json", "csv"}) {
    EXPECT_EQ(Run({"list", "--format", format}), kExitFailed) << format;
    EXPECT_NE(err.str().find("cannot be read: access denied"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("notes.exe"), std::string::npos) << format;
  }
  EXPECT_EQ(Run({"export", "C:\\out.json"}), kExitFailed);
  const auto picture = nlohmann::json::parse(*sys.files.ReadWholeFile("C:\\out.json"));
  EXPECT_EQ(picture["entries"].size(), 3u);
  EXPECT_NE(picture["storeProblems"].get<std::string>().find("access denied"), std::string::npos);
  sys.registry.ClearFaults();
  EXPECT_NE(IdOf("Plain"), "<none>");
}

// The table shows control characters as escapes; every format is valid UTF-8, with U+FFFD for
// a lone surrogate, while the actions still find the value by its exact name.
TEST_F(ConsoleTest, OutputIsValidUtf8AndTheTableShowsControls) {
  const std::string name = "Ctl\x1b[2J\rFAKE\xC2\x9B" "2J \xED\xA0\x80 end";  // ESC, CR, CSI, lone surrogate
  const std::string shown = "Ctl\x1b[2J\rFAKE\xC2\x9B" "2J \uFFFD end";
  sys.registry.PutString(kHkeyCurrentUser, kRunKeyPath, name, "C:\\\xED\xA0\x80.exe");
  const std::string id = IdOf(shown);
  for (const char* format : {"table", "json", "csv"}) {
    ASSERT_EQ(Run({"list", "--format", format}), kExitDone) << err.str();
    EXPECT_EQ(ValidUtf8(out.str()), out.str()) << format;
  }
  EXPECT_EQ(ParseCsv(out.str())[4][1], shown);
  ASSERT_EQ(Run({"list"}), kExitDone);
  EXPECT_NE(out.str().find("Ctl\\x1b[2J\\x0dFAKE\\u009b2J \uFFFD end\n"), std::string::npos) << out.str();
  ASSERT_EQ(Run({"show", id}), kExitDone) << err.str();
  EXPECT_EQ(out.str().find_first_of("\x1b\r"), std::string::npos);
  EXPECT_EQ(ValidUtf8(out.str()), out.str());

  ASSERT_EQ(Run({"disable", id}), kExitDone) << err.str();
  ASSERT_EQ(Run({"enable", IdOf(shown)}), kExitDone) << err.str();
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyCurrentUser, name), "C:\\\xED\xA0\x80.exe");
  EXPECT_EQ(IdOf(shown), id);
}

// The actions do what the window's do; a bad id or an unconfirmed delete changes nothing.
TEST_F(ConsoleTest, ActionsChangeTheSystemAsTheWindowDoes) {
  const std::string plain = IdOf("Plain"), notes = IdOf("notes.exe");
  const std::string untouched = Snapshot();
  EXPECT_EQ(Run({"disable", "0123456789ab"}), kExitFailed);
  EXPECT_NE(err.str().find("no entry has the id"), std::string::npos);
  EXPECT_EQ(Run({"delete", notes}), kExitFailed);  // not interactive, no --yes
  EXPECT_NE(err.str().find("--yes"), std::string::npos);
  EXPECT_EQ(Run({"enable", plain}), kExitFailed);  // already on
  sys.registry.RefuseWrite(kHkeyLocalMachine, "SOFTWARE");
  EXPECT_EQ(Run({"disable", plain}), kExitFailed);
  EXPECT_FALSE(err.str().empty());
  sys.registry.ClearFaults();
  EXPECT_EQ(Snapshot(), untouched);

  EXPECT_EQ(Run({"disable", plain}), kExitDone) << err.str();
  EXPECT_EQ(testing::RunValue(sys.registry, kHkeyCurrentUser, "Plain"), "<missing>");
  EXPECT_EQ(testing::StoredCaptions(sys.registry), std::vector<std::string>{"Plain"});
  EXPECT_EQ(Run({"enable", IdOf("Plain")}), kExitDone) << err.str();
  EXPECT_EQ(Snapshot(), untouched);
  EXPECT_EQ(IdOf("Plain"), plain);

  EXPECT_EQ(Run({"--yes", "delete", notes}), kExitDone) << err.str();
  EXPECT_FALSE(sys.files.FileExists(testing::kTestUserStartup + "\\Notes.lnk"));
  EXPECT_EQ(IdOf("notes.exe"), "<none>");
}

}  // namespace
}  // namespace kw
