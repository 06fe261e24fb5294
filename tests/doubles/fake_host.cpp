#include "tests/doubles/fake_host.h"

#include <cstring>
#include <string_view>

#include <gtest/gtest.h>

using namespace quillane;

FakeHost* FakeHost::current = nullptr;

namespace {

FakeHost& Host() { return *FakeHost::current; }
void Record(std::string_view what, std::string_view arg = {}) {
  if (!Host().recording) return;
  std::string line(what);
  if (!arg.empty()) line.append(" ").append(arg);
  Host().trace.push_back(std::move(line));
}

FakeInput* AsInput(InputHandle h) { return reinterpret_cast<FakeInput*>(h); }
FakeNode* AsNode(NodeHandle h) { return reinterpret_cast<FakeNode*>(h); }
FakeLight* AsLight(ItemHandle h) { return reinterpret_cast<FakeLight*>(h); }
FakePanel* AsPanel(PanelHandle h) { return reinterpret_cast<FakePanel*>(h); }

// "NodeInputFuncs"
InputHandle CreateInput(NodeHandle node, int type, const char* name,
                        InputEventFunc onEvent) {
  Record("createInput", name);
  FakeInput& input = AsNode(node)->inputs.emplace_back();
  input.name = name;
  input.type = type;
  input.onEvent = onEvent;
  return reinterpret_cast<InputHandle>(&input);
}
int EvaluateInput(InputHandle input, SpotInfo*, void* value) {
  FakeInput* in = AsInput(input);
  Record("evaluate", in->name);
  const int count = in->type == kConnectionScalar ? 1 : 3;
  std::memcpy(value, in->value, sizeof(double) * static_cast<size_t>(count));
  return 1;
}
int IsConnected(InputHandle input) {
  Record("isConnected", AsInput(input)->name);
  return AsInput(input)->connected ? 1 : 0;
}
const NodeInputFuncs kInputFuncs = {CreateInput, nullptr, EvaluateInput,
                                    IsConnected};

// "NodeOutputFuncs"
OutputHandle CreateOutput(NodeHandle node, int type, const char* name) {
  Record("createOutput", std::string(name) + " " + std::to_string(type));
  AsNode(node)->outputName = name;
  return reinterpret_cast<OutputHandle>(node);
}
void SetValue(ValueHandle, const void* result) {
  Record("setValue");
  std::array<double, 3> rgb;
  std::memcpy(rgb.data(), result, sizeof rgb);
  Host().outputs.push_back(rgb);
}
const NodeOutputFuncs kOutputFuncs = {CreateOutput, nullptr, SetValue};

// "NodeFuncs"
const char* NodeName(NodeHandle node) {
  Record("nodeName");
  return AsNode(node)->name.c_str();
}
void SetPreviewMode(NodeHandle, int mode) {
  Record("setPreviewMode", std::to_string(mode));
}
void RefreshPreview(NodeHandle) { Record("refreshPreview"); }
const NodeFuncs kNodeFuncs = {NodeName, nullptr, nullptr, nullptr, nullptr,
                              SetPreviewMode, RefreshPreview};

int InstanceUpdate(const char* className, void*) {
  Record("instanceUpdate", className);
  return 1;
}

int ObjectCount() { return 1; }
ItemHandle ObjectAt(int) { return reinterpret_cast<ItemHandle>(&Host()); }
const SceneObjects kSceneObjects = {ObjectCount, ObjectAt};

// "LW Item Info 4": the lights in order.
ItemHandle FirstItem(int type, ItemHandle parent) {
  Record("firstItem");
  if (type != kItemLight || parent || Host().lights.empty()) return nullptr;
  return reinterpret_cast<ItemHandle>(&Host().lights.front());
}
ItemHandle NextItem(ItemHandle item) {
  Record("nextItem", AsLight(item)->name);
  auto& lights = Host().lights;
  const size_t next = static_cast<size_t>(AsLight(item) - lights.data()) + 1;
  return next < lights.size() ? reinterpret_cast<ItemHandle>(&lights[next])
                              : nullptr;
}
const ItemInfo kItemInfo = {FirstItem, NextItem};

int ExcludedLight(ItemHandle, ItemHandle light) {
  Record("excluded", AsLight(light)->name);
  return AsLight(light)->excluded ? 1 : 0;
}
ObjectInfo MakeObjectInfo() {
  ObjectInfo info{};
  info.excludedLight = ExcludedLight;
  return info;
}
const ObjectInfo kObjectInfo = MakeObjectInfo();

unsigned LightFlags(ItemHandle light) {
  Record("lightFlags", AsLight(light)->name);
  return AsLight(light)->flags;
}
LightInfo MakeLightInfo() {
  LightInfo info{};
  info.flags = LightFlags;
  return info;
}
const LightInfo kLightInfo = MakeLightInfo();

// "LWXPanel"
PanelHandle PanelCreate(int type, const PanelControl* controls) {
  Record("panelCreate", std::to_string(type));
  if (Host().failPanelCreate) return nullptr;
  FakePanel& panel = Host().panels.emplace_back();
  for (; controls->id; ++controls) panel.controls.push_back(*controls);
  return reinterpret_cast<PanelHandle>(&panel);
}
void PanelDestroy(PanelHandle) { Record("panelDestroy"); }
void PanelDescribe(PanelHandle panel, const PanelDataDesc* data,
                   PanelGetFunc get, PanelSetFunc set) {
  Record("panelDescribe");
  for (; data->id; ++data) AsPanel(panel)->data.push_back(*data);
  AsPanel(panel)->get = get;
  AsPanel(panel)->set = set;
}
void PanelHintApply(PanelHandle panel, PanelId id, const PanelHint* hints) {
  Record("panelHint", std::to_string(id));
  // The list is a flat sequence of tags and arguments ending with tag 0; the
  // fake keeps its eleven entries verbatim.
  AsPanel(panel)->hints.assign(hints, hints + 11);
}
void* PanelGetData(PanelHandle panel, PanelId id) {
  Record("panelGetData", std::to_string(id));
  auto& data = AsPanel(panel)->userData;
  auto it = data.find(id);
  return it == data.end() ? nullptr : it->second;
}
void PanelSetData(PanelHandle panel, PanelId id, void* value) {
  Record("panelSetData", std::to_string(id));
  AsPanel(panel)->userData[id] = value;
}
void PanelViewInstance(PanelHandle panel, void* instance) {
  Record("panelViewInstance");
  AsPanel(panel)->viewInstance = instance;
}
void PanelViewRefresh(PanelHandle) { Record("panelViewRefresh"); }
PanelFuncs MakePanelFuncs() {
  PanelFuncs funcs{};
  funcs.version = 1;
  funcs.create = PanelCreate;
  funcs.destroy = PanelDestroy;
  funcs.describe = PanelDescribe;
  funcs.hint = PanelHintApply;
  funcs.getData = PanelGetData;
  funcs.setData = PanelSetData;
  funcs.viewInstance = PanelViewInstance;
  funcs.viewRefresh = PanelViewRefresh;
  return funcs;
}
const PanelFuncs kPanelFuncs = MakePanelFuncs();

// The spot's illuminate function answers from the light's script.
int Illuminate(ItemHandle light, const double[3], double direction[3],
               double color[3]) {
  const FakeLight* l = AsLight(light);
  Record("illuminate", l->name);
  std::memcpy(direction, l->direction, sizeof l->direction);
  std::memcpy(color, l->color, sizeof l->color);
  return l->illuminate;
}
double RayTrace(const double[3], const double[3], double color[3]) {
  color[0] = color[1] = color[2] = 0.0;
  return -1.0;
}

}  // namespace

