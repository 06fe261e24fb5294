#include "host/persist.h"

#include "host/node_data.h"

namespace quillane {

const BlockId kNodeBlocks[kBlockCount + 1] = {
    {kBlockVersion, "Version"},   {kBlockColor, "Color"},
    {kBlockSpecular, "Specular"}, {kBlockUGlossiness, "URough"},
    {kBlockVGlossiness, "VRough"}, {kBlockAxis, "Axis"},
    {kBlockTangentRotate, "TanRot"}, {kBlockLightType, "LigType"},
    {kBlockClassic, "Classic"},   {0, nullptr},
};

namespace {

// The format version written into "HVER"; reading ignores it.
constexpr std::int32_t kFormatVersion = 0;

// The first three blocks are written as leaves, the others not.
int LeafFlag(std::uint32_t id) {
  return id == kBlockVersion || id == kBlockColor || id == kBlockSpecular;
}

// The double setting a one-float block holds, or null.
double* FloatSetting(NodeData* data, std::uint32_t id) {
  switch (id) {
    case kBlockSpecular: return &data->specular;
    case kBlockUGlossiness: return &data->uGlossiness;
    case kBlockVGlossiness: return &data->vGlossiness;
    case kBlockTangentRotate: return &data->tangentRotate;
    default: return nullptr;
  }
}

// The integer setting a one-integer block holds, or null.
std::int32_t* IntSetting(NodeData* data, std::uint32_t id) {
  switch (id) {
    case kBlockAxis: return &data->axis;
    case kBlockLightType: return &data->customLightType;
    case kBlockClassic: return &data->classicMode;
    default: return nullptr;
  }
}

void WriteBlockContent(NodeData* data, const SaveState* save,
                       std::uint32_t id) {
  if (id == kBlockVersion) {
    save->writeI4(save->data, &kFormatVersion, 1);
  } else if (id == kBlockColor) {
    const float rgb[3] = {static_cast<float>(data->color[0]),
                          static_cast<float>(data->color[1]),
                          static_cast<float>(data->color[2])};
    save->writeFloat(save->data, rgb, 3);
  } else if (const double* real = FloatSetting(data, id)) {
    const float value = static_cast<float>(*real);
    save->writeFloat(save->data, &value, 1);
  } else if (const std::int32_t* integer = IntSetting(data, id)) {
    save->writeI4(save->data, integer, 1);
  }
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
  } else if (id == kBlockColor) {
    ReadFloats(load, data->color, 3);
  } else if (double* real = FloatSetting(data, id)) {
    ReadFloats(load, real, 1);
  } else if (std::int32_t* integer = IntSetting(data, id)) {
    ReadInt(load, integer);
  }
}

}  // namespace

const char* LoadNode(void* instance, const LoadState* load) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data || !load) return nullptr;
  // Each block found overwrites its own setting; others keep their values.
  while (const std::uint32_t id = load->findBlock(load->data, kNodeBlocks)) {
    ReadBlockContent(data, load, id);
    load->endBlock(load->data);
  }
  return nullptr;
}

const char* SaveNode(void* instance, const SaveState* save) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data || !save) return nullptr;
  for (int i = 0; i < kBlockCount; ++i) {
    const BlockId* block = &kNodeBlocks[i];
    save->beginBlock(save->data, block, LeafFlag(block->id));
    WriteBlockContent(data, save, block->id);
    save->endBlock(save->data);
  }
  return nullptr;
}

}  // namespace quillane
