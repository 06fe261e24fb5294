#include "standin/host/scene_host.h"

#include <algorithm>

#include "standin/render/lighting.h"

namespace standin {

HostSpot SpotFromHit(const Host& host, const Hit& hit, const Ray& ray) {
  HostSpot spot;
  SpotInfo& s = spot.info;
  std::copy_n(hit.position, 3, s.worldPosition);
  std::copy_n(hit.normal, 3, s.normal);
  Store(ray.origin, s.raySource);
  std::copy_n(hit.toWorld, 9, s.toWorld);
  std::copy_n(hit.toLocal, 9, s.toLocal);
  s.rayTrace = Host::RayTraceEntry();
  s.object = Host::Handle(&host.objects[static_cast<size_t>(hit.object)]);
  s.flags = 0;
  spot.hit = &hit;
  return spot;
}

SceneSession::SceneSession(Host& host, const Scene& scene,
                           const std::string& sceneName)
    : host_(host), scene_(scene) {
  host.ActivateNode({scene.services.itemInfo, scene.services.objectInfo,
                     scene.services.lightInfo});
  host.objects.clear();
  for (const Object& object : scene.objects) host.objects.push_back({object.name});
  host.lights.clear();
  for (size_t i = 0; i < scene.lights.size(); ++i) {
    const Light& from = scene.lights[i];
    HostLight& light = host.lights.emplace_back();
    light.name = from.name;
    light.flags = from.affectsSpecular ? 0u : kLightNoSpecular;
    for (const std::string& name : from.excludedFrom) {
      const int index = FindObject(scene, name);
      if (index >= 0) light.excludedFrom.push_back(&host.objects[static_cast<size_t>(index)]);
    }
    const int index = static_cast<int>(i);
    light.illuminate = [&scene, index](const double position[3], double direction[3],
                                       double color[3]) {
      return IlluminateSpot(scene, index, position, direction, color) ? 1 : 0;
    };
  }
  node_ = &host.CreateNode();
  try {
    for (const auto& [name, source] : scene.inputs) host.Wire(*node_, name, source);
    if (!scene.nodeData.empty())
      host.Load(*node_, scene.nodeData, ContainerForm::kText, sceneName + ": key node");
  } catch (...) {
    host.DestroyNode(*node_);
    throw;
  }
}

SceneSession::~SceneSession() { host_.DestroyNode(*node_); }

void SceneSession::Shade(const Hit& hit, const Ray& ray, double rgb[3]) const {
  HostSpot spot = SpotFromHit(host_, hit, ray);
  const std::optional<Color3> color = host_.Evaluate(*node_, spot);
  for (int c = 0; c < 3; ++c) rgb[c] = color ? (*color)[static_cast<size_t>(c)] : 0.0;
}

std::string SceneSession::SaveNodeText() {
  return host_.Save(*node_, ContainerForm::kText);
}

}  // namespace standin
