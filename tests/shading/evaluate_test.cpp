// Whole evaluations through Evaluate against the recording fake host: the
// worked examples of docs/worked-examples.md to nine significant digits
// with their host-call order, the early exits and which inputs each leaves
// unread.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

using Trace = std::vector<std::string>;

std::string Sig9(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", v);
  return text;
}

void ExpectColor(const std::array<double, 3>& got, const char* r,
                 const char* g, const char* b) {
  EXPECT_EQ(Sig9(got[0]), r);
  EXPECT_EQ(Sig9(got[1]), g);
  EXPECT_EQ(Sig9(got[2]), b);
}

void SetVec(double out[3], double x, double y, double z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

const Trace kAllUnwired = {
    "isConnected Color",        "isConnected Specular",
    "isConnected U Glossiness", "isConnected V Glossiness",
    "isConnected Axis",         "isConnected Tangent Rotate",
    "isConnected Normal",       "isConnected Custom Light",
    "isConnected UV"};

class EvaluateTest : public ::testing::Test {
 protected:
  // Creates the instance, then starts the trace afresh for the evaluation.
  NodeData* Create() {
    data = host.CreateInstance();
    host.trace.clear();
    return data;
  }
  void TearDown() override { DestroyNode(data); }

  FakeHost host;
  NodeData* data = nullptr;
  std::array<double, 3> out{};
};

TEST_F(EvaluateTest, Example1DefaultsUnderTheFixedLight) {
  host.offered["LW Item Info 4"] = false;
  host.InstallServices();
  Create();
  ASSERT_TRUE(host.Evaluate(data, &out));
  ExpectColor(out, "0.0242586367", "0.0242586367", "0.0242586367");
  Trace expected = kAllUnwired;
  expected.push_back("setValue");
  EXPECT_EQ(host.trace, expected);
}

TEST_F(EvaluateTest, Example1bDegenerateFrameIsNotClamped) {
  host.offered["LW Item Info 4"] = false;
  host.InstallServices();
  Create();
  host.Wire("UV", 0.5, 0.5, 0.0);
  ASSERT_TRUE(host.Evaluate(data, &out));
  ExpectColor(out, "4.73205081", "4.73205081", "4.73205081");
}

TEST_F(EvaluateTest, Example2RotatedSteeredTangentAndPointLight) {
  Create();
  SetVec(data->color, 1.0, 0.5, 0.25);
  data->specular = 0.8;
  data->uGlossiness = 0.3;
  data->vGlossiness = 0.05;
  data->axis = 0;
  data->tangentRotate = std::numbers::pi / 6;
  data->customLightType = kLightPoint;
  host.Wire("UV", 0.75, 0.9, 0.0);
  host.Wire("Custom Light", 3, 2, 5);
  SetVec(host.spot.worldPosition, 1, 0, 0);
  SetVec(host.spot.raySource, 1, -2, 4);

  ASSERT_TRUE(host.Evaluate(data, &out));
  ExpectColor(out, "0.0836333986", "0.0418166993", "0.0209083496");
  Trace expected(kAllUnwired.begin(), kAllUnwired.end() - 1);
  expected.insert(expected.end(), {"evaluate Custom Light", "isConnected UV",
                                   "evaluate UV", "setValue"});
  EXPECT_EQ(host.trace, expected) << "item info must not be asked";
}

TEST_F(EvaluateTest, Example3SceneLightsWithOneExcluded) {
  Create();
  SetVec(data->color, 0.9, 0.6, 0.3);
  data->specular = 1.5;
  data->uGlossiness = 0.4;
  data->vGlossiness = 0.2;
  data->axis = 0;
  SetVec(host.spot.raySource, 0, 3, 4);
  host.lights.resize(3);
  host.lights[0].name = "L1";
  SetVec(host.lights[0].direction, 0.6, 0, -0.8);
  SetVec(host.lights[0].color, 1.0, 0.9, 0.8);
  host.lights[1].name = "L2";
  host.lights[1].excluded = true;
  host.lights[2].name = "L3";
  SetVec(host.lights[2].direction, 0, -0.6, -0.8);
  SetVec(host.lights[2].color, 0.5, 0.5, 1.0);

  ASSERT_TRUE(host.Evaluate(data, &out));
  ExpectColor(out, "0.554201233", "0.348091674", "0.241212601");
  Trace expected = kAllUnwired;
  expected.pop_back();
  expected.insert(expected.end(),
                  {"isConnected UV", "firstItem", "lightFlags L1",
                   "excluded L1", "illuminate L1", "nextItem L1",
                   "lightFlags L2", "excluded L2", "nextItem L2",
                   "lightFlags L3", "excluded L3", "illuminate L3",
                   "nextItem L3", "setValue"});
  EXPECT_EQ(host.trace, expected);
}

class Example4 : public EvaluateTest,
                 public ::testing::WithParamInterface<int> {};

TEST_P(Example4, EveryInputWiredAndATurnedSecondMatrix) {
  host.offered["LW Item Info 4"] = false;
  host.InstallServices();
  Create();
  data->axis = 2;
  data->tangentRotate = 1.0;
  data->classicMode = GetParam();
  host.Wire("Color", 0.2, 0.4, 0.6);
  host.Wire("Specular", 0.5);
  host.Wire("U Glossiness", 0.25);
  host.Wire("V Glossiness", 0.0);
  host.Wire("Axis", 0, 3, 0);
  host.Wire("Tangent Rotate", 0.0);
  host.Wire("Normal", 0, 0, 2);
  host.Wire("Custom Light", 0, -1, -1);
  SetVec(host.spot.normal, 1, 0, 0);
  SetVec(host.spot.raySource, 2, 0, 1);
  const double c = std::sqrt(3.0) / 2;
  const double turn30[9] = {c, -0.5, 0, 0.5, c, 0, 0, 0, 1};
  std::copy(turn30, turn30 + 9, host.spot.toLocal);

  ASSERT_TRUE(host.Evaluate(data, &out));
  if (GetParam() == 1)
    ExpectColor(out, "9.64299855e-06", "1.92859971e-05", "2.89289957e-05");
  else
    ExpectColor(out, "5.26476226e-07", "1.05295245e-06", "1.57942868e-06");
}

INSTANTIATE_TEST_SUITE_P(ClassicMode, Example4, ::testing::Values(1, 0));

// The second matrix takes the host's normal to local space; classic mode
// (any non-zero value) takes the first instead.
TEST_F(EvaluateTest, ClassicModeTurnsTheHostNormalWithTheFirstMatrix) {
  host.offered["LW Item Info 4"] = false;
  host.InstallServices();
  Create();
  const double quarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  std::copy(quarter, quarter + 9, host.spot.toLocal);
  SetVec(host.spot.normal, 0, 1, 0);
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_GT(out[0], 0.0) << "N = (-1, 0, 0) across the axis Y";

  data->classicMode = -3;
  host.trace.clear();
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0}))
      << "N = (0, 1, 0) lies along the axis";
  EXPECT_EQ(host.trace.back(), "setValue");
  EXPECT_EQ(host.trace[host.trace.size() - 2], "isConnected Custom Light");
}

