// The specular lobe of one light and the output colour, from plain values
// the host binding has read.
#pragma once

#include "shading/frame.h"
#include "shading/vector.h"

namespace quillane {

constexpr Color kWhite{1.0, 1.0, 1.0};
constexpr Color kBlack{0.0, 0.0, 0.0};

// The lobe's weight f = 1 / q for the unit halfway vector `s` between the
// directions toward the viewer and the light: 1 when q is 0, and 0 when q is
// infinite or NaN (the light then contributes nothing).
inline double HalfwayLobe(const ShadingFrame& frame, const Vec3& s) {
  const Vec3 h{-s.x, -s.y, -s.z};

  // Its projections, along tangent and bitangent scaled by the widths.
  const Pair tb = DividePair(Dot(h, frame.tangent), Dot(h, frame.bitangent),
                             frame.uGloss, frame.vGloss);
  const double n = Dot(h, frame.normal);
  const double q = (tb.a * tb.a + n * n) + tb.b * tb.b;

  if (q == 0.0) return 1.0;
  const double f = 1.0 / q;
  return f > 0.0 ? f : 0.0;
}

// Sets frame->lightSpec to the colour `lightColor` reflects toward the view
// when travelling along `lightDir` (not normalised here). Returns 1 when the
// light contributes, 0 (with lightSpec black) when the lobe's denominator is
// infinite or NaN.
inline int SpecularLobe(ShadingFrame* frame, const Vec3& lightDir,
                        const Color& lightColor) {
  // Halfway vector between the directions toward the viewer and the light.
  const double f = HalfwayLobe(*frame, Normalized(frame->view + lightDir));
  if (!(f > 0.0)) {
    frame->lightSpec = kBlack;
    return 0;
  }
  frame->lightSpec = {f * lightColor.r, f * lightColor.g, f * lightColor.b};
  return 1;
}

// The output: the summed lobes scaled by the specular amount, then tinted
// by the base colour, multiplied in that order.
inline Color OutputColor(const Color& sum, double amount, const Color& base) {
  return {(sum.r * amount) * base.r, (sum.g * amount) * base.g,
          (sum.b * amount) * base.b};
}

}  // namespace quillane
