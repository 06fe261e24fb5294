// Ray casting against the scene's analytic objects.
#pragma once

#include <limits>

#include "standin/render/scene.h"
#include "standin/render/vec3.h"

namespace standin {

// A ray origin + t * direction for t in [tMin, tMax]. The direction need not
// be unit length; Hit::distance is then in units of it.
struct Ray {
  Vec3 origin;
  Vec3 direction{0.0, 0.0, -1.0};
  double tMin = 0.0;
  double tMax = std::numeric_limits<double>::infinity();
};

// The nearest surface a ray meets. All vectors in world space unless said.
struct Hit {
  double position[3];  // world position of the spot
  // Unit surface normal, turned to face the ray's origin: a disc or plane
  // seen from behind reports its back face's normal.
  double normal[3];
  double uv[3];        // (u, v, 0), see UvMode
  // Unit world direction of increasing u along the surface (a mesh file's
  // own tangents where it has them), or zero where there is none.
  double tangent[3];
  // The object's local frame, nine doubles row by row, M times a column
  // vector: toWorld takes local directions to world, toLocal is its
  // inverse (both pure rotations, so each is the other's transpose).
  double toWorld[9];
  double toLocal[9];
  double localPosition[3];  // position relative to the object's centre, local
  int object;               // index into Scene::objects
  double distance;          // ray parameter t of the hit
};

// A hit on a mesh as its tracer reports it, in the object's local frame.
struct MeshHit {
  int object = -1;         // index into Scene::objects
  double t = 0.0;          // ray parameter
  Vec3 normal;             // unit shading normal (smooth), not yet facing the ray
  Vec3 geometricNormal;    // the triangle's own normal, decides the facing
  Vec3 tangent;            // unit tangent, or zero
  double uv[2] = {0.0, 0.0};
};

// Traces the scene's mesh objects (built by LoadSceneAssets, which needs the
// renderer's libraries); the analytic shapes are traced here. Safe to call
// from several threads at once.
class MeshTracer {
 public:
  virtual ~MeshTracer() = default;
  // Nearest mesh hit with t in [ray.tMin, tMax].
  virtual bool Intersect(const Ray& ray, double tMax, MeshHit* hit) const = 0;
  // Whether any mesh lies on the ray within [ray.tMin, ray.tMax].
  virtual bool Occluded(const Ray& ray) const = 0;
};

// Finds the nearest hit with t in [ray.tMin, ray.tMax]. Returns false (and
// leaves *hit untouched) when the ray meets nothing.
bool Intersect(const Scene& scene, const Ray& ray, Hit* hit);

// Whether any object lies on the ray within [ray.tMin, ray.tMax].
bool Occluded(const Scene& scene, const Ray& ray);

// The value a wired input yields at `hit`. Scalar kinds write out[0] and set
// out[1], out[2] to 0.
void EvaluateSource(const InputSource& source, const Hit& hit, double out[3]);

}  // namespace standin