TEST_F(EvaluateTest, SpotWithoutRayTraceGetsNoOutputAndReadsNothing) {
  Create();
  host.spot.rayTrace = nullptr;
  EXPECT_FALSE(host.Evaluate(data));
  EXPECT_TRUE(host.trace.empty());
}

TEST_F(EvaluateTest, ShadowRayIsBlackAndReadsNothing) {
  Create();
  host.spot.flags = kSpotShadowRay | 6;
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(host.trace, Trace{"setValue"});

  host.spot.flags = 6;  // other bits do not exit
  host.trace.clear();
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_GT(host.trace.size(), 1u);
}

TEST_F(EvaluateTest, NonPositiveSpecularIsBlackAndStopsReading) {
  Create();
  const Trace expected = {"isConnected Color", "isConnected Specular",
                          "setValue"};
  for (double amount : {0.0, -0.0, -0.25}) {
    data->specular = amount;
    host.trace.clear();
    ASSERT_TRUE(host.Evaluate(data, &out));
    EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0})) << amount;
    EXPECT_EQ(host.trace, expected) << "setting " << amount;
  }
  data->specular = 1.0;
  host.Wire("Specular", -0.25);
  host.trace.clear();
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(host.trace,
            (Trace{"isConnected Color", "isConnected Specular",
                   "evaluate Specular", "setValue"}));
}

