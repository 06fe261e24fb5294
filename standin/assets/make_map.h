// Generated direction and angle maps: what brushed and turned parts need
// first, to bind to the node's "UV" or "Tangent Rotate" input.
#pragma once

#include <cstdint>
#include <string>

#include "standin/render/texture.h"

namespace standin {

enum class MapKind {
  Radial,    // away from the centre (a disc brushed from its middle out)
  Circular,  // around the centre, counter-clockwise (a turned part's rings)
  Angle,     // one direction everywhere, `angle` degrees from +u toward +v
  Noise,     // a smooth swirling flow: the curl of tileable value noise
};

enum class MapEncoding {
  Direction,  // RGB: (0.5 + dx / 2, 0.5 + dy / 2, 0), as "UV" reads it
  Angle,      // grey: the direction's angle from +u toward +v over 2 pi, 0..1
};

struct MapOptions {
  MapKind kind = MapKind::Radial;
  MapEncoding encoding = MapEncoding::Direction;
  int width = 512;
  int height = 512;
  double angle = 0.0;     // Angle: degrees
  int cells = 4;          // Noise: lattice cells across the map (it tiles)
  uint64_t seed = 1;      // Noise
};

// The map, texel (i, j) taken at u = (i + 0.5) / width, v = 1 - (j + 0.5) /
// height. The centre of Radial and Circular is (0.5, 0.5); where a direction
// is zero (exactly at the centre) Direction maps hold (0.5, 0.5, 0) and
// Angle maps 0.
Texture MakeMap(const MapOptions& options);

// The memory making and writing such a map takes at its peak: its floats
// and the file's samples.
std::uint64_t MapBytes(const MapOptions& options);

}  // namespace standin
