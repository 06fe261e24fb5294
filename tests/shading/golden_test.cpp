// Bit-for-bit guard of the evaluation. A seeded generator builds a large set
// of random spots (every input wired or not, settings including out-of-range
// axes, both light types and classic mode, optional services offered or not,
// scene lights with flags, exclusions and illuminate results, degenerate
// vectors) and evaluates each through the module against the fake host. The
// output colour's bit patterns and a hash of the host calls made are compared
// with tests/data/golden_outputs.txt, recorded from the evaluation as it was
// before any speed work: the order of operations is part of the behaviour.
//
// To record the file afresh (only when a change of results is intended):
//   QUILLANE_GOLDEN_UPDATE=1 build/<dir>/tests/golden_tests
//
// The generator draws only 64-bit integers from std::mt19937_64 and maps them
// to doubles itself, so the cases are the same with every standard library.
// NaN outputs are written as "nan": which NaN an operation yields depends on
// the operand order the compiler picks for commutative instructions.
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

constexpr int kCases = 20000;
constexpr std::uint64_t kSeed = 0x51'75'69'6C'6C'61'6E'65;  // "Quillane"
constexpr const char* kHeader = "# quillane golden outputs v1";

const char* const kInputNames[] = {
    "Color",          "Specular", "U Glossiness", "V Glossiness", "Axis",
    "Tangent Rotate", "Normal",   "UV",           "Custom Light"};
const char* const kOptionalServices[] = {"LW Item Info 4", "LW Object Info 7",
                                         "LW Light Info 4"};

// Random draws with a mapping of our own onto doubles.
class Draw {
 public:
  explicit Draw(std::uint64_t seed) : engine_(seed) {}

  // Uniform in [0, 1): the top 53 bits of one draw.
  double Unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  bool Chance(double p) { return Unit() < p; }
  // Uniform integer in [0, n).
  int Index(int n) {
    return static_cast<int>(engine_() % static_cast<std::uint64_t>(n));
  }
  template <typename T, std::size_t N>
  T Pick(const T (&values)[N]) {
    return values[Index(static_cast<int>(N))];
  }

 private:
  std::mt19937_64 engine_;
};

// A scalar that is mostly ordinary and sometimes one of the values the
// evaluation treats specially.
double Scalar(Draw& d, double lo, double hi) {
  static const double kSpecial[] = {0.0,    -0.0, 0.5,    1.0,   -0.25,
                                    1e-300, 2.0,  1e-4,   -1.0,  NAN,
                                    1e300,  0.1,  0.001};
  return d.Chance(0.2) ? d.Pick(kSpecial) : d.Uniform(lo, hi);
}

// A vector: random, axis-aligned, zero or scaled.
void Vector(Draw& d, double out[3], double scale) {
  const int kind = d.Index(10);
  for (int i = 0; i < 3; ++i) out[i] = d.Uniform(-scale, scale);
  if (kind == 0) {
    out[0] = out[1] = out[2] = 0.0;
  } else if (kind <= 2) {
    const int axis = d.Index(3);
    for (int i = 0; i < 3; ++i) out[i] = i == axis ? d.Pick({1.0, -1.0, 3.0}) : 0.0;
  } else if (kind == 3) {
    out[d.Index(3)] = 0.0;
  }
}

// "UV" values, including the centre and the four steering extremes.
void UvValue(Draw& d, double out[3]) {
  static const double kExact[][2] = {{0.5, 0.5}, {1.0, 0.5}, {0.5, 1.0},
                                     {0.0, 0.5}, {0.5, 0.0}};
  out[0] = d.Unit();
  out[1] = d.Unit();
  out[2] = d.Uniform(-1.0, 1.0);
  if (d.Chance(0.15)) {
    const auto& e = kExact[d.Index(5)];
    out[0] = e[0];
    out[1] = e[1];
  }
}

