// The shading frame: the world-space basis and glossiness in which the
// specular lobe is computed for one spot, built from plain values the host
// binding has read. Nothing here calls the host.
#pragma once

#include <cstdint>

#include "shading/vector.h"

namespace quillane {

struct ShadingFrame {
  Vec3 normal;      // world normal
  Vec3 bitangent;   // normal x tangent, unit or zero
  Vec3 tangent;     // world tangent, unit or zero
  Vec3 view;        // from the ray source toward the spot, unit or zero
  double uGloss;    // lobe width along the tangent, never exactly 0
  double vGloss;    // lobe width along the bitangent, never exactly 0
  Color lightSpec;  // the latest lobe's colour
};

// The lobe divides by the glossiness; only an exact zero is replaced.
inline double GuardGlossiness(double glossiness) {
  return glossiness == 0.0 ? 0.001 : glossiness;
}

// The unit vector along X, Y or Z that the `axis` setting names. Saved data
// may carry any integer; anything outside 0, 1, 2 counts as Y.
inline Vec3 SettingAxis(std::int32_t axis) {
  const std::int32_t index = axis >= 0 && axis <= 2 ? axis : 1;
  return {index == 0 ? 1.0 : 0.0, index == 1 ? 1.0 : 0.0,
          index == 2 ? 1.0 : 0.0};
}

// The normal in local space (N) and in world space (W).
struct Normals {
  Vec3 local;
  Vec3 world;
};

// From a wired "Normal" input: N is the input normalised, W is N carried to
// world space by `toWorld` and normalised.
inline Normals NormalsFromInput(const Vec3& input, const double toWorld[9]) {
  const Vec3 n = Normalized(input);
  return {n, Normalized(MatVec(toWorld, n))};
}

// From the host's normal: W is used as it is, not normalised; N is W
// carried to local space by `toLocal` and normalised.
inline Normals NormalsFromHost(const Vec3& hostNormal,
                               const double toLocal[9]) {
  return {Normalized(MatVec(toLocal, hostNormal)), hostNormal};
}

// The local tangent: axis x normal, normalised, then turned about the normal
// by `theta` (no turn for 0 and -0). Returns false, leaving `tangent` as it
// was, when axis x normal is the zero vector: the spot then has no
// anisotropic highlight.
inline bool LocalTangent(const Vec3& axis, const Vec3& normal, double theta,
                         Vec3* tangent) {
  Vec3 t = Cross(axis, normal);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return false;
  Normalize(&t);
  if (theta != 0.0) {
    t = RotateAboutAxis(normal, theta, t);
    Normalize(&t);
  }
  *tangent = t;
  return true;
}

// The "UV" input read as a direction in the tangent plane, before it is
// normalised: (1, 0.5) along the tangent, (0.5, 1) along normal x tangent;
// the third component is ignored.
inline Vec3 SteerDirection(const Vec3& uv) {
  return {(uv.x - 0.5) * 2, (uv.y - 0.5) * 2, 0.0};
}

// The tangent `t` turned toward `e` (normal x tangent) by the unit
// direction `d`: d.x t + d.y e + d.z n.
inline Vec3 Steer(const Vec3& t, const Vec3& e, const Vec3& n, const Vec3& d) {
  return {d.x * t.x + d.y * e.x + d.z * n.x, d.x * t.y + d.y * e.y + d.z * n.y,
          d.x * t.z + d.y * e.z + d.z * n.z};
}

// Steers the local tangent `t` by the "UV" input read as a direction in the
// tangent plane: (1, 0.5) keeps it, (0.5, 1) turns it to normal x tangent;
// the third component is ignored. The result is not normalised.
inline Vec3 SteerTangent(const Vec3& t, const Vec3& n, const Vec3& uv) {
  const Vec3 d = Normalized(SteerDirection(uv));
  const Vec3 e = Normalized(Cross(n, t));
  return Steer(t, e, n, d);
}

// The world-space frame from the local tangent `t`, carried by `toWorld`,
// and the world normal `w`; the view runs from `raySource` to `position`.
// The lobe colour starts black.
inline ShadingFrame WorldFrame(const double toWorld[9], const Vec3& t,
                               const Vec3& w, const Vec3& position,
                               const Vec3& raySource, double uGloss,
                               double vGloss) {
  const Vec3 tw = Normalized(MatVec(toWorld, t));
  const Vec3 b = Normalized(Cross(w, tw));
  const Vec3 v = Normalized(position - raySource);
  return {w, b, tw, v, uGloss, vGloss, {0.0, 0.0, 0.0}};
}

}  // namespace quillane
