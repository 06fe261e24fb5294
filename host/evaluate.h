// The node's evaluation as the host calls it: the specular colour of one
// spot.
#pragma once

#include "host/services.h"

namespace quillane {

// The host's evaluation entry. `instance` is the node's NodeData, `spot` the
// spot to shade, valid for the call. Asks the host, in this order: whether
// each input is wired and, when it is, its value ("Color", "Specular",
// "U Glossiness", "V Glossiness", "Axis", "Tangent Rotate", "Normal",
// "Custom Light", "UV"), then walks the scene's lights (first item; per
// light its flags, its exclusion from the spot's object, illuminate; next
// item) unless a single light applies, and delivers the colour once through
// `value`. The early exits stop the questions where they happen: no ray-trace
// entry sets nothing; a shadow ray, a specular amount of 0 or less and a
// tangent along the normal set black. `output` is not looked at: the node has
// a single output. Reads the instance and the module-wide services only.
void Evaluate(void* instance, SpotInfo* spot, OutputHandle output,
              ValueHandle value);

}  // namespace quillane
