#include "standin/lookdev/probe.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace standin::lookdev {

const void* PanelSetting(const HostNode& node, const char* dataName) {
  const HostPanel* panel = node.panel;
  if (!panel || !panel->get) return nullptr;
  for (const PanelDataDesc& d : panel->data)
    if (std::string_view(d.name) == dataName) return panel->get(panel->instance, d.id);
  return nullptr;
}

ProbeNode PrepareProbe(Host& host, HostNode& node) {
  if (!node.panel) host.OpenPanel(node);
  host.Wire(node, "Specular", {SourceKind::Number, {1.0, 0.0, 0.0}});
  host.Wire(node, "Color", {SourceKind::Vector, {1.0, 1.0, 1.0}});
  host.Wire(node, "Custom Light", {SourceKind::Vector, {0.0, 0.0, -1.0}});
  ProbeNode probe;
  probe.node = &node;
  probe.customLight = host.FindInput(node, "Custom Light");
  const void* type = PanelSetting(node, "CustomLightType");
  probe.pointLight = type && *static_cast<const std::int32_t*>(type) != 0;
  return probe;
}

LobeProbe::LobeProbe(const Host& host, const ProbeNode& node, const HostSpot& spot)
    : host_(host), node_(node), spot_(spot) {
  spot_.probeInput = node.customLight;
}

Vec3 LobeProbe::ToViewer() const {
  return Normalized(Load(spot_.info.raySource) - Load(spot_.info.worldPosition));
}

double LobeProbe::Evaluate(HostSpot& spot, Vec3 travel) const {
  // A direction is the way the light travels; a position sits one unit
  // back along it.
  const Vec3 value = node_.pointLight ? Load(spot.info.worldPosition) - travel : travel;
  spot.probeValue = {value.x, value.y, value.z};
  const auto color = host_.Evaluate(*node_.node, spot);
  return color ? (*color)[0] : std::numeric_limits<double>::quiet_NaN();
}

double LobeProbe::AtHalf(Vec3 h) const {
  HostSpot spot = spot_;
  Store(Load(spot.info.worldPosition) + h, spot.info.raySource);
  return Evaluate(spot, -h);
}

double LobeProbe::AtLight(Vec3 towardLight) const {
  HostSpot spot = spot_;
  return Evaluate(spot, -towardLight);
}

}  // namespace standin::lookdev
