// Pinhole camera: primary rays through the image plane.
#pragma once

#include "standin/render/geometry.h"
#include "standin/render/scene.h"

namespace standin {

// The ray through image point (px, py) of a width x height image, in pixel
// units: (0, 0) is the top-left corner of the top-left pixel, (x + 0.5,
// y + 0.5) the centre of pixel (x, y). The direction is unit length; the
// vertical field of view is camera.fov, the horizontal one follows from the
// image's aspect ratio. A camera whose target equals its position, or whose
// up is parallel to the viewing direction, still gives finite rays (a
// fallback up vector is used).
Ray PrimaryRay(const Camera& camera, int width, int height, double px,
               double py);

// PrimaryRay for many points of one image: the camera's basis and image
// plane worked out once. At(px, py) gives the same bits as PrimaryRay.
class CameraRays {
 public:
  CameraRays(const Camera& camera, int width, int height);
  Ray At(double px, double py) const;

 private:
  Vec3 position_, forward_, right_, up_;
  int width_, height_;
  double halfWidth_, halfHeight_;
};

}  // namespace standin
