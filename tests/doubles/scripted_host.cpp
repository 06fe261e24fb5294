#include "tests/doubles/scripted_host.h"

#include <cstring>
#include <string>
#include <stdexcept>

#include "host/module.h"

using namespace quillane;

namespace scripted {
namespace {

const std::vector<Light>* gLights = nullptr;
Offer gOffer;
int gObject = 0;  // its address is the scene's one object

Input* AsInput(InputHandle h) { return reinterpret_cast<Input*>(h); }
Node* AsNode(NodeHandle h) { return reinterpret_cast<Node*>(h); }
const Light* AsLight(ItemHandle h) { return reinterpret_cast<const Light*>(h); }
ItemHandle AsItem(const Light* l) {
  return reinterpret_cast<ItemHandle>(const_cast<Light*>(l));
}

InputHandle CreateInput(NodeHandle node, int type, const char*, InputEventFunc) {
  Node* n = AsNode(node);
  if (!n || n->created >= 9) return nullptr;
  Input* input = &n->inputs[n->created++];
  input->type = type;
  return reinterpret_cast<InputHandle>(input);
}
void DestroyInput(NodeHandle, InputHandle) {}
int EvaluateInput(InputHandle handle, SpotInfo*, void* value) {
  const Input* input = AsInput(handle);
  const size_t count = input && input->type == kConnectionScalar ? 1 : 3;
  double out[3] = {0.0, 0.0, 0.0};
  if (input && input->connected) std::memcpy(out, input->value, sizeof out);
  std::memcpy(value, out, count * sizeof(double));
  return input && input->connected ? 1 : 0;
}
int IsConnected(InputHandle handle) {
  return handle && AsInput(handle)->connected ? 1 : 0;
}
const NodeInputFuncs kInputFuncs = {CreateInput, DestroyInput, EvaluateInput,
                                    IsConnected};

OutputHandle CreateOutput(NodeHandle node, int, const char*) {
  if (node) ++AsNode(node)->outputs;
  return reinterpret_cast<OutputHandle>(node);
}
void DestroyOutput(NodeHandle, OutputHandle) {}
void SetValue(ValueHandle value, const void* rgb) {
  auto* result = reinterpret_cast<Result*>(value);
  std::memcpy(result->rgb, rgb, sizeof result->rgb);
  ++result->sets;
}
const NodeOutputFuncs kOutputFuncs = {CreateOutput, DestroyOutput, SetValue};

const char* NodeName(NodeHandle) { return "Quillane (1)"; }
void SetPreviewMode(NodeHandle, int) {}
void RefreshPreview(NodeHandle) {}
const NodeFuncs kNodeFuncs = {NodeName, nullptr, nullptr, nullptr,
                              nullptr,  SetPreviewMode, RefreshPreview};

int InstanceUpdate(const char*, void*) { return 1; }

int ObjectCount() { return 1; }
ItemHandle ObjectAt(int index) { return index == 0 ? Host::Object() : nullptr; }
const SceneObjects kSceneObjects = {ObjectCount, ObjectAt};

ItemHandle FirstItem(int type, ItemHandle parent) {
  if (type != kItemLight || parent || gLights->empty()) return nullptr;
  return AsItem(gLights->data());
}
ItemHandle NextItem(ItemHandle item) {
  const Light* next = AsLight(item) + 1;
  return next < gLights->data() + gLights->size() ? AsItem(next) : nullptr;
}
const ItemInfo kItemInfo = {FirstItem, NextItem};

int ExcludedLight(ItemHandle object, ItemHandle light) {
  return object == Host::Object() && AsLight(light)->excluded ? 1 : 0;
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

int Illuminate(ItemHandle item, const double*, double direction[3],
               double color[3]) {
  const Light* light = AsLight(item);
  std::memcpy(direction, light->direction, sizeof light->direction);
  std::memcpy(color, light->color, sizeof light->color);
  return light->reaches;
}
double RayTrace(const double*, const double*, double color[3]) {
  color[0] = color[1] = color[2] = 0.0;
  return -1.0;
}

void* Lookup(const char* name, int) {
  const std::string n = name;
  if (n == "NodeInputFuncs") return const_cast<NodeInputFuncs*>(&kInputFuncs);
  if (n == "NodeOutputFuncs") return const_cast<NodeOutputFuncs*>(&kOutputFuncs);
  if (n == "NodeFuncs") return const_cast<NodeFuncs*>(&kNodeFuncs);
  if (n == "Instance Update") return reinterpret_cast<void*>(&InstanceUpdate);
  if (n == "Scene Objects 6") return const_cast<SceneObjects*>(&kSceneObjects);
  if (n == "LW Item Info 4" && gOffer.itemInfo) return const_cast<ItemInfo*>(&kItemInfo);
  if (n == "LW Object Info 7" && gOffer.objectInfo)
    return const_cast<ObjectInfo*>(&kObjectInfo);
  if (n == "LW Light Info 4" && gOffer.lightInfo)
    return const_cast<LightInfo*>(&kLightInfo);
  return nullptr;
}

}  // namespace

Host::Host(const std::vector<Light>* lights) {
  if (gLights) throw std::logic_error("one scripted host at a time");
  gLights = lights;
}

Host::~Host() { gLights = nullptr; }

int Host::Activate(const Offer& offer) {
  gOffer = offer;
  record_ = {&instance_, nullptr, nullptr, nullptr};
  return ActivateNode(1, Lookup, &record_, nullptr);
}

NodeData* Host::Create(Node* node) {
  const char* error = nullptr;
  return static_cast<NodeData*>(
      instance_.create(instance_.priv, reinterpret_cast<NodeHandle>(node), &error));
}

void Host::Destroy(NodeData* data) { instance_.destroy(data); }

void Host::Evaluate(NodeData* data, SpotInfo* spot, Result* result) const {
  record_.evaluate(data, spot, nullptr, reinterpret_cast<ValueHandle>(result));
}

SpotInfo Host::Spot() {
  SpotInfo spot{};
  spot.normal[2] = 1.0;
  spot.raySource[2] = 5.0;
  for (int i = 0; i < 3; ++i) spot.toWorld[i * 4] = spot.toLocal[i * 4] = 1.0;
  spot.illuminate = Illuminate;
  spot.rayTrace = RayTrace;
  spot.object = Object();
  return spot;
}

ItemHandle Host::Object() { return reinterpret_cast<ItemHandle>(&gObject); }

}  // namespace scripted
