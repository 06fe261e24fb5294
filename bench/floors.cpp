#include "bench/floors.h"

#include <cstring>

namespace bench {
namespace {

void Copy(const double from[3], double to[3]) {
  for (int i = 0; i < 3; ++i) to[i] = from[i];
}

LightAnswers Answers(const FakeLight& light) {
  LightAnswers a;
  a.flags = light.flags;
  a.excluded = light.excluded;
  a.illuminate = light.illuminate;
  std::memcpy(a.direction, light.direction, sizeof a.direction);
  std::memcpy(a.color, light.color, sizeof a.color);
  return a;
}

}  // namespace

PreRead ReadAhead(const NodeData& data, const FakeNode& node,
                  const SpotInfo& spot, const HostServices& services) {
  const std::vector<FakeLight>& lights = FakeHost::lights;
  auto input = [&](const char* name) -> const FakeInput& {
    return node.Input(name);
  };
  auto scalar = [&](const char* name, double setting) {
    return input(name).connected ? input(name).value[0] : setting;
  };
  PreRead in;
  in.traceable = spot.rayTrace != nullptr;
  in.flags = spot.flags;
  in.base = input("Color").connected ? ToColor(input("Color").value)
                                     : ToColor(data.color);
  in.amount = scalar("Specular", data.specular);
  in.uGloss = scalar("U Glossiness", data.uGlossiness);
  in.vGloss = scalar("V Glossiness", data.vGlossiness);
  in.axisWired = input("Axis").connected != 0;
  Copy(input("Axis").value, in.axisValue);
  in.axisSetting = data.axis;
  in.theta = scalar("Tangent Rotate", data.tangentRotate);
  in.normalWired = input("Normal").connected != 0;
  Copy(input("Normal").value, in.normalValue);
  in.customWired = input("Custom Light").connected != 0;
  in.customType = data.customLightType;
  Copy(input("Custom Light").value, in.customValue);
  in.itemInfo = services.itemInfo != nullptr;
  in.uvWired = input("UV").connected != 0;
  Copy(input("UV").value, in.uv);
  in.toWorld = data.classicMode == 0 ? spot.toWorld : spot.toLocal;
  in.toLocal = data.classicMode == 0 ? spot.toLocal : spot.toWorld;
  Copy(spot.worldPosition, in.position);
  Copy(spot.normal, in.hostNormal);
  Copy(spot.raySource, in.raySource);
  in.object = spot.object != nullptr;
  in.lightCount = static_cast<int>(lights.size());
  for (int i = 0; i < in.lightCount && i < kMaxLights; ++i)
    in.lights[i] = Answers(lights[static_cast<std::size_t>(i)]);
  return in;
}

}  // namespace bench
