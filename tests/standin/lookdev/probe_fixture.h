// One loaded module and host for the look-dev tests, with nodes made from
// eval settings and spots placed by hand.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "standin/lookdev/probe_setup.h"

namespace lookdev_test {

using standin::HostSpot;
using standin::Vec3;
using standin::Mat3;
using standin::lookdev::LobeProbe;
using standin::lookdev::ProbeNode;

class ProbeTest : public testing::Test {
 protected:
  ProbeTest();
  // A prepared node with the eval settings `pairs` and wired inputs.
  ProbeNode Node(const std::vector<std::string>& pairs,
                 const standin::lookdev::ProbeSetup::Wiring& inputs = {});
  LobeProbe Probe(const ProbeNode& node, const HostSpot& spot) const {
    return LobeProbe(host_, node, spot);
  }

  standin::ModuleFile module_;
  standin::Host host_;
  std::unique_ptr<standin::lookdev::ProbeSetup> setup_;
};

// A spot at the origin with `normal` (unit), the object's rotation `toWorld`
// and its inverse, the ray source 5 units out along the normal.
HostSpot SpotAt(Vec3 normal, const Mat3& toWorld);

// The rotation by `degrees` about the unit axis (Rodrigues).
Mat3 Rotation(Vec3 axis, double degrees);

std::string Show(Vec3 v);

}  // namespace lookdev_test
