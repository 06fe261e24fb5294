#include "bench/minimal_host.h"

#include <cstring>

namespace bench {

BenchScene gScene;

namespace {

BenchInput* AsInput(InputHandle h) { return reinterpret_cast<BenchInput*>(h); }
BenchLight* AsLight(ItemHandle h) { return reinterpret_cast<BenchLight*>(h); }
ItemHandle AsItem(BenchLight* l) { return reinterpret_cast<ItemHandle>(l); }

// "NodeInputFuncs": inputs live in the node record the node handle names.
InputHandle CreateInput(NodeHandle node, int type, const char* name,
                        InputEventFunc /*onEvent*/) {
  auto* n = reinterpret_cast<BenchNode*>(node);
  if (n->created >= static_cast<int>(n->inputs.size())) return nullptr;
  BenchInput& input = n->inputs[static_cast<std::size_t>(n->created++)];
  input.name = name;
  input.count = type == kConnectionScalar ? 1 : 3;
  return reinterpret_cast<InputHandle>(&input);
}
int EvaluateInput(InputHandle input, SpotInfo* /*spot*/, void* value) {
  const BenchInput* in = AsInput(input);
  std::memcpy(value, in->value, sizeof(double) * static_cast<std::size_t>(in->count));
  return 1;
}
int IsConnected(InputHandle input) { return AsInput(input)->connected; }
const NodeInputFuncs kInputFuncs = {CreateInput, nullptr, EvaluateInput,
                                    IsConnected};

// "NodeOutputFuncs": the value handle is where the three doubles go.
OutputHandle CreateOutput(NodeHandle node, int /*type*/, const char* /*name*/) {
  return reinterpret_cast<OutputHandle>(node);
}
void SetValue(ValueHandle value, const void* result) {
  std::memcpy(value, result, 3 * sizeof(double));
}
const NodeOutputFuncs kOutputFuncs = {CreateOutput, nullptr, SetValue};

const char* NodeName(NodeHandle /*node*/) { return "Quillane (1)"; }
void SetPreviewMode(NodeHandle /*node*/, int /*mode*/) {}
void RefreshPreview(NodeHandle /*node*/) {}
const NodeFuncs kNodeFuncs = {NodeName, nullptr, nullptr, nullptr,
                              nullptr,  SetPreviewMode, RefreshPreview};

int InstanceUpdate(const char* /*className*/, void* /*instance*/) { return 1; }

int ObjectCount() { return 1; }
ItemHandle ObjectAt(int /*index*/) { return reinterpret_cast<ItemHandle>(&gScene); }
const SceneObjects kSceneObjects = {ObjectCount, ObjectAt};

// "LW Item Info 4": the lights in the scene's order.
ItemHandle FirstItem(int type, ItemHandle parent) {
  if (type != kItemLight || parent || gScene.lights.empty()) return nullptr;
  return AsItem(gScene.lights.data());
}
ItemHandle NextItem(ItemHandle item) {
  BenchLight* next = AsLight(item) + 1;
  return next < gScene.lights.data() + gScene.lights.size() ? AsItem(next)
                                                           : nullptr;
}
const ItemInfo kItemInfo = {FirstItem, NextItem};

int ExcludedLight(ItemHandle /*object*/, ItemHandle light) {
  return AsLight(light)->excluded;
}
ObjectInfo MakeObjectInfo() {
  ObjectInfo info{};
  info.excludedLight = ExcludedLight;
  return info;
}
const ObjectInfo kObjectInfo = MakeObjectInfo();

unsigned LightFlags(ItemHandle light) { return AsLight(light)->flags; }
LightInfo MakeLightInfo() {
  LightInfo info{};
  info.flags = LightFlags;
  return info;
}
const LightInfo kLightInfo = MakeLightInfo();

int Illuminate(ItemHandle light, const double* /*position*/, double* direction,
               double* color) {
  const BenchLight* l = AsLight(light);
  std::memcpy(direction, l->direction, sizeof l->direction);
  std::memcpy(color, l->color, sizeof l->color);
  return l->illuminate;
}
double RayTrace(const double* /*origin*/, const double* /*direction*/,
                double* color) {
  color[0] = color[1] = color[2] = 0.0;
  return -1.0;
}

}  // namespace

BenchInput& BenchNode::Input(const std::string& name) {
  for (BenchInput& input : inputs)
    if (input.name == name) return input;
  return inputs.back();
}

const BenchInput& BenchNode::Input(const std::string& name) const {
  for (const BenchInput& input : inputs)
    if (input.name == name) return input;
  return inputs.back();
}

void* Lookup(const char* name, int /*useMode*/) {
  const std::string n = name;
  const void* table = nullptr;
  if (n == "NodeInputFuncs") table = &kInputFuncs;
  if (n == "NodeOutputFuncs") table = &kOutputFuncs;
  if (n == "NodeFuncs") table = &kNodeFuncs;
  if (n == "Instance Update") table = reinterpret_cast<const void*>(&InstanceUpdate);
  if (n == "Scene Objects 6") table = &kSceneObjects;
  if (gScene.offerItems) {
    if (n == "LW Item Info 4") table = &kItemInfo;
    if (n == "LW Object Info 7") table = &kObjectInfo;
    if (n == "LW Light Info 4") table = &kLightInfo;
  }
  return const_cast<void*>(table);
}

HostTables Tables() {
  return {&kInputFuncs, &kOutputFuncs, gScene.offerItems ? &kItemInfo : nullptr,
          gScene.offerItems ? &kObjectInfo : nullptr,
          gScene.offerItems ? &kLightInfo : nullptr};
}

SpotInfo MakeSpot() {
  SpotInfo spot{};
  spot.normal[2] = 1.0;
  spot.raySource[2] = 5.0;
  for (int i = 0; i < 9; i += 4) spot.toWorld[i] = spot.toLocal[i] = 1.0;
  spot.illuminate = Illuminate;
  spot.rayTrace = RayTrace;
  spot.object = reinterpret_cast<ItemHandle>(&gScene);
  return spot;
}

}  // namespace bench
