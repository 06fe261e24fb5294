#include "standin/assets/triangle_hit.h"

#include <cmath>

namespace standin {
namespace {

// A corner in the ray's frame: x, y across the ray, z along it.
struct Sheared {
  double x, y, z;
};

}  // namespace

bool HitTriangle(const double origin[3], const double direction[3], const float* p0, const float* p1,
                 const float* p2, TriangleHit* hit) {
  // The axis the ray runs most along becomes z; x and y follow it in a
  // turn that keeps the triangle's winding.
  int kz = 0;
  for (int k = 1; k < 3; ++k)
    if (std::abs(direction[k]) > std::abs(direction[kz])) kz = k;
  int kx = (kz + 1) % 3, ky = (kx + 1) % 3;
  if (direction[kz] < 0.0) std::swap(kx, ky);
  if (direction[kz] == 0.0) return false;
  const double sx = direction[kx] / direction[kz], sy = direction[ky] / direction[kz];
  const double sz = 1.0 / direction[kz];
  // Across the ray each corner is rounded to a float, so that the products
  // below are exact in double and each edge's sign is exactly that of its
  // two (rounded) corners: corners around a shared corner then leave no
  // point uncovered either.
  const auto shear = [&](const float* p) {
    const double x = p[kx] - origin[kx], y = p[ky] - origin[ky], z = p[kz] - origin[kz];
    return Sheared{static_cast<float>(x - sx * z), static_cast<float>(y - sy * z), sz * z};
  };
  const Sheared a = shear(p0), b = shear(p1), c = shear(p2);
  // Each edge's test from its two corners alone: the edge from X to Y is
  // Y.x * X.y - Y.y * X.x, the exact negative of the edge from Y to X.
  const double u = c.x * b.y - c.y * b.x;
  const double v = a.x * c.y - a.y * c.x;
  const double w = b.x * a.y - b.y * a.x;
  if ((u < 0.0 || v < 0.0 || w < 0.0) && (u > 0.0 || v > 0.0 || w > 0.0)) return false;
  const double det = u + v + w;
  if (det == 0.0) return false;
  hit->t = (u * a.z + v * b.z + w * c.z) / det;
  hit->b1 = v / det;
  hit->b2 = w / det;
  return std::isfinite(hit->t);
}

}  // namespace standin
