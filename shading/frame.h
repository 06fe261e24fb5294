// The shading frame: the world-space basis and glossiness in which the
// specular lobe is computed for one spot.
#pragma once

#include "host/services.h"
#include "shading/node_data.h"
#include "shading/vector.h"

struct ShadingFrame {
  Vec3 normal;      // world normal
  Vec3 bitangent;   // normal x tangent, unit or zero
  Vec3 tangent;     // world tangent, unit or zero
  Vec3 view;        // from the ray source toward the spot, unit or zero
  double uGloss;    // lobe width along the tangent, never exactly 0
  double vGloss;    // lobe width along the bitangent, never exactly 0
  Color lightSpec;  // the latest lobe's colour
};

// Which lights shade a spot: one single white light travelling along
// `direction`, or the scene's lights.
struct LightSelection {
  bool single;
  Vec3 direction;
};

// Reads the glossiness, axis, rotation, normal, "Custom Light" and "UV"
// inputs in that order and fills `frame` (all but `lightSpec`) and `light`.
// Returns false, with the frame incomplete, when the tangent (axis x normal)
// is the zero vector: the spot then has no anisotropic highlight.
bool BuildShadingFrame(const NodeData& data, SpotInfo* spot,
                       ShadingFrame* frame, LightSelection* light);
