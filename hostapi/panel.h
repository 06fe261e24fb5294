// "LWXPanel": panels the host draws from a description.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostapi/handles.h"

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

static_assert(offsetof(PanelFuncs, viewInstance) == 10 * sizeof(void*));
