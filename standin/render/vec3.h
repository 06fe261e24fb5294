// Small vector and 3x3 matrix helpers for the stand-in renderer.
//
// Matrices are nine doubles, row by row; Apply(m, v) is m times the column
// vector v. These types stay inside the renderer: the structs handed to the
// host side (Hit) use plain double arrays.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace standin {

struct Vec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

using Mat3 = std::array<double, 9>;

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }

inline double Dot(Vec3 a, Vec3 b) { return (a.x * b.x + a.y * b.y) + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// Whether a squared length is a normal double: neither underflowed nor
// overflowed.
inline bool OrdinarySquare(double squared) {
  return squared >= std::numeric_limits<double>::min() &&
         squared <= std::numeric_limits<double>::max();
}

// The largest component's magnitude, when it is a usable scale: non-zero
// and finite; else 0.
inline double Scale(Vec3 a) {
  const double largest = std::max({std::abs(a.x), std::abs(a.y), std::abs(a.z)});
  return largest > 0.0 && std::isfinite(largest) ? largest : 0.0;
}

// |a|. A vector whose squares would underflow or overflow is divided by its
// largest component first, so any non-zero finite vector, however tiny or
// huge, has a non-zero length; ordinary vectors keep their bits.
inline double Length(Vec3 a) {
  const double squared = Dot(a, a);
  if (OrdinarySquare(squared)) return std::sqrt(squared);
  const double scale = Scale(a);
  if (scale == 0.0) return std::sqrt(squared);
  const Vec3 b{a.x / scale, a.y / scale, a.z / scale};
  return scale * std::sqrt(Dot(b, b));
}

// Unit vector along a; a zero (or non-finite length) vector is returned as is.
// Tiny and huge vectors are scaled as in Length before they are divided.
inline Vec3 Normalized(Vec3 a) {
  if (!OrdinarySquare(Dot(a, a)) && Scale(a) > 0.0) {
    const double scale = Scale(a);
    a = {a.x / scale, a.y / scale, a.z / scale};
  }
  const double len = std::sqrt(Dot(a, a));
  return len > 0.0 ? a * (1.0 / len) : a;
}

inline Vec3 Apply(const Mat3& m, Vec3 v) {
  return {(m[0] * v.x + m[1] * v.y) + m[2] * v.z,
          (m[3] * v.x + m[4] * v.y) + m[5] * v.z,
          (m[6] * v.x + m[7] * v.y) + m[8] * v.z};
}

inline Mat3 Transposed(const Mat3& m) {
  return {m[0], m[3], m[6], m[1], m[4], m[7], m[2], m[5], m[8]};
}

inline void Store(Vec3 v, double out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}
inline Vec3 Load(const double in[3]) { return {in[0], in[1], in[2]}; }

}  // namespace standin
