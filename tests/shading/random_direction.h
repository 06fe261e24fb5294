// Seeded random unit vectors for the property tests of the maths.
#pragma once

#include <random>

#include "shading/vector.h"

namespace quillane_test {

// A unit vector from three draws in [-1, 1), normalised.
inline quillane::Vec3 RandomDirection(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  quillane::Vec3 v{u(rng), u(rng), u(rng)};
  quillane::Normalize(&v);
  return v;
}

}  // namespace quillane_test
