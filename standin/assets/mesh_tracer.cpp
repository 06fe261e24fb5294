// Embree scenes of the meshes, and the attributes of their hits.
#include "standin/assets/mesh_tracer.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "standin/assets/asset_error.h"

namespace standin {
namespace {

struct Placed {
  int object;
  Mesh mesh;  // in the file's frame and units
};

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
      for (auto& [object, mesh] : meshes) {
        Add(scene.objects[static_cast<size_t>(object)], static_cast<unsigned>(placed_.size()), mesh);
        placed_.push_back({object, std::move(mesh)});
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
  void Add(const Object& object, unsigned id, const Mesh& mesh) {
    RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
    auto* vertices = static_cast<float*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), mesh.VertexCount()));
    auto* indices = static_cast<unsigned*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), mesh.TriangleCount()));
    if (vertices == nullptr || indices == nullptr) {
      rtcReleaseGeometry(geometry);
      throw AssetError("Embree cannot hold a mesh of " + std::to_string(mesh.TriangleCount()) +
                       " triangles");
    }
    // World positions: size, then rotation, then position.
    for (size_t i = 0; i < mesh.VertexCount(); ++i) {
      const Vec3 w = object.position + Apply(object.toWorld, At(mesh.positions, i) * object.size);
      vertices[3 * i] = static_cast<float>(w.x);
      vertices[3 * i + 1] = static_cast<float>(w.y);
      vertices[3 * i + 2] = static_cast<float>(w.z);
    }
    std::copy(mesh.indices.begin(), mesh.indices.end(), indices);
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
    const RTCGeometry geometry = rtcGetGeometry(scene_, geomID);
    const auto* vertices = static_cast<const float*>(rtcGetGeometryBufferData(geometry, RTC_BUFFER_TYPE_VERTEX, 0));
    const uint32_t* v = placed_[geomID].mesh.indices.data() + 3 * static_cast<size_t>(primID);
    const Vec3 p0{vertices[3 * v[0]], vertices[3 * v[0] + 1], vertices[3 * v[0] + 2]};
    const Vec3 p1{vertices[3 * v[1]], vertices[3 * v[1] + 1], vertices[3 * v[1] + 2]};
    const Vec3 p2{vertices[3 * v[2]], vertices[3 * v[2] + 1], vertices[3 * v[2] + 2]};
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
