// Instance callbacks of the built quillane.p against a failing host, through
// the stand-in host's services: create when the record cannot be allocated,
// connector creation that answers null handles, and loads whose reads fail
// or deliver fewer values than asked. Each works as documented or fails
// with its message; nothing crashes or leaks.
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "host/node_data.h"
#include "standin/saved/container.h"
#include "standin/host/host.h"
#include "standin/host/host_services.h"

using namespace quillane;

namespace {

using standin::ContainerForm;
using standin::Host;
using standin::HostNode;
using standin::ModuleFile;

// ---- Services that count connector creation and can answer null handles;
// null handles read as unwired. Everything else is the stand-in host's.

bool gNullConnectors = false;
int gInputsMade = 0, gOutputsMade = 0, gPreviewCalls = 0;

const NodeInputFuncs& RealInputs() {
  return *static_cast<const NodeInputFuncs*>(
      standin::HostServicesImpl::Lookup("NodeInputFuncs", 0));
}
const NodeOutputFuncs& RealOutputs() {
  return *static_cast<const NodeOutputFuncs*>(
      standin::HostServicesImpl::Lookup("NodeOutputFuncs", 0));
}
const NodeFuncs& RealNodeFuncs() {
  return *static_cast<const NodeFuncs*>(standin::HostServicesImpl::Lookup("NodeFuncs", 0));
}

InputHandle CreateInput(NodeHandle node, int type, const char* name, InputEventFunc event) {
  ++gInputsMade;
  return gNullConnectors ? nullptr : RealInputs().create(node, type, name, event);
}
int EvaluateInput(InputHandle input, SpotInfo* spot, void* value) {
  if (input) return RealInputs().evaluate(input, spot, value);
  std::memset(value, 0, sizeof(double));
  return 0;
}
int IsConnected(InputHandle input) { return input ? RealInputs().isConnected(input) : 0; }
OutputHandle CreateOutput(NodeHandle node, int type, const char* name) {
  ++gOutputsMade;
  return gNullConnectors ? nullptr : RealOutputs().create(node, type, name);
}
void SetPreviewMode(NodeHandle node, int mode) {
  ++gPreviewCalls;
  RealNodeFuncs().setPreviewMode(node, mode);
}

void* FaultyLookup(const char* name, int useMode) {
  static NodeInputFuncs inputs;
  static NodeOutputFuncs outputs;
  static NodeFuncs nodeFuncs;
  const std::string n = name;
  if (n == "NodeInputFuncs") {
    inputs = RealInputs();
    inputs.create = CreateInput;
    inputs.evaluate = EvaluateInput;
    inputs.isConnected = IsConnected;
    return &inputs;
  }
  if (n == "NodeOutputFuncs") {
    outputs = RealOutputs();
    outputs.create = CreateOutput;
    return &outputs;
  }
  if (n == "NodeFuncs") {
    nodeFuncs = RealNodeFuncs();
    nodeFuncs.setPreviewMode = SetPreviewMode;
    return &nodeFuncs;
  }
  return standin::HostServicesImpl::Lookup(name, useMode);
}

standin::HostSpot FrontSpot(Host& host) {
  standin::HostSpot spot = standin::DefaultSpot();
  spot.info.rayTrace = Host::RayTraceEntry();
  spot.info.object = Host::Handle(&host.objects.front());
  return spot;
}

// The module's node activation through FaultyLookup into our own record.
class FaultInstance : public testing::Test {
 protected:
  explicit FaultInstance(const char* path = QUILLANE_MODULE) : module_(path), host_(module_) {
    host_.objects.push_back({"Ball"});
    host_.lights.emplace_back().name = "Key";
    gNullConnectors = false;
    gInputsMade = gOutputsMade = gPreviewCalls = 0;
    record_ = {&instance_, nullptr, nullptr, nullptr};
    EXPECT_EQ(module_.FindServer("NodeHandler")->activate(1, FaultyLookup, &record_, nullptr),
              kActivateOk);
  }
  ~FaultInstance() override { gNullConnectors = false; }

