// Tiles in parallel on a fixed-size oneTBB arena, with progress on stderr
// for renders that take a while.
#include "standin/render/renderer.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <string>

#include "standin/render/camera.h"

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;

// Reports the share of finished tiles once the render is slow enough.
class Progress {
 public:
  Progress(const RenderOptions& options, int tiles)
      : out_(options.progress), after_(options.progressAfter), tiles_(tiles) {}

  void TileDone() {
    const int done = done_.fetch_add(1) + 1;
    if (out_ == nullptr) return;
    const double elapsed = Seconds();
    if (elapsed <= after_) return;
    std::lock_guard lock(mutex_);
    // At most a few updates a second, and always the last one.
    if (done != tiles_ && shown_ && elapsed - lastShown_ < 0.25) return;
    const int percent = static_cast<int>(100LL * done / tiles_);
    *out_ << "\rrendering " << (percent < 10 ? "  " : percent < 100 ? " " : "")
          << percent << "%" << std::flush;
    shown_ = true;
    lastShown_ = elapsed;
  }

  void Finish() {
    if (out_ == nullptr || !shown_) return;
    char line[64];
    std::snprintf(line, sizeof line, " in %.2f s\n", Seconds());
    *out_ << line << std::flush;
  }

 private:
  double Seconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
  }

  std::ostream* out_;
  double after_;
  int tiles_;
  Clock::time_point start_ = Clock::now();
  std::atomic<int> done_{0};
  std::mutex mutex_;
  bool shown_ = false;
  double lastShown_ = 0.0;
};

void ShadeTile(Image& image, int tile, int tilesX, int tileSize,
               const PixelShader& shade) {
  const int x0 = (tile % tilesX) * tileSize;
  const int y0 = (tile / tilesX) * tileSize;
  const int x1 = std::min(x0 + tileSize, image.width);
  const int y1 = std::min(y0 + tileSize, image.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) shade(x, y, image.Pixel(x, y));
  }
}

// Samples along each side of a pixel's grid.
int GridSize(const Scene& scene) {
  return scene.render.supersample < 1 ? 1 : scene.render.supersample;
}

// Sample `index` of pixel (x, y): a point of the regular k x k grid inside
// the pixel (row index / k, column index % k), its primary ray shaded or
// the background where it meets nothing.
void ShadeSample(const Scene& scene, const CameraRays& rays, int x, int y, int index,
                 const SampleShader& shade, double rgb[3]) {
  const int k = GridSize(scene);
  const int sy = index / k, sx = index % k;
  const Ray ray = rays.At(x + (sx + 0.5) / k, y + (sy + 0.5) / k);
  Hit hit;
  if (Intersect(scene, ray, &hit)) shade(hit, ray, LightSample{x, y, index, k * k, 0, 1}, rgb);
  else Store(scene.render.background, rgb);
}

}  // namespace

Image RenderTiles(int width, int height, const RenderOptions& options,
                  const PixelShader& shade) {
  if (options.threads < 1) {
    throw std::invalid_argument("the thread count must be at least 1, not " +
                                std::to_string(options.threads));
  }
  if (options.tileSize < 1) throw std::invalid_argument("the tile size must be at least 1");
  Image image = MakeImage(width, height);
  const int tilesX = (width + options.tileSize - 1) / options.tileSize;
  const int tilesY = (height + options.tileSize - 1) / options.tileSize;
  Progress progress(options, tilesX * tilesY);
  tbb::task_arena arena(options.threads);
  arena.execute([&] {
    tbb::parallel_for(
        tbb::blocked_range<int>(0, tilesX * tilesY, 1),
        [&](const tbb::blocked_range<int>& range) {
          for (int tile = range.begin(); tile != range.end(); ++tile) {
            if (options.interrupted && options.interrupted()) throw RenderInterrupted();
            ShadeTile(image, tile, tilesX, options.tileSize, shade);
            progress.TileDone();
          }
        },
        tbb::simple_partitioner());
  });
  progress.Finish();
  return image;
}

Image RenderScene(const Scene& scene, int width, int height,
                  const RenderOptions& options, const HitShader& shade) {
  return RenderScene(scene, width, height, options,
                     [&](const Hit& hit, const Ray& ray, const LightSample&, double rgb[3]) {
                       shade(hit, ray, rgb);
                     });
}

Image RenderScene(const Scene& scene, int width, int height,
                  const RenderOptions& options, const SampleShader& shade) {
  const int k = GridSize(scene);
  const double weight = 1.0 / (k * k);
  const CameraRays rays(scene.camera, width, height);
  return RenderTiles(width, height, options, [&](int x, int y, float rgb[3]) {
    double sum[3] = {0.0, 0.0, 0.0};
    for (int index = 0; index < k * k; ++index) {
      double sample[3];
      ShadeSample(scene, rays, x, y, index, shade, sample);
      for (int c = 0; c < 3; ++c) sum[c] += sample[c];
    }
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<float>(sum[c] * weight);
  });
}

SampleSums MakeSampleSums(int width, int height) {
  SampleSums sums;
  sums.width = width;
  sums.height = height;
  sums.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0.0);
  return sums;
}

void AddSamples(const Scene& scene, SampleSums& sums, int end, const RenderOptions& options,
                const SampleShader& shade) {
  const int k = GridSize(scene);
  end = std::min(end, k * k);
  const int begin = sums.samples;
  const CameraRays rays(scene.camera, sums.width, sums.height);
  RenderTiles(sums.width, sums.height, options, [&](int x, int y, float*) {
    double* sum = &sums.rgb[(static_cast<size_t>(y) * static_cast<size_t>(sums.width) +
                             static_cast<size_t>(x)) * 3];
    for (int index = begin; index < end; ++index) {
      double sample[3];
      ShadeSample(scene, rays, x, y, index, shade, sample);
      for (int c = 0; c < 3; ++c) sum[c] += sample[c];
    }
  });
  sums.samples = std::max(begin, end);
}

Image MeanImage(const SampleSums& sums) {
  Image image = MakeImage(sums.width, sums.height);
  const double weight = 1.0 / std::max(1, sums.samples);
  for (size_t i = 0; i < sums.rgb.size(); ++i)
    image.rgb[i] = static_cast<float>(sums.rgb[i] * weight);
  return image;
}

}  // namespace standin
