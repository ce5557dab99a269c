// The store of disabled entries, as a hand-edited registry can leave it, and a Run key with
// values of any type. The input is a small text that fills the in-memory registry:
//
//   Name=data            a value of the Run key under HKEY_CURRENT_USER (REG_SZ)
//   [Subkey]             starts a subkey of the store ("\" in it makes nested keys)
//   Name=data            a value of that subkey (REG_SZ)
//   Name=T:data          a value of type T (a decimal number, any 32-bit one)
//   Name=T*N:data        the data repeated to N bytes (at most 1 MiB)
//
// Names and data take "%XX" for any byte (%3D "=", %3A ":", %0A a line feed, %00 a NUL).
//
// Then everything the program does with a store at a refresh: the Run key scan, the store
// load, the icons, the list items and the details report of every entry; a save and a second
// load, which must give back every entry with its text values; and finally one stored entry
// enabled, after which every other one must still be stored.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "entries/unitAppListDetails.h"
#include "entries/unitAppListState.h"
#include "entries/unitSysWorks.h"
#include "platform/memory/MemoryPlatform.h"
#include "platform/memory/MemoryRichTextPane.h"
#include "util/unitErrors.h"
#include "util/unitStrUtils.h"

namespace {

using namespace kw;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A decimal number at the start of text, with where it ends; none above 32 bits.
bool ReadNumber(std::string_view text, size_t& at, std::uint64_t& number) {
  const size_t start = at;
  number = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 10)
    number = number * 10 + static_cast<std::uint64_t>(text[at++] - '0');
  return at > start && number <= 0xFFFFFFFFu;
}

void Fill(MemoryRegistry& registry, std::string_view input) {
  std::string subkey;
  bool inStore = false;
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    std::string_view line = input.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      subkey = std::string(kDisabledAppsKey) + "\\" + Unescape(line.substr(1, line.size() - 2));
      inStore = true;
      registry.CreateKey(kHkeyLocalMachine, subkey);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view rest = line.substr(eq + 1);
    RegValue value{kRegSz, {}};
    std::uint64_t repeat = 0;
    size_t at = 0;
    std::uint64_t number = 0;
    if (ReadNumber(rest, at, number)) {
      std::uint64_t count = 0;
      bool typed = false;
      if (at < rest.size() && rest[at] == ':') {
        typed = true;
      } else if (at < rest.size() && rest[at] == '*' && ReadNumber(rest, ++at, count) && at < rest.size() &&
                 rest[at] == ':') {
        typed = true;
        repeat = std::min<std::uint64_t>(count, 1 << 20);
      }
      if (typed) {
        value.type = static_cast<std::uint32_t>(number);
        rest.remove_prefix(at + 1);
      }
    }
    value.data = Unescape(rest);
    if (repeat > 0 && !value.data.empty()) {
      std::string data;
      while (data.size() < repeat) data += value.data;
      data.resize(static_cast<size_t>(repeat));
      value.data = std::move(data);
    } else if (repeat > 0) {
      value.data.assign(static_cast<size_t>(repeat), 'x');
    }
    const std::string name = Unescape(line.substr(0, eq));
    if (inStore) registry.Put(kHkeyLocalMachine, subkey, name, std::move(value));
    else registry.Put(kHkeyCurrentUser, kRunKeyPath, name, std::move(value));
  }
}

bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

// One subkey of the store as the registry holds it: its text values as lines, and whether
// every value name is one a line can carry (without "=").
struct StoredEntry {
  std::string name;
  std::vector<std::string> lines;
  bool plainNames = true;
};

std::vector<StoredEntry> ReadStore(MemoryRegistry& registry) {
  std::vector<StoredEntry> store;
  TRegistry reg(registry, kHkeyLocalMachine);
  if (!reg.OpenKey(kDisabledAppsKey, false)) return store;
  for (const std::string& name : reg.GetKeyNames()) {
    StoredEntry entry{name, {}, true};
    TRegistry sub(registry, kHkeyLocalMachine);
    KW_FUZZ_CHECK(sub.OpenKey(std::string(kDisabledAppsKey) + "\\" + name, false));
    for (const std::string& value : sub.GetValueNames()) {
      if (value.find('=') != std::string::npos) entry.plainNames = false;
      if (IsText(sub.GetDataType(value))) entry.lines.push_back(value + "=" + sub.ReadString(value));
    }
    store.push_back(std::move(entry));
  }
  return store;
}

bool NamedEnabled(const std::string& line) {
  std::string_view name, value;
  return SplitLine(line, name, value) && SameText(name, "Enabled");
}