// Identity, a rotation, its transpose pair, or a general matrix.
void Matrices(Draw& d, double toWorld[9], double toLocal[9]) {
  const int kind = d.Index(4);
  if (kind == 0) {
    for (int i = 0; i < 9; ++i) toWorld[i] = toLocal[i] = kIdentity[static_cast<std::size_t>(i)];
    return;
  }
  for (int i = 0; i < 9; ++i) toWorld[i] = d.Uniform(-1.0, 1.0);
  if (kind == 1) {
    // A rotation about Z and its inverse.
    const double a = d.Uniform(-3.2, 3.2), c = std::cos(a), s = std::sin(a);
    const double r[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) toWorld[i] = r[i];
  }
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      toLocal[3 * r + c] = kind == 3 ? d.Uniform(-1.0, 1.0) : toWorld[3 * c + r];
}

void Settings(Draw& d, NodeData* data) {
  for (double& c : data->color) c = d.Uniform(0.0, 1.2);
  data->specular = d.Chance(0.85) ? d.Uniform(0.01, 1.5) : Scalar(d, -1.0, 1.0);
  data->uGlossiness = Scalar(d, -0.5, 1.5);
  data->vGlossiness = Scalar(d, -0.5, 1.5);
  data->axis = d.Chance(0.9) ? d.Index(3) : d.Pick({-1, 3, 7, INT_MIN});
  data->tangentRotate = d.Chance(0.4) ? d.Pick({0.0, -0.0}) : Scalar(d, -3.2, 3.2);
  data->customLightType = d.Pick({0, 0, 1, 2});
  data->classicMode = d.Pick({0, 0, 1, 7});
}

void Wiring(Draw& d, FakeHost& host) {
  for (const char* name : kInputNames) {
    FakeInput& input = host.Input(name);
    input.connected = d.Chance(0.35);
    const std::string n = name;
    if (n == "UV") {
      UvValue(d, input.value);
    } else if (input.type == kConnectionScalar) {
      input.value[0] = n == "Specular" ? (d.Chance(0.8) ? d.Uniform(0.01, 2.0)
                                                        : Scalar(d, -1.0, 1.0))
                                       : Scalar(d, -3.2, 3.2);
    } else {
      Vector(d, input.value, n == "Custom Light" ? 10.0 : 2.0);
    }
  }
}

void Services(Draw& d, FakeHost& host) {
  for (const char* name : kOptionalServices) host.offered[name] = d.Chance(0.8);
  host.InstallServices();
}

void Lights(Draw& d, FakeHost& host) {
  host.lights.assign(static_cast<std::size_t>(d.Index(6)), FakeLight{});
  int count = 0;
  for (FakeLight& light : host.lights) {
    light.name = "L" + std::to_string(++count);
    light.flags = d.Chance(0.7) ? 0u : d.Pick({1u, 3u, 4u, 5u, 6u, 8u, 12u});
    light.excluded = d.Chance(0.15);
    light.illuminate = d.Chance(0.75) ? 1 : d.Pick({-1, 0, 2, INT_MAX});
    Vector(d, light.direction, 2.0);
    for (double& c : light.color) c = d.Uniform(0.0, 2.0);
  }
}

void Spot(Draw& d, FakeHost& host, RayTraceFunc rayTrace) {
  SpotInfo& spot = host.spot;
  Vector(d, spot.worldPosition, 5.0);
  Vector(d, spot.normal, 1.5);
  if (d.Chance(0.05)) {
    for (int i = 0; i < 3; ++i) spot.raySource[i] = spot.worldPosition[i];
  } else {
    Vector(d, spot.raySource, 8.0);
  }
  Matrices(d, spot.toWorld, spot.toLocal);
  spot.object = d.Chance(0.1) ? nullptr : reinterpret_cast<ItemHandle>(&host);
  spot.flags = d.Chance(0.05) ? d.Pick({1, 3}) : d.Pick({0, 0, 0, 2, 4});
  // The evaluation only tests the ray-trace entry against null.
  spot.rayTrace = d.Chance(0.03) ? nullptr : rayTrace;
}

