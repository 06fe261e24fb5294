// Embree scenes of the meshes, and the attributes of their hits.
#include "standin/assets/mesh_tracer.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "standin/assets/asset_error.h"
#include "standin/assets/triangle_hit.h"

namespace standin {
namespace {

struct Placed {
  int object;
  Mesh mesh;                 // in the file's frame and units
  std::vector<float> world;  // its positions placed in the scene, x, y, z
  float pad = 0.0f;          // how far the triangles' boxes reach past them
};

const float* Corner(const Placed& placed, unsigned primID, int k) {
  return placed.world.data() + 3 * placed.mesh.indices[3 * static_cast<size_t>(primID) + static_cast<size_t>(k)];
}

// Embree finds the triangles a ray's path crosses the boxes of; the ray
// meets them through HitTriangle, so that none slips between two.
void Bounds(const RTCBoundsFunctionArguments* args) {
  const auto& placed = *static_cast<const Placed*>(args->geometryUserPtr);
  float low[3], high[3];
  for (int k = 0; k < 3; ++k) {
    const float a = Corner(placed, args->primID, 0)[k], b = Corner(placed, args->primID, 1)[k],
                c = Corner(placed, args->primID, 2)[k];
    low[k] = std::min({a, b, c}) - placed.pad;
    high[k] = std::max({a, b, c}) + placed.pad;
  }
  *args->bounds_o = RTCBounds{low[0], low[1], low[2], 0.0f, high[0], high[1], high[2], 0.0f};
}

// The ray's hit on triangle primID within (tnear, tfar), if any.
bool Meet(const Placed& placed, unsigned primID, const RTCRay& ray, TriangleHit* hit) {
  const double origin[3] = {ray.org_x, ray.org_y, ray.org_z};
  const double direction[3] = {ray.dir_x, ray.dir_y, ray.dir_z};
  return HitTriangle(origin, direction, Corner(placed, primID, 0), Corner(placed, primID, 1),
                     Corner(placed, primID, 2), hit) &&
         hit->t >= ray.tnear && hit->t <= ray.tfar;
}

void IntersectTriangle(const RTCIntersectFunctionNArguments* args) {
  if (args->N != 1 || args->valid[0] == 0) return;
  auto* rh = reinterpret_cast<RTCRayHit*>(args->rayhit);
  TriangleHit hit;
  if (!Meet(*static_cast<const Placed*>(args->geometryUserPtr), args->primID, rh->ray, &hit)) return;
  rh->ray.tfar = static_cast<float>(hit.t);
  rh->hit.u = static_cast<float>(hit.b1);
  rh->hit.v = static_cast<float>(hit.b2);
  rh->hit.primID = args->primID;
  rh->hit.geomID = args->geomID;
  rh->hit.instID[0] = args->context->instID[0];
}

void OccludedTriangle(const RTCOccludedFunctionNArguments* args) {
  if (args->N != 1 || args->valid[0] == 0) return;
  auto* ray = reinterpret_cast<RTCRay*>(args->ray);
  TriangleHit hit;
  if (Meet(*static_cast<const Placed*>(args->geometryUserPtr), args->primID, *ray, &hit))
    ray->tfar = -std::numeric_limits<float>::infinity();
}

Vec3 At(const std::vector<float>& values, size_t vertex) {
  const float* p = values.data() + 3 * vertex;
  return {p[0], p[1], p[2]};
}

// Barycentric mix of a per-vertex attribute of `width` floats.
Vec3 Mix(const std::vector<float>& values, size_t width, const uint32_t* v, double b1, double b2) {
  const double b0 = 1.0 - b1 - b2;
  Vec3 out;
  double* o = &out.x;
  for (size_t k = 0; k < std::min<size_t>(width, 3); ++k) {
    o[k] = (values[width * v[0] + k] * b0 + values[width * v[1] + k] * b1) +
           values[width * v[2] + k] * b2;
  }
  return out;
}

// Direction of increasing u across the triangle, or zero without UVs.
Vec3 UvTangent(const Mesh& mesh, const uint32_t* v) {
  if (mesh.uvs.empty()) return {};
  const Vec3 p0 = At(mesh.positions, v[0]);
  const Vec3 e1 = At(mesh.positions, v[1]) - p0, e2 = At(mesh.positions, v[2]) - p0;
  const float* t0 = &mesh.uvs[2 * v[0]];
  const float* t1 = &mesh.uvs[2 * v[1]];
  const float* t2 = &mesh.uvs[2 * v[2]];
  const double du1 = t1[0] - t0[0], dv1 = t1[1] - t0[1];
  const double du2 = t2[0] - t0[0], dv2 = t2[1] - t0[1];
  const double det = du1 * dv2 - du2 * dv1;
  if (det == 0.0) return {};
  return (e1 * dv2 - e2 * dv1) * (1.0 / det);
}

class EmbreeTracer final : public MeshTracer {
 public:
  EmbreeTracer(const Scene& scene, std::vector<std::pair<int, Mesh>> meshes) {
    device_ = rtcNewDevice(nullptr);
    if (device_ == nullptr) throw AssetError("cannot start Embree");
    try {
      scene_ = rtcNewScene(device_);
      rtcSetSceneFlags(scene_, RTC_SCENE_FLAG_ROBUST);
      placed_.reserve(meshes.size());
      for (auto& [object, mesh] : meshes) {
        placed_.push_back({object, std::move(mesh), {}});
        Place(scene.objects[static_cast<size_t>(object)], placed_.back());
      }
      const float pad = BoxPad(scene);
      for (size_t i = 0; i < placed_.size(); ++i) {
        placed_[i].pad = pad;
        Add(static_cast<unsigned>(i), placed_[i]);
      }
      rtcCommitScene(scene_);
      const RTCError error = rtcGetDeviceError(device_);
      if (error != RTC_ERROR_NONE) {
        throw AssetError("Embree cannot build the meshes (error " + std::to_string(error) + ")");
      }
    } catch (...) {
      Release();
      throw;
    }
  }

