// Fakes of the host's save and load records for the persistence tests. The
// saver keeps every block the module writes; the loader hands back scripted
// blocks, values and all, as a host reading a scene would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostapi/hostapi.h"

// One block, as written or as offered to a read.
struct FakeBlock {
  std::uint32_t id = 0;
  int leaf = -1;  // as written; loads ignore it
  std::vector<float> floats;
  std::vector<std::int32_t> ints;
  std::vector<int> floatCounts;  // count of each write or read call
  std::vector<int> intCounts;
};

// Four characters of a block identifier, for messages.
std::string BlockName(std::uint32_t id);

class FakeSaver {
 public:
  FakeSaver();
  const SaveState* State() const { return &state_; }

  std::vector<FakeBlock> blocks;
  std::vector<const BlockId*> entries;  // the list entry of each block
  int openBlocks = 0;                   // begin minus end

 private:
  SaveState state_{};
};

class FakeLoader {
 public:
  // A loader over blocks in file order. With `honourList` off, findBlock
  // also answers identifiers missing from the module's list.
  explicit FakeLoader(std::vector<FakeBlock> file, bool honourList = true);
  const LoadState* State() const { return &state_; }

  std::vector<FakeBlock> file;
  bool honourList;
  std::vector<std::string> trace;  // "find SPC1", "readFloat 1", "end", ...
  size_t next = 0;                 // the next block findBlock looks at
  FakeBlock* current = nullptr;    // the block entered last
  size_t floatCursor = 0;
  size_t intCursor = 0;

 private:
  LoadState state_{};
};

// Blocks for a loader, with the values their reads deliver.
FakeBlock FloatBlock(std::uint32_t id, std::vector<float> values);
FakeBlock IntBlock(std::uint32_t id, std::vector<std::int32_t> values);
