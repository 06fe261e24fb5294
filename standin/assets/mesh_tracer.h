// Mesh objects traced through Embree.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "standin/assets/mesh.h"
#include "standin/render/geometry.h"
#include "standin/render/scene.h"

namespace standin {

// Builds Embree's acceleration structure over the meshes, each paired with
// the index of its object in scene.objects and placed by that object's
// position, rotation and size. Throws AssetError when Embree fails.
//
// Embree finds the triangles whose boxes (widened past rounding) a ray
// crosses; the ray meets each through HitTriangle, watertight, so no ray
// slips between the triangles of a closed mesh. The distance is then
// recomputed in double precision against the hit triangle's plane. Shadow
// rays ignore
// mesh triangles within 10^-5 of their start (relative to the start's
// largest coordinate, at least 1), which the single-precision search could
// otherwise mistake for the spot's own triangle.
std::shared_ptr<const MeshTracer> BuildMeshTracer(const Scene& scene,
                                                  std::vector<std::pair<int, Mesh>> meshes);

}  // namespace standin
