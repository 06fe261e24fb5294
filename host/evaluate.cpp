#include "host/evaluate.h"

#include "host/shade.h"

namespace quillane {

namespace {

// Most nodes have none of the inputs before "UV" wired. This asks about
// them while none is, keeping nothing but its arguments, so that the exits
// on the way cost no more than the questions: the first input found wired
// hands the evaluation to ShadeFrom. The specular amount is read again where
// the output is formed, like every setting.
[[gnu::noinline]] void AskWhileNoneWired(const NodeData& data, SpotInfo* spot,
                                         ValueHandle value) {
  if (Wired(data.inColor)) return ShadeFrom<kColorInput>(data, spot, value);
  if (Wired(data.inSpecular))
    return ShadeFrom<kSpecularInput>(data, spot, value);
  // The exit is laid out as the straight way on: on a path this short a
  // taken branch costs it about a tenth, on the longer ones that go on a
  // few percent at most.
  if (data.specular <= 0.0) [[likely]] return SetBlack(value);
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
  const bool uv = Wired(data.inUV);
  const bool scene = gHost.itemInfo != nullptr;
  const bool turn = data.tangentRotate != 0.0;
  kShadeNoneWired[scene][turn][uv](data, spot, value, n.x, n.y, n.z, t.x, t.y,
                                  t.z);
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle /*output*/,
              ValueHandle value) {
  // A spot the host cannot trace gets no output; a shadow ray gets black.
  // Both before any frame is set up. The shadow exit is laid out aside, so
  // that the way on to the questions takes no branch before its jump.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) [[unlikely]] return SetBlack(value);
  AskWhileNoneWired(*static_cast<const NodeData*>(instance), spot, value);
}

}  // namespace quillane
