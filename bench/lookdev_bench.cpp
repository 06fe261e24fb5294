// The look-dev views' costs, each against its target:
//   LookdevLobePlot: `quillane lobe` at its default size on 2 threads,
//     sampling and PNG drawing (target 0.5 s);
//   LookdevAovCost: the frame read back at every pixel of the default
//     scene against a plain render of it, both on 2 threads, in interleaved
//     pairs; "aov_over_render" is the ratio of their times (target 8);
//   LookdevSweep: a 4x4 sheet of 256x256 renders of the default scene on 2
//     threads, cells and PNG (target 3 s).
#include <time.h>

#include <exception>

#include <benchmark/benchmark.h>

#include "standin/host/host.h"
#include "standin/host/module_file.h"
#include "standin/host/scene_host.h"
#include "standin/lookdev/aov.h"
#include "standin/lookdev/lobe_request.h"
#include "standin/lookdev/sweep.h"
#include "standin/render/scene.h"

namespace bench {
namespace {

double Wall() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void LookdevLobePlot(benchmark::State& state) {
  try {
    standin::ModuleFile module(QUILLANE_MODULE_PATH);
    standin::Host host(module);
    standin::lookdev::LobeRequest request;
    request.options.threads = 2;
    for (auto _ : state) {
      const auto result = standin::lookdev::PlotLobe(host, request);
      std::string png = standin::lookdev::LobePlotPng(result.samples);
      benchmark::DoNotOptimize(png);
      state.counters["evaluations"] = static_cast<double>(result.samples.evaluations);
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void LookdevAovCost(benchmark::State& state) {
  try {
    const standin::Scene scene = standin::DefaultScene();
    standin::ModuleFile module(QUILLANE_MODULE_PATH);
    standin::Host host(module);
    standin::SceneSession session(host, scene, "default scene");
    standin::RenderOptions options;
    options.threads = 2;
    const int width = scene.render.width, height = scene.render.height;
    double render = 0.0, aov = 0.0;
    int turn = 0;
    for (auto _ : state) {
      for (int i = 0; i < 2; ++i) {
        const double start = Wall();
        if ((i + turn) % 2 == 0) {
          standin::Image image = session.Render(width, height, options);
          benchmark::DoNotOptimize(image);
          render += Wall() - start;
        } else {
          auto a = standin::lookdev::ComputeAovs(host, scene, "default scene", width, height, options);
          benchmark::DoNotOptimize(a);
          aov += Wall() - start;
        }
      }
      turn ^= 1;
    }
    state.counters["aov_over_render"] = aov / render;
    state.counters["render_seconds"] = render / static_cast<double>(state.iterations());
    state.counters["aov_seconds"] = aov / static_cast<double>(state.iterations());
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void LookdevSweep(benchmark::State& state) {
  try {
    const standin::Scene scene = standin::DefaultScene();
    standin::ModuleFile module(QUILLANE_MODULE_PATH);
    standin::Host host(module);
    standin::lookdev::SweepRequest request;
    request.scene = &scene;
    request.sceneName = "default scene";
    request.axes = {standin::lookdev::ParseSweepAxis("uGlossiness=0.02:0.5:4"),
                    standin::lookdev::ParseSweepAxis("tangentRotate=0:1.57:4")};
    request.threads = 2;
    for (auto _ : state) {
      const auto sheet = standin::lookdev::RunSweep(host, request);
      std::string png = standin::lookdev::ContactSheetPng(sheet);
      benchmark::DoNotOptimize(png);
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

BENCHMARK(LookdevLobePlot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LookdevAovCost)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(LookdevSweep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace bench
