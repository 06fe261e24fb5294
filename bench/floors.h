// The two floors an evaluation path is measured against.
//
// Arithmetic floor: the evaluation's maths, in the same order with the same
// helpers (shading/vector.h and the module's SpecularLobe), over inputs the
// host has already answered: no host call at all.
//
// Host-call floor: the same sequence of host calls through the same host
// tables (is-connected and evaluate per input, the light walk, set value),
// with none of the maths. Where the maths decides the way (an early exit),
// the way is given.
#pragma once

#include <benchmark/benchmark.h>

#include "bench/minimal_host.h"
#include "shading/frame.h"
#include "shading/lobe.h"
#include "shading/node_data.h"
#include "shading/vector.h"

namespace bench {

constexpr int kMaxLights = 16;

// Everything the evaluation learns from the host, read beforehand.
struct PreRead {
  bool traceable = true;
  int flags = 0;
  Color base{};
  double amount = 0.0;
  double uGloss = 0.0, vGloss = 0.0;
  bool axisWired = false;
  Vec3 axisValue{};
  int axisIndex = 1;
  double theta = 0.0;
  bool normalWired = false;
  Vec3 normalValue{};
  bool customWired = false;
  int customType = 0;
  Vec3 customValue{};
  bool itemInfo = false;
  bool uvWired = false;
  Vec3 uv{};
  const double* toWorld = nullptr;
  const double* toLocal = nullptr;
  Vec3 position{}, hostNormal{}, raySource{};
  bool object = true;
  int lightCount = 0;
  BenchLight lights[kMaxLights];
};

// Reads what the evaluation of `data` at `spot` would ask the host for.
PreRead ReadAhead(const NodeData& data, const BenchNode& node,
                  const SpotInfo& spot, const BenchScene& scene);

// The evaluation's maths over `in`. Returns false where the evaluation sets
// no output; else writes the colour to `out`.
inline bool ArithmeticFloor(const PreRead& in, double out[3]) {
  if (!in.traceable) return false;
  out[0] = out[1] = out[2] = 0.0;
  if (in.flags & kSpotShadowRay) return true;
  if (in.amount <= 0.0) return true;

  ShadingFrame f;
  f.uGloss = in.uGloss == 0.0 ? 0.001 : in.uGloss;
  f.vGloss = in.vGloss == 0.0 ? 0.001 : in.vGloss;
  Vec3 a = in.axisValue;
  if (in.axisWired) {
    Normalize(&a);
  } else {
    a = {in.axisIndex == 0 ? 1.0 : 0.0, in.axisIndex == 1 ? 1.0 : 0.0,
         in.axisIndex == 2 ? 1.0 : 0.0};
  }
  Vec3 n, w;
  if (in.normalWired) {
    n = in.normalValue;
    Normalize(&n);
    w = MatVec(in.toWorld, n);
    Normalize(&w);
  } else {
    w = in.hostNormal;
    n = MatVec(in.toLocal, w);
    Normalize(&n);
  }

  bool single = true;
  Vec3 d{1.0, -1.0, 1.0};
  if (in.customWired) {
    d = in.customType == kLightDistant ? in.customValue
                                       : in.position - in.customValue;
    Normalize(&d);
  } else if (!in.itemInfo) {
    Normalize(&d);
  } else {
    single = false;
  }

  Vec3 t = Cross(a, n);
  if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return true;
  Normalize(&t);
  if (in.theta != 0.0) {
    t = RotateAboutAxis(n, in.theta, t);
    Normalize(&t);
  }
  if (in.uvWired) {
    Vec3 s{(in.uv.x - 0.5) * 2, (in.uv.y - 0.5) * 2, 0.0};
    Normalize(&s);
    Vec3 e = Cross(n, t);
    Normalize(&e);
    t = {s.x * t.x + s.y * e.x + s.z * n.x, s.x * t.y + s.y * e.y + s.z * n.y,
         s.x * t.z + s.y * e.z + s.z * n.z};
  }
  Vec3 tw = MatVec(in.toWorld, t);
  Normalize(&tw);
  Vec3 b = Cross(w, tw);
  Normalize(&b);
  Vec3 v = in.position - in.raySource;
  Normalize(&v);
  f.normal = w;
  f.bitangent = b;
  f.tangent = tw;
  f.view = v;

  Color sum{0.0, 0.0, 0.0};
  if (single) {
    if (SpecularLobe(&f, d, {1.0, 1.0, 1.0})) sum = f.lightSpec;
  } else {
    for (int i = 0; i < in.lightCount; ++i) {
      const BenchLight& l = in.lights[i];
      if (!in.object || l.excluded || (l.flags & kLightNoSpecular) ||
          l.illuminate <= 0)
        continue;
      if (!SpecularLobe(&f, ToVec3(l.direction), ToColor(l.color))) continue;
      sum.r += f.lightSpec.r;
      sum.g += f.lightSpec.g;
      sum.b += f.lightSpec.b;
    }
  }
  out[0] = (sum.r * in.amount) * in.base.r;
  out[1] = (sum.g * in.amount) * in.base.g;
  out[2] = (sum.b * in.amount) * in.base.b;
  return true;
}

// Where an evaluation path ends.
enum class Stop { kNoTrace, kShadow, kNoSpecular, kZeroTangent, kFull };

// One input read: is-connected, then evaluate when wired.
inline void ReadInput(const HostTables& t, InputHandle input, SpotInfo* spot,
                      double* buffer) {
  if (t.input->isConnected(input)) t.input->evaluate(input, spot, buffer);
  benchmark::DoNotOptimize(buffer);
}

// The evaluation's host calls for `data` at `spot`, ending at `stop`.
inline void HostCallFloor(const HostTables& t, const NodeData& data,
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