// The lines that say what an entry is, Enabled aside, in a fixed order.
std::vector<std::string> Meaning(std::vector<std::string> lines) {
  lines.erase(std::remove_if(lines.begin(), lines.end(), NamedEnabled), lines.end());
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The stored entries of a list: those after the Run entries.
void CheckMatchesStore(TAppList& apps, int first, const std::vector<StoredEntry>& store) {
  KW_FUZZ_CHECK(apps.Count() - first == static_cast<int>(store.size()));
  for (size_t i = 0; i < store.size(); ++i) {
    TAppItem& entry = apps.GetItem(first + static_cast<int>(i));
    KW_FUZZ_CHECK(entry.ListName == store[i].name);
    KW_FUZZ_CHECK(!entry.Enabled());
    if (store[i].plainNames) KW_FUZZ_CHECK(Meaning(entry.Lines()) == Meaning(store[i].lines));
  }
}

class ItemContent : public ListViewItem {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void SetChecked(bool value) override { checked = value; }
  std::string caption;
  bool checked = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryPlatform sys;
  Platform platform = sys.platform();
  Fill(sys.registry, fuzz::AsText(data, size));
  const std::vector<StoredEntry> before = ReadStore(sys.registry);

  // A refresh: the Run key (only its REG_SZ values), then the store.
  TAppList apps;
  ScanRunKey(apps, platform, kHkeyCurrentUser, kRunKeyPath);
  const int fromRun = apps.Count();
  {
    TRegistry run(sys.registry, kHkeyCurrentUser);
    int strings = 0;
    if (run.OpenKey(kRunKeyPath, false))
      for (const std::string& name : run.GetValueNames())
        strings += run.GetDataType(name) == kRegSz || run.GetDataType(name) == kRegExpandSz;
    KW_FUZZ_CHECK(fromRun == strings);
  }
  LoadDisabledApps(apps, platform);
  CheckMatchesStore(apps, fromRun, before);

  MemoryImageList images;
  apps.LoadIcons(sys.icons, images);
  MemoryRichTextPane pane;
  for (int i = 0; i < apps.Count(); ++i) {
    TAppItem& entry = apps.GetItem(i);
    ItemContent item;
    entry.FillListItem(item);
    KW_FUZZ_CHECK(item.caption == "  " + ShortenForDisplay(entry.Caption(), kMaxListCaptionCharacters) &&
                  item.checked == (i < fromRun));
    try {
      ShowDetails(entry, pane);
      KW_FUZZ_CHECK(!pane.lines.empty() && pane.Text(0) == " " + ShortenForDisplay(entry.Caption(), kMaxShownCharacters));
    } catch (const EConvertError& error) {
      // Only an Origin that is not a number stops the report.
      int origin = 0;
      KW_FUZZ_CHECK(!TryStrToInt(GetOptionString(entry, keys::Origin), origin));
      KW_FUZZ_CHECK(std::string_view(error.what()).find("is not a valid integer value") != std::string_view::npos);
    }
  }

  // Saved and read again, every stored entry comes back with what it holds.
  KW_FUZZ_CHECK(SaveDisabledApps(apps, platform));
  const std::vector<StoredEntry> after = ReadStore(sys.registry);
  TAppList back;
  LoadDisabledApps(back, platform);
  CheckMatchesStore(back, 0, after);
  KW_FUZZ_CHECK(after.size() == before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    KW_FUZZ_CHECK(after[i].name == before[i].name);
    if (before[i].plainNames) KW_FUZZ_CHECK(Meaning(back.GetItem(static_cast<int>(i)).Lines()) ==
                                            Meaning(apps.GetItem(fromRun + static_cast<int>(i)).Lines()));
  }

  // Enabling one stored entry takes only that one out of the store, and only if it worked.
  if (!before.empty()) {
    const int chosen = fromRun + static_cast<int>(size % before.size());
    TAppItem& entry = apps.GetItem(chosen);
    entry.SetEnabled(true);
    try {
      ApplyState(entry, platform);
    } catch (const EConvertError&) {
      // An Origin or ShowCmd that is not a number: the entry stays disabled.
    }
    KW_FUZZ_CHECK(SaveDisabledApps(apps, platform));
    std::vector<std::string> expected;
    for (const StoredEntry& stored : before)
      if (stored.name != entry.ListName || !entry.Enabled()) expected.push_back(stored.name);
    std::vector<std::string> names;
    for (const StoredEntry& stored : ReadStore(sys.registry)) names.push_back(stored.name);
    KW_FUZZ_CHECK(names == expected);
  }
  return 0;
}
