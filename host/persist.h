// Saving and loading a node's settings as tagged blocks in the host's scene
// data. The host owns the container; the module owns the blocks, their
// identifiers, tokens and contents.
#pragma once

#include <cstdint>

#include "host/services.h"

namespace quillane {

// Packs four ASCII characters into a block identifier, first character in
// the most significant byte.
constexpr std::uint32_t BlockTag(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

constexpr std::uint32_t kBlockVersion = BlockTag('H', 'V', 'E', 'R');
constexpr std::uint32_t kBlockColor = BlockTag('C', 'O', 'L', '1');
constexpr std::uint32_t kBlockSpecular = BlockTag('S', 'P', 'C', '1');
constexpr std::uint32_t kBlockUGlossiness = BlockTag('U', 'R', 'G', '1');
constexpr std::uint32_t kBlockVGlossiness = BlockTag('V', 'R', 'G', '1');
constexpr std::uint32_t kBlockAxis = BlockTag('A', 'X', 'S', '1');
constexpr std::uint32_t kBlockTangentRotate = BlockTag('T', 'A', 'N', '1');
constexpr std::uint32_t kBlockLightType = BlockTag('L', 'I', 'G', '1');
constexpr std::uint32_t kBlockClassic = BlockTag('C', 'L', 'C', '1');

// The nine blocks in the order save writes them, ended by {0, null}. Load
// accepts them in any order.
constexpr int kBlockCount = 9;
extern const BlockId kNodeBlocks[kBlockCount + 1];

// Instance-table load entry. `instance` is a NodeData made by create;
// `load` is the host's load record, valid for the call. Reads every block
// the host finds, in any order, into the matching setting: floats are
// widened to double, integers stored without range checks, unknown blocks
// skipped, and a repeated block overwrites again. A value the host's read
// does not deliver keeps the current setting (at single precision, the
// precision settings are stored at). Always returns null: the module
// reports no load errors.
const char* LoadNode(void* instance, const LoadState* load);

// Instance-table save entry. Writes the nine blocks in order, settings
// narrowed to 32-bit floats and integers; the version block holds 0. Leaf
// flag 1 for the version, colour and specular blocks, 0 for the others.
// Always returns null.
const char* SaveNode(void* instance, const SaveState* save);

}  // namespace quillane
