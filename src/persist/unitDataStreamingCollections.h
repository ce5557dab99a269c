#pragma once
// Collections of option lists and their stored forms: an owning object
// list with an item factory and a binary stream form, and the collection of option lists that
// finds them by name, with its text stream form and its registry form.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "persist/unitDataStreaming.h"
#include "persist/unitDataStreamingStreams.h"
#include "platform/PlatformConstants.h"

namespace kw {

class RegistryBackend;

// An item that saves itself to a stream and loads itself from one.
class TPersistObj : public TObject {
 public:
  virtual void SaveToStream(TStream& stream) const = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
};

// An ordered list that owns its items and makes new ones through CreateItem.
//
// Binary form: WriteCount (Count), then one WriteObject record per item. Every item of a list
// saved or loaded in this form must be a TPersistObj, or "Invalid class typecast"
// (EInvalidCast) is raised.
//
// Failed binary load: LoadFromStream empties the list first and, when anything goes wrong
// (a count field whose size is not 4, a negative count, a count larger than the rest of the
// stream can hold, a stream that ends inside a record, or an error from an item's own
// LoadFromStream), empties it again and raises the error (EStreamError for a malformed
// stream). The list is then always empty: no half-built item and never the old content. The
// stream's position is then unspecified. Nothing is allocated for a count before it has been
// checked against the bytes left in the stream (each record takes at least 4).
class TPersistObjList {
 public:
  TPersistObjList() = default;
  TPersistObjList(const TPersistObjList&) = delete;
  TPersistObjList& operator=(const TPersistObjList&) = delete;
  virtual ~TPersistObjList() = default;

  // Copies every item of source through a memory stream, in source's stream form (the text
  // form between two TMultiOptions). Copying a list into itself keeps its content.
  virtual void Assign(const TPersistObjList& source);
  // The binary form: a count, then one length-prefixed record per item.
  virtual void SaveToStream(TStream& stream) const;
  virtual void LoadFromStream(TStream& stream);
  // Appends a new item from CreateItem (no Owner set) and returns its position.
  virtual int AddNew();

  // Empties the list, then appends n new items (none for n <= 0).
  void SetItemCount(int n);
  int Count() const { return static_cast<int>(items_.size()); }
  // Frees every item.
  void Clear() { items_.clear(); }
  // Frees the item at position. Raise EListError "List index out of bounds (%d)" for a
  // position outside 0..Count-1; the list is then unchanged.
  void Delete(int position);
  TObject& Item(int position) const;

 protected:
  // The factory. Subclasses make their own kind of item.
  virtual std::unique_ptr<TObject> CreateItem() = 0;
  // Appends an item (raises when it is null); returns it.
  TObject& Append(std::unique_ptr<TObject> item);

 private:
  std::vector<std::unique_ptr<TObject>> items_;
};

// A collection of option lists, found by position or by ListName (compared exactly, letter
// case significant). Its items are made by CreateItem, which a subclass may override to make
// a subclass of TOptionsList; an item that is not a TOptionsList (only possible through a
// factory that breaks this rule) makes Add and the accessors raise EInvalidCast "Invalid class
// typecast".
class TMultiOptions : public TPersistObjList {
 public:
  // A new list from CreateItem, appended, with Owner set to this collection; Index stays 0.
  TOptionsList& Add();
  // The list at position; sets its Index to position. Raise "List index out of bounds (%d)".
  TOptionsList& GetItem(int position);
  // The first list named name (letter case significant), refreshing the Index of each list
  // it passes (the match included); null when none.
  TOptionsList* FindByName(std::string_view name);
  // FindByName, or Add with ListName set to name.
  TOptionsList& FindOrAdd(std::string_view name);

  // The text form: "[ListName]", the lines as held, an empty line; per list; CR LF after each
  // line. Loading empties the collection, then reads sections: a line "[name]" starts (or, for
  // a name already read, restarts with no lines) the list FindOrAdd(name), other non-empty
  // lines are appended to the current list, empty lines and lines before the first header
  // are skipped; a NUL ends the text.
  void SaveToStream(TStream& stream) const override;
  void LoadFromStream(TStream& stream) override;

  // The registry form: one subkey per list under key (named by its ListName), one REG_SZ
  // value per line (the name before the first "=", the stored value after it; a line without
  // "=" is not stored, a line "=x" is the default value). Registry failures give false;
  // nothing is raised.
  //
  // Save never loses a list that was stored before. On success the
  // key holds exactly one subkey per distinct name (names equal without regard to letter case
  // share one subkey; the later list wins, with its name), each with exactly its list's
  // values, and no values of its own. On failure every list stored before can still be
  // loaded, with its old lines; lists whose name the collection no longer holds may remain,
  // and so may the new lists when the failure came only while obsolete subkeys were deleted.
  // How: the old state is read first; new names are written before stored lists are changed;
  // stored lists are brought up to date in place (a list that already holds its new lines is
  // not written at all); when a write fails, what the save changed is undone (new subkeys
  // deleted, changed ones put back from the copy read before); obsolete subkeys are deleted
  // only after every write succeeded. A stored list that cannot be read, an empty ListName or
  // one containing "\", or a key that cannot be opened or created give false before anything
  // is changed. The undo writes to the registry as well: if the registry refuses that too,
  // the stored lists already changed keep their new lines, and the one being changed when the
  // write failed keeps every old value, some with their new data.
  bool SaveToRegistry(RegistryBackend& registry, std::string_view key, RootKey root);
  // Empties the collection, then adds one list per subkey (FindOrAdd of its name, in the
  // registry's enumeration order) and loads it. False when the key is missing or a list fails
  // to load (a value that is not a string); the lists read so far, the failing one included,
  // stay.
  bool LoadFromRegistry(RegistryBackend& registry, std::string_view key, RootKey root);

 protected:
  std::unique_ptr<TObject> CreateItem() override;

 private:
  // The item at position as an option list (checked), without touching its Index.
  TOptionsList& ListAt(int position) const;
};

// One item record of the binary form: the item's SaveToStream output as one block. Raise
// EInvalidCast "Invalid class typecast" for an item that is not a TPersistObj.
void WriteObject(TStream& stream, const TObject& item);
// Reads one block and lets the item load itself from it (from the block's start). Raise
// EInvalidCast "Invalid class typecast" for an item that is not a TPersistObj, before reading.
void ReadObject(TStream& stream, TObject& item);

}  // namespace kw
