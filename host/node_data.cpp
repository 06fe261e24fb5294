#include "host/node_data.h"

#include <cstdlib>

namespace quillane {

namespace {

struct ConnectorSpec {
  InputHandle NodeData::*field;
  int type;
  const char* name;
};

// The node's inputs, in the order the host shows them.
constexpr ConnectorSpec kInputs[] = {
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

void SetDefaults(NodeData* data) {
  data->color[0] = 1.0;
  data->color[1] = 1.0;
  data->color[2] = 1.0;
  data->specular = 1.0;
  data->uGlossiness = 0.5;
  data->vGlossiness = 0.1;
  data->axis = 1;
  data->tangentRotate = 0.0;
  data->customLightType = kLightDistant;
  data->classicMode = 0;
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
  for (const ConnectorSpec& input : kInputs)
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
  dst->color[0] = src->color[0];
  dst->color[1] = src->color[1];
  dst->color[2] = src->color[2];
  dst->specular = src->specular;
  dst->uGlossiness = src->uGlossiness;
  dst->vGlossiness = src->vGlossiness;
  dst->axis = src->axis;
  dst->tangentRotate = src->tangentRotate;
  dst->customLightType = src->customLightType;
  dst->classicMode = src->classicMode;
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