// FNV-1a over the host calls, one line each.
std::uint32_t TraceHash(const std::vector<std::string>& trace) {
  std::uint32_t h = 2166136261u;
  for (const std::string& line : trace) {
    for (const char c : line + "\n") {
      h ^= static_cast<unsigned char>(c);
      h *= 16777619u;
    }
  }
  return h;
}

std::string Bits(double v) {
  if (std::isnan(v)) return "nan";
  char text[20];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(v)));
  return text;
}

// One line per case: the call hash, then "-" (no output) or the colour.
std::string Outcome(FakeHost& host, NodeData* data) {
  host.trace.clear();
  std::array<double, 3> out{};
  const bool set = host.Evaluate(data, &out);
  char hash[12];
  std::snprintf(hash, sizeof hash, "%08x", TraceHash(host.trace));
  std::string line = hash;
  if (!set) return line + " -";
  for (double v : out) line += " " + Bits(v);
  return line;
}

// What a case was, for a failure message.
std::string Describe(const FakeHost& host, const NodeData& data) {
  std::ostringstream s;
  s << "axis " << data.axis << ", rotate " << data.tangentRotate
    << ", light type " << data.customLightType << ", classic "
    << data.classicMode << ", specular " << data.specular << ", gloss "
    << data.uGlossiness << "/" << data.vGlossiness << "; wired:";
  for (const FakeInput& input : host.nodes.back().inputs)
    if (input.connected) s << " " << input.name;
  s << "; services:";
  for (const char* name : kOptionalServices)
    if (host.offered.at(name)) s << " \"" << name << "\"";
  s << "; " << host.lights.size() << " lights; flags " << host.spot.flags
    << (host.spot.object ? "" : ", no object")
    << (host.spot.rayTrace ? "" : ", no ray trace");
  return s.str();
}

std::vector<std::string> ReadGolden(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

// Writes beside the target, then renames over it.
void WriteGolden(const std::string& path, const std::vector<std::string>& lines) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << kHeader << ": " << lines.size() << " cases, seed " << kSeed
        << "; regenerate with QUILLANE_GOLDEN_UPDATE=1\n";
    for (const std::string& line : lines) out << line << "\n";
    ASSERT_TRUE(out.good()) << "cannot write " << temp;
  }
  std::filesystem::rename(temp, path);
}

TEST(Golden, EveryRandomCaseMatchesTheRecordedOutputBitForBit) {
  FakeHost host;
  NodeData* data = host.CreateInstance();
  const RayTraceFunc rayTrace = host.spot.rayTrace;
  Draw d(kSeed);

  std::vector<std::string> got;
  std::vector<std::string> described;
  got.reserve(kCases);
  for (int i = 0; i < kCases; ++i) {
    Settings(d, data);
    Wiring(d, host);
    Services(d, host);
    Lights(d, host);
    Spot(d, host, rayTrace);
    got.push_back(Outcome(host, data));
    host.outputs.clear();
    described.push_back(Describe(host, *data));
  }
  DestroyNode(data);

  const std::string path = QUILLANE_GOLDEN_FILE;
  if (std::getenv("QUILLANE_GOLDEN_UPDATE")) {
    WriteGolden(path, got);
    GTEST_SKIP() << "recorded " << got.size() << " cases to " << path;
  }
  const std::vector<std::string> expected = ReadGolden(path);
  ASSERT_EQ(expected.size(), got.size())
      << path << " is missing or holds another number of cases";
  int mismatches = 0;
  for (std::size_t i = 0; i < got.size() && mismatches < 10; ++i) {
    if (got[i] == expected[i]) continue;
    ++mismatches;
    ADD_FAILURE() << "case " << i << " (" << path << " line " << i + 2
                  << ")\n  expected: " << expected[i] << "\n  got:      "
                  << got[i] << "\n  case: " << described[i];
  }
}

}  // namespace
