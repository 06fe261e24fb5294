#include "host/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/panel.h"
#include "host/persist.h"
#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

// Services asked for through CountingLookup, in order.
std::vector<std::string> gAsked;

void* CountingLookup(const char* name, int useMode) {
  gAsked.emplace_back(name);
  return FakeHost::Lookup(name, useMode);
}

bool SameServices(const HostServices& a, const HostServices& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

const char* Sentinel(void*) { return "untouched"; }

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gHost = {};
    gAsked.clear();
    instance_.describe = Sentinel;
    record_ = {&instance_, &item_, &render_, nullptr};
  }
  int Activate(int version = 1) {
    return ActivateNode(version, CountingLookup, &record_, nullptr);
  }

  FakeHost host_;
  InstanceFuncs instance_{};
  ItemFuncs item_{};
  RenderFuncs render_{};
  NodeHandlerRecord record_{};
};

TEST_F(ModuleTest, ActivationFetchesEightServicesAndFillsTables) {
  ASSERT_EQ(Activate(), kActivateOk);
  EXPECT_EQ(gAsked, (std::vector<std::string>{
                        "NodeInputFuncs", "NodeOutputFuncs", "NodeFuncs",
                        "Instance Update", "Scene Objects 6", "LW Item Info 4",
                        "LW Object Info 7", "LW Light Info 4"}));
  EXPECT_EQ(gHost.input, FakeHost::Lookup("NodeInputFuncs", 0));
  EXPECT_EQ(reinterpret_cast<void*>(gHost.instanceUpdate),
            FakeHost::Lookup("Instance Update", 0));
  EXPECT_EQ(gHost.lightInfo, FakeHost::Lookup("LW Light Info 4", 0));
  EXPECT_EQ(gHost.panel, nullptr) << "the panel service is not the node's";

  EXPECT_EQ(instance_.priv, reinterpret_cast<void*>(&CountingLookup));
  EXPECT_EQ(instance_.create, &CreateNode);
  EXPECT_EQ(instance_.destroy, &DestroyNode);
  EXPECT_EQ(instance_.copy, &CopyNode);
  EXPECT_EQ(instance_.load, &LoadNode);
  EXPECT_EQ(instance_.save, &SaveNode);
  EXPECT_EQ(instance_.describe, &Sentinel) << "no other entry is set";
  EXPECT_EQ(record_.evaluate, &Evaluate);

  // The item and render entries report nothing to do and no error.
  ASSERT_NE(item_.useItems, nullptr);
  ASSERT_NE(item_.changeId, nullptr);
  EXPECT_EQ(item_.useItems(nullptr), nullptr);
  item_.changeId(nullptr, nullptr);
  ASSERT_NE(render_.init, nullptr);
  ASSERT_NE(render_.cleanup, nullptr);
  ASSERT_NE(render_.newTime, nullptr);
  EXPECT_EQ(render_.init(nullptr, 0), nullptr);
  render_.cleanup(nullptr);
  EXPECT_EQ(render_.newTime(nullptr, 1, 0.04), nullptr);
}

TEST_F(ModuleTest, RecordWithoutItemOrRenderTable) {
  record_.item = nullptr;
  record_.render = nullptr;
  ASSERT_EQ(Activate(), kActivateOk);
  EXPECT_EQ(instance_.create, &CreateNode);
  EXPECT_EQ(record_.evaluate, &Evaluate);
  EXPECT_EQ(record_.item, nullptr);
  EXPECT_EQ(record_.render, nullptr);
}

TEST_F(ModuleTest, WrongVersionFetchesAndWritesNothing) {
  for (int version : {0, 2, 3, 4}) {
    EXPECT_EQ(Activate(version), kActivateBadVersion) << version;
  }
  EXPECT_TRUE(gAsked.empty());
  EXPECT_EQ(instance_.create, nullptr);
  EXPECT_EQ(record_.evaluate, nullptr);
}

