// The page's environment: the scene's environment light turned about +Y
// and given one of the folder's HDR images or a preset.
#include <algorithm>
#include <cmath>

#include "standin/assets/environment_file.h"
#include "standin/json/utf8.h"
#include "standin/render/environment_preset.h"
#include "standin/render/scene_json.h"
#include "standin/serve/panel_values.h"
#include "standin/serve/scene_images.h"
#include "standin/serve/studio.h"

namespace standin {
namespace {

using nlohmann::json;

// The light's map and rotation, as a request gives them.
json EnvironmentJson(const Light& light) {
  json out = {{"rotation", light.rotation}};
  if (light.image.empty()) out["preset"] = light.preset;
  else out["image"] = light.image;
  return out;
}

// `light` with the map `value` names ({"image"} or {"preset"}; neither:
// the map it has) and the rotation it gives (or the one it has), the
// map loaded through `files`. Throws SceneError or AssetError naming the
// key, and RequestError for an image not among the folder's.
Light Changed(Light light, const json& value, const Scene& scene, AssetFiles& files) {
  if (!value.is_object()) throw RequestError("expected a JSON object");
  const std::string file = "request";
  const SceneErrors errors{file};
  SceneObject in(SceneJson{value, "", errors});
  // Any finite angle, kept within a turn so that its radians stay finite.
  in.Optional("rotation",
              [&](const SceneJson& v) { light.rotation = std::fmod(v.Number(), 360.0); });
  in.Optional("gesture", [](const SceneJson& v) { v.String(); });
  const bool image = in.Has("image"), preset = in.Has("preset");
  if (image && preset) in.Self().Fail("give \"image\" or \"preset\", not both");
  if (preset) {
    const SceneJson v = in.Required("preset");
    light.preset = v.String();
    if (!FindEnvironmentPreset(light.preset))
      v.Fail("expected a preset (" + json(EnvironmentPresetNames()).dump() + "), not \"" +
             Printable(light.preset) + "\"");
    light.image.clear();
    light.imagePath.clear();
  }
  if (image) {
    light.image = in.Required("image").String();
    const std::vector<std::string> names = EnvironmentImageNames(scene);
    if (!std::binary_search(names.begin(), names.end(), light.image))
      throw RequestError("request: key image: the scene folder has no HDR image \"" +
                         Printable(light.image) + "\"");
    light.preset.clear();
    light.imagePath = ResolvePath(scene.folder, light.image);
  }
  in.Finish();
  if (image || preset) light.environment = LoadEnvironment(light, scene.folder, files);
  return light;
}

// The scene's first environment light, or null.
Light* FindEnvironment(Scene& scene) {
  const auto it = std::find_if(scene.lights.begin(), scene.lights.end(),
                               [](const Light& l) { return l.type == LightType::Environment; });
  return it == scene.lights.end() ? nullptr : &*it;
}

}  // namespace

Light& Studio::EnvironmentLight() {
  Light* light = FindEnvironment(*scene_);
  if (!light) throw RequestError("the scene has no environment light");
  return *light;
}

void Studio::ApplyEnvironment(const json& value) {
  Light& light = EnvironmentLight();
  AssetFiles files(folder_.root());
  light = Changed(light, value, *scene_, files);
}

std::uint64_t Studio::SetEnvironment(const json& request) {
  ChangeGate gate(*this);
  const json before = EnvironmentJson(EnvironmentLight());
  ApplyEnvironment(request);
  const Light& light = EnvironmentLight();
  const std::string gesture = request.value("gesture", "");
  history_.Record({HistoryStep::Kind::Environment, 0, {}, before, EnvironmentJson(light), gesture});
  return Commit("environment " + Printable(light.name), json::array());
}

json Studio::EnvironmentState() {
  const Light* light = FindEnvironment(*scene_);
  if (!light) return nullptr;
  json current = EnvironmentJson(*light);
  current["light"] = light->name;
  return {{"current", current},
          {"images", EnvironmentImageNames(*scene_)},
          {"presets", EnvironmentPresetNames()}};
}

}  // namespace standin
