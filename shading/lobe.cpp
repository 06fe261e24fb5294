#include "shading/lobe.h"

#include "shading/inputs.h"

namespace {

constexpr Color kWhite{1.0, 1.0, 1.0};

// Asks the host whether `light` shades the spot's specular, and if so
// illuminates the spot with it. Hosts without light info report no flags;
// hosts without object info exclude nothing.
bool IlluminateFromLight(ItemHandle light, SpotInfo* spot, Vec3* direction,
                         Color* color) {
  const unsigned flags = gHost.lightInfo ? gHost.lightInfo->flags(light) : 0u;
  if (!spot->object) return false;
  if (gHost.objectInfo && gHost.objectInfo->excludedLight(spot->object, light))
    return false;
  if (flags & kLightNoSpecular) return false;
  double dir[3], col[3];
  if (spot->illuminate(light, spot->worldPosition, dir, col) <= 0) return false;
  *direction = ToVec3(dir);
  *color = ToColor(col);
  return true;
}

// The lobe of SpecularLobe, inlined into the light walk: a call per light,
// with the light's direction and colour copied to memory for it, took about
// 20 of the 150 instructions a scene light costs.
inline int Lobe(ShadingFrame* frame, const Vec3& lightDir,
                const Color& lightColor) {
  // Halfway vector between the directions toward the viewer and the light.
  Vec3 s = frame->view + lightDir;
  Normalize(&s);
  const Vec3 h{-s.x, -s.y, -s.z};

  // Its projections, along tangent and bitangent scaled by the widths.
  const double t = Dot(h, frame->tangent) / frame->uGloss;
  const double n = Dot(h, frame->normal);
  const double b = Dot(h, frame->bitangent) / frame->vGloss;
  const double q = (t * t + n * n) + b * b;

  // f = 1 / q; an infinite or NaN denominator contributes nothing.
  double f = 1.0;
  if (!(q == 0.0)) {
    f = 1.0 / q;
    if (!(f > 0.0)) {
      frame->lightSpec = {0.0, 0.0, 0.0};
      return 0;
    }
  }
  frame->lightSpec = {f * lightColor.r, f * lightColor.g, f * lightColor.b};
  return 1;
}

}  // namespace

LightSelection SelectLight(const NodeData& data, SpotInfo* spot) {
  // A wired "Custom Light" is a direction ("Distant") or a position.
  if (IsConnected(data.inCustomLight)) {
    const Vec3 value = EvaluateVector(data.inCustomLight, spot);
    Vec3 direction = data.customLightType == kLightDistant
                         ? value
                         : ToVec3(spot->worldPosition) - value;
    Normalize(&direction);
    return {true, direction};
  }
  // A host without an item list gets a fixed light from the upper left.
  if (!gHost.itemInfo) {
    Vec3 direction{1.0, -1.0, 1.0};
    Normalize(&direction);
    return {true, direction};
  }
  return {false, {0.0, 0.0, 0.0}};
}

int SpecularLobe(ShadingFrame* frame, const Vec3& lightDir,
                 const Color& lightColor) {
  return Lobe(frame, lightDir, lightColor);
}

Color SumLights(ShadingFrame* frame, const LightSelection& light,
                SpotInfo* spot) {
  Color result{0.0, 0.0, 0.0};
  if (light.single) {
    if (Lobe(frame, light.direction, kWhite)) result = frame->lightSpec;
    return result;
  }
  // Scene lights in the host's order; the sum is formed in that order.
  const ItemInfo* items = gHost.itemInfo;
  for (ItemHandle l = items->first(kItemLight, nullptr); l; l = items->next(l)) {
    Vec3 direction;
    Color color;
    if (!IlluminateFromLight(l, spot, &direction, &color)) continue;
    if (!Lobe(frame, direction, color)) continue;
    result.r += frame->lightSpec.r;
    result.g += frame->lightSpec.g;
    result.b += frame->lightSpec.b;
  }
  return result;
}
