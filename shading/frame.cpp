#include "shading/frame.h"

#include "shading/inputs.h"
#include "shading/lobe.h"

namespace {

// The lobe divides by the glossiness; only an exact zero is replaced.
double GuardGlossiness(double glossiness) {
  return glossiness == 0.0 ? 0.001 : glossiness;
}

// The anisotropy axis in local space: the "Axis" input normalised, or the
// unit vector the `axis` setting names. Saved data may carry any integer;
// anything outside X, Y, Z counts as Y.
Vec3 ReadAxis(const NodeData& data, SpotInfo* spot) {
  if (IsConnected(data.inAxis)) {
    Vec3 axis = EvaluateVector(data.inAxis, spot);
    Normalize(&axis);
    return axis;
  }
  const std::int32_t index = data.axis >= 0 && data.axis <= 2 ? data.axis : 1;
  return {index == 0 ? 1.0 : 0.0, index == 1 ? 1.0 : 0.0,
          index == 2 ? 1.0 : 0.0};
}

// Steers the local tangent by the "UV" input read as a direction in the
// tangent plane: (1, 0.5) keeps it, (0.5, 1) turns it to normal x tangent.
Vec3 SteerTangent(const Vec3& t, const Vec3& n, const Vec3& uv) {
  Vec3 d{(uv.x - 0.5) * 2, (uv.y - 0.5) * 2, 0.0};
  Normalize(&d);
  Vec3 e = Cross(n, t);
  Normalize(&e);
  return {d.x * t.x + d.y * e.x + d.z * n.x, d.x * t.y + d.y * e.y + d.z * n.y,
          d.x * t.z + d.y * e.z + d.z * n.z};
}

}  // namespace

bool BuildShadingFrame(const NodeData& data, SpotInfo* spot,
                       ShadingFrame* frame, LightSelection* light) {
  frame->uGloss = GuardGlossiness(
      ReadScalar(data.inUGlossiness, spot, data.uGlossiness));
  frame->vGloss = GuardGlossiness(
      ReadScalar(data.inVGlossiness, spot, data.vGlossiness));
  const Vec3 axis = ReadAxis(data, spot);
  const double theta =
      ReadScalar(data.inTangentRotate, spot, data.tangentRotate);

  // Classic mode swaps which matrix takes local space to world space.
  const double* toWorld = data.classicMode == 0 ? spot->toWorld : spot->toLocal;
  const double* toLocal = data.classicMode == 0 ? spot->toLocal : spot->toWorld;

  // Local normal N and world normal W; the host's normal is used as it is.
  Vec3 n, w;
  if (IsConnected(data.inNormal)) {
    n = EvaluateVector(data.inNormal, spot);
    Normalize(&n);
    w = MatVec(toWorld, n);
    Normalize(&w);
  } else {
    w = ToVec3(spot->normal);
    n = MatVec(toLocal, w);
    Normalize(&n);
  }

  *light = SelectLight(data, spot);

  // Local tangent across the axis; none when the axis lies along the normal.
  Vec3 t = Cross(axis, n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return false;
  Normalize(&t);

  if (theta != 0.0) {
    t = RotateAboutAxis(n, theta, t);
    Normalize(&t);
  }
  if (IsConnected(data.inUV)) t = SteerTangent(t, n, EvaluateVector(data.inUV, spot));

  // World-space frame; the view runs from the ray source to the spot.
  Vec3 tw = MatVec(toWorld, t);
  Normalize(&tw);
  Vec3 b = Cross(w, tw);
  Normalize(&b);
  Vec3 v = ToVec3(spot->worldPosition) - ToVec3(spot->raySource);
  Normalize(&v);

  frame->normal = w;
  frame->bitangent = b;
  frame->tangent = tw;
  frame->view = v;
  return true;
}
