// A perceptually even colour scale (dark violet through teal to yellow) for
// plotted values in [0, 1].
#pragma once

#include <array>

namespace standin::lookdev {

// 8-bit RGB for t in [0, 1] (clamped; NaN gives the low end).
std::array<unsigned char, 3> ScaleColor(double t);

}  // namespace standin::lookdev
