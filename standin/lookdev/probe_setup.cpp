#include "standin/lookdev/probe_setup.h"

#include <algorithm>
#include <stdexcept>

#include "standin/render/camera.h"

namespace standin::lookdev {

std::vector<CaseSetting> ParseSettings(const std::vector<std::string>& pairs) {
  // Each pair becomes a key of an eval case's "settings", so the keys,
  // types and messages are the eval command's.
  std::string line = "{\"settings\": {";
  for (size_t i = 0; i < pairs.size(); ++i) {
    const size_t eq = pairs[i].find('=');
    if (eq == std::string::npos || eq == 0)
      throw CaseError("--set " + pairs[i] + ": expected KEY=VALUE");
    std::string value = pairs[i].substr(eq + 1);
    if (value.find(',') != std::string::npos) value = "[" + value + "]";
    line += (i ? ", \"" : "\"") + pairs[i].substr(0, eq) + "\": " + value;
  }
  line += "}}";
  try {
    return ParseCase(line).settings;
  } catch (const CaseError& e) {
    throw CaseError(std::string("--set ") + e.what());
  }
}

ProbeSetup::ProbeSetup(Host& host) : host_(host) {
  host.ActivateNode({});
  spot_ = DefaultSpot();
  spot_.info.rayTrace = Host::RayTraceEntry();
}

ProbeSetup::ProbeSetup(Host& host, const Scene& scene, const std::string& sceneName)
    : host_(host), scene_(&scene), sceneName_(sceneName) {
  session_ = std::make_unique<SceneSession>(host, scene, sceneName);
}

ProbeSetup::ProbeSetup(Host& host, const Scene& scene, const std::string& sceneName,
                       int x, int y, int width, int height)
    : ProbeSetup(host, scene, sceneName) {
  if (x < 0 || y < 0 || x >= width || y >= height)
    throw std::runtime_error("--pixel " + std::to_string(x) + "," + std::to_string(y) +
                             ": outside the " + std::to_string(width) + "x" +
                             std::to_string(height) + " image");
  const Ray ray = PrimaryRay(scene.camera, width, height, x + 0.5, y + 0.5);
  hit_ = std::make_unique<Hit>();
  if (!Intersect(scene, ray, hit_.get()))
    throw std::runtime_error("--pixel " + std::to_string(x) + "," + std::to_string(y) +
                             ": the ray meets no surface of " + sceneName);
  spot_ = SpotFromHit(host, *hit_, ray);
}

ProbeSetup::~ProbeSetup() {
  for (HostNode* node : nodes_) host_.DestroyNode(*node);
}

ProbeNode ProbeSetup::AddNode(const std::vector<CaseSetting>& settings, const Wiring& inputs) {
  HostNode& node = host_.CreateNode();
  nodes_.push_back(&node);
  if (scene_) {
    for (const auto& [name, source] : scene_->inputs) host_.Wire(node, name, source);
    if (!scene_->nodeData.empty())
      host_.Load(node, scene_->nodeData, ContainerForm::kText, sceneName_ + ": key node");
  }
  host_.OpenPanel(node);
  for (const CaseSetting& s : settings)
    std::visit([&](const auto& value) { host_.SetPanelValue(node, s.dataName, &value); },
               s.value);
  for (const auto& [name, source] : inputs) host_.Wire(node, name, source);
  return PrepareProbe(host_, node);
}

}  // namespace standin::lookdev
