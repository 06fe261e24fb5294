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

CameraRays::CameraRays(const Camera& camera, int width, int height)
    : position_(camera.position), width_(width), height_(height) {
  const CameraBasis basis = Basis(camera);
  forward_ = basis.forward;
  right_ = basis.right;
  up_ = basis.up;
  // Image plane at distance 1: half-height from the vertical field of view.
  halfHeight_ = std::tan(camera.fov * std::numbers::pi / 360.0);
  halfWidth_ = halfHeight_ * width / height;
}

Ray CameraRays::At(double px, double py) const {
  const double sx = (2.0 * px / width_ - 1.0) * halfWidth_;
  const double sy = (1.0 - 2.0 * py / height_) * halfHeight_;
  Ray ray;
  ray.origin = position_;
  ray.direction = Normalized(forward_ + right_ * sx + up_ * sy);
  return ray;
}

Ray PrimaryRay(const Camera& camera, int width, int height, double px,
               double py) {
  return CameraRays(camera, width, height).At(px, py);
}

}  // namespace standin