FakeHost::FakeHost() {
  EXPECT_EQ(current, nullptr) << "only one FakeHost may live at a time";
  current = this;
  for (const char* name :
       {"NodeInputFuncs", "NodeOutputFuncs", "NodeFuncs", "Instance Update",
        "Scene Objects 6", "LW Item Info 4", "LW Object Info 7",
        "LW Light Info 4", "LWXPanel"})
    offered[name] = true;
  spot.normal[2] = 1.0;
  spot.raySource[2] = 5.0;
  std::memcpy(spot.toWorld, kIdentity.data(), sizeof spot.toWorld);
  std::memcpy(spot.toLocal, kIdentity.data(), sizeof spot.toLocal);
  spot.illuminate = Illuminate;
  spot.rayTrace = RayTrace;
  spot.object = reinterpret_cast<ItemHandle>(this);
  InstallServices();
}

FakeHost::~FakeHost() {
  gHost = {};
  current = nullptr;
}

void* FakeHost::Lookup(const char* name, int /*useMode*/) {
  static const std::map<std::string, const void*> kServices = {
      {"NodeInputFuncs", &kInputFuncs},
      {"NodeOutputFuncs", &kOutputFuncs},
      {"NodeFuncs", &kNodeFuncs},
      {"Instance Update", reinterpret_cast<const void*>(&InstanceUpdate)},
      {"Scene Objects 6", &kSceneObjects},
      {"LW Item Info 4", &kItemInfo},
      {"LW Object Info 7", &kObjectInfo},
      {"LW Light Info 4", &kLightInfo},
      {"LWXPanel", &kPanelFuncs},
  };
  auto it = kServices.find(name);
  if (it == kServices.end() || !current->offered[name]) return nullptr;
  return const_cast<void*>(it->second);
}

