#include "host/settings.h"

namespace quillane {

const Setting* SettingInBlock(std::uint32_t id) {
  for (const Setting& s : kSettings)
    if (s.block == id) return &s;
  return nullptr;
}

const Setting* SettingOfControl(PanelId id) {
  for (const Setting& s : kSettings)
    if (s.control == id) return &s;
  return nullptr;
}

}  // namespace quillane
