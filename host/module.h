// How the host finds the module and hooks the node in: the exported module
// descriptor, its two server records and the "NodeHandler" activation.
#pragma once

#include "host/services.h"

// Marks the one symbol the module file exports; everything else is hidden.
#if defined(_WIN32)
#define QUILLANE_EXPORT __declspec(dllexport)
#else
#define QUILLANE_EXPORT __attribute__((visibility("default")))
#endif

// The module descriptor the host looks up by name: synchronisation word,
// system version, machine type, start-up and shutdown, and the server list
// ("NodeHandler" and "NodeInterface", both named "Quillane", sharing one
// tag list). The only symbol the module file exports.
extern "C" QUILLANE_EXPORT const ModuleDescriptor _mod_descrip;

namespace quillane {

// Activation of "NodeHandler". `version` must be 1 (else 1 is returned and
// nothing changes). `local` is the host's NodeHandlerRecord; a null record
// or one without an instance table gives 3 and nothing is fetched or
// written. Fetches the eight services the node uses, in order; when one of
// "NodeInputFuncs", "NodeOutputFuncs", "NodeFuncs", "Instance Update" and
// "Scene Objects 6" is missing it returns 2 and keeps every pointer from
// the last successful activation, so existing instances keep working. The
// optional "LW Item Info 4", "LW Object Info 7" and "LW Light Info 4" are
// stored as fetched, null included. Then fills the instance table (private
// pointer: the lookup function; create, destroy, copy, load, save), the
// item and render tables when present, and the evaluation entry, and
// returns 0.
int ActivateNode(int version, ServiceLookup lookup, void* local,
                 void* serverData);

}  // namespace quillane
