// The host's answer to "illuminate this spot from that light".
#pragma once

#include "standin/render/light_sample.h"
#include "standin/render/scene.h"

namespace standin {

// Illuminates the spot at world `position` from scene light `light` (an
// index into scene.lights), writing the unit direction in which the light
// travels toward the spot and its colour there:
//
// | type        | direction                      | colour |
// |-------------|--------------------------------|--------|
// | distant     | the light's direction          | colour x intensity |
// | point       | from the light to the spot (zero when they meet) | colour x intensity |
// | spot        | from the light to the spot     | colour x intensity x the cone's falloff: 1 within coneAngle - softEdge of the axis, 0 beyond coneAngle, a smoothstep between |
// | rectangle, disc | from a sampled point of the light | colour x intensity / pdf / samples |
// | environment | from a sampled texel           | radiance x intensity / pdf / samples |
//
// Sampled lights draw one direction per call from `sample` (light_sample.h):
// area lights uniformly within the cone that bounds the light's bounding
// sphere as seen from the spot (the whole sphere of directions when the
// spot is inside it), the environment by luminance (environment.h). A
// direction that misses the light's front face does not reach the spot.
// The colour is radiance over the direction's density per unit solid
// angle, divided by the number of items the host lists the light as
// (sample.parts), so the node's sum over the host's items is an unbiased
// estimate of the light's contribution.
//
// Returns whether the light reaches the spot: false outside a spot's cone,
// for a missed sample, and when a shadow ray from the spot toward the light
// meets any object (lights with shadows off are never blocked). The shadow
// ray starts a small distance (1e-7 relative to the spot's coordinates, at
// least 1e-9) away from the spot so the spot's own surface does not block
// it; a light behind a disc or plane therefore still reaches the front
// face. An index out of range writes zeros and returns false.
bool IlluminateSpot(const Scene& scene, int light, const double position[3],
                    double direction[3], double color[3],
                    const LightSample& sample = {});

// A spot light's falloff at `degrees` from its axis (table above).
double SpotFalloff(const Light& light, double degrees);

}  // namespace standin
