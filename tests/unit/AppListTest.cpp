#include <gtest/gtest.h>

#include "entries/unitAppList.h"
#include "platform/memory/MemoryPlatform.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

class RecordingItem : public ListViewItem {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void SetChecked(bool value) override { checked = value; }
  std::string caption;
  bool checked = false;
};

TEST(AppItem, AnEmptyEntryReadsItsDefaults) {
  TAppItem entry;
  EXPECT_EQ(entry.Caption(), "");
  EXPECT_EQ(entry.FullPath(), "");
  EXPECT_EQ(entry.Arguments(), "");
  EXPECT_EQ(entry.LinkFile(), "");
  EXPECT_FALSE(entry.Enabled());
  EXPECT_EQ(entry.ImageIndex(), -1);
  EXPECT_EQ(entry.Origin(), -1);
  EXPECT_EQ(entry.ShowCmd(), -1);

  entry.Add("Enabled=true");
  EXPECT_FALSE(entry.Enabled());
  entry.Add("Origin=two");
  EXPECT_THROW(entry.Origin(), EConvertError);
}

TEST(AppItem, CommandLinesRunByTheDllRunnerNameTheDll) {
  MemoryVersionInfo versions;
  const struct {
    const char* commandLine;
    const char* fullPath;
    const char* arguments;
  } table[] = {
      {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", "shell32.dll", "shell32.dll,Control_RunDLL desk.cpl"},
      {R"(RUNDLL32.EXE "C:\My Dlls\x.dll",Go)", R"(C:\My Dlls\x.dll)", R"("C:\My Dlls\x.dll",Go)"},
      // A drive-letter runner takes the DLL into its own path, leaving no argument to name it.
      {R"(C:\Windows\System32\rundll32.exe C:\Tools\tool,Start)", ".dll", ""},
      {R"(rundll32 C:\Tools\tool,Start)", R"(C:\Tools\tool.dll)", R"(C:\Tools\tool,Start)"},
      {"rundll32.exe", ".dll", ""},
      {"rundll.exe USER.DLL,ExitWindows", "USER.DLL", "USER.DLL,ExitWindows"},
      {R"("C:\Program Files\App\app.exe" -q)", R"(C:\Program Files\App\app.exe)", " -q"},
  };
  for (const auto& row : table) {
    TAppItem entry;
    entry.SetCommandLine(row.commandLine, versions);
    EXPECT_EQ(entry.CommandLine(), row.commandLine);
    EXPECT_EQ(entry.FullPath(), row.fullPath) << row.commandLine;
    EXPECT_EQ(entry.Arguments(), row.arguments) << row.commandLine;
  }

  TAppItem empty;
  empty.SetCommandLine("", versions);
  EXPECT_EQ(empty.Count(), 0) << "an empty command line stores nothing";
}

TEST(AppItem, VersionStringsComeFromTheFirstTranslation) {
  MemoryVersionInfo versions;
  MemoryVersionInfo::Resource resource;
  resource.translations = {{0x0419, 0x04E3}, {0x0409, 0x04B0}};
  resource.strings = {
      {"\\StringFileInfo\\041904E3\\FileVersion", "1.2.3"},
      {"\\StringFileInfo\\041904E3\\CompanyName", "Пример"},
      {"\\StringFileInfo\\041904E3\\ProductName", "Mixer"},
      {"\\StringFileInfo\\041904E3\\FileDescription", ""},
      {"\\StringFileInfo\\040904B0\\Comments", "from the second translation"},
  };
  versions.AddRaw("C:\\Apps\\mixer.exe", resource);

  TAppItem entry;
  SetOptionString(entry, keys::Comments, "old comment");
  SetOptionString(entry, keys::FileDescription, "old description");
  entry.SetCommandLine("C:\\Apps\\mixer.exe /tray", versions);
  EXPECT_EQ(GetOptionString(entry, keys::FileVersion), "1.2.3");
  EXPECT_EQ(GetOptionString(entry, keys::CompanyName), "Пример");
  EXPECT_EQ(GetOptionString(entry, keys::ProductName), "Mixer");
  EXPECT_EQ(entry.IndexOfName(keys::FileDescription), -1) << "an empty string removes its key";
  EXPECT_EQ(entry.IndexOfName(keys::Comments), -1) << "a missing string removes its key";

  // A file without a version resource leaves the keys as they were.
  entry.SetCommandLine("C:\\Apps\\plain.exe", versions);
  EXPECT_EQ(GetOptionString(entry, keys::ProductName), "Mixer");
}

TEST(AppList, IconsAreNumberedInListOrderSkippingEntriesWithout) {
  MemoryIcons icons;
  MemoryImageList images;
  MemoryVersionInfo versions;
  icons.AddFileIcon("C:\\a.exe");
  icons.AddFileIcon("C:\\c.exe");
  TAppList list;
  for (const char* path : {"C:\\a.exe", "C:\\missing.exe", "C:\\c.exe"}) list.Add().SetCommandLine(path, versions);
  images.images.push_back(999);  // the caller clears the list first; here it does not
  images.Clear();
  list.LoadIcons(icons, images);
  EXPECT_EQ(list.GetItem(0).ImageIndex(), 0);
  EXPECT_EQ(list.GetItem(1).ImageIndex(), -1);
  EXPECT_EQ(list.GetItem(2).ImageIndex(), 1);
  EXPECT_EQ(images.Count(), 2);
  EXPECT_EQ(icons.liveIcons, 0) << "the image list keeps its own copies";

  images.refuse = true;
  list.GetItem(0).LoadIcon(icons, images);
  EXPECT_EQ(list.GetItem(0).ImageIndex(), -1);
}

TEST(AppList, ItemsAreEntriesAndFillListItems) {
  TAppList list;
  TAppItem& first = list.Add();
  first.SetCaption("Same");
  first.SetEnabled(true);
  TAppItem& second = list.Add();
  second.SetCaption("Same");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_NE(&list.GetItem(0), &list.GetItem(1));
  EXPECT_EQ(list.GetItem(1).Index, 1);
  EXPECT_EQ(first.Owner, &list);

  RecordingItem item;
  list.GetItem(0).FillListItem(item);
  EXPECT_EQ(item.caption, "  Same");
  EXPECT_TRUE(item.checked);
  list.GetItem(1).FillListItem(item);
  EXPECT_FALSE(item.checked);
  // A huge caption is listed cut; the entry keeps it whole.
  const std::string huge(100000, 'n');
  second.SetCaption(huge);
  second.FillListItem(item);
  EXPECT_EQ(item.caption, "  " + huge.substr(0, kMaxListCaptionCharacters) + "\u2026 (100000 characters)");
  EXPECT_EQ(second.Caption(), huge);

  // Entries loaded by name are entries too.
  TAppItem& found = dynamic_cast<TAppItem&>(list.FindOrAdd("47116-72"));
  EXPECT_EQ(found.ListName, "47116-72");
  EXPECT_EQ(list.Count(), 3);
}

}  // namespace
}  // namespace kw
