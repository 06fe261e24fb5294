#include "host/node_data.h"

#include <cstdlib>
#include <cstring>

#include "host/inputs.h"
#include "host/settings.h"

namespace quillane {

namespace {

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
  for (const NodeInput& input : kNodeInputs)
    data->*input.handle =
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