  ModuleFile module_;
  Host host_;
  InstanceFuncs instance_{};
  NodeHandlerRecord record_{};
};

class FaultAllocation : public FaultInstance {
 protected:
  FaultAllocation() : FaultInstance(FAILING_CALLOC_MODULE) {}
  ~FaultAllocation() override { unsetenv("QUILLANE_FAIL_CALLOC"); }
};

TEST_F(FaultAllocation, FailedCreateGivesItsMessageAndCreatesNothing) {
  HostNode node;
  const char* error = nullptr;
  setenv("QUILLANE_FAIL_CALLOC", "1", 1);
  void* record = instance_.create(instance_.priv, reinterpret_cast<NodeHandle>(&node), &error);
  unsetenv("QUILLANE_FAIL_CALLOC");
  EXPECT_EQ(record, nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error, "Couldn't allocate memory for instance.");
  EXPECT_EQ(gPreviewCalls, 0);
  EXPECT_EQ(gInputsMade, 0);
  EXPECT_EQ(gOutputsMade, 0);
  EXPECT_TRUE(node.inputs.empty());

  // The host reports the module's message, and creates the next node whole.
  setenv("QUILLANE_FAIL_CALLOC", "1", 1);
  try {
    host_.CreateNode();
    ADD_FAILURE() << "create succeeded without memory";
  } catch (const standin::HostError& e) {
    EXPECT_STREQ(e.what(), "node creation failed: Couldn't allocate memory for instance.");
  }
  unsetenv("QUILLANE_FAIL_CALLOC");
  HostNode& whole = host_.CreateNode();
  EXPECT_EQ(whole.inputs.size(), 9u);
  standin::HostSpot spot = FrontSpot(host_);
  EXPECT_TRUE(host_.Evaluate(whole, spot).has_value());
}

TEST_F(FaultInstance, NullConnectorHandlesAreKeptAndTheNodeStillWorks) {
  HostNode& reference = host_.CreateNode();
  standin::HostSpot spot = FrontSpot(host_);
  const auto expected = host_.Evaluate(reference, spot);
  ASSERT_TRUE(expected.has_value());

  gNullConnectors = true;
  gInputsMade = gOutputsMade = 0;
  HostNode node;
  const char* error = nullptr;
  node.instance = instance_.create(instance_.priv, reinterpret_cast<NodeHandle>(&node), &error);
  ASSERT_NE(node.instance, nullptr) << (error ? error : "");
  EXPECT_EQ(gInputsMade, 9);
  EXPECT_EQ(gOutputsMade, 1);
  const auto* data = static_cast<const NodeData*>(node.instance);
  EXPECT_EQ(data->inColor, nullptr);
  EXPECT_EQ(data->inCustomLight, nullptr);
  EXPECT_EQ(data->outColor, nullptr);

  // Evaluated, saved, loaded and shown in a panel like any other node.
  EXPECT_EQ(host_.Evaluate(node, spot), expected);
  const std::string saved = host_.Save(reference, ContainerForm::kText);
  host_.Load(node, saved, ContainerForm::kText, "saved");
  EXPECT_EQ(host_.Save(node, ContainerForm::kText), saved);
  InterfaceRecord panel{node.instance, nullptr, nullptr, nullptr};
  ASSERT_EQ(module_.FindServer("NodeInterface")->activate(4, FaultyLookup, &panel, nullptr),
            kActivateOk);
  auto* built = reinterpret_cast<standin::HostPanel*>(panel.panel);
  ASSERT_NE(built, nullptr);
  EXPECT_NE(built->get(node.instance, 0x8002), nullptr) << "an unwired input shows its value";
  EXPECT_EQ(built->get(node.instance, 0x8007), nullptr);
  instance_.destroy(node.instance);
}

// ---- Loads whose reads fail or come up short, over a real container.

enum class ReadFault { kFail, kShort };
ReadFault gFault = ReadFault::kFail;
const LoadState* gRealLoad = nullptr;

int FaultyReadFloat(void* d, float* values, int count) {
  float all[3] = {0.0f, 0.0f, 0.0f};
  const int got = gRealLoad->readFloat(d, all, count);
  if (gFault == ReadFault::kFail) return 0;
  const int keep = got < count ? got : count - 1;
  std::memcpy(values, all, static_cast<size_t>(keep) * sizeof(float));
  return keep;
}
int FaultyReadI4(void* d, std::int32_t* /*values*/, int count) {
  std::int32_t scratch[4] = {};
  gRealLoad->readI4(d, scratch, count);
  return 0;  // nothing delivered, whatever the fault
}

// Values a float holds exactly: a kept float setting passes through the
// module's float buffer unchanged.
void Settings(NodeData* data) {
  data->color[0] = 0.375;
  data->color[1] = 0.625;
  data->color[2] = 0.875;
  data->specular = 0.75;
  data->axis = 2;
  data->classicMode = 1;
}

TEST_F(FaultInstance, FailedAndShortReadsKeepTheSettingsTheyDidNotDeliver) {
  const std::string text =
      "Version 0\nColor 0.25 0.5 0.75\nSpecular 2\n{ URough\n  0.125\n}\n"
      "{ Axis\n  0\n}\n{ Classic\n  0\n}\n";
  for (ReadFault fault : {ReadFault::kFail, ReadFault::kShort}) {
    SCOPED_TRACE(fault == ReadFault::kFail ? "failed reads" : "short reads");
    auto reader = standin::ContainerReader::Open(text, ContainerForm::kText, "data");
    LoadState faulty = *reader->state();
    faulty.readFloat = FaultyReadFloat;
    faulty.readI4 = FaultyReadI4;
    gRealLoad = reader->state();
    gFault = fault;

    HostNode node;
    const char* error = nullptr;
    auto* data = static_cast<NodeData*>(
        instance_.create(instance_.priv, reinterpret_cast<NodeHandle>(&node), &error));
    ASSERT_NE(data, nullptr);
    Settings(data);
    EXPECT_EQ(instance_.load(data, &faulty), nullptr);
    if (fault == ReadFault::kFail) {
      EXPECT_EQ(data->color[0], 0.375);
      EXPECT_EQ(data->color[2], 0.875);
      EXPECT_EQ(data->uGlossiness, 0.5);
    } else {
      // Two of the three colour channels arrive; the single floats none.
      EXPECT_EQ(data->color[0], 0.25);
      EXPECT_EQ(data->color[1], 0.5);
      EXPECT_EQ(data->color[2], 0.875);
      EXPECT_EQ(data->uGlossiness, 0.5);
    }
    EXPECT_EQ(data->specular, 0.75);
    EXPECT_EQ(data->axis, 2);
    EXPECT_EQ(data->classicMode, 1);
    instance_.destroy(data);
  }
}

}  // namespace
