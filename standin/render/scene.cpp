// Scene helpers: object frames, look-ups and writing scenes back as JSON.
#include "standin/render/scene.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "standin/render/scene_json.h"
#include "standin/render/source_names.h"

namespace standin {
namespace {

using json = nlohmann::ordered_json;

Mat3 Multiply(const Mat3& a, const Mat3& b) {
  Mat3 m{};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      m[static_cast<size_t>(3 * r + c)] =
          (a[static_cast<size_t>(3 * r)] * b[static_cast<size_t>(c)] +
           a[static_cast<size_t>(3 * r + 1)] * b[static_cast<size_t>(3 + c)]) +
          a[static_cast<size_t>(3 * r + 2)] * b[static_cast<size_t>(6 + c)];
    }
  }
  return m;
}

json Triple(Vec3 v) { return json::array({v.x, v.y, v.z}); }

const char* ShapeText(Shape shape) {
  for (const ShapeName& name : kShapeNames) {
    if (name.shape == shape) return name.name;
  }
  return "sphere";
}

json UvJson(const Object& object) {
  if (object.uvMode == UvMode::Constant) {
    return json::array({object.uvConstant[0], object.uvConstant[1]});
  }
  for (const UvModeName& name : kUvModeNames) {
    if (name.mode == object.uvMode) return name.name;
  }
  return "planar";
}

json ObjectJson(const Object& object) {
  json out = {{"name", object.name},         {"shape", ShapeText(object.shape)}};
  if (object.shape == Shape::Mesh) out["mesh"] = object.mesh;
  out["position"] = Triple(object.position);
  out["rotation"] = Triple(object.rotation);
  out["size"] = object.size;
  if (object.shape == Shape::Cylinder) out["height"] = object.height;
  if (object.shape == Shape::Torus) out["tube"] = object.tube;
  out["uv"] = UvJson(object);
  return out;
}

json ImageJson(const ImageBinding& binding) {
  return {{"image", binding.file},
          {"channels", ChannelNames(binding.channels)},
          {"wrap", binding.wrap == Wrap::Repeat ? "repeat" : "clamp"},
          {"encoding", binding.encoding == Encoding::Data ? "data" : "color"},
          {"scale", binding.scale},
          {"bias", binding.bias}};
}

const char* LightTypeText(LightType type) {
  for (const LightTypeName& name : kLightTypeNames) {
    if (name.type == type) return name.name;
  }
  return "distant";
}

void LightShapeJson(const Light& light, json& out) {
  const LightType t = light.type;
  const bool area = t == LightType::Rectangle || t == LightType::Disc;
  if (t == LightType::Point || t == LightType::Spot || area) out["position"] = Triple(light.position);
  if (t == LightType::Distant || t == LightType::Spot || area)
    out["direction"] = Triple(light.direction);
  if (t == LightType::Spot) {
    out["coneAngle"] = light.coneAngle;
    out["softEdge"] = light.softEdge;
  }
  if (t == LightType::Rectangle) out["size"] = json::array({light.size[0], light.size[1]});
  if (t == LightType::Disc) out["radius"] = light.radius;
  if (t == LightType::Environment) {
    if (light.image.empty()) out["preset"] = light.preset;
    else out["image"] = light.image;
    out["rotation"] = light.rotation;
  }
  if (IsSampled(t)) out["samples"] = light.samples;
}

json LightJson(const Light& light) {
  json out = {{"name", light.name}, {"type", LightTypeText(light.type)}};
  LightShapeJson(light, out);
  out["color"] = Triple(light.color);
  out["intensity"] = light.intensity;
  out["affectsSpecular"] = light.affectsSpecular;
  out["shadows"] = light.shadows;
  out["excludedFrom"] = light.excludedFrom;
  return out;
}

json SourceJson(const InputSource& source) {
  if (source.kind == SourceKind::Image && source.image) return ImageJson(source.image->binding);
  if (source.kind == SourceKind::Number) return source.value[0];
  if (source.kind == SourceKind::Vector) {
    return json::array({source.value[0], source.value[1], source.value[2]});
  }
  for (const SourceName& name : kSourceNames) {
    if (name.kind == source.kind) return name.name;
  }
  return nullptr;
}

bool IsFlat(const json& value) {
  return value.is_array() && std::none_of(value.begin(), value.end(), [](const json& item) {
           return item.is_structured();
         });
}

