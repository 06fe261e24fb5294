// What the evaluation's two halves share: asking the host about the inputs
// (host/evaluate.cpp) and shading once the answers are in (host/shade.cpp).
// The asking half is compiled without the compiler's packing of scalar maths
// into vector registers (see BENCHMARKS.md).
#pragma once

#include "host/inputs.h"
#include "host/node_data.h"
#include "shading/frame.h"

namespace quillane {

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

// Where the host's value of input `index` goes.
constexpr double* HostValueOf(HostValues& h, InputIndex index) {
  switch (index) {
    case kColorInput: return h.color;
    case kSpecularInput: return &h.specular;
    case kUGlossinessInput: return &h.uGlossiness;
    case kVGlossinessInput: return &h.vGlossiness;
    case kAxisInput: return h.axis;
    case kTangentRotateInput: return &h.tangentRotate;
    case kNormalInput: return h.normal;
    case kCustomLightInput: return h.customLight;
    case kUVInput: return h.uv;
  }
  return nullptr;
}

// The host's `count` values of a wired input: one evaluate call into
// `value`, zeroed first.
inline void ReadWired(const InputHandle& input, SpotInfo* spot, double* value,
                      int count) {
  for (int i = 0; i < count; ++i) value[i] = 0.0;
  gHost.input->evaluate(input, spot, value);
}

// The host's value when `index` is among the `wired` inputs, else the
// node's setting.
inline double Chosen(unsigned wired, InputIndex index, const double& host,
                     const double& setting) {
  return wired & Bit(index) ? host : setting;
}

inline constexpr double kBlackRgb[3] = {0.0, 0.0, 0.0};

inline void SetBlack(ValueHandle value) {
  gHost.output->setValue(value, kBlackRgb);
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

// The shape with none of the inputs before "UV" wired.
template <LightSource L, bool Rotate, bool UV>
constexpr FrameShape kNoneWired{false, false, L, Rotate, UV};

// The evaluation from `first`, the first input found wired before "UV":
// that input's value, the questions and values of the inputs after it, then
// the maths for the shape they found and the output.
void ShadeFrom(const NodeData& data, SpotInfo* spot, ValueHandle value,
               InputIndex first);

// The evaluation once none of the inputs before "UV" was found wired, with
// the local normal (nx, ny, nz) and tangent (tx, ty, tz), not zero, from
// the settings: asks for "UV" when wired, then the maths and the output.
// One function per shape, indexed [scene's lights][a turn][UV wired], so
// that one without the scene's lights or a turn saves no more registers
// than its own maths needs. The vectors come as six numbers so that they
// travel in registers and the caller reaches the function by a plain jump.
using ShadeNoneWiredFunc = void (*)(const NodeData& data, SpotInfo* spot,
                                    ValueHandle value, double nx, double ny,
                                    double nz, double tx, double ty, double tz);
extern const ShadeNoneWiredFunc kShadeNoneWired[2][2][2];

}  // namespace quillane
