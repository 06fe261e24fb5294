#include "host/panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

// Control identifiers the panel gives the eight settings.
constexpr PanelId kCtlColor = 0x8001;
constexpr PanelId kCtlSpecular = 0x8002;
constexpr PanelId kCtlUGlossiness = 0x8003;
constexpr PanelId kCtlVGlossiness = 0x8004;
constexpr PanelId kCtlAxis = 0x8005;
constexpr PanelId kCtlTangentRotate = 0x8006;
constexpr PanelId kCtlLightType = 0x8007;
constexpr PanelId kCtlClassic = 0x8008;

size_t Count(const std::vector<std::string>& trace, const std::string& line) {
  return static_cast<size_t>(std::count(trace.begin(), trace.end(), line));
}

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { data_ = host_.CreateInstance(); }
  void TearDown() override { DestroyNode(data_); }

  // Activates "NodeInterface" for data_ and returns the activation's code.
  int Activate(InterfaceRecord* record, int version = 4) {
    record->instance = data_;
    return ActivateInterface(version, FakeHost::Lookup, record, nullptr);
  }
  FakePanel& Panel() { return *reinterpret_cast<FakePanel*>(data_->panel); }

  FakeHost host_;
  NodeData* data_ = nullptr;
};

TEST_F(PanelTest, ActivationBuildsThePanelOnce) {
  InterfaceRecord first{};
  first.options = [](void*) -> void* { return nullptr; };
  host_.trace.clear();
  ASSERT_EQ(Activate(&first), kActivateOk);
  ASSERT_NE(first.panel, nullptr);
  EXPECT_EQ(first.panel, data_->panel);
  EXPECT_EQ(first.options, nullptr);
  EXPECT_EQ(first.command, nullptr);
  EXPECT_EQ(host_.trace,
            (std::vector<std::string>{"nodeName", "panelCreate 1",
                                      "panelDescribe", "panelHint 0",
                                      "panelViewInstance", "panelSetData 0"}));

  InterfaceRecord second{};
  ASSERT_EQ(Activate(&second), kActivateOk);
  EXPECT_EQ(second.panel, first.panel) << "the host sees the same panel";
  EXPECT_EQ(Count(host_.trace, "panelCreate 1"), 1u);
  EXPECT_EQ(Panel().instance, data_);
  EXPECT_EQ(Panel().userData[0], data_);
}

TEST_F(PanelTest, ControlsAndDataDescription) {
  InterfaceRecord record{};
  ASSERT_EQ(Activate(&record), kActivateOk);
  const std::vector<std::array<std::string, 3>> controls = {
      {"Color", "color", "Color"},
      {"Specular", "percent", "Specular"},
      {"U Glossiness", "percent", "UGlossiness"},
      {"V Glossiness", "percent", "VGlossiness"},
      {"Axis", "axis", "Axis"},
      {"Tangent Rotate", "angle", "TangentRotate"},
      {"Custom Light Type", "iPopChoice", "CustomLightType"},
      {"Classic Mode", "iBoolean", "ClassicMode"},
  };
  const std::vector<std::string> dataTypes = {"color",   "percent", "percent",
                                              "percent", "integer", "angle",
                                              "integer", "integer"};
  ASSERT_EQ(Panel().controls.size(), controls.size());
  ASSERT_EQ(Panel().data.size(), controls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE("control " + controls[i][0]);
    const PanelId id = 0x8001 + i;
    EXPECT_EQ(Panel().controls[i].id, id);
    EXPECT_EQ(Panel().controls[i].label, controls[i][0]);
    EXPECT_EQ(Panel().controls[i].controlClass, controls[i][1]);
    EXPECT_EQ(Panel().data[i].id, id);
    EXPECT_EQ(Panel().data[i].name, controls[i][2]);
    EXPECT_EQ(Panel().data[i].dataType, dataTypes[i]);
  }
  EXPECT_EQ(Panel().get, &PanelGet);
  EXPECT_EQ(Panel().set, &PanelSet);
}

TEST_F(PanelTest, HintListCarriesChangeFunctionLabelAndChoices) {
  host_.nodes.back().name = "Brushed Steel";
  InterfaceRecord record{};
  ASSERT_EQ(Activate(&record), kActivateOk);
  const std::vector<PanelHint>& hints = Panel().hints;
  ASSERT_EQ(hints.size(), static_cast<size_t>(kPanelHintCount));
  EXPECT_EQ(hints[0], 0x3D000F01u);
  EXPECT_EQ(hints[1], reinterpret_cast<PanelHint>(&PanelChange));
  EXPECT_EQ(hints[2], 0x3D000B03u);
  EXPECT_EQ(hints[3], 0u);
  EXPECT_STREQ(reinterpret_cast<const char*>(hints[4]), "Brushed Steel");
  EXPECT_EQ(hints[5], 0u);
  EXPECT_EQ(hints[6], 0x3D014503u);
  EXPECT_EQ(hints[7], 0x8007u);
  const auto* choices = reinterpret_cast<const char* const*>(hints[8]);
  EXPECT_STREQ(choices[0], "Distant");
  EXPECT_STREQ(choices[1], "Point");
  EXPECT_EQ(choices[2], nullptr);
  EXPECT_EQ(hints[9], 0u);
  EXPECT_EQ(hints[10], 0u);
}

