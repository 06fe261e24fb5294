// Checked reading of parsed JSON: typed getters that fail with the key path
// of the value at fault, and an object reader that refuses unknown keys.
// Each caller says how a failure is reported through `Errors`, a type with
//   [[noreturn]] void Fail(const std::string& path, const std::string& message) const;
// scenes name the file and key path, eval lines the key path, page requests
// the field.
#pragma once

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "standin/json/json_parse.h"

namespace standin {

// Failures reported as "path: message" in an `Error` thrown.
template <typename Error>
struct PathErrors {
  [[noreturn]] void Fail(const std::string& path, const std::string& message) const {
    throw Error(path + ": " + message);
  }
};

// "expected an integer from low to high"
inline std::string IntegerRange(std::int64_t low, std::int64_t high) {
  return "expected an integer from " + std::to_string(low) + " to " + std::to_string(high);
}

// One JSON value, its key path and how a failure about it is reported.
template <typename Errors>
struct CheckedJson {
  const nlohmann::json& json;
  std::string path;
  const Errors& errors;

  [[noreturn]] void Fail(const std::string& message) const { errors.Fail(path, message); }

  // A member or an element (which must exist), named by its key path.
  CheckedJson Key(const std::string& key) const { return {json.at(key), KeyPath(path, key), errors}; }
  CheckedJson Index(std::size_t i) const { return {json.at(i), IndexPath(path, i), errors}; }
  // An element named by this value's own path.
  CheckedJson Element(std::size_t i) const { return {json.at(i), path, errors}; }

  double Number() const {  // any finite JSON number
    if (!json.is_number()) Fail("expected a number");
    const double v = json.get<double>();
    if (!std::isfinite(v)) Fail("expected a finite number");
    return v;
  }
  double NumberAbove(double low) const {  // finite and > low
    const double v = Number();
    if (!(v > low)) {
      std::ostringstream shortest;
      shortest << low;
      Fail("expected a number greater than " + shortest.str());
    }
    return v;
  }
  // An integer in [low, high]: "expected an integer" for other values,
  // `outOfRange` for one outside. Needs low <= 0 or high >= 0.
  std::int64_t Integer(std::int64_t low, std::int64_t high, const std::string& outOfRange) const {
    if (!json.is_number_integer()) Fail("expected an integer");
    if (json.is_number_unsigned()) {
      const auto u = json.get<std::uint64_t>();
      if (high < 0 || u > static_cast<std::uint64_t>(high)) Fail(outOfRange);
      if (low > 0 && u < static_cast<std::uint64_t>(low)) Fail(outOfRange);
      return static_cast<std::int64_t>(u);
    }
    const auto i = json.get<std::int64_t>();
    if (i < low || i > high) Fail(outOfRange);
    return i;
  }
  // An integer in [low, high], the range named in every failure.
  int IntegerIn(int low, int high) const {
    if (!json.is_number_integer()) Fail(IntegerRange(low, high));
    return static_cast<int>(Integer(low, high, IntegerRange(low, high)));
  }
  bool Boolean() const {
    if (!json.is_boolean()) Fail("expected true or false");
    return json.get<bool>();
  }
  std::string String() const {
    if (!json.is_string()) Fail("expected a string");
    return json.get<std::string>();
  }
  const CheckedJson& Object() const {
    if (!json.is_object()) Fail("expected an object");
    return *this;
  }
  std::size_t Array() const {
    if (!json.is_array()) Fail("expected an array");
    return json.size();
  }
  // An array of exactly n; `expected` names what was wanted otherwise.
  void Size(std::size_t n, const std::string& expected) const {
    if (!json.is_array() || json.size() != n) Fail(expected);
  }
  // An object's members in key order.
  std::vector<std::pair<std::string, CheckedJson>> Entries() const {
    Object();
    std::vector<std::pair<std::string, CheckedJson>> entries;
    for (auto it = json.begin(); it != json.end(); ++it)
      entries.emplace_back(it.key(), CheckedJson{it.value(), KeyPath(path, it.key()), errors});
    return entries;
  }
};

// A JSON object whose keys are read one by one; Finish() refuses any key
// that was not read.
template <typename Errors>
class CheckedObject {
 public:
  explicit CheckedObject(const CheckedJson<Errors>& value) : value_(value.Object()) {}

  bool Has(const char* key) const { return value_.json.contains(key); }
  CheckedJson<Errors> Required(const char* key) {
    if (!Has(key)) value_.errors.Fail(KeyPath(value_.path, key), "missing required key");
    read_.insert(key);
    return value_.Key(key);
  }
  // Calls read with the value when the key is present.
  template <typename Read>
  void Optional(const char* key, Read read) {
    if (Has(key)) read(Required(key));
  }
  // Every key as a value, in key order (for maps keyed by name).
  std::vector<std::pair<std::string, CheckedJson<Errors>>> Entries() {
    for (auto it = value_.json.begin(); it != value_.json.end(); ++it) read_.insert(it.key());
    return value_.Entries();
  }
  void Finish() const {
    for (auto it = value_.json.begin(); it != value_.json.end(); ++it)
      if (!read_.count(it.key())) value_.Key(it.key()).Fail("unknown key");
  }

  const CheckedJson<Errors>& Self() const { return value_; }

 private:
  CheckedJson<Errors> value_;
  std::set<std::string> read_;
};

}  // namespace standin
