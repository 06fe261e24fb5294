// The lights a spot is shaded by, the specular lobe of one light and the
// output colour, from plain values the host binding has read.
#pragma once

#include <cstdint>

#include "shading/frame.h"
#include "shading/vector.h"

namespace quillane {

// `customLightType` values: the "Custom Light" input is a direction
// ("Distant") or a position (any other value, "Point" being 1).
constexpr std::int32_t kLightDistant = 0;
constexpr std::int32_t kLightPoint = 1;

constexpr Color kWhite{1.0, 1.0, 1.0};
constexpr Color kBlack{0.0, 0.0, 0.0};

// Which lights shade a spot: one single white light travelling along
// `direction`, or the scene's lights.
struct LightSelection {
  bool single;
  Vec3 direction;
};

// The wired "Custom Light": `value` is the direction the light travels, or
// for a point light its position, the light then shining from there toward
// the spot at `position`. Used in world space as it comes.
inline LightSelection CustomLight(const Vec3& value, std::int32_t type,
                                  const Vec3& position) {
  return {true, Normalized(type == kLightDistant ? value : position - value)};
}

// The light for a host without an item list: fixed, from the upper left.
const Vec3 kFixedLightDirection = Normalized({1.0, -1.0, 1.0});
inline LightSelection FixedLight() { return {true, kFixedLightDirection}; }

// The scene's lights, walked by the host binding.
inline LightSelection SceneLights() { return {false, {0.0, 0.0, 0.0}}; }

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

// The single light's lobe, or black when it contributes nothing.
inline Color SingleLightColor(ShadingFrame* frame, const Vec3& direction) {
  return SpecularLobe(frame, direction, kWhite) ? frame->lightSpec : kBlack;
}

// The output: the summed lobes scaled by the specular amount, then tinted
// by the base colour, multiplied in that order.
inline Color OutputColor(const Color& sum, double amount, const Color& base) {
  return {(sum.r * amount) * base.r, (sum.g * amount) * base.g,
          (sum.b * amount) * base.b};
}

}  // namespace quillane
