// The shading frame from plain values: glossiness guard, axis, normals and
// the product convention, tangent with rotation and steering, and the
// world-space frame. Which matrix plays which role, and which inputs are
// read, is pinned through the evaluation.
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

constexpr double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
// Quarter turn about Z.
constexpr double kQuarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
constexpr Vec3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

// The frame of a spot at the origin seen from (0, 0, 5), built from
// `normals` and `axis` as the evaluation does, with `toWorld` for the
// tangent. Returns false at the zero-tangent exit.
bool Build(const Normals& normals, const Vec3& axis, ShadingFrame* frame,
           const double toWorld[9] = kIdentity, double theta = 0.0,
           const Vec3* uv = nullptr) {
  Vec3 t;
  if (!LocalTangent(axis, normals.local, theta, &t)) return false;
  if (uv) t = SteerTangent(t, normals.local, *uv);
  *frame = WorldFrame(toWorld, t, normals.world, {0, 0, 0}, {0, 0, 5}, 0.5,
                      0.1);
  return true;
}

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
  const Normals up = NormalsFromHost(kZ, kIdentity);
  ASSERT_TRUE(Build(up, kX, &frame));
  ExpectVec(frame.tangent, 0, -1, 0);
  ASSERT_TRUE(Build(up, kY, &frame));
  ExpectVec(frame.tangent, 1, 0, 0);
  ExpectVec(frame.bitangent, 0, 1, 0);
}

TEST(Frame, AxisAlongNormalGivesNoFrame) {
  Vec3 t{7, 7, 7};
  EXPECT_FALSE(LocalTangent(kZ, kZ, 0.0, &t));
  EXPECT_FALSE(LocalTangent(Normalized({0, 0, 0}), kZ, 0.0, &t))
      << "a zero axis input stays zero";
  EXPECT_EQ(t.x, 7.0) << "the tangent is left as it was";
}

TEST(Frame, WiredAxisIsNormalised) {
  ShadingFrame frame;
  ASSERT_TRUE(Build(NormalsFromInput(kX, kIdentity), Normalized({0, 0, 5}),
                    &frame));
  ExpectVec(frame.tangent, 0, 1, 0, 0);  // exact: (0, 0, 1) x (1, 0, 0)
}

TEST(Frame, HostNormalIsUsedBitForBit) {
  const Normals normals = NormalsFromHost({0, 0, 3}, kIdentity);
  EXPECT_EQ(normals.world.z, 3.0) << "the host's normal is not normalised";
  ExpectVec(normals.local, 0, 0, 1, 0);
  ShadingFrame frame;
  ASSERT_TRUE(Build(normals, kX, &frame));
  EXPECT_EQ(frame.normal.z, 3.0);
  ExpectVec(frame.tangent, 0, -1, 0);
}

TEST(Frame, WiredNormalIsNormalisedAndCarriedToWorld) {
  const Normals normals = NormalsFromInput({0, 0, 2}, kIdentity);
  ExpectVec(normals.local, 0, 0, 1, 0);
  ExpectVec(normals.world, 0, 0, 1, 0);
}

TEST(Frame, MatricesMultiplyColumnVectors) {
  // Local to world: the "Normal" input and the tangent.
  ShadingFrame frame;
  ASSERT_TRUE(Build(NormalsFromInput(kX, kQuarter), kZ, &frame, kQuarter));
  ExpectVec(frame.normal, 0, 1, 0);  // a transposed product gives (0, -1, 0)
  ExpectVec(frame.tangent, -1, 0, 0);
  ExpectVec(frame.bitangent, 0, 0, 1);

  // World to local: the host's normal.
  const Normals normals = NormalsFromHost(kY, kQuarter);
  ExpectVec(normals.local, -1, 0, 0);
  ASSERT_TRUE(Build(normals, kY, &frame));
  ExpectVec(frame.tangent, 0, 0, 1);
  ExpectVec(frame.bitangent, 1, 0, 0);
}

TEST(Frame, RotationTurnsTangentClockwiseAboutNormal) {
  Vec3 t;
  ASSERT_TRUE(LocalTangent(kY, kZ, std::numbers::pi / 2, &t));
  ExpectVec(t, 0, -1, 0);
  for (double none : {0.0, -0.0}) {
    ASSERT_TRUE(LocalTangent(kY, kZ, none, &t));
    EXPECT_EQ(t.x, 1.0) << "no turn for " << none;
  }
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
    // The third component is ignored.
    const Vec3 t = SteerTangent(kX, kZ, {c.u, c.v, 123.0});
    ExpectVec(t, c.tangent.x, c.tangent.y, c.tangent.z);
  }
}

TEST(Frame, DegenerateVectorsPassIntoTheFrame) {
  // A centred "UV" steers the tangent to zero, and a ray from the spot
  // itself gives no view: neither ends the evaluation.
  const ShadingFrame frame = WorldFrame(kIdentity, {0, 0, 0}, kZ, {1, 2, 3},
                                        {1, 2, 3}, 0.5, 0.1);
  ExpectVec(frame.tangent, 0, 0, 0, 0);
  ExpectVec(frame.bitangent, 0, 0, 0, 0);
  ExpectVec(frame.view, 0, 0, 0, 0);
  EXPECT_EQ(frame.uGloss, 0.5);
  EXPECT_EQ(frame.vGloss, 0.1);
}

TEST(Frame, RotationAndSteeringTogether) {
  const Normals normals = NormalsFromHost(kZ, kIdentity);
  Vec3 t;
  ASSERT_TRUE(LocalTangent(kX, normals.local, std::numbers::pi / 6, &t));
  ExpectVec(t, -0.5, -0.866025404, 0);
  t = SteerTangent(t, normals.local, {0.75, 0.9, 0});
  const ShadingFrame frame = WorldFrame(kIdentity, t, normals.world, {1, 0, 0},
                                        {1, -2, 4}, 0.5, 0.1);
  ExpectVec(frame.normal, 0, 0, 1, 0);
  ExpectVec(frame.tangent, 0.469388604, -0.882991698, 0);
  ExpectVec(frame.bitangent, 0.882991698, 0.469388604, 0);
  ExpectVec(frame.view, 0, 0.447213595, -0.894427191);
}

TEST(Frame, FrameIsOrthonormalForRandomSpots) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 300; ++i) {
    const Normals normals =
        NormalsFromHost({u(rng), u(rng), u(rng)}, kIdentity);
    ShadingFrame frame;
    if (!Build(normals, SettingAxis(i % 3), &frame, kIdentity, 3 * u(rng)))
      continue;
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