  ~EmbreeTracer() override { Release(); }
  EmbreeTracer(const EmbreeTracer&) = delete;
  EmbreeTracer& operator=(const EmbreeTracer&) = delete;

  bool Intersect(const Ray& ray, double tMax, MeshHit* hit) const override {
    RTCRayHit rh = ToRay(ray, ray.tMin, tMax);
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    rtcIntersect1(scene_, &context, &rh);
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;
    const Placed& placed = placed_[rh.hit.geomID];
    Describe(placed, rh.hit.primID, rh.hit.u, rh.hit.v, hit);
    hit->t = ExactDistance(rh.hit.geomID, rh.hit.primID, ray, rh.ray.tfar);
    hit->t = std::clamp(hit->t, ray.tMin, tMax);
    return true;
  }

  bool Occluded(const Ray& ray) const override {
    const Vec3 o = ray.origin;
    const double scale = std::max({std::abs(o.x), std::abs(o.y), std::abs(o.z), 1.0});
    const double length = Length(ray.direction);
    if (!(length > 0.0)) return false;
    RTCRayHit rh = ToRay(ray, std::max(ray.tMin, 1e-5 * scale / length), ray.tMax);
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    rtcOccluded1(scene_, &context, &rh.ray);
    return rh.ray.tfar < 0.0f;
  }

 private:
  // World positions: size, then rotation, then position.
  static void Place(const Object& object, Placed& placed) {
    const Mesh& mesh = placed.mesh;
    placed.world.resize(3 * mesh.VertexCount());
    for (size_t i = 0; i < mesh.VertexCount(); ++i) {
      const Vec3 w = object.position + Apply(object.toWorld, At(mesh.positions, i) * object.size);
      placed.world[3 * i] = static_cast<float>(w.x);
      placed.world[3 * i + 1] = static_cast<float>(w.y);
      placed.world[3 * i + 2] = static_cast<float>(w.z);
    }
  }

  // Embree's box tests round in single precision, by up to a few units in
  // the last place of the largest coordinate a ray starts from or crosses
  // (the camera, any object's surface); boxes reach this far past their
  // triangles so that rounding never skips one the ray meets.
  float BoxPad(const Scene& scene) const {
    const auto largest = [](Vec3 v) { return std::max({std::abs(v.x), std::abs(v.y), std::abs(v.z)}); };
    double scale = std::max(largest(scene.camera.position), 1e-30);
    for (const Object& object : scene.objects)
      scale = std::max(scale, largest(object.position) + 2.0 * object.size + object.height + object.tube);
    for (const Placed& placed : placed_)
      for (float v : placed.world) scale = std::max(scale, static_cast<double>(std::abs(v)));
    return static_cast<float>(1e-5 * scale);
  }

