// The services an evaluation calls, compiled once per Calls variant so that
// the quiet ones carry no test of whether to record: a kBare call costs what
// its answer costs. The node's other services follow, in one variant.
#include "tests/doubles/fake_services.h"

#include <cstring>
#include <string>

namespace fake {
namespace {

constexpr bool Recorded(Calls c) { return c == Calls::kRecorded; }

FakeInput* AsInput(InputHandle h) { return reinterpret_cast<FakeInput*>(h); }
FakeNode* AsNode(NodeHandle h) { return reinterpret_cast<FakeNode*>(h); }
FakeLight* AsLight(ItemHandle h) { return reinterpret_cast<FakeLight*>(h); }
ItemHandle AsItem(FakeLight* l) { return reinterpret_cast<ItemHandle>(l); }

// ---- "NodeInputFuncs"

// create: a new input record on the node, which owns it; the handle points
// at it. `name` is copied.
InputHandle CreateInput(NodeHandle node, int type, const char* name,
                        InputEventFunc onEvent) {
  Record("createInput", name);
  FakeInput& input = AsNode(node)->inputs.emplace_back();
  input.name = name;
  input.type = type;
  input.count = type == kConnectionScalar ? 1 : 3;
  input.onEvent = onEvent;
  return reinterpret_cast<InputHandle>(&input);
}

// evaluate: writes the input's value (one double for a scalar input, three
// otherwise) and answers 1, wired or not.
template <Calls C>
int EvaluateInput(InputHandle input, SpotInfo* /*spot*/, void* value) {
  const FakeInput* in = AsInput(input);
  if constexpr (Recorded(C)) Record("evaluate", in->name);
  std::memcpy(value, in->value,
              sizeof(double) * static_cast<size_t>(in->count));
  return 1;
}

// is-connected: the input's `connected`.
template <Calls C>
int IsConnected(InputHandle input) {
  if constexpr (Recorded(C)) Record("isConnected", AsInput(input)->name);
  return AsInput(input)->connected;
}

template <Calls C>
const NodeInputFuncs kInputFuncs = {CreateInput, nullptr, EvaluateInput<C>,
                                    IsConnected<C>};

// ---- "NodeOutputFuncs"

// create: noted on the node, which serves as the output's handle.
OutputHandle CreateOutput(NodeHandle node, int type, const char* name) {
  Record("createOutput", std::string(name) + " " + std::to_string(type));
  AsNode(node)->outputName = name;
  ++AsNode(node)->outputs;
  return reinterpret_cast<OutputHandle>(node);
}

// set value: kRecorded appends the three doubles to `outputs`; kCounted
// writes them into the FakeResult the value handle points at and counts
// the set; kBare writes them where the value handle points.
template <Calls C>
void SetValue(ValueHandle value, const void* rgb) {
  if constexpr (Recorded(C)) {
    Record("setValue");
    std::array<double, 3> color;
    std::memcpy(color.data(), rgb, sizeof color);
    FakeHost::current->outputs.push_back(color);
  } else if constexpr (C == Calls::kCounted) {
    auto* result = reinterpret_cast<FakeResult*>(value);
    std::memcpy(result->rgb, rgb, sizeof result->rgb);
    ++result->sets;
  } else {
    std::memcpy(value, rgb, 3 * sizeof(double));
  }
}

template <Calls C>
const NodeOutputFuncs kOutputFuncs = {CreateOutput, nullptr, SetValue<C>};

// ---- "LW Item Info 4": the lights in the host's order, no other items.

template <Calls C>
ItemHandle FirstItem(int type, ItemHandle parent) {
  if constexpr (Recorded(C)) Record("firstItem");
  std::vector<FakeLight>& lights = FakeHost::lights;
  if (type != kItemLight || parent || lights.empty()) return nullptr;
  return AsItem(lights.data());
}

template <Calls C>
ItemHandle NextItem(ItemHandle item) {
  if constexpr (Recorded(C)) Record("nextItem", AsLight(item)->name);
  std::vector<FakeLight>& lights = FakeHost::lights;
  FakeLight* next = AsLight(item) + 1;
  return next < lights.data() + lights.size() ? AsItem(next) : nullptr;
}

template <Calls C>
const ItemInfo kItemInfo = {FirstItem<C>, NextItem<C>};

// ---- "LW Object Info 7": the light's `excluded`, whatever the object.

template <Calls C>
int ExcludedLight(ItemHandle /*object*/, ItemHandle light) {
  if constexpr (Recorded(C)) Record("excluded", AsLight(light)->name);
  return AsLight(light)->excluded;
}

template <Calls C>
ObjectInfo MakeObjectInfo() {
  ObjectInfo info{};
  info.excludedLight = ExcludedLight<C>;
  return info;
}
template <Calls C>
const ObjectInfo kObjectInfo = MakeObjectInfo<C>();

// ---- "LW Light Info 4"

template <Calls C>
unsigned LightFlags(ItemHandle light) {
  if constexpr (Recorded(C)) Record("lightFlags", AsLight(light)->name);
  return AsLight(light)->flags;
}

template <Calls C>
LightInfo MakeLightInfo() {
  LightInfo info{};
  info.flags = LightFlags<C>;
  return info;
}
template <Calls C>
const LightInfo kLightInfo = MakeLightInfo<C>();

// The spot's illuminate function answers from the light's record.
template <Calls C>
int Illuminate(ItemHandle light, const double* /*position*/, double* direction,
               double* color) {
  const FakeLight* l = AsLight(light);
  if constexpr (Recorded(C)) Record("illuminate", l->name);
  std::memcpy(direction, l->direction, sizeof l->direction);
  std::memcpy(color, l->color, sizeof l->color);
  return l->illuminate;
}

template <Calls C>
EvaluationTables Tables() {
  return {&kInputFuncs<C>, &kOutputFuncs<C>, &kItemInfo<C>,
          &kObjectInfo<C>, &kLightInfo<C>,   Illuminate<C>};
}

// ---- "NodeFuncs"

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

// "Instance Update": noted, answers 1.
int InstanceUpdate(const char* className, void*) {
  Record("instanceUpdate", className);
  return 1;
}

// "Scene Objects 6": the one object, the host itself.
int ObjectCount() { return 1; }
ItemHandle ObjectAt(int) {
  return reinterpret_cast<ItemHandle>(FakeHost::current);
}
const SceneObjects kSceneObjects = {ObjectCount, ObjectAt};

}  // namespace

EvaluationTables TablesFor(Calls calls) {
  switch (calls) {
    case Calls::kRecorded: return Tables<Calls::kRecorded>();
    case Calls::kCounted: return Tables<Calls::kCounted>();
    case Calls::kBare: break;
  }
  return Tables<Calls::kBare>();
}

const NodeFuncs* NodeTable() { return &kNodeFuncs; }
InstanceUpdateFunc InstanceUpdateEntry() { return InstanceUpdate; }
const SceneObjects* SceneObjectsTable() { return &kSceneObjects; }

void Record(std::string_view what, std::string_view arg) {
  FakeHost* host = FakeHost::current;
  if (!host || !host->recording) return;
  std::string line(what);
  if (!arg.empty()) line.append(" ").append(arg);
  host->trace.push_back(std::move(line));
}

}  // namespace fake
