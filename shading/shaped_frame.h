// The shading frame as an evaluation builds it: the steps of frame.h and
// lobe.h on the same operands in the same order, arranged for speed. The
// maths waits until the host has answered what it needs; independent
// square roots and divisions are done in pairs (NormalizeBoth); and it is
// compiled once per shape of evaluation (which inputs are wired, where the
// light comes from, whether the tangent turns), so that none of it tests
// what the shape already says. Nothing here calls the host.
#pragma once

#include <cmath>
#include <cstdint>

#include "shading/frame.h"
#include "shading/lobe.h"
#include "shading/vector.h"

namespace quillane {

// Where a spot's light comes from: the fixed light of a host without an
// item list, the wired "Custom Light", or the scene's lights.
enum class LightSource { kFixed, kCustom, kScene };

struct FrameShape {
  bool axis;    // "Axis" wired
  bool normal;  // "Normal" wired
  LightSource light;
  bool rotate;  // a tangent rotation other than 0 and -0
};

// What the frame is built from: the host's values of the wired inputs
// (looked at only where the shape says wired), the settings and the spot.
// Glossiness is guarded.
struct FrameSource {
  const double* axis;
  const double* normal;
  const double* custom;
  double theta;
  double uGloss, vGloss;
  std::int32_t axisSetting;
  std::int32_t customLightType;
  const double* toWorld;
  const double* toLocal;
  const double* hostNormal;  // the spot's
  const double* position;
  const double* raySource;
};

// The local normal N (unit) and axis x N, not yet normalised: the spot has
// an anisotropic highlight only when that is not the zero vector.
template <FrameShape S>
inline Vec3 LocalTangentOf(const FrameSource& in, Vec3* n) {
  Vec3 axis;
  if constexpr (S.normal) *n = ToVec3(in.normal);
  else *n = MatVec(in.toLocal, ToVec3(in.hostNormal));
  if constexpr (S.axis) {
    axis = ToVec3(in.axis);
    NormalizeBoth(&axis, n);
  } else {
    Normalize(n);
    axis = SettingAxis(in.axisSetting);
  }
  return Cross(axis, *n);
}

// The world frame from N and the local tangent `t` (axis x N), steered by
// `uv` (the "UV" input) when kUV; for a single light, `halfway` becomes the unit vector
// halfway between the directions toward the viewer and the light.
template <FrameShape S, bool kUV>
inline ShadingFrame WorldFrameOf(const FrameSource& in, const Vec3& n, Vec3 t,
                                 const double uv[3], Vec3* halfway) {
  // The turn's half-angle cosine and sine, before the maths that leads up
  // to it.
  double cosHalf = 0.0, sinHalf = 0.0;
  if constexpr (S.rotate) {
    cosHalf = std::cos(in.theta / 2);
    sinHalf = std::sin(in.theta / 2);
  }

  // World normal, view and single light, normalised two at a time with the
  // tangent.
  Vec3 w = S.normal ? MatVec(in.toWorld, n) : ToVec3(in.hostNormal);
  Vec3 v = ToVec3(in.position) - ToVec3(in.raySource);
  Vec3 l = kFixedLightDirection;
  if constexpr (S.light == LightSource::kCustom)
    l = in.customLightType == kLightDistant
            ? ToVec3(in.custom)
            : ToVec3(in.position) - ToVec3(in.custom);
  NormalizeBoth(&t, &v);
  if constexpr (S.normal && S.light == LightSource::kCustom) NormalizeBoth(&w, &l);
  else if constexpr (S.normal) Normalize(&w);
  else if constexpr (S.light == LightSource::kCustom) Normalize(&l);

  // The tangent turned, then steered (SteerTangent, the direction in the
  // tangent plane normalised alongside).
  if constexpr (kUV) {
    Vec3 d = SteerDirection(ToVec3(uv));
    Vec3 e;
    if constexpr (S.rotate) {
      t = RotateByHalfAngle(n, cosHalf, sinHalf, t);
      NormalizeBoth(&t, &d);
      e = Cross(n, t);
      Normalize(&e);
    } else {
      e = Cross(n, t);
      NormalizeBoth(&e, &d);
    }
    t = Steer(t, e, n, d);
  } else if constexpr (S.rotate) {
    t = RotateByHalfAngle(n, cosHalf, sinHalf, t);
    Normalize(&t);
  }

  // World tangent (with the halfway vector) and bitangent (WorldFrame).
  ShadingFrame frame{w, {}, MatVec(in.toWorld, t), v, in.uGloss, in.vGloss,
                     kBlack};
  *halfway = v + l;
  if constexpr (S.light == LightSource::kScene) Normalize(&frame.tangent);
  else NormalizeBoth(&frame.tangent, halfway);
  frame.bitangent = Normalized(Cross(w, frame.tangent));
  return frame;
}

}  // namespace quillane
