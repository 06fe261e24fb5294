#include "host/panel.h"

#include <array>
#include <cstring>
#include <iterator>

namespace quillane {

namespace {

// One entry per setting, `entry` of each, then one of id 0 that ends the
// list.
template <typename Entry, typename Make>
constexpr std::array<Entry, kSettingCount + 1> PerSetting(Make entry) {
  std::array<Entry, kSettingCount + 1> list{};
  for (std::size_t i = 0; i < std::size(kSettings); ++i)
    list[i] = entry(kSettings[i]);
  return list;
}

// The host keeps both lists for the panel's lifetime.
constexpr auto kControls = PerSetting<PanelControl>([](const Setting& s) {
  return PanelControl{s.control, s.label, s.controlClass};
});
constexpr auto kDataDesc = PerSetting<PanelDataDesc>([](const Setting& s) {
  return PanelDataDesc{s.control, s.dataName, s.dataType};
});

constexpr PanelId kCtlLightType = SettingWithKey("customLightType")->control;

// "Custom Light Type" choices; the index is the stored value.
const char* const kLightTypeChoices[] = {"Distant", "Point", nullptr};

template <typename T>
PanelHint HintArg(T value) {
  return reinterpret_cast<PanelHint>(value);
}

// The hint list for one panel, a flat run of tags and their arguments.
struct HintList {
  PanelHint entries[kPanelHintCount];
};

// The label is the node's current name, so the list is made per panel.
HintList MakeHints(const char* label) {
  return {{
      kHintChangeNotify, HintArg(&PanelChange),
      kHintLabel,        0, HintArg(label), 0,
      kHintStringList,   kCtlLightType, HintArg(&kLightTypeChoices[0]), 0,
      0,
  }};
}

// Whether the panel offers the setting's control now.
bool Offered(const NodeData* data, const Setting& setting) {
  switch (setting.shown) {
    case Shown::kAlways: return true;
    case Shown::kWhileWired: return Wired(data->*setting.input);
    case Shown::kWhileUnwired: return !Wired(data->*setting.input);
  }
  return false;
}

}  // namespace

int ActivateInterface(int version, ServiceLookup lookup, void* local,
                      void* /*serverData*/) {
  if (version != kNodeInterfaceVersion) return kActivateBadVersion;
  auto* record = static_cast<InterfaceRecord*>(local);
  if (!record) return kActivateBadLocal;
  const auto* panel =
      lookup ? static_cast<const PanelFuncs*>(lookup(kServicePanel, kServiceGeneralUse)) : nullptr;
  if (!panel) return kActivateBadService;
  gHost.panel = panel;

  record->panel = BuildPanel(static_cast<NodeData*>(record->instance));
  record->options = nullptr;
  record->command = nullptr;
  return kActivateOk;
}

PanelHandle BuildPanel(NodeData* data) {
  if (!data) return nullptr;
  if (data->panel) return data->panel;

  const char* label = gHost.node->nodeName(data->node);
  data->panel = gHost.panel->create(kPanelTypeView, kControls.data());
  if (!data->panel) return nullptr;

  gHost.panel->describe(data->panel, kDataDesc.data(), PanelGet, PanelSet);
  const HintList hints = MakeHints(label);
  gHost.panel->hint(data->panel, 0, hints.entries);
  gHost.panel->viewInstance(data->panel, data);
  gHost.panel->setData(data->panel, 0, data);
  return data->panel;
}

void* PanelGet(void* instance, PanelId id) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data) return nullptr;
  const Setting* setting = SettingOfControl(id);
  if (!setting || !Offered(data, *setting)) return nullptr;
  return SettingValue(data, *setting);
}

int PanelSet(void* instance, PanelId id, void* value) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data || !value) return 0;
  const Setting* setting = SettingOfControl(id);
  if (!setting) return 0;
  // The host may hand back the very address PanelGet gave it.
  std::memmove(SettingValue(data, *setting), value, SettingSize(*setting));
  return 1;
}

void PanelChange(PanelHandle panel, PanelId /*control*/, PanelId /*value*/,
                 int event) {
  if (!panel || !gHost.panel) return;
  auto* data = static_cast<NodeData*>(gHost.panel->getData(panel, 0));
  if (!data || event != kEventValueChanged) return;
  gHost.instanceUpdate(kClassNodeHandler, data);
  gHost.node->refreshPreview(data->node);
}

}  // namespace quillane
