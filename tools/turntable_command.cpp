// `quillane turntable`: one turn of the camera about its target, or of the
// environment about +Y, as an animated WebP or a numbered PNG sequence.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "tools/commands.h"

#if QUILLANE_HAS_RENDER
#include <webp/encode.h>
#include <webp/mux.h>

#include "standin/assets/scene_assets.h"
#include "standin/host/scene_host.h"
#include "standin/render/environment.h"
#include "standin/render/image.h"
#include "standin/files/output_files.h"
#include "standin/render/render_memory.h"
#endif

namespace quillane {
#if QUILLANE_HAS_RENDER
namespace {

using standin::Image;
using standin::Scene;

// A PNG sequence's file name for frame `index`: the pattern's run of '#'
// or its printf-style %d / %0Nd replaced by the zero-padded number.
// Empty when `pattern` is not a PNG pattern.
std::string FrameName(const std::string& pattern, int index) {
  static const std::regex kPattern(R"((#+)|%(0?[1-9]?)d)");
  std::smatch m;
  if (pattern.size() < 4 || pattern.substr(pattern.size() - 4) != ".png" ||
      !std::regex_search(pattern, m, kPattern)) {
    return {};
  }
  int width = m[1].matched ? static_cast<int>(m[1].length())
                           : (m[2].length() > 1 ? m[2].str()[1] - '0' : 1);
  std::string number = std::to_string(index);
  if (static_cast<int>(number.size()) < width)
    number.insert(0, static_cast<size_t>(width) - number.size(), '0');
  return m.prefix().str() + number + m.suffix().str();
}

bool IsWebp(const std::string& path) {
  return path.size() > 5 && path.substr(path.size() - 5) == ".webp";
}

// Frame `index` of `frames`: the camera turned about the target around the
// up direction, or every environment light turned about +Y.
void PlaceFrame(Scene& scene, const Scene& start, bool camera, int index, int frames) {
  const double degrees = 360.0 * index / frames;
  if (camera) {
    const standin::Vec3 offset = start.camera.position - start.camera.target;
    scene.camera.position = start.camera.target + standin::RotateY(offset, degrees);
    return;
  }
  for (size_t i = 0; i < scene.lights.size(); ++i)
    scene.lights[i].rotation = start.lights[i].rotation + degrees;
}

// The frame as 8-bit RGBA (display-encoded as PNG outputs are).
std::vector<uint8_t> Rgba(const Image& image, double exposure) {
  std::vector<uint8_t> out(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
  for (size_t i = 0, n = out.size() / 4; i < n; ++i) {
    for (size_t c = 0; c < 3; ++c) out[i * 4 + c] = standin::DisplayByte(image.rgb[i * 3 + c], exposure);
    out[i * 4 + 3] = 255;
  }
  return out;
}

// A looping animated WebP, frame by frame (lossy, quality 90, one encoder
// thread; the only times in it are the frame delays, so the same frames
// give the same bytes).
class WebpAnimation {
 public:
  WebpAnimation(int width, int height, int delay) : width_(width), height_(height), delay_(delay) {
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_))
      throw std::runtime_error("libwebp: unexpected version");
    options.anim_params.loop_count = 0;
    config_.quality = 90.0f;
    config_.thread_level = 0;
    encoder_ = WebPAnimEncoderNew(width, height, &options);
    if (!encoder_) throw std::runtime_error("libwebp: cannot start the animation");
  }
  ~WebpAnimation() { WebPAnimEncoderDelete(encoder_); }
  WebpAnimation(const WebpAnimation&) = delete;
  WebpAnimation& operator=(const WebpAnimation&) = delete;

  void Add(const Image& frame, double exposure) {
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) throw std::runtime_error("libwebp: unexpected version");
    picture.width = width_;
    picture.height = height_;
    picture.use_argb = 1;
    const std::vector<uint8_t> rgba = Rgba(frame, exposure);
    const bool ok = WebPPictureImportRGBA(&picture, rgba.data(), width_ * 4) &&
                    WebPAnimEncoderAdd(encoder_, &picture, time_, &config_);
    WebPPictureFree(&picture);
    if (!ok) throw std::runtime_error("libwebp: cannot encode a frame");
    time_ += delay_;
  }

