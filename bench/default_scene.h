// What the stand-in host's benchmarks share: the default scene with the
// built quillane.p loaded and a session open on it, a wall clock, and two
// jobs timed in turns.
#pragma once

#include <time.h>

#include <benchmark/benchmark.h>

#include "standin/host/host.h"
#include "standin/host/module_file.h"
#include "standin/host/scene_host.h"
#include "standin/render/scene.h"

namespace bench {

inline double WallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The default scene, opened as `quillane render` opens it. Throws as the
// stand-in host does when the module cannot be loaded.
struct DefaultScene {
  const standin::Scene scene = standin::DefaultScene();
  standin::ModuleFile module{QUILLANE_MODULE_PATH};
  standin::Host host{module};
  standin::SceneSession session{host, scene, "default scene"};
  const int width = scene.render.width;
  const int height = scene.render.height;
};

// Runs `first` and `second` once each per benchmark iteration, the order
// swapped every iteration, so that a slow stretch of a shared machine falls
// on both; adds their wall times to `seconds[0]` and `seconds[1]`.
// `before` runs untimed before each.
template <class First, class Second, class Before>
void TimeInTurns(benchmark::State& state, First first, Second second,
                 Before before, double seconds[2]) {
  int turn = 0;
  for (auto _ : state) {
    for (int i = 0; i < 2; ++i) {
      const int job = (i + turn) % 2;
      before();
      const double start = WallSeconds();
      if (job == 0) first();
      else second();
      seconds[job] += WallSeconds() - start;
    }
    turn ^= 1;
  }
}

}  // namespace bench
