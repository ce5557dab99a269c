// What keeps a refresh linear in the number of entries, without changing what it gives: each
// program file read once per refresh, the list drawn once, loads without quadratic lookups,
// and test doubles whose indexes keep the order and case rules of the real system.
#include <gtest/gtest.h>

#include "MainFormSupport.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"

namespace kw {
namespace {

using testing::MemoryMainView;

const std::string kUserStartup = "C:\\users\\me\\Start Menu\\Programs\\Startup";
const std::string kShared = "C:\\Program Files\\Suite\\suite.exe";
const std::string kOther = "C:\\Tools\\other.exe";

// Records the list view's rebuild: whether items arrive inside a BeginListUpdate bracket.
class BracketView : public MemoryMainView {
 public:
  void BeginListUpdate() override { ++depth, ++begins; }
  void EndListUpdate() override {
    --depth;
    MemoryMainView::EndListUpdate();
  }
  void AddItem(const std::string& caption, bool checked) override {
    if (depth != 1) ++outside;
    MemoryMainView::AddItem(caption, checked);
  }
  int depth = 0, begins = 0, outside = 0;
};

class ScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.folders.folders[kCsidlStartup] = kUserStartup;
    sys.files.AddDirectory(kUserStartup);
    for (const std::string& path : {kShared, kOther}) {
      sys.files.AddFile(path, "MZ");
      sys.icons.AddFileIcon(path);
    }
    sys.versions.Add(kShared, 0x0409, 0x04B0, {{"FileVersion", "1.0"}, {"CompanyName", "Suite Inc"}});
    sys.versions.Add(kOther, 0x0409, 0x04B0, {{"FileVersion", "7.0"}});
    form = std::make_unique<TfrmMain>(platform, apps, view, ProgramValues{});
    view.form = form.get();
  }
  void PutRun(RootKey root, const std::string& name, const std::string& data) {
    sys.registry.PutString(root, kRunKeyPath, name, data);
  }

  MemoryPlatform sys;
  Platform platform = sys.platform();
  TAppList apps;
  BracketView view;
  std::unique_ptr<TfrmMain> form;
};

TEST_F(ScaleTest, AFileThatSeveralEntriesStartIsReadOncePerRefreshAndEachEntryKeepsItsImage) {
  PutRun(kHkeyLocalMachine, "Suite", "\"" + kShared + "\" /machine");
  PutRun(kHkeyCurrentUser, "Other", kOther);
  PutRun(kHkeyCurrentUser, "Suite helper", "\"" + kShared + "\" /helper");
  PutRun(kHkeyCurrentUser, "Gone", "C:\\Gone\\gone.exe");
  ASSERT_EQ(sys.links.Write(kUserStartup + "\\Suite.lnk", LinkData{kShared, "-tray", 1, kUserStartup + "\\"}),
            LinkWriteResult::Written);
  form->actRefreshExecute();

  ASSERT_EQ(view.Captions(),
            (std::vector<std::string>{"  Suite", "  Other", "  Suite helper", "  Gone", "  suite.exe"}));
  // The entries of one file show its one image; ImageIndex still numbers the entries' icons
  // in list order, skipping the one without, as stored entries have always had it.
  std::vector<int> images, indexes;
  for (const auto& item : view.items) images.push_back(item.image);
  for (int i = 0; i < apps.Count(); ++i) indexes.push_back(apps.GetItem(i).ImageIndex());
  EXPECT_EQ(images, (std::vector<int>{0, 1, 0, kImageNone, 0}));
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, -1, 3}));
  EXPECT_EQ(view.icons.Count(), 2);
  EXPECT_EQ(sys.icons.liveIcons, 0) << "every icon read is released";
  EXPECT_EQ(sys.icons.extractCalls, (std::vector<std::string>{kShared, kOther, "C:\\Gone\\gone.exe"}));
  EXPECT_EQ(sys.versions.loads, 3) << "one read per file";
  for (int i : {0, 2, 4}) {
    EXPECT_EQ(GetOptionString(apps.GetItem(i), keys::FileVersion), "1.0") << i;
    EXPECT_EQ(GetOptionString(apps.GetItem(i), keys::CompanyName), "Suite Inc") << i;
  }
  EXPECT_EQ(GetOptionString(apps.GetItem(1), keys::FileVersion), "7.0");

  // The next refresh reads the files again: what was read is not kept beyond one refresh.
  sys.versions.Add(kShared, 0x0409, 0x04B0, {{"FileVersion", "2.0"}});
  form->actRefreshExecute();
  EXPECT_EQ(sys.versions.loads, 6);
  EXPECT_EQ(GetOptionString(apps.GetItem(2), keys::FileVersion), "2.0");
  EXPECT_EQ(GetOptionString(apps.GetItem(2), keys::CompanyName), "") << "a string the file lost is removed";
  EXPECT_EQ(sys.icons.extractCalls.size(), 6u);
  EXPECT_EQ(view.begins, 2);
  EXPECT_EQ(view.outside, 0) << "items go in while the list is not redrawn";
  EXPECT_EQ(view.depth, 0) << "and the list is drawn again afterwards";
}

