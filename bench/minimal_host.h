// A minimal host for timing the module: every service answers from plain
// records (an input's wiring and value, a light's flags and illuminate
// result) and records nothing, so a benchmark measures the module and the
// bare cost of its host calls. One host per process: the tables are
// functions that find their answers in the records the handles point at.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "hostapi/hostapi.h"

namespace bench {

// One input connector: whether it is wired and what evaluate writes.
struct BenchInput {
  std::string name;
  int count = 3;  // doubles evaluate writes: 1 for a scalar input
  int connected = 0;
  double value[3] = {0.0, 0.0, 0.0};
};

// One scene light and the host's answers about it.
struct BenchLight {
  unsigned flags = 0;
  int excluded = 0;
  int illuminate = 1;
  double direction[3] = {0.0, 0.0, -1.0};
  double color[3] = {1.0, 1.0, 1.0};
};

// A node placed by the host: its nine inputs in the order create made them.
struct BenchNode {
  std::array<BenchInput, 9> inputs;
  int created = 0;
  BenchInput& Input(const std::string& name);
  const BenchInput& Input(const std::string& name) const;
};

// The host's tables, as the module's activation fetches them.
struct HostTables {
  const NodeInputFuncs* input;
  const NodeOutputFuncs* output;
  const ItemInfo* itemInfo;
  const ObjectInfo* objectInfo;
  const LightInfo* lightInfo;
};

// The scene the services answer about. `offerItems` decides whether the
// lookup offers "LW Item Info 4", "LW Object Info 7" and "LW Light Info 4".
struct BenchScene {
  bool offerItems = true;
  std::vector<BenchLight> lights;
};
extern BenchScene gScene;

// The lookup function handed to activations.
void* Lookup(const char* name, int useMode);
// The tables the lookup answers with now (optional ones null when not
// offered).
HostTables Tables();
// A spot at the origin, normal +Z, ray from (0, 0, 5), identity matrices,
// on an object, with the minimal illuminate and ray-trace functions.
SpotInfo MakeSpot();

}  // namespace bench
