// The fake host's "LWXPanel" service: panels kept as records the tests
// read back, every call noted while the host records.
#include <string>

#include "tests/doubles/fake_services.h"

namespace fake {
namespace {

FakePanel* AsPanel(PanelHandle h) { return reinterpret_cast<FakePanel*>(h); }

// create: a panel record owned by the host with the control list copied (the
// strings stay the module's); null while the host is told to fail it.
PanelHandle PanelCreate(int type, const PanelControl* controls) {
  Record("panelCreate", std::to_string(type));
  if (FakeHost::current->failPanelCreate) return nullptr;
  FakePanel& panel = FakeHost::current->panels.emplace_back();
  for (; controls->id; ++controls) panel.controls.push_back(*controls);
  return reinterpret_cast<PanelHandle>(&panel);
}
// destroy: noted; the record lives as long as the host.
void PanelDestroy(PanelHandle) { Record("panelDestroy"); }
// describe: copies the data description and keeps the get and set functions.
void PanelDescribe(PanelHandle panel, const PanelDataDesc* data,
                   PanelGetFunc get, PanelSetFunc set) {
  Record("panelDescribe");
  for (; data->id; ++data) AsPanel(panel)->data.push_back(*data);
  AsPanel(panel)->get = get;
  AsPanel(panel)->set = set;
}
// hint: the list is a flat sequence of tags and arguments ending with tag 0;
// the fake keeps its eleven entries verbatim.
void PanelHintApply(PanelHandle panel, PanelId id, const PanelHint* hints) {
  Record("panelHint", std::to_string(id));
  AsPanel(panel)->hints.assign(hints, hints + 11);
}
// get data / set data: user data per control, not owned by the host.
void* PanelGetData(PanelHandle panel, PanelId id) {
  Record("panelGetData", std::to_string(id));
  auto& data = AsPanel(panel)->userData;
  auto it = data.find(id);
  return it == data.end() ? nullptr : it->second;
}
void PanelSetData(PanelHandle panel, PanelId id, void* value) {
  Record("panelSetData", std::to_string(id));
  AsPanel(panel)->userData[id] = value;
}
// view instance: the record the get and set functions receive.
void PanelViewInstance(PanelHandle panel, void* instance) {
  Record("panelViewInstance");
  AsPanel(panel)->viewInstance = instance;
}
void PanelViewRefresh(PanelHandle) { Record("panelViewRefresh"); }

PanelFuncs MakePanelFuncs() {
  PanelFuncs funcs{};
  funcs.version = 1;
  funcs.create = PanelCreate;
  funcs.destroy = PanelDestroy;
  funcs.describe = PanelDescribe;
  funcs.hint = PanelHintApply;
  funcs.getData = PanelGetData;
  funcs.setData = PanelSetData;
  funcs.viewInstance = PanelViewInstance;
  funcs.viewRefresh = PanelViewRefresh;
  return funcs;
}
const PanelFuncs kPanelFuncs = MakePanelFuncs();

}  // namespace

const PanelFuncs* PanelTable() { return &kPanelFuncs; }

}  // namespace fake
