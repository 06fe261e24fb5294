// Scene lights reaching a spot, with shadow rays.
#include "standin/render/lighting.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "standin/render/environment.h"
#include "standin/render/geometry.h"

namespace standin {
namespace {

constexpr double kPi = std::numbers::pi;

// Start of a shadow ray: far enough from the spot to miss its own surface.
double ShadowOffset(Vec3 p) {
  const double scale = std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z), 1.0});
  return std::max(1e-7 * scale, 1e-9);
}

// Where a light's answer comes from: the way back toward the light from
// the spot (unit), how far, and the colour.
struct Arrival {
  Vec3 toLight;
  double distance = 0.0;
  Vec3 color;
};

// Two unit vectors completing `n` (unit) to a right-handed frame; the
// first lies in the horizontal plane unless n is vertical.
void Complete(Vec3 n, Vec3* a, Vec3* b) {
  const Vec3 up = std::abs(n.y) < 0.999999 ? Vec3{0.0, 1.0, 0.0} : Vec3{0.0, 0.0, -1.0};
  *a = Normalized(Cross(up, n));
  *b = Cross(n, *a);
}

// A direction uniformly within the cone about `axis` whose half-angle has
// cosine cosMax; writes the density per unit solid angle.
Vec3 InCone(Vec3 axis, double oneMinusCos, double u1, double u2, double* pdf) {
  const double cosTheta = 1.0 - u1 * oneMinusCos;
  const double sinTheta = std::sqrt(std::max(0.0, 1.0 - cosTheta * cosTheta));
  const double phi = 2.0 * kPi * u2;
  Vec3 a, b;
  Complete(axis, &a, &b);
  *pdf = 1.0 / (2.0 * kPi * oneMinusCos);
  return a * (sinTheta * std::cos(phi)) + b * (sinTheta * std::sin(phi)) + axis * cosTheta;
}

bool AreaArrival(const Light& l, Vec3 spot, double u1, double u2, int parts, Arrival* out) {
  const Vec3 n = Normalized(l.direction);
  if (!(Dot(spot - l.position, n) > 0.0)) return false;  // behind or in its plane
  const double bound = l.type == LightType::Disc
                           ? l.radius
                           : 0.5 * std::hypot(l.size[0], l.size[1]);
  const Vec3 toCentre = l.position - spot;
  const double d = Length(toCentre);
  const double s = bound / d;
  // 1 - cos of the bounding cone, without cancellation; 2: every direction.
  const double oneMinusCos = s < 1.0 ? s * s / (1.0 + std::sqrt(1.0 - s * s)) : 2.0;
  double pdf = 0.0;
  const Vec3 w = InCone(toCentre * (1.0 / d), oneMinusCos, u1, u2, &pdf);
  const double facing = Dot(w, n);
  if (!(facing < 0.0)) return false;
  const double t = Dot(l.position - spot, n) / facing;
  const Vec3 local = spot + w * t - l.position;
  Vec3 a, b;
  Complete(n, &a, &b);
  const double x = Dot(local, a), y = Dot(local, b);
  const bool inside = l.type == LightType::Disc
                          ? x * x + y * y <= l.radius * l.radius
                          : std::abs(x) <= 0.5 * l.size[0] && std::abs(y) <= 0.5 * l.size[1];
  if (!inside || !(t > 0.0)) return false;
  out->toLight = w;
  out->distance = t;
  out->color = l.color * (l.intensity / (pdf * parts));
  return true;
}

bool EnvironmentArrival(const Light& l, double u1, double u2, int parts, Arrival* out) {
  if (!l.environment) return false;
  EnvironmentSample s;
  if (!SampleEnvironment(*l.environment, u1, u2, &s)) return false;
  out->toLight = RotateY(s.direction, l.rotation);
  out->distance = std::numeric_limits<double>::infinity();
  out->color = Vec3{s.radiance.x * l.color.x, s.radiance.y * l.color.y,
                    s.radiance.z * l.color.z} * (l.intensity / (s.pdf * parts));
  return true;
}

bool Arrive(const Light& l, Vec3 spot, const LightSample& sample, Arrival* out) {
  out->color = l.color * l.intensity;
  if (l.type == LightType::Distant) {
    out->toLight = -Normalized(l.direction);
    out->distance = std::numeric_limits<double>::infinity();
    return true;
  }
  if (l.type == LightType::Point || l.type == LightType::Spot) {
    const Vec3 toSpot = spot - l.position;
    out->toLight = -Normalized(toSpot);
    out->distance = Length(toSpot);
    if (l.type == LightType::Point) return true;
    const double c = std::clamp(Dot(-out->toLight, Normalized(l.direction)), -1.0, 1.0);
    const double falloff = SpotFalloff(l, std::acos(c) * 180.0 / kPi);
    out->color = out->color * falloff;
    return falloff > 0.0;
  }
  double u1 = 0.0, u2 = 0.0;
  SamplePoint(sample, l.name, &u1, &u2);
  // Each of the light's items carries its share.
  const int parts = std::max(1, sample.parts);
  if (l.type == LightType::Environment) return EnvironmentArrival(l, u1, u2, parts, out);
  return AreaArrival(l, spot, u1, u2, parts, out);
}

}  // namespace

double SpotFalloff(const Light& light, double degrees) {
  if (!(degrees < light.coneAngle)) return 0.0;
  const double inner = light.coneAngle - light.softEdge;
  if (degrees <= inner) return 1.0;
  const double t = (light.coneAngle - degrees) / light.softEdge;
  return t * t * (3.0 - 2.0 * t);
}

bool IlluminateSpot(const Scene& scene, int light, const double position[3],
                    double direction[3], double color[3], const LightSample& sample) {
  std::fill(direction, direction + 3, 0.0);
  std::fill(color, color + 3, 0.0);
  if (light < 0 || static_cast<size_t>(light) >= scene.lights.size()) return false;
  const Light& l = scene.lights[static_cast<size_t>(light)];
  const Vec3 spot = Load(position);
  Arrival arrival;
  if (!Arrive(l, spot, sample, &arrival)) return false;
  Store(-arrival.toLight, direction);
  Store(arrival.color, color);
  if (!l.shadows) return true;
  Ray shadow;
  shadow.origin = spot;
  shadow.direction = arrival.toLight;
  shadow.tMin = ShadowOffset(spot);
  shadow.tMax = arrival.distance;
  if (!(shadow.tMax > shadow.tMin)) return true;
  return !Occluded(scene, shadow);
}

}  // namespace standin
