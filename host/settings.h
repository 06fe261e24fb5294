// The node's eight settings, each described once: where it lives in the
// record and what it starts as, the block it is saved in, how the panel
// shows it, and the key the stand-in host's eval lines give it. Defaults,
// copy, persistence and the panel walk this table; the evaluation reads the
// record's fields by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/node_data.h"

namespace quillane {

// Packs four ASCII characters into a saved block identifier, first character
// in the most significant byte.
constexpr std::uint32_t BlockTag(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

// How a setting is held, saved and handed to the panel: three doubles saved
// as three floats, one double saved as one float, or one 32-bit integer.
enum class SettingType { kColor, kReal, kInteger };

// When the panel offers a setting's control: always, or according to whether
// the setting's input is wired.
enum class Shown { kAlways, kWhileUnwired, kWhileWired };

struct Setting {
  std::size_t field;         // offset of the value in NodeData
  SettingType type;
  double initial;            // value of a new node, in every colour channel
  std::uint32_t block;       // saved block identifier
  const char* token;         // saved block token
  int leaf;                  // leaf flag the block is saved with
  PanelId control;           // panel control identifier
  const char* label;         // control label
  const char* controlClass;  // control class
  const char* dataName;      // name in the panel's data description
  const char* dataType;      // type in the panel's data description
  InputHandle NodeData::*input;  // the input `shown` looks at, or null
  Shown shown;
  const char* evalKey;       // key under "settings" in an eval line
};

inline constexpr int kSettingCount = 8;

// In the order the blocks are saved and the controls listed.
inline constexpr Setting kSettings[kSettingCount] = {
    {offsetof(NodeData, color), SettingType::kColor, 1.0,
     BlockTag('C', 'O', 'L', '1'), "Color", 1,
     0x8001, "Color", "color", "Color", "color",
     &NodeData::inColor, Shown::kWhileUnwired, "color"},
    {offsetof(NodeData, specular), SettingType::kReal, 1.0,
     BlockTag('S', 'P', 'C', '1'), "Specular", 1,
     0x8002, "Specular", "percent", "Specular", "percent",
     &NodeData::inSpecular, Shown::kWhileUnwired, "specular"},
    {offsetof(NodeData, uGlossiness), SettingType::kReal, 0.5,
     BlockTag('U', 'R', 'G', '1'), "URough", 0,
     0x8003, "U Glossiness", "percent", "UGlossiness", "percent",
     &NodeData::inUGlossiness, Shown::kWhileUnwired, "uGlossiness"},
    {offsetof(NodeData, vGlossiness), SettingType::kReal, 0.1,
     BlockTag('V', 'R', 'G', '1'), "VRough", 0,
     0x8004, "V Glossiness", "percent", "VGlossiness", "percent",
     &NodeData::inVGlossiness, Shown::kWhileUnwired, "vGlossiness"},
    {offsetof(NodeData, axis), SettingType::kInteger, 1.0,
     BlockTag('A', 'X', 'S', '1'), "Axis", 0,
     0x8005, "Axis", "axis", "Axis", "integer",
     &NodeData::inAxis, Shown::kWhileUnwired, "axis"},
    {offsetof(NodeData, tangentRotate), SettingType::kReal, 0.0,
     BlockTag('T', 'A', 'N', '1'), "TanRot", 0,
     0x8006, "Tangent Rotate", "angle", "TangentRotate", "angle",
     &NodeData::inTangentRotate, Shown::kWhileUnwired, "tangentRotate"},
    // The light type matters only while a custom light is wired.
    {offsetof(NodeData, customLightType), SettingType::kInteger, kLightDistant,
     BlockTag('L', 'I', 'G', '1'), "LigType", 0,
     0x8007, "Custom Light Type", "iPopChoice", "CustomLightType", "integer",
     &NodeData::inCustomLight, Shown::kWhileWired, "customLightType"},
    {offsetof(NodeData, classicMode), SettingType::kInteger, 0.0,
     BlockTag('C', 'L', 'C', '1'), "Classic", 0,
     0x8008, "Classic Mode", "iBoolean", "ClassicMode", "integer",
     nullptr, Shown::kAlways, "classicMode"},
};

// The setting whose eval key is `key`, or null.
constexpr const Setting* SettingWithKey(std::string_view key) {
  for (const Setting& s : kSettings)
    if (key == s.evalKey) return &s;
  return nullptr;
}

// The setting saved in block `id`, or null.
const Setting* SettingInBlock(std::uint32_t id);
// The setting shown by control `id`, or null.
const Setting* SettingOfControl(PanelId id);

// The address of `setting` in `data`; the record owns it.
inline void* SettingValue(NodeData* data, const Setting& setting) {
  return reinterpret_cast<unsigned char*>(data) + setting.field;
}
inline const void* SettingValue(const NodeData* data, const Setting& setting) {
  return reinterpret_cast<const unsigned char*>(data) + setting.field;
}

// Values the setting holds: three for a colour, else one.
inline int SettingChannels(const Setting& setting) {
  return setting.type == SettingType::kColor ? 3 : 1;
}

// Bytes the setting takes in the record and in a panel value.
inline std::size_t SettingSize(const Setting& setting) {
  if (setting.type == SettingType::kInteger) return sizeof(std::int32_t);
  return static_cast<std::size_t>(SettingChannels(setting)) * sizeof(double);
}

}  // namespace quillane
