// Evaluate through the loaded quillane.p with the fake host's bare calls,
// on each path, next to its lean reference (bench/lean_reference.h) and its
// two floors (bench/floors.h); and the two parts of one more scene light:
// one lobe, and that light's host calls.
//
// Names: Evaluate/<path>, Lean/<path>, ArithFloor/<path>, HostFloor/<path>,
// Light/lobe, Light/host_calls. bench/ratios.py turns them into ratios.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/floors.h"
#include "bench/lean_reference.h"
#include "tests/doubles/fake_host.h"
#include "tests/doubles/opened_module.h"

namespace bench {
namespace {

// quillane.p as a host opens it: the descriptor, start-up and the
// "NodeHandler" server, activated with the fake host's bare calls.
class BenchModule {
 public:
  explicit BenchModule(const char* path) : file_(path), error_(file_.error()) {
    if (!error_.empty()) return;
    serverData_ = file_.descriptor()->startup();
    server_ = file_.Server(kClassNodeHandler);
    if (!server_) error_ = std::string(path) + ": no NodeHandler server";
  }

  // Activates "NodeHandler" with the services `host` offers now.
  bool Activate(FakeHost& host) {
    if (!server_) return false;
    const int code = host.Activate(server_->activate, serverData_);
    if (code != kActivateOk)
      error_ = "activation returned " + std::to_string(code);
    return code == kActivateOk;
  }

  const std::string& error() const { return error_; }

 private:
  OpenedModule file_;  // kept loaded for the process's life
  std::string error_;
  const ServerRecord* server_ = nullptr;
  void* serverData_ = nullptr;
};

// The built quillane.p, or the file QUILLANE_BENCH_MODULE names, to compare
// two builds of the module under the same floors (the stand-in host's
// benchmarks always load the built one).
BenchModule& Module() {
  static BenchModule module([] {
    const char* other = std::getenv("QUILLANE_BENCH_MODULE");
    return other && *other ? other : QUILLANE_MODULE_PATH;
  }());
  return module;
}

// One node on one spot, set up for a path. The benchmarks reach into the
// module's NodeData for the settings, as the panel would set them.
struct Fixture {
  FakeHost host{Calls::kBare};
  FakeNode node;
  NodeData* data = nullptr;
  SpotInfo spot = host.Spot();
  double value[3] = {0.0, 0.0, 0.0};

