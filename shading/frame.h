// The shading frame: the world-space basis and glossiness in which the
// specular lobe is computed for one spot, built from plain values the host
// binding has read. Nothing here calls the host.
//
// The steps are written once, for every shape of evaluation (which inputs
// are wired, where the light comes from, whether the tangent turns). The
// evaluation calls them with a shape fixed at compile time, so that each
// shape compiles to straight code; independent square roots and divisions
// are done in pairs (NormalizeBoth).
#pragma once

#include <cmath>
#include <cstdint>

#include "shading/light.h"
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

inline constexpr Vec3 kSettingAxes[3] = {
    {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};

// The unit vector along X, Y or Z that the `axis` setting names. Saved data
// may carry any integer; anything outside 0, 1, 2 counts as Y.
inline Vec3 SettingAxis(std::int32_t axis) {
  return kSettingAxes[axis >= 0 && axis <= 2 ? axis : 1];
}

// The decisions that choose the frame's steps.
struct FrameShape {
  bool axis;    // "Axis" wired
  bool normal;  // "Normal" wired
  LightSource light;
  bool rotate;  // a tangent rotation other than 0 and -0
  bool uv;      // "UV" wired
};

// What the frame is built from: the host's values of the wired inputs
// (looked at only where the shape says wired), the values standing in for
// the others, and the spot.
struct FrameSource {
  const double* axis;    // "Axis"
  const double* normal;  // "Normal"
  const double* custom;  // "Custom Light"
  const double* uv;      // "UV"
  double theta;          // the tangent's turn, radians
  double uGloss;         // glossiness, not yet guarded
  double vGloss;
  std::int32_t axisSetting;
  std::int32_t customLightType;
  const double* toWorld;     // local to world, 3x3 row by row
  const double* toLocal;     // world to local
  const double* hostNormal;  // the spot's world normal
  const double* position;    // the spot, world space
  const double* raySource;
};

// The local normal N (unit) and axis x N, not yet normalised: the spot has
// an anisotropic highlight only when that is not the zero vector. A wired
// "Normal" is N before normalising; otherwise N is the host's normal
// carried to local space. A wired "Axis" is normalised; otherwise the
// setting names one.
inline Vec3 LocalTangent(const FrameShape& s, const FrameSource& in, Vec3* n) {
  *n = s.normal ? ToVec3(in.normal) : MatVec(in.toLocal, ToVec3(in.hostNormal));
  Vec3 axis;
  if (s.axis) {
    axis = ToVec3(in.axis);
    NormalizeBoth(&axis, n);
  } else {
    Normalize(n);
    axis = SettingAxis(in.axisSetting);
  }
  return Cross(axis, *n);
}

// The single light's travel, before it is normalised: the fixed light's, or
// the "Custom Light" as a direction, or from its position toward the spot.
// Used in world space as it comes.
inline Vec3 SingleLight(const FrameShape& s, const FrameSource& in) {
  if (s.light != LightSource::kCustom) return kFixedLightDirection;
  return in.customLightType == kLightDistant
             ? ToVec3(in.custom)
             : ToVec3(in.position) - ToVec3(in.custom);
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

// The world frame from N and the local tangent `t` (axis x N, not zero).
// The tangent is normalised, turned clockwise about N by the turn, then
// steered by "UV" (not normalised after), carried to world space and
// normalised. The world normal is the wired "Normal" carried to world space
// and normalised, or the host's normal as it is. For a single light,
// `halfway` becomes the unit vector halfway between the directions toward
// the viewer and the light.
inline ShadingFrame WorldFrame(const FrameShape& s, const FrameSource& in,
                               const Vec3& n, Vec3 t, Vec3* halfway) {
  // The turn's half-angle cosine and sine, before the maths that leads up
  // to it.
  double cosHalf = 0.0, sinHalf = 0.0;
  if (s.rotate) {
    cosHalf = std::cos(in.theta / 2);
    sinHalf = std::sin(in.theta / 2);
  }

  // World normal, view and single light, normalised two at a time with the
  // tangent.
  const bool custom = s.light == LightSource::kCustom;
  Vec3 w = s.normal ? MatVec(in.toWorld, n) : ToVec3(in.hostNormal);
  Vec3 v = ToVec3(in.position) - ToVec3(in.raySource);
  Vec3 l = SingleLight(s, in);
  NormalizeBoth(&t, &v);
  if (s.normal && custom) NormalizeBoth(&w, &l);
  else if (s.normal) Normalize(&w);
  else if (custom) Normalize(&l);

  // The tangent turned, then steered, the direction in the tangent plane
  // normalised alongside.
  if (s.uv) {
    Vec3 d = SteerDirection(ToVec3(in.uv));
    Vec3 e;
    if (s.rotate) {
      t = RotateByHalfAngle(n, cosHalf, sinHalf, t);
      NormalizeBoth(&t, &d);
      e = Cross(n, t);
      Normalize(&e);
    } else {
      e = Cross(n, t);
      NormalizeBoth(&e, &d);
    }
    t = Steer(t, e, n, d);
  } else if (s.rotate) {
    t = RotateByHalfAngle(n, cosHalf, sinHalf, t);
    Normalize(&t);
  }

  // World tangent (with the halfway vector), then bitangent.
  ShadingFrame frame{w,
                     {},
                     MatVec(in.toWorld, t),
                     v,
                     GuardGlossiness(in.uGloss),
                     GuardGlossiness(in.vGloss),
                     {0.0, 0.0, 0.0}};
  *halfway = v + l;
  if (s.light == LightSource::kScene) Normalize(&frame.tangent);
  else NormalizeBoth(&frame.tangent, halfway);
  frame.bitangent = Normalized(Cross(w, frame.tangent));
  return frame;
}

}  // namespace quillane
