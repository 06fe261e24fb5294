// Time to a converged image under the studio environment, and what one
// sample of a sampled light costs in the module against a distant light.
//
//   build-bench/quillane_converge [THREADS]
//
// Renders the default scene at 640x360 with supersample 8 and the
// environment listed 64 times (4,096 environment samples per pixel) as the
// reference, then a ladder of cheaper settings, printing for each the
// seconds and the RMS difference from the reference over the reference's
// mean. Then times Evaluate at one spot with a single light of each kind.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/default_scene.h"
#include "standin/render/environment_preset.h"
#include "standin/render/geometry.h"

namespace {

volatile double gSink = 0.0;  // keeps the timed shading from being dropped

standin::Image RenderWith(standin::Scene scene, int supersample, int samples, int threads,
                          double* seconds) {
  scene.render.supersample = supersample;
  for (standin::Light& light : scene.lights)
    if (light.type == standin::LightType::Environment) light.samples = samples;
  standin::ModuleFile module{QUILLANE_MODULE_PATH};
  standin::Host host{module};
  standin::SceneSession session{host, scene, "default scene"};
  standin::RenderOptions options;
  options.threads = threads;
  const double start = bench::WallSeconds();
  standin::Image image = session.Render(scene.render.width, scene.render.height, options);
  *seconds = bench::WallSeconds() - start;
  return image;
}

double RelativeRms(const standin::Image& image, const standin::Image& reference) {
  double squares = 0.0, sum = 0.0;
  for (size_t i = 0; i < reference.rgb.size(); ++i) {
    const double d = static_cast<double>(image.rgb[i]) - reference.rgb[i];
    squares += d * d;
    sum += reference.rgb[i];
  }
  const double n = static_cast<double>(reference.rgb.size());
  return std::sqrt(squares / n) / (sum / n);
}

// Nanoseconds per Evaluate at the centre of the default ball with `light`
// alone in the scene.
double EvaluateNs(const standin::Light& light) {
  standin::Scene scene = standin::DefaultScene();
  scene.lights = {light};
  standin::ModuleFile module{QUILLANE_MODULE_PATH};
  standin::Host host{module};
  standin::SceneSession session{host, scene, "one light"};
  const standin::Ray ray{{-1.25, 0.0, 5.0}, {0.0, 0.0, -1.0}};
  standin::Hit hit;
  if (!standin::Intersect(scene, ray, &hit)) return 0.0;
  constexpr int kCalls = 200000;
  double rgb[3], sink = 0.0;
  const double start = bench::WallSeconds();
  for (int i = 0; i < kCalls; ++i) {
    session.Shade(hit, ray, standin::LightSample{0, 0, i % 64, 64, 0, 1}, rgb);
    sink += rgb[0];
  }
  gSink = sink;
  return (bench::WallSeconds() - start) * 1e9 / kCalls;
}

}  // namespace

int main(int argc, char** argv) {
  const int threads = argc > 1 ? std::atoi(argv[1]) : 2;
  const standin::Scene scene = standin::DefaultScene();
  double seconds = 0.0;
  const standin::Image reference = RenderWith(scene, 8, 64, threads, &seconds);
  std::printf("reference: supersample 8, 64 environment items: %.1f s\n", seconds);
  std::printf("| supersample | environment items | samples per pixel | seconds | RMS / mean |\n");
  std::printf("|---|---|---|---|---|\n");
  const int ladder[][2] = {{1, 1}, {2, 1}, {2, 4}, {3, 4}, {4, 4}, {4, 8}, {5, 8}, {6, 8}, {8, 8}, {8, 16}};
  for (const auto& [supersample, samples] : ladder) {
    const standin::Image image = RenderWith(scene, supersample, samples, threads, &seconds);
    std::printf("| %d | %d | %d | %.2f | %.4f |\n", supersample, samples,
                supersample * supersample * samples, seconds, RelativeRms(image, reference));
  }
  standin::Light distant = scene.lights[0];
  standin::Light environment = scene.lights[2];
  environment.samples = 1;
  standin::Light rectangle;
  rectangle.type = standin::LightType::Rectangle;
  rectangle.position = {0.0, 3.0, 3.0};
  rectangle.direction = {0.0, -1.0, -1.0};
  std::printf("| one light | ns per Evaluate |\n|---|---|\n");
  std::printf("| distant | %.0f |\n", EvaluateNs(distant));
  std::printf("| environment | %.0f |\n", EvaluateNs(environment));
  std::printf("| rectangle | %.0f |\n", EvaluateNs(rectangle));
  return 0;
}