  ValueHandle Value() { return reinterpret_cast<ValueHandle>(value); }
  void Wire(const char* name, double x, double y = 0.0, double z = 0.0) {
    node.Wire(name, x, y, z);
  }
};

struct Path {
  const char* name;
  Stop stop;
  std::function<void(Fixture&)> configure;
};

// Whether the lookup offers "LW Item Info 4", "LW Object Info 7" and
// "LW Light Info 4".
void OfferItems(FakeHost& host, bool offer) {
  for (const char* name :
       {kServiceItemInfo, kServiceObjectInfo, kServiceLightInfo})
    host.offered[name] = offer;
}

void SceneLights(FakeHost& host, int count) {
  OfferItems(host, true);
  FakeHost::lights.assign(static_cast<std::size_t>(count), FakeLight{});
  for (int i = 0; i < count; ++i) {
    FakeLight& l = FakeHost::lights[static_cast<std::size_t>(i)];
    const double a = 0.4 * i;
    l.direction[0] = 0.6 * std::cos(a);
    l.direction[1] = 0.6 * std::sin(a);
    l.direction[2] = -0.8;
    l.color[0] = 1.0;
    l.color[1] = 0.5 + 0.02 * i;
    l.color[2] = 0.25;
  }
}

void FixedLight(Fixture& f) {
  OfferItems(f.host, false);
  FakeHost::lights.clear();
}

const Path kPaths[] = {
    {"fixed_light", Stop::kFull, FixedLight},
    {"lights_1", Stop::kFull, [](Fixture& f) { SceneLights(f.host, 1); }},
    {"lights_4", Stop::kFull, [](Fixture& f) { SceneLights(f.host, 4); }},
    {"lights_16", Stop::kFull, [](Fixture& f) { SceneLights(f.host, 16); }},
    {"all_wired_point", Stop::kFull,
     [](Fixture& f) {
       SceneLights(f.host, 4);  // offered, and not walked: the custom light wins
       f.data->customLightType = kLightPoint;
       f.Wire("Color", 0.2, 0.4, 0.6);
       f.Wire("Specular", 0.5);
       f.Wire("U Glossiness", 0.25);
       f.Wire("V Glossiness", 0.05);
       f.Wire("Axis", 0.0, 3.0, 0.0);
       f.Wire("Tangent Rotate", 0.3);
       f.Wire("Normal", 0.1, 0.2, 2.0);
       f.Wire("UV", 0.75, 0.9, 0.0);
       f.Wire("Custom Light", 3.0, 2.0, 5.0);
     }},
    {"uv_rotate", Stop::kFull,
     [](Fixture& f) {
       FixedLight(f);
       f.data->axis = 0;
       f.data->tangentRotate = std::numbers::pi / 6;
       f.Wire("UV", 0.75, 0.9, 0.0);
     }},
    {"exit_no_trace", Stop::kNoTrace,
     [](Fixture& f) {
       SceneLights(f.host, 4);
       f.spot.rayTrace = nullptr;
     }},
    {"exit_shadow", Stop::kShadow,
     [](Fixture& f) {
       SceneLights(f.host, 4);
       f.spot.flags = kSpotShadowRay;
     }},
    {"exit_no_specular", Stop::kNoSpecular,
     [](Fixture& f) {
       SceneLights(f.host, 4);
       f.data->specular = 0.0;
     }},
    {"exit_zero_tangent", Stop::kZeroTangent,
     [](Fixture& f) {
       SceneLights(f.host, 4);
       f.data->axis = 2;  // along the normal
     }},
};

// Hands the reference the tables the module was activated with.
void SetLeanHost() {
  const HostServices t = FakeHost::Services();
  lean::SetHost({t.input, t.output, t.itemInfo, t.objectInfo, t.lightInfo});
}

// Creates the node through the module, configures the path and activates
// with the services it needs. Returns an error message or "".
std::string SetUp(const Path& path, Fixture* f) {
  BenchModule& module = Module();
  if (!module.error().empty()) return module.error();
  if (!module.Activate(f->host)) return module.error();
  f->data = f->host.Create(&f->node);
  if (!f->data) return "create failed";
  path.configure(*f);
  if (!module.Activate(f->host)) return module.error();
  SetLeanHost();
  return "";
}

void TearDown(Fixture* f) {
  if (f->data) f->host.Destroy(f->data);
}

// The floor must compute what the module computes, bit for bit.
std::string CheckFloor(Fixture* f, const PreRead& in) {
  double floor[3] = {0.0, 0.0, 0.0};
  const bool set = ArithmeticFloor(in, floor);
  const double kUnset = -12345.0;
  f->value[0] = f->value[1] = f->value[2] = kUnset;
  f->host.evaluate()(f->data, &f->spot, f->data->outColor, f->Value());
  const bool moduleSet = f->value[0] != kUnset;
  if (set != moduleSet) return "the floor and the module disagree on setting an output";
  if (set && std::memcmp(floor, f->value, sizeof floor) != 0)
    return "the floor's colour differs from the module's";
  return "";
}

void RunEvaluate(benchmark::State& state, const Path& path) {
  Fixture f;
  std::string error = SetUp(path, &f);
  if (error.empty()) error = CheckFloor(&f, ReadAhead(*f.data, f.node, f.spot, FakeHost::Services()));
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return TearDown(&f);
  }
  const EvaluateFunc evaluate = f.host.evaluate();
  for (auto _ : state) {
    evaluate(f.data, &f.spot, f.data->outColor, f.Value());
    benchmark::ClobberMemory();
  }
  TearDown(&f);
}

// Seeded random spots that keep a path's way through the evaluation: new
// positions, matrices, input values, settings and light answers (now and
// then a light that is excluded, affects no specular or does not reach),
// with the decisions the path makes (wiring, exits, rotation or none) left
// as they are.
class SpotShuffler {
 public:
  explicit SpotShuffler(const Path& path) : stop_(path.stop) {}

