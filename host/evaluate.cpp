#include "host/evaluate.h"

#include "host/node_data.h"

#include "shading/frame.h"
#include "shading/lobe.h"
#include "shading/shaped_frame.h"

namespace quillane {

namespace {

// A wired input is evaluated by the host, an unwired one falls back to the
// node's own setting. Each costs one is-connected call, plus one evaluate
// call when wired.
inline bool Wired(InputHandle input) {
  return gHost.input->isConnected(input) != 0;
}

inline double ReadScalar(InputHandle input, SpotInfo* spot, double setting) {
  if (!Wired(input)) return setting;
  double value = 0.0;
  gHost.input->evaluate(input, spot, &value);
  return value;
}

// A vector input: true, with the host's value in `value`, when it is wired.
inline bool ReadVector(InputHandle input, SpotInfo* spot, double value[3]) {
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

// What the first reads leave for the rest of the evaluation.
struct Lit {
  const double* base;  // the colour: the host's or the setting
  double amount;
};

// From the local tangent on, for one shape: "UV", the frame, the lights and
// the output.
template <FrameShape S>
inline void ShadeShaped(const NodeData& data, SpotInfo* spot, ValueHandle value,
                        const Lit& lit, const FrameSource& in) {
  Vec3 n;
  const Vec3 t = LocalTangentOf<S>(in, &n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return SetBlack(value);
  double uv[3];
  Vec3 halfway;
  const ShadingFrame frame =
      ReadVector(data.inUV, spot, uv)
          ? WorldFrameOf<S, true>(in, n, t, uv, &halfway)
          : WorldFrameOf<S, false>(in, n, t, uv, &halfway);

  Color sum;
  if constexpr (S.light == LightSource::kScene) {
    sum = SumSceneLights(frame, spot);
  } else {
    const double f = HalfwayLobe(frame, halfway);
    sum = {f, f, f};
  }
  const Color rgb = OutputColor(sum, lit.amount, ToColor(lit.base));
  const double out[3] = {rgb.r, rgb.g, rgb.b};
  gHost.output->setValue(value, out);
}

// Turns the shape found at run time into the one the maths is compiled for.
template <bool kAxis, bool kNormal, LightSource kLight>
inline void ShadeTurned(const NodeData& data, SpotInfo* spot, ValueHandle value,
                        const Lit& lit, const FrameSource& in) {
  if (in.theta != 0.0)
    return ShadeShaped<FrameShape{kAxis, kNormal, kLight, true}>(data, spot, value, lit, in);
  return ShadeShaped<FrameShape{kAxis, kNormal, kLight, false}>(data, spot, value, lit, in);
}

template <bool kAxis, bool kNormal>
inline void ShadeLit(const NodeData& data, SpotInfo* spot, ValueHandle value,
                     const Lit& lit, const FrameSource& in, LightSource light) {
  switch (light) {
    case LightSource::kFixed:
      return ShadeTurned<kAxis, kNormal, LightSource::kFixed>(data, spot, value, lit, in);
    case LightSource::kCustom:
      return ShadeTurned<kAxis, kNormal, LightSource::kCustom>(data, spot, value, lit, in);
    case LightSource::kScene:
      return ShadeTurned<kAxis, kNormal, LightSource::kScene>(data, spot, value, lit, in);
  }
}

// Everything after the first two checks, as one function: the reads, then
// the maths compiled for the shape they found, all inlined (flatten) so that
// values stay in registers and no frame is added per step.
[[gnu::noinline, gnu::flatten]] void Shade(const NodeData& data, SpotInfo* spot,
                                           ValueHandle value) {
  // Base colour and specular amount; no amount, no highlight.
  double color[3];
  Lit lit;
  lit.base = ReadVector(data.inColor, spot, color) ? color : data.color;
  lit.amount = ReadScalar(data.inSpecular, spot, data.specular);
  if (lit.amount <= 0.0) return SetBlack(value);

  // The other inputs in the host's order; the maths waits for them.
  double axis[3], normal[3], custom[3];
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
  const FrameSource in{axis, normal, custom, theta,
                       GuardGlossiness(uGloss), GuardGlossiness(vGloss),
                       data.axis, data.customLightType,
                       classic ? spot->toLocal : spot->toWorld,
                       classic ? spot->toWorld : spot->toLocal,
                       spot->normal, spot->worldPosition, spot->raySource};
  if (axisWired) {
    if (normalWired) return ShadeLit<true, true>(data, spot, value, lit, in, light);
    return ShadeLit<true, false>(data, spot, value, lit, in, light);
  }
  if (normalWired) return ShadeLit<false, true>(data, spot, value, lit, in, light);
  return ShadeLit<false, false>(data, spot, value, lit, in, light);
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle /*output*/,
              ValueHandle value) {
  // A spot the host cannot trace gets no output; a shadow ray gets black.
  // Both before Shade, so that they cost no frame.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) return SetBlack(value);
  Shade(*static_cast<const NodeData*>(instance), spot, value);
}

}  // namespace quillane
