// One lobe plot as a library call: the spot and node to probe (the eval
// command's default spot with settings, or a scene's pixel), the settings
// overlaid on the slices, and the sampling options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "standin/host/host.h"
#include "standin/lookdev/lobe_plot.h"

namespace standin::lookdev {

struct LobeRequest {
  const Scene* scene = nullptr;  // null: the eval command's default spot
  std::string sceneName;
  int pixelX = 0, pixelY = 0;    // with a scene: the pixel of a
  int width = 0, height = 0;     // width x height render
  std::vector<std::string> settings;  // "key=value" eval settings
  std::string overlayKey;             // an eval setting key, or empty
  std::vector<std::string> overlayValues;
  LobeOptions options;
  int reportGrid = 0;  // > 0: also the energy report on an n x n grid
};

struct LobeResult {
  LobeSamples samples;
  std::optional<EnergyReport> report;
};

// Samples the lobe through the module loaded in `host`. Throws CaseError
// for bad settings, std::runtime_error for a bad pixel, HostError.
LobeResult PlotLobe(Host& host, const LobeRequest& request);

}  // namespace standin::lookdev
