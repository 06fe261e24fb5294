// Small vector and colour helpers used by the evaluation. Every sum is
// written out in x, y, z order: the order of operations is part of the
// node's results.
#pragma once

#include <cmath>

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
// zero or NaN length leaves `v` as it is. Returns the length.
inline double Normalize(Vec3* v) {
  const double length = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
  if (length > 0.0) {
    v->x /= length;
    v->y /= length;
    v->z /= length;
  }
  return length;
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
// the transpose of its rotation matrix.
inline Vec3 RotateAboutAxis(const Vec3& k, double theta, const Vec3& v) {
  const double w = std::cos(theta / 2);
  const double s = std::sin(theta / 2);
  const double x = s * k.x, y = s * k.y, z = s * k.z;
  return {(1 - 2 * (y * y + z * z)) * v.x + 2 * (x * y + z * w) * v.y +
              2 * (x * z - y * w) * v.z,
          2 * (x * y - z * w) * v.x + (1 - 2 * (x * x + z * z)) * v.y +
              2 * (y * z + x * w) * v.z,
          2 * (x * z + y * w) * v.x + 2 * (y * z - x * w) * v.y +
              (1 - 2 * (x * x + y * y)) * v.z};
}
