// The node's settings panel, drawn by the host's "LWXPanel" service in view
// mode, and the activation of the "NodeInterface" class that hands it over.
#pragma once

#include "host/services.h"
#include "host/node_data.h"
#include "host/settings.h"

namespace quillane {

// Entries in the hint list, tags and arguments together, the final 0 included.
constexpr int kPanelHintCount = 11;

// Activation of "NodeInterface". `version` must be 4 (else 1). `local` is
// the host's InterfaceRecord (null: 3); its `instance` is a NodeData made by
// create. Fetches "LWXPanel" into gHost.panel; when the host does not offer
// it returns 2, leaves the record untouched and keeps a panel service
// fetched earlier, which panels already built still need. On success sets
// the record's panel to the instance's panel (built on the first call, null
// if the host could not create it), clears its options and command entries
// and returns 0.
int ActivateInterface(int version, ServiceLookup lookup, void* local,
                      void* serverData);

// Returns the record's panel, building it on the first call: controls, data
// description with PanelGet and PanelSet, the hint list (change function,
// the node's name as label, the light-type choices) and the record as the
// panel's view instance and user data of control 0. Null for a null record
// or when the host cannot create the panel. Needs gHost.panel and
// gHost.node.
PanelHandle BuildPanel(NodeData* data);

// Panel get function: the address of the setting whose control is `id`,
// while the panel should show it (as the settings table's `shown` says: most
// only while their input is unwired, the light type only while "Custom
// Light" is wired, classic mode always), else null. The address stays owned
// by the record.
void* PanelGet(void* instance, PanelId id);

// Panel set function: copies the new value (three doubles for the colour,
// one double for a fraction or angle, one 32-bit integer for the others)
// into the setting, unchecked. Returns 1 when stored, 0 for a null record
// or an unknown `id`.
int PanelSet(void* instance, PanelId id, void* value);

// Panel change function: on a value change (event 2) of a panel whose
// control-0 data is a record, tells the host the instance changed and asks
// the node editor to refresh the node's preview. Other events do nothing.
void PanelChange(PanelHandle panel, PanelId control, PanelId value,
                 int event);

}  // namespace quillane
