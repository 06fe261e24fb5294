// Probing the loaded module's lobe at one spot: the node's "Specular" and
// "Color" are wired to 1 and its "Custom Light" to a value each probe sets,
// so one evaluation gives the lobe f itself for a chosen light direction,
// with every other setting and wiring of the node left as the user made it.
#pragma once

#include "standin/host/host.h"
#include "standin/render/vec3.h"

namespace standin::lookdev {

// A node made ready for probing.
struct ProbeNode {
  const HostNode* node = nullptr;
  const HostInput* customLight = nullptr;
  bool pointLight = false;  // "Custom Light" is read as a position
};

// Wires "Specular" to 1, "Color" to white and "Custom Light" on `node`,
// opening its panel when it has none, and reads the node's light type.
// Throws HostError.
ProbeNode PrepareProbe(Host& host, HostNode& node);

// The node's value of a panel setting (nullptr while its input is wired).
const void* PanelSetting(const HostNode& node, const char* dataName);

// Evaluations of one prepared node at one spot. Each call works on its own
// copy of the spot, so calls may run concurrently and allocate nothing.
class LobeProbe {
 public:
  LobeProbe(const Host& host, const ProbeNode& node, const HostSpot& spot);

  // The lobe for the half vector h (unit): view and light both along h, so
  // the module's own half vector is h whatever the spot's view.
  double AtHalf(Vec3 h) const;
  // The lobe for light arriving from `towardLight` (unit), seen from the
  // spot's own ray source.
  double AtLight(Vec3 towardLight) const;

  const HostSpot& spot() const { return spot_; }
  // Unit direction from the spot toward its ray source.
  Vec3 ToViewer() const;

 private:
  double Evaluate(HostSpot& spot, Vec3 travel) const;

  const Host& host_;
  ProbeNode node_;
  HostSpot spot_;
};

}  // namespace standin::lookdev
