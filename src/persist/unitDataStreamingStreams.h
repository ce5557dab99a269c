#pragma once
// Streams of bytes for the stream forms of option lists: the abstract TStream, the
// in-memory TMemoryStream, and the unit's routines for the binary form's count field and
// length-prefixed blocks. All integers of the binary form are little-endian.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

// A sequence of bytes with a current position. Reading and writing start at the position
// and advance it.
class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (fewer only at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes, overwriting and extending the stream; raises EStreamError when the
  // stream cannot take them.
  virtual void Write(const void* buffer, std::size_t count) = 0;
  virtual std::uint64_t Position() const = 0;
  virtual std::uint64_t Size() const = 0;
  // A position beyond the end is allowed: reading there gives nothing, and writing fills the
  // gap with zero bytes.
  virtual void SetPosition(std::uint64_t position) = 0;

  // The bytes from the position to the end (0 when the position lies beyond it).
  std::uint64_t Remaining() const;
  // Exactly count bytes, or EStreamError "Stream read error" (the bytes that were there
  // are consumed).
  void ReadBuffer(void* buffer, std::size_t count);
};

// A stream held in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  // A stream holding bytes, positioned at its start.
  explicit TMemoryStream(std::string_view bytes) : data_(bytes) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Position() const override { return position_; }
  std::uint64_t Size() const override { return data_.size(); }
  void SetPosition(std::uint64_t position) override { position_ = position; }

  // Empties the stream; the position goes back to 0.
  void Clear();
  // The whole content, whatever the position.
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  std::uint64_t position_ = 0;
};

// Little-endian integers at the stream's position; the readers raise EStreamError when the
// stream ends before the integer does.
void WriteInt16(TStream& stream, std::uint16_t value);
void WriteInt32(TStream& stream, std::int32_t value);
std::uint16_t ReadInt16(TStream& stream);
std::int32_t ReadInt32(TStream& stream);

// The count field: the 2-byte size of the count (always 4), then the count in 4 bytes.
void WriteCount(TStream& stream, std::int32_t count);
// Raises EStreamError when the size is not 4 or the stream ends inside the field. The count
// itself is returned as read (it may be negative; the caller judges it).
std::int32_t ReadCount(TStream& stream);

// One block: its length L in 4 bytes, then, when L is 1 or more, the block's L bytes. The
// block is written whole, from its start, whatever its position.
void WriteBlock(TStream& stream, const TMemoryStream& block);
// Empties block, reads one block into it and sets its position to 0. A length of 0 or less
// gives an empty block; a length beyond what the stream still holds raises EStreamError before
// anything is allocated or consumed beyond the length field.
void ReadBlock(TStream& stream, TMemoryStream& block);

}  // namespace kw
