// Small vector and colour helpers used by the evaluation. Every sum is
// written out in x, y, z order: the order of operations is part of the
// node's results.
#pragma once

#include <cmath>

#include "shading/pairs.h"

namespace quillane {

struct Vec3 {
  double x, y, z;
};

struct Color {
  double r, g, b;
};

inline Vec3 ToVec3(const double v[3]) { return {v[0], v[1], v[2]}; }
inline Color ToColor(const double c[3]) { return {c[0], c[1], c[2]}; }

inline Vec3 operator+(const Vec3& a, const Vec3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Color operator+(const Color& a, const Color& b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}

inline double Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z,
          a.x * b.y - a.y * b.x};
}

// Divides `v` by its length only when the length is greater than zero; a
// zero or NaN length leaves `v` as it is. Returns the length. x and y share
// one division.
inline double Normalize(Vec3* v) {
  const double length = Sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
  if (length > 0.0) {
    const Pair xy = DividePair(v->x, v->y, length, length);
    *v = {xy.a, xy.b, v->z / length};
  }
  return length;
}

// Normalize(a) and Normalize(b) at once, for two independent vectors: one
// instruction for both square roots and, when both lengths are positive,
// one for both z divisions.
inline void NormalizeBoth(Vec3* a, Vec3* b) {
  const Pair length = SqrtPair(Dot(*a, *a), Dot(*b, *b));
  if (!(length.a > 0.0 && length.b > 0.0)) {
    if (length.a > 0.0) *a = {a->x / length.a, a->y / length.a, a->z / length.a};
    if (length.b > 0.0) *b = {b->x / length.b, b->y / length.b, b->z / length.b};
    return;
  }
  const Pair axy = DividePair(a->x, a->y, length.a, length.a);
  const Pair bxy = DividePair(b->x, b->y, length.b, length.b);
  const Pair z = DividePair(a->z, b->z, length.a, length.b);
  *a = {axy.a, axy.b, z.a};
  *b = {bxy.a, bxy.b, z.b};
}

// `v` divided by its length as Normalize does it.
inline Vec3 Normalized(Vec3 v) {
  Normalize(&v);
  return v;
}

// The 3x3 matrix `m` (row by row) times the column vector `v`.
inline Vec3 MatVec(const double m[9], const Vec3& v) {
  return {m[0] * v.x + m[1] * v.y + m[2] * v.z,
          m[3] * v.x + m[4] * v.y + m[5] * v.z,
          m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

// Turns `v` about the unit axis `k` by -theta in the right-handed sense
// (clockwise seen from the tip of `k`): with k = +Z and theta = pi/2, +X goes
// to -Y. Built from the unit quaternion of a turn by theta, applied through
// the transpose of its rotation matrix. `w` and `s` are cos(theta / 2) and
// sin(theta / 2), so that the library call can come before the maths that
// leads up to the turn.
inline Vec3 RotateByHalfAngle(const Vec3& k, double w, double s,
                              const Vec3& v) {
  const double x = s * k.x, y = s * k.y, z = s * k.z;
  return {(1 - 2 * (y * y + z * z)) * v.x + 2 * (x * y + z * w) * v.y +
              2 * (x * z - y * w) * v.z,
          2 * (x * y - z * w) * v.x + (1 - 2 * (x * x + z * z)) * v.y +
              2 * (y * z + x * w) * v.z,
          2 * (x * z + y * w) * v.x + 2 * (y * z - x * w) * v.y +
              (1 - 2 * (x * x + y * y)) * v.z};
}

inline Vec3 RotateAboutAxis(const Vec3& k, double theta, const Vec3& v) {
  return RotateByHalfAngle(k, std::cos(theta / 2), std::sin(theta / 2), v);
}

}  // namespace quillane