// Indented JSON with arrays of plain values on one line, as people write
// scenes by hand.
void AppendJson(const json& value, int indent, std::string& text) {
  if (!value.is_structured() || value.empty()) {
    text += value.dump();
    return;
  }
  if (IsFlat(value)) {
    text += "[";
    for (auto it = value.begin(); it != value.end(); ++it) {
      text += (it == value.begin() ? "" : ", ") + it->dump();
    }
    text += "]";
    return;
  }
  const bool object = value.is_object();
  const std::string inner(static_cast<size_t>(indent + 2), ' ');
  text += object ? "{\n" : "[\n";
  for (auto it = value.begin(); it != value.end(); ++it) {
    text += (it == value.begin() ? "" : ",\n") + inner;
    if (object) text += json(it.key()).dump() + ": ";
    AppendJson(it.value(), indent + 2, text);
  }
  text += "\n" + std::string(static_cast<size_t>(indent), ' ') + (object ? "}" : "]");
}

}  // namespace

void PlaceObject(Object& object) {
  // R = Rz * Ry * Rx: about X first, then Y, then Z.
  const double k = std::numbers::pi / 180.0;
  const double cx = std::cos(object.rotation.x * k), sx = std::sin(object.rotation.x * k);
  const double cy = std::cos(object.rotation.y * k), sy = std::sin(object.rotation.y * k);
  const double cz = std::cos(object.rotation.z * k), sz = std::sin(object.rotation.z * k);
  const Mat3 rx{1, 0, 0, 0, cx, -sx, 0, sx, cx};
  const Mat3 ry{cy, 0, sy, 0, 1, 0, -sy, 0, cy};
  const Mat3 rz{cz, -sz, 0, sz, cz, 0, 0, 0, 1};
  object.toWorld = Multiply(rz, Multiply(ry, rx));
  object.toLocal = Transposed(object.toWorld);
}

Object PlacedObject(const char* name, Shape shape, Vec3 position, Vec3 rotation, UvMode uv,
                    double size) {
  Object object;
  object.name = name;
  object.shape = shape;
  object.position = position;
  object.rotation = rotation;
  object.size = size;
  object.uvMode = uv;
  PlaceObject(object);
  return object;
}

bool IsSampled(LightType type) {
  return type == LightType::Rectangle || type == LightType::Disc ||
         type == LightType::Environment;
}

bool IsScalarSource(SourceKind kind) {
  return kind == SourceKind::Number || kind == SourceKind::U || kind == SourceKind::V;
}

int FindObject(const Scene& scene, const std::string& name) {
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    if (scene.objects[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

bool IsExcluded(const Scene& scene, int light, int object) {
  if (light < 0 || object < 0 || static_cast<size_t>(light) >= scene.lights.size() ||
      static_cast<size_t>(object) >= scene.objects.size()) {
    return false;
  }
  const auto& names = scene.lights[static_cast<size_t>(light)].excludedFrom;
  return std::find(names.begin(), names.end(),
                   scene.objects[static_cast<size_t>(object)].name) != names.end();
}

json CameraJson(const Camera& camera) {
  return {{"position", Triple(camera.position)}, {"target", Triple(camera.target)},
          {"up", Triple(camera.up)}, {"fov", camera.fov}};
}

std::string FormatScene(const Scene& scene) {
  json out;
  out["camera"] = CameraJson(scene.camera);
  const RenderDefaults& r = scene.render;
  out["render"] = {{"width", r.width}, {"height", r.height}, {"exposure", r.exposure},
                   {"supersample", r.supersample}, {"background", Triple(r.background)}};
  out["objects"] = json::array();
  for (const Object& object : scene.objects) out["objects"].push_back(ObjectJson(object));
  out["lights"] = json::array();
  for (const Light& light : scene.lights) out["lights"].push_back(LightJson(light));
  out["lighting"] = scene.lighting == Lighting::Plain ? "plain" : "all";
  out["inputs"] = json::object();
  for (const auto& [name, source] : scene.inputs) out["inputs"][name] = SourceJson(source);
  out["services"] = {{"itemInfo", scene.services.itemInfo},
                     {"objectInfo", scene.services.objectInfo},
                     {"lightInfo", scene.services.lightInfo}};
  out["node"] = scene.nodeData;
  std::string text;
  AppendJson(out, 0, text);
  return text + "\n";
}

}  // namespace standin
