#include "host/panel.h"

#include <cstring>

namespace quillane {

namespace {

const PanelControl kControls[] = {
    {kCtlColor, "Color", "color"},
    {kCtlSpecular, "Specular", "percent"},
    {kCtlUGlossiness, "U Glossiness", "percent"},
    {kCtlVGlossiness, "V Glossiness", "percent"},
    {kCtlAxis, "Axis", "axis"},
    {kCtlTangentRotate, "Tangent Rotate", "angle"},
    {kCtlLightType, "Custom Light Type", "iPopChoice"},
    {kCtlClassic, "Classic Mode", "iBoolean"},
    {0, nullptr, nullptr},
};

const PanelDataDesc kDataDesc[] = {
    {kCtlColor, "Color", "color"},
    {kCtlSpecular, "Specular", "percent"},
    {kCtlUGlossiness, "UGlossiness", "percent"},
    {kCtlVGlossiness, "VGlossiness", "percent"},
    {kCtlAxis, "Axis", "integer"},
    {kCtlTangentRotate, "TangentRotate", "angle"},
    {kCtlLightType, "CustomLightType", "integer"},
    {kCtlClassic, "ClassicMode", "integer"},
    {0, nullptr, nullptr},
};

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

bool Wired(InputHandle input) { return gHost.input->isConnected(input) != 0; }

// The setting shown by `id` and the input that hides it when wired.
struct ControlSetting {
  void* setting;
  InputHandle input;
};

ControlSetting SettingOf(NodeData* data, PanelId id) {
  switch (id) {
    case kCtlColor: return {data->color, data->inColor};
    case kCtlSpecular: return {&data->specular, data->inSpecular};
    case kCtlUGlossiness: return {&data->uGlossiness, data->inUGlossiness};
    case kCtlVGlossiness: return {&data->vGlossiness, data->inVGlossiness};
    case kCtlAxis: return {&data->axis, data->inAxis};
    case kCtlTangentRotate:
      return {&data->tangentRotate, data->inTangentRotate};
    default: return {nullptr, nullptr};
  }
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
  data->panel = gHost.panel->create(kPanelTypeView, kControls);
  if (!data->panel) return nullptr;

  gHost.panel->describe(data->panel, kDataDesc, PanelGet, PanelSet);
  const HintList hints = MakeHints(label);
  gHost.panel->hint(data->panel, 0, hints.entries);
  gHost.panel->viewInstance(data->panel, data);
  gHost.panel->setData(data->panel, 0, data);
  return data->panel;
}

void* PanelGet(void* instance, PanelId id) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data) return nullptr;
  if (id == kCtlClassic) return &data->classicMode;
  // The light type matters only while a custom light is wired.
  if (id == kCtlLightType)
    return Wired(data->inCustomLight) ? &data->customLightType : nullptr;
  const ControlSetting control = SettingOf(data, id);
  if (!control.setting || Wired(control.input)) return nullptr;
  return control.setting;
}

int PanelSet(void* instance, PanelId id, void* value) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data || !value) return 0;
  switch (id) {
    case kCtlColor:
      std::memcpy(data->color, value, sizeof data->color);
      return 1;
    case kCtlSpecular:
    case kCtlUGlossiness:
    case kCtlVGlossiness:
    case kCtlTangentRotate:
      std::memcpy(SettingOf(data, id).setting, value, sizeof(double));
      return 1;
    case kCtlAxis:
      std::memcpy(&data->axis, value, sizeof data->axis);
      return 1;
    case kCtlLightType:
      std::memcpy(&data->customLightType, value, sizeof data->customLightType);
      return 1;
    case kCtlClassic:
      std::memcpy(&data->classicMode, value, sizeof data->classicMode);
      return 1;
    default:
      return 0;
  }
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
