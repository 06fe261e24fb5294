#include "standin/serve/input_wiring.h"

#include "standin/json/utf8.h"
#include "standin/render/source_names.h"
#include "standin/serve/panel_values.h"
#include "standin/serve/scene_images.h"

namespace standin {
namespace {

using nlohmann::json;

// A constant's numbers; any that is not a finite number is refused alike.
double Finite(const PageJson& value) {
  if (!value.json.is_number()) value.Fail("expected a finite number");
  return value.Number();
}

InputSource Constant(const json& value, bool scalar) {
  const PageJson constant{value, "constant", kPageErrors};
  if (scalar) return {SourceKind::Number, {Finite(constant), 0.0, 0.0}};
  constant.Size(3, "expected three numbers for this input");
  InputSource source{SourceKind::Vector, {}};
  for (size_t i = 0; i < 3; ++i) source.value[i] = Finite(constant.Element(i));
  return source;
}

std::string StringKey(const PageJson& request, const char* key) {
  const auto it = request.json.find(key);
  if (it == request.json.end() || !it->is_string())
    request.Fail(std::string("\"") + key + "\" must be a string");
  return it->get<std::string>();
}

}  // namespace

json WiringJson(const HostInput& input) {
  if (!input.wired) return {{"kind", "none"}};
  const InputSource& source = input.source;
  if (source.kind == SourceKind::Number)
    return {{"kind", "constant"}, {"value", NumberJson(source.value[0])}};
  if (source.kind == SourceKind::Vector)
    return {{"kind", "constant"},
            {"value", json::array({NumberJson(source.value[0]), NumberJson(source.value[1]),
                                   NumberJson(source.value[2])})}};
  if (source.kind == SourceKind::Image && source.image)
    return {{"kind", "image"}, {"name", source.image->binding.file}};
  for (const SourceName& name : kSourceNames)
    if (name.kind == source.kind) return {{"kind", name.name}};
  return {{"kind", "other"}};
}

bool IsUnwiring(const json& request) {
  if (!request.is_object()) return false;
  const auto kind = request.find("kind");
  return kind != request.end() && *kind == "none";
}

InputSource ParseSource(const json& request, bool scalar, const Scene& scene) {
  const PageJson source{request, "source", kPageErrors};
  const std::string kind = StringKey(source.Object(), "kind");
  if (kind == "constant") {
    if (!request.contains("value")) throw RequestError("constant: \"value\" is missing");
    return Constant(request["value"], scalar);
  }
  if (kind == "image") return SceneImageSource(scene, StringKey(source, "name"), scalar);
  for (const SourceName& name : kSourceNames) {
    if (kind != name.name) continue;
    if (IsScalarSource(name.kind) != scalar)
      throw RequestError("source \"" + kind + "\" gives " +
                         (scalar ? "three numbers" : "one number") + ", the input takes " +
                         (scalar ? "one" : "three"));
    return {name.kind, {0.0, 0.0, 0.0}};
  }
  throw RequestError("source: unknown kind \"" + Printable(kind) + "\"");
}

json BuiltInSources() {
  json sources = json::array();
  for (const SourceName& name : kSourceNames)
    sources.push_back({{"name", name.name}, {"scalar", IsScalarSource(name.kind)}});
  return sources;
}

bool IsScalarInput(const std::string& name) {
  for (const InputName& input : kInputNames)
    if (name == input.name) return input.scalar;
  return false;
}

void Unwire(Host& host, HostNode& node, const std::string& name) {
  HostInput* input = host.FindInput(node, name);
  if (!input) throw HostError("the node has no input \"" + name + "\"");
  input->wired = false;
  input->source = {};
  if (input->onEvent)
    input->onEvent(node.instance, reinterpret_cast<InputHandle>(input), kEventValueChanged,
                   nullptr);
}

}  // namespace standin
