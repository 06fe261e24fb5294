#include "host/evaluate.h"

#include "host/node_data.h"

#include "shading/frame.h"
#include "shading/lobe.h"

namespace quillane {

namespace {

// A wired input is evaluated by the host, an unwired one falls back to the
// node's own setting. Each costs one is-connected call, plus one evaluate
// call when wired. The handle is passed as the node's own field, looked at
// again for the evaluate call rather than kept across the first.
inline bool Wired(const InputHandle& input) {
  return gHost.input->isConnected(input) != 0;
}

// A scalar input: the host's value when it is wired, else the node's
// `setting`, looked at only once the host has answered.
inline double ReadScalar(const InputHandle& input, SpotInfo* spot,
                         const double& setting) {
  if (!Wired(input)) [[likely]] return setting;
  double value = 0.0;
  gHost.input->evaluate(input, spot, &value);
  return value;
}

// A vector input: true, with the host's value in `value`, when it is wired.
inline bool ReadVector(const InputHandle& input, SpotInfo* spot, double value[3]) {
  if (!Wired(input)) return false;
  value[0] = value[1] = value[2] = 0.0;
  gHost.input->evaluate(input, spot, value);
  return true;
}

const double kBlackRgb[3] = {0.0, 0.0, 0.0};

inline void SetBlack(ValueHandle value) {
  gHost.output->setValue(value, kBlackRgb);
}

// The scene's lights in the host's order, the sum formed in that order. A
// light counts when the spot has an object, the light is not excluded from
// it, affects specular and reaches the spot. Hosts without light info
// report no flags; hosts without object info exclude nothing.
inline Color SumSceneLights(const ShadingFrame& frame, SpotInfo* spot) {
  const ItemInfo* items = gHost.itemInfo;
  Color sum = kBlack;
  for (ItemHandle l = items->first(kItemLight, nullptr); l; l = items->next(l)) {
    const unsigned flags = gHost.lightInfo ? gHost.lightInfo->flags(l) : 0u;
    if (!spot->object) continue;
    if (gHost.objectInfo && gHost.objectInfo->excludedLight(spot->object, l))
      continue;
    if (flags & kLightNoSpecular) continue;
    double direction[3], color[3];
    if (spot->illuminate(l, spot->worldPosition, direction, color) <= 0)
      continue;
    const double f =
        HalfwayLobe(frame, Normalized(frame.view + ToVec3(direction)));
    if (f > 0.0) sum = sum + Color{f * color[0], f * color[1], f * color[2]};
  }
  return sum;
}

// One evaluation after the inputs before "UV" are read: where the output
// goes, the colour and amount, and what the frame is built from.
struct Shading {
  SpotInfo* spot;
  ValueHandle value;
  const double* base;  // the colour: the host's or the setting
  double amount;
  FrameSource in;
};

// The frame, the lights and the output, for one shape.
template <FrameShape S>
inline void ShadeShaped(const Shading& e, const Vec3& n, const Vec3& t) {
  Vec3 halfway;
  const ShadingFrame frame = WorldFrame(S, e.in, n, t, &halfway);
  Color sum;
  if constexpr (S.light == LightSource::kScene) {
    sum = SumSceneLights(frame, e.spot);
  } else {
    const double f = HalfwayLobe(frame, halfway);
    sum = {f, f, f};
  }
  const Color rgb = OutputColor(sum, e.amount, ToColor(e.base));
  const double out[3] = {rgb.r, rgb.g, rgb.b};
  gHost.output->setValue(e.value, out);
}

// The shape found at run time turned, one decision at a time, into the one
// the maths is compiled for.
constexpr FrameShape WithLight(FrameShape s, LightSource light) {
  s.light = light;
  return s;
}
constexpr FrameShape WithRotate(FrameShape s, bool rotate) {
  s.rotate = rotate;
  return s;
}
constexpr FrameShape WithUV(FrameShape s, bool uv) {
  s.uv = uv;
  return s;
}

// The local tangent and the exit without one, then "UV".
template <FrameShape S>
inline void ShadeFromTangent(const Shading& e, const NodeData& data,
                             double uv[3]) {
  Vec3 n;
  const Vec3 t = LocalTangent(S, e.in, &n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return SetBlack(e.value);
  if (ReadVector(data.inUV, e.spot, uv))
    return ShadeShaped<WithUV(S, true)>(e, n, t);
  return ShadeShaped<WithUV(S, false)>(e, n, t);
}

template <FrameShape S>
inline void ShadeTurn(const Shading& e, const NodeData& data, double uv[3]) {
  if (e.in.theta != 0.0) return ShadeFromTangent<WithRotate(S, true)>(e, data, uv);
  return ShadeFromTangent<WithRotate(S, false)>(e, data, uv);
}

template <FrameShape S>
inline void ShadeLight(const Shading& e, const NodeData& data, double uv[3],
                       LightSource light) {
  switch (light) {
    case LightSource::kFixed:
      return ShadeTurn<WithLight(S, LightSource::kFixed)>(e, data, uv);
    case LightSource::kCustom:
      return ShadeTurn<WithLight(S, LightSource::kCustom)>(e, data, uv);
    case LightSource::kScene:
      return ShadeTurn<WithLight(S, LightSource::kScene)>(e, data, uv);
  }
}

// Everything after the first two checks, as one function: the reads, then
// the maths compiled for the shape they found, all inlined (flatten) so that
// values stay in registers and no frame is added per step. It takes
// Evaluate's arguments, so that Evaluate reaches it by a plain jump.
[[gnu::noinline, gnu::flatten]] void Shade(const NodeData& data, SpotInfo* spot,
                                           OutputHandle /*output*/,
                                           ValueHandle value) {
  // Base colour and specular amount; no amount, no highlight.
  double color[3];
  const double* base = ReadVector(data.inColor, spot, color) ? color : data.color;
  const double amount = ReadScalar(data.inSpecular, spot, data.specular);
  if (amount <= 0.0) return SetBlack(value);

  // The other inputs in the host's order; the maths waits for them.
  double axis[3], normal[3], custom[3], uv[3];
  const double uGloss = ReadScalar(data.inUGlossiness, spot, data.uGlossiness);
  const double vGloss = ReadScalar(data.inVGlossiness, spot, data.vGlossiness);
  const bool axisWired = ReadVector(data.inAxis, spot, axis);
  const double theta = ReadScalar(data.inTangentRotate, spot, data.tangentRotate);
  const bool normalWired = ReadVector(data.inNormal, spot, normal);
  const LightSource light = ReadVector(data.inCustomLight, spot, custom)
                                ? LightSource::kCustom
                            : gHost.itemInfo ? LightSource::kScene
                                             : LightSource::kFixed;

  // Classic mode swaps which matrix takes local space to world space.
  const bool classic = data.classicMode != 0;
  const Shading e{spot, value, base, amount,
                  {axis, normal, custom, uv, theta, uGloss, vGloss, data.axis,
                   data.customLightType,
                   classic ? spot->toLocal : spot->toWorld,
                   classic ? spot->toWorld : spot->toLocal, spot->normal,
                   spot->worldPosition, spot->raySource}};
  constexpr LightSource kAny = LightSource::kFixed;  // decided next
  if (axisWired) {
    if (normalWired)
      return ShadeLight<FrameShape{true, true, kAny, false, false}>(e, data, uv, light);
    return ShadeLight<FrameShape{true, false, kAny, false, false}>(e, data, uv, light);
  }
  if (normalWired)
    return ShadeLight<FrameShape{false, true, kAny, false, false}>(e, data, uv, light);
  return ShadeLight<FrameShape{false, false, kAny, false, false}>(e, data, uv, light);
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle output,
              ValueHandle value) {
  // A spot the host cannot trace gets no output; a shadow ray gets black.
  // Both before Shade, so that they cost no frame.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) return SetBlack(value);
  Shade(*static_cast<const NodeData*>(instance), spot, output, value);
}

}  // namespace quillane
