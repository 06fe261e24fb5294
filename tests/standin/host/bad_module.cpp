// Module files a host must refuse. BAD_FIELD picks what is wrong with the
// descriptor: 1 the synchronisation word, 2 the system version, 3 the
// machine type; without BAD_FIELD the file exports no descriptor at all.
#include "hostapi/hostapi.h"

namespace {
void* Startup() { return reinterpret_cast<void*>(4); }
void Shutdown(void*) {}
const ServerRecord kNoServers[] = {{nullptr, nullptr, nullptr, nullptr}};
}  // namespace

#ifdef BAD_FIELD
extern "C" __attribute__((visibility("default")))
const ModuleDescriptor _mod_descrip = {
    BAD_FIELD == 1 ? 0x12345678u : kModuleSyncWord,
    BAD_FIELD == 2 ? 2u : kModuleSystemVersion,
    BAD_FIELD == 3 ? 0x200u : kModuleMachineType,
    Startup, Shutdown, kNoServers};
#else
extern "C" __attribute__((visibility("default")))
const ModuleDescriptor other_descriptor = {kModuleSyncWord, kModuleSystemVersion,
                                           kModuleMachineType, Startup, Shutdown,
                                           kNoServers};
#endif
