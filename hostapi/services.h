// The host's global services, fetched through the activation's lookup
// function by the names below, and the per-spot record of an evaluation.
#pragma once

#include <cstddef>

#include "hostapi/handles.h"

// Names of the services, as the host registers them.
constexpr const char* kServiceNodeInput = "NodeInputFuncs";
constexpr const char* kServiceNodeOutput = "NodeOutputFuncs";
constexpr const char* kServiceNode = "NodeFuncs";
constexpr const char* kServiceInstanceUpdate = "Instance Update";
constexpr const char* kServiceSceneObjects = "Scene Objects 6";
constexpr const char* kServiceItemInfo = "LW Item Info 4";
constexpr const char* kServiceObjectInfo = "LW Object Info 7";
constexpr const char* kServiceLightInfo = "LW Light Info 4";
constexpr const char* kServicePanel = "LWXPanel";

// The use mode of a service fetched for general use.
constexpr int kServiceGeneralUse = 0;

// The lookup function handed to every activation. Returns the service table
// registered under `name` (one of the names above), or null when the host
// does not offer it. `useMode` is kServiceGeneralUse. The table stays valid
// until the module is unloaded.
using ServiceLookup = void* (*)(const char* name, int useMode);

// ---------------------------------------------------------------------------
// The per-spot record handed to the evaluation. Owned by the host and valid
// for one evaluation call; the module only reads it.

// Illuminates a spot from one light. `light` is the scene light, `position`
// the spot's world position. On a positive result the host has written the
// direction in which the light travels (from the light toward the spot, not
// necessarily of unit length) to `direction` and the light's colour at the
// spot to `color`. A result of 0 or less: the light does not reach the spot
// and the outputs are unspecified.
using IlluminateFunc = int (*)(ItemHandle light, const double position[3],
                               double direction[3], double color[3]);

// Traces a ray from `origin` along `direction` through the scene, writes the
// colour seen to `color` and returns the hit distance (negative: no hit).
// The evaluation only tests that the host provides it.
using RayTraceFunc = double (*)(const double origin[3],
                                const double direction[3], double color[3]);

// Bit 0 of `SpotInfo::flags`: the spot is shaded for a shadow ray, which
// carries no specular light.
constexpr int kSpotShadowRay = 1;

struct SpotInfo {
  double worldPosition[3];  // the spot in world space
  double normal[3];         // the host's world normal, not always unit length
  double raySource[3];      // where the ray that reached the spot started
  // The spot's two transformation matrices, nine doubles each, row by row
  // (M[r][c] at index 3r + c; products are M times a column vector).
  // Normally the first takes local space to world space and the second world
  // space to local space; the node's classic mode swaps their roles.
  double toWorld[9];
  double toLocal[9];
  IlluminateFunc illuminate;
  RayTraceFunc rayTrace;  // null: the host cannot shade this spot
  ItemHandle object;      // the object the spot lies on, may be null
  int flags;              // kSpotShadowRay and host-private bits
};

// ---------------------------------------------------------------------------
// Global services, fetched through ServiceLookup by the quoted name.

// Called by the host when an input's connection or value changes. `instance`
// is the module's record of the node that owns `input`, `event` the event
// code (kEventValueChanged for a change), `data` unused by the module.
// Returns 1 when handled.
using InputEventFunc = int (*)(void* instance, InputHandle input, int event,
                               void* data);

// "NodeInputFuncs": the node's input connectors.
struct NodeInputFuncs {
  // Creates an input named `name` (static string) of connection type `type`
  // on `node`; `onEvent` is called with the node's instance record whenever
  // the input changes. Returns the input's handle (may be null on failure;
  // the handle lives as long as the node).
  InputHandle (*create)(NodeHandle node, int type, const char* name,
                        InputEventFunc onEvent);
  // Removes an input. Not called: inputs die with their node.
  void (*destroy)(NodeHandle node, InputHandle input);
  // Evaluates what is wired to `input` at `spot` and writes it to `value`:
  // one double for a scalar input, three for a colour or vector input.
  // Returns non-zero when a value was written.
  int (*evaluate)(InputHandle input, SpotInfo* spot, void* value);
  // Returns non-zero when `input` is connected to another node's output.
  int (*isConnected)(InputHandle input);
};

// "NodeOutputFuncs": the node's output connectors.
struct NodeOutputFuncs {
  // Creates an output named `name` of connection type `type` on `node`.
  // Returns its handle, which lives as long as the node.
  OutputHandle (*create)(NodeHandle node, int type, const char* name);
  // Removes an output. Not called: outputs die with their node.
  void (*destroy)(NodeHandle node, OutputHandle output);
  // Delivers an evaluation's result: the host copies what `result` points at
  // (three doubles for a colour output) before returning.
  void (*setValue)(ValueHandle value, const void* result);
};

// "NodeFuncs": the node itself.
struct NodeFuncs {
  // Returns the node's display name; owned by the host, valid while the
  // node exists.
  const char* (*nodeName)(NodeHandle node);
  UnusedFunc unused2;
  UnusedFunc unused3;
  UnusedFunc unused4;
  UnusedFunc unused5;
  // Chooses how the node editor previews the node; 0 is the host's default.
  void (*setPreviewMode)(NodeHandle node, int mode);
  // Asks the node editor to redraw the node's preview after a change.
  void (*refreshPreview)(NodeHandle node);
};

// "Instance Update": the service is this function itself. Tells the host that
// `instance` of the class `className` changed, so that it redraws and saves.
// Returns non-zero when the host took note.
using InstanceUpdateFunc = int (*)(const char* className, void* instance);

// "Scene Objects 6": the scene's object list. The module requires it to be
// present and calls none of it.
struct SceneObjects {
  int (*objectCount)(void);
  ItemHandle (*object)(int index);
};

// Item type of scene lights for ItemInfo::first.
constexpr int kItemLight = 1;

// "LW Item Info 4": the scene's items, optional.
struct ItemInfo {
  // Returns the first item of `type` below `parent` (null: the whole scene)
  // in the host's item order, or null when there is none.
  ItemHandle (*first)(int type, ItemHandle parent);
  // Returns the item after `item` of the same type, or null at the end.
  ItemHandle (*next)(ItemHandle item);
};

// "LW Object Info 7": scene objects, optional.
struct ObjectInfo {
  UnusedFunc unused[19];
  // Returns non-zero when `light` is excluded from lighting `object`.
  int (*excludedLight)(ItemHandle object, ItemHandle light);
};

// Bit of LightInfo::flags: the light does not affect specular shading.
constexpr unsigned kLightNoSpecular = 4;

// "LW Light Info 4": scene lights, optional.
struct LightInfo {
  UnusedFunc unused[5];
  // Returns the light's option bits (kLightNoSpecular among them).
  unsigned (*flags)(ItemHandle light);
};

static_assert(offsetof(ObjectInfo, excludedLight) == 19 * sizeof(void*));
static_assert(offsetof(LightInfo, flags) == 5 * sizeof(void*));
