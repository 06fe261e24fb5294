// Checked access to a parsed scene's JSON: every wrong, missing or unknown
// key becomes a SceneError naming the file and the key path.
#pragma once

#include <nlohmann/json.hpp>

#include <set>
#include <string>

#include "standin/json/json_parse.h"
#include "standin/render/scene.h"

namespace standin {

// One JSON value and where it sits: the file and the key path to it
// ("objects[1].size", "inputs[\"U Glossiness\"]").
struct JsonValue {
  const nlohmann::json& json;
  const std::string& file;
  std::string path;

  [[noreturn]] void Fail(const std::string& message) const;

  double Number() const;  // any finite JSON number
  double NumberAbove(double low) const;  // finite and > low
  int Integer(int low, int high) const;
  bool Boolean() const;
  std::string String() const;
  Vec3 Triple() const;  // an array of three finite numbers
};

// A JSON object whose keys are read one by one; Finish() rejects any key
// that was not read.
class JsonObject {
 public:
  explicit JsonObject(const JsonValue& value);

  bool Has(const char* key) const;
  JsonValue Required(const char* key);
  // Calls read with the value when the key is present.
  template <typename Read>
  void Optional(const char* key, Read read) {
    if (Has(key)) read(Required(key));
  }
  // Every key as a value, in key order (for maps keyed by name).
  std::vector<std::pair<std::string, JsonValue>> Entries();
  void Finish() const;

  const JsonValue& Self() const { return value_; }

 private:
  JsonValue value_;
  std::set<std::string> read_;
};

// The camera keys of a scene file ("camera": position, target, up, fov),
// read with every error naming its key, and written.
Camera ReadCamera(const JsonValue& value);
nlohmann::ordered_json CameraJson(const Camera& camera);

}  // namespace standin
