// How the host finds and activates a module: the module descriptor, its
// server records, the activation protocol and the records the host hands to
// the node and interface activations.
#pragma once

#include <cstdint>

#include "hostapi/handles.h"
#include "hostapi/saved.h"
#include "hostapi/services.h"

// Classes of the two servers, and the interface version the host speaks for
// each; an activation refuses any other version.
constexpr const char* kClassNodeHandler = "NodeHandler";
constexpr const char* kClassNodeInterface = "NodeInterface";
constexpr int kNodeHandlerVersion = 1;
constexpr int kNodeInterfaceVersion = 4;

// An activation function of a server record. `version` is the interface
// version the host speaks for the class, `lookup` fetches services, `local`
// is the class's record (node-handler or interface record), `serverData` is
// unused. Returns one of the activation codes below.
using ActivateFunc = int (*)(int version, ServiceLookup lookup, void* local,
                             void* serverData);

// Activation results: done, unsupported version, missing host service,
// missing local record.
constexpr int kActivateOk = 0;
constexpr int kActivateBadVersion = 1;
constexpr int kActivateBadService = 2;
constexpr int kActivateBadLocal = 3;

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
