// The nodes and the spot a look-dev command probes: either the eval
// command's default spot with settings given as eval keys, or the spot
// under one pixel of a scene with that scene's node, wiring and lights.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "standin/host/eval_case.h"
#include "standin/host/host.h"
#include "standin/host/scene_host.h"
#include "standin/lookdev/probe.h"
#include "standin/render/geometry.h"

namespace standin::lookdev {

// "key=value" eval settings (value a number, or r,g,b for color) as the
// panel's settings. Throws CaseError naming the key.
std::vector<CaseSetting> ParseSettings(const std::vector<std::string>& pairs);

class ProbeSetup {
 public:
  // The eval command's default spot; nodes start from their defaults.
  explicit ProbeSetup(Host& host);
  // The scene's world and node, without a spot (for callers that make
  // their own spots). `scene` must outlive the setup.
  ProbeSetup(Host& host, const Scene& scene, const std::string& sceneName);
  // The spot under pixel (x, y) of a width x height render of `scene`
  // (which must outlive the setup); nodes start as the scene's node.
  // Throws std::runtime_error when the pixel is outside the image or its
  // ray meets nothing.
  ProbeSetup(Host& host, const Scene& scene, const std::string& sceneName, int x,
             int y, int width, int height);
  ~ProbeSetup();
  ProbeSetup(const ProbeSetup&) = delete;
  ProbeSetup& operator=(const ProbeSetup&) = delete;

  // A new prepared node: the starting node with `settings` applied through
  // its panel and `inputs` wired. Throws HostError.
  using Wiring = std::vector<std::pair<std::string, InputSource>>;
  ProbeNode AddNode(const std::vector<CaseSetting>& settings, const Wiring& inputs = {});
  LobeProbe Probe(const ProbeNode& node) const { return LobeProbe(host_, node, spot_); }
  const HostSpot& spot() const { return spot_; }

 private:
  Host& host_;
  const Scene* scene_ = nullptr;
  std::string sceneName_;
  std::unique_ptr<SceneSession> session_;
  std::unique_ptr<Hit> hit_;
  HostSpot spot_;
  std::vector<HostNode*> nodes_;
};

}  // namespace standin::lookdev
