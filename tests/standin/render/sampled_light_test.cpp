// Sampled lights converge to what they emit: the node's sum over samples
// of colour (radiance / pdf) must approach the integral of radiance over
// the light's visible solid angle. Each estimate is held to five standard
// errors of its own samples (fixed sequences, so the outcome never varies).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "standin/render/environment.h"
#include "standin/render/lighting.h"

namespace standin {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kSamples = 4096;

// Mean and standard error of one colour channel of IlluminateSpot over
// the pixel's kSamples samples (unreached samples count 0).
struct Estimate {
  double mean = 0.0;
  double error = 0.0;
};

Estimate Converge(const Scene& scene, Vec3 spot) {
  double p[3], d[3], c[3], sum = 0.0, squares = 0.0;
  Store(spot, p);
  for (int i = 0; i < kSamples; ++i) {
    // The first of the items the host lists the light as.
    const LightSample sample{3, 5, i, kSamples, 0, scene.lights[0].samples};
    const double v = IlluminateSpot(scene, 0, p, d, c, sample) ? c[1] : 0.0;
    sum += v;
    squares += v * v;
  }
  const double mean = sum / kSamples;
  const double variance = std::max(0.0, squares / kSamples - mean * mean);
  return {mean, std::sqrt(variance / kSamples)};
}

Texture Constant(int width, int height, float value) {
  return {width, height, 3, std::vector<float>(static_cast<size_t>(width * height * 3), value)};
}

TEST(SampledLight, ConstantEnvironmentOnABallGivesRadianceTimesTheHemisphere) {
  Scene scene;
  Object ball;
  ball.name = "Ball";
  PlaceObject(ball);
  scene.objects.push_back(ball);
  Light env;
  env.type = LightType::Environment;
  env.intensity = 0.5;  // radiance L = 1.5 x 0.5
  env.environment = MakeEnvironmentMap(Constant(64, 32, 1.5f), "constant");
  scene.lights.push_back(env);
  // The ball hides exactly the half of the sphere below each spot's tangent plane.
  for (Vec3 spot : {Vec3{0, 1, 0}, Vec3{0.6, 0, -0.8}, Vec3{0, -1, 0}}) {
    const Estimate e = Converge(scene, spot);
    EXPECT_NEAR(e.mean, 0.75 * 2.0 * kPi, 5.0 * e.error + 1e-3) << spot.x << " " << spot.z;
  }
}

struct AreaCase {
  LightType type;
  double halfAngle;  // degrees: disc rim, or rectangle half-extents seen from the spot
  int samples;
};

TEST(SampledLight, AreaLightsOnTheirAxisGiveRadianceTimesTheirSolidAngle) {
  for (const AreaCase& c : {AreaCase{LightType::Disc, 5.0, 1}, AreaCase{LightType::Disc, 45.0, 1},
                            AreaCase{LightType::Disc, 80.0, 4},
                            AreaCase{LightType::Rectangle, 30.0, 1}}) {
    Scene scene;
    Light light;
    light.type = c.type;
    light.position = {0, 0, 2};
    light.direction = {0, 0, -1};  // faces the spot at the origin
    light.color = {1, 3, 1};
    light.samples = c.samples;
    const double t = std::tan(c.halfAngle * kPi / 180.0);
    light.radius = 2.0 * t;
    light.size = {4.0 * t, 4.0 * t};
    scene.lights.push_back(light);
    const double a = c.halfAngle * kPi / 180.0;
    const double solidAngle = c.type == LightType::Disc
                                  ? 2.0 * kPi * (1.0 - std::cos(a))
                                  : 4.0 * std::asin(std::sin(a) * std::sin(a));
    const Estimate e = Converge(scene, {0, 0, 0});
    // One of `samples` items carries 1/samples of the light.
    EXPECT_NEAR(e.mean * c.samples, 3.0 * solidAngle, 5.0 * e.error * c.samples + 1e-9)
        << c.halfAngle;
    // Behind the light nothing arrives.
    double p[3] = {0, 0, 3}, d[3], col[3];
    EXPECT_FALSE(IlluminateSpot(scene, 0, p, d, col, {0, 0, 0, 1, 0, 1}));
  }
}

TEST(SampledLight, EnvironmentDirectionsFollowTheMapAndThePdfIntegratesToOne) {
  constexpr int kW = 16, kH = 8, kDraws = 40000;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  Texture texture = Constant(kW, kH, 0.0f);
  for (float& v : texture.data) v = static_cast<float>(uniform(random) * uniform(random) * 4.0);
  const auto map = MakeEnvironmentMap(texture, "random");
  // Chi-square of the texels drawn against the map's weights.
  std::vector<int> counts(kW * kH, 0);
  for (int i = 0; i < kDraws; ++i) {
    EnvironmentSample s;
    ASSERT_TRUE(SampleEnvironment(*map, uniform(random), uniform(random), &s));
    ASSERT_NEAR(EnvironmentPdf(*map, s.direction), s.pdf, 1e-6 * s.pdf);
    const int row = std::min(kH - 1, static_cast<int>(std::acos(s.direction.y) / kPi * kH));
    const double u = 0.5 + std::atan2(s.direction.x, -s.direction.z) / (2 * kPi);
    ++counts[static_cast<size_t>(row * kW + std::min(kW - 1, static_cast<int>(u * kW)))];
  }
  double chi2 = 0.0;
  for (int j = 0; j < kH; ++j) {
    const double* cdf = &map->texelCdf[static_cast<size_t>(j * (kW + 1))];
    const double rowP = map->rowCdf[static_cast<size_t>(j + 1)] - map->rowCdf[static_cast<size_t>(j)];
    for (int i = 0; i < kW; ++i) {
      const double expected = kDraws * rowP * (cdf[i + 1] - cdf[i]);
      const double diff = counts[static_cast<size_t>(j * kW + i)] - expected;
      chi2 += diff * diff / expected;
    }
  }
  // 127 degrees of freedom: mean 127, standard deviation 16; 220 is past
  // the 1 - 1e-9 quantile.
  EXPECT_LT(chi2, 220.0);
  // The pdf over the sphere, on a grid finer than the texels.
  double integral = 0.0;
  constexpr int kT = 256, kP = 512;
  for (int j = 0; j < kT; ++j) {
    const double theta = (j + 0.5) / kT * kPi;
    for (int i = 0; i < kP; ++i) {
      const double phi = ((i + 0.5) / kP - 0.5) * 2 * kPi;
      const Vec3 d{std::sin(theta) * std::sin(phi), std::cos(theta), -std::sin(theta) * std::cos(phi)};
      integral += EnvironmentPdf(*map, d) * std::sin(theta) * (kPi / kT) * (2 * kPi / kP);
    }
  }
  EXPECT_NEAR(integral, 1.0, 1e-6);
}

TEST(SampledLight, SpotConeEndsWhereItsAngleSays) {
  Scene scene;
  Light spot;
  spot.type = LightType::Spot;
  spot.position = {0, 0, 0};
  spot.direction = {0, -1, 0};
  spot.coneAngle = 30.0;
  spot.softEdge = 10.0;
  scene.lights.push_back(spot);
  struct Case { double degrees; double falloff; };
  for (const Case c : {Case{0.0, 1.0}, Case{19.9, 1.0}, Case{25.0, 0.5}, Case{29.9, 0.0},
                       Case{30.1, 0.0}, Case{120.0, 0.0}}) {
    const double a = c.degrees * kPi / 180.0;
    double p[3] = {std::sin(a), -std::cos(a), 0.0}, d[3], col[3];
    const bool lit = IlluminateSpot(scene, 0, p, d, col);
    EXPECT_EQ(lit, c.degrees < 30.0) << c.degrees;
    EXPECT_NEAR(lit ? col[0] : 0.0, c.falloff, 1e-3) << c.degrees;
  }
}

TEST(SampledLight, BadEnvironmentMapsAreRefusedNamingTheTexel) {
  Texture t = Constant(4, 2, 1.0f);
  t.data[5] = std::nanf("");
  EXPECT_THROW(MakeEnvironmentMap(t, "m.exr"), std::invalid_argument);
  t.data[5] = -1.0f;
  EXPECT_THROW(MakeEnvironmentMap(t, "m.exr"), std::invalid_argument);
  EXPECT_THROW(MakeEnvironmentMap(Texture{}, "m.exr"), std::invalid_argument);
  // A black map lights nothing.
  EnvironmentSample s;
  EXPECT_FALSE(SampleEnvironment(*MakeEnvironmentMap(Constant(4, 2, 0.0f), "black"), 0.5, 0.5, &s));
}

}  // namespace
}  // namespace standin