void FakeHost::InstallServices() {
  auto get = [](const char* name) { return Lookup(name, 0); };
  gHost.input = static_cast<const NodeInputFuncs*>(get("NodeInputFuncs"));
  gHost.output = static_cast<const NodeOutputFuncs*>(get("NodeOutputFuncs"));
  gHost.node = static_cast<const NodeFuncs*>(get("NodeFuncs"));
  gHost.instanceUpdate =
      reinterpret_cast<InstanceUpdateFunc>(get("Instance Update"));
  gHost.sceneObjects = static_cast<const SceneObjects*>(get("Scene Objects 6"));
  gHost.itemInfo = static_cast<const ItemInfo*>(get("LW Item Info 4"));
  gHost.objectInfo = static_cast<const ObjectInfo*>(get("LW Object Info 7"));
  gHost.lightInfo = static_cast<const LightInfo*>(get("LW Light Info 4"));
  gHost.panel = static_cast<const PanelFuncs*>(get("LWXPanel"));
}

NodeData* FakeHost::CreateInstance() {
  FakeNode& node = nodes.emplace_back();
  const char* error = nullptr;
  auto* data = static_cast<NodeData*>(
      CreateNode(nullptr, reinterpret_cast<NodeHandle>(&node), &error));
  EXPECT_NE(data, nullptr) << (error ? error : "");
  return data;
}

FakeInput& FakeHost::Input(const std::string& name) {
  for (FakeInput& input : nodes.back().inputs)
    if (input.name == name) return input;
  ADD_FAILURE() << "no input named " << name;
  return nodes.back().inputs.front();
}

void FakeHost::Wire(const std::string& name, double x, double y, double z) {
  FakeInput& input = Input(name);
  input.connected = true;
  input.value[0] = x;
  input.value[1] = y;
  input.value[2] = z;
}

bool FakeHost::Evaluate(NodeData* data, std::array<double, 3>* output) {
  const size_t before = outputs.size();
  quillane::Evaluate(data, &spot, data->outColor, nullptr);
  if (outputs.size() == before) return false;
  if (output) *output = outputs.back();
  return true;
}
