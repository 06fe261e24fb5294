#include "standin/serve/panel_values.h"

#include <cstring>
#include <limits>

namespace standin {
namespace {

using nlohmann::json;

std::string Text(const char* text) { return text ? text : ""; }

const std::vector<std::string>* ChoicesOf(const HostPanel& panel, PanelId id) {
  const auto it = panel.choices.find(id);
  return it == panel.choices.end() ? nullptr : &it->second;
}

// The largest integer the control takes, from its class.
std::int64_t IntegerLimit(const HostPanel& panel, const PanelControl& control) {
  const std::string cls = Text(control.controlClass);
  if (cls == "axis") return 2;
  if (cls == "iBoolean") return 1;
  const auto* choices = ChoicesOf(panel, control.id);
  if (cls == "iPopChoice" && choices) return static_cast<std::int64_t>(choices->size()) - 1;
  return std::numeric_limits<std::int32_t>::max();
}

std::int32_t Integer(const HostPanel& panel, const PanelControl& control, const PageJson& value) {
  const std::int64_t limit = IntegerLimit(panel, control);
  const std::int64_t low = limit == std::numeric_limits<std::int32_t>::max()
                               ? std::numeric_limits<std::int32_t>::min()
                               : 0;
  return static_cast<std::int32_t>(value.Integer(low, limit, IntegerRange(low, limit)));
}

}  // namespace

const PanelControl& FindControl(const HostPanel& panel, PanelId id) {
  for (const PanelControl& control : panel.controls)
    if (control.id == id) return control;
  throw RequestError("the panel has no control " + std::to_string(id));
}

const PanelDataDesc& FindData(const HostPanel& panel, PanelId id) {
  for (const PanelDataDesc& data : panel.data)
    if (data.id == id) return data;
  throw RequestError("control " + std::to_string(id) + " has no value");
}

json ReadValue(const HostPanel& panel, PanelId id) {
  const void* value = panel.get ? panel.get(panel.instance, id) : nullptr;
  if (!value) return nullptr;
  const std::string type = Text(FindData(panel, id).dataType);
  if (type == "integer") {
    std::int32_t i;
    std::memcpy(&i, value, sizeof i);
    return i;
  }
  const auto* d = static_cast<const double*>(value);
  if (type == "color") return json::array({NumberJson(d[0]), NumberJson(d[1]), NumberJson(d[2])});
  return NumberJson(d[0]);
}

PanelValue ParseValue(const HostPanel& panel, PanelId id, const json& value) {
  const PanelControl& control = FindControl(panel, id);
  const PageJson checked{value, Text(control.label), kPageErrors};
  const std::string type = Text(FindData(panel, id).dataType);
  PanelValue out;
  if (type == "integer") {
    out.isInteger = true;
    out.integer = Integer(panel, control, checked);
  } else if (type == "color") {
    checked.Size(3, "expected three numbers");
    for (size_t i = 0; i < 3; ++i) out.numbers[i] = checked.Element(i).Number();
  } else {
    out.numbers[0] = checked.Number();
  }
  return out;
}

json DescribePanel(const HostPanel& panel, const std::string& nodeName) {
  json controls = json::array();
  for (const PanelControl& control : panel.controls) {
    json entry = {{"id", control.id},
                  {"label", Text(control.label)},
                  {"class", Text(control.controlClass)}};
    for (const PanelDataDesc& data : panel.data) {
      if (data.id != control.id) continue;
      entry["dataName"] = Text(data.name);
      entry["dataType"] = Text(data.dataType);
    }
    if (const auto* choices = ChoicesOf(panel, control.id)) entry["choices"] = *choices;
    entry["value"] = entry.contains("dataType") ? ReadValue(panel, control.id) : json();
    entry["hidden"] = entry["value"].is_null();
    controls.push_back(std::move(entry));
  }
  return {{"label", panel.label.empty() ? nodeName : panel.label}, {"controls", controls}};
}

}  // namespace standin
