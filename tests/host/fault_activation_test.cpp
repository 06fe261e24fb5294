// Activations against a host that withholds services, through the stand-in
// host and the built quillane.p: every combination of the eight node
// services, and a panel service that is there for one activation and gone
// for the next. Each activation either succeeds or returns its code with
// the handler record untouched, and instances made before keep working.
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "standin/host/host.h"
#include "standin/host/host_services.h"

namespace {

using standin::Color3;
using standin::Host;
using standin::HostNode;
using standin::HostPanel;
using standin::ModuleFile;
using standin::ServiceOffer;

const char* const kNodeServices[8] = {
    "NodeInputFuncs",  "NodeOutputFuncs", "NodeFuncs",        "Instance Update",
    "Scene Objects 6", "LW Item Info 4",  "LW Object Info 7", "LW Light Info 4"};

// The stand-in host's lookup, withholding every service named in `gWithheld`
// (bit i: kNodeServices[i]) and "LWXPanel" while `gNoPanel` is set.
unsigned gWithheld = 0;
bool gNoPanel = false;
void* WithholdingLookup(const char* name, int useMode) {
  for (unsigned i = 0; i < 8; ++i)
    if ((gWithheld >> i & 1u) && std::strcmp(name, kNodeServices[i]) == 0) return nullptr;
  if (gNoPanel && std::strcmp(name, "LWXPanel") == 0) return nullptr;
  return standin::HostServicesImpl::Lookup(name, useMode);
}

std::string Withheld(unsigned mask) {
  std::string names;
  for (unsigned i = 0; i < 8; ++i)
    if (mask >> i & 1u) names += std::string(names.empty() ? "" : ", ") + kNodeServices[i];
  return names.empty() ? "nothing withheld" : "without " + names;
}

class FaultActivation : public testing::Test {
 protected:
  FaultActivation() : module_(QUILLANE_MODULE), host_(module_) {
    // A scene in which item, object and light info each change the colour:
    // a lit light, one excluded from the object, one that skips specular.
    host_.objects.push_back({"Ball"});
    for (int i = 0; i < 3; ++i) {
      standin::HostLight& light = host_.lights.emplace_back();
      light.name = "L" + std::to_string(i + 1);
      light.direction = {0.2 * i, -0.5, -1.0};
    }
    host_.lights[1].excludedFrom.push_back(&host_.objects.front());
    host_.lights[2].flags = kLightNoSpecular;
  }
  ~FaultActivation() override {
    gWithheld = 0;
    gNoPanel = false;
  }

  std::optional<Color3> Shade(const HostNode& node) {
    standin::HostSpot spot = standin::DefaultSpot();
    spot.info.rayTrace = Host::RayTraceEntry();
    spot.info.object = Host::Handle(&host_.objects.front());
    return host_.Evaluate(node, spot);
  }

  int ActivateNode(NodeHandlerRecord* record) {
    return module_.FindServer("NodeHandler")->activate(1, WithholdingLookup, record, nullptr);
  }
  int ActivateInterface(InterfaceRecord* record) {
    return module_.FindServer("NodeInterface")->activate(4, WithholdingLookup, record, nullptr);
  }

