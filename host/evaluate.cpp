// The evaluation, top down:
//
//   Evaluate                        the exits before any question
//   AskWhileNoneWired               the inputs' questions in question order
//     first wired input found   ->  HandOver, ShadeFrom (host/shade.cpp): it
//                                   and the rest read, then the shape found
//     none wired                ->  the tangent from the settings, "UV",
//                                   then kShadeNoneWired[lights][turn][UV]
//
// The question order is InputIndex (host/inputs.h); both halves walk it.
#include "host/evaluate.h"

#include "host/shade.h"

namespace quillane {

namespace {

// None of the inputs before "UV" is wired: the tangent from the settings
// and the exit without one, then "UV" and the maths for the shape.
[[gnu::always_inline]] inline void ShadeNoneWiredFound(const NodeData& data,
                                                       SpotInfo* spot,
                                                       ValueHandle value) {
  HostValues unused;
  Vec3 n;
  const Vec3 t = LocalTangent(kNoneWired<LightSource::kFixed, false, false>,
                              Source({data, unused, 0u, spot, value}), &n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return SetBlack(value);

  const bool uv = Wired(data.inUV);
  const bool scene = gHost.itemInfo != nullptr;
  const bool turn = data.tangentRotate != 0.0;
  kShadeNoneWired[scene][turn][uv](data, spot, value, n.x, n.y, n.z, t.x, t.y,
                                   t.z);
}

// The hand-over when input Q is the first found wired, one function per
// input, so that the question before it ends in a plain jump.
template <unsigned Q>
[[gnu::noinline]] void HandOver(const NodeData& data, SpotInfo* spot,
                                ValueHandle value) {
  ShadeFrom(data, spot, value, InputIndex(Q));
}

// Question Q and those after it, asked while none is wired; the first input
// found wired hands the evaluation to ShadeFrom. The specular amount is
// tested once "Specular" is answered, and read again where the output is
// formed, like every setting.
template <unsigned Q>
[[gnu::always_inline]] inline void AskFrom(const NodeData& data, SpotInfo* spot,
                                           ValueHandle value) {
  if constexpr (Q == kUVInput) {
    return ShadeNoneWiredFound(data, spot, value);
  } else {
    if (Wired(data.*kQuestions[Q].handle))
      return HandOver<Q>(data, spot, value);
    if constexpr (Q == kLastBeforeAmountTest)
      if (data.specular <= 0.0) [[likely]]
        return SetBlack(value);
    return AskFrom<Q + 1>(data, spot, value);
  }
}

// Keeps nothing but its arguments, so that the exits on the way cost no
// more than the questions.
[[gnu::noinline]] void AskWhileNoneWired(const NodeData& data, SpotInfo* spot,
                                         ValueHandle value) {
  AskFrom<0>(data, spot, value);
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle /*output*/,
              ValueHandle value) {
  // A spot the host cannot trace gets no output; a shadow ray gets black.
  // Both before any frame is set up.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) [[unlikely]]
    return SetBlack(value);
  AskWhileNoneWired(*static_cast<const NodeData*>(instance), spot, value);
}

}  // namespace quillane
