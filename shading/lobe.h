// The lights a spot is shaded by, and the specular lobe summed over them.
#pragma once

#include "host/services.h"
#include "shading/frame.h"
#include "shading/node_data.h"
#include "shading/vector.h"

// Reads "Custom Light" and decides between the custom light, the fixed light
// (when the host offers no item list) and the scene's lights.
LightSelection SelectLight(const NodeData& data, SpotInfo* spot);

// Sets frame->lightSpec to the colour `lightColor` reflects toward the view
// when travelling along `lightDir`. Returns 1 when the light contributes, 0
// (with lightSpec black) when the lobe's denominator is infinite or NaN.
int SpecularLobe(ShadingFrame* frame, const Vec3& lightDir,
                 const Color& lightColor);

// Sums the lobes of the selected single light, or of every scene light that
// reaches the spot, is not excluded from its object and affects specular.
Color SumLights(ShadingFrame* frame, const LightSelection& light,
                SpotInfo* spot);
