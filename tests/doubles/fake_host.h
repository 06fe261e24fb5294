// The one stand-in for the host that the module's tests, fuzzers and
// benchmarks run it in. It offers every service the module fetches and
// answers from records the test fills in: inputs (wired or not, and what
// evaluate writes), scene lights (flags, exclusion, the illuminate result,
// direction and colour), panels. The module is reached either linked in
// (its functions called directly, or activated through ActivateNode) or
// loaded from its file (OpenedModule), through the same activation.
//
// Calls decides what the services do besides answering:
//   kRecorded: each call appends a line to `trace` ("isConnected Color",
//     "evaluate UV", "firstItem", "lightFlags L1", ...) and each colour set
//     is appended to `outputs`; for single-threaded unit tests.
//   kCounted: nothing is noted; set value writes the colour into the
//     FakeResult the value handle points at and counts the sets. During an
//     evaluation the services only read, so any number of threads may
//     evaluate at once (concurrency test, fuzzer).
//   kBare: as kCounted, but set value writes only the three doubles the
//     value handle points at: each call costs no more than its answer, so a
//     benchmark measures the module and the bare cost of its host calls.
//
// Only one FakeHost may live at a time: the host's operations are plain
// functions and find it through a process-wide pointer (and the lights
// through a process-wide list, so the light walk follows no pointer).
#pragma once

#include <array>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "host/evaluate.h"
#include "host/module.h"
#include "host/node_data.h"
#include "host/services.h"
#include "standin/host/panel_record.h"

enum class Calls { kRecorded, kCounted, kBare };

struct FakeInput {
  std::string name;
  int type = 0;
  int count = 3;  // doubles evaluate writes: 1 for a scalar input
  InputEventFunc onEvent = nullptr;
  int connected = 0;
  double value[3] = {0.0, 0.0, 0.0};  // what evaluate writes
};

struct FakeLight {
  std::string name;
  unsigned flags = 0;
  int excluded = 0;    // from the spot's object
  int illuminate = 1;  // the illuminate function's result
  double direction[3] = {0.0, 0.0, -1.0};
  double color[3] = {1.0, 1.0, 1.0};
};

struct FakePanel : standin::PanelRecord {
  std::vector<PanelHint> hints;  // as applied to control 0, ending with 0
};

// A node placed by the host: its inputs in the order create made them (the
// input handles point at them) and its output.
struct FakeNode {
  std::string name = "Quillane (1)";
  std::deque<FakeInput> inputs;
  std::string outputName;
  int outputs = 0;  // outputs created

  // The named input; throws std::out_of_range when there is none.
  FakeInput& Input(const std::string& inputName);
  const FakeInput& Input(const std::string& inputName) const;
  void Wire(const std::string& inputName, double x, double y = 0.0,
            double z = 0.0);
};

// Where a kCounted evaluation's set value lands: the value handle points at
// it.
struct FakeResult {
  double rgb[3] = {0.0, 0.0, 0.0};
  int sets = 0;
};

class FakeHost {
 public:
  // Offers every service and fills gHost as an activation would. Throws
  // std::logic_error when another FakeHost lives.
  explicit FakeHost(Calls calls = Calls::kRecorded);
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // Which services the lookup answers; every one by default.
  std::map<std::string, bool> offered;
  // The lookup function handed to activations.
  static void* Lookup(const char* name, int useMode);
  // The tables the lookup answers with now (null where not offered).
  static quillane::HostServices Services();
  // Fills gHost as a node and an interface activation would.
  void InstallServices();

  // -- The module linked in, called directly.
  // Creates a node record through the module's create, on a new fake node.
  // Throws std::runtime_error with the module's message when it fails.
  quillane::NodeData* CreateInstance();
  // The named input of the latest created node.
  FakeInput& Input(const std::string& name);
  void Wire(const std::string& name, double x, double y = 0.0, double z = 0.0);
  // Evaluates `data` at `spot` and returns the colour set, if any.
  bool Evaluate(quillane::NodeData* data,
                std::array<double, 3>* output = nullptr);

  // -- Through a "NodeHandler" activation: the linked-in module's by
  // default, or a loaded file's server (OpenedModule).
  // Activates with the services offered now; returns the activation's code.
  // A refused activation leaves the tables an earlier one filled.
  int Activate(ActivateFunc activate = &quillane::ActivateNode,
               void* serverData = nullptr, int version = kNodeHandlerVersion);
  // Creates a record for `node` through the instance table; null on failure.
  quillane::NodeData* Create(FakeNode* node);
  void Destroy(quillane::NodeData* data);
  // Evaluates through the evaluation entry the activation handed over; the
  // colour goes to `result` (kCounted) or to `outputs` (kRecorded).
  void Evaluate(quillane::NodeData* data, SpotInfo* spot,
                FakeResult* result) const;
  const InstanceFuncs& instance() const { return instance_; }
  EvaluateFunc evaluate() const { return record_.evaluate; }

  // A spot at the origin, normal +Z, ray from (0, 0, 5), identity matrices,
  // on the scene's one object, with this host's illuminate function.
  SpotInfo Spot() const;

  const Calls calls;
  SpotInfo spot{};  // Spot() as the host was made
  // The scene's lights in the host's order. Change them only while no
  // evaluation runs. Hidden, so that the light walk reaches them directly
  // rather than through the symbol table, as bare as a host's own records.
  [[gnu::visibility("hidden")]] static inline std::vector<FakeLight> lights;
  std::vector<std::string> trace;
  std::vector<std::array<double, 3>> outputs;
  std::deque<FakeNode> nodes;
  std::deque<FakePanel> panels;
  bool failPanelCreate = false;
  bool recording = true;  // false: trace nothing (allocation-free calls)

  static FakeHost* current;

 private:
  InstanceFuncs instance_{};
  ItemFuncs item_{};
  RenderFuncs render_{};
  NodeHandlerRecord record_{};
};

// Identity matrix, row by row.
inline constexpr std::array<double, 9> kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};
