// Scene lights reaching a spot, with shadow rays.
#include "standin/render/lighting.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "standin/render/geometry.h"

namespace standin {
namespace {

// Start of a shadow ray: far enough from the spot to miss its own surface.
double ShadowOffset(Vec3 p) {
  const double scale = std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z), 1.0});
  return std::max(1e-7 * scale, 1e-9);
}

}  // namespace

bool IlluminateSpot(const Scene& scene, int light, const double position[3],
                    double direction[3], double color[3]) {
  if (light < 0 || static_cast<size_t>(light) >= scene.lights.size()) {
    std::fill(direction, direction + 3, 0.0);
    std::fill(color, color + 3, 0.0);
    return false;
  }
  const Light& l = scene.lights[static_cast<size_t>(light)];
  const Vec3 spot = Load(position);
  Store(l.color * l.intensity, color);

  // Direction of travel, and the shadow ray from the spot back to the light.
  Ray shadow;
  shadow.origin = spot;
  Vec3 travel;
  if (l.type == LightType::Distant) {
    travel = Normalized(l.direction);
    shadow.tMax = std::numeric_limits<double>::infinity();
  } else {
    const Vec3 toSpot = spot - l.position;
    travel = Normalized(toSpot);
    shadow.tMax = Length(toSpot);
  }
  Store(travel, direction);
  if (!l.shadows) return true;
  shadow.direction = -travel;
  shadow.tMin = ShadowOffset(spot);
  if (!(shadow.tMax > shadow.tMin)) return true;
  return !Occluded(scene, shadow);
}

}  // namespace standin
