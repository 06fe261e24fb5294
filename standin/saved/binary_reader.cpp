#include <bit>
#include <cstring>

#include "standin/saved/container_readers.h"

namespace standin {
namespace {

constexpr size_t kHeaderSize = 8;

std::string IdText(std::uint32_t id) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i)
    text[static_cast<size_t>(i)] = static_cast<char>((id >> (24 - 8 * i)) & 0xFF);
  return text;
}

bool PrintableId(std::uint32_t id) {
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t c = (id >> shift) & 0xFF;
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string At(size_t offset) { return "offset " + std::to_string(offset) + ": "; }

}  // namespace

BinaryReader::BinaryReader(std::string data, const std::string& source)
    : data_(std::move(data)) {
  // Every top-level block must have a whole header, a readable identifier
  // and a payload that ends inside the data.
  size_t at = 0;
  while (at < data_.size()) {
    const size_t left = data_.size() - at;
    if (left < kHeaderSize)
      throw ContainerError(source + ": " + At(at) + "truncated block header (" +
                           std::to_string(left) + " of 8 bytes)");
    const std::uint32_t id = BigEndian(at, 4);
    if (!PrintableId(id))
      throw ContainerError(source + ": " + At(at) +
                           "block identifier is not four printable characters");
    const size_t length = BigEndian(at + 4, 4);
    if (length > left - kHeaderSize)
      throw ContainerError(source + ": " + At(at) + "block \"" + IdText(id) +
                           "\" claims " + std::to_string(length) +
                           " bytes but only " +
                           std::to_string(left - kHeaderSize) + " follow");
    at += kHeaderSize + length;
  }
}

void BinaryReader::Rewind() {
  ContainerReader::Rewind();
  pos_ = 0;
  frames_.clear();
}

std::uint32_t BinaryReader::BigEndian(size_t at, int size) const {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i)
    value = (value << 8) | static_cast<unsigned char>(data_[at + static_cast<size_t>(i)]);
  return value;
}

size_t BinaryReader::LevelEnd() const {
  return frames_.empty() ? data_.size() : frames_.back().end;
}

int BinaryReader::Available(int count, int size) {
  if (frames_.empty()) {
    Fail(At(pos_) + "value read outside any block");
    return 0;
  }
  if (count <= 0) return 0;
  const size_t whole = (LevelEnd() - pos_) / static_cast<size_t>(size);
  if (whole >= static_cast<size_t>(count)) return count;
  Fail(At(pos_) + "block \"" + IdText(frames_.back().id) + "\" ends after " +
       std::to_string(whole) + " of " + std::to_string(count) + " values");
  return static_cast<int>(whole);
}

int BinaryReader::Read(char* bytes, int count) {
  const int n = Available(count, 1);
  std::memcpy(bytes, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += static_cast<size_t>(n);
  return n > 0 ? n : -1;
}

int BinaryReader::ReadInts(void* values, int count, int size, bool isSigned) {
  const int n = Available(count, size);
  auto* out = static_cast<unsigned char*>(values);
  for (int i = 0; i < n; ++i) {
    const std::uint32_t raw = BigEndian(pos_, size);
    pos_ += static_cast<size_t>(size);
    // Narrow to the value's own width; the sign comes with the bit pattern.
    unsigned char* dest = out + static_cast<ptrdiff_t>(i) * size;
    if (size == 1) *dest = static_cast<unsigned char>(raw);
    if (size == 2) {
      const auto v = static_cast<std::uint16_t>(raw);
      std::memcpy(dest, &v, 2);
    }
    if (size == 4) std::memcpy(dest, &raw, 4);
  }
  (void)isSigned;
  return n > 0 ? n : -1;
}

int BinaryReader::ReadFloats(float* values, int count) {
  const int n = Available(count, 4);
  for (int i = 0; i < n; ++i) {
    values[i] = std::bit_cast<float>(BigEndian(pos_, 4));
    pos_ += 4;
  }
  return n > 0 ? n : -1;
}

int BinaryReader::ReadString(char* text, int capacity) {
  if (Available(1, 1) == 0 || capacity <= 0) return -1;
  const size_t end = LevelEnd();
  const size_t zero = data_.find('\0', pos_);
  if (zero == std::string::npos || zero >= end) {
    Fail(At(pos_) + "string runs past the end of block \"" +
         IdText(frames_.back().id) + "\"");
    return -1;
  }
  const size_t length = std::min(zero - pos_, static_cast<size_t>(capacity - 1));
  std::memcpy(text, data_.data() + pos_, length);
  text[length] = '\0';
  pos_ = zero + 1;
  return static_cast<int>(length);
}

std::uint32_t BinaryReader::FindBlock(const BlockId* list) {
  const size_t end = LevelEnd();
  while (pos_ < end) {
    if (end - pos_ < kHeaderSize) {
      Fail(At(pos_) + "truncated block header");
      pos_ = end;
      return 0;
    }
    const std::uint32_t id = BigEndian(pos_, 4);
    const size_t length = BigEndian(pos_ + 4, 4);
    if (length > end - pos_ - kHeaderSize) {
      Fail(At(pos_) + "block \"" + IdText(id) + "\" runs past its parent");
      pos_ = end;
      return 0;
    }
    const size_t start = pos_;
    pos_ += kHeaderSize;
    for (const BlockId* entry = list; entry->id != 0; ++entry) {
      if (entry->id != id) continue;
      frames_.push_back({start, pos_ + length, id});
      return id;
    }
    pos_ += length;
  }
  return 0;
}

void BinaryReader::EndBlock() {
  if (frames_.empty()) return;
  pos_ = frames_.back().end;
  frames_.pop_back();
}

}  // namespace standin