  std::string Finish() {
    WebPData data;
    WebPDataInit(&data);
    const bool ok = WebPAnimEncoderAdd(encoder_, nullptr, time_, nullptr) &&
                    WebPAnimEncoderAssemble(encoder_, &data);
    std::string bytes = ok ? std::string(reinterpret_cast<const char*>(data.bytes), data.size) : "";
    WebPDataClear(&data);
    if (!ok) throw std::runtime_error("libwebp: cannot assemble the animation");
    return bytes;
  }

 private:
  int width_, height_, delay_;
  int time_ = 0;
  WebPConfig config_{};
  WebPAnimEncoder* encoder_ = nullptr;
};

// "\rturntable [#####.....]  12/36" on standard error.
void ShowProgress(int done, int frames) {
  constexpr int kBar = 30;
  const int filled = kBar * done / frames;
  std::cerr << "\rturntable [" << std::string(static_cast<size_t>(filled), '#')
            << std::string(static_cast<size_t>(kBar - filled), '.') << "] " << done << "/"
            << frames << (done == frames ? "\n" : "") << std::flush;
}

}  // namespace

int Turntable(const TurntableArgs& args) {
  return Guarded([&] {
    const bool webp = IsWebp(args.output);
    if (!webp && FrameName(args.output, 0).empty())
      return Fail("turntable: " + args.output +
                  ": expected OUT.webp or a PNG pattern such as frame-####.png or frame-%03d.png");
    if (args.rotate != "camera" && args.rotate != "environment")
      return Fail("turntable: --rotate: expected camera or environment, not \"" + args.rotate + "\"");
    Scene scene = args.scene.empty() ? standin::DefaultScene() : standin::LoadSceneFile(args.scene);
    const bool camera = args.rotate == "camera";
    if (!camera && std::none_of(scene.lights.begin(), scene.lights.end(), [](const auto& l) {
          return l.type == standin::LightType::Environment;
        }))
      return Fail("turntable: --rotate environment: the scene has no environment light");
    const int width = args.size ? args.size->first : scene.render.width;
    const int height = args.size ? args.size->second : scene.render.height;
    standin::CheckRenderMemory(width, height, "turntable: the frame size");
    standin::OutputFiles outputs;
    outputs.AddInput(args.scene, "the scene");
    for (const auto& [file, role] : standin::SceneAssetFiles(scene)) outputs.AddInput(file, role);
    outputs.AddInput(args.module, "the module");
    if (webp) outputs.AddOutput(args.output, "the turntable (-o)");
    for (int f = 0; !webp && f < args.frames; ++f)
      outputs.AddOutput(FrameName(args.output, f), "frame " + std::to_string(f) + " (-o)");
    standin::LoadSceneAssets(scene);
    const Scene start = scene;
    standin::ModuleFile module(args.module);
    standin::Host host(module);
    standin::SceneSession session(host, scene, args.scene.empty() ? "default scene" : args.scene);
    standin::RenderOptions options;
    options.threads = args.threads;
    WebpAnimation animation(width, height, args.delay);
    for (int f = 0; f < args.frames; ++f) {
      ShowProgress(f, args.frames);
      PlaceFrame(scene, start, camera, f, args.frames);
      const Image image = session.Render(width, height, options);
      if (webp) animation.Add(image, scene.render.exposure);
      else outputs.Write(FrameName(args.output, f), [&](std::FILE* file) {
        standin::WritePngTo(file, image, scene.render.exposure);
      });
    }
    ShowProgress(args.frames, args.frames);
    if (webp) outputs.WriteBytes(args.output, animation.Finish());
    outputs.Commit();
    return 0;
  });
}

#else

int Turntable(const TurntableArgs&) { return Fail(kRenderMissing); }

#endif
}  // namespace quillane
