// Module-wide service pointers: the host's services as the activations
// fetched them. Written only by the activations; everything else only reads
// them. The three optional services may be null.
#pragma once

#include "hostapi/hostapi.h"

namespace quillane {

struct HostServices {
  const NodeInputFuncs* input;
  const NodeOutputFuncs* output;
  const NodeFuncs* node;
  InstanceUpdateFunc instanceUpdate;
  const SceneObjects* sceneObjects;
  const ItemInfo* itemInfo;      // optional
  const ObjectInfo* objectInfo;  // optional
  const LightInfo* lightInfo;    // optional
  const PanelFuncs* panel;       // fetched by the interface activation
};

// Nothing outside the module file refers to gHost. Saying so on ELF lets
// the code reach it directly, instead of loading its address from the
// global offset table and keeping that in a register across every call.
#if defined(__ELF__)
[[gnu::visibility("hidden")]] extern HostServices gHost;
#else
extern HostServices gHost;
#endif

// Asks whether `input` is wired: one is-connected call.
inline bool Wired(const InputHandle& input) {
  return gHost.input->isConnected(input) != 0;
}

}  // namespace quillane
