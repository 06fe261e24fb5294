// The look-dev preview: the open scene rendered through the module, in a
// quick pass and a refined one. A waiting change interrupts the refined
// pass; the quick pass finishes first, so that a drag, a change every few
// milliseconds, still gets an image every quick pass.
#include <algorithm>
#include <cmath>

#include "standin/serve/display_table.h"
#include "standin/serve/studio.h"

namespace standin {
namespace {

struct Interrupted {};

// The preview keeps the scene's aspect and fits in 1024 x 1024.
std::pair<int, int> PreviewSize(const RenderDefaults& render) {
  const double scale = std::min(1.0, 1024.0 / std::max(render.width, render.height));
  return {std::max(1, static_cast<int>(std::lround(render.width * scale))),
          std::max(1, static_cast<int>(std::lround(render.height * scale)))};
}

std::string ToRgba(const Image& image, double exposure) {
  const DisplayTable display(exposure);
  std::string rgba(image.rgb.size() / 3 * 4, '\xff');
  for (size_t i = 0, j = 0; i < image.rgb.size(); i += 3, j += 4)
    for (size_t c = 0; c < 3; ++c) rgba[j + c] = static_cast<char>(display(image.rgb[i + c]));
  return rgba;
}

}  // namespace

std::optional<PreviewFrame> Studio::RenderPreview(std::uint64_t shown, int threads,
                                                  const std::atomic<bool>& stop) {
  if (waiting_.load() > 0) return std::nullopt;
  std::lock_guard lock(mutex_);
  const bool refined = version_.load() == shown;
  Scene pass = *scene_;
  if (!refined) pass.render.supersample = 1;
  const auto [width, height] = PreviewSize(scene_->render);
  RenderOptions options;
  options.threads = threads;
  HostNode& node = session_->node();
  host_->BeginRender(node);
  Image image;
  try {
    image = RenderScene(pass, width, height, options,
                        [&](const Hit& hit, const Ray& ray, double rgb[3]) {
                          if ((refined && waiting_.load(std::memory_order_relaxed) > 0) ||
                              stop.load(std::memory_order_relaxed))
                            throw Interrupted{};
                          session_->Shade(hit, ray, rgb);
                        });
  } catch (const Interrupted&) {
    host_->EndRender(node);
    return std::nullopt;
  } catch (...) {
    host_->EndRender(node);
    throw;
  }
  host_->EndRender(node);
  PreviewFrame frame;
  frame.id = ++frames_;
  frame.version = version_.load();
  frame.refined = refined;
  frame.final = refined || scene_->render.supersample <= 1;
  frame.width = width;
  frame.height = height;
  frame.rgba = ToRgba(image, scene_->render.exposure);
  lastPreview_ = std::move(image);
  lastPreviewVersion_ = frame.version;
  return frame;
}

std::optional<ViewProbe> Studio::ProbeViews(std::uint64_t version, int threads,
                                            const std::atomic<bool>& stop) {
  const auto interrupted = [&] {
    return waiting_.load(std::memory_order_relaxed) > 0 || stop.load(std::memory_order_relaxed);
  };
  if (interrupted()) return std::nullopt;
  std::lock_guard lock(mutex_);
  if (version_.load() != version) return std::nullopt;
  if (lastPreviewVersion_ != version) {
    ViewProbe none;
    none.version = version;
    none.lobeReason = none.frameReason = "the preview of this state failed";
    return none;
  }
  // The probes copy the node from the scene: give it the node's settings now.
  scene_->nodeData = session_->SaveNodeText();
  std::optional<ViewProbe> probe =
      standin::ProbeViews(*host_, *scene_, sceneName_, lastPreview_, threads, interrupted);
  if (probe) probe->version = version;
  return probe;
}

}  // namespace standin