TEST_F(EvaluateTest, NanSpecularDoesNotExit) {
  Create();
  data->specular = NAN;
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_GT(host.trace.size(), 4u);
  EXPECT_TRUE(std::isnan(out[0]));
}

TEST_F(EvaluateTest, ZeroTangentIsBlackAfterTheLightIsRead) {
  Create();
  data->axis = 1;
  SetVec(host.spot.normal, 0, 1, 0);  // along the axis
  host.Wire("Custom Light", 0, -1, 0);
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0}));
  ASSERT_GE(host.trace.size(), 3u);
  EXPECT_EQ(host.trace[host.trace.size() - 2], "evaluate Custom Light")
      << "the custom light is read before the tangent exits; UV is not";
  EXPECT_EQ(host.trace.back(), "setValue");
}

// Evaluate asks while no input is wired and hands over where the first
// wired one answers; where that happens must not matter. Each input wired
// alone (none at all in the first row) gives the same bits and the same
// questions as with "Color" wired too, to the colour setting.
TEST_F(EvaluateTest, WhereTheFirstWiredInputAnswersChangesNothing) {
  struct Case {
    const char* input;
    double x, y, z;
  };
  const Case kCases[] = {
      {nullptr, 0, 0, 0},          {"Specular", 0.5, 0, 0},
      {"U Glossiness", 0.3, 0, 0}, {"V Glossiness", 0.05, 0, 0},
      {"Axis", 1, 2, 0},           {"Tangent Rotate", 0.4, 0, 0},
      {"Normal", 0.1, 0.2, 1},     {"Custom Light", 1, -1, -2},
      {"UV", 0.7, 0.2, 0}};
  auto run = [&](const Case& c, bool color) {
    Create();
    if (color)
      host.Wire("Color", data->color[0], data->color[1], data->color[2]);
    if (c.input) host.Wire(c.input, c.x, c.y, c.z);
    std::array<double, 3> colour{};
    EXPECT_TRUE(host.Evaluate(data, &colour));
    DestroyNode(data);
    data = nullptr;
    Trace trace = host.trace;
    if (color) std::erase(trace, std::string("evaluate Color"));
    return std::pair{colour, trace};
  };
  for (const Case& c : kCases) {
    const auto [alone, aloneTrace] = run(c, false);
    const auto [withColor, withColorTrace] = run(c, true);
    const char* name = c.input ? c.input : "nothing";
    EXPECT_EQ(std::memcmp(alone.data(), withColor.data(), sizeof alone), 0)
        << name << ": " << alone[0] << " against " << withColor[0];
    EXPECT_EQ(aloneTrace, withColorTrace) << name;
  }
}

TEST_F(EvaluateTest, OutOfRangeAxisCountsAsY) {
  Create();
  std::array<double, 3> reference;
  ASSERT_TRUE(host.Evaluate(data, &reference));
  for (std::int32_t axis : {-1, 3, 7, INT32_MIN, INT32_MAX}) {
    data->axis = axis;
    ASSERT_TRUE(host.Evaluate(data, &out)) << axis;
    EXPECT_EQ(out, reference) << "axis " << axis;
    EXPECT_EQ(data->axis, axis) << "the stored value is left as it is";
  }
}