  void Shuffle(Fixture* f) {
    SpotInfo& s = f->spot;
    for (double& x : s.worldPosition) x = Uniform(-10.0, 10.0);
    for (double& x : s.raySource) x = Uniform(-10.0, 10.0);
    for (double& x : s.normal) x = Uniform(-2.0, 2.0);
    for (double& x : s.toWorld) x = Uniform(-1.0, 1.0);
    for (double& x : s.toLocal) x = Uniform(-1.0, 1.0);
    NodeData& d = *f->data;
    for (double& x : d.color) x = Uniform(0.0, 1.0);
    d.uGlossiness = Gloss();
    d.vGlossiness = Gloss();
    d.classicMode = Chance() ? 1 : 0;
    d.customLightType = Chance() ? kLightPoint : kLightDistant;
    if (d.tangentRotate != 0.0) d.tangentRotate = Uniform(0.05, 3.0);
    if (stop_ == Stop::kNoSpecular) d.specular = -Uniform(0.0, 1.0) * Chance();
    else d.specular = Uniform(0.01, 1.0);
    if (stop_ == Stop::kZeroTangent) {
      // The local normal along the Z axis: the matrices leave x and y at 0.
      s.normal[0] = s.normal[1] = 0.0;
      s.normal[2] = Uniform(0.5, 2.0);
      s.toWorld[2] = s.toWorld[5] = s.toLocal[2] = s.toLocal[5] = 0.0;
    } else {
      d.axis = static_cast<std::int32_t>(engine_() % 5) - 1;
    }
    for (FakeInput& in : f->node.inputs) {
      const bool scalar = in.count == 1;
      for (double& x : in.value) x = Uniform(scalar ? 0.05 : -3.0, 3.0);
    }
    for (FakeLight& l : FakeHost::lights) {
      l.flags = engine_() % 16 == 0 ? kLightNoSpecular : 0u;
      l.excluded = engine_() % 16 == 0;
      l.illuminate = engine_() % 16 == 0 ? 0 : 1;
      for (double& x : l.direction) x = Uniform(-1.0, 1.0);
      for (double& x : l.color) x = Uniform(0.0, 1.0);
    }
  }

 private:
  double Uniform(double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(engine_() >> 11) * 0x1.0p-53);
  }
  bool Chance() { return engine_() & 1; }
  double Gloss() { return engine_() % 10 == 0 ? 0.0 : Uniform(0.0, 1.0); }

  Stop stop_;
  std::mt19937_64 engine_{20261208};
};

// Evaluates once through `function`; false when it set no output.
bool EvaluateOnce(EvaluateFunc function, Fixture* f, double out[3]) {
  const double kUnset = -12345.0;
  f->value[0] = f->value[1] = f->value[2] = kUnset;
  function(f->data, &f->spot, f->data->outColor, f->Value());
  std::memcpy(out, f->value, sizeof f->value);
  return f->value[0] != kUnset;
}

// The reference must compute what the module computes, bit for bit: on the
// path's spot and on QUILLANE_BENCH_SPOTS (default 300000) random spots.
std::string CheckReference(const Path& path, EvaluateFunc reference) {
  Fixture f;
  std::string error = SetUp(path, &f);
  const char* count = std::getenv("QUILLANE_BENCH_SPOTS");
  const long spots = count && *count ? std::atol(count) : 300000;
  SpotShuffler shuffler(path);
  for (long i = 0; error.empty() && i <= spots; ++i) {
    if (i > 0) shuffler.Shuffle(&f);
    double ours[3], theirs[3];
    const bool set = EvaluateOnce(f.host.evaluate(), &f, theirs);
    const bool same = EvaluateOnce(reference, &f, ours) == set &&
                      (!set || std::memcmp(ours, theirs, sizeof ours) == 0);
    if (!same)
      error = "the lean reference differs from the module on " +
              (i == 0 ? std::string("the path's spot")
                      : "random spot " + std::to_string(i));
  }
  TearDown(&f);
  return error;
}

void RunLean(benchmark::State& state, const Path& path) {
  static std::map<std::string, std::string> checked;
  const EvaluateFunc reference = lean::Reference(path.name);
  if (!reference) return state.SkipWithError("no lean reference");
  if (!checked.contains(path.name)) {
    checked[path.name] = CheckReference(path, reference);
  }
  Fixture f;
  std::string error = checked[path.name];
  if (error.empty()) error = SetUp(path, &f);
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return TearDown(&f);
  }
  for (auto _ : state) {
    reference(f.data, &f.spot, f.data->outColor, f.Value());
    benchmark::ClobberMemory();
  }
  TearDown(&f);
}

