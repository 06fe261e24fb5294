// The stand-in host's services as the module uses them: activation with
// services withheld, wiring, panel edits and their notifications.
#include <gtest/gtest.h>

#include "standin/host/eval_case.h"
#include "standin/host/host.h"

namespace {

using standin::Host;
using standin::HostError;
using standin::HostNode;
using standin::HostPanel;
using standin::ModuleFile;

class HostTest : public testing::Test {
 protected:
  HostTest() : module_(QUILLANE_MODULE), host_(module_) {}
  ModuleFile module_;
  Host host_;
};

TEST_F(HostTest, OnlyOneHostAtATime) {
  EXPECT_THROW(Host second(module_), HostError);
}

TEST_F(HostTest, NodeHasItsConnectorsInOrder) {
  HostNode& node = host_.CreateNode();
  std::vector<std::string> names;
  for (const auto& input : node.inputs) names.push_back(input.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Color", "Specular", "U Glossiness",
                                             "V Glossiness", "Axis", "Tangent Rotate",
                                             "Normal", "UV", "Custom Light"}));
  EXPECT_EQ(node.outputName, "Color");
  EXPECT_EQ(node.outputType, kConnectionColor);
  EXPECT_EQ(node.previewMode, 0);
  EXPECT_THROW(host_.Wire(node, "Gloss", {}), HostError);
}

TEST_F(HostTest, PanelIsRecordedWholeAndBuiltOnce) {
  HostNode& node = host_.CreateNode();
  HostPanel* panel = host_.OpenPanel(node);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(host_.OpenPanel(node), panel);
  EXPECT_EQ(panel->type, kPanelTypeView);
  ASSERT_EQ(panel->controls.size(), 8u);
  EXPECT_EQ(panel->controls[6].id, 0x8007u);
  EXPECT_STREQ(panel->controls[6].controlClass, "iPopChoice");
  ASSERT_EQ(panel->data.size(), 8u);
  EXPECT_STREQ(panel->data[2].name, "UGlossiness");
  EXPECT_EQ(panel->label, node.name);
  EXPECT_EQ(panel->choices[0x8007], (std::vector<std::string>{"Distant", "Point"}));
  EXPECT_NE(panel->change, nullptr);
  EXPECT_EQ(panel->instance, node.instance);
}

TEST_F(HostTest, EditsAndWiringNotifyTheHost) {
  HostNode& node = host_.CreateNode();
  host_.OpenPanel(node);
  const double specular = 0.5;
  host_.SetPanelValue(node, "Specular", &specular);
  EXPECT_EQ(node.instanceUpdates, 1);
  EXPECT_EQ(node.previewRefreshes, 1);
  EXPECT_THROW(host_.SetPanelValue(node, "Shininess", &specular), HostError);

  const int refreshes = node.panel->refreshes;
  host_.Wire(node, "Custom Light", {standin::SourceKind::Vector, {0.0, 1.0, 0.0}});
  EXPECT_EQ(node.instanceUpdates, 2);
  EXPECT_EQ(node.panel->refreshes, refreshes + 1);
  // The light type shows only while "Custom Light" is wired.
  EXPECT_NE(node.panel->get(node.panel->instance, 0x8007), nullptr);
}

// A later activation that withholds item info really takes it away: the
// fixed light replaces the scene's lights.
TEST_F(HostTest, WithheldServicesChangeTheLightingFromCaseToCase) {
  const auto lit = standin::ParseCase(R"({"lights": [{"name": "Key"}]})");
  const auto fixed =
      standin::ParseCase(R"({"lights": [{"name": "Key"}], "services": {"itemInfo": false}})");
  auto calls = [](const standin::CaseResult& r) {
    std::string all;
    for (const auto& e : r.trace) all += std::string(e.call) + " ";
    return all;
  };
  EXPECT_NE(calls(standin::RunCase(host_, lit)).find("firstItem"), std::string::npos);
  EXPECT_EQ(calls(standin::RunCase(host_, fixed)).find("firstItem"), std::string::npos);
  EXPECT_NE(calls(standin::RunCase(host_, lit)).find("illuminate"), std::string::npos);
}

}  // namespace
