#include "standin/host/host.h"

#include "standin/host/host_services.h"

namespace standin {
namespace {

std::string ActivationFailure(const char* className, int code) {
  const char* reason = code == kActivateBadVersion   ? "unsupported version"
                       : code == kActivateBadService ? "a host service is missing"
                       : code == kActivateBadLocal   ? "missing local record"
                                                     : "unknown failure";
  return std::string("activation of \"") + className + "\" failed with code " +
         std::to_string(code) + " (" + reason + ")";
}

}  // namespace

HostSpot DefaultSpot() {
  HostSpot spot;
  SpotInfo& s = spot.info;
  s.normal[2] = 1.0;
  s.raySource[2] = 5.0;
  for (int i = 0; i < 3; ++i) s.toWorld[4 * i] = s.toLocal[4 * i] = 1.0;
  return spot;
}

Host::Host(const ModuleFile& module) : module_(module) {
  HostServicesImpl::Attach(this);
  try {
    ActivateNode(ServiceOffer{});
  } catch (...) {
    HostServicesImpl::Attach(nullptr);
    throw;
  }
}

Host::~Host() {
  for (HostNode& node : nodes_)
    if (node.instance) DestroyNode(node);
  HostServicesImpl::Attach(nullptr);
}

void Host::ActivateNode(const ServiceOffer& offer) {
  const ServerRecord* server = module_.FindServer("NodeHandler");
  if (!server || !server->activate)
    throw HostError(module_.path() + ": the module has no \"NodeHandler\" server");
  offer_ = offer;
  handler_ = {&instanceFuncs_, &itemFuncs_, &renderFuncs_, nullptr};
  const int code = server->activate(1, HostServicesImpl::Lookup, &handler_, nullptr);
  if (code != kActivateOk) throw HostError(ActivationFailure("NodeHandler", code));
  if (!instanceFuncs_.create || !instanceFuncs_.destroy || !handler_.evaluate)
    throw HostError("\"NodeHandler\" activation left the handler record unfilled");
}

RayTraceFunc Host::RayTraceEntry() { return HostServicesImpl::RayTrace; }

HostNode& Host::CreateNode() {
  HostNode& node = nodes_.emplace_back();
  node.name = std::string(module_.FindServer("NodeHandler")->serverName) + " (" +
              std::to_string(++nodeCount_) + ")";
  const char* error = nullptr;
  node.instance = instanceFuncs_.create(instanceFuncs_.priv,
                                        reinterpret_cast<HostNode*>(&node), &error);
  if (!node.instance) {
    nodes_.pop_back();
    throw HostError(std::string("node creation failed: ") +
                    (error ? error : "no reason given"));
  }
  return node;
}

void Host::DestroyNode(HostNode& node) {
  if (!node.instance) return;
  instanceFuncs_.destroy(node.instance);
  node.instance = nullptr;
  node.panel = nullptr;
  // Drop the records of destroyed nodes and panels from the end, so that a
  // long run of create and destroy does not grow the host.
  while (!nodes_.empty() && !nodes_.back().instance) nodes_.pop_back();
  while (!panels_.empty() && panels_.back().destroyed) panels_.pop_back();
}

HostPanel* Host::OpenPanel(HostNode& node) {
  const ServerRecord* server = module_.FindServer("NodeInterface");
  if (!server || !server->activate)
    throw HostError(module_.path() + ": the module has no \"NodeInterface\" server");
  InterfaceRecord record{node.instance, nullptr, nullptr, nullptr};
  const int code = server->activate(4, HostServicesImpl::Lookup, &record, nullptr);
  if (code != kActivateOk) throw HostError(ActivationFailure("NodeInterface", code));
  node.panel = reinterpret_cast<HostPanel*>(record.panel);
  return node.panel;
}

HostInput* Host::FindInput(HostNode& node, const std::string& name) {
  for (HostInput& input : node.inputs)
    if (input.name == name) return &input;
  return nullptr;
}

void Host::Wire(HostNode& node, const std::string& name, const InputSource& source) {
  HostInput* input = FindInput(node, name);
  if (!input) throw HostError("the node has no input \"" + name + "\"");
  input->wired = true;
  input->source = source;
  if (input->onEvent)
    input->onEvent(node.instance, reinterpret_cast<InputHandle>(input),
                   kEventValueChanged, nullptr);
}

void Host::SetPanelValue(HostNode& node, const std::string& dataName,
                         const void* value) {
  HostPanel* panel = node.panel;
  if (!panel || !panel->set) throw HostError("the node has no panel to set values in");
  for (const PanelDataDesc& d : panel->data) {
    if (dataName != d.name) continue;
    if (!panel->set(panel->instance, d.id, const_cast<void*>(value)))
      throw HostError("the panel refused a value for \"" + dataName + "\"");
    if (panel->change)
      panel->change(reinterpret_cast<PanelHandle>(panel), d.id, d.id,
                    kEventValueChanged);
    return;
  }
  throw HostError("the panel has no value named \"" + dataName + "\"");
}

std::optional<Color3> Host::Evaluate(const HostNode& node, HostSpot& spot,
                                     Trace* trace) const {
  spot.info.illuminate = HostServicesImpl::Illuminate;
  std::optional<Color3> result;
  TraceScope tracing(trace);
  SpotScope evaluating(spot);
  handler_.evaluate(node.instance, &spot.info,
                    reinterpret_cast<OutputHandle>(const_cast<HostNode*>(&node)),
                    reinterpret_cast<ValueHandle>(&result));
  return result;
}

std::string Host::Save(const HostNode& node, ContainerForm form) {
  ContainerWriter writer(form);
  const char* error = instanceFuncs_.save(node.instance, writer.state());
  if (error) throw ContainerError(std::string("save failed: ") + error);
  return writer.Finish();
}

void Host::Load(HostNode& node, const std::string& data, ContainerForm form,
                const std::string& source) {
  auto reader = ContainerReader::Open(data, form, source);
  // Read once into a scratch node: a failure found only while reading must
  // not leave the real node half loaded.
  HostNode& scratch = CreateNode();
  --nodeCount_;
  const char* error = instanceFuncs_.load(scratch.instance, reader->state());
  const std::string failure = error ? source + ": " + error : reader->error();
  DestroyNode(scratch);
  if (!failure.empty()) throw ContainerError(failure);
  reader->Rewind();
  instanceFuncs_.load(node.instance, reader->state());
}

void Host::BeginRender(const HostNode& node) {
  if (renderFuncs_.init) {
    const char* error = renderFuncs_.init(node.instance, 0);
    if (error) throw HostError(std::string("render init failed: ") + error);
  }
  if (renderFuncs_.newTime) {
    const char* error = renderFuncs_.newTime(node.instance, 0, 0.0);
    if (error) throw HostError(std::string("render new time failed: ") + error);
  }
}

void Host::EndRender(const HostNode& node) {
  if (renderFuncs_.cleanup) renderFuncs_.cleanup(node.instance);
}

}  // namespace standin