void RunArithFloor(benchmark::State& state, const Path& path) {
  Fixture f;
  const std::string error = SetUp(path, &f);
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return TearDown(&f);
  }
  PreRead in = ReadAhead(*f.data, f.node, f.spot, FakeHost::Services());
  double out[3];
  for (auto _ : state) {
    benchmark::DoNotOptimize(in);
    bool set = ArithmeticFloor(in, out);
    benchmark::DoNotOptimize(set);
    benchmark::DoNotOptimize(out);
  }
  TearDown(&f);
}

void RunHostFloor(benchmark::State& state, const Path& path) {
  Fixture f;
  const std::string error = SetUp(path, &f);
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return TearDown(&f);
  }
  const HostServices tables = FakeHost::Services();
  for (auto _ : state) {
    HostCallFloor(tables, *f.data, &f.spot, f.Value(), path.stop);
    benchmark::ClobberMemory();
  }
  TearDown(&f);
}

// One lobe, kept out of line so that instruction counts can find it.
[[gnu::noinline]] int LobeCall(ShadingFrame* frame, const Vec3& direction,
                               const Color& color) {
  return SpecularLobe(frame, direction, color);
}

// One lobe on the frame of a spot at the origin seen from +Z.
void RunLobe(benchmark::State& state) {
  ShadingFrame frame{};
  frame.normal = {0.0, 0.0, 1.0};
  frame.tangent = {1.0, 0.0, 0.0};
  frame.bitangent = {0.0, 1.0, 0.0};
  frame.view = {0.0, 0.0, -1.0};
  frame.uGloss = 0.5;
  frame.vGloss = 0.1;
  Vec3 direction{0.6, 0.0, -0.8};
  Color color{1.0, 0.5, 0.25};
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame);
    benchmark::DoNotOptimize(direction);
    benchmark::DoNotOptimize(color);
    int lit = LobeCall(&frame, direction, color);
    benchmark::DoNotOptimize(lit);
  }
}

// One scene light's host calls in the walk: flags, exclusion, illuminate,
// next item. Kept out of line so that instruction counts can find it.
[[gnu::noinline]] ItemHandle LightCalls(const HostServices& t, SpotInfo* spot,
                                        ItemHandle light) {
  const unsigned flags = t.lightInfo->flags(light);
  benchmark::DoNotOptimize(flags);
  const int excluded = t.objectInfo->excludedLight(spot->object, light);
  benchmark::DoNotOptimize(excluded);
  double direction[3], color[3];
  const int lit = spot->illuminate(light, spot->worldPosition, direction, color);
  benchmark::DoNotOptimize(lit);
  benchmark::DoNotOptimize(direction);
  benchmark::DoNotOptimize(color);
  return t.itemInfo->next(light);
}

void RunLightCalls(benchmark::State& state) {
  FakeHost host(Calls::kBare);
  SceneLights(host, 2);
  const HostServices t = FakeHost::Services();
  SpotInfo spot = host.Spot();
  ItemHandle light = t.itemInfo->first(kItemLight, nullptr);
  for (auto _ : state) {
    benchmark::DoNotOptimize(light);
    ItemHandle next = LightCalls(t, &spot, light);
    benchmark::DoNotOptimize(next);
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  for (const Path& path : kPaths) {
    const std::string name = path.name;
    benchmark::RegisterBenchmark(("Evaluate/" + name).c_str(), RunEvaluate, path);
    benchmark::RegisterBenchmark(("Lean/" + name).c_str(), RunLean, path);
    benchmark::RegisterBenchmark(("ArithFloor/" + name).c_str(), RunArithFloor, path);
    benchmark::RegisterBenchmark(("HostFloor/" + name).c_str(), RunHostFloor, path);
  }
  benchmark::RegisterBenchmark("Light/lobe", RunLobe);
  benchmark::RegisterBenchmark("Light/host_calls", RunLightCalls);
  return true;
}();

}  // namespace
}  // namespace bench
