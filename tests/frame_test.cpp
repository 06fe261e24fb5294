// The shading frame, built through BuildShadingFrame against the fake host:
// glossiness guard, axis, normals and matrix roles, rotation and steering.
#include <array>
#include <cmath>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

#include "shading/frame.h"
#include "tests/fake_host.h"

namespace {

void ExpectVec(const Vec3& v, double x, double y, double z,
               double tolerance = 1e-9) {
  EXPECT_NEAR(v.x, x, tolerance) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  EXPECT_NEAR(v.y, y, tolerance) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
  EXPECT_NEAR(v.z, z, tolerance) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

void SetVec(double out[3], double x, double y, double z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

// Quarter turn about Z.
constexpr double kQuarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override { data = host.CreateInstance(); }
  void TearDown() override { DestroyNode(data); }
  bool Build() { return BuildShadingFrame(*data, &host.spot, &frame, &light); }

  FakeHost host;
  NodeData* data = nullptr;
  ShadingFrame frame{};
  LightSelection light{};
};

TEST_F(FrameTest, GlossinessGuardReplacesOnlyExactZero) {
  const double cases[][2] = {
      {0.0, 0.001}, {-0.0, 0.001}, {-0.5, -0.5}, {0.0001, 0.0001}};
  for (const auto& c : cases) {
    data->uGlossiness = c[0];
    data->vGlossiness = c[0];
    ASSERT_TRUE(Build());
    EXPECT_EQ(frame.uGloss, c[1]) << "U from " << c[0];
    EXPECT_EQ(frame.vGloss, c[1]) << "V from " << c[0];
  }
  data->uGlossiness = NAN;
  ASSERT_TRUE(Build());
  EXPECT_TRUE(std::isnan(frame.uGloss));
}

TEST_F(FrameTest, TangentIsAxisCrossNormal) {
  data->axis = 0;
  ASSERT_TRUE(Build());
  ExpectVec(frame.tangent, 0, -1, 0);
  data->axis = 1;
  ASSERT_TRUE(Build());
  ExpectVec(frame.tangent, 1, 0, 0);
  ExpectVec(frame.bitangent, 0, 1, 0);
}

TEST_F(FrameTest, AxisAlongNormalGivesNoFrame) {
  data->axis = 2;
  EXPECT_FALSE(Build());
  data->axis = 1;
  host.Wire("Axis", 0, 0, 0);
  EXPECT_FALSE(Build()) << "a zero axis input stays zero";
}

TEST_F(FrameTest, WiredAxisIsNormalised) {
  host.Wire("Normal", 1, 0, 0);
  host.Wire("Axis", 0, 0, 5);
  ASSERT_TRUE(Build());
  ExpectVec(frame.tangent, 0, 1, 0, 0);  // exact: (0, 0, 1) x (1, 0, 0)
}

TEST_F(FrameTest, HostNormalIsUsedBitForBit) {
  data->axis = 0;
  SetVec(host.spot.normal, 0.0, 0.0, 3.0);
  ASSERT_TRUE(Build());
  EXPECT_EQ(frame.normal.z, 3.0) << "the host's normal is not normalised";
  ExpectVec(frame.tangent, 0, -1, 0);
}

TEST_F(FrameTest, WiredNormalIsNormalisedAndCarriedToWorld) {
  data->axis = 0;
  host.Wire("Normal", 0, 0, 2);
  ASSERT_TRUE(Build());
  ExpectVec(frame.normal, 0, 0, 1, 0);
}

TEST_F(FrameTest, FirstMatrixTakesLocalToWorldUnlessClassic) {
  std::copy(kQuarter, kQuarter + 9, host.spot.toWorld);
  data->axis = 2;
  host.Wire("Normal", 1, 0, 0);
  ASSERT_TRUE(Build());
  ExpectVec(frame.normal, 0, 1, 0);  // a transposed product gives (0, -1, 0)
  ExpectVec(frame.tangent, -1, 0, 0);
  ExpectVec(frame.bitangent, 0, 0, 1);

  data->classicMode = 1;
  ASSERT_TRUE(Build());
  ExpectVec(frame.normal, 1, 0, 0);
  ExpectVec(frame.tangent, 0, 1, 0);
}

TEST_F(FrameTest, SecondMatrixTakesHostNormalToLocalUnlessClassic) {
  std::copy(kQuarter, kQuarter + 9, host.spot.toLocal);
  SetVec(host.spot.normal, 0, 1, 0);
  ASSERT_TRUE(Build());  // N = (-1, 0, 0), axis Y
  ExpectVec(frame.tangent, 0, 0, 1);
  ExpectVec(frame.bitangent, 1, 0, 0);

  data->classicMode = -3;  // any non-zero value swaps
  EXPECT_FALSE(Build()) << "N = (0, 1, 0) lies along the axis";
}

TEST_F(FrameTest, RotationTurnsTangentClockwiseAboutNormal) {
  data->tangentRotate = std::numbers::pi / 2;
  ASSERT_TRUE(Build());
  ExpectVec(frame.tangent, 0, -1, 0);
  for (double none : {0.0, -0.0}) {
    data->tangentRotate = none;
    ASSERT_TRUE(Build());
    EXPECT_EQ(frame.tangent.x, 1.0);
  }
}

TEST_F(FrameTest, UvSteersTangentWithinItsPlane) {
  // axis Y, normal +Z: T = (1, 0, 0), E = N x T = (0, 1, 0).
  struct Case {
    double u, v;
    Vec3 tangent;
  } cases[] = {{1.0, 0.5, {1, 0, 0}}, {0.5, 1.0, {0, 1, 0}},
               {0.0, 0.5, {-1, 0, 0}}};
  for (const Case& c : cases) {
    host.Wire("UV", c.u, c.v, 123.0);  // the third component is ignored
    ASSERT_TRUE(Build());
    SCOPED_TRACE(testing::Message() << "uv " << c.u << ", " << c.v);
    ExpectVec(frame.tangent, c.tangent.x, c.tangent.y, c.tangent.z);
  }
}

TEST_F(FrameTest, CentredUvLeavesADegenerateFrame) {
  host.Wire("UV", 0.5, 0.5, 0.7);
  ASSERT_TRUE(Build()) << "a zero steered tangent does not exit";
  ExpectVec(frame.tangent, 0, 0, 0, 0);
  ExpectVec(frame.bitangent, 0, 0, 0, 0);
}

TEST_F(FrameTest, ViewRunsFromRaySourceToSpot) {
  SetVec(host.spot.raySource, 0, 0, 0);
  ASSERT_TRUE(Build());
  ExpectVec(frame.view, 0, 0, 0, 0);
}

TEST_F(FrameTest, RotationAndSteeringTogether) {
  data->axis = 0;
  data->tangentRotate = std::numbers::pi / 6;
  host.Wire("UV", 0.75, 0.9, 0);
  SetVec(host.spot.worldPosition, 1, 0, 0);
  SetVec(host.spot.raySource, 1, -2, 4);
  ASSERT_TRUE(Build());
  ExpectVec(frame.normal, 0, 0, 1, 0);
  ExpectVec(frame.tangent, 0.469388604, -0.882991698, 0);
  ExpectVec(frame.bitangent, 0.882991698, 0.469388604, 0);
  ExpectVec(frame.view, 0, 0.447213595, -0.894427191);
}

TEST_F(FrameTest, FrameIsOrthonormalForRandomSpots) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 300; ++i) {
    SetVec(host.spot.normal, u(rng), u(rng), u(rng));
    data->tangentRotate = 3 * u(rng);
    data->axis = i % 3;
    if (!Build()) continue;
    Vec3 n = frame.normal;
    Normalize(&n);
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_NEAR(Dot(frame.tangent, frame.tangent), 1.0, 1e-12);
    EXPECT_NEAR(Dot(frame.bitangent, frame.bitangent), 1.0, 1e-12);
    EXPECT_NEAR(Dot(frame.tangent, n), 0.0, 1e-12);
    EXPECT_NEAR(Dot(frame.bitangent, n), 0.0, 1e-12);
    EXPECT_NEAR(Dot(frame.bitangent, frame.tangent), 0.0, 1e-12);
  }
}

}  // namespace
