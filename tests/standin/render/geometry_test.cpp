// Ray intersection with each shape: hits, misses, UV and object frames.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "standin/render/camera.h"
#include "standin/render/geometry.h"

namespace standin {
namespace {

Scene OneObject(Shape shape, Vec3 position, Vec3 rotation, double size,
                UvMode uv = UvMode::Planar) {
  Scene scene;
  scene.objects.push_back(PlacedObject("O", shape, position, rotation, uv, size));
  return scene;
}

Ray RayFrom(Vec3 origin, Vec3 direction) {
  Ray ray;
  ray.origin = origin;
  ray.direction = Normalized(direction);
  return ray;
}

std::string Describe(const Hit& hit) {
  return "position (" + std::to_string(hit.position[0]) + ", " +
         std::to_string(hit.position[1]) + ", " + std::to_string(hit.position[2]) +
         ") normal (" + std::to_string(hit.normal[0]) + ", " +
         std::to_string(hit.normal[1]) + ", " + std::to_string(hit.normal[2]) + ")";
}

// Rows of a frame are unit length and mutually perpendicular, and toLocal
// undoes toWorld.
void ExpectOrthonormalFrame(const Hit& hit, const std::string& context) {
  for (int r = 0; r < 3; ++r) {
    for (int s = 0; s < 3; ++s) {
      double dot = 0.0, product = 0.0;
      for (int c = 0; c < 3; ++c) {
        dot += hit.toWorld[3 * r + c] * hit.toWorld[3 * s + c];
        product += hit.toLocal[3 * r + c] * hit.toWorld[3 * c + s];
      }
      const double identity = r == s ? 1.0 : 0.0;
      EXPECT_NEAR(dot, identity, 1e-12) << context << " rows " << r << "," << s;
      EXPECT_NEAR(product, identity, 1e-12) << context << " toLocal*toWorld " << r << "," << s;
    }
  }
}

TEST(Sphere, HitsAtTheNearSurfaceWithOutwardNormal) {
  const Scene scene = OneObject(Shape::Sphere, {1, 2, 3}, {}, 2.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({1, 2, 10}, {0, 0, -1}), &hit));
  EXPECT_DOUBLE_EQ(hit.position[2], 5.0) << Describe(hit);
  EXPECT_DOUBLE_EQ(hit.normal[2], 1.0) << Describe(hit);
  EXPECT_DOUBLE_EQ(hit.distance, 5.0);
  EXPECT_EQ(hit.object, 0);
}

TEST(Sphere, MissesBesideAndBehind) {
  const Scene scene = OneObject(Shape::Sphere, {0, 0, 0}, {}, 1.0);
  Hit hit;
  EXPECT_FALSE(Intersect(scene, RayFrom({1.01, 0, 5}, {0, 0, -1}), &hit));
  EXPECT_FALSE(Intersect(scene, RayFrom({0, 0, 5}, {0, 0, 1}), &hit));
  Ray limited = RayFrom({0, 0, 5}, {0, 0, -1});
  limited.tMax = 3.9;
  EXPECT_FALSE(Intersect(scene, limited, &hit));
}

TEST(Sphere, FromInsideHitsTheFarSideFacingTheRay) {
  const Scene scene = OneObject(Shape::Sphere, {0, 0, 0}, {}, 1.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({0, 0, 0}, {1, 0, 0}), &hit));
  EXPECT_DOUBLE_EQ(hit.position[0], 1.0);
  EXPECT_DOUBLE_EQ(hit.normal[0], -1.0) << "normals face the ray's origin";
}

TEST(Sphere, RandomRaysLandOnTheSurfaceWithUnitNormalsAndOrthonormalFrames) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const Vec3 centre{0.3, -0.2, 0.5};
  const Scene scene = OneObject(Shape::Sphere, centre, {20, 35, -50}, 1.5);
  int hits = 0;
  for (int i = 0; i < 500; ++i) {
    const Vec3 origin{u(rng) * 6, u(rng) * 6, 6 + u(rng)};
    const Vec3 aim = centre + Vec3{u(rng), u(rng), u(rng)} * 1.2;
    Hit hit;
    if (!Intersect(scene, RayFrom(origin, aim - origin), &hit)) continue;
    ++hits;
    const std::string context = "ray " + std::to_string(i) + ": " + Describe(hit);
    EXPECT_NEAR(Length(Load(hit.position) - centre), 1.5, 1e-9) << context;
    EXPECT_NEAR(Length(Load(hit.normal)), 1.0, 1e-12) << context;
    EXPECT_LT(Dot(Load(hit.normal), aim - origin), 0.0) << context;
    ExpectOrthonormalFrame(hit, context);
    // The local position is the world offset carried into the local frame.
    Mat3 toWorld;
    std::copy(hit.toWorld, hit.toWorld + 9, toWorld.begin());
    const Vec3 back = Apply(toWorld, Load(hit.localPosition)) + centre;
    EXPECT_NEAR(Length(back - Load(hit.position)), 0.0, 1e-9) << context;
  }
  EXPECT_GT(hits, 300);
}

