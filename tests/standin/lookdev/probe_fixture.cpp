#include "tests/standin/lookdev/probe_fixture.h"

#include <cmath>
#include <numbers>
#include <sstream>

namespace lookdev_test {

ProbeTest::ProbeTest()
    : module_(QUILLANE_MODULE),
      host_(module_),
      setup_(std::make_unique<standin::lookdev::ProbeSetup>(host_)) {}

ProbeNode ProbeTest::Node(const std::vector<std::string>& pairs,
                          const standin::lookdev::ProbeSetup::Wiring& inputs) {
  return setup_->AddNode(standin::lookdev::ParseSettings(pairs), inputs);
}

HostSpot SpotAt(Vec3 normal, const Mat3& toWorld) {
  HostSpot spot;
  standin::Store(normal, spot.info.normal);
  standin::Store(normal * 5.0, spot.info.raySource);
  const Mat3 toLocal = standin::Transposed(toWorld);
  for (size_t i = 0; i < 9; ++i) {
    spot.info.toWorld[i] = toWorld[i];
    spot.info.toLocal[i] = toLocal[i];
  }
  spot.info.rayTrace = standin::Host::RayTraceEntry();
  return spot;
}

Mat3 Rotation(Vec3 k, double degrees) {
  const double a = degrees * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a);
  const double t = 1.0 - c;
  return {t * k.x * k.x + c,       t * k.x * k.y - s * k.z, t * k.x * k.z + s * k.y,
          t * k.x * k.y + s * k.z, t * k.y * k.y + c,       t * k.y * k.z - s * k.x,
          t * k.x * k.z - s * k.y, t * k.y * k.z + s * k.x, t * k.z * k.z + c};
}

std::string Show(Vec3 v) {
  std::ostringstream out;
  out.precision(17);
  out << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  return out.str();
}

}  // namespace lookdev_test
