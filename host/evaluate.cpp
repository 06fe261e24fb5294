#include "host/evaluate.h"

#include "host/node_data.h"

#include "shading/frame.h"
#include "shading/lobe.h"

namespace quillane {

namespace {

// The inputs before "UV" in the host's order, then "UV"; an input's bit in
// a set of wired inputs is 1 << its index.
enum InputIndex : unsigned {
  kColorInput,
  kSpecularInput,
  kUGlossinessInput,
  kVGlossinessInput,
  kAxisInput,
  kTangentRotateInput,
  kNormalInput,
  kCustomLightInput,
  kUVInput,
};

constexpr unsigned Bit(InputIndex input) { return 1u << input; }

// The host's values of the wired inputs; an input's entry is written only
// when it is wired.
struct HostValues {
  double color[3];
  double specular;
  double uGlossiness;
  double vGlossiness;
  double axis[3];
  double tangentRotate;
  double normal[3];
  double customLight[3];
  double uv[3];
};

// Asks whether `input` is wired: one is-connected call.
inline bool Wired(const InputHandle& input) {
  return gHost.input->isConnected(input) != 0;
}

// The host's `count` values of a wired input: one evaluate call into
// `value`, zeroed first.
inline void ReadWired(const InputHandle& input, SpotInfo* spot, double* value,
                      int count) {
  for (int i = 0; i < count; ++i) value[i] = 0.0;
  gHost.input->evaluate(input, spot, value);
}

// Reads input `index` for Shade, which starts at the first input found
// wired: one before `first` is known unwired and `first` known wired;
// later ones are asked. Returns the input's bit when wired, else 0. The
// node's own setting for an unwired input is looked at only where the maths
// uses it, so that nothing is kept across the host calls that follow.
inline unsigned ReadFrom(InputIndex first, InputIndex index,
                         const InputHandle& input, SpotInfo* spot,
                         double* value, int count) {
  if (index < first) return 0;
  if (index > first && !Wired(input)) [[likely]] return 0;
  ReadWired(input, spot, value, count);
  return Bit(index);
}

// The host's value when `index` is among the `wired` inputs, else the
// node's setting.
inline double Chosen(unsigned wired, InputIndex index, const double& host,
                     const double& setting) {
  return wired & Bit(index) ? host : setting;
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
  for (ItemHandle l = items->first(kItemLight, nullptr); l;
       l = items->next(l)) {
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

// One evaluation once the inputs before "UV" are read: the node, the
// host's values and which inputs they are, the spot and where the output
// goes.
struct Shading {
  const NodeData& data;
  HostValues& host;
  unsigned wired;
  SpotInfo* spot;
  ValueHandle value;
};

// What the frame is built from. The settings are read here, where the maths
// needs them; unused fields cost nothing once inlined.
inline FrameSource Source(const Shading& e) {
  const NodeData& d = e.data;
  const HostValues& h = e.host;
  const unsigned w = e.wired;
  // Classic mode swaps which matrix takes local space to world space.
  const bool classic = d.classicMode != 0;
  return {h.axis,
          h.normal,
          h.customLight,
          h.uv,
          Chosen(w, kTangentRotateInput, h.tangentRotate, d.tangentRotate),
          Chosen(w, kUGlossinessInput, h.uGlossiness, d.uGlossiness),
          Chosen(w, kVGlossinessInput, h.vGlossiness, d.vGlossiness),
          d.axis,
          d.customLightType,
          classic ? e.spot->toLocal : e.spot->toWorld,
          classic ? e.spot->toWorld : e.spot->toLocal,
          e.spot->normal,
          e.spot->worldPosition,
          e.spot->raySource};
}

// The frame, the lights and the output, for one shape.
template <FrameShape S>
inline void ShadeShaped(const Shading& e, const Vec3& n, const Vec3& t) {
  Vec3 halfway;
  const ShadingFrame frame = WorldFrame(S, Source(e), n, t, &halfway);
  Color sum;
  if constexpr (S.light == LightSource::kScene) {
    sum = SumSceneLights(frame, e.spot);
  } else {
    const double f = HalfwayLobe(frame, halfway);
    sum = {f, f, f};
  }
  const double* base = e.wired & Bit(kColorInput) ? e.host.color : e.data.color;
  const double amount =
      Chosen(e.wired, kSpecularInput, e.host.specular, e.data.specular);
  const Color rgb = OutputColor(sum, amount, ToColor(base));
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

template <FrameShape S>
inline void ShadeTurn(const Shading& e, const Vec3& n, const Vec3& t) {
  if (Source(e).theta != 0.0)
    return ShadeShaped<WithRotate(S, true)>(e, n, t);
  return ShadeShaped<WithRotate(S, false)>(e, n, t);
}

// "UV", the last input, then the rest of the shape.
template <FrameShape S>
inline void ShadeSteered(const Shading& e, const Vec3& n, const Vec3& t) {
  if (!Wired(e.data.inUV)) return ShadeTurn<WithUV(S, false)>(e, n, t);
  ReadWired(e.data.inUV, e.spot, e.host.uv, 3);
  return ShadeTurn<WithUV(S, true)>(e, n, t);
}

// The single light: the custom one when wired, else the fixed one unless
// the host offers the scene's lights.
template <FrameShape S>
inline void ShadeLight(const Shading& e, const Vec3& n, const Vec3& t) {
  if (e.wired & Bit(kCustomLightInput))
    return ShadeSteered<WithLight(S, LightSource::kCustom)>(e, n, t);
  if (gHost.itemInfo)
    return ShadeSteered<WithLight(S, LightSource::kScene)>(e, n, t);
  return ShadeSteered<WithLight(S, LightSource::kFixed)>(e, n, t);
}

// The local tangent, which needs only "Axis" and "Normal", and the exit
// without one, before the rest of the shape is decided.
template <FrameShape S>
inline void ShadeFromTangent(const Shading& e) {
  Vec3 n;
  const Vec3 t = LocalTangent(S, Source(e), &n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return SetBlack(e.value);
  return ShadeLight<S>(e, n, t);
}

// The evaluation from the first input AskWhileNoneWired found wired
// (`first`): that input's value, the questions and values of the inputs
// after it, then the maths compiled for the shape they found, all inlined
// (flatten) so that values stay in registers and no frame is added per step.
[[gnu::noinline, gnu::flatten]] void Shade(const NodeData& data, SpotInfo* spot,
                                           ValueHandle value,
                                           InputIndex first) {
  HostValues h;

  // Base colour and specular amount; no amount, no highlight.
  unsigned wired = ReadFrom(first, kColorInput, data.inColor, spot, h.color, 3);
  wired |=
      ReadFrom(first, kSpecularInput, data.inSpecular, spot, &h.specular, 1);
  if (Chosen(wired, kSpecularInput, h.specular, data.specular) <= 0.0)
    return SetBlack(value);

  // The other inputs in the host's order; the maths waits for them.
  wired |= ReadFrom(first, kUGlossinessInput, data.inUGlossiness, spot,
                    &h.uGlossiness, 1);
  wired |= ReadFrom(first, kVGlossinessInput, data.inVGlossiness, spot,
                    &h.vGlossiness, 1);
  wired |= ReadFrom(first, kAxisInput, data.inAxis, spot, h.axis, 3);
  wired |= ReadFrom(first, kTangentRotateInput, data.inTangentRotate, spot,
                    &h.tangentRotate, 1);
  wired |= ReadFrom(first, kNormalInput, data.inNormal, spot, h.normal, 3);
  wired |= ReadFrom(first, kCustomLightInput, data.inCustomLight, spot,
                    h.customLight, 3);

  const Shading e{data, h, wired, spot, value};
  constexpr LightSource kAny = LightSource::kFixed;  // decided later
  if (wired & Bit(kAxisInput)) {
    if (wired & Bit(kNormalInput))
      return ShadeFromTangent<FrameShape{true, true, kAny, false, false}>(e);
    return ShadeFromTangent<FrameShape{true, false, kAny, false, false}>(e);
  }
  if (wired & Bit(kNormalInput))
    return ShadeFromTangent<FrameShape{false, true, kAny, false, false}>(e);
  return ShadeFromTangent<FrameShape{false, false, kAny, false, false}>(e);
}

// Shade from a first wired input fixed here, so that the question before
// each hand-over need not set it up.
template <InputIndex First>
[[gnu::noinline]] void ShadeFrom(const NodeData& data, SpotInfo* spot,
                                 ValueHandle value) {
  Shade(data, spot, value, First);
}

// The shape with none of the inputs before "UV" wired.
template <LightSource L, bool Rotate, bool UV>
constexpr FrameShape kNoneWired{false, false, L, Rotate, UV};

// The evaluation after AskWhileNoneWired found none of the inputs before
// "UV" wired, the local normal `n` and tangent `t` (not zero) from the
// settings, and the shape: light `L`, a turn or none, "UV" wired or not.
// The vectors come as six numbers so that they travel in registers and the
// caller reaches this by a plain jump. Each shape is a function of its own,
// so that one without the scene's lights or a turn saves no more registers
// than its own maths needs.
template <LightSource L, bool Rotate, bool UV>
[[gnu::noinline, gnu::flatten]] void ShadeNoneWired(
    const NodeData& data, SpotInfo* spot, ValueHandle value,
    double nx, double ny, double nz, double tx, double ty, double tz) {
  HostValues h;
  if constexpr (UV) ReadWired(data.inUV, spot, h.uv, 3);
  const Shading e{data, h, 0u, spot, value};
  ShadeShaped<kNoneWired<L, Rotate, UV>>(e, {nx, ny, nz}, {tx, ty, tz});
}

// Most nodes have none of the inputs before "UV" wired. This asks about
// them while none is, keeping nothing but its arguments, so that the exits
// on the way cost no more than the questions: the first input found wired
// hands the evaluation to Shade. The specular amount is read again where
// the output is formed, like every setting.
[[gnu::noinline]] void AskWhileNoneWired(const NodeData& data, SpotInfo* spot,
                                         ValueHandle value) {
  if (Wired(data.inColor)) return ShadeFrom<kColorInput>(data, spot, value);
  if (Wired(data.inSpecular))
    return ShadeFrom<kSpecularInput>(data, spot, value);
  if (data.specular <= 0.0) return SetBlack(value);
  if (Wired(data.inUGlossiness))
    return ShadeFrom<kUGlossinessInput>(data, spot, value);
  if (Wired(data.inVGlossiness))
    return ShadeFrom<kVGlossinessInput>(data, spot, value);
  if (Wired(data.inAxis)) return ShadeFrom<kAxisInput>(data, spot, value);
  if (Wired(data.inTangentRotate))
    return ShadeFrom<kTangentRotateInput>(data, spot, value);
  if (Wired(data.inNormal)) return ShadeFrom<kNormalInput>(data, spot, value);
  if (Wired(data.inCustomLight))
    return ShadeFrom<kCustomLightInput>(data, spot, value);

  // The tangent from the settings, and the exit without one.
  HostValues unused;
  Vec3 n;
  const Vec3 t = LocalTangent(kNoneWired<LightSource::kFixed, false, false>,
                              Source({data, unused, 0u, spot, value}), &n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return SetBlack(value);

  // "UV", then the maths for the shape.
  using Shaped = void (*)(const NodeData&, SpotInfo*, ValueHandle, double,
                          double, double, double, double, double);
  static constexpr Shaped kShapes[2][2][2] = {
      {{ShadeNoneWired<LightSource::kFixed, false, false>,
        ShadeNoneWired<LightSource::kFixed, false, true>},
       {ShadeNoneWired<LightSource::kFixed, true, false>,
        ShadeNoneWired<LightSource::kFixed, true, true>}},
      {{ShadeNoneWired<LightSource::kScene, false, false>,
        ShadeNoneWired<LightSource::kScene, false, true>},
       {ShadeNoneWired<LightSource::kScene, true, false>,
        ShadeNoneWired<LightSource::kScene, true, true>}}};
  const bool uv = Wired(data.inUV);
  const bool scene = gHost.itemInfo != nullptr;
  const bool turn = data.tangentRotate != 0.0;
  kShapes[scene][turn][uv](data, spot, value, n.x, n.y, n.z, t.x, t.y, t.z);
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle /*output*/,
              ValueHandle value) {
  // A spot the host cannot trace gets no output; a shadow ray gets black.
  // Both before any frame is set up.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) return SetBlack(value);
  AskWhileNoneWired(*static_cast<const NodeData*>(instance), spot, value);
}

}  // namespace quillane
