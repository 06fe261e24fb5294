// The two concrete container readers behind ContainerReader::Open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/saved/container.h"

namespace standin {

class BinaryReader final : public ContainerReader {
 public:
  // Checks that the top-level blocks fill the data exactly; throws.
  BinaryReader(std::string data, const std::string& source);
  void Rewind() override;

 private:
  struct Frame {
    size_t start;  // offset of the block's header
    size_t end;    // offset just past its payload
    std::uint32_t id;
  };
  int Read(char* bytes, int count) override;
  int ReadInts(void* values, int count, int size, bool isSigned) override;
  int ReadFloats(float* values, int count) override;
  int ReadString(char* text, int capacity) override;
  std::uint32_t FindBlock(const BlockId* list) override;
  void EndBlock() override;
  int Depth() const override { return static_cast<int>(frames_.size()); }

  size_t LevelEnd() const;
  // How many whole values of `size` bytes the current block still holds,
  // up to `count`; records a failure when that is fewer than `count`.
  int Available(int count, int size);
  std::uint32_t BigEndian(size_t at, int size) const;

  std::string data_;
  size_t pos_ = 0;
  std::vector<Frame> frames_;
};

class TextReader final : public ContainerReader {
 public:
  // Parses the whole text into blocks; throws on any malformed line.
  TextReader(const std::string& text, const std::string& source);
  void Rewind() override;

 private:
  struct Item {
    int line;
    std::string word;     // a value, when `child` is 0
    size_t child;         // index of a nested block, else 0
  };
  struct Block {
    std::string token;
    bool leaf;
    int line;
    std::vector<Item> items;
  };
  struct Frame {
    size_t block;
    size_t next;  // the next item to read
  };
  int Read(char* bytes, int count) override;
  int ReadInts(void* values, int count, int size, bool isSigned) override;
  int ReadFloats(float* values, int count) override;
  int ReadString(char* text, int capacity) override;
  std::uint32_t FindBlock(const BlockId* list) override;
  void EndBlock() override;
  int Depth() const override { return static_cast<int>(frames_.size()) - 1; }

  void ParseLine(const std::vector<std::string>& words, int line,
                 std::vector<size_t>* open);
  // The next value word of the current block, or null at its end or at a
  // nested block.
  const Item* NextValue();
  void ShortRead(int wanted, int got);
  // Reads up to `count` values: `store(n, word)` keeps the nth or returns
  // the reason it is not one. The count read, -1 for none.
  template <typename Store>
  int ReadEach(int count, Store store);

  std::vector<Block> blocks_;  // blocks_[0]: the container itself
  std::vector<Frame> frames_;
};

}  // namespace standin
