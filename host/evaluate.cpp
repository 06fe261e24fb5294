#include "host/evaluate.h"

#include "shading/frame.h"
#include "shading/lobe.h"
#include "shading/node_data.h"

namespace {

// A wired input is evaluated by the host, an unwired one falls back to the
// node's own setting. Each costs one is-connected call, plus one evaluate
// call when wired.
inline bool Wired(InputHandle input) {
  return gHost.input->isConnected(input) != 0;
}

inline double EvaluateScalar(InputHandle input, SpotInfo* spot) {
  double value = 0.0;
  gHost.input->evaluate(input, spot, &value);
  return value;
}

inline Vec3 EvaluateVector(InputHandle input, SpotInfo* spot) {
  double value[3] = {0.0, 0.0, 0.0};
  gHost.input->evaluate(input, spot, value);
  return ToVec3(value);
}

inline double ReadScalar(InputHandle input, SpotInfo* spot, double setting) {
  return Wired(input) ? EvaluateScalar(input, spot) : setting;
}

inline Color ReadColor(InputHandle input, SpotInfo* spot,
                       const double setting[3]) {
  if (!Wired(input)) return ToColor(setting);
  const Vec3 c = EvaluateVector(input, spot);
  return {c.x, c.y, c.z};
}

inline void SetOutput(ValueHandle value, const Color& color) {
  const double rgb[3] = {color.r, color.g, color.b};
  gHost.output->setValue(value, rgb);
}

// The scene's lights in the host's order, the sum formed in that order. A
// light counts when the spot has an object, the light is not excluded from
// it, affects specular and reaches the spot. Hosts without light info
// report no flags; hosts without object info exclude nothing.
inline Color SumSceneLights(ShadingFrame* frame, SpotInfo* spot) {
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
    if (SpecularLobe(frame, ToVec3(direction), ToColor(color)))
      sum = sum + frame->lightSpec;
  }
  return sum;
}

}  // namespace

void Evaluate(void* instance, SpotInfo* spot, OutputHandle /*output*/,
              ValueHandle value) {
  const NodeData& data = *static_cast<const NodeData*>(instance);

  // A spot the host cannot trace gets no output; a shadow ray gets black.
  if (!spot->rayTrace) return;
  if (spot->flags & kSpotShadowRay) return SetOutput(value, kBlack);

  // Base colour and specular amount; no amount, no highlight.
  const Color base = ReadColor(data.inColor, spot, data.color);
  const double amount = ReadScalar(data.inSpecular, spot, data.specular);
  if (amount <= 0.0) return SetOutput(value, kBlack);

  // Lobe widths, anisotropy axis and tangent rotation.
  const double uGloss = GuardGlossiness(
      ReadScalar(data.inUGlossiness, spot, data.uGlossiness));
  const double vGloss = GuardGlossiness(
      ReadScalar(data.inVGlossiness, spot, data.vGlossiness));
  const Vec3 axis = Wired(data.inAxis)
                        ? Normalized(EvaluateVector(data.inAxis, spot))
                        : SettingAxis(data.axis);
  const double theta =
      ReadScalar(data.inTangentRotate, spot, data.tangentRotate);

  // Classic mode swaps which matrix takes local space to world space.
  const double* toWorld = data.classicMode == 0 ? spot->toWorld : spot->toLocal;
  const double* toLocal = data.classicMode == 0 ? spot->toLocal : spot->toWorld;
  const Normals normals =
      Wired(data.inNormal)
          ? NormalsFromInput(EvaluateVector(data.inNormal, spot), toWorld)
          : NormalsFromHost(ToVec3(spot->normal), toLocal);

  // The custom light, the fixed light of a host without an item list, or
  // the scene's lights.
  const LightSelection light =
      Wired(data.inCustomLight)
          ? CustomLight(EvaluateVector(data.inCustomLight, spot),
                        data.customLightType, ToVec3(spot->worldPosition))
      : gHost.itemInfo ? SceneLights()
                       : FixedLight();

  // The tangent, steered by "UV" when wired, and the world-space frame.
  Vec3 tangent;
  if (!LocalTangent(axis, normals.local, theta, &tangent))
    return SetOutput(value, kBlack);
  if (Wired(data.inUV))
    tangent = SteerTangent(tangent, normals.local,
                           EvaluateVector(data.inUV, spot));
  ShadingFrame frame =
      WorldFrame(toWorld, tangent, normals.world, ToVec3(spot->worldPosition),
                 ToVec3(spot->raySource), uGloss, vGloss);

  const Color sum = light.single ? SingleLightColor(&frame, light.direction)
                                 : SumSceneLights(&frame, spot);
  SetOutput(value, OutputColor(sum, amount, base));
}
