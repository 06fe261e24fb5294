// Pinhole camera rays.
#include "standin/render/camera.h"

#include <cmath>
#include <numbers>

namespace standin {
namespace {

// An orthonormal basis looking from the camera toward its target.
struct CameraBasis {
  Vec3 forward, right, up;
};

CameraBasis Basis(const Camera& camera) {
  Vec3 forward = Normalized(camera.target - camera.position);
  if (!(Length(forward) > 0.0)) forward = {0.0, 0.0, -1.0};
  Vec3 right = Normalized(Cross(forward, camera.up));
  // An up vector along the view falls back to world Y, then world Z.
  if (!(Length(right) > 0.0)) right = Normalized(Cross(forward, {0.0, 1.0, 0.0}));
  if (!(Length(right) > 0.0)) right = Normalized(Cross(forward, {0.0, 0.0, 1.0}));
  return {forward, right, Cross(right, forward)};
}

}  // namespace

Ray PrimaryRay(const Camera& camera, int width, int height, double px,
               double py) {
  const CameraBasis basis = Basis(camera);
  // Image plane at distance 1: half-height from the vertical field of view.
  const double halfHeight = std::tan(camera.fov * std::numbers::pi / 360.0);
  const double halfWidth = halfHeight * width / height;
  const double sx = (2.0 * px / width - 1.0) * halfWidth;
  const double sy = (1.0 - 2.0 * py / height) * halfHeight;
  Ray ray;
  ray.origin = camera.position;
  ray.direction = Normalized(basis.forward + basis.right * sx + basis.up * sy);
  return ray;
}

}  // namespace standin
