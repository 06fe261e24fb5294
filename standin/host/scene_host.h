// A scene file's world set up in the stand-in host: its objects and lights
// as the host's items, one node with the scene's wiring and saved data, and
// rendering through the module.
#pragma once

#include <string>

#include "standin/host/host.h"
#include "standin/render/image.h"
#include "standin/render/renderer.h"
#include "standin/render/scene.h"

namespace standin {

// The spot the host hands the node for a camera ray that met `hit`: the
// one place a hit becomes a spot, for renders and look-dev views alike.
HostSpot SpotFromHit(const Host& host, const Hit& hit, const Ray& ray);

// How the host lists the scene's sampled (area and environment) lights:
// each `samples` times as the scene says, or each once, one sample per
// pixel sample (a quick preview's cheaper estimate of the same light).
enum class SampledLights { AsScene, Once };

class SceneSession {
 public:
  // Activates the node with the scene's services, mirrors its objects and
  // lights, creates the node, wires its inputs and loads its saved data
  // (named "`sceneName`: key node" in messages). `scene` must outlive the
  // session. Throws ContainerError for bad node data, HostError otherwise.
  SceneSession(Host& host, const Scene& scene, const std::string& sceneName);
  ~SceneSession();
  SceneSession(const SceneSession&) = delete;
  SceneSession& operator=(const SceneSession&) = delete;

  HostNode& node() { return *node_; }
  // The node's colour at one surface hit seen along `ray`; black when the
  // evaluation sets no output.
  // Sampled lights draw from `sample`; without one, from sample 0 of 1.
  void Shade(const Hit& hit, const Ray& ray, double rgb[3]) const;
  void Shade(const Hit& hit, const Ray& ray, const LightSample& sample, double rgb[3]) const;
  // Lists the scene's lights as the host's items again, the sampled ones
  // as `sampled` says (the session starts with AsScene). Only while no
  // evaluation runs.
  void ListLights(SampledLights sampled);
  // Renders the scene's camera view through the module (builds with the
  // renderer only: scene_render.cpp).
  Image Render(int width, int height, const RenderOptions& options);
  // The node's data through the module's save, in the text form.
  std::string SaveNodeText();

 private:
  Host& host_;
  const Scene& scene_;
  HostNode* node_ = nullptr;
};

}  // namespace standin
