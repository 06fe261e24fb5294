// A recording fake of the host for the module's tests. It offers every
// service the module fetches; each operation appends one line to `trace`
// ("isConnected Color", "evaluate UV", "firstItem", "lightFlags L1", ...) and
// answers from scripted values. Only one FakeHost may live at a time: the
// host's operations are plain functions and find it through a global.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "host/evaluate.h"
#include "host/services.h"
#include "host/node_data.h"

struct FakeInput {
  std::string name;
  int type = 0;
  InputEventFunc onEvent = nullptr;
  bool connected = false;
  double value[3] = {0.0, 0.0, 0.0};  // what evaluate writes
};

struct FakeLight {
  std::string name;
  unsigned flags = 0;
  bool excluded = false;  // from the spot's object
  int illuminate = 1;     // the illuminate function's result
  double direction[3] = {0.0, 0.0, -1.0};
  double color[3] = {1.0, 1.0, 1.0};
};

struct FakePanel {
  std::vector<PanelControl> controls;
  std::vector<PanelDataDesc> data;
  PanelGetFunc get = nullptr;
  PanelSetFunc set = nullptr;
  std::vector<PanelHint> hints;  // as applied to control 0, ending with 0
  std::map<PanelId, void*> userData;
  void* viewInstance = nullptr;
};

struct FakeNode {
  std::string name = "Quillane (1)";
  std::deque<FakeInput> inputs;
  std::string outputName;
};

class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // Which services the lookup answers; every one by default.
  std::map<std::string, bool> offered;
  // Fills gHost as a node and an interface activation would.
  void InstallServices();
  // The lookup function handed to activations.
  static void* Lookup(const char* name, int useMode);

  // Creates a node record through the module's create, on a new fake node.
  quillane::NodeData* CreateInstance();
  // The named input of the latest created node.
  FakeInput& Input(const std::string& name);
  void Wire(const std::string& name, double x, double y = 0.0, double z = 0.0);

  // Evaluates `data` at `spot` and returns the colour set, if any.
  bool Evaluate(quillane::NodeData* data,
                std::array<double, 3>* output = nullptr);

  SpotInfo spot{};  // a spot at the origin, normal +Z, ray from (0, 0, 5)
  std::vector<FakeLight> lights;
  std::vector<std::string> trace;
  std::vector<std::array<double, 3>> outputs;
  std::deque<FakeNode> nodes;
  std::deque<FakePanel> panels;
  bool failPanelCreate = false;
  bool recording = true;  // false: trace nothing (allocation-free calls)

  static FakeHost* current;
};

// Identity matrix, row by row.
inline constexpr std::array<double, 9> kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};
