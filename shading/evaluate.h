// The node's evaluation: the specular colour of one spot.
#pragma once

#include "host/services.h"

// The host's evaluation entry. `instance` is the node's NodeData, `spot` the
// spot to shade; the colour goes to the host through `value`. `output` is not
// looked at: the node has a single output.
void Evaluate(void* instance, SpotInfo* spot, OutputHandle output,
              ValueHandle value);
