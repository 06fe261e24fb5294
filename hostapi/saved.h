// Saved data: the host owns the container, the module owns the blocks.
#pragma once

#include <cstddef>
#include <cstdint>

// A block identifier: four ASCII characters packed with the first in the most
// significant byte, and the token naming the block in the host's text form.
// Block lists end with id 0 and a null token.
struct BlockId {
  std::uint32_t id;
  const char* token;
};

constexpr int kIoBinary = 0;
constexpr int kIoText = 1;

// Every operation takes `data` first. Reads return the number of values
// read, or -1 at the end of the current block or on failure.
struct LoadState {
  int ioMode;  // kIoBinary or kIoText
  void* data;
  int (*read)(void* data, char* bytes, int count);
  int (*readI1)(void* data, std::int8_t* values, int count);
  int (*readI2)(void* data, std::int16_t* values, int count);
  int (*readI4)(void* data, std::int32_t* values, int count);
  int (*readU1)(void* data, std::uint8_t* values, int count);
  int (*readU2)(void* data, std::uint16_t* values, int count);
  int (*readU4)(void* data, std::uint32_t* values, int count);
  int (*readFloat)(void* data, float* values, int count);
  int (*readString)(void* data, char* text, int capacity);
  int (*readId)(void* data, const BlockId* list);
  // Enters the next block at this level whose identifier is in `list` and
  // returns that identifier, skipping others; 0 when none is left.
  std::uint32_t (*findBlock)(void* data, const BlockId* list);
  // Leaves the block entered by findBlock, skipping what was not read.
  void (*endBlock)(void* data);
  int (*depth)(void* data);
};

// Writes return nothing the module looks at.
struct SaveState {
  int ioMode;  // kIoBinary or kIoText
  void* data;
  void (*write)(void* data, const char* bytes, int count);
  void (*writeI1)(void* data, const std::int8_t* values, int count);
  void (*writeI2)(void* data, const std::int16_t* values, int count);
  void (*writeI4)(void* data, const std::int32_t* values, int count);
  void (*writeU1)(void* data, const std::uint8_t* values, int count);
  void (*writeU2)(void* data, const std::uint16_t* values, int count);
  void (*writeU4)(void* data, const std::uint32_t* values, int count);
  void (*writeFloat)(void* data, const float* values, int count);
  void (*writeString)(void* data, const char* text);
  void (*writeId)(void* data, const BlockId* id);
  // Opens a block for `id`. A leaf block (`leaf` non-zero) holds only
  // values; a non-leaf block may hold nested blocks.
  void (*beginBlock)(void* data, const BlockId* id, int leaf);
  // Closes the block opened last.
  void (*endBlock)(void* data);
  int (*depth)(void* data);
};

static_assert(offsetof(LoadState, data) == sizeof(void*));
static_assert(offsetof(LoadState, readI4) == 5 * sizeof(void*));
static_assert(offsetof(LoadState, readFloat) == 9 * sizeof(void*));
static_assert(offsetof(LoadState, findBlock) == 12 * sizeof(void*));
static_assert(offsetof(SaveState, beginBlock) == 12 * sizeof(void*));
