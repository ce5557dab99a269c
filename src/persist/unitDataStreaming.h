#pragma once
// Option lists: ordered name=value lines with a name of their own, typed accessors for their
// values, and the codec that keeps any value on one line of a NUL-terminated string.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PlatformConstants.h"

namespace kw {

class TMultiOptions;
class RegistryBackend;

// The root of the classes whose objects a collection holds.
class TObject {
 public:
  virtual ~TObject() = default;
};

// An ordered list of text lines, unsorted, duplicates allowed. A line "name=value" has the
// name before its first "="; lookups by name ignore letter case.
class TStringList : public TObject {
 public:
  TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;
  virtual ~TStringList() = default;

  int Count() const { return static_cast<int>(lines_.size()); }
  // Raise "List index out of bounds (%d)" for a position outside 0..Count-1.
  const std::string& Get(int index) const;
  void Put(int index, std::string line);
  void Delete(int index);
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Position of the first line whose name equals name without regard to letter case; -1.
  int IndexOfName(std::string_view name) const;

  // Replaces all lines with those of source, in order.
  virtual void Assign(const TStringList& source);

  // Every line followed by CR LF.
  std::string Text() const;
  // Replaces the lines: CR, LF or CR LF ends a line, a NUL ends the text.
  void SetText(std::string_view text);

 private:
  std::vector<std::string> lines_;
};

// The name part of a line, or false when the line holds no "=".
bool SplitLine(std::string_view line, std::string_view& name, std::string_view& value);

// An option list: a record of name=value lines carrying its own name.
class TOptionsList : public TStringList {
 public:
  // An empty list with a newly generated ListName.
  TOptionsList();
  TOptionsList(const TOptionsList&) = delete;
  TOptionsList& operator=(const TOptionsList&) = delete;

  // Copies the lines; from another option list also its Index and ListName (never Owner).
  void Assign(const TStringList& source) override;

  // The registry form: root\path holds one REG_SZ value per line (name before the first
  // "=", the stored value after it; a line without "=" is not stored, "=x" is the default
  // value; of lines whose names differ only in letter case the first names the value and the
  // last gives its data). Failures give false; nothing is raised. Save creates the key when
  // missing and brings it to exactly those values (no others, no subkeys) in place, writing
  // only values that differ, then deleting leftovers: a failed save leaves a mix of new and
  // old values, never fewer than the old ones. Load
  // replaces the lines with the key's values in enumeration order; false when the key is
  // missing or a value is not a string (the lines read before it stay).
  bool SaveToRegistry(RegistryBackend& registry, std::string_view path, RootKey root) const;
  bool LoadFromRegistry(RegistryBackend& registry, std::string_view path, RootKey root);

  std::int32_t Index = 0;
  std::string ListName;
  TMultiOptions* Owner = nullptr;  // the collection that made it; not owning
};

// Counts option-list constructions, 0..99, wrapping from 99 to 0.
extern int ListCounter;

// Makes the name of a new option list: the clock re-seeds the generator, ListCounter is
// advanced and the name is "<R>6-<counter>2" for a random R in 0..999998.
std::string GenerateListName();

// Milliseconds since midnight (UTC); tests may replace the clock (nullptr restores it).
using ListNameClock = std::uint32_t (*)();
void SetListNameClock(ListNameClock clock);

// Typed access to the values of any list of name=value lines. Values are held encoded.
std::string GetOptionString(const TStringList& lines, std::string_view name);
// An empty value removes the line of name; otherwise the first line of name is replaced in
// place (written with name as passed) or a new line is appended.
void SetOptionString(TStringList& lines, std::string_view name, std::string_view value);
bool GetOptionBool(const TStringList& lines, std::string_view name);  // exactly "TRUE"
void SetOptionBool(TStringList& lines, std::string_view name, bool flag);
// -1 when absent or empty; raises EConvertError "'<text>' is not a valid integer value".
std::int32_t GetOptionInt(const TStringList& lines, std::string_view name);
void SetOptionInt(TStringList& lines, std::string_view name, std::int32_t number);

// "=>" \x01 "NULL" \x01 "<=": stands for one NUL inside a value.
inline constexpr std::string_view NullMarker{"=>\x01NULL\x01<=", 10};

// The stored form of a value: never holds a character below code 32. Values that hold a
// control character or NUL, or both begin and end with "%", are quoted with "%". A NUL is
// written as a NullMarker, or as ‹%00› where a NullMarker would run into the text before it.
// Every value that does not hold the NullMarker's text reads back unchanged.
std::string EncodeValue(std::string_view plain);
// The plain value of a stored form. A stored form that is not quoted with "%" is returned
// as it is. Inside a quoted one "%%" is a percent sign, "%" with two hexadecimal digits the
// character of that code (‹%00› a NUL, ‹%25› a percent sign), any other "%" a literal
// percent sign, and each NullMarker a NUL.
std::string DecodeValue(std::string_view stored);

}  // namespace kw
