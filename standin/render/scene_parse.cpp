// Reading scene files.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "standin/json/json_parse.h"
#include "standin/render/environment_preset.h"
#include "standin/render/scene_json.h"
#include "standin/render/scene.h"
#include "standin/render/source_names.h"

namespace standin {

Camera ReadCamera(const SceneJson& value) {
  SceneObject in(value);
  Camera camera;
  in.Optional("position", [&](const SceneJson& v) { camera.position = Triple(v); });
  in.Optional("target", [&](const SceneJson& v) { camera.target = Triple(v); });
  in.Optional("up", [&](const SceneJson& v) { camera.up = Triple(v); });
  in.Optional("fov", [&](const SceneJson& v) {
    camera.fov = v.NumberAbove(0.0);
    if (!(camera.fov < 180.0)) v.Fail("expected a number below 180");
  });
  in.Finish();
  if (!(Length(camera.target - camera.position) > 0.0)) {
    in.Self().Fail("the camera's target equals its position");
  }
  return camera;
}

namespace {

using nlohmann::json;

RenderDefaults ReadRender(SceneObject in) {
  RenderDefaults render;
  in.Optional("width", [&](const SceneJson& v) { render.width = v.IntegerIn(1, 16384); });
  in.Optional("height", [&](const SceneJson& v) { render.height = v.IntegerIn(1, 16384); });
  in.Optional("exposure", [&](const SceneJson& v) { render.exposure = v.NumberAbove(0.0); });
  in.Optional("supersample", [&](const SceneJson& v) { render.supersample = v.IntegerIn(1, 8); });
  in.Optional("background", [&](const SceneJson& v) { render.background = Triple(v); });
  in.Finish();
  return render;
}

const ShapeName& ReadShape(const SceneJson& v) {
  const std::string s = v.String();
  for (const ShapeName& shape : kShapeNames) {
    if (s == shape.name) return shape;
  }
  v.Fail("expected \"sphere\", \"disc\", \"plane\", \"cylinder\", \"torus\" or \"mesh\", not \"" +
         s + "\"");
}

void ReadUv(const SceneJson& v, Object& object) {
  const char* expected =
      "expected \"planar\", \"spherical\", \"cylindrical\", \"toroidal\", \"mesh\" or an "
      "array of 2 numbers";
  if (v.json.is_array()) {
    if (v.json.size() != 2) v.Fail(expected);
    object.uvMode = UvMode::Constant;
    for (size_t i = 0; i < 2; ++i) {
      object.uvConstant[i] = v.Index(i).Number();
    }
    return;
  }
  if (!v.json.is_string()) v.Fail(expected);
  const std::string s = v.String();
  for (const UvModeName& mode : kUvModeNames) {
    if (s == mode.name) {
      if (mode.mode == UvMode::Mesh && object.shape != Shape::Mesh) {
        v.Fail("\"mesh\" UV needs a mesh object");
      }
      object.uvMode = mode.mode;
      return;
    }
  }
  v.Fail(std::string(expected) + ", not \"" + s + "\"");
}

// A key that only one shape has: an error on the others.
template <typename Read>
void ShapeKey(SceneObject& in, const char* key, bool applies, const char* shape, Read read) {
  in.Optional(key, [&](const SceneJson& v) {
    if (!applies) v.Fail(std::string("only a ") + shape + " has this key");
    read(v);
  });
}

Object ReadObject(SceneObject in) {
  Object object;
  object.name = in.Required("name").String();
  if (object.name.empty()) in.Required("name").Fail("expected a non-empty name");
  const ShapeName& shape = ReadShape(in.Required("shape"));
  object.shape = shape.shape;
  object.uvMode = shape.uv;
  if (object.shape == Shape::Mesh) {
    const SceneJson v = in.Required("mesh");
    object.mesh = v.String();
    if (object.mesh.empty()) v.Fail("expected a file name");
  }
  ShapeKey(in, "mesh", object.shape == Shape::Mesh, "mesh", [](const SceneJson&) {});
  in.Optional("position", [&](const SceneJson& v) { object.position = Triple(v); });
  in.Optional("rotation", [&](const SceneJson& v) { object.rotation = Triple(v); });
  in.Optional("size", [&](const SceneJson& v) { object.size = v.NumberAbove(0.0); });
  ShapeKey(in, "height", object.shape == Shape::Cylinder, "cylinder",
           [&](const SceneJson& v) { object.height = v.NumberAbove(0.0); });
  ShapeKey(in, "tube", object.shape == Shape::Torus, "torus",
           [&](const SceneJson& v) { object.tube = v.NumberAbove(0.0); });
  in.Optional("uv", [&](const SceneJson& v) { ReadUv(v, object); });
  in.Finish();
  PlaceObject(object);
  return object;
}

LightType ReadLightType(const SceneJson& v) {
  const std::string s = v.String();
  for (const LightTypeName& type : kLightTypeNames) {
    if (s == type.name) return type.type;
  }
  v.Fail("expected \"distant\", \"point\", \"spot\", \"rectangle\", \"disc\" or "
         "\"environment\", not \"" + s + "\"");
}

std::vector<std::string> ReadNames(const SceneJson& v, const Scene& scene) {
  if (!v.json.is_array()) v.Fail("expected an array of object names");
  std::vector<std::string> names;
  for (size_t i = 0; i < v.json.size(); ++i) {
    const SceneJson item = v.Index(i);
    names.push_back(item.String());
    if (FindObject(scene, names.back()) < 0) {
      item.Fail("no object is called \"" + names.back() + "\"");
    }
  }
  return names;
}

// A light key that only some types have: read for those, left for
// Finish() to call unknown on the others.
template <typename Read>
void TypeKey(SceneObject& in, const char* key, bool applies, Read read) {
  if (applies) in.Optional(key, read);
}

void ReadPlacement(SceneObject& in, Light& light) {
  const LightType t = light.type;
  const bool area = t == LightType::Rectangle || t == LightType::Disc;
  const bool aimed = t == LightType::Distant || t == LightType::Spot || area;
  const bool placed = t == LightType::Point || t == LightType::Spot || area;
  if (aimed) {
    const SceneJson v = in.Required("direction");
    light.direction = Triple(v);
    if (!(Length(light.direction) > 0.0)) v.Fail("expected a non-zero direction");
  }
  if (placed) light.position = Triple(in.Required("position"));
}

void ReadShapeKeys(SceneObject& in, Light& light) {
  const LightType t = light.type;
  TypeKey(in, "coneAngle", t == LightType::Spot, [&](const SceneJson& v) {
    light.coneAngle = v.NumberAbove(0.0);
    if (light.coneAngle > 90.0) v.Fail("expected a number of degrees up to 90");
  });
  TypeKey(in, "softEdge", t == LightType::Spot, [&](const SceneJson& v) {
    light.softEdge = v.Number();
    if (light.softEdge < 0.0) v.Fail("expected a number of degrees, 0 or more");
  });
  light.softEdge = std::min(light.softEdge, light.coneAngle);
  TypeKey(in, "size", t == LightType::Rectangle, [&](const SceneJson& v) {
    if (!v.json.is_array() || v.json.size() != 2) v.Fail("expected an array of 2 numbers");
    for (size_t i = 0; i < 2; ++i)
      light.size[i] = v.Index(i).NumberAbove(0.0);
  });
  TypeKey(in, "radius", t == LightType::Disc,
          [&](const SceneJson& v) { light.radius = v.NumberAbove(0.0); });
  TypeKey(in, "samples", IsSampled(t),
          [&](const SceneJson& v) { light.samples = v.IntegerIn(1, 64); });
}

void ReadEnvironmentKeys(SceneObject& in, Light& light, const std::string& folder) {
  const bool env = light.type == LightType::Environment;
  TypeKey(in, "image", env, [&](const SceneJson& v) {
    light.image = v.String();
    if (light.image.empty()) v.Fail("expected a file name");
  });
  TypeKey(in, "preset", env, [&](const SceneJson& v) {
    light.preset = v.String();
    if (!FindEnvironmentPreset(light.preset))
      v.Fail("expected \"studio\" or \"sky\", not \"" + light.preset + "\"");
    if (!light.image.empty()) v.Fail("give \"image\" or \"preset\", not both");
    light.environment = PresetMap(*FindEnvironmentPreset(light.preset));
  });
  TypeKey(in, "rotation", env,
          [&](const SceneJson& v) { light.rotation = v.Number(); });
  if (env && light.image.empty() && light.preset.empty())
    in.Self().Fail("an environment light needs \"image\" or \"preset\"");
  if (!light.image.empty()) light.imagePath = ResolvePath(folder, light.image);
}

Light ReadLight(SceneObject in, const Scene& scene) {
  Light light;
  light.name = in.Required("name").String();
  if (light.name.empty()) in.Required("name").Fail("expected a non-empty name");
  light.type = ReadLightType(in.Required("type"));
  ReadPlacement(in, light);
  in.Optional("color", [&](const SceneJson& v) { light.color = Triple(v); });
  in.Optional("intensity", [&](const SceneJson& v) { light.intensity = v.Number(); });
  in.Optional("affectsSpecular", [&](const SceneJson& v) { light.affectsSpecular = v.Boolean(); });
  in.Optional("shadows", [&](const SceneJson& v) { light.shadows = v.Boolean(); });
  in.Optional("excludedFrom", [&](const SceneJson& v) { light.excludedFrom = ReadNames(v, scene); });
  ReadShapeKeys(in, light);
  ReadEnvironmentKeys(in, light, scene.folder);
  in.Finish();
  return light;
}

Lighting ReadLighting(const SceneJson& v) {
  const std::string s = v.String();
  if (s == "all") return Lighting::All;
  if (s == "plain") return Lighting::Plain;
  v.Fail("expected \"all\" or \"plain\", not \"" + s + "\"");
}

const InputName* FindInputName(const std::string& name) {
  for (const InputName& input : kInputNames) {
    if (name == input.name) return &input;
  }
  return nullptr;
}

InputSource ReadSourceName(const SceneJson& v, bool scalar) {
  const std::string s = v.String();
  for (const SourceName& source : kSourceNames) {
    if (s != source.name) continue;
    if (IsScalarSource(source.kind) != scalar) {
      v.Fail(std::string("\"") + s + "\" gives " + (scalar ? "a vector" : "one number") +
             " but this input takes " + (scalar ? "one number" : "three numbers"));
    }
    return {source.kind, {0.0, 0.0, 0.0}, nullptr};
  }
  v.Fail("unknown source \"" + s +
         "\" (expected uv, u, v, position, normal, localPosition, localNormal, tangent or "
         "localTangent)");
}

// "rgb", "rg", "a", ...: the channels an image binding reads.
std::vector<int> ReadChannels(const SceneJson& v, bool scalar) {
  const std::string s = v.String();
  std::vector<int> channels;
  for (char c : s) {
    const size_t at = std::string_view("rgba").find(c);
    if (at == std::string_view::npos) v.Fail("expected channel letters from r, g, b, a, not \"" + s + "\"");
    channels.push_back(static_cast<int>(at));
  }
  if (scalar && channels.size() != 1) v.Fail("this input takes one number: name one channel");
  if (channels.empty() || channels.size() > 3) v.Fail("expected one to three channels");
  return channels;
}

template <typename Value>
Value ReadChoice(const SceneJson& v, const char* a, Value first, const char* b, Value second) {
  const std::string s = v.String();
  if (s == a) return first;
  if (s == b) return second;
  v.Fail(std::string("expected \"") + a + "\" or \"" + b + "\", not \"" + s + "\"");
}

InputSource ReadImage(SceneObject in, bool scalar, const std::string& folder) {
  ImageBinding binding;
  const SceneJson file = in.Required("image");
  binding.file = file.String();
  if (binding.file.empty()) file.Fail("expected a file name");
  binding.path = ResolvePath(folder, binding.file);
  binding.channels = scalar ? std::vector<int>{0} : std::vector<int>{0, 1, 2};
  in.Optional("channels", [&](const SceneJson& v) { binding.channels = ReadChannels(v, scalar); });
  in.Optional("wrap", [&](const SceneJson& v) {
    binding.wrap = ReadChoice(v, "repeat", Wrap::Repeat, "clamp", Wrap::Clamp);
  });
  in.Optional("encoding", [&](const SceneJson& v) {
    binding.encoding = ReadChoice(v, "data", Encoding::Data, "color", Encoding::Color);
  });
  in.Optional("scale", [&](const SceneJson& v) { binding.scale = v.Number(); });
  in.Optional("bias", [&](const SceneJson& v) { binding.bias = v.Number(); });
  in.Finish();
  auto image = std::make_shared<ImageInput>();
  image->binding = std::move(binding);
  return {SourceKind::Image, {0.0, 0.0, 0.0}, std::move(image)};
}

InputSource ReadInput(const std::string& name, const SceneJson& v, const std::string& folder) {
  const InputName* input = FindInputName(name);
  if (input == nullptr) v.Fail("unknown input (expected one of the node's input names)");
  if (v.json.is_string()) return ReadSourceName(v, input->scalar);
  if (v.json.is_object()) return ReadImage(SceneObject(v), input->scalar, folder);
  if (input->scalar) {
    if (!v.json.is_number()) v.Fail("expected a number or a source name");
    return {SourceKind::Number, {v.Number(), 0.0, 0.0}, nullptr};
  }
  if (!v.json.is_array()) v.Fail("expected an array of 3 numbers or a source name");
  const Vec3 t = Triple(v);
  return {SourceKind::Vector, {t.x, t.y, t.z}, nullptr};
}

Services ReadServices(SceneObject in) {
  Services services;
  in.Optional("itemInfo", [&](const SceneJson& v) { services.itemInfo = v.Boolean(); });
  in.Optional("objectInfo", [&](const SceneJson& v) { services.objectInfo = v.Boolean(); });
  in.Optional("lightInfo", [&](const SceneJson& v) { services.lightInfo = v.Boolean(); });
  in.Finish();
  return services;
}

template <typename Read>
void ReadArray(const SceneJson& v, Read read) {
  if (!v.json.is_array()) v.Fail("expected an array");
  for (size_t i = 0; i < v.json.size(); ++i) {
    read(SceneObject(v.Index(i)));
  }
}

void ReadObjects(const SceneJson& v, Scene& scene) {
  ReadArray(v, [&](SceneObject item) {
    const SceneJson self = item.Self();
    Object object = ReadObject(std::move(item));
    if (FindObject(scene, object.name) >= 0) {
      self.Key("name").Fail(
          "another object is already called \"" + object.name + "\"");
    }
    scene.objects.push_back(std::move(object));
  });
}

json ParseJson(const std::string& text, const std::string& name) {
  try {
    return ParseJsonText(text);
  } catch (const JsonTextError& e) {
    const bool placed = e.kind == JsonTextError::Kind::kSyntax ||
                        (e.kind == JsonTextError::Kind::kNumberOverflow && e.byte > 0);
    if (!placed) throw SceneError(name + ": " + e.what());
    const auto [line, column] = LineAndColumn(text, e.byte);
    throw SceneError(name + ": line " + std::to_string(line) + ", column " +
                     std::to_string(column) + ": " + e.what());
  }
}

}  // namespace

Scene ParseScene(const std::string& text, const std::string& name, const std::string& folder) {
  const json root = ParseJson(text, name);
  if (!root.is_object()) throw SceneError(name + ": the scene must be a JSON object");
  const SceneErrors errors{name};
  SceneObject in(SceneJson{root, "", errors});
  Scene scene;
  scene.folder = folder;
  in.Optional("camera", [&](const SceneJson& v) { scene.camera = ReadCamera(v); });
  in.Optional("render", [&](const SceneJson& v) { scene.render = ReadRender(SceneObject(v)); });
  in.Optional("objects", [&](const SceneJson& v) { ReadObjects(v, scene); });
  in.Optional("lights", [&](const SceneJson& v) {
    ReadArray(v, [&](SceneObject item) { scene.lights.push_back(ReadLight(std::move(item), scene)); });
  });
  in.Optional("lighting", [&](const SceneJson& v) { scene.lighting = ReadLighting(v); });
  in.Optional("inputs", [&](const SceneJson& v) {
    SceneObject inputs(v);
    for (const auto& [key, value] : inputs.Entries()) scene.inputs[key] = ReadInput(key, value, folder);
  });
  in.Optional("services", [&](const SceneJson& v) { scene.services = ReadServices(SceneObject(v)); });
  in.Optional("node", [&](const SceneJson& v) { scene.nodeData = v.String(); });
  in.Finish();
  return scene;
}

Scene LoadSceneFile(const std::string& path) {
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) {
    throw SceneError(path + ": cannot read the scene file: it is a directory");
  }
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  if (!file || file.bad()) throw SceneError(path + ": cannot read the scene file");
  return ParseScene(text.str(), path, std::filesystem::path(path).parent_path().string());
}

std::string ResolvePath(const std::string& folder, const std::string& file) {
  const std::filesystem::path path(file);
  if (folder.empty() || path.is_absolute()) return file;
  return (std::filesystem::path(folder) / path).string();
}

}  // namespace standin
