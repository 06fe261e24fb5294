// Which sample a sampled light draws for one illumination: the pixel
// sample the renderer is on, so that a render is the same run to run and
// on any number of threads.
#pragma once

#include <cstdint>

namespace standin {

// The renderer's place: pixel (x, y), sample `index` of `count` in that
// pixel. A light listed several times in the host's item list (Light::
// samples) draws part `part` of `parts` at each pixel sample, so the
// items together draw count x parts points of one sequence.
struct LightSample {
  int x = 0;
  int y = 0;
  int index = 0;
  int count = 1;
  int part = 0;
  int parts = 1;
};

// Two numbers in [0, 1) for `sample` of scene light `light`: the
// Hammersley set of count x parts points, shifted toroidally by a hash of
// the pixel and the light (Cranley-Patterson rotation), so each pixel's
// samples are stratified and neighbouring pixels and lights decorrelated.
void SamplePoint(const LightSample& sample, int light, double* u1, double* u2);

}  // namespace standin
