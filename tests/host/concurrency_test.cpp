// Several threads evaluate the same instances and different instances at
// once, over every path of the evaluation, while another thread copies
// settings into an instance that no evaluation reads. Every result must be
// bit for bit the one a single thread computes. Run under ThreadSanitizer by
// scripts/check-reliability.sh; in the other builds it checks the results.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/node_data.h"
#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

using Result = FakeResult;

// One instance and how it was set up, for failure messages.
struct Case {
  const char* name;
  FakeNode node;
  NodeData* data = nullptr;
};

// Lights that take every branch of the scene-light walk: lit, excluded
// from the object, not affecting specular, not reaching the spot.
std::vector<FakeLight> SceneLights() {
  std::vector<FakeLight> lights(5);
  lights[0].direction[0] = -0.3;
  lights[1].excluded = true;
  lights[2].flags = kLightNoSpecular;
  lights[3].illuminate = 0;
  lights[4].direction[1] = -1.0;
  lights[4].color[1] = 0.25;
  return lights;
}

// Spots: plain, tilted with turned matrices, off-centre, and the two early
// exits (no ray-trace entry, shadow ray).
std::vector<SpotInfo> Spots(const FakeHost& host) {
  std::vector<SpotInfo> spots;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 6; ++i) {
    SpotInfo spot = host.Spot();
    if (i > 0) {
      for (double& p : spot.worldPosition) p = u(rng);
      for (double& n : spot.normal) n = u(rng);
      const double a = u(rng) * 3.0, c = std::cos(a), s = std::sin(a);
      const double turn[9] = {c, -s, 0.0, s, c, 0.0, 0.0, 0.0, 1.0};
      const double back[9] = {c, s, 0.0, -s, c, 0.0, 0.0, 0.0, 1.0};
      std::memcpy(spot.toWorld, turn, sizeof turn);
      std::memcpy(spot.toLocal, back, sizeof back);
    }
    spots.push_back(spot);
  }
  SpotInfo untraced = host.Spot();
  untraced.rayTrace = nullptr;
  spots.push_back(untraced);
  SpotInfo shadow = host.Spot();
  shadow.flags = kSpotShadowRay;
  spots.push_back(shadow);
  SpotInfo noObject = host.Spot();
  noObject.object = nullptr;
  spots.push_back(noObject);
  return spots;
}

// Instances whose settings and wiring take each path of the evaluation.
void MakeCases(FakeHost& host, std::vector<Case>* cases) {
  const char* names[] = {"defaults",      "no specular",   "zero tangent",
                         "distant light", "point light",   "rotated classic",
                         "all wired",     "Z axis rotated"};
  cases->resize(std::size(names));
  for (size_t i = 0; i < cases->size(); ++i) {
    Case& c = (*cases)[i];
    c.name = names[i];
    c.data = host.Create(&c.node);
    ASSERT_NE(c.data, nullptr) << c.name;
  }
  (*cases)[1].data->specular = 0.0;
  (*cases)[2].node.Wire("Normal", 0.0, 1.0, 0.0);
  (*cases)[3].node.Wire("Custom Light", 0.2, -0.5, -1.0);
  (*cases)[4].data->customLightType = kLightPoint;
  (*cases)[4].node.Wire("Custom Light", 1.0, 2.0, 3.0);
  NodeData* rotated = (*cases)[5].data;
  rotated->tangentRotate = 0.7;
  rotated->classicMode = 1;
  rotated->axis = 0;
  (*cases)[5].node.Wire("UV", 0.2, 0.9);
  FakeNode& all = (*cases)[6].node;
  all.Wire("Color", 0.9, 0.5, 0.25);
  all.Wire("Specular", 1.5);
  all.Wire("U Glossiness", 0.0);
  all.Wire("V Glossiness", 0.05);
  all.Wire("Axis", 0.3, 0.2, 0.9);
  all.Wire("Tangent Rotate", -0.4);
  all.Wire("Normal", 0.1, 0.2, 1.0);
  all.Wire("UV", 0.7, 0.1);
  (*cases)[7].data->axis = 2;
  (*cases)[7].data->tangentRotate = 2.0;
  (*cases)[7].data->color[1] = 0.5;
}

// Withholds the optional services named by the bits of `withheld`: item
// info (1), object info (2), light info (4).
void Withhold(FakeHost& host, unsigned withheld) {
  host.offered[kServiceItemInfo] = !(withheld & 1u);
  host.offered[kServiceObjectInfo] = !(withheld & 2u);
  host.offered[kServiceLightInfo] = !(withheld & 4u);
}

bool SameBits(const Result& a, const Result& b) {
  return a.sets == b.sets && std::memcmp(a.rgb, b.rgb, sizeof a.rgb) == 0;
}

