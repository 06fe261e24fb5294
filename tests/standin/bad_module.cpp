// A module file a host must refuse: with BAD_SYNC_WORD its descriptor
// carries a wrong synchronisation word; without, it exports no descriptor.
#include "host/services.h"

namespace {
void* Startup() { return reinterpret_cast<void*>(4); }
void Shutdown(void*) {}
const ServerRecord kNoServers[] = {{nullptr, nullptr, nullptr, nullptr}};
}  // namespace

#ifdef BAD_SYNC_WORD
extern "C" __attribute__((visibility("default")))
const ModuleDescriptor _mod_descrip = {0x12345678, kModuleSystemVersion,
                                       kModuleMachineType, Startup, Shutdown,
                                       kNoServers};
#else
extern "C" __attribute__((visibility("default")))
const ModuleDescriptor other_descriptor = {kModuleSyncWord, kModuleSystemVersion,
                                           kModuleMachineType, Startup, Shutdown,
                                           kNoServers};
#endif
