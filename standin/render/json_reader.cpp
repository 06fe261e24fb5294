// Checked JSON access with key paths in every message.
#include "standin/render/json_reader.h"

#include <cmath>
#include <sstream>

namespace standin {
namespace {

std::string Shortest(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

}  // namespace

void JsonValue::Fail(const std::string& message) const {
  throw SceneError(file + ": key " + (path.empty() ? "(top level)" : path) +
                   ": " + message);
}

double JsonValue::Number() const {
  if (!json.is_number()) Fail("expected a number");
  const double v = json.get<double>();
  if (!std::isfinite(v)) Fail("expected a finite number");
  return v;
}

double JsonValue::NumberAbove(double low) const {
  const double v = Number();
  if (!(v > low)) Fail("expected a number greater than " + Shortest(low));
  return v;
}

int JsonValue::Integer(int low, int high) const {
  const std::string range =
      "expected an integer from " + std::to_string(low) + " to " + std::to_string(high);
  if (!json.is_number_integer()) Fail(range);
  if (json.is_number_unsigned()) {
    const auto u = json.get<unsigned long long>();
    if (low > 0 && u < static_cast<unsigned long long>(low)) Fail(range);
    if (u > static_cast<unsigned long long>(high)) Fail(range);
    return static_cast<int>(u);
  }
  const auto i = json.get<long long>();
  if (i < low || i > high) Fail(range);
  return static_cast<int>(i);
}

bool JsonValue::Boolean() const {
  if (!json.is_boolean()) Fail("expected true or false");
  return json.get<bool>();
}

std::string JsonValue::String() const {
  if (!json.is_string()) Fail("expected a string");
  return json.get<std::string>();
}

Vec3 JsonValue::Triple() const {
  if (!json.is_array() || json.size() != 3) Fail("expected an array of 3 numbers");
  double v[3];
  for (size_t i = 0; i < 3; ++i) v[i] = JsonValue{json[i], file, IndexPath(path, i)}.Number();
  return {v[0], v[1], v[2]};
}

JsonObject::JsonObject(const JsonValue& value) : value_(value) {
  if (!value_.json.is_object()) value_.Fail("expected an object");
}

bool JsonObject::Has(const char* key) const { return value_.json.contains(key); }

JsonValue JsonObject::Required(const char* key) {
  if (!Has(key)) {
    JsonValue{value_.json, value_.file, KeyPath(value_.path, key)}.Fail("missing required key");
  }
  read_.insert(key);
  return {value_.json.at(key), value_.file, KeyPath(value_.path, key)};
}

std::vector<std::pair<std::string, JsonValue>> JsonObject::Entries() {
  std::vector<std::pair<std::string, JsonValue>> entries;
  for (auto it = value_.json.begin(); it != value_.json.end(); ++it) {
    read_.insert(it.key());
    entries.emplace_back(it.key(),
                         JsonValue{it.value(), value_.file, KeyPath(value_.path, it.key())});
  }
  return entries;
}

void JsonObject::Finish() const {
  for (auto it = value_.json.begin(); it != value_.json.end(); ++it) {
    if (!read_.count(it.key())) {
      JsonValue{it.value(), value_.file, KeyPath(value_.path, it.key())}.Fail("unknown key");
    }
  }
}

}  // namespace standin
