// The look-dev preview: the open scene rendered through the module, first
// in a quick pass (one sample per pixel and one per sampled light, at most
// kQuickPixels), then refined at full size in passes that add samples (1,
// 4, 16, 64 ... up to the scene's samples per pixel), each sampled light
// drawn as `quillane render` draws it. A waiting change interrupts a refining pass; the quick
// pass finishes first, so that a drag, a change every few milliseconds,
// still gets an image every quick pass.
#include <algorithm>
#include <cmath>

#include "standin/serve/studio.h"

namespace standin {
namespace {

struct Interrupted {};

// The quick pass's largest size, in pixels: a quarter of the default
// scene's 640 x 360, so that a change shows within a few tens of
// milliseconds on two cores.
constexpr double kQuickPixels = 320.0 * 180.0;

std::pair<int, int> QuickSize(const RenderDefaults& render) {
  const auto [width, height] = PreviewSize(render);
  const double scale = std::min(1.0, std::sqrt(kQuickPixels / (double(width) * height)));
  return {std::max(1, static_cast<int>(std::lround(width * scale))),
          std::max(1, static_cast<int>(std::lround(height * scale)))};
}

// The samples per pixel after the refining pass that follows `done`:
// four times as many each pass, up to `total`.
int NextSamples(int done, int total) { return std::min(total, done == 0 ? 1 : done * 4); }

// Lists each sampled light once while it lives: the quick pass draws one
// sample of each where the refining passes draw the scene's count.
class LightsListedOnce {
 public:
  explicit LightsListedOnce(SceneSession& session) : session_(session) {
    session_.ListLights(SampledLights::Once);
  }
  ~LightsListedOnce() { session_.ListLights(SampledLights::AsScene); }
  LightsListedOnce(const LightsListedOnce&) = delete;
  LightsListedOnce& operator=(const LightsListedOnce&) = delete;

 private:
  SceneSession& session_;
};

std::string ToRgba(const Image& image, const DisplayTable& display) {
  std::string rgba(image.rgb.size() / 3 * 4, '\xff');
  for (size_t i = 0, j = 0; i < image.rgb.size(); i += 3, j += 4)
    for (size_t c = 0; c < 3; ++c) rgba[j + c] = static_cast<char>(display(image.rgb[i + c]));
  return rgba;
}

}  // namespace

std::pair<int, int> PreviewSize(const RenderDefaults& render) {
  const double scale = std::min(1.0, 1024.0 / std::max(render.width, render.height));
  return {std::max(1, static_cast<int>(std::lround(render.width * scale))),
          std::max(1, static_cast<int>(std::lround(render.height * scale)))};
}

// Empties the refining passes' sums, at the preview's size: done as the
// first refining pass starts rather than after the quick pass, whose frame
// should not wait for it.
void Studio::EmptySums() {
  const auto [width, height] = PreviewSize(scene_->render);
  if (sums_.width != width || sums_.height != height) {
    sums_ = MakeSampleSums(width, height);
    return;
  }
  std::fill(sums_.rgb.begin(), sums_.rgb.end(), 0.0);
  sums_.samples = 0;
}

int Studio::PreviewSamples() const {
  return std::max(1, scene_->render.supersample) * std::max(1, scene_->render.supersample);
}

// Runs `render` between the host's begin and end of a render, with a
// shader that stops at the next pixel once `interrupted` answers true.
// False when it was interrupted.
bool Studio::Rendering(const std::function<bool()>& interrupted,
                       const std::function<void(const SampleShader&)>& render) {
  HostNode& node = session_->node();
  host_->BeginRender(node);
  try {
    render([&](const Hit& hit, const Ray& ray, const LightSample& sample, double rgb[3]) {
      if (interrupted()) throw Interrupted{};
      session_->Shade(hit, ray, sample, rgb);
    });
  } catch (const Interrupted&) {
    host_->EndRender(node);
    return false;
  } catch (const RenderInterrupted&) {
    host_->EndRender(node);
    return false;
  } catch (...) {
    host_->EndRender(node);
    throw;
  }
  host_->EndRender(node);
  return true;
}

std::optional<PreviewFrame> Studio::RenderPreview(std::uint64_t shown, int threads,
                                                  const std::atomic<bool>& stop) {
  if (waiting_.load() > 0) return std::nullopt;
  std::lock_guard lock(mutex_);
  const bool quick = version_.load() != shown;
  const auto stopped = [&] { return stop.load(std::memory_order_relaxed); };
  const auto changed = [&] {
    return waiting_.load(std::memory_order_relaxed) > 0 || stopped();
  };
  RenderOptions options;
  options.threads = threads;
  options.interrupted = quick ? std::function<bool()>(stopped) : std::function<bool()>(changed);
  PreviewFrame frame;
  frame.totalSamples = PreviewSamples();
  Image image;
  if (quick) {
    Scene pass = *scene_;
    pass.render.supersample = 1;
    const std::pair<int, int> size = QuickSize(scene_->render);
    const LightsListedOnce once(*session_);
    if (!Rendering(options.interrupted, [&](const SampleShader& shade) {
          image = RenderScene(pass, size.first, size.second, options, shade);
        }))
      return std::nullopt;
    sums_.samples = 0;
    frame.samples = 1;
  } else {
    if (sums_.samples == 0) EmptySums();
    const int end = NextSamples(sums_.samples, frame.totalSamples);
    if (!Rendering(options.interrupted, [&](const SampleShader& shade) {
          AddSamples(*scene_, sums_, end, options, shade);
        })) {
      // Part-added: refine again from nothing.
      sums_.samples = 0;
      return std::nullopt;
    }
    image = MeanImage(sums_);
    frame.samples = sums_.samples;
  }
  frame.pass = quick ? "quick" : frame.samples < frame.totalSamples ? "refining" : "refined";
  return Finish(std::move(frame), std::move(image), !quick);
}

PreviewFrame Studio::Finish(PreviewFrame frame, Image image, bool fullSize) {
  frame.id = ++frames_;
  frame.version = version_.load();
  frame.final = frame.pass == "refined";
  frame.width = image.width;
  frame.height = image.height;
  if (!display_ || display_->exposure() != scene_->render.exposure)
    display_.emplace(scene_->render.exposure);
  frame.rgba = ToRgba(image, *display_);
  if (fullSize) {
    lastPreview_ = std::move(image);
    lastPreviewVersion_ = frame.version;
  }
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
  std::optional<ViewProbe> probe = standin::ProbeViews(*host_, *scene_, sceneName_, lastPreview_,
                                                       spot_, threads, interrupted);
  if (probe) probe->version = version;
  return probe;
}

}  // namespace standin
