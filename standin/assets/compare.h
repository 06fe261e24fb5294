// A/B comparisons of two images of one size.
#pragma once

#include <string>

#include "standin/render/image.h"

namespace standin {

struct Difference {
  double rms = 0.0;  // root mean square over every channel of every pixel
  double max = 0.0;  // largest absolute difference of one channel
  // Non-finite values: NaN against NaN and an infinity against the same
  // infinity count as equal; NaN against anything else makes the
  // difference NaN (and so rms and max), an infinity against anything
  // else makes it infinite.
  long long nanChannels = 0;  // channels that are NaN on one side only
};

// Compares a and b channel by channel. Throws std::invalid_argument when
// their sizes differ.
Difference CompareImages(const Image& a, const Image& b);

// The comparison sheet, linear RGB, 2w + 3 gap pixels wide: A and B side
// by side on top; below, the split view (A left of the middle, B right of
// it, a white line between) and the heat map of the largest channel
// difference per pixel over `scale` (black 0, through blue, red and yellow,
// to white at or above `scale` and where the difference is NaN), then a
// strip with the colour ramp and its end values written out.
Image CompareSheet(const Image& a, const Image& b, double scale);

}  // namespace standin
