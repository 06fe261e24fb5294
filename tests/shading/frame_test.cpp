// The shading frame from plain values: glossiness guard, axis, normals and
// the product convention, tangent with rotation and steering, the single
// light, and the world-space frame. Which matrix plays which role, and which
// inputs are read, is pinned through the evaluation.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

#include "shading/frame.h"

using namespace quillane;

namespace {

void ExpectVec(const Vec3& v, double x, double y, double z,
               double tolerance = 1e-9) {
  EXPECT_NEAR(v.x, x, tolerance) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  EXPECT_NEAR(v.y, y, tolerance) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  EXPECT_NEAR(v.z, z, tolerance) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

// Quarter turn about Z.
constexpr double kQuarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
constexpr Vec3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

void Set(double to[3], const Vec3& v) {
  to[0] = v.x;
  to[1] = v.y;
  to[2] = v.z;
}

// A spot at the origin seen from (0, 0, 5), host normal +Z, identity
// matrices, axis setting Y, no turn, glossiness 0.5 and 0.1; what a test
// wires or changes is set on it before Build.
struct Spot {
  FrameShape shape{false, false, LightSource::kScene, false, false};
  double axis[3] = {}, normal[3] = {}, custom[3] = {}, uv[3] = {};
  double theta = 0.0;
  std::int32_t axisSetting = 1, customLightType = kLightDistant;
  double toWorld[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  double toLocal[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  double hostNormal[3] = {0, 0, 1}, position[3] = {}, raySource[3] = {0, 0, 5};

  void WireAxis(const Vec3& v) {
    shape.axis = true;
    Set(axis, v);
  }
  void WireNormal(const Vec3& v) {
    shape.normal = true;
    Set(normal, v);
  }
  void WireUV(double u, double v) {
    shape.uv = true;
    Set(uv, {u, v, 123.0});
  }
  // As the evaluation decides it: 0 and -0 do not turn.
  void Turn(double radians) {
    theta = radians;
    shape.rotate = radians != 0.0;
  }

  FrameSource Source() const {
    return {axis, normal, custom, uv, theta, 0.5, 0.1, axisSetting,
            customLightType, toWorld, toLocal, hostNormal, position, raySource};
  }

  // The frame as the evaluation builds it; false at the zero-tangent exit.
  // `n` is the local normal.
  bool Build(ShadingFrame* frame, Vec3* n = nullptr,
             Vec3* halfway = nullptr) const {
    Vec3 local, h;
    const Vec3 t = LocalTangent(shape, Source(), &local);
    if (n) *n = local;
    if (t.x == 0.0 && t.y == 0.0 && t.z == 0.0) return false;
    *frame = WorldFrame(shape, Source(), local, t, halfway ? halfway : &h);
    return true;
  }
};

TEST(Frame, GlossinessGuardReplacesOnlyExactZero) {
  const double cases[][2] = {
      {0.0, 0.001}, {-0.0, 0.001}, {-0.5, -0.5}, {0.0001, 0.0001}};
  for (const auto& c : cases)
    EXPECT_EQ(GuardGlossiness(c[0]), c[1]) << "from " << c[0];
  EXPECT_TRUE(std::isnan(GuardGlossiness(NAN)));
}

TEST(Frame, SettingAxisNamesAUnitVectorOutOfRangeIsY) {
  const struct {
    std::int32_t axis;
    Vec3 expected;
  } cases[] = {{0, kX}, {1, kY}, {2, kZ}, {-1, kY}, {3, kY}, {1 << 30, kY}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "axis " << c.axis);
    ExpectVec(SettingAxis(c.axis), c.expected.x, c.expected.y, c.expected.z, 0);
  }
}

TEST(Frame, TangentIsAxisCrossNormal) {
  ShadingFrame frame;
  Spot spot;
  spot.axisSetting = 0;
  ASSERT_TRUE(spot.Build(&frame));
  ExpectVec(frame.tangent, 0, -1, 0);
  spot.axisSetting = 1;
  ASSERT_TRUE(spot.Build(&frame));
  ExpectVec(frame.tangent, 1, 0, 0);
  ExpectVec(frame.bitangent, 0, 1, 0);
}

TEST(Frame, AxisAlongNormalGivesNoFrame) {
  ShadingFrame frame;
  Spot spot;
  spot.axisSetting = 2;
  EXPECT_FALSE(spot.Build(&frame));
  spot.WireAxis({0, 0, 0});
  EXPECT_FALSE(spot.Build(&frame)) << "a zero axis input stays zero";
}

TEST(Frame, WiredAxisIsNormalised) {
  ShadingFrame frame;
  Spot spot;
  spot.WireNormal(kX);
  spot.WireAxis({0, 0, 5});
  ASSERT_TRUE(spot.Build(&frame));
  ExpectVec(frame.tangent, 0, 1, 0, 0);  // exact: (0, 0, 1) x (1, 0, 0)
}

TEST(Frame, HostNormalIsUsedBitForBit) {
  ShadingFrame frame;
  Vec3 n;
  Spot spot;
  Set(spot.hostNormal, {0, 0, 3});
  spot.axisSetting = 0;
  ASSERT_TRUE(spot.Build(&frame, &n));
  EXPECT_EQ(frame.normal.z, 3.0) << "the host's normal is not normalised";
  ExpectVec(n, 0, 0, 1, 0);
  ExpectVec(frame.tangent, 0, -1, 0);
}

TEST(Frame, WiredNormalIsNormalisedAndCarriedToWorld) {
  ShadingFrame frame;
  Vec3 n;
  Spot spot;
  spot.WireNormal({0, 0, 2});
  spot.axisSetting = 0;
  ASSERT_TRUE(spot.Build(&frame, &n));
  ExpectVec(n, 0, 0, 1, 0);
  ExpectVec(frame.normal, 0, 0, 1, 0);
}

TEST(Frame, MatricesMultiplyColumnVectors) {
  // Local to world: the "Normal" input and the tangent.
  ShadingFrame frame;
  Spot wired;
  wired.WireNormal(kX);
  wired.axisSetting = 2;
  std::copy(kQuarter, kQuarter + 9, wired.toWorld);
  ASSERT_TRUE(wired.Build(&frame));
  ExpectVec(frame.normal, 0, 1, 0);  // a transposed product gives (0, -1, 0)
  ExpectVec(frame.tangent, -1, 0, 0);
  ExpectVec(frame.bitangent, 0, 0, 1);

  // World to local: the host's normal.
  Vec3 n;
  Spot host;
  Set(host.hostNormal, kY);
  std::copy(kQuarter, kQuarter + 9, host.toLocal);
  ASSERT_TRUE(host.Build(&frame, &n));
  ExpectVec(n, -1, 0, 0);
  ExpectVec(frame.tangent, 0, 0, 1);
  ExpectVec(frame.bitangent, 1, 0, 0);
}

TEST(Frame, RotationTurnsTangentClockwiseAboutNormal) {
  ShadingFrame frame;
  Spot spot;
  spot.Turn(std::numbers::pi / 2);
  ASSERT_TRUE(spot.Build(&frame));
  ExpectVec(frame.tangent, 0, -1, 0);
}

TEST(Frame, UvSteersTangentWithinItsPlane) {
  // Normal +Z, T = (1, 0, 0), E = N x T = (0, 1, 0).
  const struct {
    double u, v;
    Vec3 tangent;
  } cases[] = {{1.0, 0.5, kX}, {0.5, 1.0, kY}, {0.0, 0.5, {-1, 0, 0}},
               {0.5, 0.5, {0, 0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "uv " << c.u << ", " << c.v);
    ShadingFrame frame;
    Spot spot;
    spot.WireUV(c.u, c.v);  // the third component is ignored
    ASSERT_TRUE(spot.Build(&frame));
    ExpectVec(frame.tangent, c.tangent.x, c.tangent.y, c.tangent.z);
  }
}

TEST(Frame, DegenerateVectorsPassIntoTheFrame) {
  // A centred "UV" steers the tangent to zero, and a ray from the spot
  // itself gives no view: neither ends the evaluation.
  ShadingFrame frame;
  Spot spot;
  spot.WireUV(0.5, 0.5);
  Set(spot.position, {1, 2, 3});
  Set(spot.raySource, {1, 2, 3});
  ASSERT_TRUE(spot.Build(&frame));
  ExpectVec(frame.tangent, 0, 0, 0, 0);
  ExpectVec(frame.bitangent, 0, 0, 0, 0);
  ExpectVec(frame.view, 0, 0, 0, 0);
  EXPECT_EQ(frame.uGloss, 0.5);
  EXPECT_EQ(frame.vGloss, 0.1);
}

TEST(Frame, RotationAndSteeringTogether) {
  ShadingFrame frame;
  Spot spot;
  spot.axisSetting = 0;
  spot.Turn(std::numbers::pi / 6);
  spot.WireUV(0.75, 0.9);
  Set(spot.position, {1, 0, 0});
  Set(spot.raySource, {1, -2, 4});
  ASSERT_TRUE(spot.Build(&frame));
  ExpectVec(frame.normal, 0, 0, 1, 0);
  ExpectVec(frame.tangent, 0.469388604, -0.882991698, 0);
  ExpectVec(frame.bitangent, 0.882991698, 0.469388604, 0);
  ExpectVec(frame.view, 0, 0.447213595, -0.894427191);
}

// The single light: the fixed one, or "Custom Light" as a direction or a
// position; the halfway vector is the unit sum of view and light.
TEST(Frame, SingleLightAndHalfwayVector) {
  const double r = 1 / std::sqrt(3.0);
  const struct Case {
    const char* what;
    LightSource light;
    std::int32_t type;
    Vec3 custom, position, travel;
  } cases[] = {
      {"distant, normalised", LightSource::kCustom, kLightDistant, {0, -2, 0}, {}, {0, -1, 0}},
      {"point above", LightSource::kCustom, kLightPoint, {0, 10, 0}, {}, {0, -1, 0}},
      {"type 2 is a point", LightSource::kCustom, 2, {0, 10, 0}, {}, {0, -1, 0}},
      {"type -1 is a point", LightSource::kCustom, -1, {0, 10, 0}, {}, {0, -1, 0}},
      {"point at the spot stays zero", LightSource::kCustom, 1, {1, 2, 3}, {1, 2, 3}, {0, 0, 0}},
      {"fixed, from the upper left", LightSource::kFixed, 0, {}, {}, {r, -r, r}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Spot spot;
    spot.shape.light = c.light;
    spot.customLightType = c.type;
    Set(spot.custom, c.custom);
    Set(spot.position, c.position);
    const Vec3 travel = Normalized(SingleLight(spot.shape, spot.Source()));
    ExpectVec(travel, c.travel.x, c.travel.y, c.travel.z, 1e-15);

    ShadingFrame frame;
    Vec3 halfway;
    ASSERT_TRUE(spot.Build(&frame, nullptr, &halfway));
    const Vec3 expected = Normalized(frame.view + travel);
    EXPECT_EQ(halfway.x, expected.x);
    EXPECT_EQ(halfway.y, expected.y);
    EXPECT_EQ(halfway.z, expected.z);
  }
}

TEST(Frame, FrameIsOrthonormalForRandomSpots) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 300; ++i) {
    Spot spot;
    Set(spot.hostNormal, {u(rng), u(rng), u(rng)});
    spot.axisSetting = i % 3;
    spot.Turn(3 * u(rng));
    ShadingFrame frame;
    if (!spot.Build(&frame)) continue;
    const Vec3 n = Normalized(frame.normal);
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_NEAR(Dot(frame.tangent, frame.tangent), 1.0, 1e-12);
    EXPECT_NEAR(Dot(frame.bitangent, frame.bitangent), 1.0, 1e-12);
    EXPECT_NEAR(Dot(frame.tangent, n), 0.0, 1e-12);
    EXPECT_NEAR(Dot(frame.bitangent, n), 0.0, 1e-12);
    EXPECT_NEAR(Dot(frame.bitangent, frame.tangent), 0.0, 1e-12);
  }
}

}  // namespace