TEST(Sphere, SphericalUvRunsFromTheBackAroundLocalY) {
  const Scene scene = OneObject(Shape::Sphere, {0, 0, 0}, {}, 1.0, UvMode::Spherical);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({0, 0, 5}, {0, 0, -1}), &hit));
  EXPECT_DOUBLE_EQ(hit.uv[0], 0.5);
  EXPECT_DOUBLE_EQ(hit.uv[1], 0.5);
  EXPECT_EQ(hit.uv[2], 0.0);
  ASSERT_TRUE(Intersect(scene, RayFrom({0, 5, 0}, {0, -1, 0}), &hit));
  EXPECT_DOUBLE_EQ(hit.uv[1], 1.0) << "the north pole";
  ASSERT_TRUE(Intersect(scene, RayFrom({5, 0, 0}, {-1, 0, 0}), &hit));
  EXPECT_DOUBLE_EQ(hit.uv[0], 0.75);
}

TEST(Disc, PlanarUvIsCentredAndScaledToTheRadius) {
  const Scene scene = OneObject(Shape::Disc, {2, 0, 0}, {}, 2.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({2, 0, 5}, {0, 0, -1}), &hit));
  EXPECT_DOUBLE_EQ(hit.uv[0], 0.5);
  EXPECT_DOUBLE_EQ(hit.uv[1], 0.5);
  ASSERT_TRUE(Intersect(scene, RayFrom({3, -1.5, 5}, {0, 0, -1}), &hit));
  EXPECT_DOUBLE_EQ(hit.uv[0], 0.75);
  EXPECT_DOUBLE_EQ(hit.uv[1], 0.125);
  EXPECT_FALSE(Intersect(scene, RayFrom({3.5, 1.5, 5}, {0, 0, -1}), &hit))
      << "inside the bounding square but outside the radius";
}

TEST(Disc, SeenFromBehindReportsTheBackFaceNormal) {
  const Scene scene = OneObject(Shape::Disc, {0, 0, 0}, {}, 1.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({0, 0, -5}, {0, 0, 1}), &hit));
  EXPECT_DOUBLE_EQ(hit.normal[2], -1.0);
  EXPECT_DOUBLE_EQ(hit.toWorld[8], 1.0) << "the frame stays the object's";
}

TEST(Disc, ParallelRayMisses) {
  const Scene scene = OneObject(Shape::Disc, {0, 0, 0}, {}, 1.0);
  Hit hit;
  EXPECT_FALSE(Intersect(scene, RayFrom({-5, 0, 0}, {1, 0, 0}), &hit));
}

TEST(Disc, RotationTurnsTheNormalAndTheFrame) {
  // A quarter turn about X takes local +Z to world -Y.
  const Scene scene = OneObject(Shape::Disc, {0, 0, 0}, {90, 0, 0}, 1.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({0.5, -5, 0.25}, {0, 1, 0}), &hit));
  EXPECT_NEAR(hit.normal[1], -1.0, 1e-12);
  EXPECT_NEAR(hit.toWorld[5], -1.0, 1e-12) << "row Y, column Z";
  ExpectOrthonormalFrame(hit, "rotated disc");
  // World (0.5, 0, 0.25) is local (0.5, 0.25, 0).
  EXPECT_NEAR(hit.uv[0], 0.75, 1e-12);
  EXPECT_NEAR(hit.uv[1], 0.625, 1e-12);
}

TEST(Plane, IsASquareOfHalfWidthSize) {
  const Scene scene = OneObject(Shape::Plane, {0, 0, 0}, {}, 1.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({0.99, 0.99, 5}, {0, 0, -1}), &hit));
  EXPECT_NEAR(hit.uv[0], 0.995, 1e-12);
  EXPECT_FALSE(Intersect(scene, RayFrom({1.01, 0, 5}, {0, 0, -1}), &hit));
  EXPECT_FALSE(Intersect(scene, RayFrom({0, -1.01, 5}, {0, 0, -1}), &hit));
}

