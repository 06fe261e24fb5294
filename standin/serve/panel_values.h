// The node's panel as the page draws it: what the module described through
// the panel service (controls, labels, classes, data types, choice lists)
// with the values its get function gives now, and the page's values turned
// into what its set function takes.
#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <stdexcept>
#include <string>

#include "standin/host/host.h"
#include "standin/json/json_checked.h"
#include "standin/json/json_text.h"

namespace standin {

// A request the page may not make: a bad value, an unknown control or input.
struct RequestError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A value in a request, its failures naming the field ("Axis: expected an
// integer from 0 to 2").
using PageJson = CheckedJson<PathErrors<RequestError>>;
inline const PathErrors<RequestError> kPageErrors{};

// One panel value in the form the set function takes: three doubles for a
// colour, one double for other numbers, one 32-bit integer for integers.
struct PanelValue {
  std::array<double, 3> numbers{};
  std::int32_t integer = 0;
  bool isInteger = false;
  const void* data() const { return isInteger ? static_cast<const void*>(&integer) : numbers.data(); }
};

// The panel for the page: {label, controls: [{id, label, class, dataName,
// dataType, choices, value, hidden}]}. A control whose get gives nothing is
// hidden and has a null value.
nlohmann::json DescribePanel(const HostPanel& panel, const std::string& nodeName);

// The control `id`. Throws RequestError for an unknown one.
const PanelControl& FindControl(const HostPanel& panel, PanelId id);
// The data description of control `id`. Throws RequestError if it has none.
const PanelDataDesc& FindData(const HostPanel& panel, PanelId id);

// The current value of control `id` as JSON (null while hidden).
nlohmann::json ReadValue(const HostPanel& panel, PanelId id);

// Checks `value` against the control's data type and class: a colour is
// three finite numbers, other numbers are finite, an axis is 0..2, a choice
// an index into its list, a boolean 0 or 1. Throws RequestError naming the
// control's label.
PanelValue ParseValue(const HostPanel& panel, PanelId id, const nlohmann::json& value);

}  // namespace standin
