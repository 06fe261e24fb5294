#include "host/module.h"

#include <cstdint>

#include "host/evaluate.h"
#include "host/node_data.h"
#include "host/panel.h"
#include "host/persist.h"

namespace quillane {
namespace {

// Start-up: the host only needs a non-null value back, which it hands to
// shutdown.
void* Startup() { return reinterpret_cast<void*>(std::uintptr_t{4}); }
// Shutdown: the module holds nothing to release.
void Shutdown(void* /*serverData*/) {}

// The node's server name, under both classes.
constexpr const char* kServerName = "Quillane";

const ServerTag kTags[] = {
    {kServerName, 0},
    {"/Shaders/Specular", kTagGroup},
    {nullptr, 0},
};

const ServerRecord kServers[] = {
    {kClassNodeHandler, kServerName, ActivateNode, kTags},
    {kClassNodeInterface, kServerName, ActivateInterface, kTags},
    {nullptr, nullptr, nullptr, nullptr},
};

// Item table: the node uses no scene items and so has no ids to renumber.
const ItemHandle* UseItems(void* /*instance*/) { return nullptr; }
void ChangeItemIds(void* /*instance*/, const ItemHandle* /*ids*/) {}

// Render table: nothing to prepare per render or per frame.
const char* RenderInit(void* /*instance*/, int /*mode*/) { return nullptr; }
void RenderCleanup(void* /*instance*/) {}
const char* RenderNewTime(void* /*instance*/, int /*frame*/, double /*time*/) {
  return nullptr;
}

// Fetches the eight node services into `services`, in the host's order.
void FetchNodeServices(ServiceLookup lookup, HostServices* services) {
  services->input =
      static_cast<const NodeInputFuncs*>(lookup(kServiceNodeInput, kServiceGeneralUse));
  services->output =
      static_cast<const NodeOutputFuncs*>(lookup(kServiceNodeOutput, kServiceGeneralUse));
  services->node = static_cast<const NodeFuncs*>(lookup(kServiceNode, kServiceGeneralUse));
  services->instanceUpdate =
      reinterpret_cast<InstanceUpdateFunc>(lookup(kServiceInstanceUpdate, kServiceGeneralUse));
  services->sceneObjects =
      static_cast<const SceneObjects*>(lookup(kServiceSceneObjects, kServiceGeneralUse));
  services->itemInfo =
      static_cast<const ItemInfo*>(lookup(kServiceItemInfo, kServiceGeneralUse));
  services->objectInfo =
      static_cast<const ObjectInfo*>(lookup(kServiceObjectInfo, kServiceGeneralUse));
  services->lightInfo =
      static_cast<const LightInfo*>(lookup(kServiceLightInfo, kServiceGeneralUse));
}

bool HasRequiredServices(const HostServices& services) {
  return services.input && services.output && services.node &&
         services.instanceUpdate && services.sceneObjects;
}

void FillInstanceTable(InstanceFuncs* table, ServiceLookup lookup) {
  table->priv = reinterpret_cast<void*>(lookup);
  table->create = CreateNode;
  table->destroy = DestroyNode;
  table->copy = CopyNode;
  table->load = LoadNode;
  table->save = SaveNode;
}

}  // namespace

int ActivateNode(int version, ServiceLookup lookup, void* local,
                 void* /*serverData*/) {
  if (version != kNodeHandlerVersion) return kActivateBadVersion;
  auto* record = static_cast<NodeHandlerRecord*>(local);
  if (!record || !record->instance) return kActivateBadLocal;
  if (!lookup) return kActivateBadService;

  // Fetch into a copy and commit only a complete set: instances that exist
  // call through the module-wide pointers.
  HostServices fetched = gHost;
  FetchNodeServices(lookup, &fetched);
  if (!HasRequiredServices(fetched)) return kActivateBadService;
  gHost = fetched;

  FillInstanceTable(record->instance, lookup);
  if (record->item) {
    record->item->useItems = UseItems;
    record->item->changeId = ChangeItemIds;
  }
  if (record->render) {
    record->render->init = RenderInit;
    record->render->cleanup = RenderCleanup;
    record->render->newTime = RenderNewTime;
  }
  record->evaluate = Evaluate;
  return kActivateOk;
}

}  // namespace quillane

extern "C" const ModuleDescriptor _mod_descrip = {
    kModuleSyncWord,    kModuleSystemVersion,
    kModuleMachineType, quillane::Startup,
    quillane::Shutdown, quillane::kServers,
};
