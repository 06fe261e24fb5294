#include "standin/serve/lookdev_views.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "standin/lookdev/aov_pictures.h"
#include "standin/lookdev/lobe_request.h"
#include "standin/render/camera.h"
#include "standin/render/geometry.h"

namespace standin {
namespace {

// Samples across each map of the page's lobe plot: a quarter of the lobe
// command's evaluations, drawn at the same size.
constexpr int kLobeMapSize = 128;

bool MeetsSurface(const Scene& scene, int width, int height, int x, int y) {
  Hit hit;
  return Intersect(scene, PrimaryRay(scene.camera, width, height, x + 0.5, y + 0.5), &hit);
}

// The preview averaged over factor x factor blocks.
Image Shrunk(const Image& preview, int factor) {
  Image small = MakeImage(std::max(1, preview.width / factor), std::max(1, preview.height / factor));
  const double weight = 1.0 / (factor * factor);
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x) {
      double sum[3] = {0.0, 0.0, 0.0};
      for (int dy = 0; dy < factor; ++dy)
        for (int dx = 0; dx < factor; ++dx) {
          const float* p = preview.Pixel(std::min(x * factor + dx, preview.width - 1),
                                         std::min(y * factor + dy, preview.height - 1));
          for (int c = 0; c < 3; ++c) sum[c] += p[c];
        }
      for (int c = 0; c < 3; ++c) small.Pixel(x, y)[c] = static_cast<float>(sum[c] * weight);
    }
  return small;
}

std::string Reason(const std::exception& e) {
  return std::string("cannot be shown: ") + e.what();
}

nlohmann::json ViewJson(const std::string& png, const std::string& reason, const char* url,
                        std::uint64_t id) {
  if (png.empty()) return {{"available", false}, {"reason", reason}};
  return {{"available", true}, {"reason", ""}, {"url", url + std::to_string(id)}};
}

}  // namespace

std::optional<std::pair<int, int>> LobePixel(const Scene& scene, int width, int height) {
  const int cx = width / 2, cy = height / 2;
  if (MeetsSurface(scene, width, height, cx, cy)) return std::pair{cx, cy};
  std::optional<std::pair<int, int>> best;
  double nearest = INFINITY;
  constexpr int kGrid = 16;
  for (int j = 0; j < kGrid; ++j)
    for (int i = 0; i < kGrid; ++i) {
      const int x = (2 * i + 1) * width / (2 * kGrid), y = (2 * j + 1) * height / (2 * kGrid);
      const double d = std::hypot(x - cx, y - cy);
      if (d < nearest && MeetsSurface(scene, width, height, x, y)) {
        nearest = d;
        best = std::pair{x, y};
      }
    }
  return best;
}

std::optional<ViewProbe> ProbeViews(Host& host, const Scene& scene, const std::string& sceneName,
                                    const Image& preview,
                                    const std::optional<std::pair<int, int>>& spot, int threads,
                                    const std::function<bool()>& interrupted) {
  ViewProbe probe;
  const std::optional<std::pair<int, int>> pixel =
      spot ? spot : LobePixel(scene, preview.width, preview.height);
  if (spot && !MeetsSurface(scene, preview.width, preview.height, spot->first, spot->second))
    probe.lobeReason = "the chosen pixel shows no surface: click on an object";
  else if (!pixel) probe.lobeReason = "the preview shows no surface to plot the lobe of";
  else
    try {
      lookdev::LobeRequest request;
      request.scene = &scene;
      request.sceneName = sceneName;
      std::tie(request.pixelX, request.pixelY) = *pixel;
      request.width = preview.width;
      request.height = preview.height;
      request.options.mapSize = kLobeMapSize;
      request.options.threads = threads;
      request.options.interrupted = interrupted;
      probe.lobe = lookdev::PlotLobe(host, request).samples;
    } catch (const RenderInterrupted&) {
      return std::nullopt;
    } catch (const std::exception& e) {
      probe.lobeReason = Reason(e);
    }
  if (interrupted()) return std::nullopt;
  // Half the preview's size once it is large enough to read the strokes.
  const int factor = preview.width >= 400 ? 2 : 1;
  probe.beauty = Shrunk(preview, factor);
  RenderOptions options;
  options.threads = threads;
  options.interrupted = interrupted;
  try {
    probe.frame = lookdev::ComputeAovs(host, scene, sceneName, probe.beauty.width,
                                       probe.beauty.height, options);
  } catch (const RenderInterrupted&) {
    return std::nullopt;
  } catch (const std::exception& e) {
    probe.frameReason = Reason(e);
  }
  probe.scene = scene;
  probe.exposure = scene.render.exposure;
  return probe;
}

ViewImages DrawViews(const ViewProbe& probe) {
  ViewImages views;
  views.version = probe.version;
  views.lobeReason = probe.lobeReason;
  views.frameReason = probe.frameReason;
  if (probe.lobe) views.lobePng = lookdev::LobePlotPng(*probe.lobe);
  if (probe.frame)
    views.framePng = lookdev::StrokesPng(*probe.frame, probe.scene, probe.beauty, probe.exposure);
  return views;
}

nlohmann::json ViewsJson(const ViewImages* views) {
  if (!views) {
    const nlohmann::json waiting = {{"available", false},
                                    {"reason", "waiting for the first preview"}};
    return {{"version", 0}, {"lobe", waiting}, {"frame", waiting}};
  }
  return {{"version", views->version},
          {"lobe", ViewJson(views->lobePng, views->lobeReason, "/api/view/lobe.png?id=", views->id)},
          {"frame", ViewJson(views->framePng, views->frameReason, "/api/view/frame.png?id=",
                             views->id)}};
}

}  // namespace standin
