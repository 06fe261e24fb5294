// The fake host's service tables, for its lookup function.
#pragma once

#include <string_view>

#include "tests/doubles/fake_host.h"

namespace fake {

// The tables whose entries an evaluation calls, in the variant `calls`
// asks for, and the spot's illuminate function that goes with them.
struct EvaluationTables {
  const NodeInputFuncs* input;
  const NodeOutputFuncs* output;
  const ItemInfo* itemInfo;
  const ObjectInfo* objectInfo;
  const LightInfo* lightInfo;
  IlluminateFunc illuminate;
};
EvaluationTables TablesFor(Calls calls);

// The tables no evaluation calls: one variant, which records while the
// current host records.
const NodeFuncs* NodeTable();
InstanceUpdateFunc InstanceUpdateEntry();
const SceneObjects* SceneObjectsTable();
const PanelFuncs* PanelTable();

// Appends "what arg" to the current host's trace while it records.
void Record(std::string_view what, std::string_view arg = {});

}  // namespace fake
