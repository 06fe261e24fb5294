// A parsed scene's JSON read through the checked layer: every wrong, missing
// or unknown key becomes a SceneError naming the file and the key path.
#pragma once

#include <string>

#include "standin/json/json_checked.h"
#include "standin/render/scene.h"

namespace standin {

// "file: key path: message", "(top level)" for the path at the top.
struct SceneErrors {
  const std::string& file;
  [[noreturn]] void Fail(const std::string& path, const std::string& message) const {
    throw SceneError(file + ": key " + (path.empty() ? "(top level)" : path) + ": " + message);
  }
};

using SceneJson = CheckedJson<SceneErrors>;
using SceneObject = CheckedObject<SceneErrors>;

// An array of three finite numbers.
inline Vec3 Triple(const SceneJson& v) {
  v.Size(3, "expected an array of 3 numbers");
  return {v.Index(0).Number(), v.Index(1).Number(), v.Index(2).Number()};
}

// The camera keys of a scene file ("camera": position, target, up, fov),
// read with every error naming its key, and written.
Camera ReadCamera(const SceneJson& value);
nlohmann::ordered_json CameraJson(const Camera& camera);

}  // namespace standin
