#pragma once
// Collections of option lists: an owning object list with an item factory, and the
// collection of option lists that finds them by name.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "persist/unitDataStreaming.h"
#include "platform/PlatformConstants.h"

namespace kw {

class TStream;
class RegistryBackend;

// An item that saves itself to a stream and loads itself from one.
class TPersistObj : public TObject {
 public:
  virtual void SaveToStream(TStream& stream) const = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
};

// An ordered list that owns its items and makes new ones through CreateItem.
class TPersistObjList {
 public:
  TPersistObjList() = default;
  TPersistObjList(const TPersistObjList&) = delete;
  TPersistObjList& operator=(const TPersistObjList&) = delete;
  virtual ~TPersistObjList() = default;

  // Copies every item of source through a memory stream, in source's stream form.
  virtual void Assign(const TPersistObjList& source);
  // The binary form: a count, then one length-prefixed record per item.
  virtual void SaveToStream(TStream& stream) const;
  virtual void LoadFromStream(TStream& stream);
  // Appends a new item from CreateItem and returns its position.
  virtual int AddNew();

  // Empties the list, then appends n new items.
  void SetItemCount(int n);
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  // Raise "List index out of bounds (%d)" for a position outside 0..Count-1.
  void Delete(int position);
  TObject& Item(int position) const;

 protected:
  virtual std::unique_ptr<TObject> CreateItem() = 0;
  // Appends an item made by CreateItem; returns it.
  TObject& Append(std::unique_ptr<TObject> item);

 private:
  std::vector<std::unique_ptr<TObject>> items_;
};

// A collection of option lists, found by position or by ListName (compared exactly).
class TMultiOptions : public TPersistObjList {
 public:
  // A new list from CreateItem, appended, with Owner set to this collection.
  TOptionsList& Add();
  // The list at position; sets its Index to position.
  TOptionsList& GetItem(int position);
  // The first list named name (letter case significant), refreshing the Index of each list
  // it passes; null when none.
  TOptionsList* FindByName(std::string_view name);
  // FindByName, or Add with ListName set to name.
  TOptionsList& FindOrAdd(std::string_view name);

  // The text form: "[ListName]", the lines as held, an empty line; per list.
  void SaveToStream(TStream& stream) const override;
  void LoadFromStream(TStream& stream) override;

  // The registry form: one subkey per list under key, one REG_SZ value per line.
  bool SaveToRegistry(RegistryBackend& registry, std::string_view key, RootKey root);
  bool LoadFromRegistry(RegistryBackend& registry, std::string_view key, RootKey root);

 protected:
  std::unique_ptr<TObject> CreateItem() override;
};

}  // namespace kw
