// What a panel service keeps of one panel, shared by the stand-in's service
// and the host double's: the controls and data description the module gave
// (copied; the strings stay the module's), its get and set functions, user
// data per control and the view instance; and the service's table built from
// one type's functions. Needs the host's declarations only.
#pragma once

#include <map>
#include <vector>

#include "hostapi/panel.h"

namespace standin {

struct PanelRecord {
  std::vector<PanelControl> controls;
  std::vector<PanelDataDesc> data;
  PanelGetFunc get = nullptr;
  PanelSetFunc set = nullptr;
  std::map<PanelId, void*> userData;  // not owned by the host
  void* instance = nullptr;           // what the get and set functions receive

  // create: the control list up to its id 0.
  void CopyControls(const PanelControl* list) {
    for (; list && list->id != 0; ++list) controls.push_back(*list);
  }
  // describe: the data description up to its id 0, and the functions that
  // read and write the values.
  void Describe(const PanelDataDesc* list, PanelGetFunc getValue, PanelSetFunc setValue) {
    data.clear();
    for (; list && list->id != 0; ++list) data.push_back(*list);
    get = getValue;
    set = setValue;
  }
  // get data: the user data set for control `id`, or null.
  void* UserData(PanelId id) const {
    const auto it = userData.find(id);
    return it == userData.end() ? nullptr : it->second;
  }
};

// The panel service's table from `Service`'s static functions (version 1,
// the unused entries null).
template <typename Service>
constexpr PanelFuncs PanelTable() {
  return {1, nullptr, Service::Create, Service::Destroy, Service::Describe, Service::Hint,
          Service::GetData, Service::SetData, nullptr, nullptr, Service::ViewInstance,
          Service::ViewRefresh};
}

}  // namespace standin
