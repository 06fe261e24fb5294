// The fake host's "LWXPanel" service: panels kept as records the tests
// read back (the record is the stand-in's), every call noted while the host
// records.
#include <string>

#include "tests/doubles/fake_services.h"

namespace fake {
namespace {

FakePanel* AsPanel(PanelHandle h) { return reinterpret_cast<FakePanel*>(h); }

struct PanelService {
  // create: a panel record owned by the host; null while the host is told to
  // fail it.
  static PanelHandle Create(int type, const PanelControl* controls) {
    Record("panelCreate", std::to_string(type));
    if (FakeHost::current->failPanelCreate) return nullptr;
    FakePanel& panel = FakeHost::current->panels.emplace_back();
    panel.CopyControls(controls);
    return reinterpret_cast<PanelHandle>(&panel);
  }
  // destroy: noted; the record lives as long as the host.
  static void Destroy(PanelHandle) { Record("panelDestroy"); }
  static void Describe(PanelHandle panel, const PanelDataDesc* data, PanelGetFunc get,
                       PanelSetFunc set) {
    Record("panelDescribe");
    AsPanel(panel)->Describe(data, get, set);
  }
  // hint: the list is a flat sequence of tags and arguments ending with tag
  // 0; the fake keeps its eleven entries verbatim.
  static void Hint(PanelHandle panel, PanelId id, const PanelHint* hints) {
    Record("panelHint", std::to_string(id));
    AsPanel(panel)->hints.assign(hints, hints + 11);
  }
  static void* GetData(PanelHandle panel, PanelId id) {
    Record("panelGetData", std::to_string(id));
    return AsPanel(panel)->UserData(id);
  }
  static void SetData(PanelHandle panel, PanelId id, void* value) {
    Record("panelSetData", std::to_string(id));
    AsPanel(panel)->userData[id] = value;
  }
  static void ViewInstance(PanelHandle panel, void* instance) {
    Record("panelViewInstance");
    AsPanel(panel)->instance = instance;
  }
  static void ViewRefresh(PanelHandle) { Record("panelViewRefresh"); }
};

const PanelFuncs kPanelFuncs = standin::PanelTable<PanelService>();

}  // namespace

const PanelFuncs* PanelTable() { return &kPanelFuncs; }

}  // namespace fake