TEST_F(PanelTest, ActivationFailures) {
  InterfaceRecord record{};
  for (int version : {1, 2, 3, 5}) {
    EXPECT_EQ(Activate(&record, version), kActivateBadVersion) << version;
  }
  EXPECT_EQ(ActivateInterface(4, FakeHost::Lookup, nullptr, nullptr),
            kActivateBadLocal);
  EXPECT_EQ(data_->panel, nullptr) << "nothing built by a failed activation";

  host_.offered["LWXPanel"] = false;
  auto options = [](void*) -> void* { return nullptr; };
  record.options = options;
  EXPECT_EQ(Activate(&record), kActivateBadService);
  EXPECT_EQ(record.panel, nullptr);
  EXPECT_EQ(record.options, options) << "record untouched";
}

// Panels already built keep working when a later activation finds no
// "LWXPanel": the earlier service stays, so destroy and the input event still
// reach the panel.
TEST_F(PanelTest, MissingPanelServiceKeepsEarlierService) {
  InterfaceRecord record{};
  ASSERT_EQ(Activate(&record), kActivateOk);
  const PanelFuncs* earlier = gHost.panel;

  host_.offered["LWXPanel"] = false;
  InterfaceRecord later{};
  EXPECT_EQ(Activate(&later), kActivateBadService);
  EXPECT_EQ(gHost.panel, earlier);

  host_.trace.clear();
  host_.Input("UV").onEvent(data_, nullptr, 1, nullptr);
  EXPECT_EQ(host_.trace, std::vector<std::string>{"panelViewRefresh"});
  DestroyNode(data_);
  data_ = nullptr;
  EXPECT_EQ(Count(host_.trace, "panelDestroy"), 1u);
}

// A host that has withdrawn the panel service altogether: the record is
// freed and its input events still notify, without panel calls.
TEST_F(PanelTest, NoPanelServiceSkipsPanelCalls) {
  InterfaceRecord record{};
  ASSERT_EQ(Activate(&record), kActivateOk);
  gHost.panel = nullptr;
  host_.trace.clear();
  EXPECT_EQ(host_.Input("Color").onEvent(data_, nullptr, 2, nullptr), 1);
  EXPECT_EQ(host_.trace,
            std::vector<std::string>{"instanceUpdate NodeHandler"});
  DestroyNode(data_);
  data_ = nullptr;
  EXPECT_EQ(Count(host_.trace, "panelDestroy"), 0u);
}

TEST_F(PanelTest, FailedCreationReportsSuccessWithoutPanel) {
  host_.failPanelCreate = true;
  InterfaceRecord record{};
  record.panel = reinterpret_cast<PanelHandle>(&record);
  EXPECT_EQ(Activate(&record), kActivateOk);
  EXPECT_EQ(record.panel, nullptr);
  EXPECT_EQ(data_->panel, nullptr);
  EXPECT_EQ(Count(host_.trace, "panelDescribe"), 0u);

  // The next activation tries again.
  host_.failPanelCreate = false;
  EXPECT_EQ(Activate(&record), kActivateOk);
  EXPECT_NE(record.panel, nullptr);
}

TEST_F(PanelTest, BuildPanelWithNullRecordGivesNull) {
  EXPECT_EQ(BuildPanel(nullptr), nullptr);
  InterfaceRecord record{};
  EXPECT_EQ(ActivateInterface(4, FakeHost::Lookup, &record, nullptr),
            kActivateOk);
  EXPECT_EQ(record.panel, nullptr);
}

// The address each control shows while its input is unwired.
std::vector<std::pair<PanelId, void*>> SettingAddresses(NodeData* d) {
  return {{kCtlColor, d->color},
          {kCtlSpecular, &d->specular},
          {kCtlUGlossiness, &d->uGlossiness},
          {kCtlVGlossiness, &d->vGlossiness},
          {kCtlAxis, &d->axis},
          {kCtlTangentRotate, &d->tangentRotate},
          {kCtlLightType, nullptr},
          {kCtlClassic, &d->classicMode}};
}

