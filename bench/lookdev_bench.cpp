// The look-dev views' costs, each against its target:
//   LookdevLobePlot: `quillane lobe` at its default size on 2 threads,
//     sampling and PNG drawing (target 0.5 s);
//   LookdevAovCost: the frame read back at every pixel of the default
//     scene against a plain render of it, both on 2 threads, in interleaved
//     pairs; "aov_over_render" is the ratio of their times (target 8);
//   LookdevSweep: a 4x4 sheet of 256x256 renders of the default scene on 2
//     threads, cells and PNG (target 3 s).
#include <exception>

#include <benchmark/benchmark.h>

#include "bench/default_scene.h"
#include "standin/lookdev/aov.h"
#include "standin/lookdev/lobe_request.h"
#include "standin/lookdev/sweep.h"

namespace bench {
namespace {

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
    DefaultScene d;
    standin::RenderOptions options;
    options.threads = 2;
    double seconds[2] = {0.0, 0.0};  // render, read-back
    TimeInTurns(
        state,
        [&] {
          standin::Image image = d.session.Render(d.width, d.height, options);
          benchmark::DoNotOptimize(image);
        },
        [&] {
          auto aovs = standin::lookdev::ComputeAovs(
              d.host, d.scene, "default scene", d.width, d.height, options);
          benchmark::DoNotOptimize(aovs);
        },
        [] {}, seconds);
    const double iterations = static_cast<double>(state.iterations());
    state.counters["aov_over_render"] = seconds[1] / seconds[0];
    state.counters["render_seconds"] = seconds[0] / iterations;
    state.counters["aov_seconds"] = seconds[1] / iterations;
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void LookdevSweep(benchmark::State& state) {
  try {
    DefaultScene d;
    standin::lookdev::SweepRequest request;
    request.scene = &d.scene;
    request.sceneName = "default scene";
    request.axes = {standin::lookdev::ParseSweepAxis("uGlossiness=0.02:0.5:4"),
                    standin::lookdev::ParseSweepAxis("tangentRotate=0:1.57:4")};
    request.threads = 2;
    for (auto _ : state) {
      const auto sheet = standin::lookdev::RunSweep(d.host, request);
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
