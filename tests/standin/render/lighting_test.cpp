// Scene lights: directions toward the spot, colours and shadow rays.
#include <gtest/gtest.h>

#include <cmath>

#include "standin/render/lighting.h"

namespace standin {
namespace {

// A distant light shining along `v`, or a point light at `v`.
Light MakeLight(LightType type, Vec3 v) {
  Light light;
  light.name = type == LightType::Distant ? "D" : "P";
  light.type = type;
  (type == LightType::Distant ? light.direction : light.position) = v;
  return light;
}
Light Distant(Vec3 direction) { return MakeLight(LightType::Distant, direction); }
Light Point(Vec3 position) { return MakeLight(LightType::Point, position); }

Object Ball(Vec3 position, double size) {
  Object ball;
  ball.name = "Ball";
  ball.position = position;
  ball.size = size;
  PlaceObject(ball);
  return ball;
}

struct Lit {
  bool reaches;
  Vec3 direction;
  Vec3 color;
};

Lit Illuminate(const Scene& scene, int light, Vec3 spot) {
  double p[3], d[3], c[3];
  Store(spot, p);
  const bool reaches = IlluminateSpot(scene, light, p, d, c);
  return {reaches, Load(d), Load(c)};
}

TEST(Illuminate, DistantLightGivesItsUnitDirectionOfTravel) {
  Scene scene;
  scene.lights.push_back(Distant({0, -3, 4}));
  const Lit lit = Illuminate(scene, 0, {10, 20, 30});
  EXPECT_TRUE(lit.reaches);
  EXPECT_DOUBLE_EQ(lit.direction.y, -0.6);
  EXPECT_DOUBLE_EQ(lit.direction.z, 0.8);
}

TEST(Illuminate, PointLightPointsFromTheLightTowardTheSpot) {
  Scene scene;
  scene.lights.push_back(Point({0, 10, 0}));
  const Lit lit = Illuminate(scene, 0, {0, 0, 0});
  EXPECT_EQ(lit.direction.x, 0.0);
  EXPECT_EQ(lit.direction.y, -1.0);
  EXPECT_EQ(lit.direction.z, 0.0);
  const Lit at = Illuminate(scene, 0, {0, 10, 0});
  EXPECT_TRUE(at.reaches) << "a light at the spot reaches it";
  EXPECT_EQ(Length(at.direction), 0.0) << "and its direction stays zero";
}

TEST(Illuminate, ColourIsColourTimesIntensityWithoutFalloff) {
  Scene scene;
  Light light = Point({0, 0, 100});
  light.color = {1.0, 0.5, 0.25};
  light.intensity = 2.0;
  scene.lights.push_back(light);
  for (double z : {0.0, 50.0, 99.0}) {
    const Lit lit = Illuminate(scene, 0, {0, 0, z});
    EXPECT_EQ(lit.color.x, 2.0) << "z " << z;
    EXPECT_EQ(lit.color.y, 1.0) << "z " << z;
    EXPECT_EQ(lit.color.z, 0.5) << "z " << z;
  }
}

TEST(Illuminate, ObjectsBetweenLightAndSpotCastShadows) {
  Scene scene;
  scene.objects.push_back(Ball({0, 5, 0}, 1.0));
  scene.lights.push_back(Point({0, 10, 0}));
  scene.lights.push_back(Distant({0, -1, 0}));
  scene.lights.push_back(Point({0, 3, 0}));  // between the ball and the spot
  EXPECT_FALSE(Illuminate(scene, 0, {0, 0, 0}).reaches);
  EXPECT_FALSE(Illuminate(scene, 1, {0, 0, 0}).reaches);
  EXPECT_TRUE(Illuminate(scene, 2, {0, 0, 0}).reaches) << "nothing between";
  EXPECT_TRUE(Illuminate(scene, 0, {3, 0, 0}).reaches) << "the shadow ray passes beside";
  // Shadows off: the ball no longer blocks, the answer is otherwise the same.
  scene.lights[0].shadows = false;
  const Lit lit = Illuminate(scene, 0, {0, 0, 0});
  EXPECT_TRUE(lit.reaches);
  EXPECT_EQ(lit.direction.y, -1.0);
}

TEST(Illuminate, ASurfaceDoesNotShadowItselfButItsFarSideIsDark) {
  Scene scene;
  scene.objects.push_back(Ball({0, 0, 0}, 1.0));
  scene.lights.push_back(Distant({0, -1, 0}));
  // Spots on the sphere, computed like a renderer's hits: lit on top, dark below.
  for (double a = 0.1; a < 3.1; a += 0.2) {
    const Vec3 spot{std::sin(a), std::cos(a), 0.0};
    EXPECT_EQ(Illuminate(scene, 0, spot).reaches, spot.y > 0.0) << "angle " << a;
  }
}

TEST(Illuminate, LightIndexOutOfRangeReachesNothing) {
  Scene scene;
  scene.lights.push_back(Distant({0, -1, 0}));
  for (int index : {-1, 1, 99}) {
    const Lit lit = Illuminate(scene, index, {0, 0, 0});
    EXPECT_FALSE(lit.reaches) << index;
    EXPECT_EQ(Length(lit.color), 0.0) << index;
  }
}

TEST(Exclusion, AnswersPerLightAndObject) {
  Scene scene;
  scene.objects.push_back(Ball({0, 0, 0}, 1.0));
  Object other = Ball({3, 0, 0}, 1.0);
  other.name = "Other";
  scene.objects.push_back(other);
  Light light = Distant({0, -1, 0});
  light.excludedFrom = {"Other"};
  scene.lights.push_back(light);
  EXPECT_FALSE(IsExcluded(scene, 0, 0));
  EXPECT_TRUE(IsExcluded(scene, 0, 1));
  EXPECT_FALSE(IsExcluded(scene, 0, 2));
  EXPECT_FALSE(IsExcluded(scene, 1, 1));
}

}  // namespace
}  // namespace standin
