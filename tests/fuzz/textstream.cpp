// The text form of a collection of option lists. Whatever the reader makes of a text, that
// collection must survive being written and read again unchanged, and the copy through a
// memory stream (Assign) must give the same collection.
#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "persist/unitDataStreamingCollections.h"
#include "util/unitErrors.h"

namespace {

using Content = std::vector<std::pair<std::string, std::vector<std::string>>>;

Content ContentOf(kw::TMultiOptions& lists) {
  Content content;
  for (int i = 0; i < lists.Count(); ++i) {
    kw::TOptionsList& list = lists.GetItem(i);
    KW_FUZZ_CHECK(list.Owner == &lists);
    content.emplace_back(list.ListName, list.Lines());
  }
  return content;
}

std::string Saved(const kw::TMultiOptions& lists) {
  kw::TMemoryStream stream;
  lists.SaveToStream(stream);
  return stream.Data();
}

bool IsHeader(const std::string& line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = kw::fuzz::AsText(data, size);
  kw::TMultiOptions lists;
  kw::TMemoryStream stream(input);
  lists.LoadFromStream(stream);
  KW_FUZZ_CHECK(stream.Position() == input.size());

  // What a text can give: distinct names, and lines that are neither empty, nor headers, nor
  // hold a line break or a NUL. Such a collection is what the writer can write.
  const Content loaded = ContentOf(lists);
  for (size_t i = 0; i < loaded.size(); ++i) {
    const auto& [name, lines] = loaded[i];
    KW_FUZZ_CHECK(name.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    for (size_t j = 0; j < i; ++j) KW_FUZZ_CHECK(loaded[j].first != name);
    for (const std::string& line : lines) {
      KW_FUZZ_CHECK(!line.empty() && !IsHeader(line));
      KW_FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    }
  }

  const std::string text = Saved(lists);
  KW_FUZZ_CHECK(text.size() <= 3 * input.size() + 8 * loaded.size() + 8);
  kw::TMultiOptions again;
  kw::TMemoryStream saved(text);
  again.LoadFromStream(saved);
  KW_FUZZ_CHECK(ContentOf(again) == loaded);
  KW_FUZZ_CHECK(Saved(again) == text);

  kw::TMultiOptions copy;
  copy.FindOrAdd("replaced by the copy").Add("x=1");
  copy.Assign(lists);
  KW_FUZZ_CHECK(ContentOf(copy) == loaded);
  lists.Assign(lists);
  KW_FUZZ_CHECK(ContentOf(lists) == loaded);

  // The reader starts at the stream's position, wherever that is.
  kw::TMemoryStream tail(input);
  tail.SetPosition(size / 2);
  lists.LoadFromStream(tail);
  kw::TMemoryStream rest(input.substr(size / 2));
  again.LoadFromStream(rest);
  KW_FUZZ_CHECK(ContentOf(lists) == ContentOf(again));
  tail.SetPosition(size + 10);
  lists.LoadFromStream(tail);
  KW_FUZZ_CHECK(lists.Count() == 0);
  return 0;
}
