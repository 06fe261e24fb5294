// Ray intersection with spheres, discs and planes, and the values of wired
// inputs at a hit.
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

// Nearest root of |o + t d|^2 = r^2 within [tMin, tMax].
bool HitSphere(Vec3 o, Vec3 d, double r, double tMin, double tMax,
               LocalHit* out) {
  const double a = Dot(d, d);
  const double b = Dot(o, d);
  const double c = Dot(o, o) - r * r;
  const double disc = b * b - a * c;
  if (!(disc >= 0.0) || !(a > 0.0)) return false;
  // The two roots, the nearer one from the numerically stable form.
  const double root = std::sqrt(disc);
  const double q = b >= 0.0 ? -(b + root) : -(b - root);
  double t0 = q / a;
  double t1 = q != 0.0 ? c / q : t0;
  if (t0 > t1) std::swap(t0, t1);
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
  }
  return false;
}

Vec3 LocalNormal(const Object& object, Vec3 local) {
  if (object.shape == Shape::Sphere) return Normalized(local);
  return {0.0, 0.0, 1.0};
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
  }
}

void FillHit(const Object& object, int index, const Ray& ray,
             const LocalHit& local, Hit* hit) {
  // World position along the ray; the normal from the local frame.
  Store(ray.origin + ray.direction * local.t, hit->position);
  Vec3 normal = Normalized(Apply(object.toWorld, LocalNormal(object, local.local)));
  if (Dot(normal, ray.direction) > 0.0) normal = -normal;
  Store(normal, hit->normal);
  ObjectUv(object, local.local, hit->uv);
  std::copy(object.toWorld.begin(), object.toWorld.end(), hit->toWorld);
  std::copy(object.toLocal.begin(), object.toLocal.end(), hit->toLocal);
  Store(local.local, hit->localPosition);
  hit->object = index;
  hit->distance = local.t;
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
  if (found < 0) return false;
  FillHit(scene.objects[static_cast<size_t>(found)], found, ray, best, hit);
  return true;
}

bool Occluded(const Scene& scene, const Ray& ray) {
  LocalHit ignored{};
  return std::any_of(scene.objects.begin(), scene.objects.end(),
                     [&](const Object& object) {
                       return HitObject(object, ray, ray.tMax, &ignored);
                     });
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
    case SourceKind::LocalNormal: {
      Mat3 toLocal;
      std::copy(hit.toLocal, hit.toLocal + 9, toLocal.begin());
      Store(Apply(toLocal, Load(hit.normal)), out);
      return;
    }
  }
  std::copy(from, from + 3, out);
}

}  // namespace standin
