#include "standin/lookdev/colormap.h"

#include <cmath>

namespace standin::lookdev {

std::array<unsigned char, 3> ScaleColor(double t) {
  static constexpr double kStops[9][3] = {
      {68, 1, 84},    {71, 44, 122},  {59, 81, 139},  {44, 113, 142}, {33, 144, 141},
      {39, 173, 129}, {92, 200, 99},  {170, 220, 50}, {253, 231, 37}};
  if (!(t > 0.0)) t = 0.0;
  if (t > 1.0) t = 1.0;
  // Linear between the nine stops.
  const double x = t * 8.0;
  const int i = x >= 8.0 ? 7 : static_cast<int>(x);
  const double f = x - i;
  std::array<unsigned char, 3> rgb{};
  for (int c = 0; c < 3; ++c)
    rgb[static_cast<size_t>(c)] = static_cast<unsigned char>(
        std::lround(kStops[i][c] + (kStops[i + 1][c] - kStops[i][c]) * f));
  return rgb;
}

}  // namespace standin::lookdev
