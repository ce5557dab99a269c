#include "persist/unitDataStreamingCollections.h"

#include "util/unitErrors.h"

namespace kw {

namespace {

[[noreturn]] void IndexError(int position) {
  throw EListError("List index out of bounds (" + std::to_string(position) + ")");
}

[[noreturn]] void CastError() { throw EInvalidCast("Invalid class typecast"); }

// Every record of the binary form takes at least its 4-byte length field.
constexpr std::uint64_t kMinRecordSize = 4;

}  // namespace

// ---- item records ----

void WriteObject(TStream& stream, const TObject& item) {
  const auto* persistent = dynamic_cast<const TPersistObj*>(&item);
  if (!persistent) CastError();
  TMemoryStream block;
  persistent->SaveToStream(block);
  WriteBlock(stream, block);
}

void ReadObject(TStream& stream, TObject& item) {
  auto* persistent = dynamic_cast<TPersistObj*>(&item);
  if (!persistent) CastError();
  TMemoryStream block;
  ReadBlock(stream, block);
  persistent->LoadFromStream(block);
}

// ---- TPersistObjList ----

TObject& TPersistObjList::Item(int position) const {
  if (position < 0 || position >= Count()) IndexError(position);
  return *items_[static_cast<size_t>(position)];
}

void TPersistObjList::Delete(int position) {
  if (position < 0 || position >= Count()) IndexError(position);
  items_.erase(items_.begin() + position);
}

TObject& TPersistObjList::Append(std::unique_ptr<TObject> item) {
  if (!item) throw Exception("CreateItem made no item");
  items_.push_back(std::move(item));
  return *items_.back();
}

int TPersistObjList::AddNew() {
  Append(CreateItem());
  return Count() - 1;
}

void TPersistObjList::SetItemCount(int n) {
  Clear();
  for (int i = 0; i < n; ++i) AddNew();
}

void TPersistObjList::SaveToStream(TStream& stream) const {
  WriteCount(stream, Count());
  for (const auto& item : items_) WriteObject(stream, *item);
}

void TPersistObjList::LoadFromStream(TStream& stream) {
  Clear();
  try {
    const std::int32_t count = ReadCount(stream);
    if (count < 0) throw EStreamError("Invalid item count " + std::to_string(count));
    if (static_cast<std::uint64_t>(count) > stream.Remaining() / kMinRecordSize)
      throw EStreamError("Invalid item count " + std::to_string(count) + ": the stream holds only " +
                         std::to_string(stream.Remaining()) + " more bytes");
    SetItemCount(count);
    for (int i = 0; i < count; ++i) ReadObject(stream, Item(i));
  } catch (...) {
    Clear();
    throw;
  }
}

void TPersistObjList::Assign(const TPersistObjList& source) {
  TMemoryStream stream;
  source.SaveToStream(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

// ---- TMultiOptions ----

std::unique_ptr<TObject> TMultiOptions::CreateItem() { return std::make_unique<TOptionsList>(); }

TOptionsList& TMultiOptions::ListAt(int position) const {
  auto* list = dynamic_cast<TOptionsList*>(&Item(position));
  if (!list) CastError();
  return *list;
}

TOptionsList& TMultiOptions::Add() {
  std::unique_ptr<TObject> item = CreateItem();
  auto* list = dynamic_cast<TOptionsList*>(item.get());
  if (!list) CastError();
  Append(std::move(item));
  list->Owner = this;
  return *list;
}

TOptionsList& TMultiOptions::GetItem(int position) {
  TOptionsList& list = ListAt(position);
  list.Index = position;
  return list;
}

TOptionsList* TMultiOptions::FindByName(std::string_view name) {
  for (int i = 0; i < Count(); ++i) {
    TOptionsList& list = GetItem(i);
    if (list.ListName == name) return &list;
  }
  return nullptr;
}

TOptionsList& TMultiOptions::FindOrAdd(std::string_view name) {
  if (TOptionsList* found = FindByName(name)) return *found;
  TOptionsList& added = Add();
  added.ListName = std::string(name);
  return added;
}

void TMultiOptions::SaveToStream(TStream& stream) const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    const TOptionsList& list = ListAt(i);
    text += "[" + list.ListName + "]\r\n";
    for (const std::string& line : list.Lines()) text += line + "\r\n";
    text += "\r\n";
  }
  if (!text.empty()) stream.Write(text.data(), text.size());
}

void TMultiOptions::LoadFromStream(TStream& stream) {
  Clear();
  std::string text(static_cast<size_t>(stream.Remaining()), '\0');
  stream.ReadBuffer(text.data(), text.size());
  TStringList lines;
  lines.SetText(text);
  TOptionsList* current = nullptr;
  for (const std::string& line : lines.Lines()) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = &FindOrAdd(std::string_view(line).substr(1, line.size() - 2));
      current->Clear();
    } else if (current && !line.empty()) {
      current->Add(line);
    }
  }
}

}  // namespace kw
