// Saving and loading a node's settings as tagged blocks in the host's scene
// data. The host owns the container; the module owns the blocks, their
// identifiers, tokens and contents.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

#include "host/services.h"
#include "host/settings.h"

namespace quillane {

// The format version block, saved first and ignored on reading.
constexpr std::uint32_t kBlockVersion = BlockTag('H', 'V', 'E', 'R');

// The version block, then one block per setting in the table's order.
constexpr int kBlockCount = kSettingCount + 1;

constexpr std::array<BlockId, kBlockCount + 1> MakeBlockList() {
  std::array<BlockId, kBlockCount + 1> list{};
  list[0] = {kBlockVersion, "Version"};
  for (std::size_t i = 0; i < std::size(kSettings); ++i)
    list[i + 1] = {kSettings[i].block, kSettings[i].token};
  return list;  // ends with {0, null}
}

// The blocks in the order save writes them, ended by {0, null}. Load accepts
// them in any order.
inline constexpr std::array<BlockId, kBlockCount + 1> kNodeBlocks =
    MakeBlockList();

// Instance-table load entry. `instance` is a NodeData made by create;
// `load` is the host's load record, valid for the call. Reads every block
// the host finds, in any order, into the matching setting: floats are
// widened to double, integers stored without range checks, unknown blocks
// skipped, and a repeated block overwrites again. A value the host's read
// does not deliver keeps the current setting (at single precision, the
// precision settings are stored at). Always returns null: the module
// reports no load errors.
const char* LoadNode(void* instance, const LoadState* load);

// Instance-table save entry. Writes the blocks in order, settings narrowed
// to 32-bit floats and integers; the version block holds 0. The version
// block and each setting's block carry the leaf flag the settings table
// gives. Always returns null.
const char* SaveNode(void* instance, const SaveState* save);

}  // namespace quillane
