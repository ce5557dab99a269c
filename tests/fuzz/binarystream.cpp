// The binary form of an object list. The items hold a text and, when asked, a list of their
// own kind, so the reader meets nested counts and blocks too. Any input either loads or gives
// EStreamError with an empty list; nothing is allocated for a count or a length that the input
// cannot back (the runs set a low malloc limit); what loads is written and read back unchanged.
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "persist/unitDataStreamingCollections.h"
#include "util/unitErrors.h"

namespace {

class Node;

class NodeList : public kw::TPersistObjList {
 public:
  Node& At(int position) const;

 protected:
  std::unique_ptr<kw::TObject> CreateItem() override;
};

// The item's data: the text's length and bytes, then a flag byte and, when it is 1, the
// nested list in the binary form. A length the block cannot hold is an error of the item.
class Node : public kw::TPersistObj {
 public:
  void SaveToStream(kw::TStream& stream) const override {
    kw::WriteInt32(stream, static_cast<std::int32_t>(text.size()));
    stream.Write(text.data(), text.size());
    const unsigned char flag = children ? 1 : 0;
    stream.Write(&flag, 1);
    if (children) children->SaveToStream(stream);
  }
  void LoadFromStream(kw::TStream& stream) override {
    const std::int32_t length = kw::ReadInt32(stream);
    if (length < 0 || static_cast<std::uint64_t>(length) > stream.Remaining())
      throw kw::EStreamError("Invalid text length");
    text.assign(static_cast<size_t>(length), '\0');
    stream.ReadBuffer(text.data(), text.size());
    unsigned char flag = 0;
    children.reset();
    if (stream.Read(&flag, 1) == 1 && flag == 1) {
      children = std::make_unique<NodeList>();
      children->LoadFromStream(stream);
    }
  }

  std::string text;
  std::unique_ptr<NodeList> children;
};

Node& NodeList::At(int position) const { return dynamic_cast<Node&>(Item(position)); }
std::unique_ptr<kw::TObject> NodeList::CreateItem() { return std::make_unique<Node>(); }

// The list as nested texts, for comparing two loads.
std::string Describe(const NodeList& list) {
  std::string out = "(";
  for (int i = 0; i < list.Count(); ++i) {
    const Node& node = list.At(i);
    out += std::to_string(node.text.size()) + ":" + node.text;
    if (node.children) out += Describe(*node.children);
    out += ",";
  }
  return out + ")";
}

std::string Saved(const NodeList& list) {
  kw::TMemoryStream stream;
  list.SaveToStream(stream);
  return stream.Data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = kw::fuzz::AsText(data, size);
  NodeList list;
  kw::TMemoryStream stream(input);
  try {
    list.LoadFromStream(stream);
  } catch (const kw::EStreamError&) {
    KW_FUZZ_CHECK(list.Count() == 0);
    return 0;
  }
  // Each item record takes at least its length field.
  KW_FUZZ_CHECK(static_cast<std::size_t>(list.Count()) <= size / 4);

  const std::string bytes = Saved(list);
  NodeList again;
  kw::TMemoryStream saved(bytes);
  again.LoadFromStream(saved);
  KW_FUZZ_CHECK(saved.Position() == bytes.size());
  KW_FUZZ_CHECK(Describe(again) == Describe(list));
  KW_FUZZ_CHECK(Saved(again) == bytes);

  NodeList copy;
  copy.AddNew();
  copy.Assign(list);
  KW_FUZZ_CHECK(Describe(copy) == Describe(list));
  return 0;
}
