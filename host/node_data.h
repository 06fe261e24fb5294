// The record each copy of the node owns: its eight settings and the handles
// of its connectors, plus the instance callbacks the host calls on it.
#pragma once

#include <cstdint>

#include "host/services.h"
#include "shading/lobe.h"

namespace quillane {

struct NodeData {
  PanelHandle panel;  // built on the first interface activation, else null
  NodeHandle node;    // the host's node, given to create

  // The eight settings. Six stand in for unconnected inputs.
  double color[3];           // base colour
  double specular;           // specular amount, a fraction
  double uGlossiness;        // lobe width along the tangent, a fraction
  double vGlossiness;        // lobe width along the bitangent, a fraction
  std::int32_t axis;         // anisotropy axis: 0 = X, 1 = Y, 2 = Z
  double tangentRotate;      // turn of the tangent about the normal, radians
  std::int32_t customLightType;  // "Custom Light" as 0: direction, else position
  std::int32_t classicMode;  // non-zero swaps the spot's two matrices

  InputHandle inColor;
  InputHandle inSpecular;
  InputHandle inUGlossiness;
  InputHandle inVGlossiness;
  InputHandle inAxis;
  InputHandle inTangentRotate;
  InputHandle inNormal;
  InputHandle inUV;
  InputHandle inCustomLight;
  OutputHandle outColor;
};

// The message create leaves when it cannot allocate the record.
inline constexpr const char* kCreateNoMemory =
    "Couldn't allocate memory for instance.";

// Instance-table entries: create (context is the host's node handle),
// destroy, copy (settings only), and the event callback given to each input.
void* CreateNode(void* priv, void* context, const char** error);
void DestroyNode(void* instance);
const char* CopyNode(void* to, void* from);
int NodeInputEvent(void* instance, InputHandle input, int event, void* data);

}  // namespace quillane
