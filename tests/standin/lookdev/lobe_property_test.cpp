// Properties of the lobe, checked through the loaded module over seeded
// random spots: reciprocity, equal widths hiding the tangent, the two widths
// swapped with a quarter turn, and the bounds on a unit half vector.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <utility>

#include "tests/standin/lookdev/probe_fixture.h"

namespace lookdev_test {
namespace {

constexpr int kSpots = 64;

// Relative difference in units of 1e-15 (a few ulps of values near 1).
double Ulps(double a, double b) { return std::fabs(a - b) / std::fabs(b) / 1e-15; }

class LobeProperty : public ProbeTest {
 protected:
  std::mt19937_64 random_{20261208};
  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }
  Vec3 Direction() {
    const double z = Uniform(-1, 1), a = Uniform(0, 2 * std::numbers::pi);
    const double r = std::sqrt(1 - z * z);
    return {r * std::cos(a), r * std::sin(a), z};
  }
  // A direction on the normal's side.
  Vec3 Above(Vec3 n) {
    const Vec3 d = Direction();
    return standin::Dot(d, n) < 0 ? -d : d;
  }
  HostSpot Spot(Vec3* normal) {
    *normal = Direction();
    return SpotAt(*normal, Rotation(Direction(), Uniform(0, 360)));
  }
  // The exact text of v, so the node holds the value the test reasons with.
  static std::string Setting(const char* key, double v) {
    char text[40];
    std::snprintf(text, sizeof text, "=%.17g", v);
    return key + std::string(text);
  }
  // Over kSpots spots, the two nodes `make` gives agree within `ulps` at a
  // half vector on the normal's side.
  template <typename Make>
  void ExpectSameAtHalf(Make make, double ulps) {
    for (int i = 0; i < kSpots; ++i) {
      Vec3 n;
      const HostSpot spot = Spot(&n);
      const auto [a, b] = make();
      const Vec3 h = Above(n);
      const double fa = Probe(a, spot).AtHalf(h), fb = Probe(b, spot).AtHalf(h);
      EXPECT_LE(Ulps(fa, fb), ulps) << "spot " << i << ": " << fa << " vs " << fb;
    }
  }
};

TEST_F(LobeProperty, SwappingViewAndLightGivesTheSameOutput) {
  for (int i = 0; i < kSpots; ++i) {
    Vec3 n;
    HostSpot spot = Spot(&n);
    const ProbeNode node = Node({Setting("uGlossiness", Uniform(0.01, 2)),
                                 Setting("vGlossiness", Uniform(0.01, 2)),
                                 Setting("tangentRotate", Uniform(-3, 3)), "axis=" + std::to_string(i % 3)});
    const Vec3 v = Above(n), l = Above(n);
    standin::Store(v * 5.0, spot.info.raySource);
    const double forward = Probe(node, spot).AtLight(l);
    standin::Store(l * 5.0, spot.info.raySource);
    const double back = Probe(node, spot).AtLight(v);
    EXPECT_LE(Ulps(forward, back), 8) << "spot " << i << ": " << forward << " vs " << back;
  }
}

TEST_F(LobeProperty, EqualWidthsMakeRotationAndUvIrrelevant) {
  ExpectSameAtHalf([&] {
    const std::string g = Setting("uGlossiness", Uniform(0.01, 2));
    const std::string same = "vGlossiness" + g.substr(g.find('='));
    ProbeNode plain = Node({g, same});
    ProbeNode steered =
        Node({g, same, Setting("tangentRotate", Uniform(-3, 3))},
             {{"UV", {standin::SourceKind::Vector, {Uniform(0, 1), Uniform(0, 1), 0}}}});
    return std::pair(std::move(plain), std::move(steered));
  }, 16);
}

TEST_F(LobeProperty, SwappedWidthsWithAQuarterTurnGiveTheSameOutput) {
  ExpectSameAtHalf([&] {
    const double gu = Uniform(0.01, 2), gv = Uniform(0.01, 2), turn = Uniform(-3, 3);
    ProbeNode a = Node({Setting("uGlossiness", gu), Setting("vGlossiness", gv),
                        Setting("tangentRotate", turn)});
    ProbeNode b = Node({Setting("uGlossiness", gv), Setting("vGlossiness", gu),
                        Setting("tangentRotate", turn - std::numbers::pi / 2)});
    return std::pair(std::move(a), std::move(b));
  }, 1e5);
}

TEST_F(LobeProperty, UnitHalfVectorLobeLiesBetweenTheSquaredWidthsAndOne) {
  for (int i = 0; i < kSpots; ++i) {
    Vec3 n;
    const HostSpot spot = Spot(&n);
    const double gu = Uniform(0.01, 3), gv = Uniform(0.01, 3);
    const ProbeNode node = Node({Setting("uGlossiness", gu), Setting("vGlossiness", gv),
                                 Setting("tangentRotate", Uniform(-3, 3))});
    const double lo = std::min({1.0, gu * gu, gv * gv}), hi = std::max({1.0, gu * gu, gv * gv});
    const Vec3 h = Direction();
    const double f = Probe(node, spot).AtHalf(h);
    EXPECT_TRUE(f >= lo * (1 - 1e-12) && f <= hi * (1 + 1e-12))
        << "spot " << i << ": " << f << " outside [" << lo << ", " << hi << "]";
  }
}

}  // namespace
}  // namespace lookdev_test
