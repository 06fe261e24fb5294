// The host's plug-in interface, as this module sees it.
//
// Every table and record the module calls or is handed is declared here, with
// its entries in the order the host lays them out. Entries the module never
// calls keep their place as typed placeholders so that later entries sit at
// the positions the host uses. Handles are opaque pointers owned by the host;
// the module stores them and passes them back unchanged.
//
// Conventions that hold for every entry below unless it says otherwise:
//   - strings handed to the host are static or owned by the module and stay
//     valid for the host's whole use of them; strings handed to the module are
//     owned by the host and valid for the duration of the call;
//   - no entry takes ownership of memory the caller allocated.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Opaque host handles.

struct HostNode;
struct HostInput;
struct HostOutput;
struct HostValue;
struct HostItem;
struct HostPanel;

using NodeHandle = HostNode*;      // one node placed in a node network
using InputHandle = HostInput*;    // one input connector of a node
using OutputHandle = HostOutput*;  // one output connector of a node
using ValueHandle = HostValue*;    // where an evaluation delivers its result
using ItemHandle = HostItem*;      // a scene item: an object or a light
using PanelHandle = HostPanel*;    // a settings panel built by the panel service

// Connection types of node connectors.
constexpr int kConnectionColor = 1;   // three doubles: red, green, blue
constexpr int kConnectionScalar = 2;  // one double
constexpr int kConnectionVector = 3;  // three doubles: x, y, z

// The one event code the module reacts to: a value or connection changed.
constexpr int kEventValueChanged = 2;

// The lookup function handed to every activation. Returns the service table
// registered under `name` (e.g. "NodeInputFuncs"), or null when the host does
// not offer it. `useMode` is 0 for a service fetched for general use. The
// table stays valid until the module is unloaded.
using ServiceLookup = void* (*)(const char* name, int useMode);

// An activation function of a server record. `version` is the interface
// version the host speaks for the class, `lookup` fetches services, `local`
// is the class's record (node-handler or interface record), `serverData` is
// unused. Returns one of the activation codes below.
using ActivateFunc = int (*)(int version, ServiceLookup lookup, void* local,
                             void* serverData);

constexpr int kActivateOk = 0;
constexpr int kActivateBadVersion = 1;
constexpr int kActivateBadService = 2;
constexpr int kActivateBadLocal = 3;

// A placeholder for a table entry the module never calls.
using UnusedFunc = void (*)();

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

// ---------------------------------------------------------------------------
// "LWXPanel": panels the host draws from a description.

using PanelId = unsigned long;

// One control: identifier, label and control class ("color", "percent",
// "axis", "angle", "iPopChoice", "iBoolean", ...). Lists end with id 0.
struct PanelControl {
  PanelId id;
  const char* label;
  const char* controlClass;
};

// One value: identifier, name and data type ("color", "percent", "integer",
// "angle", ...). Lists end with id 0.
struct PanelDataDesc {
  PanelId id;
  const char* name;
  const char* dataType;
};

// One hint-list entry: a tag or an argument, each pointer-sized.
using PanelHint = std::uintptr_t;

constexpr PanelHint kHintChangeNotify = 0x3D000F01;  // (change function)
constexpr PanelHint kHintLabel = 0x3D000B03;         // (id, text, 0)
constexpr PanelHint kHintStringList = 0x3D014503;    // (id, list, 0)

constexpr int kPanelTypeView = 1;

// Returns a pointer to the current value of `id` for `instance`, or null when
// the control has no value to show now. The value stays owned by `instance`.
using PanelGetFunc = void* (*)(void* instance, PanelId id);
// Stores the value `value` points at as the setting `id` of `instance`.
// Returns 1 when stored, 0 when `id` is not known.
using PanelSetFunc = int (*)(void* instance, PanelId id, void* value);
// Told of a change event on control `control` of `panel`.
using PanelChangeFunc = void (*)(PanelHandle panel, PanelId control,
                                 PanelId value, int event);

