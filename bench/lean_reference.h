// The lean reference: for each benchmarked path of Evaluate, the leanest
// evaluation we can write that asks the host the same questions in the same
// order and performs the same divisions, square roots and other operations
// on the same operands. It is specialised to its path (which inputs are
// wired, which light is used, where it stops), but still tests every answer
// the path depends on: one that leaves the path ends it with an output no
// evaluation gives, which the bit-for-bit check then reports.
//
// Written for speed: values stay in registers between host calls where they
// can, independent divisions and square roots are issued two to an SSE2
// instruction (the results are the same as one at a time), and the maths
// runs after the host reads it needs, so little is kept across a call.
#pragma once

#include "hostapi/hostapi.h"

namespace bench::lean {

// The references live in their own library file (libquillane_lean.so),
// which exports only the two functions below.

// The host tables the reference calls through, like the module's
// module-wide service pointers. Set before calling a reference.
struct LeanHost {
  const NodeInputFuncs* input;
  const NodeOutputFuncs* output;
  const ItemInfo* itemInfo;
  const ObjectInfo* objectInfo;
  const LightInfo* lightInfo;
};
[[gnu::visibility("default")]] void SetHost(const LeanHost& host);

// The reference of the path named as in the benchmarks ("fixed_light",
// "lights_16", "exit_shadow", ...), with Evaluate's signature; null for a
// name without one.
[[gnu::visibility("default")]] EvaluateFunc Reference(const char* path);

}  // namespace bench::lean
