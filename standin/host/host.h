// The stand-in host: a real implementation of every service the module
// fetches, the node-handler and interface activations, and the instance life
// of nodes (create, wire, panel edits, evaluate, save, load, destroy).
//
// The module's service tables are plain functions without a context
// argument, so the services find the host through a process-wide pointer:
// only one Host may exist at a time. Handles handed to the module point at
// the host's own records (HostNode, HostInput, HostLight, HostObject,
// HostPanel) and stay valid for the life of the Host.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "hostapi/hostapi.h"
#include "standin/saved/container.h"
#include "standin/host/module_file.h"
#include "standin/host/panel_record.h"
#include "standin/render/geometry.h"
#include "standin/render/light_sample.h"
#include "standin/render/scene.h"

namespace standin {

class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Color3 = std::array<double, 3>;

// The per-spot record handed to the evaluation, with what the host knows of
// the spot beyond it. `info` comes first, so the SpotInfo pointer that the
// module hands back to the input services leads back to the whole record.
// `hit` is the surface the spot lies on when the spot comes from a render;
// `sample` is the pixel sample the renderer is on, which sampled lights
// draw their direction from.
// wired inputs with a source other than a constant read it. A probe (used
// to plot the lobe and read the frame back) makes the wired input
// `probeInput` yield `probeValue` at this spot alone, whatever its source.
struct HostInput;
struct HostSpot {
  SpotInfo info{};
  const Hit* hit = nullptr;
  LightSample sample;
  const HostInput* probeInput = nullptr;
  std::array<double, 3> probeValue{0.0, 0.0, 0.0};
};
static_assert(std::is_standard_layout_v<HostSpot>);

// The spot evaluated when nothing places it: at the origin, normal +z, the
// ray from (0, 0, 5), both matrices the identity; no object, no ray-trace
// entry.
HostSpot DefaultSpot();

struct HostObject {
  std::string name;
};

// A scene light as the host answers for it. The illuminate function answers
// from `illuminate` when it is set (with the sample of the spot being
// evaluated), else from the scripted values.
struct HostLight {
  std::string name;
  unsigned flags = 0;  // kLightNoSpecular: does not affect specular
  std::vector<const HostObject*> excludedFrom;
  int illuminateResult = 1;
  Color3 direction{0.0, 0.0, -1.0};
  Color3 color{1.0, 1.0, 1.0};
  std::function<int(const double position[3], const LightSample& sample,
                    double direction[3], double color[3])>
      illuminate;
};

struct HostNode;

struct HostInput {
  HostNode* node = nullptr;
  std::string name;
  int type = 0;  // kConnectionColor, kConnectionScalar or kConnectionVector
  InputEventFunc onEvent = nullptr;
  bool wired = false;
  InputSource source;
};

// What the panel service recorded of one panel.
struct HostPanel : PanelRecord {
  int type = 0;
  PanelChangeFunc change = nullptr;
  std::string label;
  std::map<PanelId, std::vector<std::string>> choices;
  int refreshes = 0;
  bool destroyed = false;
};

struct HostNode {
  std::string name;
  std::deque<HostInput> inputs;
  std::string outputName;
  int outputType = 0;
  int previewMode = -1;
  int previewRefreshes = 0;
  int instanceUpdates = 0;
  void* instance = nullptr;  // the module's record
  HostPanel* panel = nullptr;  // set by OpenPanel
};

// Which optional services the host offers when it activates the node.
struct ServiceOffer {
  bool itemInfo = true;
  bool objectInfo = true;
  bool lightInfo = true;
};

// One host call made during an evaluation: its name and, for most, the input
// or light it was about.
struct TraceEntry {
  const char* call;
  std::string subject;
};
using Trace = std::vector<TraceEntry>;

class Host {
 public:
  // Takes `module` (which must outlive the host) and activates its
  // "NodeHandler" server offering every service. Throws HostError.
  explicit Host(const ModuleFile& module);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Activates "NodeHandler" again, offering only the optional services of
  // `offer`. Throws HostError with the activation's return code.
  void ActivateNode(const ServiceOffer& offer);
  const ServiceOffer& offer() const { return offer_; }

  // Creates a node through the module's create. Throws HostError.
  HostNode& CreateNode();
  // Destroys the node's record through the module's destroy.
  void DestroyNode(HostNode& node);
  // Activates "NodeInterface" for the node and returns the panel the module
  // built (null if it built none). Throws HostError.
  HostPanel* OpenPanel(HostNode& node);

  // Wires the named input to `source` and tells the node, as the host does
  // when a connection is made. Throws HostError for an unknown input.
  void Wire(HostNode& node, const std::string& input, const InputSource& source);
  HostInput* FindInput(HostNode& node, const std::string& name);

  // Stores `value` through the panel's set function under the data
  // description named `dataName` ("Color", "Axis", ...), then reports the
  // change with event 2. The panel must be open. Throws HostError.
  void SetPanelValue(HostNode& node, const std::string& dataName,
                     const void* value);

  // Evaluates the node at `spot`; returns the colour it set, if any. With
  // `trace`, each host call the evaluation makes is appended to it. Safe to
  // call from several threads at once.
  std::optional<Color3> Evaluate(const HostNode& node, HostSpot& spot,
                                 Trace* trace = nullptr) const;

  // The node's settings through the module's save, in `form`.
  std::string Save(const HostNode& node, ContainerForm form);
  // Loads `data` (named `source` in messages) through the module's load.
  // The container is checked whole and read once into a scratch node first,
  // so malformed data throws ContainerError and leaves `node` unchanged.
  void Load(HostNode& node, const std::string& data, ContainerForm form,
            const std::string& source);

  // Render life: the render table's init before, cleanup after rendering.
  void BeginRender(const HostNode& node);
  void EndRender(const HostNode& node);

  // The scene: objects and lights in the host's item order. Change them only
  // while no evaluation runs.
  std::deque<HostObject> objects;
  std::vector<HostLight> lights;

  // The ray-trace entry of the per-spot record; the module only tests it.
  static RayTraceFunc RayTraceEntry();

  static ItemHandle Handle(const HostObject* object) {
    return reinterpret_cast<ItemHandle>(const_cast<HostObject*>(object));
  }

  // Counters of notifications, for tests.
  int instanceUpdates = 0;

 private:
  const ModuleFile& module_;
  ServiceOffer offer_;
  InstanceFuncs instanceFuncs_{};
  ItemFuncs itemFuncs_{};
  RenderFuncs renderFuncs_{};
  NodeHandlerRecord handler_{};
  std::deque<HostNode> nodes_;
  std::deque<HostPanel> panels_;
  int nodeCount_ = 0;

  friend struct HostServicesImpl;
};

}  // namespace standin
