// The host's answer to "illuminate this spot from that light".
#pragma once

#include "standin/render/scene.h"

namespace standin {

// Illuminates the spot at world `position` from scene light `light` (an
// index into scene.lights):
//   direction: unit vector from the light toward the spot (distant: the
//              light's direction normalised; point: position minus the
//              light's position, normalised; a point light exactly at the
//              spot gives (0, 0, 0));
//   color:     the light's colour times its intensity (no falloff).
// Returns whether the light reaches the spot: false when a shadow ray from
// the spot toward the light meets any object (lights with shadows off are
// never blocked). The shadow ray starts a small distance (1e-7 relative to
// the spot's coordinates, at least 1e-9) away from the spot so the spot's
// own surface does not block it; a light behind a disc or plane therefore
// still reaches the front face. An index out of range writes zeros and
// returns false.
bool IlluminateSpot(const Scene& scene, int light, const double position[3],
                    double direction[3], double color[3]);

}  // namespace standin
