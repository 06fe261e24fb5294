#include "host/shade.h"

#include <utility>

#include "shading/lobe.h"

namespace quillane {

namespace {

// Question Q for ShadeFrom, which starts at the first input found wired: one
// before `first` is known unwired and `first` known wired; later ones are
// asked. Reads the host's value when wired and returns the input's bit, else
// 0. The node's own setting for an unwired input is looked at only where the
// maths uses it, so that nothing is kept across the host calls that follow.
template <InputIndex Q>
inline unsigned AskAndRead(InputIndex first, const NodeData& data,
                           SpotInfo* spot, HostValues& h) {
  const InputHandle& input = data.*kQuestions[Q].handle;
  if (Q < first) return 0;
  if (Q > first && !Wired(input)) [[likely]]
    return 0;
  ReadWired(input, spot, HostValueOf(h, Q), ValueCount(kQuestions[Q].type));
  return Bit(Q);
}

// Questions From + I..., in question order; adds their bits to `wired`.
template <InputIndex From, unsigned... I>
inline void AskAndReadEach(InputIndex first, const NodeData& data,
                           SpotInfo* spot, HostValues& h, unsigned& wired,
                           std::integer_sequence<unsigned, I...>) {
  ((wired |= AskAndRead<InputIndex(From + I)>(first, data, spot, h)), ...);
}

// Questions From to To, in question order; adds their bits to `wired`.
template <InputIndex From, InputIndex To>
inline void AskAndReadInOrder(InputIndex first, const NodeData& data,
                              SpotInfo* spot, HostValues& h, unsigned& wired) {
  AskAndReadEach<From>(first, data, spot, h, wired,
                       std::make_integer_sequence<unsigned, To - From + 1>());
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
  if (Source(e).theta != 0.0) return ShadeShaped<WithRotate(S, true)>(e, n, t);
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

}  // namespace

// Everything inlined (flatten), so that values stay in registers and no
// frame is added per step.
[[gnu::flatten]] void ShadeFrom(const NodeData& data, SpotInfo* spot,
                                ValueHandle value, InputIndex first) {
  HostValues h;

  // Base colour and specular amount; no amount, no highlight.
  unsigned wired = 0;
  AskAndReadInOrder<kColorInput, kLastBeforeAmountTest>(first, data, spot, h,
                                                        wired);
  if (Chosen(wired, kSpecularInput, h.specular, data.specular) <= 0.0)
    return SetBlack(value);

  // The other inputs before "UV"; the maths waits for them.
  AskAndReadInOrder<InputIndex(kLastBeforeAmountTest + 1),
                    InputIndex(kUVInput - 1)>(first, data, spot, h, wired);

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

namespace {

template <LightSource L, bool Rotate, bool UV>
[[gnu::noinline, gnu::flatten]] void ShadeNoneWired(
    const NodeData& data, SpotInfo* spot, ValueHandle value, double nx,
    double ny, double nz, double tx, double ty, double tz) {
  HostValues h;
  if constexpr (UV) ReadWired(data.inUV, spot, h.uv, 3);
  const Shading e{data, h, 0u, spot, value};
  ShadeShaped<kNoneWired<L, Rotate, UV>>(e, {nx, ny, nz}, {tx, ty, tz});
}

}  // namespace

const ShadeNoneWiredFunc kShadeNoneWired[2][2][2] = {
    {{ShadeNoneWired<LightSource::kFixed, false, false>,
      ShadeNoneWired<LightSource::kFixed, false, true>},
     {ShadeNoneWired<LightSource::kFixed, true, false>,
      ShadeNoneWired<LightSource::kFixed, true, true>}},
    {{ShadeNoneWired<LightSource::kScene, false, false>,
      ShadeNoneWired<LightSource::kScene, false, true>},
     {ShadeNoneWired<LightSource::kScene, true, false>,
      ShadeNoneWired<LightSource::kScene, true, true>}}};

}  // namespace quillane
