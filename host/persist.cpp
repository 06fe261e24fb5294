#include "host/persist.h"

#include "host/node_data.h"

namespace quillane {

namespace {

// The format version written into "HVER"; reading ignores it.
constexpr std::int32_t kFormatVersion = 0;

// The version block is written as a leaf.
constexpr int kVersionLeaf = 1;

void WriteSetting(const NodeData* data, const SaveState* save,
                  const Setting& setting) {
  const void* value = SettingValue(data, setting);
  if (setting.type == SettingType::kInteger) {
    save->writeI4(save->data, static_cast<const std::int32_t*>(value), 1);
    return;
  }
  float narrowed[3] = {};
  const int count = SettingChannels(setting);
  for (int i = 0; i < count; ++i)
    narrowed[i] = static_cast<float>(static_cast<const double*>(value)[i]);
  save->writeFloat(save->data, narrowed, count);
}

// Reads `count` floats over `settings`. The buffer starts as the current
// settings, so values a short read leaves out stay as they were.
void ReadFloats(const LoadState* load, double* settings, int count) {
  float buffer[3];
  for (int i = 0; i < count; ++i) buffer[i] = static_cast<float>(settings[i]);
  load->readFloat(load->data, buffer, count);
  for (int i = 0; i < count; ++i) settings[i] = buffer[i];
}

// Reads one integer over `setting` through a scratch value that starts as
// the current setting, so a failed read changes nothing.
void ReadInt(const LoadState* load, std::int32_t* setting) {
  std::int32_t scratch = *setting;
  load->readI4(load->data, &scratch, 1);
  *setting = scratch;
}

void ReadBlockContent(NodeData* data, const LoadState* load,
                      std::uint32_t id) {
  if (id == kBlockVersion) {
    std::int32_t version = kFormatVersion;
    load->readI4(load->data, &version, 1);
    return;
  }
  const Setting* setting = SettingInBlock(id);
  if (!setting) return;
  void* value = SettingValue(data, *setting);
  if (setting->type == SettingType::kInteger)
    ReadInt(load, static_cast<std::int32_t*>(value));
  else
    ReadFloats(load, static_cast<double*>(value), SettingChannels(*setting));
}

}  // namespace

const char* LoadNode(void* instance, const LoadState* load) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data || !load) return nullptr;
  // Each block found overwrites its own setting; others keep their values.
  while (const std::uint32_t id =
             load->findBlock(load->data, kNodeBlocks.data())) {
    ReadBlockContent(data, load, id);
    load->endBlock(load->data);
  }
  return nullptr;
}

const char* SaveNode(void* instance, const SaveState* save) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data || !save) return nullptr;
  const BlockId* block = kNodeBlocks.data();
  save->beginBlock(save->data, block, kVersionLeaf);
  save->writeI4(save->data, &kFormatVersion, 1);
  save->endBlock(save->data);
  for (const Setting& setting : kSettings) {
    save->beginBlock(save->data, ++block, setting.leaf);
    WriteSetting(data, save, setting);
    save->endBlock(save->data);
  }
  return nullptr;
}

}  // namespace quillane