  ModuleFile module_;
  Host host_;
};

TEST_F(FaultActivation, EveryCombinationOfMissingNodeServices) {
  HostNode& node = host_.CreateNode();
  // Settings as a save and load leave them (floats), so that the loads below
  // change nothing.
  host_.Load(node, host_.Save(node, standin::ContainerForm::kBinary),
             standin::ContainerForm::kBinary, "saved");
  // What the node shows with each set of optional services, from the host's
  // own activations.
  std::array<std::optional<Color3>, 8> byOptional;
  for (unsigned optional = 0; optional < 8; ++optional) {
    host_.ActivateNode({!(optional & 1u), !(optional & 2u), !(optional & 4u)});
    byOptional[optional] = Shade(node);
    ASSERT_TRUE(byOptional[optional].has_value());
  }
  EXPECT_NE(byOptional[0], byOptional[1]) << "item info changes nothing";
  EXPECT_NE(byOptional[0], byOptional[2]) << "object info changes nothing";
  EXPECT_NE(byOptional[0], byOptional[4]) << "light info changes nothing";

  for (unsigned mask = 0; mask < 256; ++mask) {
    SCOPED_TRACE(Withheld(mask));
    host_.ActivateNode(ServiceOffer{});
    gWithheld = mask;
    InstanceFuncs instance{};
    ItemFuncs item{};
    RenderFuncs render{};
    NodeHandlerRecord record{&instance, &item, &render, nullptr};
    const int code = ActivateNode(&record);
    gWithheld = 0;

    const bool required = (mask & 0x1Fu) == 0;
    if (!required) {
      EXPECT_EQ(code, kActivateBadService);
      EXPECT_EQ(record.evaluate, nullptr);
      EXPECT_EQ(instance.create, nullptr);
      EXPECT_EQ(instance.priv, nullptr);
      EXPECT_EQ(item.useItems, nullptr);
      EXPECT_EQ(render.init, nullptr);
      // The services of the last good activation stay in use.
      EXPECT_EQ(Shade(node), byOptional[0]);
    } else {
      EXPECT_EQ(code, kActivateOk);
      EXPECT_NE(record.evaluate, nullptr);
      EXPECT_NE(instance.create, nullptr);
      EXPECT_EQ(Shade(node), byOptional[mask >> 5]);
    }
    // The existing node still saves, loads, wires and gets destroyed and
    // recreated through the services in place.
    const std::string saved = host_.Save(node, standin::ContainerForm::kBinary);
    host_.Load(node, saved, standin::ContainerForm::kBinary, "saved");
    HostNode& other = host_.CreateNode();
    EXPECT_EQ(other.inputs.size(), 9u);
    host_.DestroyNode(other);
  }
}

TEST_F(FaultActivation, WrongVersionAndMissingRecordsChangeNothing) {
  HostNode& node = host_.CreateNode();
  const auto before = Shade(node);
  InstanceFuncs instance{};
  NodeHandlerRecord record{&instance, nullptr, nullptr, nullptr};
  gWithheld = 0xFF;  // nothing may be fetched before these refusals
  EXPECT_EQ(module_.FindServer("NodeHandler")->activate(2, WithholdingLookup, &record, nullptr),
            kActivateBadVersion);
  EXPECT_EQ(ActivateNode(nullptr), kActivateBadLocal);
  NodeHandlerRecord noTable{nullptr, nullptr, nullptr, nullptr};
  EXPECT_EQ(ActivateNode(&noTable), kActivateBadLocal);
  EXPECT_EQ(instance.create, nullptr);
  EXPECT_EQ(record.evaluate, nullptr);
  EXPECT_EQ(Shade(node), before);

  InterfaceRecord panel{node.instance, nullptr, nullptr, nullptr};
  EXPECT_EQ(module_.FindServer("NodeInterface")->activate(3, WithholdingLookup, &panel, nullptr),
            kActivateBadVersion);
  EXPECT_EQ(ActivateInterface(nullptr), kActivateBadLocal);
  EXPECT_EQ(panel.panel, nullptr);
}

TEST_F(FaultActivation, PanelServiceMissingFromTheFirstActivation) {
  HostNode& node = host_.CreateNode();
  gNoPanel = true;
  auto sentinel = reinterpret_cast<PanelHandle>(&node);
  InterfaceRecord record{node.instance, sentinel, nullptr, nullptr};
  EXPECT_EQ(ActivateInterface(&record), kActivateBadService);
  EXPECT_EQ(record.panel, sentinel) << "the record must stay untouched";
  // Without any panel the node still takes wiring and is destroyed cleanly.
  host_.Wire(node, "UV", {standin::SourceKind::Vector, {0.2, 0.9, 0.0}});
  EXPECT_TRUE(Shade(node).has_value());
  host_.DestroyNode(node);
}

TEST_F(FaultActivation, PanelServiceThatVanishesBetweenActivations) {
  HostNode& node = host_.CreateNode();
  InterfaceRecord first{node.instance, nullptr, nullptr, nullptr};
  ASSERT_EQ(ActivateInterface(&first), kActivateOk);
  auto* panel = reinterpret_cast<HostPanel*>(first.panel);
  ASSERT_NE(panel, nullptr);
  node.panel = panel;

  gNoPanel = true;
  InterfaceRecord second{node.instance, nullptr, nullptr, nullptr};
  EXPECT_EQ(ActivateInterface(&second), kActivateBadService);
  EXPECT_EQ(second.panel, nullptr);

  // The built panel keeps being served through the service fetched before:
  // wiring refreshes it, edits go through it, and destroy takes it down.
  const int refreshes = panel->refreshes;
  host_.Wire(node, "Custom Light", {standin::SourceKind::Vector, {0.0, 1.0, 0.0}});
  EXPECT_EQ(panel->refreshes, refreshes + 1);
  const double specular = 0.5;
  host_.SetPanelValue(node, "Specular", &specular);
  EXPECT_NE(panel->get(panel->instance, 0x8007), nullptr);

  gNoPanel = false;
  InterfaceRecord third{node.instance, nullptr, nullptr, nullptr};
  ASSERT_EQ(ActivateInterface(&third), kActivateOk);
  EXPECT_EQ(third.panel, first.panel) << "the panel is built once per node";
  // A later panel keeps the host from dropping this one's record at destroy.
  HostNode& keeper = host_.CreateNode();
  ASSERT_NE(host_.OpenPanel(keeper), nullptr);
  host_.DestroyNode(node);
  EXPECT_TRUE(panel->destroyed);
}

}  // namespace