  void Add(unsigned id, Placed& placed) {
    RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_USER);
    rtcSetGeometryUserPrimitiveCount(geometry, static_cast<unsigned>(placed.mesh.TriangleCount()));
    rtcSetGeometryUserData(geometry, &placed);
    rtcSetGeometryBoundsFunction(geometry, Bounds, nullptr);
    rtcSetGeometryIntersectFunction(geometry, IntersectTriangle);
    rtcSetGeometryOccludedFunction(geometry, OccludedTriangle);
    rtcCommitGeometry(geometry);
    rtcAttachGeometryByID(scene_, geometry, id);
    rtcReleaseGeometry(geometry);
  }

  static RTCRayHit ToRay(const Ray& ray, double tNear, double tFar) {
    RTCRayHit rh{};
    rh.ray.org_x = static_cast<float>(ray.origin.x);
    rh.ray.org_y = static_cast<float>(ray.origin.y);
    rh.ray.org_z = static_cast<float>(ray.origin.z);
    rh.ray.dir_x = static_cast<float>(ray.direction.x);
    rh.ray.dir_y = static_cast<float>(ray.direction.y);
    rh.ray.dir_z = static_cast<float>(ray.direction.z);
    rh.ray.tnear = static_cast<float>(std::max(tNear, 0.0));
    rh.ray.tfar = std::isfinite(tFar) ? static_cast<float>(tFar) : std::numeric_limits<float>::infinity();
    rh.ray.mask = 0xffffffffu;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rh.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    return rh;
  }

  // The ray's distance to the triangle's plane in double precision; the
  // single-precision one when the ray runs along the plane.
  double ExactDistance(unsigned geomID, unsigned primID, const Ray& ray, float tFar) const {
    const Placed& placed = placed_[geomID];
    const float* c0 = Corner(placed, primID, 0);
    const float* c1 = Corner(placed, primID, 1);
    const float* c2 = Corner(placed, primID, 2);
    const Vec3 p0{c0[0], c0[1], c0[2]}, p1{c1[0], c1[1], c1[2]}, p2{c2[0], c2[1], c2[2]};
    const Vec3 n = Cross(p1 - p0, p2 - p0);
    const double along = Dot(ray.direction, n);
    if (along == 0.0) return tFar;
    const double t = Dot(p0 - ray.origin, n) / along;
    return std::isfinite(t) ? t : tFar;
  }

  static void Describe(const Placed& placed, unsigned primID, float u, float v, MeshHit* hit) {
    const Mesh& mesh = placed.mesh;
    const uint32_t* corner = mesh.indices.data() + 3 * static_cast<size_t>(primID);
    const Vec3 p0 = At(mesh.positions, corner[0]);
    hit->object = placed.object;
    hit->geometricNormal = Normalized(Cross(At(mesh.positions, corner[1]) - p0, At(mesh.positions, corner[2]) - p0));
    hit->normal = Normalized(Mix(mesh.normals, 3, corner, u, v));
    if (Length(hit->normal) == 0.0) hit->normal = hit->geometricNormal;
    if (!mesh.uvs.empty()) {
      const Vec3 uv = Mix(mesh.uvs, 2, corner, u, v);
      hit->uv[0] = uv.x;
      hit->uv[1] = uv.y;
    }
    // The file's tangent or the UV's, made perpendicular to the normal.
    const Vec3 t = mesh.tangents.empty() ? UvTangent(mesh, corner) : Mix(mesh.tangents, 4, corner, u, v);
    hit->tangent = Normalized(t - hit->normal * Dot(t, hit->normal));
  }

  void Release() {
    if (scene_ != nullptr) rtcReleaseScene(scene_);
    if (device_ != nullptr) rtcReleaseDevice(device_);
    scene_ = nullptr;
    device_ = nullptr;
  }

  RTCDevice device_ = nullptr;
  RTCScene scene_ = nullptr;
  std::vector<Placed> placed_;
};

}  // namespace

std::shared_ptr<const MeshTracer> BuildMeshTracer(const Scene& scene,
                                                  std::vector<std::pair<int, Mesh>> meshes) {
  return std::make_shared<const EmbreeTracer>(scene, std::move(meshes));
}

}  // namespace standin