struct PanelFuncs {
  int version;
  UnusedFunc unused2;
  // Creates a panel of `type` from `controls` (static, ends with id 0).
  // Returns the panel, or null on failure; the caller destroys it.
  PanelHandle (*create)(int type, const PanelControl* controls);
  // Destroys a panel made by create.
  void (*destroy)(PanelHandle panel);
  // Gives the panel its data description (static, ends with id 0) and the
  // functions that read and write the values.
  void (*describe)(PanelHandle panel, const PanelDataDesc* data,
                   PanelGetFunc get, PanelSetFunc set);
  // Applies a hint list (ends with 0) to control `id` (0: the whole panel).
  // The host copies what it needs before returning.
  void (*hint)(PanelHandle panel, PanelId id, const PanelHint* hints);
  // Returns the user data stored for control `id`, or null.
  void* (*getData)(PanelHandle panel, PanelId id);
  // Stores user data for control `id`; the host does not own it.
  void (*setData)(PanelHandle panel, PanelId id, void* data);
  UnusedFunc unused9;
  UnusedFunc unused10;
  // Attaches the instance whose values a view panel shows.
  void (*viewInstance)(PanelHandle panel, void* instance);
  // Re-reads every value shown, e.g. after an input was wired or unwired.
  void (*viewRefresh)(PanelHandle panel);
};

// ---------------------------------------------------------------------------
// Saved data: the host owns the container, the module owns the blocks.

// A block identifier: four ASCII characters packed with the first in the most
// significant byte, and the token naming the block in the host's text form.
// Block lists end with id 0 and a null token.
struct BlockId {
  std::uint32_t id;
  const char* token;
};

constexpr int kIoBinary = 0;
constexpr int kIoText = 1;

// Every operation takes `data` first. Reads return the number of values
// read, or -1 at the end of the current block or on failure.
struct LoadState {
  int ioMode;  // kIoBinary or kIoText
  void* data;
  int (*read)(void* data, char* bytes, int count);
  int (*readI1)(void* data, std::int8_t* values, int count);
  int (*readI2)(void* data, std::int16_t* values, int count);
  int (*readI4)(void* data, std::int32_t* values, int count);
  int (*readU1)(void* data, std::uint8_t* values, int count);
  int (*readU2)(void* data, std::uint16_t* values, int count);
  int (*readU4)(void* data, std::uint32_t* values, int count);
  int (*readFloat)(void* data, float* values, int count);
  int (*readString)(void* data, char* text, int capacity);
  int (*readId)(void* data, const BlockId* list);
  // Enters the next block at this level whose identifier is in `list` and
  // returns that identifier, skipping others; 0 when none is left.
  std::uint32_t (*findBlock)(void* data, const BlockId* list);
  // Leaves the block entered by findBlock, skipping what was not read.
  void (*endBlock)(void* data);
  int (*depth)(void* data);
};

// Writes return nothing the module looks at.
struct SaveState {
  int ioMode;  // kIoBinary or kIoText
  void* data;
  void (*write)(void* data, const char* bytes, int count);
  void (*writeI1)(void* data, const std::int8_t* values, int count);
  void (*writeI2)(void* data, const std::int16_t* values, int count);
  void (*writeI4)(void* data, const std::int32_t* values, int count);
  void (*writeU1)(void* data, const std::uint8_t* values, int count);
  void (*writeU2)(void* data, const std::uint16_t* values, int count);
  void (*writeU4)(void* data, const std::uint32_t* values, int count);
  void (*writeFloat)(void* data, const float* values, int count);
  void (*writeString)(void* data, const char* text);
  void (*writeId)(void* data, const BlockId* id);
  // Opens a block for `id`. A leaf block (`leaf` non-zero) holds only
  // values; a non-leaf block may hold nested blocks.
  void (*beginBlock)(void* data, const BlockId* id, int leaf);
  // Closes the block opened last.
  void (*endBlock)(void* data);
  int (*depth)(void* data);
};

