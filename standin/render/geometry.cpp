// Ray intersection with the analytic shapes (meshes through the scene's
// mesh tracer), and the values of wired inputs at a hit.
#include "standin/render/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace standin {
namespace {

// A candidate hit in the object's local frame.
struct LocalHit {
  double t;
  Vec3 local;  // hit point relative to the object's centre, local frame
};

// The roots of a t^2 + 2 b t + c = 0 in order, the nearer one from the
// numerically stable form; false when there are none.
bool QuadraticRoots(double a, double b, double c, double* t0, double* t1) {
  const double disc = b * b - a * c;
  if (!(disc >= 0.0) || !(a > 0.0)) return false;
  const double root = std::sqrt(disc);
  const double q = b >= 0.0 ? -(b + root) : -(b - root);
  *t0 = q / a;
  *t1 = q != 0.0 ? c / q : *t0;
  if (*t0 > *t1) std::swap(*t0, *t1);
  return true;
}

// Nearest root of |o + t d|^2 = r^2 within [tMin, tMax].
bool HitSphere(Vec3 o, Vec3 d, double r, double tMin, double tMax,
               LocalHit* out) {
  double t0, t1;
  if (!QuadraticRoots(Dot(d, d), Dot(o, d), Dot(o, o) - r * r, &t0, &t1)) return false;
  for (double t : {t0, t1}) {
    if (t >= tMin && t <= tMax) {
      *out = {t, o + d * t};
      return true;
    }
  }
  return false;
}

// Crossing of the local plane z = 0 within [tMin, tMax].
bool HitLocalPlane(Vec3 o, Vec3 d, double tMin, double tMax, LocalHit* out) {
  if (d.z == 0.0) return false;
  const double t = -o.z / d.z;
  if (!(t >= tMin && t <= tMax)) return false;
  Vec3 p = o + d * t;
  p.z = 0.0;
  *out = {t, p};
  return true;
}

// Nearest crossing of the open tube x^2 + z^2 = r^2, |y| <= height / 2.
bool HitCylinder(Vec3 o, Vec3 d, double r, double height, double tMin, double tMax,
                 LocalHit* out) {
  const double a = d.x * d.x + d.z * d.z;
  const double b = o.x * d.x + o.z * d.z;
  const double c = (o.x * o.x + o.z * o.z) - r * r;
  double t0, t1;
  if (!QuadraticRoots(a, b, c, &t0, &t1)) return false;
  for (double t : {t0, t1}) {
    const Vec3 p = o + d * t;
    if (t >= tMin && t <= tMax && std::abs(p.y) <= 0.5 * height) {
      *out = {t, p};
      return true;
    }
  }
  return false;
}

// The torus's implicit function, negative inside the tube.
double TorusFunction(Vec3 p, double ring, double tube) {
  const double k = Dot(p, p) + ring * ring - tube * tube;
  return k * k - 4.0 * ring * ring * (p.x * p.x + p.z * p.z);
}

// First crossing of the torus: the ray's span inside the bounding sphere is
// scanned in fixed steps for a change of sign, which is then bisected.
// Grazing rays that enter and leave the tube within one step miss it.
bool HitTorus(Vec3 o, Vec3 d, double ring, double tube, double tMin, double tMax,
              LocalHit* out) {
  LocalHit bound{};
  const double outer = ring + tube;
  const double dd = Dot(d, d);
  if (!(dd > 0.0)) return false;
  // Span of the bounding sphere along the ray.
  const double b = Dot(o, d) / dd;
  const double c = (Dot(o, o) - outer * outer) / dd;
  const double disc = b * b - c;
  if (!(disc >= 0.0)) return false;
  const double half = std::sqrt(disc);
  double t0 = std::max(tMin, -b - half);
  const double t1 = std::min(tMax, -b + half);
  if (!(t0 <= t1)) return false;
  constexpr int kSteps = 256;
  const double step = (t1 - t0) / kSteps;
  double f0 = TorusFunction(o + d * t0, ring, tube);
  for (int i = 1; i <= kSteps; ++i) {
    const double ta = t0 + step * (i - 1);
    double tb = i == kSteps ? t1 : t0 + step * i;
    const double fb = TorusFunction(o + d * tb, ring, tube);
    if ((f0 > 0.0) != (fb > 0.0) || f0 == 0.0) {
      double lo = ta, hi = tb;
      for (int k = 0; k < 64 && f0 != 0.0; ++k) {
        const double mid = 0.5 * (lo + hi);
        if ((TorusFunction(o + d * mid, ring, tube) > 0.0) == (f0 > 0.0)) lo = mid;
        else hi = mid;
      }
      bound.t = f0 == 0.0 ? ta : hi;
      bound.local = o + d * bound.t;
      *out = bound;
      return true;
    }
    f0 = fb;
  }
  return false;
}

bool HitObject(const Object& object, const Ray& ray, double tMax,
               LocalHit* out) {
  // Ray into the object's local frame (rotation only; size stays analytic).
  const Vec3 o = Apply(object.toLocal, ray.origin - object.position);
  const Vec3 d = Apply(object.toLocal, ray.direction);
  const double r = object.size;
  switch (object.shape) {
    case Shape::Sphere:
      return HitSphere(o, d, r, ray.tMin, tMax, out);
    case Shape::Disc:
      return HitLocalPlane(o, d, ray.tMin, tMax, out) &&
             out->local.x * out->local.x + out->local.y * out->local.y <= r * r;
    case Shape::Plane:
      return HitLocalPlane(o, d, ray.tMin, tMax, out) &&
             std::abs(out->local.x) <= r && std::abs(out->local.y) <= r;
    case Shape::Cylinder:
      return HitCylinder(o, d, r, object.height, ray.tMin, tMax, out);
    case Shape::Torus:
      return HitTorus(o, d, r, object.tube, ray.tMin, tMax, out);
    case Shape::Mesh:
      return false;  // traced by the scene's mesh tracer
  }
  return false;
}

Vec3 LocalNormal(const Object& object, Vec3 local) {
  switch (object.shape) {
    case Shape::Sphere: return Normalized(local);
    case Shape::Cylinder: return Normalized({local.x, 0.0, local.z});
    case Shape::Torus: {
      // Away from the nearest point of the ring.
      const double rho = std::sqrt(local.x * local.x + local.z * local.z);
      const double k = rho > 0.0 ? object.size / rho : 0.0;
      return Normalized({local.x - local.x * k, local.y, local.z - local.z * k});
    }
    default: return {0.0, 0.0, 1.0};
  }
}

// Direction of increasing u: around local Y for the round shapes, local X
// for the flat ones.
Vec3 LocalTangent(const Object& object, Vec3 local) {
  if (object.shape == Shape::Disc || object.shape == Shape::Plane) return {1.0, 0.0, 0.0};
  return Normalized({local.z, 0.0, -local.x});
}

double Around(Vec3 local) {
  return 0.5 + std::atan2(local.x, local.z) / (2.0 * std::numbers::pi);
}

void ObjectUv(const Object& object, Vec3 local, double uv[3]) {
  uv[2] = 0.0;
  switch (object.uvMode) {
    case UvMode::Planar:
      uv[0] = 0.5 + local.x / (2.0 * object.size);
      uv[1] = 0.5 + local.y / (2.0 * object.size);
      return;
    case UvMode::Spherical: {
      const double len = Length(local);
      const double y = len > 0.0 ? std::clamp(local.y / len, -1.0, 1.0) : 0.0;
      uv[0] = 0.5 + std::atan2(local.x, local.z) / (2.0 * std::numbers::pi);
      uv[1] = 0.5 + std::asin(y) / std::numbers::pi;
      return;
    }
    case UvMode::Constant:
      uv[0] = object.uvConstant[0];
      uv[1] = object.uvConstant[1];
      return;
    case UvMode::Cylindrical:
      uv[0] = Around(local);
      uv[1] = 0.5 + local.y / object.height;
      return;
    case UvMode::Toroidal: {
      const double rho = std::sqrt(local.x * local.x + local.z * local.z);
      uv[0] = Around(local);
      uv[1] = 0.5 + std::atan2(local.y, rho - object.size) / (2.0 * std::numbers::pi);
      return;
    }
    case UvMode::Mesh:
      uv[0] = uv[1] = 0.0;  // filled from the mesh hit
      return;
  }
}

void FillFrame(const Object& object, int index, const LocalHit& local, Hit* hit) {
  std::copy(object.toWorld.begin(), object.toWorld.end(), hit->toWorld);
  std::copy(object.toLocal.begin(), object.toLocal.end(), hit->toLocal);
  Store(local.local, hit->localPosition);
  hit->object = index;
  hit->distance = local.t;
}

void FillHit(const Object& object, int index, const Ray& ray,
             const LocalHit& local, Hit* hit) {
  // World position along the ray; the normal from the local frame.
  Store(ray.origin + ray.direction * local.t, hit->position);
  Vec3 normal = Normalized(Apply(object.toWorld, LocalNormal(object, local.local)));
  if (Dot(normal, ray.direction) > 0.0) normal = -normal;
  Store(normal, hit->normal);
  ObjectUv(object, local.local, hit->uv);
  Store(Apply(object.toWorld, LocalTangent(object, local.local)), hit->tangent);
  FillFrame(object, index, local, hit);
}

void FillMeshHit(const Object& object, const Ray& ray, const MeshHit& mesh, Hit* hit) {
  // The local position from the world one, as for the analytic shapes.
  const Vec3 world = ray.origin + ray.direction * mesh.t;
  Store(world, hit->position);
  const LocalHit local{mesh.t, Apply(object.toLocal, world - object.position)};
  // Smooth normal, turned with the triangle to face the ray.
  const bool back = Dot(Apply(object.toWorld, mesh.geometricNormal), ray.direction) > 0.0;
  const Vec3 normal = Normalized(Apply(object.toWorld, mesh.normal));
  Store(back ? -normal : normal, hit->normal);
  ObjectUv(object, local.local, hit->uv);
  if (object.uvMode == UvMode::Mesh) {
    hit->uv[0] = mesh.uv[0];
    hit->uv[1] = mesh.uv[1];
  }
  Store(Apply(object.toWorld, mesh.tangent), hit->tangent);
  FillFrame(object, mesh.object, local, hit);
}

}  // namespace

