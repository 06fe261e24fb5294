// Tile rendering on oneTBB.
#pragma once

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <vector>

#include "standin/render/geometry.h"
#include "standin/render/image.h"
#include "standin/render/light_sample.h"
#include "standin/render/scene.h"

namespace standin {

struct RenderOptions {
  int threads = 1;          // worker threads, at least 1
  int tileSize = 32;        // tile edge in pixels, at least 1
  // Progress ("\rrendering  42%" lines, then a final line with the time)
  // goes here once the render has taken longer than progressAfter seconds;
  // nullptr disables it. Writes are serialised.
  std::ostream* progress = nullptr;
  double progressAfter = 1.0;
  // Asked before each tile; once it answers true, the tiles not yet begun
  // are skipped and the render throws RenderInterrupted. Empty: never.
  std::function<bool()> interrupted;
};

// A render stopped early because RenderOptions::interrupted asked for it.
struct RenderInterrupted : std::runtime_error {
  RenderInterrupted() : std::runtime_error("the render was interrupted") {}
};

// Computes one pixel: writes its linear colour to rgb.
using PixelShader = std::function<void(int x, int y, float rgb[3])>;

// Renders a width x height image tile by tile on exactly options.threads
// threads (a task_arena of that size). Each pixel is computed once and
// independently, so the image does not depend on the thread count as long
// as shade is a pure function of (x, y). shade is called concurrently from
// several threads. An exception thrown by shade stops the render and is
// rethrown. Throws std::invalid_argument for a bad size, thread count or
// tile size.
Image RenderTiles(int width, int height, const RenderOptions& options,
                  const PixelShader& shade);

// Computes the colour of one camera sample that met a surface: writes its
// linear colour to rgb. Called concurrently from several threads.
using HitShader =
    std::function<void(const Hit& hit, const Ray& ray, double rgb[3])>;

// The same, told which pixel sample it is on (for sampled lights).
using SampleShader = std::function<void(const Hit& hit, const Ray& ray,
                                        const LightSample& sample, double rgb[3])>;

// Renders the scene's camera view: scene.render.supersample^2 samples per
// pixel on a regular grid, each a primary ray; rays that meet an object go
// to shade (sample sy * supersample + sx of supersample^2 at pixel (x,
// y)), the others take scene.render.background; the pixel is the mean.
Image RenderScene(const Scene& scene, int width, int height,
                  const RenderOptions& options, const SampleShader& shade);
Image RenderScene(const Scene& scene, int width, int height,
                  const RenderOptions& options, const HitShader& shade);

// A render of the scene's camera view summed sample by sample, for an
// image refined in passes: per pixel the sums of the first `samples` of
// the scene.render.supersample^2 grid samples RenderScene takes.
struct SampleSums {
  int width = 0;
  int height = 0;
  int samples = 0;
  std::vector<double> rgb;  // width x height x 3
};

// Empty sums for a width x height view.
SampleSums MakeSampleSums(int width, int height);

// Adds samples sums.samples .. end - 1 of every pixel (end at most
// supersample^2), each drawn as RenderScene draws it and added in the same
// order, so that once every sample is in, MeanImage equals RenderScene's
// image bit for bit. Interrupted (RenderInterrupted), the sums are left
// part-added: start again from empty ones.
void AddSamples(const Scene& scene, SampleSums& sums, int end, const RenderOptions& options,
                const SampleShader& shade);

// The mean of the samples summed so far.
Image MeanImage(const SampleSums& sums);

}  // namespace standin
