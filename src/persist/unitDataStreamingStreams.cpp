#include "persist/unitDataStreamingStreams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "util/unitErrors.h"

namespace kw {

// ---- TStream ----

std::uint64_t TStream::Remaining() const {
  const std::uint64_t size = Size(), position = Position();
  return position < size ? size - position : 0;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (Read(buffer, count) != count) throw EStreamError("Stream read error");
}

// ---- TMemoryStream ----

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= data_.size() || count == 0) return 0;
  const std::size_t at = static_cast<std::size_t>(position_);
  const std::size_t n = std::min(count, data_.size() - at);
  std::memcpy(buffer, data_.data() + at, n);
  position_ += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  const std::uint64_t end = position_ + count;
  if (end < position_ || end > data_.max_size()) throw EStreamError("Stream write error");
  const std::size_t at = static_cast<std::size_t>(position_);
  if (end > data_.size()) data_.resize(static_cast<std::size_t>(end), '\0');
  std::memcpy(data_.data() + at, buffer, count);
  position_ = end;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

// ---- integers, the count field and blocks ----

void WriteInt16(TStream& stream, std::uint16_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value & 0xFF), static_cast<unsigned char>(value >> 8)};
  stream.Write(bytes, sizeof bytes);
}

void WriteInt32(TStream& stream, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  unsigned char bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>((bits >> (8 * i)) & 0xFF);
  stream.Write(bytes, sizeof bytes);
}

std::uint16_t ReadInt16(TStream& stream) {
  unsigned char bytes[2];
  stream.ReadBuffer(bytes, sizeof bytes);
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::int32_t ReadInt32(TStream& stream) {
  unsigned char bytes[4];
  stream.ReadBuffer(bytes, sizeof bytes);
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return static_cast<std::int32_t>(bits);
}

void WriteCount(TStream& stream, std::int32_t count) {
  WriteInt16(stream, 4);
  WriteInt32(stream, count);
}

std::int32_t ReadCount(TStream& stream) {
  if (stream.Remaining() < 2) throw EStreamError("Stream ends inside the count field");
  const std::uint16_t size = ReadInt16(stream);
  if (size != 4)
    throw EStreamError("Invalid count field: its size is " + std::to_string(size) + " bytes, not 4");
  if (stream.Remaining() < 4) throw EStreamError("Stream ends inside the count field");
  return ReadInt32(stream);
}

void WriteBlock(TStream& stream, const TMemoryStream& block) {
  const std::string& bytes = block.Data();
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw EStreamError("Block too large for the stream form (" + std::to_string(bytes.size()) + " bytes)");
  WriteInt32(stream, static_cast<std::int32_t>(bytes.size()));
  if (!bytes.empty()) stream.Write(bytes.data(), bytes.size());
}

void ReadBlock(TStream& stream, TMemoryStream& block) {
  if (stream.Remaining() < 4) throw EStreamError("Stream ends inside a record's length field");
  const std::int32_t length = ReadInt32(stream);
  block.Clear();
  if (length >= 1) {
    const std::uint64_t left = stream.Remaining();
    if (static_cast<std::uint64_t>(length) > left)
      throw EStreamError("Stream ends inside a record: " + std::to_string(length) + " bytes announced, " +
                         std::to_string(left) + " left");
    std::string bytes(static_cast<std::size_t>(length), '\0');
    stream.ReadBuffer(bytes.data(), bytes.size());
    block.Write(bytes.data(), bytes.size());
  }
  block.SetPosition(0);
}

}  // namespace kw
