#include "standin/saved/container.h"
#include "standin/saved/container_readers.h"

namespace standin {

// The load record's operations. Each takes the record's `data` (the reader)
// first; values go to caller-owned buffers of at least `count` entries.
//   read, readI1 .. readU4, readFloat: the next `count` values of the
//     current block; return how many were read, -1 when none could be. A
//     short read or a value of the wrong kind is also kept as the reader's
//     error.
//   readString: the next string, cut to `capacity` - 1 bytes and ended with
//     a zero; returns its length, or -1.
//   readId: identifier values are not part of either form; always -1.
//   findBlock: enters the next block of the current level whose identifier
//     (binary) or token (text) is in the list ended by id 0; returns its
//     identifier, or 0 when none is left. Blocks not in the list are skipped.
//   endBlock: leaves the block entered last, skipping what was not read.
//   depth: how many blocks are entered.
struct ReaderOps {
  static ContainerReader* Of(void* data) {
    return static_cast<ContainerReader*>(data);
  }
  static int Read(void* d, char* bytes, int count) {
    return Of(d)->Read(bytes, count);
  }
  template <typename T>
  static int Ints(void* d, T* values, int count) {
    return Of(d)->ReadInts(values, count, static_cast<int>(sizeof(T)),
                           std::is_signed_v<T>);
  }
  static int Floats(void* d, float* values, int count) {
    return Of(d)->ReadFloats(values, count);
  }
  static int String(void* d, char* text, int capacity) {
    return Of(d)->ReadString(text, capacity);
  }
  static int Id(void*, const BlockId*) { return -1; }
  static std::uint32_t Find(void* d, const BlockId* list) {
    return list ? Of(d)->FindBlock(list) : 0;
  }
  static void End(void* d) { Of(d)->EndBlock(); }
  static int Depth(void* d) { return Of(d)->Depth(); }
};

ContainerReader::ContainerReader() {
  state_.data = this;
  state_.read = ReaderOps::Read;
  state_.readI1 = ReaderOps::Ints<std::int8_t>;
  state_.readI2 = ReaderOps::Ints<std::int16_t>;
  state_.readI4 = ReaderOps::Ints<std::int32_t>;
  state_.readU1 = ReaderOps::Ints<std::uint8_t>;
  state_.readU2 = ReaderOps::Ints<std::uint16_t>;
  state_.readU4 = ReaderOps::Ints<std::uint32_t>;
  state_.readFloat = ReaderOps::Floats;
  state_.readString = ReaderOps::String;
  state_.readId = ReaderOps::Id;
  state_.findBlock = ReaderOps::Find;
  state_.endBlock = ReaderOps::End;
  state_.depth = ReaderOps::Depth;
}

void ContainerReader::Fail(const std::string& message) {
  if (error_.empty()) error_ = source_ + ": " + message;
}

void ContainerReader::Rewind() { error_.clear(); }

std::unique_ptr<ContainerReader> ContainerReader::Open(
    const std::string& data, ContainerForm form, const std::string& source) {
  std::unique_ptr<ContainerReader> reader;
  if (form == ContainerForm::kBinary) {
    reader = std::make_unique<BinaryReader>(data, source);
    reader->state_.ioMode = kIoBinary;
  } else {
    reader = std::make_unique<TextReader>(data, source);
    reader->state_.ioMode = kIoText;
  }
  reader->source_ = source;
  return reader;
}

}  // namespace standin
