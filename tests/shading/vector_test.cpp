#include "shading/vector.h"
#include "tests/shading/random_direction.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

using namespace quillane;

// Normalize divides by the length and returns it; a zero or NaN length
// divides nothing.
TEST(Normalize, DividesByLengthUnlessItIsZeroOrNaN) {
  const struct {
    Vec3 in;
    double length;
    Vec3 out;
  } cases[] = {
      {{3, 0, 4}, 5.0, {0.6, 0.0, 0.8}},
      {{0, 0, 0}, 0.0, {0, 0, 0}},
      {{NAN, 1, 0}, NAN, {NAN, 1, 0}},
  };
  // As EXPECT_DOUBLE_EQ, with NaN equal to NaN.
  const auto same = [](double a, double b) {
    using Double = testing::internal::FloatingPoint<double>;
    return std::isnan(a) ? std::isnan(b) : Double(a).AlmostEquals(Double(b));
  };
  for (const auto& c : cases) {
    Vec3 v = c.in;
    const double length = Normalize(&v);
    EXPECT_TRUE(std::isnan(c.length) ? std::isnan(length) : length == c.length)
        << "length " << length << " of " << c.in.x;
    EXPECT_TRUE(same(v.x, c.out.x) && same(v.y, c.out.y) && same(v.z, c.out.z))
        << v.x << " " << v.y << " " << v.z << " from " << c.in.x;
  }
}

// NormalizeBoth must give each vector exactly what Normalize gives it: the
// paired square roots and divisions round lane by lane as the scalar ones do,
// and a zero, NaN or infinite length in one lane must not affect the other.
TEST(NormalizeBoth, EqualsTwoNormalizesBitForBit) {
  const double kInf = INFINITY;
  const Vec3 cases[] = {{3, 0, 4},        {0, 0, 0},      {NAN, 1, 0},
                        {kInf, 1, 2},     {1e-200, 0, 0}, {1e200, -1e200, 3},
                        {-0.0, 2, -0.0},  {0.1, 0.2, 0.3}};
  std::mt19937_64 engine(7);
  std::uniform_real_distribution<double> any(-4.0, 4.0);
  std::vector<Vec3> vectors(std::begin(cases), std::end(cases));
  for (int i = 0; i < 64; ++i) vectors.push_back({any(engine), any(engine), any(engine)});
  for (const Vec3& a : vectors) {
    for (const Vec3& b : vectors) {
      Vec3 pa = a, pb = b, sa = a, sb = b;
      NormalizeBoth(&pa, &pb);
      Normalize(&sa);
      Normalize(&sb);
      const double got[6] = {pa.x, pa.y, pa.z, pb.x, pb.y, pb.z};
      const double want[6] = {sa.x, sa.y, sa.z, sb.x, sb.y, sb.z};
      EXPECT_EQ(std::memcmp(got, want, sizeof got), 0)
          << "a = (" << a.x << ", " << a.y << ", " << a.z << "), b = (" << b.x
          << ", " << b.y << ", " << b.z << ")";
    }
  }
}

TEST(Cross, FollowsOperandOrder) {
  const Vec3 t = Cross({1, 0, 0}, {0, 0, 1});
  EXPECT_EQ(t.x, 0.0);
  EXPECT_EQ(t.y, -1.0);
  EXPECT_EQ(t.z, 0.0);
  const Vec3 u = Cross({0, 1, 0}, {0, 0, 1});
  EXPECT_EQ(u.x, 1.0);
}

TEST(MatVec, MultipliesRowsByColumnVector) {
  // Quarter turn about Z: rows (0, -1, 0), (1, 0, 0), (0, 0, 1).
  const double q[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  const Vec3 w = MatVec(q, {1, 0, 0});
  EXPECT_EQ(w.x, 0.0);
  EXPECT_EQ(w.y, 1.0) << "a transposed product would give -1";
}

TEST(RotateAboutAxis, TurnsClockwiseSeenFromAxisTip) {
  const double half = std::numbers::pi / 2;
  const Vec3 x = RotateAboutAxis({0, 0, 1}, half, {1, 0, 0});
  EXPECT_NEAR(x.x, 0.0, 1e-15);
  EXPECT_NEAR(x.y, -1.0, 1e-15);
  const Vec3 y = RotateAboutAxis({0, 0, 1}, half, {0, 1, 0});
  EXPECT_NEAR(y.x, 1.0, 1e-15);
  EXPECT_NEAR(y.y, 0.0, 1e-15);
}

TEST(RotateAboutAxis, KeepsLengthForUnitAxes) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 200; ++i) {
    const Vec3 k = quillane_test::RandomDirection(rng);
    const Vec3 v{u(rng), u(rng), u(rng)};
    const double theta = 4 * u(rng);
    const Vec3 o = RotateAboutAxis(k, theta, v);
    EXPECT_NEAR(std::sqrt(Dot(o, o)), std::sqrt(Dot(v, v)), 1e-12)
        << "case " << i << " theta " << theta;
    // A turn about k keeps the component along k.
    EXPECT_NEAR(Dot(o, k), Dot(v, k), 1e-12) << "case " << i;
  }
}
