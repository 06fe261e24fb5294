#include "host/module.h"

#include <cstdint>

#include "host/evaluate.h"
#include "host/panel.h"
#include "host/persist.h"
#include "shading/node_data.h"

namespace {

// Start-up: the host only needs a non-null value back, which it hands to
// shutdown.
void* Startup() { return reinterpret_cast<void*>(std::uintptr_t{4}); }
// Shutdown: the module holds nothing to release.
void Shutdown(void* /*serverData*/) {}

const ServerTag kTags[] = {
    {"Quillane", 0},
    {"/Shaders/Specular", kTagGroup},
    {nullptr, 0},
};

const ServerRecord kServers[] = {
    {"NodeHandler", "Quillane", ActivateNode, kTags},
    {"NodeInterface", "Quillane", ActivateInterface, kTags},
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
      static_cast<const NodeInputFuncs*>(lookup("NodeInputFuncs", 0));
  services->output =
      static_cast<const NodeOutputFuncs*>(lookup("NodeOutputFuncs", 0));
  services->node = static_cast<const NodeFuncs*>(lookup("NodeFuncs", 0));
  services->instanceUpdate =
      reinterpret_cast<InstanceUpdateFunc>(lookup("Instance Update", 0));
  services->sceneObjects =
      static_cast<const SceneObjects*>(lookup("Scene Objects 6", 0));
  services->itemInfo =
      static_cast<const ItemInfo*>(lookup("LW Item Info 4", 0));
  services->objectInfo =
      static_cast<const ObjectInfo*>(lookup("LW Object Info 7", 0));
  services->lightInfo =
      static_cast<const LightInfo*>(lookup("LW Light Info 4", 0));
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

extern "C" const ModuleDescriptor _mod_descrip = {
    kModuleSyncWord,    kModuleSystemVersion,
    kModuleMachineType, Startup,
    Shutdown,           kServers,
};

int ActivateNode(int version, ServiceLookup lookup, void* local,
                 void* /*serverData*/) {
  if (version != 1) return kActivateBadVersion;
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