TEST_F(EvaluateTest, LightWalkWithoutLightInfoCountsFlagsAsZero) {
  host.offered["LW Light Info 4"] = false;
  host.InstallServices();
  Create();
  host.lights.resize(1);
  host.lights[0].name = "L1";
  host.lights[0].flags = kLightNoSpecular;  // never asked for
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_GT(out[0], 0.0);
  EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "lightFlags L1"),
            0);
  EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "illuminate L1"),
            1);
}

TEST_F(EvaluateTest, LightWalkWithoutObjectInfoExcludesNothing) {
  host.offered["LW Object Info 7"] = false;
  host.InstallServices();
  Create();
  host.lights.resize(1);
  host.lights[0].name = "L1";
  host.lights[0].excluded = true;  // never asked for
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_GT(out[0], 0.0);
  EXPECT_EQ(std::count(host.trace.begin(), host.trace.end(), "excluded L1"), 0);
}

TEST_F(EvaluateTest, LightsThatDoNotCountAddNothing) {
  Create();
  host.lights.resize(6);
  const unsigned flags[] = {4, 5, 6, 12};
  for (int i = 0; i < 4; ++i) host.lights[size_t(i)].flags = flags[i];
  host.lights[4].illuminate = 0;
  host.lights[5].illuminate = -1;
  for (size_t i = 0; i < host.lights.size(); ++i)
    host.lights[i].name = "L" + std::to_string(i + 1);
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0}));

  // Flags without the no-specular bit, and any positive answer, count fully.
  std::array<double, 3> one;
  host.lights.assign(1, FakeLight{.name = "A"});
  ASSERT_TRUE(host.Evaluate(data, &one));
  for (unsigned f : {3u, 8u}) {
    for (int answer : {1, 2, INT32_MAX}) {
      host.lights.assign(1, FakeLight{.name = "A", .flags = f,
                                      .illuminate = answer});
      ASSERT_TRUE(host.Evaluate(data, &out));
      EXPECT_EQ(out, one) << "flags " << f << " answer " << answer;
    }
  }
}

TEST_F(EvaluateTest, NullObjectAsksOnlyFlagsAndNext) {
  Create();
  host.spot.object = nullptr;
  host.lights.assign(2, FakeLight{});
  host.lights[0].name = "L1";
  host.lights[1].name = "L2";
  ASSERT_TRUE(host.Evaluate(data, &out));
  EXPECT_EQ(out, (std::array<double, 3>{0, 0, 0}));
  const Trace tail(host.trace.end() - 6, host.trace.end());
  EXPECT_EQ(tail, (Trace{"firstItem", "lightFlags L1", "nextItem L1",
                         "lightFlags L2", "nextItem L2", "setValue"}));
}

TEST_F(EvaluateTest, SceneLightsSumInOrderThenScale) {
  Create();
  SetVec(data->color, 1.0, 0.5, 0.0);
  data->specular = 0.5;
  host.lights.assign(2, FakeLight{});
  host.lights[0].name = "L1";
  host.lights[1].name = "L2";
  SetVec(host.lights[1].direction, 0.6, 0, -0.8);
  SetVec(host.lights[1].color, 0.2, 0.7, 0.1);

  std::array<double, 3> c1, c2;
  host.lights[1].illuminate = 0;
  ASSERT_TRUE(host.Evaluate(data, &c1));
  host.lights[1].illuminate = 1;
  host.lights[0].illuminate = 0;
  ASSERT_TRUE(host.Evaluate(data, &c2));
  host.lights[0].illuminate = 1;
  ASSERT_TRUE(host.Evaluate(data, &out));
  // Undo the scaling of each single-light output to recover its lobe.
  EXPECT_NEAR(out[0], c1[0] + c2[0], 1e-15);
  EXPECT_NEAR(out[1], c1[1] + c2[1], 1e-15);
  EXPECT_EQ(out[2], 0.0);
}

}  // namespace
