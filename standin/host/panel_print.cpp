#include "standin/host/panel_print.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace standin {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string Integer(const void* value) {
  std::int32_t v;
  std::memcpy(&v, value, sizeof v);
  return std::to_string(v);
}

// A value shown the way its control class displays it.
std::string ShowValue(const HostPanel& panel, const PanelControl& control,
                      const char* dataType, const void* value) {
  const std::string cls = control.controlClass ? control.controlClass : "";
  const std::string type = dataType ? dataType : "";
  std::int32_t i = 0;
  std::memcpy(&i, value, sizeof i);
  if (cls == "axis" && type == "integer")
    return i >= 0 && i <= 2 ? std::string(1, static_cast<char>('X' + i)) : Integer(value);
  if (cls == "iBoolean") return i ? "on" : "off";
  if (cls == "iPopChoice") {
    const auto it = panel.choices.find(control.id);
    if (it != panel.choices.end() && i >= 0 && static_cast<size_t>(i) < it->second.size())
      return it->second[static_cast<size_t>(i)];
    return Integer(value);
  }
  if (type == "integer") return Integer(value);
  const auto* d = static_cast<const double*>(value);
  if (type == "color") return Number(d[0]) + " " + Number(d[1]) + " " + Number(d[2]);
  if (type == "percent") return Number(d[0] * 100.0) + "%";
  if (type == "angle") return Number(d[0] * 180.0 / std::numbers::pi) + " deg";
  return Number(d[0]);
}

const char* DataType(const HostPanel& panel, PanelId id) {
  for (const PanelDataDesc& d : panel.data)
    if (d.id == id) return d.dataType;
  return nullptr;
}

std::string Pad(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

}  // namespace

std::string PrintPanel(Host& host, HostNode& node) {
  HostPanel* panel = node.panel ? node.panel : host.OpenPanel(node);
  if (!panel) throw HostError("the module built no panel");
  std::string out = "Panel: " + (panel->label.empty() ? node.name : panel->label) + "\n";
  for (const PanelControl& control : panel->controls) {
    const std::string label = control.label ? control.label : "";
    out += "  " + Pad(label, 20) + Pad(control.controlClass ? control.controlClass : "", 12);
    const void* value = panel->get ? panel->get(panel->instance, control.id) : nullptr;
    if (value) {
      out += ShowValue(*panel, control, DataType(*panel, control.id), value);
    } else {
      // A control the panel does not show now; name the input that hides it
      // when one of the node's wired inputs carries the control's label.
      const HostInput* input = host.FindInput(node, label);
      out += input && input->wired ? "(hidden: input \"" + label + "\" is wired)"
                                   : std::string("(hidden)");
    }
    out += "\n";
  }
  std::string wired;
  for (const HostInput& input : node.inputs)
    if (input.wired) wired += (wired.empty() ? "" : ", ") + input.name;
  out += "Wired inputs: " + (wired.empty() ? std::string("none") : wired) + "\n";
  return out;
}

}  // namespace standin
