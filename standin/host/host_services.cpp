// The service tables the host hands to the module, and its lookup function.
#include "standin/host/host_services.h"

#include <cstring>

namespace standin {
namespace {

Host* gActive = nullptr;            // the one host that exists, if any
thread_local Trace* tTrace = nullptr;  // where this thread's calls are noted
thread_local const HostSpot* tSpot = nullptr;  // the spot this thread evaluates

void Note(const char* call, const std::string& subject = {}) {
  if (tTrace) tTrace->push_back({call, subject});
}

// Notes a call about a light; builds nothing unless a trace is wanted.
void NoteLight(const char* call, const HostLight* light) {
  if (tTrace) tTrace->push_back({call, light ? light->name : std::string()});
}

HostInput* AsInput(InputHandle h) { return reinterpret_cast<HostInput*>(h); }
HostNode* AsNode(NodeHandle h) { return reinterpret_cast<HostNode*>(h); }
HostLight* AsLight(ItemHandle h) { return reinterpret_cast<HostLight*>(h); }
HostPanel* AsPanel(PanelHandle h) { return reinterpret_cast<HostPanel*>(h); }
template <typename T>
ItemHandle AsItem(T* p) { return reinterpret_cast<ItemHandle>(p); }

// ---- "NodeInputFuncs"

// create: adds an input record to the node (which owns it until the host
// ends) and returns it as the handle. `name` is copied.
InputHandle CreateInput(NodeHandle node, int type, const char* name,
                        InputEventFunc onEvent) {
  HostInput& input = AsNode(node)->inputs.emplace_back();
  input.node = AsNode(node);
  input.type = type;
  input.name = name ? name : "";
  input.onEvent = onEvent;
  return reinterpret_cast<InputHandle>(&input);
}

// destroy: unwires the input; its record stays with the node.
void DestroyInput(NodeHandle, InputHandle input) {
  if (input) AsInput(input)->wired = false;
}

// Writes what the input's source yields at the spot: one double for a
// scalar input, three otherwise. A constant needs nothing of the spot; other
// sources read the surface hit, and yield zeros for a spot without one, as
// does an input that is not wired (which then answers 0).
int EvaluateInput(InputHandle handle, SpotInfo* spot, void* value) {
  const HostInput* input = AsInput(handle);
  Note("evaluate", input->name);
  const HostSpot* host = reinterpret_cast<const HostSpot*>(spot);
  const Hit* hit = host->hit;
  const InputSource& source = input->source;
  double out[3] = {0.0, 0.0, 0.0};
  if (input->wired && host->probeInput == input) {
    std::memcpy(out, host->probeValue.data(), sizeof out);
  } else if (input->wired && source.kind == SourceKind::Vector) {
    std::memcpy(out, source.value.data(), sizeof out);
  } else if (input->wired && source.kind == SourceKind::Number) {
    out[0] = source.value[0];
  } else if (input->wired && hit) {
    EvaluateSource(source, *hit, out);
  }
  const size_t count = input->type == kConnectionScalar ? 1 : 3;
  std::memcpy(value, out, count * sizeof(double));
  return input->wired ? 1 : 0;
}

// is-connected: 1 when the input is wired, else 0.
int IsConnected(InputHandle handle) {
  Note("isConnected", AsInput(handle)->name);
  return AsInput(handle)->wired ? 1 : 0;
}

const NodeInputFuncs kInputFuncs = {CreateInput, DestroyInput, EvaluateInput,
                                    IsConnected};

// ---- "NodeOutputFuncs"

// create: notes the node's output; the node itself serves as its handle.
OutputHandle CreateOutput(NodeHandle node, int type, const char* name) {
  AsNode(node)->outputName = name ? name : "";
  AsNode(node)->outputType = type;
  return reinterpret_cast<OutputHandle>(node);
}
// destroy: nothing to release.
void DestroyOutput(NodeHandle, OutputHandle) {}

// set value: copies three doubles into the evaluation's result slot, which
// is what the value handle points at (Host::Evaluate).
void SetOutputValue(ValueHandle value, const void* result) {
  Note("setValue");
  auto* slot = reinterpret_cast<std::optional<Color3>*>(value);
  Color3 rgb;
  std::memcpy(rgb.data(), result, sizeof rgb);
  *slot = rgb;
}

const NodeOutputFuncs kOutputFuncs = {CreateOutput, DestroyOutput, SetOutputValue};

// ---- "NodeFuncs"

// node name: the node's display name, owned by the node record.
const char* NodeName(NodeHandle node) { return AsNode(node)->name.c_str(); }
// preview mode and preview refresh: noted on the node for tests.
void SetPreviewMode(NodeHandle node, int mode) { AsNode(node)->previewMode = mode; }
void RefreshPreview(NodeHandle node) { ++AsNode(node)->previewRefreshes; }

const NodeFuncs kNodeFuncs = {NodeName, nullptr, nullptr, nullptr,
                              nullptr,  SetPreviewMode, RefreshPreview};

// ---- "Instance Update"

// Counts the notification on the host and on the node whose record
// `instance` is; answers 1 when it knows the record, else 0.
int InstanceUpdate(const char* className, void* instance) {
  if (!gActive || !className || std::strcmp(className, "NodeHandler") != 0) return 0;
  ++gActive->instanceUpdates;
  HostNode* node = HostServicesImpl::NodeOf(*gActive, instance);
  if (node) ++node->instanceUpdates;
  return node ? 1 : 0;
}

// ---- "Scene Objects 6"

// object count and object by index, in the scene's order; an index out of
// range gives null.
int ObjectCount() { return gActive ? static_cast<int>(gActive->objects.size()) : 0; }
ItemHandle ObjectAt(int index) {
  if (!gActive || index < 0 || static_cast<size_t>(index) >= gActive->objects.size())
    return nullptr;
  return AsItem(&gActive->objects[static_cast<size_t>(index)]);
}
const SceneObjects kSceneObjects = {ObjectCount, ObjectAt};

// ---- "LW Item Info 4": lights in the host's order; no other item types.

// first: the first light for type 1 and no parent; null otherwise.
ItemHandle FirstItem(int type, ItemHandle parent) {
  Note("firstItem");
  if (!gActive || type != kItemLight || parent || gActive->lights.empty())
    return nullptr;
  return AsItem(&gActive->lights.front());
}

// next: the light after `item`, or null after the last.
ItemHandle NextItem(ItemHandle item) {
  const HostLight* light = AsLight(item);
  NoteLight("nextItem", light);
  if (!gActive || !light) return nullptr;
  const size_t next = static_cast<size_t>(light - gActive->lights.data()) + 1;
  return next < gActive->lights.size() ? AsItem(&gActive->lights[next]) : nullptr;
}

const ItemInfo kItemInfo = {FirstItem, NextItem};

// ---- "LW Object Info 7"

// light exclusion: 1 when `light` is excluded from `object`, else 0.
int ExcludedLight(ItemHandle object, ItemHandle light) {
  const HostLight* l = AsLight(light);
  NoteLight("excluded", l);
  if (!l) return 0;
  for (const HostObject* o : l->excludedFrom)
    if (Host::Handle(o) == object) return 1;
  return 0;
}

ObjectInfo MakeObjectInfo() {
  ObjectInfo info{};
  info.excludedLight = ExcludedLight;
  return info;
}
const ObjectInfo kObjectInfo = MakeObjectInfo();

// ---- "LW Light Info 4"

// flags: the light's option bits (4: does not affect specular).
unsigned LightFlags(ItemHandle light) {
  const HostLight* l = AsLight(light);
  NoteLight("lightFlags", l);
  return l ? l->flags : 0;
}

LightInfo MakeLightInfo() {
  LightInfo info{};
  info.flags = LightFlags;
  return info;
}
const LightInfo kLightInfo = MakeLightInfo();

// ---- "LWXPanel"

struct PanelService {
  // create: a new panel record owned by the host.
  static PanelHandle Create(int type, const PanelControl* controls) {
    if (!gActive) return nullptr;
    HostPanel& panel = HostServicesImpl::NewPanel(*gActive);
    panel.type = type;
    panel.CopyControls(controls);
    return reinterpret_cast<PanelHandle>(&panel);
  }
  // destroy: marks the panel gone; the host drops it later.
  static void Destroy(PanelHandle panel) {
    if (panel) AsPanel(panel)->destroyed = true;
  }
  static void Describe(PanelHandle panel, const PanelDataDesc* data, PanelGetFunc get,
                       PanelSetFunc set) {
    AsPanel(panel)->Describe(data, get, set);
  }
  static void Hint(PanelHandle panel, PanelId id, const PanelHint* hints);
  static void* GetData(PanelHandle panel, PanelId id) { return AsPanel(panel)->UserData(id); }
  static void SetData(PanelHandle panel, PanelId id, void* data) {
    AsPanel(panel)->userData[id] = data;
  }
  static void ViewInstance(PanelHandle panel, void* instance) {
    AsPanel(panel)->instance = instance;
  }
  // view refresh: counted for tests.
  static void ViewRefresh(PanelHandle panel) { ++AsPanel(panel)->refreshes; }
};

// Reads a hint list: each known tag and its arguments. Reading stops at the
// closing 0 or at a tag whose arguments it does not know.
void PanelService::Hint(PanelHandle panel, PanelId, const PanelHint* hints) {
  HostPanel* p = AsPanel(panel);
  for (const PanelHint* h = hints; h && *h != 0;) {
    if (h[0] == kHintChangeNotify) {
      p->change = reinterpret_cast<PanelChangeFunc>(h[1]);
      h += 2;
    } else if (h[0] == kHintLabel) {
      const auto* text = reinterpret_cast<const char*>(h[2]);
      if (h[1] == 0 && text) p->label = text;
      h += 4;
    } else if (h[0] == kHintStringList) {
      auto& choices = p->choices[static_cast<PanelId>(h[1])];
      choices.clear();
      for (auto* s = reinterpret_cast<const char* const*>(h[2]); s && *s; ++s)
        choices.emplace_back(*s);
      h += 4;
    } else {
      break;
    }
  }
}

const PanelFuncs kPanelFuncs = PanelTable<PanelService>();

}  // namespace

// The lookup function: answers every service the host offers now.
void* HostServicesImpl::Lookup(const char* name, int /*useMode*/) {
  if (!gActive || !name) return nullptr;
  const std::string n = name;
  const ServiceOffer& offer = gActive->offer_;
  if (n == "NodeInputFuncs") return const_cast<NodeInputFuncs*>(&kInputFuncs);
  if (n == "NodeOutputFuncs") return const_cast<NodeOutputFuncs*>(&kOutputFuncs);
  if (n == "NodeFuncs") return const_cast<NodeFuncs*>(&kNodeFuncs);
  if (n == "Instance Update") return reinterpret_cast<void*>(&InstanceUpdate);
  if (n == "Scene Objects 6") return const_cast<SceneObjects*>(&kSceneObjects);
  if (n == "LW Item Info 4" && offer.itemInfo) return const_cast<ItemInfo*>(&kItemInfo);
  if (n == "LW Object Info 7" && offer.objectInfo)
    return const_cast<ObjectInfo*>(&kObjectInfo);
  if (n == "LW Light Info 4" && offer.lightInfo)
    return const_cast<LightInfo*>(&kLightInfo);
  if (n == "LWXPanel") return const_cast<PanelFuncs*>(&kPanelFuncs);
  return nullptr;
}

int HostServicesImpl::Illuminate(ItemHandle light, const double position[3],
                                 double direction[3], double color[3]) {
  const HostLight* l = AsLight(light);
  NoteLight("illuminate", l);
  if (!l) return 0;
  if (l->illuminate) {
    // The sample of the spot being evaluated when the module illuminates
    // that spot's own position, as it does; the first sample otherwise.
    const bool own = tSpot && position == tSpot->info.worldPosition;
    return l->illuminate(position, own ? tSpot->sample : LightSample{}, direction, color);
  }
  std::memcpy(direction, l->direction.data(), sizeof l->direction);
  std::memcpy(color, l->color.data(), sizeof l->color);
  return l->illuminateResult;
}

// Rays are not traced by the stand-in host: the entry only has to exist.
double HostServicesImpl::RayTrace(const double*, const double*, double color[3]) {
  color[0] = color[1] = color[2] = 0.0;
  return -1.0;
}

void HostServicesImpl::Attach(Host* host) {
  if (host && gActive)
    throw HostError("only one stand-in host may exist at a time");
  gActive = host;
}

void HostServicesImpl::SetTrace(Trace* trace) { tTrace = trace; }
void HostServicesImpl::SetSpot(const HostSpot* spot) { tSpot = spot; }

HostNode* HostServicesImpl::NodeOf(Host& host, void* instance) {
  for (HostNode& node : host.nodes_)
    if (node.instance == instance) return &node;
  return nullptr;
}

HostPanel& HostServicesImpl::NewPanel(Host& host) { return host.panels_.emplace_back(); }

}  // namespace standin
