#include "standin/host/scene_host.h"

#include <algorithm>

#include "standin/render/lighting.h"

namespace standin {

namespace {

// Whether the host lists the scene light: every light, or with plain
// lighting only the distant and point ones.
bool Listed(const Scene& scene, const Light& light) {
  return scene.lighting == Lighting::All || light.type == LightType::Distant ||
         light.type == LightType::Point;
}

// Lists the scene's light `index` as one host item: part `part` of
// `parts` for a sampled light.
void MirrorLight(Host& host, const Scene& scene, int index, int part, int parts) {
  const Light& from = scene.lights[static_cast<size_t>(index)];
  HostLight& light = host.lights.emplace_back();
  light.name = from.name;
  light.flags = from.affectsSpecular ? 0u : kLightNoSpecular;
  for (const std::string& name : from.excludedFrom) {
    const int object = FindObject(scene, name);
    if (object >= 0) light.excludedFrom.push_back(&host.objects[static_cast<size_t>(object)]);
  }
  light.illuminate = [&scene, index, part, parts](const double position[3],
                                                  const LightSample& sample, double direction[3],
                                                  double color[3]) {
    LightSample mine = sample;
    mine.part = part;
    mine.parts = parts;
    return IlluminateSpot(scene, index, position, direction, color, mine) ? 1 : 0;
  };
}

}  // namespace

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
  ListLights(SampledLights::AsScene);
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

void SceneSession::ListLights(SampledLights sampled) {
  host_.lights.clear();
  for (size_t i = 0; i < scene_.lights.size(); ++i) {
    const Light& from = scene_.lights[i];
    if (!Listed(scene_, from)) continue;
    // A sampled light listed `samples` times, each item one part of the
    // pixel sample's points.
    const int parts =
        !IsSampled(from.type) || sampled == SampledLights::Once ? 1 : from.samples;
    for (int part = 0; part < parts; ++part)
      MirrorLight(host_, scene_, static_cast<int>(i), part, parts);
  }
}

SceneSession::~SceneSession() { host_.DestroyNode(*node_); }

void SceneSession::Shade(const Hit& hit, const Ray& ray, double rgb[3]) const {
  Shade(hit, ray, LightSample{}, rgb);
}

void SceneSession::Shade(const Hit& hit, const Ray& ray, const LightSample& sample,
                         double rgb[3]) const {
  HostSpot spot = SpotFromHit(host_, hit, ray);
  spot.sample = sample;
  const std::optional<Color3> color = host_.Evaluate(*node_, spot);
  for (int c = 0; c < 3; ++c) rgb[c] = color ? (*color)[static_cast<size_t>(c)] : 0.0;
}

std::string SceneSession::SaveNodeText() {
  return host_.Save(*node_, ContainerForm::kText);
}

}  // namespace standin