std::string Describe(const Result& r) {
  std::ostringstream out;
  out.precision(17);
  out << r.sets << " set(s) of (" << r.rgb[0] << ", " << r.rgb[1] << ", "
      << r.rgb[2] << ")";
  return out.str();
}

// Evaluates every case at every spot on one thread, then on `threads`
// threads at once in shuffled orders, with a copying thread beside them.
void RunAgainstSingleThread(unsigned withheld, int threads, int rounds) {
  FakeHost host(Calls::kCounted);
  FakeHost::lights = SceneLights();
  Withhold(host, withheld);
  ASSERT_EQ(host.Activate(), kActivateOk);
  std::vector<Case> cases;
  MakeCases(host, &cases);
  const std::vector<SpotInfo> spots = Spots(host);

  std::vector<Result> expected(cases.size() * spots.size());
  for (size_t c = 0; c < cases.size(); ++c)
    for (size_t s = 0; s < spots.size(); ++s) {
      SpotInfo spot = spots[s];
      host.Evaluate(cases[c].data, &spot, &expected[c * spots.size() + s]);
    }

  FakeNode spareNode;
  NodeData* spare = host.Create(&spareNode);
  ASSERT_NE(spare, nullptr);
  std::atomic<int> running{threads};
  std::atomic<long> copies{0};
  std::thread copier([&] {
    for (size_t i = 0; running > 0 || copies < 100; ++i) {
      CopyNode(spare, cases[i % cases.size()].data);
      ++copies;
    }
  });

  std::vector<std::string> failures(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::vector<size_t> order(expected.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::mt19937 rng(static_cast<unsigned>(100 + t));
      for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), rng);
        for (size_t i : order) {
          SpotInfo spot = spots[i % spots.size()];
          Result got;
          host.Evaluate(cases[i / spots.size()].data, &spot, &got);
          if (!SameBits(got, expected[i]) && failures[static_cast<size_t>(t)].empty())
            failures[static_cast<size_t>(t)] =
                std::string(cases[i / spots.size()].name) + " at spot " +
                std::to_string(i % spots.size()) + ": " + Describe(got) +
                ", one thread gave " + Describe(expected[i]);
        }
      }
      --running;
    });
  }
  for (std::thread& w : workers) w.join();
  copier.join();

  for (int t = 0; t < threads; ++t)
    EXPECT_EQ(failures[static_cast<size_t>(t)], "") << "thread " << t;
  EXPECT_GE(copies, 100);
  // The copies went only into the spare.
  EXPECT_EQ(std::memcmp(spare->color, cases[static_cast<size_t>(copies - 1) % cases.size()].data->color,
                        sizeof spare->color), 0);
  for (Case& c : cases) host.Destroy(c.data);
  host.Destroy(spare);
}

// Every set of optional services: scene lights with and without object and
// light info, and the fixed light of a host without item info.
TEST(Concurrency, EveryServiceOfferMatchesOneThreadBitForBit) {
  for (unsigned withheld = 0; withheld < 8; ++withheld) {
    SCOPED_TRACE("withheld optional services: " + std::to_string(withheld));
    RunAgainstSingleThread(withheld, 4, 100);
  }
}

TEST(Concurrency, EveryPathIsTaken) {
  // Guards the setup above: each case must give what its name says.
  FakeHost host(Calls::kCounted);
  FakeHost::lights = SceneLights();
  ASSERT_EQ(host.Activate(), kActivateOk);
  std::vector<Case> cases;
  MakeCases(host, &cases);
  auto at = [&](size_t c, SpotInfo spot) {
    Result r;
    host.Evaluate(cases[c].data, &spot, &r);
    return r;
  };
  const std::vector<SpotInfo> spots = Spots(host);
  EXPECT_EQ(at(0, spots[6]).sets, 0) << "untraced spot";
  EXPECT_EQ(at(0, spots[7]).rgb[0], 0.0) << "shadow ray";
  EXPECT_EQ(at(0, spots[8]).rgb[0], 0.0) << "no object: every scene light skipped";
  EXPECT_EQ(at(1, spots[0]).rgb[0], 0.0) << "no specular";
  EXPECT_EQ(at(2, spots[0]).rgb[0], 0.0) << "zero tangent";
  for (size_t c : {0u, 3u, 4u, 5u, 6u, 7u}) {
    const Result r = at(c, spots[c == 7 ? 1 : 0]);
    EXPECT_EQ(r.sets, 1) << cases[c].name;
    EXPECT_GT(r.rgb[0], 0.0) << cases[c].name;
  }
  for (Case& c : cases) host.Destroy(c.data);
}

}  // namespace
