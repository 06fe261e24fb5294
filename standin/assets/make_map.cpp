// Direction-map generators.
#include "standin/assets/make_map.h"

#include <cmath>
#include <numbers>

#include "standin/render/vec3.h"

namespace standin {
namespace {

uint64_t Mix64(uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// A lattice value in [0, 1), periodic over `cells`.
double Lattice(long long x, long long y, int cells, uint64_t seed) {
  const auto wrap = [cells](long long i) { return static_cast<uint64_t>(((i % cells) + cells) % cells); };
  const uint64_t h = Mix64(seed ^ Mix64(wrap(x) * 0x100000001b3ull + wrap(y)));
  return static_cast<double>(h >> 11) * 0x1.0p-53;
}

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Smooth value noise at (x, y) in lattice units.
double ValueNoise(double x, double y, int cells, uint64_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const auto ix = static_cast<long long>(fx), iy = static_cast<long long>(fy);
  const double sx = Fade(x - fx), sy = Fade(y - fy);
  const double a = Lattice(ix, iy, cells, seed), b = Lattice(ix + 1, iy, cells, seed);
  const double c = Lattice(ix, iy + 1, cells, seed), d = Lattice(ix + 1, iy + 1, cells, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

// Two octaves, the second at twice the frequency and half the weight.
double Potential(double u, double v, int cells, uint64_t seed) {
  return ValueNoise(u * cells, v * cells, cells, seed) +
         0.5 * ValueNoise(u * 2 * cells, v * 2 * cells, 2 * cells, seed + 1);
}

// The map's direction at (u, v), before normalising.
Vec3 Direction(const MapOptions& o, double u, double v, double du, double dv) {
  switch (o.kind) {
    case MapKind::Radial: return {u - 0.5, v - 0.5, 0.0};
    case MapKind::Circular: return {0.5 - v, u - 0.5, 0.0};
    case MapKind::Angle: {
      const double a = o.angle * std::numbers::pi / 180.0;
      return {std::cos(a), std::sin(a), 0.0};
    }
    case MapKind::Noise: {
      // Curl of the potential: along its level lines, so the flow swirls.
      const double gx = (Potential(u + du, v, o.cells, o.seed) - Potential(u - du, v, o.cells, o.seed)) / (2 * du);
      const double gy = (Potential(u, v + dv, o.cells, o.seed) - Potential(u, v - dv, o.cells, o.seed)) / (2 * dv);
      return {gy, -gx, 0.0};
    }
  }
  return {};
}

}  // namespace

Texture MakeMap(const MapOptions& options) {
  Texture map;
  map.width = options.width;
  map.height = options.height;
  map.channels = options.encoding == MapEncoding::Direction ? 3 : 1;
  map.data.reserve(static_cast<size_t>(map.width) * static_cast<size_t>(map.height) *
                   static_cast<size_t>(map.channels));
  const double du = 1.0 / map.width, dv = 1.0 / map.height;
  for (int j = 0; j < map.height; ++j) {
    for (int i = 0; i < map.width; ++i) {
      const double u = (i + 0.5) * du, v = 1.0 - (j + 0.5) * dv;
      const Vec3 d = Normalized(Direction(options, u, v, du, dv));
      if (options.encoding == MapEncoding::Direction) {
        for (double c : {0.5 + d.x / 2.0, 0.5 + d.y / 2.0, 0.0}) map.data.push_back(static_cast<float>(c));
      } else {
        const double turn = std::atan2(d.y, d.x) / (2.0 * std::numbers::pi);
        map.data.push_back(static_cast<float>(turn < 0.0 ? turn + 1.0 : turn));
      }
    }
  }
  return map;
}

std::uint64_t MapBytes(const MapOptions& options) {
  const std::uint64_t channels = options.encoding == MapEncoding::Direction ? 3 : 1;
  return static_cast<std::uint64_t>(options.width) * static_cast<std::uint64_t>(options.height) * channels *
         (sizeof(float) + sizeof(float));
}

}  // namespace standin
