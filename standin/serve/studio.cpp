#include "standin/serve/studio.h"

#include "standin/assets/scene_assets.h"
#include "standin/host/host_services.h"
#include "standin/json/utf8.h"
#include "standin/render/scene_json.h"
#include "standin/serve/input_wiring.h"
#include "standin/serve/panel_values.h"
#include "standin/serve/scene_images.h"

namespace standin {
namespace {

using nlohmann::json;

// What the host counts of the module's notifications, to report the calls a
// change caused.
struct Counters {
  int instanceUpdates = 0;
  int previewRefreshes = 0;
  int viewRefreshes = 0;
};

Counters Count(const HostNode& node) {
  return {node.instanceUpdates, node.previewRefreshes, node.panel ? node.panel->refreshes : 0};
}

void AddCall(json& calls, const std::string& call, const std::string& detail) {
  calls.push_back({{"call", call}, {"detail", detail}});
}

// The module's calls into the host between two counts, in the order the
// module makes them.
void AddNotifications(json& calls, const Counters& before, const Counters& after) {
  for (int i = before.viewRefreshes; i < after.viewRefreshes; ++i)
    AddCall(calls, "LWXPanel view refresh", "the panel re-reads its values");
  for (int i = before.instanceUpdates; i < after.instanceUpdates; ++i)
    AddCall(calls, "Instance Update", "\"NodeHandler\"");
  for (int i = before.previewRefreshes; i < after.previewRefreshes; ++i)
    AddCall(calls, "NodeFuncs", "refresh preview (seventh operation)");
}

void AddTrace(json& calls, const Trace& trace) {
  for (const TraceEntry& entry : trace) AddCall(calls, entry.call, entry.subject);
}

json RequiredKey(const json& request, const char* key) {
  if (!request.is_object()) throw RequestError("expected a JSON object");
  const auto it = request.find(key);
  if (it == request.end()) throw RequestError(std::string("\"") + key + "\" is missing");
  return *it;
}

std::string OptionalString(const json& request, const char* key) {
  const auto it = request.find(key);
  if (it == request.end()) return {};
  if (!it->is_string()) throw RequestError(std::string("\"") + key + "\" must be a string");
  return it->get<std::string>();
}

}  // namespace

Studio::Studio(const std::string& modulePath, const std::string& scenePath, SceneFolder folder)
    : folder_(std::move(folder)) {
  auto scene = std::make_unique<Scene>(scenePath.empty() ? DefaultScene()
                                                         : LoadSceneFile(scenePath));
  // The default scene takes its images from the scene folder.
  if (scenePath.empty()) scene->folder = folder_.root();
  LoadSceneAssets(*scene);
  module_ = std::make_unique<ModuleFile>(modulePath);
  host_ = std::make_unique<Host>(*module_);
  StartSession(std::move(scene), scenePath.empty() ? "default scene" : scenePath);
  state_ = BuildState();
}

Studio::~Studio() {
  session_.reset();
  host_.reset();
}

HostPanel& Studio::Panel() {
  HostNode& node = session_->node();
  HostPanel* panel = node.panel ? node.panel : host_->OpenPanel(node);
  if (!panel || !panel->set) throw HostError("the module built no panel");
  return *panel;
}

void Studio::StartSession(std::unique_ptr<Scene> scene, const std::string& name) {
  session_.reset();
  spot_.reset();
  session_ = std::make_unique<SceneSession>(*host_, *scene, name);
  scene_ = std::move(scene);
  sceneName_ = name;
  Panel();
}

json Studio::State() {
  json state;
  {
    std::lock_guard lock(stateMutex_);
    state = state_;
  }
  std::vector<std::string> notes;
  state["scenes"] = folder_.List(&notes);
  for (const std::string& note : notes) state["notes"].push_back(note);
  return state;
}

json Studio::BuildState() {
  HostNode& node = session_->node();
  std::vector<std::string> notes;
  const std::vector<std::string> images = SceneImageNames(*scene_, &notes);
  json inputs = json::array();
  for (const HostInput& input : node.inputs)
    inputs.push_back({{"name", input.name},
                      {"scalar", input.type == kConnectionScalar},
                      {"source", WiringJson(input)}});
  return {{"version", version_.load()},
          {"scene", {{"name", Printable(sceneName_)}, {"width", scene_->render.width},
                     {"height", scene_->render.height}}},
          {"sceneFolder", folder_.enabled()},
          {"panel", DescribePanel(Panel(), node.name)},
          {"inputs", inputs},
          {"sources", BuiltInSources()},
          {"images", images},
          {"camera", CameraJson(scene_->camera)},
          {"preview", {{"width", PreviewSize(scene_->render).first},
                       {"height", PreviewSize(scene_->render).second},
                       {"samples", PreviewSamples()}}},
          {"spot", spot_ ? json::array({spot_->first, spot_->second}) : json(nullptr)},
          {"environment", EnvironmentState()},
          {"notes", notes},
          {"undo", history_.undoCount()},
          {"redo", history_.redoCount()},
          {"lastChange", lastChange_}};
}

void Studio::ApplyValue(PanelId id, const json& value, json& calls) {
  HostPanel& panel = Panel();
  const PanelValue parsed = ParseValue(panel, id, value);
  HostNode& node = session_->node();
  const std::string dataName = FindData(panel, id).name;
  const Counters before = Count(node);
  Trace trace;
  {
    TraceScope tracing(&trace);
    host_->SetPanelValue(node, dataName, parsed.data());
  }
  AddCall(calls, "set", dataName + " = " + value.dump());
  AddCall(calls, "change event", dataName + ", event 2 (value changed)");
  AddTrace(calls, trace);
  AddNotifications(calls, before, Count(node));
}

void Studio::ApplyWiring(const std::string& input, const json& source, json& calls) {
  HostNode& node = session_->node();
  if (!host_->FindInput(node, input))
    throw RequestError("the node has no input \"" + Printable(input) + "\"");
  const bool wire = !IsUnwiring(source);
  const InputSource parsed =
      wire ? ParseSource(source, IsScalarInput(input), *scene_) : InputSource{};
  const Counters before = Count(node);
  Trace trace;
  {
    TraceScope tracing(&trace);
    if (wire) host_->Wire(node, input, parsed);
    else Unwire(*host_, node, input);
  }
  if (wire) scene_->inputs[input] = parsed;
  else scene_->inputs.erase(input);
  AddCall(calls, wire ? "wire" : "unwire", input + (wire ? " <- " + source.dump() : ""));
  AddCall(calls, "input event", input + ", event 2 (connection changed)");
  AddTrace(calls, trace);
  AddNotifications(calls, before, Count(node));
}

std::uint64_t Studio::Commit(const std::string& what, json calls) {
  lastChange_ = {{"what", what}, {"calls", std::move(calls)}};
  ++version_;
  json state = BuildState();
  std::lock_guard lock(stateMutex_);
  state_ = std::move(state);
  return version_.load();
}

std::uint64_t Studio::SetValue(const json& request) {
  ChangeGate gate(*this);
  const json id = RequiredKey(request, "id");
  if (!id.is_number_unsigned()) throw RequestError("\"id\" must be a control identifier");
  const auto control = id.get<PanelId>();
  const json value = RequiredKey(request, "value");
  const std::string gesture = OptionalString(request, "gesture");
  HostPanel& panel = Panel();
  const std::string label = FindControl(panel, control).label;
  const json before = ReadValue(panel, control);
  if (before.is_null()) throw RequestError(label + " is hidden: its input is wired");
  json calls = json::array();
  ApplyValue(control, value, calls);
  history_.Record({HistoryStep::Kind::Value, control, {}, before,
                   ReadValue(panel, control), gesture});
  return Commit(label, std::move(calls));
}

std::uint64_t Studio::Wire(const json& request) {
  ChangeGate gate(*this);
  const json input = RequiredKey(request, "input");
  if (!input.is_string()) throw RequestError("\"input\" must be a string");
  const std::string name = input.get<std::string>();
  const json source = RequiredKey(request, "source");
  HostInput* record = host_->FindInput(session_->node(), name);
  if (!record) throw RequestError("the node has no input \"" + Printable(name) + "\"");
  const json before = WiringJson(*record);
  json calls = json::array();
  ApplyWiring(name, source, calls);
  history_.Record({HistoryStep::Kind::Wiring, 0, name, before, WiringJson(*record), {}});
  return Commit(name + " wiring", std::move(calls));
}

// Sets what `step` changed to `value`; returns what the step is called.
std::string Studio::ApplyStep(const HistoryStep& step, const json& value, json& calls) {
  switch (step.kind) {
    case HistoryStep::Kind::Value:
      ApplyValue(static_cast<PanelId>(step.control), value, calls);
      return FindControl(Panel(), static_cast<PanelId>(step.control)).label;
    case HistoryStep::Kind::Wiring:
      ApplyWiring(step.input, value, calls);
      return step.input + " wiring";
    case HistoryStep::Kind::Camera: {
      const SceneErrors errors{sceneName_};
      scene_->camera = ReadCamera(SceneJson{value, "camera", errors});
      return "camera";
    }
    case HistoryStep::Kind::Environment:
      ApplyEnvironment(value);
      return "environment";
  }
  return {};
}

void Studio::Apply(const HistoryStep& step, bool forward) {
  json calls = json::array();
  const std::string what = ApplyStep(step, forward ? step.after : step.before, calls);
  Commit(std::string(forward ? "redo " : "undo ") + what, std::move(calls));
}

std::uint64_t Studio::Undo() { return Step(false); }
std::uint64_t Studio::Redo() { return Step(true); }

std::uint64_t Studio::Step(bool forward) {
  ChangeGate gate(*this);
  const std::optional<HistoryStep> step = forward ? history_.Redo() : history_.Undo();
  if (!step) throw RequestError(forward ? "nothing to redo" : "nothing to undo");
  try {
    Apply(*step, forward);
  } catch (...) {
    // Put the step back where it was taken from.
    history_.Revert(!forward);
    throw;
  }
  return version_.load();
}

}  // namespace standin
