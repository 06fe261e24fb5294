#include "tests/doubles/fake_host.h"

#include <cstring>
#include <stdexcept>
#include <utility>

#include "tests/doubles/fake_services.h"

using namespace quillane;

FakeHost* FakeHost::current = nullptr;

namespace {

const char* const kServiceNames[] = {
    kServiceNodeInput,    kServiceNodeOutput, kServiceNode,
    kServiceInstanceUpdate, kServiceSceneObjects, kServiceItemInfo,
    kServiceObjectInfo,   kServiceLightInfo,  kServicePanel};

// The table registered under `name` for a host making `calls`, or null.
const void* Table(const std::string& name, Calls calls) {
  const fake::EvaluationTables t = fake::TablesFor(calls);
  if (name == kServiceNodeInput) return t.input;
  if (name == kServiceNodeOutput) return t.output;
  if (name == kServiceNode) return fake::NodeTable();
  if (name == kServiceInstanceUpdate)
    return reinterpret_cast<const void*>(fake::InstanceUpdateEntry());
  if (name == kServiceSceneObjects) return fake::SceneObjectsTable();
  if (name == kServiceItemInfo) return t.itemInfo;
  if (name == kServiceObjectInfo) return t.objectInfo;
  if (name == kServiceLightInfo) return t.lightInfo;
  if (name == kServicePanel) return fake::PanelTable();
  return nullptr;
}

// Rays are not traced: the entry only has to exist.
double RayTrace(const double*, const double*, double color[3]) {
  color[0] = color[1] = color[2] = 0.0;
  return -1.0;
}

}  // namespace

const FakeInput& FakeNode::Input(const std::string& inputName) const {
  for (const FakeInput& input : inputs)
    if (input.name == inputName) return input;
  throw std::out_of_range("no input named " + inputName);
}

FakeInput& FakeNode::Input(const std::string& inputName) {
  return const_cast<FakeInput&>(std::as_const(*this).Input(inputName));
}

void FakeNode::Wire(const std::string& inputName, double x, double y,
                    double z) {
  FakeInput& input = Input(inputName);
  input.connected = 1;
  input.value[0] = x;
  input.value[1] = y;
  input.value[2] = z;
}

FakeHost::FakeHost(Calls how) : calls(how), recording(how == Calls::kRecorded) {
  if (current) throw std::logic_error("only one FakeHost may live at a time");
  current = this;
  lights.clear();
  for (const char* name : kServiceNames) offered[name] = true;
  spot = Spot();
  InstallServices();
}

FakeHost::~FakeHost() {
  gHost = {};
  lights.clear();
  current = nullptr;
}

void* FakeHost::Lookup(const char* name, int /*useMode*/) {
  if (!current || !name) return nullptr;
  const auto it = current->offered.find(name);
  if (it == current->offered.end() || !it->second) return nullptr;
  return const_cast<void*>(Table(name, current->calls));
}

HostServices FakeHost::Services() {
  auto get = [](const char* name) { return Lookup(name, kServiceGeneralUse); };
  HostServices s{};
  s.input = static_cast<const NodeInputFuncs*>(get(kServiceNodeInput));
  s.output = static_cast<const NodeOutputFuncs*>(get(kServiceNodeOutput));
  s.node = static_cast<const NodeFuncs*>(get(kServiceNode));
  s.instanceUpdate =
      reinterpret_cast<InstanceUpdateFunc>(get(kServiceInstanceUpdate));
  s.sceneObjects = static_cast<const SceneObjects*>(get(kServiceSceneObjects));
  s.itemInfo = static_cast<const ItemInfo*>(get(kServiceItemInfo));
  s.objectInfo = static_cast<const ObjectInfo*>(get(kServiceObjectInfo));
  s.lightInfo = static_cast<const LightInfo*>(get(kServiceLightInfo));
  s.panel = static_cast<const PanelFuncs*>(get(kServicePanel));
  return s;
}

void FakeHost::InstallServices() { gHost = Services(); }

NodeData* FakeHost::CreateInstance() {
  FakeNode& node = nodes.emplace_back();
  const char* error = nullptr;
  auto* data = static_cast<NodeData*>(
      CreateNode(nullptr, reinterpret_cast<NodeHandle>(&node), &error));
  if (!data)
    throw std::runtime_error(std::string("create failed: ") +
                             (error ? error : "no message"));
  return data;
}

FakeInput& FakeHost::Input(const std::string& name) {
  if (nodes.empty()) throw std::out_of_range("no node created");
  return nodes.back().Input(name);
}

void FakeHost::Wire(const std::string& name, double x, double y, double z) {
  if (nodes.empty()) throw std::out_of_range("no node created");
  nodes.back().Wire(name, x, y, z);
}

bool FakeHost::Evaluate(NodeData* data, std::array<double, 3>* output) {
  const size_t before = outputs.size();
  quillane::Evaluate(data, &spot, data->outColor, nullptr);
  if (outputs.size() == before) return false;
  if (output) *output = outputs.back();
  return true;
}

int FakeHost::Activate(ActivateFunc activate, void* serverData, int version) {
  record_ = {&instance_, &item_, &render_, nullptr};
  return activate(version, Lookup, &record_, serverData);
}

NodeData* FakeHost::Create(FakeNode* node) {
  const char* error = nullptr;
  return static_cast<NodeData*>(instance_.create(
      instance_.priv, reinterpret_cast<NodeHandle>(node), &error));
}

void FakeHost::Destroy(NodeData* data) { instance_.destroy(data); }

void FakeHost::Evaluate(NodeData* data, SpotInfo* at,
                        FakeResult* result) const {
  record_.evaluate(data, at, data->outColor,
                   reinterpret_cast<ValueHandle>(result));
}

SpotInfo FakeHost::Spot() const {
  SpotInfo s{};
  s.normal[2] = 1.0;
  s.raySource[2] = 5.0;
  std::memcpy(s.toWorld, kIdentity.data(), sizeof s.toWorld);
  std::memcpy(s.toLocal, kIdentity.data(), sizeof s.toLocal);
  s.illuminate = fake::TablesFor(calls).illuminate;
  s.rayTrace = RayTrace;
  s.object = reinterpret_cast<ItemHandle>(const_cast<FakeHost*>(this));
  return s;
}
