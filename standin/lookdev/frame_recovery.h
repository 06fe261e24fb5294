// The shading frame read back from the module's output alone. With the
// probe's wiring the node outputs f = 1 / q(H), where
//   q(H) = Hᵀ (T Tᵀ / Gu² + N Nᵀ + B Bᵀ / Gv²) H,
// so six half vectors give the symmetric matrix, whose eigenvectors are the
// tangent, normal and bitangent and whose eigenvalues 1/Gu², 1, 1/Gv² give
// the widths.
#pragma once

#include <array>

#include "standin/lookdev/probe.h"

namespace standin::lookdev {

// What the output cannot tell, taken from the host's side: the normal's
// sign (the output is even in N), which of the two widths is U (swapping
// the widths with a quarter turn of the tangent gives the same output), and
// the normal within a plane of equal eigenvalues (a width of exactly 1).
struct FrameHints {
  Vec3 normal{0.0, 0.0, 1.0};
  double uGloss = 0.0;  // 0 or non-finite: no preference
  double vGloss = 0.0;
};

struct RecoveredFrame {
  // false: the node gave no highlight (its zero-tangent exit) or a value
  // that is not a positive finite number; nothing else is set.
  bool valid = false;
  // The two widths are equal, so the output fixes no tangent: tangent and
  // bitangent are then zero.
  bool isotropic = false;
  // "UV" steered the tangent to zero (a steering direction of exactly
  // zero), so the lobe is 1 / (H·N)², which fixes the normal alone: tangent
  // and bitangent are zero and the widths NaN, as they are not defined.
  // Both widths at 1e5 or more give the same output to within rounding and
  // read back the same way.
  bool zeroSteering = false;
  Vec3 tangent;    // unit; its sign makes tangent · kTangentSignRef >= 0
  Vec3 bitangent;  // normal x tangent
  Vec3 normal;     // unit, on the side of the hint's normal
  double uWidth = 0.0;  // |Gu|; NaN with zeroSteering
  double vWidth = 0.0;  // |Gv|; NaN with zeroSteering
};

// The fixed world direction that settles the tangent's sign.
inline constexpr Vec3 kTangentSignRef{0.48, 0.64, 0.6};

// The six unit half vectors probed: three orthonormal directions in
// general position (none exactly across a normal along a world axis or a
// diagonal of their planes) and the diagonals of their three planes.
const std::array<Vec3, 6>& ProbeDirections();

// The frame from the lobe values f at ProbeDirections().
RecoveredFrame FrameFromLobes(const std::array<double, 6>& f, const FrameHints& hints);

// Probes the six half vectors and recovers the frame (six evaluations).
RecoveredFrame RecoverFrame(const LobeProbe& probe, const FrameHints& hints);

// The hints a host knows at the spot: its normal, and the node's U and V
// Glossiness (the setting, or the wired input's value at the spot).
FrameHints HintsAt(const ProbeNode& node, const HostSpot& spot);

}  // namespace standin::lookdev
