// Which sample a sampled light draws for one illumination: the pixel
// sample the renderer is on, so that a render is the same run to run and
// on any number of threads.
#pragma once

#include <cstdint>
#include <string_view>

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

// Two numbers in [0, 1) for `sample` of the light called `light`: the
// Hammersley set of count x parts points, shifted toroidally by a hash of
// the pixel and the light's name (Cranley-Patterson rotation), so each
// pixel's samples are stratified, neighbouring pixels and lights are
// decorrelated, and a light draws the same numbers whatever other lights
// the scene holds.
void SamplePoint(const LightSample& sample, std::string_view light, double* u1, double* u2);

}  // namespace standin
