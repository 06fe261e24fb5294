// The node record's life: create, copy, destroy and the input event.
#include <gtest/gtest.h>

#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

using Trace = std::vector<std::string>;

TEST(CreateNode, MakesConnectorsInOrderThenSetsDefaults) {
  FakeHost host;
  NodeData* data = host.CreateInstance();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(host.trace,
            (Trace{"setPreviewMode 0", "createInput Color",
                   "createInput Specular", "createInput U Glossiness",
                   "createInput V Glossiness", "createInput Axis",
                   "createInput Tangent Rotate", "createInput Normal",
                   "createInput UV", "createInput Custom Light",
                   "createOutput Color 1"}));
  auto& inputs = host.nodes.back().inputs;
  const int types[] = {1, 2, 2, 2, 3, 2, 3, 3, 3};
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(inputs[i].type, types[i]) << inputs[i].name;
    EXPECT_EQ(inputs[i].onEvent, &NodeInputEvent) << inputs[i].name;
  }
  EXPECT_EQ(data->inColor, reinterpret_cast<InputHandle>(&inputs[0]));
  EXPECT_EQ(data->inCustomLight, reinterpret_cast<InputHandle>(&inputs[8]));
  EXPECT_EQ(data->node, reinterpret_cast<NodeHandle>(&host.nodes.back()));
  EXPECT_EQ(data->panel, nullptr);

  EXPECT_EQ(data->color[0], 1.0);
  EXPECT_EQ(data->color[1], 1.0);
  EXPECT_EQ(data->color[2], 1.0);
  EXPECT_EQ(data->specular, 1.0);
  EXPECT_EQ(data->uGlossiness, 0.5);
  EXPECT_EQ(data->vGlossiness, 0.1);
  EXPECT_EQ(data->axis, 1);
  EXPECT_EQ(data->tangentRotate, 0.0);
  EXPECT_EQ(data->customLightType, 0);
  EXPECT_EQ(data->classicMode, 0);
  DestroyNode(data);
}

TEST(CopyNode, CopiesSettingsOnly) {
  FakeHost host;
  NodeData* from = host.CreateInstance();
  NodeData* to = host.CreateInstance();
  const NodeData before = *to;
  from->color[1] = 0.25;
  from->specular = 2.0;
  from->uGlossiness = 0.3;
  from->vGlossiness = -0.4;
  from->axis = 2;
  from->tangentRotate = 1.5;
  from->customLightType = 1;
  from->classicMode = 1;
  from->panel = reinterpret_cast<PanelHandle>(from);

  EXPECT_EQ(CopyNode(to, from), nullptr);
  EXPECT_EQ(to->color[1], 0.25);
  EXPECT_EQ(to->specular, 2.0);
  EXPECT_EQ(to->uGlossiness, 0.3);
  EXPECT_EQ(to->vGlossiness, -0.4);
  EXPECT_EQ(to->axis, 2);
  EXPECT_EQ(to->tangentRotate, 1.5);
  EXPECT_EQ(to->customLightType, 1);
  EXPECT_EQ(to->classicMode, 1);
  EXPECT_EQ(to->panel, before.panel);
  EXPECT_EQ(to->node, before.node);
  EXPECT_EQ(to->inColor, before.inColor);
  EXPECT_EQ(to->outColor, before.outColor);

  EXPECT_EQ(CopyNode(nullptr, from), nullptr);
  EXPECT_EQ(CopyNode(to, nullptr), nullptr);
  from->panel = nullptr;
  DestroyNode(from);
  DestroyNode(to);
}

TEST(DestroyNode, DestroysABuiltPanelWithTheRecord) {
  FakeHost host;
  NodeData* data = host.CreateInstance();
  host.trace.clear();
  DestroyNode(data);
  EXPECT_TRUE(host.trace.empty()) << "no panel was built";

  data = host.CreateInstance();
  const PanelControl noControls[] = {{0, nullptr, nullptr}};
  data->panel = gHost.panel->create(kPanelTypeView, noControls);
  host.trace.clear();
  DestroyNode(data);
  EXPECT_EQ(host.trace, Trace{"panelDestroy"});
  DestroyNode(nullptr);
}

TEST(DestroyNode, SkipsThePanelWhenItsServiceIsGone) {
  FakeHost host;
  NodeData* data = host.CreateInstance();
  data->panel = reinterpret_cast<PanelHandle>(&host);
  gHost.panel = nullptr;
  host.trace.clear();
  DestroyNode(data);
  EXPECT_TRUE(host.trace.empty());
}

TEST(NodeInputEvent, RefreshesThePanelAndNotifiesOnChange) {
  FakeHost host;
  NodeData* data = host.CreateInstance();
  host.trace.clear();
  EXPECT_EQ(NodeInputEvent(data, data->inUV, 2, nullptr), 1);
  EXPECT_EQ(host.trace, Trace{"instanceUpdate NodeHandler"});
  host.trace.clear();
  EXPECT_EQ(NodeInputEvent(data, data->inUV, 1, nullptr), 1);
  EXPECT_TRUE(host.trace.empty());

  data->panel = reinterpret_cast<PanelHandle>(&host);
  host.trace.clear();
  EXPECT_EQ(NodeInputEvent(data, data->inUV, 2, nullptr), 1);
  EXPECT_EQ(host.trace,
            (Trace{"panelViewRefresh", "instanceUpdate NodeHandler"}));
  host.trace.clear();
  EXPECT_EQ(NodeInputEvent(data, data->inUV, 3, nullptr), 1);
  EXPECT_EQ(host.trace, Trace{"panelViewRefresh"});

  gHost.panel = nullptr;  // the panel service went away
  host.trace.clear();
  EXPECT_EQ(NodeInputEvent(data, data->inUV, 2, nullptr), 1);
  EXPECT_EQ(host.trace, Trace{"instanceUpdate NodeHandler"});
  DestroyNode(data);
}

}  // namespace
