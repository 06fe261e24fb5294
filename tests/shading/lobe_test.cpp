// The specular lobe and the output colour on hand-made frames.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "shading/lobe.h"
#include "tests/shading/random_direction.h"

using namespace quillane;

namespace {

// Tangent X, bitangent Y, normal Z; widths 0.5 along X and 0.1 along Y.
ShadingFrame AxisFrame(double uGloss = 0.5, double vGloss = 0.1) {
  return {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}, uGloss, vGloss, {}};
}

// The lobe factor for a halfway vector h (given as a unit vector): a view
// and light both travelling along -h give exactly that halfway vector.
double FactorFor(ShadingFrame frame, const Vec3& h) {
  frame.view = {-h.x, -h.y, -h.z};
  EXPECT_EQ(SpecularLobe(&frame, {-h.x, -h.y, -h.z}, kWhite), 1);
  EXPECT_EQ(frame.lightSpec.r, frame.lightSpec.b);
  return frame.lightSpec.r;
}

TEST(SpecularLobe, FactorAlongTheFrameAxes) {
  const double r = std::sqrt(0.5);
  EXPECT_DOUBLE_EQ(FactorFor(AxisFrame(), {0, 0, 1}), 1.0);
  EXPECT_DOUBLE_EQ(FactorFor(AxisFrame(), {1, 0, 0}), 0.25);
  EXPECT_DOUBLE_EQ(FactorFor(AxisFrame(), {0, 1, 0}), 0.01);
  EXPECT_NEAR(FactorFor(AxisFrame(), {r, 0, r}), 0.4, 1e-15);
  EXPECT_DOUBLE_EQ(FactorFor(AxisFrame(2.0), {1, 0, 0}), 4.0);
}

TEST(SpecularLobe, SignOfGlossinessDoesNotMatter) {
  std::mt19937 rng(3);
  for (int i = 0; i < 100; ++i) {
    const Vec3 h = quillane_test::RandomDirection(rng);
    EXPECT_EQ(FactorFor(AxisFrame(0.5, 0.1), h),
              FactorFor(AxisFrame(-0.5, -0.1), h))
        << "case " << i;
  }
}

TEST(SpecularLobe, BoundedByTheLargerGlossinessSquared) {
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i) {
    const Vec3 h = quillane_test::RandomDirection(rng);
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_NEAR(FactorFor(AxisFrame(1.0, 1.0), h), 1.0, 1e-12);
    EXPECT_LE(FactorFor(AxisFrame(0.7, -0.2), h), 1.0 + 1e-12);
    EXPECT_LE(FactorFor(AxisFrame(3.0, 0.5), h), 9.0 + 1e-12);
  }
}

TEST(SpecularLobe, ScalesTheLightColour) {
  ShadingFrame frame = AxisFrame();
  ASSERT_EQ(SpecularLobe(&frame, {0, 0, -1}, {0.5, 2.0, -1.0}), 1);
  EXPECT_EQ(frame.lightSpec.r, 0.5);
  EXPECT_EQ(frame.lightSpec.g, 2.0);
  EXPECT_EQ(frame.lightSpec.b, -1.0);
}

TEST(SpecularLobe, LightAgainstTheViewGivesItsWholeColour) {
  ShadingFrame frame = AxisFrame();
  frame.view = {0.6, 0, -0.8};
  ASSERT_EQ(SpecularLobe(&frame, {-0.6, 0, 0.8}, {0.3, 0.2, 0.1}), 1);
  EXPECT_EQ(frame.lightSpec.r, 0.3);
  EXPECT_EQ(frame.lightSpec.g, 0.2);
}

TEST(SpecularLobe, OverflowingDenominatorContributesNothing) {
  ShadingFrame frame = AxisFrame(1e-300);
  frame.lightSpec = {9, 9, 9};
  EXPECT_EQ(SpecularLobe(&frame, {0.6, 0, -0.8}, kWhite), 0);
  EXPECT_EQ(frame.lightSpec.r, 0.0);
  EXPECT_EQ(frame.lightSpec.g, 0.0);
  EXPECT_EQ(frame.lightSpec.b, 0.0);

  frame = AxisFrame(NAN);
  EXPECT_EQ(SpecularLobe(&frame, {0.6, 0, -0.8}, kWhite), 0);
}

TEST(SpecularLobe, HostDirectionIsNotNormalised) {
  ShadingFrame frame = AxisFrame();
  ASSERT_EQ(SpecularLobe(&frame, {-3, 0, 0}, kWhite), 1);
  EXPECT_NEAR(frame.lightSpec.r, 1 / 3.7, 1e-15);
  ASSERT_EQ(SpecularLobe(&frame, {-1, 0, 0}, kWhite), 1);
  EXPECT_NEAR(frame.lightSpec.r, 0.4, 1e-15);
}

TEST(OutputColor, ScalesByTheAmountThenTints) {
  const Color out = OutputColor({0.8, 0.8, 0.8}, 0.5, {1.0, 0.5, 0.0});
  EXPECT_EQ(out.r, 0.4);
  EXPECT_EQ(out.g, 0.2);
  EXPECT_EQ(out.b, 0.0);
}

}  // namespace
