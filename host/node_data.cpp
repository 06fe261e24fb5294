#include "host/node_data.h"

#include <cstdlib>
#include <cstring>

#include "host/settings.h"

namespace quillane {

namespace {

struct Connector {
  InputHandle NodeData::*field;
  int type;
  const char* name;
};

// The node's inputs, in the order the host shows them.
constexpr Connector kInputs[] = {
    {&NodeData::inColor, kConnectionColor, "Color"},
    {&NodeData::inSpecular, kConnectionScalar, "Specular"},
    {&NodeData::inUGlossiness, kConnectionScalar, "U Glossiness"},
    {&NodeData::inVGlossiness, kConnectionScalar, "V Glossiness"},
    {&NodeData::inAxis, kConnectionVector, "Axis"},
    {&NodeData::inTangentRotate, kConnectionScalar, "Tangent Rotate"},
    {&NodeData::inNormal, kConnectionVector, "Normal"},
    {&NodeData::inUV, kConnectionVector, "UV"},
    {&NodeData::inCustomLight, kConnectionVector, "Custom Light"},
};

// A colour starts with every channel at the setting's initial value.
void SetDefault(NodeData* data, const Setting& setting) {
  void* value = SettingValue(data, setting);
  if (setting.type == SettingType::kInteger) {
    *static_cast<std::int32_t*>(value) =
        static_cast<std::int32_t>(setting.initial);
    return;
  }
  for (int i = 0; i < SettingChannels(setting); ++i)
    static_cast<double*>(value)[i] = setting.initial;
}

void SetDefaults(NodeData* data) {
  for (const Setting& setting : kSettings) SetDefault(data, setting);
}

}  // namespace

void* CreateNode(void* /*priv*/, void* context, const char** error) {
  auto* data = static_cast<NodeData*>(std::calloc(1, sizeof(NodeData)));
  if (!data) {
    if (error) *error = kCreateNoMemory;
    return nullptr;
  }
  data->node = static_cast<NodeHandle>(context);
  data->panel = nullptr;
  gHost.node->setPreviewMode(data->node, 0);

  // Connector handles are stored as the host returns them, null included.
  for (const Connector& input : kInputs)
    data->*input.field =
        gHost.input->create(data->node, input.type, input.name, NodeInputEvent);
  data->outColor = gHost.output->create(data->node, kConnectionColor, "Color");

  SetDefaults(data);
  return data;
}

void DestroyNode(void* instance) {
  auto* data = static_cast<NodeData*>(instance);
  if (!data) return;
  // A panel outlives its service only if the host withdrew "LWXPanel"; the
  // record is freed either way.
  if (data->panel && gHost.panel) gHost.panel->destroy(data->panel);
  std::free(data);
}

const char* CopyNode(void* to, void* from) {
  auto* dst = static_cast<NodeData*>(to);
  const auto* src = static_cast<const NodeData*>(from);
  if (!dst || !src) return nullptr;
  for (const Setting& setting : kSettings)
    std::memmove(SettingValue(dst, setting), SettingValue(src, setting),
                 SettingSize(setting));
  return nullptr;
}

int NodeInputEvent(void* instance, InputHandle /*input*/, int event,
                   void* /*data*/) {
  auto* data = static_cast<NodeData*>(instance);
  // Wiring an input hides or shows its control, so the panel re-reads.
  if (data && data->panel && gHost.panel) gHost.panel->viewRefresh(data->panel);
  if (event == kEventValueChanged) gHost.instanceUpdate(kClassNodeHandler, data);
  return 1;
}

}  // namespace quillane
