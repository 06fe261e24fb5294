// The frame read back from the module's output against frames worked out
// here from the node's documented construction: tangent across the axis and
// the local normal, turned about the normal, steered by UV, carried to
// world space; bitangent normal x tangent.
#include <cmath>

#include "standin/lookdev/frame_recovery.h"
#include "tests/standin/lookdev/probe_fixture.h"

namespace lookdev_test {
namespace {

using standin::lookdev::FrameHints;
using standin::lookdev::HintsAt;
using standin::lookdev::RecoverFrame;
using standin::lookdev::RecoveredFrame;

struct KnownFrame {
  const char* name = "";
  std::vector<std::string> settings;
  Vec3 axis;                         // the unit axis the settings name
  double turn = 0.0;                 // tangentRotate
  bool classic = false;
  std::optional<Vec3> uv{};          // "UV" wired to this constant
  Vec3 normal{0.0, 0.0, 1.0};
  Mat3 toWorld{1, 0, 0, 0, 1, 0, 0, 0, 1};
  double gu = 0.5, gv = 0.1;         // the node's defaults unless set
};

struct Frame {
  Vec3 t, b, n;
};

// The node's turn about the normal: by -turn, as its quaternion rotation.
Vec3 Turn(Vec3 k, double turn, Vec3 v) {
  const double c = std::cos(-turn), s = std::sin(-turn);
  return v * c + standin::Cross(k, v) * s + k * (standin::Dot(k, v) * (1.0 - c));
}

Frame Expected(const KnownFrame& k) {
  using standin::Apply;
  using standin::Cross;
  using standin::Normalized;
  const Mat3 toLocal = standin::Transposed(k.toWorld);
  // Classic mode swaps which matrix takes local space to world space.
  const Mat3& world = k.classic ? toLocal : k.toWorld;
  const Mat3& local = k.classic ? k.toWorld : toLocal;
  const Vec3 n = Normalized(Apply(local, k.normal));
  Vec3 t = Normalized(Cross(k.axis, n));
  t = Normalized(Turn(n, k.turn, t));
  if (k.uv) {
    const Vec3 d = Normalized({(k.uv->x - 0.5) * 2, (k.uv->y - 0.5) * 2, 0.0});
    const Vec3 e = Normalized(Cross(n, t));
    t = t * d.x + e * d.y;
  }
  const Vec3 tw = Normalized(Apply(world, t));
  return {tw, Normalized(Cross(k.normal, tw)), k.normal};
}

// Distance between two lines through the origin: the sign means nothing.
double LineGap(Vec3 a, Vec3 b) {
  return std::min(standin::Length(a - b), standin::Length(a + b));
}

class FrameReadBack : public ProbeTest {};

TEST_F(FrameReadBack, KnownFramesWithin1e9) {
  const Vec3 tilted = standin::Normalized({0.3, -0.4, 0.866});
  const Mat3 turned = Rotation(standin::Normalized({1, 2, 3}), 40.0);
  const Vec3 steep = standin::Normalized({0.6, 0, 0.8});
  const KnownFrame cases[] = {
      {.name = "axis X", .settings = {"axis=0"}, .axis = {1, 0, 0}},
      {.name = "axis Y", .settings = {"axis=1"}, .axis = {0, 1, 0}},
      {.name = "axis Z, tilted normal", .settings = {"axis=2"}, .axis = {0, 0, 1}, .normal = steep},
      {.name = "rotation on a turned object", .settings = {"axis=1", "tangentRotate=0.7"},
       .axis = {0, 1, 0}, .turn = 0.7, .normal = tilted, .toWorld = turned},
      {.name = "UV steering", .settings = {"axis=0"}, .axis = {1, 0, 0}, .uv = Vec3{0.8, 0.3, 0.0},
       .normal = tilted, .toWorld = turned},
      {.name = "classic mode", .settings = {"axis=1", "classicMode=1"}, .axis = {0, 1, 0},
       .classic = true, .normal = tilted, .toWorld = turned},
      {.name = "tiny widths", .settings = {"uGlossiness=0.001", "vGlossiness=0.02"}, .axis = {0, 1, 0},
       .normal = tilted, .toWorld = turned, .gu = 0.001, .gv = 0.02},
      {.name = "huge widths", .settings = {"uGlossiness=50", "vGlossiness=0.3", "tangentRotate=-2"},
       .axis = {0, 1, 0}, .turn = -2.0, .normal = tilted, .toWorld = turned, .gu = 50, .gv = 0.3},
      {.name = "a width of exactly 1", .settings = {"uGlossiness=1", "vGlossiness=0.2"},
       .axis = {0, 1, 0}, .normal = tilted, .toWorld = turned, .gu = 1, .gv = 0.2},
  };
  for (const KnownFrame& k : cases) {
    standin::lookdev::ProbeSetup::Wiring wiring;
    if (k.uv) wiring.emplace_back("UV", standin::InputSource{standin::SourceKind::Vector, {k.uv->x, k.uv->y, 0}});
    const ProbeNode node = Node(k.settings, wiring);
    const HostSpot spot = SpotAt(k.normal, k.toWorld);
    const RecoveredFrame got = RecoverFrame(Probe(node, spot), HintsAt(node, spot));
    const Frame want = Expected(k);
    ASSERT_TRUE(got.valid && !got.isotropic) << k.name;
    EXPECT_LE(LineGap(got.tangent, want.t), 1e-9) << k.name << ": tangent " << Show(got.tangent) << " want " << Show(want.t);
    EXPECT_LE(LineGap(got.bitangent, want.b), 1e-9) << k.name << ": bitangent " << Show(got.bitangent) << " want " << Show(want.b);
    EXPECT_LE(standin::Length(got.normal - want.n), 1e-9) << k.name << ": normal " << Show(got.normal);
    EXPECT_NEAR(got.uWidth / k.gu, 1.0, 1e-9) << k.name << ": U width " << got.uWidth;
    EXPECT_NEAR(got.vWidth / k.gv, 1.0, 1e-9) << k.name << ": V width " << got.vWidth;
  }
}

TEST_F(FrameReadBack, DegenerateSpotsHaveNoFrame) {
  // Axis along the normal: the node's zero-tangent exit gives black.
  const ProbeNode alongNormal = Node({"axis=2"});
  const HostSpot spot = SpotAt({0, 0, 1}, {1, 0, 0, 0, 1, 0, 0, 0, 1});
  EXPECT_FALSE(RecoverFrame(Probe(alongNormal, spot), HintsAt(alongNormal, spot)).valid);
  // Equal widths: a frame and widths, but no tangent the output could fix.
  const ProbeNode round = Node({"uGlossiness=0.3", "vGlossiness=0.3"});
  const RecoveredFrame f = RecoverFrame(Probe(round, spot), HintsAt(round, spot));
  EXPECT_TRUE(f.valid && f.isotropic);
  EXPECT_NEAR(f.uWidth, 0.3, 1e-12);
  EXPECT_EQ(standin::Length(f.tangent), 0.0);
}

// "UV" (0.5, 0.5) steers the tangent to zero: the lobe 1 / (H·N)² fixes
// the normal and nothing else.
TEST_F(FrameReadBack, TangentSteeredToZeroGivesTheNormalAlone) {
  struct Case {
    const char* what;
    Vec3 normal;
    Mat3 toWorld;
    std::vector<std::string> settings;
  };
  const Mat3 identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
  const Case cases[] = {
      {"plane facing +Z", {0, 0, 1}, identity, {}},
      {"tilted normal on a turned object", standin::Normalized({0.3, -0.4, 0.866}),
       Rotation(standin::Normalized({1, 2, 3}), 40.0), {"tangentRotate=0.7"}},
      {"wide lobes", standin::Normalized({0.6, 0, 0.8}), identity, {"uGlossiness=50", "vGlossiness=3"}},
  };
  const standin::InputSource zero{standin::SourceKind::Vector, {0.5, 0.5, 0}};
  for (const Case& c : cases) {
    const ProbeNode node = Node(c.settings, {{"UV", zero}});
    const HostSpot spot = SpotAt(c.normal, c.toWorld);
    const RecoveredFrame f = RecoverFrame(Probe(node, spot), HintsAt(node, spot));
    ASSERT_TRUE(f.valid && f.zeroSteering && !f.isotropic) << c.what;
    EXPECT_LE(standin::Length(f.normal - c.normal), 1e-9) << c.what << ": normal " << Show(f.normal);
    EXPECT_EQ(standin::Length(f.tangent), 0.0) << c.what;
    EXPECT_EQ(standin::Length(f.bitangent), 0.0) << c.what;
    EXPECT_TRUE(std::isnan(f.uWidth) && std::isnan(f.vWidth)) << c.what;
  }
}

}  // namespace
}  // namespace lookdev_test