TEST_F(ModuleTest, NullRecordOrInstanceTableGivesThree) {
  EXPECT_EQ(ActivateNode(1, CountingLookup, nullptr, nullptr),
            kActivateBadLocal);
  record_.instance = nullptr;
  EXPECT_EQ(Activate(), kActivateBadLocal);
  EXPECT_TRUE(gAsked.empty()) << "nothing fetched";
  EXPECT_TRUE(SameServices(gHost, HostServices{}));
  EXPECT_EQ(record_.evaluate, nullptr);
  EXPECT_EQ(item_.useItems, nullptr);
}

TEST_F(ModuleTest, EachMissingRequiredServiceGivesTwo) {
  for (const char* name : {"NodeInputFuncs", "NodeOutputFuncs", "NodeFuncs",
                           "Instance Update", "Scene Objects 6"}) {
    SCOPED_TRACE(name);
    gHost = {};
    host_.offered[name] = false;
    EXPECT_EQ(Activate(), kActivateBadService);
    EXPECT_EQ(instance_.create, nullptr) << "handler record left unfilled";
    EXPECT_EQ(record_.evaluate, nullptr);
    host_.offered[name] = true;
  }
}

// Instances made after a successful activation call through the module-wide
// pointers, so a later activation that finds a required service missing
// leaves every pointer as it was.
TEST_F(ModuleTest, FailedLaterActivationKeepsEarlierServices) {
  ASSERT_EQ(Activate(), kActivateOk);
  NodeData* data = static_cast<NodeData*>(
      instance_.create(instance_.priv, &host_.nodes.emplace_back(), nullptr));
  ASSERT_NE(data, nullptr);
  const HostServices earlier = gHost;

  host_.offered["Scene Objects 6"] = false;
  host_.offered["LW Item Info 4"] = false;
  EXPECT_EQ(Activate(), kActivateBadService);
  EXPECT_TRUE(SameServices(gHost, earlier));

  // The existing instance still evaluates and notifies.
  std::array<double, 3> out{};
  EXPECT_TRUE(host_.Evaluate(data, &out));
  host_.trace.clear();
  host_.nodes.back().inputs.front().onEvent(data, nullptr, 2, nullptr);
  EXPECT_EQ(host_.trace,
            std::vector<std::string>{"instanceUpdate NodeHandler"});
  instance_.destroy(data);
}

TEST_F(ModuleTest, FirstActivationFailingWritesNoPointer) {
  host_.offered["NodeFuncs"] = false;
  EXPECT_EQ(Activate(), kActivateBadService);
  EXPECT_EQ(gAsked.size(), 8u) << "all eight fetched before any test";
  EXPECT_TRUE(SameServices(gHost, HostServices{}));
}

// The optional services are stored as fetched, so a host that withdraws item
// info makes the evaluation fall back to the fixed light.
TEST_F(ModuleTest, OptionalServicesAreStoredAsFetched) {
  ASSERT_EQ(Activate(), kActivateOk);
  const auto* panel =
      static_cast<const PanelFuncs*>(FakeHost::Lookup("LWXPanel", 0));
  gHost.panel = panel;
  for (const char* name :
       {"LW Item Info 4", "LW Object Info 7", "LW Light Info 4"})
    host_.offered[name] = false;
  ASSERT_EQ(Activate(), kActivateOk);
  EXPECT_EQ(gHost.itemInfo, nullptr);
  EXPECT_EQ(gHost.objectInfo, nullptr);
  EXPECT_EQ(gHost.lightInfo, nullptr);
  EXPECT_NE(gHost.sceneObjects, nullptr);
  EXPECT_EQ(gHost.panel, panel) << "the panel service is left alone";

  host_.offered["LW Item Info 4"] = true;
  host_.offered["LW Object Info 7"] = true;
  EXPECT_EQ(Activate(), kActivateOk) << "without light info only";
  EXPECT_NE(gHost.itemInfo, nullptr);
  EXPECT_EQ(gHost.lightInfo, nullptr);
}

TEST_F(ModuleTest, NullLookupIsAMissingService) {
  EXPECT_EQ(ActivateNode(1, nullptr, &record_, nullptr), kActivateBadService);
  EXPECT_EQ(instance_.create, nullptr);
}

}  // namespace