TEST_F(ScaleTest, AnIconGoesIntoTheImageListOnlyOnceARowOfItsFileIsDrawn) {
  PutRun(kHkeyCurrentUser, "Suite", kShared);
  PutRun(kHkeyCurrentUser, "Other", kOther);
  view.visible = {0, 1};
  form->actRefreshExecute();
  EXPECT_EQ(view.icons.Count(), 1);
  EXPECT_EQ(sys.icons.liveIcons, 1) << "the other file's icon is held until its row is seen";
  EXPECT_EQ(apps.GetItem(1).ImageIndex(), 1) << "the stored ImageIndex does not wait for the drawing";
  view.visible = {1, 1};  // scrolled down
  view.RedrawItems(0, 1);
  EXPECT_EQ(view.items[1].image, 1);
  EXPECT_EQ(sys.icons.liveIcons, 0);
  form->actRefreshExecute();  // a file read again takes its image's place
  EXPECT_EQ(view.icons.Count(), 2);
}

TEST_F(ScaleTest, LoadingAStoreOfThousandsKeepsEveryListInOrderWithTheIndexesOfFindOrAdd) {
  TAppList saved;
  for (int i = 0; i < 3000; ++i) {
    TAppItem& entry = saved.Add();
    entry.ListName = "L" + std::to_string(100000 + i);
    entry.SetCaption("Entry " + std::to_string(i));
  }
  ASSERT_TRUE(saved.SaveToRegistry(sys.registry, kDisabledAppsKey, kHkeyLocalMachine));

  TAppList loaded;
  ASSERT_TRUE(loaded.LoadFromRegistry(sys.registry, kDisabledAppsKey, kHkeyLocalMachine));
  ASSERT_EQ(loaded.Count(), 3000);
  // FindOrAdd of each name passes every list before it: all have their position as Index but
  // the last one added, which no later search passed.
  for (int i = 0; i < 3000; ++i) {
    const auto& list = dynamic_cast<const TAppItem&>(loaded.Item(i));
    ASSERT_EQ(list.ListName, "L" + std::to_string(100000 + i));
    ASSERT_EQ(list.Caption(), "Entry " + std::to_string(i));
    ASSERT_EQ(list.Index, i == 2999 ? 0 : i) << i;
  }
}

TEST(MemoryFakes, RegistryValuesKeepTheirOrderAndCaseRulesThroughDeletions) {
  MemoryRegistry registry;
  const std::string key = "SOFTWARE\\Big";
  for (int i = 0; i < 1000; ++i)
    registry.PutString(kHkeyCurrentUser, key, "Value" + std::to_string(i), std::to_string(i));
  TRegistry reg(registry, kHkeyCurrentUser);
  ASSERT_TRUE(reg.OpenKey(key, false));
  EXPECT_TRUE(reg.DeleteValue("VALUE10"));
  EXPECT_TRUE(reg.DeleteValue("value500"));
  EXPECT_FALSE(reg.DeleteValue("Value10"));
  reg.WriteString("value10", "again");  // a new value goes last, with the name it was given now
  const std::vector<std::string> names = reg.GetValueNames();
  ASSERT_EQ(names.size(), 999u);
  EXPECT_EQ(names[9], "Value9");
  EXPECT_EQ(names[10], "Value11");
  EXPECT_EQ(names[498], "Value499");
  EXPECT_EQ(names[499], "Value501");
  EXPECT_EQ(names.back(), "value10");
  EXPECT_EQ(reg.ReadString("VALUE999"), "999");
  EXPECT_EQ(reg.ReadString("Value501"), "501");
  EXPECT_EQ(reg.ReadString("VALUE10"), "again");
  EXPECT_FALSE(reg.ValueExists("Value500"));
}

TEST(MemoryFakes, FilesAreFoundWhateverTheCaseAndListedInTheOrderTheyWereMade) {
  MemoryFileSystem files;
  files.AddFile("C:\\Start\\b.lnk");
  files.AddFile("C:\\Start\\a.lnk");
  files.AddFile("C:\\Start\\c.lnk");
  files.AddFile("C:\\Start2\\d.lnk");      // a folder whose name begins like the other's
  files.AddFile("C:\\Start\\Sub\\e.lnk");  // a subfolder is not searched
  files.AddFile("C:\\Start.lnk");          // a file beside the folder
  EXPECT_TRUE(files.RemoveFile("c:\\start\\B.LNK"));
  EXPECT_TRUE(files.WriteWholeFile("C:\\START\\B.lnk", "again"));  // made anew: listed last
  EXPECT_TRUE(files.WriteWholeFile("C:\\Start\\a.LNK", "changed"));  // replaced: keeps its place
  std::vector<std::string> names;
  for (const FoundFile& found : files.FindFiles("c:\\start\\*.lnk")) names.push_back(found.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.lnk", "c.lnk", "B.lnk"}));
  EXPECT_EQ(files.ReadWholeFile("C:\\start\\A.lnk"), "changed");
  EXPECT_TRUE(files.DirectoryExists("c:\\START\\sub"));
  EXPECT_FALSE(files.FileExists("C:\\Start\\Sub"));
}

}  // namespace
}  // namespace kw