static_assert(offsetof(LoadState, data) == sizeof(void*));
static_assert(offsetof(LoadState, readI4) == 5 * sizeof(void*));
static_assert(offsetof(LoadState, readFloat) == 9 * sizeof(void*));
static_assert(offsetof(LoadState, findBlock) == 12 * sizeof(void*));
static_assert(offsetof(SaveState, beginBlock) == 12 * sizeof(void*));
static_assert(offsetof(ObjectInfo, excludedLight) == 19 * sizeof(void*));
static_assert(offsetof(LightInfo, flags) == 5 * sizeof(void*));
static_assert(offsetof(PanelFuncs, viewInstance) == 10 * sizeof(void*));

// ---------------------------------------------------------------------------
// Records the host hands to the node activation and the instance callbacks.

// The instance table. The host calls these for every copy of the node.
struct InstanceFuncs {
  // Class-private pointer handed back to create.
  void* priv;
  // Creates the record of a new node; `context` is the node's handle. On
  // failure returns null and points `*error` at a static message.
  void* (*create)(void* priv, void* context, const char** error);
  // Destroys a record made by create.
  void (*destroy)(void* instance);
  // Copies the settings of `from` into `to`. Returns an error message or
  // null.
  const char* (*copy)(void* to, void* from);
  // Reads / writes the record's settings. Return an error message or null.
  const char* (*load)(void* instance, const LoadState* load);
  const char* (*save)(void* instance, const SaveState* save);
  // Returns a one-line description of the record. Not set by this module.
  const char* (*describe)(void* instance);
};

// Which scene items a node uses, and item renumbering.
struct ItemFuncs {
  // Returns the null-terminated list of items the node uses, or null.
  const ItemHandle* (*useItems)(void* instance);
  // Told how item ids changed (pairs of old and new ids).
  void (*changeId)(void* instance, const ItemHandle* ids);
};

// Render life of a node.
struct RenderFuncs {
  // Before rendering starts; returns an error message or null.
  const char* (*init)(void* instance, int mode);
  // After rendering ends.
  void (*cleanup)(void* instance);
  // At each new frame time; returns an error message or null.
  const char* (*newTime)(void* instance, int frame, double time);
};

// The evaluation entry: shade one spot for `output`, deliver through `value`.
using EvaluateFunc = void (*)(void* instance, SpotInfo* spot,
                              OutputHandle output, ValueHandle value);

// The node-handler record handed to the "NodeHandler" activation. The host
// owns the tables; item and render may be null.
struct NodeHandlerRecord {
  InstanceFuncs* instance;
  ItemFuncs* item;
  RenderFuncs* render;
  EvaluateFunc evaluate;
};

// The interface record handed to the "NodeInterface" activation.
struct InterfaceRecord {
  void* instance;      // the module's record of the node
  PanelHandle panel;   // set by the module: the panel to show
  void* (*options)(void* instance);                 // set null: no options
  int (*command)(void* instance, const char* cmd);  // set null: no commands
};

// ---------------------------------------------------------------------------
// The module descriptor and its server records.

struct ServerTag {
  const char* text;
  std::uint32_t code;
};

constexpr std::uint32_t kTagGroup = 0x00070000;  // the node-editor group

struct ServerRecord {
  const char* className;
  const char* serverName;
  ActivateFunc activate;
  const ServerTag* tags;
};

struct ModuleDescriptor {
  std::uint32_t syncWord;
  std::uint32_t systemVersion;
  std::uint32_t machineType;
  void* (*startup)(void);
  void (*shutdown)(void* serverData);
  const ServerRecord* servers;  // ends with an all-null record
};

constexpr std::uint32_t kModuleSyncWord = 0x04121994;
constexpr std::uint32_t kModuleSystemVersion = 3;
constexpr std::uint32_t kModuleMachineType = 0x300;

// ---------------------------------------------------------------------------
// Module-wide service pointers. Written only by the activations; everything
// else only reads them. The three optional services may be null.

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

extern HostServices gHost;
