// The host's plug-in interface, as this module sees it: opaque handles and
// the small codes every part of the interface shares.
//
// The folder hostapi/ declares every table and record the module calls or is
// handed, with entries in the order the host lays them out, and nothing else:
// no code, no data. Entries the module never calls keep their place as typed
// placeholders so that later entries sit at the positions the host uses.
// Handles are opaque pointers owned by the host; the module stores them and
// passes them back unchanged.
//
// Conventions that hold for every entry unless it says otherwise:
//   - strings handed to the host are static or owned by the module and stay
//     valid for the host's whole use of them; strings handed to the module are
//     owned by the host and valid for the duration of the call;
//   - no entry takes ownership of memory the caller allocated.
#pragma once

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

// A placeholder for a table entry the module never calls.
using UnusedFunc = void (*)();
