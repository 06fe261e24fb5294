// A host whose every answer comes from records fixed before evaluation
// starts, so any number of threads may evaluate at once: during an
// evaluation the services only read. Used by the concurrency test and by the
// evaluation fuzzer, which script the answers from their own data.
//
// One scripted host per process: the service tables are plain functions
// that find the scene through a process-wide pointer.
#pragma once

#include <vector>

#include "host/services.h"
#include "host/node_data.h"

namespace scripted {

// One input connector: its connection type (set at creation), whether it is
// wired and what evaluate writes (one double for a scalar input).
struct Input {
  int type = 0;
  bool connected = false;
  double value[3] = {0.0, 0.0, 0.0};
};

// A node placed by the host: its nine inputs in the order create made them.
// Input handles point into `inputs`; a tenth create gets a null handle.
struct Node {
  Input inputs[9];
  int created = 0;
  int outputs = 0;
};

// The inputs in the order the module creates them.
enum InputIndex {
  kColor, kSpecular, kUGloss, kVGloss, kAxis, kTangentRotate, kNormal, kUV,
  kCustomLight
};

// One scene light and the host's answers about it.
struct Light {
  unsigned flags = 0;
  bool excluded = false;  // from the spot's object
  int reaches = 1;        // the illuminate function's result
  double direction[3] = {0.0, 0.0, -1.0};
  double color[3] = {1.0, 1.0, 1.0};
};

// Which optional services the lookup answers.
struct Offer {
  bool itemInfo = true;
  bool objectInfo = true;
  bool lightInfo = true;
};

// Where an evaluation's set-value lands: the value handle points at it.
struct Result {
  double rgb[3] = {0.0, 0.0, 0.0};
  int sets = 0;
};

class Host {
 public:
  // Makes `lights` the scene the services answer about; it must outlive the
  // host and stay unchanged while evaluations run.
  explicit Host(const std::vector<Light>* lights);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Activates "NodeHandler" offering the required services and those of
  // `offer`; returns the activation's code.
  int Activate(const Offer& offer);
  // Creates a record for `node` through the instance table; null on failure.
  quillane::NodeData* Create(Node* node);
  void Destroy(quillane::NodeData* data);

  // Evaluates through the evaluation entry the activation handed over.
  void Evaluate(quillane::NodeData* data, SpotInfo* spot, Result* result) const;

  // A spot facing +Z at the origin, seen from (0, 0, 5), identity matrices,
  // on the scene's one object, with the host's illuminate function.
  static SpotInfo Spot();
  static ItemHandle Object();

 private:
  InstanceFuncs instance_{};
  NodeHandlerRecord record_{};
};

}  // namespace scripted
