// Reading the node's inputs: a wired input is evaluated by the host, an
// unwired one falls back to the node's own setting. Each costs one
// is-connected call, plus one evaluate call when wired.
#pragma once

#include "host/services.h"
#include "shading/vector.h"

inline bool IsConnected(InputHandle input) {
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
  return IsConnected(input) ? EvaluateScalar(input, spot) : setting;
}

inline Color ReadColor(InputHandle input, SpotInfo* spot,
                       const double setting[3]) {
  if (!IsConnected(input)) return ToColor(setting);
  const Vec3 c = EvaluateVector(input, spot);
  return {c.x, c.y, c.z};
}
