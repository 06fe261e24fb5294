// The stand-in host's throughput: pixels per second of the default render
// (as `quillane render` does it, without writing the image) on 1 and 2
// threads, and `quillane eval` cases per second.
//
// Names: Render/threads:<n> and EvalCases, with the rates in the counters
// "pixels_per_second" and "cases_per_second"; RenderScaling renders on 1 and
// on 2 threads in turn and reports their time ratio as "scaling", so that a
// slow stretch of a shared machine falls on both. The render also reports
// "cpus": the process's CPU time over the wall time, i.e. how many cores it
// actually had. Below the thread count the machine was busy with other work
// and the scaling says nothing about the renderer.
#include <time.h>

#include <chrono>
#include <exception>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "bench/default_scene.h"
#include "standin/host/eval_case.h"

namespace bench {
namespace {

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void RunRender(benchmark::State& state) {
  try {
    DefaultScene d;
    standin::RenderOptions options;
    options.threads = static_cast<int>(state.range(0));
    const double cpu0 = ProcessCpuSeconds(), wall0 = WallSeconds();
    for (auto _ : state) {
      standin::Image image = d.session.Render(d.width, d.height, options);
      benchmark::DoNotOptimize(image);
    }
    state.counters["cpus"] = (ProcessCpuSeconds() - cpu0) / (WallSeconds() - wall0);
    state.counters["pixels_per_second"] = benchmark::Counter(
        static_cast<double>(d.width) * d.height * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

// Pairs of renders, 1 thread then 2 (or the other way round, in turn):
// "scaling" is the 1-thread time over the 2-thread time. Each render starts
// after a pause: the pool's idle worker keeps a core busy for a while after
// a 2-thread render, which would slow a 1-thread render that follows.
void RunRenderScaling(benchmark::State& state) {
  try {
    DefaultScene d;
    auto render = [&d](int threads) {
      standin::RenderOptions options;
      options.threads = threads;
      standin::Image image = d.session.Render(d.width, d.height, options);
      benchmark::DoNotOptimize(image);
    };
    double seconds[2] = {0.0, 0.0};
    TimeInTurns(
        state, [&] { render(1); }, [&] { render(2); },
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); },
        seconds);
    state.counters["scaling"] = seconds[0] / seconds[1];
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

// The worked examples of the evaluation as eval lines: the fixed light, a
// degenerate frame, rotation with steering and a point light, a three-light
// walk, and every input but "UV" wired in classic mode.
const char* const kCases[] = {
    R"({"services": {"itemInfo": false}})",
    R"({"services": {"itemInfo": false}, "inputs": {"UV": [0.5, 0.5, 0]}})",
    R"({"settings": {"color": [1.0, 0.5, 0.25], "specular": 0.8, "uGlossiness": 0.3,)"
    R"( "vGlossiness": 0.05, "axis": 0, "tangentRotate": 0.5235987755982988,)"
    R"( "customLightType": 1}, "inputs": {"UV": [0.75, 0.9, 0], "Custom Light": [3, 2, 5]},)"
    R"( "spot": {"position": [1, 0, 0], "raySource": [1, -2, 4]}})",
    R"({"settings": {"color": [0.9, 0.6, 0.3], "specular": 1.5, "uGlossiness": 0.4,)"
    R"( "vGlossiness": 0.2, "axis": 0}, "spot": {"raySource": [0, 3, 4]}, "lights": [)"
    R"({"name": "L1", "direction": [0.6, 0, -0.8], "color": [1.0, 0.9, 0.8]},)"
    R"( {"name": "L2", "excluded": true, "direction": [0, 0, -1]},)"
    R"( {"name": "L3", "direction": [0, -0.6, -0.8], "color": [0.5, 0.5, 1.0]}]})",
    R"({"settings": {"axis": 2, "tangentRotate": 1.0, "classicMode": 1},)"
    R"( "inputs": {"Color": [0.2, 0.4, 0.6], "Specular": 0.5, "U Glossiness": 0.25,)"
    R"( "V Glossiness": 0, "Axis": [0, 3, 0], "Tangent Rotate": 0, "Normal": [0, 0, 2],)"
    R"( "Custom Light": [0, -1, -1]}, "services": {"itemInfo": false},)"
    R"( "spot": {"normal": [1, 0, 0], "raySource": [2, 0, 1], "matrix2":)"
    R"( [0.8660254037844386, -0.5, 0, 0.5, 0.8660254037844386, 0, 0, 0, 1]}})",
};

void RunEvalCases(benchmark::State& state) {
  constexpr int kRounds = 100;
  std::string input;
  for (int i = 0; i < kRounds; ++i)
    for (const char* line : kCases) input += std::string(line) + "\n";
  const double perBatch = kRounds * static_cast<double>(std::size(kCases));
  try {
    standin::ModuleFile module(QUILLANE_MODULE_PATH);
    standin::Host host(module);
    for (auto _ : state) {
      std::istringstream in(input);
      std::ostringstream out;
      if (standin::RunEvalStream(host, in, out) != 0) {
        state.SkipWithError("an eval line failed");
        break;
      }
      benchmark::DoNotOptimize(out);
    }
    state.counters["cases_per_second"] = benchmark::Counter(
        perBatch * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  benchmark::RegisterBenchmark("Render", RunRender)
      ->ArgName("threads")
      ->Arg(1)
      ->Arg(2)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RenderScaling", RunRenderScaling)
      ->UseRealTime()
      ->MinTime(1.0)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("EvalCases", RunEvalCases)->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
}  // namespace bench
