// The two floors an evaluation path is measured against.
//
// Arithmetic floor: the evaluation's maths, the module's own functions from
// shading/ in the same order, over inputs the host has already answered: no
// host call at all.
//
// Host-call floor: the same sequence of host calls through the same host
// tables (is-connected and evaluate per input, the light walk, set value),
// with none of the maths. Where the maths decides the way (an early exit),
// the way is given.
#pragma once

#include <cstdint>

#include <benchmark/benchmark.h>

#include "shading/frame.h"
#include "shading/lobe.h"
#include "host/node_data.h"
#include "shading/vector.h"
#include "tests/doubles/fake_host.h"

namespace bench {

using namespace ::quillane;

constexpr int kMaxLights = 16;

// What the host answers about one scene light.
struct LightAnswers {
  unsigned flags = 0;
  int excluded = 0;
  int illuminate = 1;
  double direction[3] = {0.0, 0.0, -1.0};
  double color[3] = {1.0, 1.0, 1.0};
};

// Everything the evaluation learns from the host, read beforehand.
struct PreRead {
  bool traceable = true;
  int flags = 0;
  Color base{};
  double amount = 0.0;
  double uGloss = 0.0, vGloss = 0.0;
  bool axisWired = false;
  double axisValue[3] = {};
  std::int32_t axisSetting = 1;
  double theta = 0.0;
  bool normalWired = false;
  double normalValue[3] = {};
  bool customWired = false;
  std::int32_t customType = 0;
  double customValue[3] = {};
  bool itemInfo = false;
  bool uvWired = false;
  double uv[3] = {};
  const double* toWorld = nullptr;
  const double* toLocal = nullptr;
  double position[3] = {}, hostNormal[3] = {}, raySource[3] = {};
  bool object = true;
  int lightCount = 0;
  LightAnswers lights[kMaxLights];
};

// Reads what the evaluation of `data` at `spot` would ask a host offering
// `services` for, with the fake host's lights.
PreRead ReadAhead(const NodeData& data, const FakeNode& node,
                  const SpotInfo& spot, const HostServices& services);

// The lobes of the scene lights that count, summed in order.
inline Color SceneLightsColor(const PreRead& in, ShadingFrame* frame) {
  Color sum = kBlack;
  for (int i = 0; i < in.lightCount; ++i) {
    const LightAnswers& l = in.lights[i];
    if (!in.object || l.excluded || (l.flags & kLightNoSpecular) ||
        l.illuminate <= 0)
      continue;
    if (SpecularLobe(frame, ToVec3(l.direction), ToColor(l.color)))
      sum = sum + frame->lightSpec;
  }
  return sum;
}

// The evaluation's maths over `in`, through the module's own pure
// functions in the order the evaluation calls them, the shape decided at
// run time. Returns false where the evaluation sets no output; else writes
// the colour to `out`. Kept out of line so that instruction counts can find
// it.
[[gnu::noinline]] inline bool ArithmeticFloor(const PreRead& in,
                                              double out[3]) {
  if (!in.traceable) return false;
  Color color = kBlack;
  if (!(in.flags & kSpotShadowRay) && !(in.amount <= 0.0)) {
    const FrameShape shape{in.axisWired, in.normalWired,
                           in.customWired ? LightSource::kCustom
                           : in.itemInfo  ? LightSource::kScene
                                          : LightSource::kFixed,
                           in.theta != 0.0, in.uvWired};
    const FrameSource source{in.axisValue, in.normalValue, in.customValue,
                             in.uv,        in.theta,       in.uGloss,
                             in.vGloss,    in.axisSetting, in.customType,
                             in.toWorld,   in.toLocal,     in.hostNormal,
                             in.position,  in.raySource};
    Vec3 n;
    const Vec3 t = LocalTangent(shape, source, &n);
    if (t.x != 0.0 || t.y != 0.0 || t.z != 0.0) {
      Vec3 halfway;
      ShadingFrame frame = WorldFrame(shape, source, n, t, &halfway);
      Color sum;
      if (shape.light == LightSource::kScene) {
        sum = SceneLightsColor(in, &frame);
      } else {
        const double f = HalfwayLobe(frame, halfway);
        sum = {f, f, f};
      }
      color = OutputColor(sum, in.amount, in.base);
    }
  }
  out[0] = color.r;
  out[1] = color.g;
  out[2] = color.b;
  return true;
}

// Where an evaluation path ends.
enum class Stop { kNoTrace, kShadow, kNoSpecular, kZeroTangent, kFull };

// One input read: is-connected, then evaluate when wired.
inline void ReadInput(const HostServices& t, InputHandle input, SpotInfo* spot,
                      double* buffer) {
  if (t.input->isConnected(input)) t.input->evaluate(input, spot, buffer);
  benchmark::DoNotOptimize(buffer);
}

// The evaluation's host calls for `data` at `spot`, ending at `stop`.
inline void HostCallFloor(const HostServices& t, const NodeData& data,
                          SpotInfo* spot, ValueHandle value, Stop stop) {
  static const double kBlack[3] = {0.0, 0.0, 0.0};
  if (stop == Stop::kNoTrace) return;
  if (stop == Stop::kShadow) return t.output->setValue(value, kBlack);
  double buffer[3];
  ReadInput(t, data.inColor, spot, buffer);
  ReadInput(t, data.inSpecular, spot, buffer);
  if (stop == Stop::kNoSpecular) return t.output->setValue(value, kBlack);
  ReadInput(t, data.inUGlossiness, spot, buffer);
  ReadInput(t, data.inVGlossiness, spot, buffer);
  ReadInput(t, data.inAxis, spot, buffer);
  ReadInput(t, data.inTangentRotate, spot, buffer);
  ReadInput(t, data.inNormal, spot, buffer);
  const bool custom = t.input->isConnected(data.inCustomLight) != 0;
  if (custom) t.input->evaluate(data.inCustomLight, spot, buffer);
  benchmark::DoNotOptimize(buffer);
  if (stop == Stop::kZeroTangent) return t.output->setValue(value, kBlack);
  ReadInput(t, data.inUV, spot, buffer);
  if (!custom && t.itemInfo) {
    for (ItemHandle l = t.itemInfo->first(kItemLight, nullptr); l;
         l = t.itemInfo->next(l)) {
      const unsigned flags = t.lightInfo->flags(l);
      if (!spot->object || t.objectInfo->excludedLight(spot->object, l) ||
          (flags & kLightNoSpecular))
        continue;
      double direction[3], color[3];
      spot->illuminate(l, spot->worldPosition, direction, color);
      benchmark::DoNotOptimize(direction);
      benchmark::DoNotOptimize(color);
    }
  }
  t.output->setValue(value, buffer);
}

}  // namespace bench