bool Intersect(const Scene& scene, const Ray& ray, Hit* hit) {
  double nearest = ray.tMax;
  int found = -1;
  LocalHit best{};
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    LocalHit candidate{};
    if (HitObject(scene.objects[i], ray, nearest, &candidate)) {
      nearest = candidate.t;
      best = candidate;
      found = static_cast<int>(i);
    }
  }
  MeshHit mesh;
  if (scene.meshes && scene.meshes->Intersect(ray, nearest, &mesh) && mesh.t <= nearest &&
      mesh.object >= 0 && static_cast<size_t>(mesh.object) < scene.objects.size()) {
    FillMeshHit(scene.objects[static_cast<size_t>(mesh.object)], ray, mesh, hit);
    return true;
  }
  if (found < 0) return false;
  FillHit(scene.objects[static_cast<size_t>(found)], found, ray, best, hit);
  return true;
}

bool Occluded(const Scene& scene, const Ray& ray) {
  LocalHit ignored{};
  return std::any_of(scene.objects.begin(), scene.objects.end(),
                     [&](const Object& object) {
                       return HitObject(object, ray, ray.tMax, &ignored);
                     }) ||
         (scene.meshes && scene.meshes->Occluded(ray));
}

void EvaluateSource(const InputSource& source, const Hit& hit, double out[3]) {
  const double* from = nullptr;
  switch (source.kind) {
    case SourceKind::Number:
      out[0] = source.value[0];
      out[1] = out[2] = 0.0;
      return;
    case SourceKind::U:
    case SourceKind::V:
      out[0] = hit.uv[source.kind == SourceKind::U ? 0 : 1];
      out[1] = out[2] = 0.0;
      return;
    case SourceKind::Vector: from = source.value.data(); break;
    case SourceKind::Uv: from = hit.uv; break;
    case SourceKind::Position: from = hit.position; break;
    case SourceKind::Normal: from = hit.normal; break;
    case SourceKind::LocalPosition: from = hit.localPosition; break;
    case SourceKind::Tangent: from = hit.tangent; break;
    case SourceKind::LocalNormal:
    case SourceKind::LocalTangent: {
      Mat3 toLocal;
      std::copy(hit.toLocal, hit.toLocal + 9, toLocal.begin());
      const double* world = source.kind == SourceKind::LocalNormal ? hit.normal : hit.tangent;
      Store(Apply(toLocal, Load(world)), out);
      return;
    }
    case SourceKind::Image:
      out[0] = out[1] = out[2] = 0.0;
      if (source.image && source.image->texture) {
        SampleImage(source.image->binding, *source.image->texture, hit.uv[0], hit.uv[1], out);
      }
      return;
  }
  std::copy(from, from + 3, out);
}

}  // namespace standin