TEST_F(PanelTest, GetAnswersPerControlAndWiring) {
  const auto unwired = SettingAddresses(data_);
  for (const auto& [id, address] : unwired)
    EXPECT_EQ(PanelGet(data_, id), address) << std::hex << "id 0x" << id;

  // Wiring one of the six setting inputs hides exactly its control.
  const char* inputs[] = {"Color",        "Specular", "U Glossiness",
                          "V Glossiness", "Axis",     "Tangent Rotate"};
  for (size_t i = 0; i < 6; ++i) {
    host_.Input(inputs[i]).connected = true;
    for (size_t j = 0; j < unwired.size(); ++j)
      EXPECT_EQ(PanelGet(data_, unwired[j].first),
                j == i ? nullptr : unwired[j].second)
          << inputs[i] << " wired, control 0x" << std::hex << unwired[j].first;
    host_.Input(inputs[i]).connected = false;
  }

  // "Normal" and "UV" have no control; "Custom Light" shows the light type.
  host_.Input("Normal").connected = true;
  host_.Input("UV").connected = true;
  for (const auto& [id, address] : unwired)
    EXPECT_EQ(PanelGet(data_, id), address) << std::hex << "id 0x" << id;
  host_.Input("Custom Light").connected = true;
  EXPECT_EQ(PanelGet(data_, kCtlLightType), &data_->customLightType);
  EXPECT_EQ(PanelGet(data_, kCtlClassic), &data_->classicMode);
}

TEST_F(PanelTest, GetUnknownIdOrNullRecordGivesNull) {
  for (PanelId id :
       {PanelId{0}, PanelId{0x8000}, PanelId{0x8009}, PanelId{0x18001}})
    EXPECT_EQ(PanelGet(data_, id), nullptr) << std::hex << id;
  EXPECT_EQ(PanelGet(nullptr, kCtlClassic), nullptr);
}

TEST_F(PanelTest, SetStoresEachSettingUnchecked) {
  const double color[3] = {0.1, -2.0, 3.5};
  EXPECT_EQ(PanelSet(data_, kCtlColor, const_cast<double*>(color)), 1);
  EXPECT_EQ(data_->color[0], 0.1);
  EXPECT_EQ(data_->color[1], -2.0);
  EXPECT_EQ(data_->color[2], 3.5);

  struct RealCase {
    PanelId id;
    double NodeData::*field;
  };
  double value = 0.123456789012345;
  for (const RealCase c :
       {RealCase{kCtlSpecular, &NodeData::specular},
        RealCase{kCtlUGlossiness, &NodeData::uGlossiness},
        RealCase{kCtlVGlossiness, &NodeData::vGlossiness},
        RealCase{kCtlTangentRotate, &NodeData::tangentRotate}}) {
    value += 1.0;
    EXPECT_EQ(PanelSet(data_, c.id, &value), 1) << std::hex << c.id;
    EXPECT_EQ(data_->*c.field, value) << std::hex << c.id;
  }

  struct IntCase {
    PanelId id;
    std::int32_t NodeData::*field;
  };
  std::int32_t integer = 40;
  for (const IntCase c : {IntCase{kCtlAxis, &NodeData::axis},
                          IntCase{kCtlLightType, &NodeData::customLightType},
                          IntCase{kCtlClassic, &NodeData::classicMode}}) {
    integer += 1;
    EXPECT_EQ(PanelSet(data_, c.id, &integer), 1) << std::hex << c.id;
    EXPECT_EQ(data_->*c.field, integer) << std::hex << c.id;
  }
}

TEST_F(PanelTest, SetUnknownIdChangesNothing) {
  NodeData before;
  std::memcpy(&before, data_, sizeof before);
  double big[3] = {7.0, 7.0, 7.0};
  for (PanelId id : {PanelId{0}, PanelId{0x8009}, PanelId{0x7FFF}})
    EXPECT_EQ(PanelSet(data_, id, big), 0) << std::hex << id;
  EXPECT_EQ(PanelSet(nullptr, kCtlSpecular, big), 0);
  EXPECT_EQ(PanelSet(data_, kCtlSpecular, nullptr), 0);
  EXPECT_EQ(std::memcmp(&before, data_, sizeof before), 0);
}

TEST_F(PanelTest, ChangeNotifiesOnlyOnValueChange) {
  InterfaceRecord record{};
  ASSERT_EQ(Activate(&record), kActivateOk);
  for (int event : {0, 1, 3, 4, -2}) {
    host_.trace.clear();
    PanelChange(record.panel, kCtlSpecular, 0, event);
    EXPECT_EQ(Count(host_.trace, "instanceUpdate NodeHandler"), 0u) << event;
    EXPECT_EQ(Count(host_.trace, "refreshPreview"), 0u) << event;
  }
  host_.trace.clear();
  PanelChange(record.panel, kCtlSpecular, 0, kEventValueChanged);
  EXPECT_EQ(host_.trace, (std::vector<std::string>{"panelGetData 0",
                                                   "instanceUpdate NodeHandler",
                                                   "refreshPreview"}));
}

TEST_F(PanelTest, ChangeWithoutPanelOrRecordDoesNothing) {
  host_.trace.clear();
  PanelChange(nullptr, kCtlSpecular, 0, kEventValueChanged);
  EXPECT_TRUE(host_.trace.empty());
  // A panel whose user data was never set answers no record.
  auto* bare = reinterpret_cast<PanelHandle>(&host_.panels.emplace_back());
  PanelChange(bare, kCtlSpecular, 0, kEventValueChanged);
  EXPECT_EQ(host_.trace, std::vector<std::string>{"panelGetData 0"});
}

}  // namespace
