#include "tests/host/fake_store.h"

#include <algorithm>

namespace {

FakeSaver* AsSaver(void* data) { return static_cast<FakeSaver*>(data); }
FakeLoader* AsLoader(void* data) { return static_cast<FakeLoader*>(data); }

void BeginBlock(void* data, const BlockId* id, int leaf) {
  FakeSaver* saver = AsSaver(data);
  FakeBlock& block = saver->blocks.emplace_back();
  block.id = id->id;
  block.leaf = leaf;
  saver->entries.push_back(id);
  ++saver->openBlocks;
}
void EndSaveBlock(void* data) { --AsSaver(data)->openBlocks; }
void WriteFloat(void* data, const float* values, int count) {
  FakeBlock& block = AsSaver(data)->blocks.back();
  block.floats.insert(block.floats.end(), values, values + count);
  block.floatCounts.push_back(count);
}
void WriteI4(void* data, const std::int32_t* values, int count) {
  FakeBlock& block = AsSaver(data)->blocks.back();
  block.ints.insert(block.ints.end(), values, values + count);
  block.intCounts.push_back(count);
}

bool Listed(const BlockId* list, std::uint32_t id) {
  for (; list->id; ++list)
    if (list->id == id) return true;
  return false;
}

std::uint32_t FindBlock(void* data, const BlockId* list) {
  FakeLoader* loader = AsLoader(data);
  while (loader->next < loader->file.size()) {
    FakeBlock& block = loader->file[loader->next++];
    if (loader->honourList && !Listed(list, block.id)) continue;
    loader->trace.push_back("find " + BlockName(block.id));
    loader->current = &block;
    loader->floatCursor = loader->intCursor = 0;
    return block.id;
  }
  loader->trace.push_back("find none");
  return 0;
}
void EndLoadBlock(void* data) {
  AsLoader(data)->trace.push_back("end");
  AsLoader(data)->current = nullptr;
}

// Copies what is left of `source`, at most `count` values; -1 when nothing is.
template <typename T>
int ReadValues(const std::vector<T>& source, size_t* cursor, T* values,
               int count) {
  const size_t left = source.size() - std::min(*cursor, source.size());
  const size_t n = std::min(left, static_cast<size_t>(count));
  std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(*cursor), n, values);
  *cursor += n;
  return n == 0 ? -1 : static_cast<int>(n);
}
int ReadFloat(void* data, float* values, int count) {
  FakeLoader* loader = AsLoader(data);
  loader->trace.push_back("readFloat " + std::to_string(count));
  if (!loader->current) return -1;
  return ReadValues(loader->current->floats, &loader->floatCursor, values,
                    count);
}
int ReadI4(void* data, std::int32_t* values, int count) {
  FakeLoader* loader = AsLoader(data);
  loader->trace.push_back("readI4 " + std::to_string(count));
  if (!loader->current) return -1;
  return ReadValues(loader->current->ints, &loader->intCursor, values, count);
}

}  // namespace

std::string BlockName(std::uint32_t id) {
  std::string name;
  for (int shift = 24; shift >= 0; shift -= 8)
    name.push_back(static_cast<char>((id >> shift) & 0xFF));
  return name;
}

FakeSaver::FakeSaver() {
  state_.data = this;
  state_.writeFloat = WriteFloat;
  state_.writeI4 = WriteI4;
  state_.beginBlock = BeginBlock;
  state_.endBlock = EndSaveBlock;
}

FakeLoader::FakeLoader(std::vector<FakeBlock> blocks, bool honour)
    : file(std::move(blocks)), honourList(honour) {
  state_.data = this;
  state_.readFloat = ReadFloat;
  state_.readI4 = ReadI4;
  state_.findBlock = FindBlock;
  state_.endBlock = EndLoadBlock;
}

FakeBlock FloatBlock(std::uint32_t id, std::vector<float> values) {
  FakeBlock block;
  block.id = id;
  block.floats = std::move(values);
  return block;
}

FakeBlock IntBlock(std::uint32_t id, std::vector<std::int32_t> values) {
  FakeBlock block;
  block.id = id;
  block.ints = std::move(values);
  return block;
}