TEST(Plane, RandomRotationsGiveOrthonormalFramesAndNormalsAlongLocalZ) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> angle(-180.0, 180.0);
  for (int i = 0; i < 100; ++i) {
    const Vec3 rotation{angle(rng), angle(rng), angle(rng)};
    const Scene scene = OneObject(Shape::Plane, {0, 0, 0}, rotation, 1.0);
    const Object& object = scene.objects[0];
    const Vec3 normal = Apply(object.toWorld, {0, 0, 1});
    const Vec3 origin = normal * 3.0;
    Hit hit;
    const std::string context = "rotation " + std::to_string(rotation.x) + ", " +
                                std::to_string(rotation.y) + ", " + std::to_string(rotation.z);
    ASSERT_TRUE(Intersect(scene, RayFrom(origin, -normal), &hit)) << context;
    EXPECT_NEAR(Dot(Load(hit.normal), normal), 1.0, 1e-12) << context;
    EXPECT_NEAR(hit.uv[0], 0.5, 1e-12) << context;
    ExpectOrthonormalFrame(hit, context);
  }
}

TEST(Scene, NearestObjectWins) {
  Scene scene = OneObject(Shape::Sphere, {0, 0, 0}, {}, 1.0);
  Scene front = OneObject(Shape::Disc, {0, 0, 2}, {}, 1.0);
  front.objects[0].name = "Front";
  scene.objects.push_back(front.objects[0]);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({0, 0, 5}, {0, 0, -1}), &hit));
  EXPECT_EQ(hit.object, 1);
  ASSERT_TRUE(Intersect(scene, RayFrom({0, 0, -5}, {0, 0, 1}), &hit));
  EXPECT_EQ(hit.object, 0);
  EXPECT_TRUE(Occluded(scene, RayFrom({0, 0, 5}, {0, 0, -1})));
  EXPECT_FALSE(Occluded(scene, RayFrom({0, 3, 5}, {0, 0, -1})));
}

TEST(Sources, YieldTheHitsValues) {
  const Scene scene = OneObject(Shape::Disc, {1, 0, 0}, {0, 90, 0}, 1.0);
  Hit hit;
  ASSERT_TRUE(Intersect(scene, RayFrom({5, 0.5, 0}, {-1, 0, 0}), &hit));
  double out[3];
  EvaluateSource({SourceKind::Uv, {}}, hit, out);
  EXPECT_EQ(out[0], hit.uv[0]);
  EXPECT_EQ(out[1], hit.uv[1]);
  EXPECT_EQ(out[2], 0.0);
  EvaluateSource({SourceKind::V, {}}, hit, out);
  EXPECT_EQ(out[0], hit.uv[1]);
  EXPECT_EQ(out[1], 0.0);
  EvaluateSource({SourceKind::LocalNormal, {}}, hit, out);
  EXPECT_NEAR(out[2], 1.0, 1e-12) << "the front face in its own frame";
  EvaluateSource({SourceKind::Position, {}}, hit, out);
  EXPECT_NEAR(out[0], 1.0, 1e-12);
  EvaluateSource({SourceKind::Vector, {1, 2, 3}}, hit, out);
  EXPECT_EQ(out[2], 3.0);
  EvaluateSource({SourceKind::Number, {4, 9, 9}}, hit, out);
  EXPECT_EQ(out[0], 4.0);
  EXPECT_EQ(out[1], 0.0);
}

TEST(Camera, CentreRayLooksAtTheTargetAndTheFieldOfViewSpansTheImage) {
  Camera camera;
  camera.position = {0, 0, 5};
  camera.target = {0, 0, 0};
  camera.fov = 90.0;
  const Ray centre = PrimaryRay(camera, 200, 100, 100.0, 50.0);
  EXPECT_NEAR(centre.direction.z, -1.0, 1e-12);
  // The top edge is 45 degrees up; the right edge twice as far across.
  const Ray top = PrimaryRay(camera, 200, 100, 100.0, 0.0);
  EXPECT_NEAR(top.direction.y, -top.direction.z, 1e-12);
  const Ray right = PrimaryRay(camera, 200, 100, 200.0, 50.0);
  EXPECT_NEAR(right.direction.x, -2.0 * right.direction.z, 1e-12);
  // An up vector along the view still gives finite rays.
  camera.up = {0, 0, 1};
  const Ray odd = PrimaryRay(camera, 10, 10, 0.0, 0.0);
  EXPECT_TRUE(std::isfinite(odd.direction.x) && std::isfinite(odd.direction.y));
  EXPECT_NEAR(Length(odd.direction), 1.0, 1e-12);
}

}  // namespace
}  // namespace standin
