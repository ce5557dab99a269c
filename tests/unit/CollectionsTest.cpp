// Collections of option lists, their text and binary stream forms.
#include <gtest/gtest.h>

#include "persist/unitDataStreamingCollections.h"
#include "util/unitErrors.h"

namespace kw {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

template <typename F>
std::string ErrorText(F action) {
  try {
    action();
  } catch (const Exception& error) {
    return error.what();
  }
  return "(nothing raised)";
}

// A subclass of option lists made by a collection's factory, as TAppList does.
int g_live = 0;
struct Entry : TOptionsList {
  Entry() { ++g_live; }
  ~Entry() override { --g_live; }
};
struct Entries : TMultiOptions {
  std::unique_ptr<TObject> CreateItem() override { return std::make_unique<Entry>(); }
};
// A persistent item holding bytes (it refuses to load "poison"), and its list.
struct Blob : TPersistObj {
  std::string bytes;
  void SaveToStream(TStream& stream) const override { stream.Write(bytes.data(), bytes.size()); }
  void LoadFromStream(TStream& stream) override {
    bytes.resize(static_cast<size_t>(stream.Remaining()));
    stream.ReadBuffer(bytes.data(), bytes.size());
    if (bytes == "poison") throw EConvertError("poisoned");
  }
};
struct Blobs : TPersistObjList {
  std::unique_ptr<TObject> CreateItem() override { return std::make_unique<Blob>(); }
  Lines All() const {
    Lines all;
    for (int i = 0; i < Count(); ++i) all.push_back(dynamic_cast<Blob&>(Item(i)).bytes);
    return all;
  }
};
struct WrongKind : TMultiOptions {
  std::unique_ptr<TObject> CreateItem() override { return std::make_unique<Blob>(); }
};

TEST(Collections, AddFindIndexBookkeepingAndFactories) {
  TMultiOptions lists;
  TOptionsList &a = lists.Add(), &b = lists.Add(), &c = lists.Add();
  EXPECT_EQ(a.Owner, &lists);
  EXPECT_EQ(c.Index, 0) << "Add leaves Index 0";
  a.ListName = "ABC";
  b.ListName = c.ListName = "abc";
  a.Index = b.Index = c.Index = -9;
  EXPECT_EQ(lists.FindByName("abc"), &b) << "exact case, first match";
  EXPECT_EQ(a.Index, 0);
  EXPECT_EQ(b.Index, 1);
  EXPECT_EQ(c.Index, -9) << "lists after the match keep their Index";
  EXPECT_EQ(lists.FindByName("Abc"), nullptr);
  EXPECT_EQ(&lists.FindOrAdd("ABC"), &a);
  EXPECT_EQ(lists.Count(), 3);
  EXPECT_EQ(lists.FindOrAdd("aBC").ListName, "aBC");
  EXPECT_EQ(lists.Count(), 4);
  lists.Delete(0);
  EXPECT_EQ(b.Index, 1) << "until GetItem fetches it again";
  EXPECT_EQ(lists.GetItem(0).Index, 0);
  EXPECT_EQ(ErrorText([&] { lists.GetItem(3); }), "List index out of bounds (3)");
  EXPECT_EQ(ErrorText([&] { lists.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(lists.Count(), 3);

  {
    Entries entries;  // a factory of a subclass
    EXPECT_NE(dynamic_cast<Entry*>(&entries.Add()), nullptr);
    EXPECT_NE(dynamic_cast<Entry*>(&entries.FindOrAdd("x")), nullptr);
    entries.SetItemCount(3);
    EXPECT_EQ(entries.GetItem(2).Owner, nullptr) << "AddNew sets no Owner";
    entries.Delete(1);
    EXPECT_EQ(g_live, 2);
  }
  EXPECT_EQ(g_live, 0) << "the collection frees its lists";
  WrongKind wrong;  // a factory of the wrong kind
  EXPECT_EQ(ErrorText([&] { wrong.Add(); }), "Invalid class typecast");
  EXPECT_EQ(wrong.Count(), 0);
  wrong.SetItemCount(1);
  EXPECT_EQ(ErrorText([&] { wrong.FindByName("x"); }), "Invalid class typecast");
}

TEST(Collections, TextForm) {
  TMultiOptions lists;
  TMemoryStream stream;
  lists.SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 0u) << "an empty collection writes nothing";
  lists.FindOrAdd("47116-72").Add("Caption=Notepad");
  lists.FindOrAdd("empty");
  lists.SaveToStream(stream);
  EXPECT_EQ(stream.Data(), "[47116-72]\r\nCaption=Notepad\r\n\r\n[empty]\r\n\r\n");

  // Lines before the first header and empty lines are skipped, CR, LF and CR LF end lines, a
  // list line "[x]" is a header, a repeated header restarts its list, a NUL ends the text.
  TMemoryStream text("skip\r\n[a]\ra=1\r\n\r\na=2\n[b]\r\nb=1\r\n[x]\r\n[a]\r\nfresh=1\r\n[c\r\n\0[d]\r\n"s);
  Entries back;
  back.Add();
  back.LoadFromStream(text);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.GetItem(0).Lines(), (Lines{"fresh=1", "[c"}));
  EXPECT_EQ(back.GetItem(1).Lines(), Lines{"b=1"});
  EXPECT_EQ(back.GetItem(2).ListName, "x");
  EXPECT_EQ(back.GetItem(2).Owner, &back);
  EXPECT_NE(dynamic_cast<Entry*>(&back.GetItem(2)), nullptr);

  // Assign copies names and lines through the text form; into itself it changes nothing.
  back.Assign(lists);
  back.Assign(back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.GetItem(0).ListName, "47116-72");
  EXPECT_EQ(back.GetItem(0).Lines(), Lines{"Caption=Notepad"});
}

TEST(Collections, BinaryFormRoundTrip) {
  Blobs blobs, back, copy;
  for (const std::string& bytes : {"ab"s, ""s, "x\0y"s}) dynamic_cast<Blob&>(blobs.Item(blobs.AddNew())).bytes = bytes;
  TMemoryStream stream;
  blobs.SaveToStream(stream);
  EXPECT_EQ(stream.Data(), "\x04\x00\x03\x00\x00\x00"
                           "\x02\x00\x00\x00" "ab" "\x00\x00\x00\x00" "\x03\x00\x00\x00" "x\0y"s);
  back.AddNew();
  stream.SetPosition(0);
  back.LoadFromStream(stream);
  EXPECT_EQ(back.All(), blobs.All());
  copy.Assign(blobs);
  EXPECT_EQ(copy.All(), blobs.All());
  TMemoryStream negative("\x04\x00\x01\x00\x00\x00\xFF\xFF\xFF\xFF"s);
  back.LoadFromStream(negative);
  EXPECT_EQ(back.All(), Lines{""}) << "a record length below 1 is an empty item";
}

TEST(Collections, MalformedBinaryStreamsRaiseAndLeaveTheListEmpty) {
  const std::string two = "\x04\x00\x02\x00\x00\x00\x01\x00\x00\x00" "a" "\x01\x00\x00\x00" "b"s;
  const std::pair<std::string, std::string> cases[] = {
      {"\x04\x00\x02\x00"s, "Stream ends inside the count field"},
      {"\x08\x00\x01\x00\x00\x00\x00\x00\x00\x00"s, "Invalid count field: its size is 8 bytes, not 4"},
      {"\x04\x00\xFF\xFF\xFF\xFF"s, "Invalid item count -1"},
      {"\x04\x00\xFF\xFF\xFF\x7F\x00\x00\x00\x00"s,
       "Invalid item count 2147483647: the stream holds only 4 more bytes"},
      {two.substr(0, 14), "Stream ends inside a record's length field"},
      {two.substr(0, 11) + "\x05\x00\x00\x00" "bc"s, "Stream ends inside a record: 5 bytes announced, 2 left"},
  };
  for (const auto& [bytes, error] : cases) {
    Blobs blobs;
    blobs.AddNew();
    TMemoryStream stream(bytes);
    EXPECT_EQ(ErrorText([&] { blobs.LoadFromStream(stream); }), error);
    EXPECT_EQ(blobs.Count(), 0);
  }
  Blobs blobs;
  TMemoryStream poisoned(two.substr(0, 11) + "\x06\x00\x00\x00" "poison"s);
  EXPECT_THROW(blobs.LoadFromStream(poisoned), EConvertError);
  EXPECT_EQ(blobs.Count(), 0) << "no half-built item";

  // Option lists are no TPersistObj: the binary form refuses them before reading.
  TMultiOptions lists;
  lists.Add();
  TMemoryStream stream("\x04\x00\x01\x00\x00\x00\x00\x00\x00\x00"s);
  EXPECT_EQ(ErrorText([&] { lists.TPersistObjList::SaveToStream(stream); }), "Invalid class typecast");
  stream.SetPosition(0);
  EXPECT_EQ(ErrorText([&] { lists.TPersistObjList::LoadFromStream(stream); }), "Invalid class typecast");
  EXPECT_EQ(stream.Position(), 6u);
  EXPECT_EQ(lists.Count(), 0);
}

}  // namespace
}  // namespace kw
