#include "standin/host/eval_case.h"

#include <cmath>
#include <istream>
#include <limits>
#include <ostream>

#include "host/settings.h"
#include "standin/host/host_services.h"
#include "standin/json/json_parse.h"
#include "standin/json/json_text.h"

namespace standin {
namespace {

using nlohmann::json;

double Number(const json& v, const std::string& key) {
  if (v.is_number()) return v.get<double>();
  if (v.is_string()) {
    const auto& s = v.get_ref<const std::string&>();
    if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (s == "Infinity") return std::numeric_limits<double>::infinity();
    if (s == "-Infinity") return -std::numeric_limits<double>::infinity();
  }
  throw CaseError(key + ": expected a number");
}

template <size_t N>
std::array<double, N> Numbers(const json& v, const std::string& key) {
  if (!v.is_array() || v.size() != N)
    throw CaseError(key + ": expected " + std::to_string(N) + " numbers");
  std::array<double, N> out{};
  for (size_t i = 0; i < N; ++i)
    out[i] = Number(v[i], IndexPath(key, i));
  return out;
}

std::int64_t Integer(const json& v, const std::string& key, std::int64_t low,
                     std::int64_t high) {
  if (!v.is_number_integer()) throw CaseError(key + ": expected an integer");
  const bool inRange =
      v.is_number_unsigned()
          ? v.get<std::uint64_t>() <= static_cast<std::uint64_t>(high)
          : v.get<std::int64_t>() >= low && v.get<std::int64_t>() <= high;
  if (!inRange) throw CaseError(key + ": integer out of range");
  return v.get<std::int64_t>();
}

std::int32_t Int32(const json& v, const std::string& key) {
  return static_cast<std::int32_t>(Integer(v, key, INT32_MIN, INT32_MAX));
}

bool Bool(const json& v, const std::string& key) {
  if (!v.is_boolean()) throw CaseError(key + ": expected true or false");
  return v.get<bool>();
}

const json& AsObject(const json& v, const std::string& key) {
  if (!v.is_object()) throw CaseError(key + ": expected an object");
  return v;
}

// The keys and their types are the module's own settings table.
void ParseSettings(const json& v, EvalCase* c) {
  using quillane::SettingType;
  AsObject(v, "settings");
  for (const auto& [key, _] : v.items())
    if (!quillane::SettingWithKey(key))
      throw CaseError(KeyPath("settings", key) + ": unknown setting");
  for (const quillane::Setting& s : quillane::kSettings) {
    if (!v.contains(s.evalKey)) continue;
    const json& value = v[s.evalKey];
    const std::string key = KeyPath("settings", s.evalKey);
    CaseSetting setting{s.dataName, 0.0};
    if (s.type == SettingType::kColor) setting.value = Numbers<3>(value, key);
    if (s.type == SettingType::kReal) setting.value = Number(value, key);
    if (s.type == SettingType::kInteger) setting.value = Int32(value, key);
    c->settings.push_back(setting);
  }
}

void ParseInputs(const json& v, EvalCase* c) {
  AsObject(v, "inputs");
  for (const auto& [name, value] : v.items()) {
    const InputName* input = nullptr;
    for (const InputName& k : kInputNames)
      if (name == k.name) input = &k;
    const std::string key = KeyPath("inputs", name);
    if (!input) throw CaseError(key + ": unknown input");
    Color3 wired{0.0, 0.0, 0.0};
    if (input->scalar) wired[0] = Number(value, key);
    else wired = Numbers<3>(value, key);
    c->inputs.emplace_back(name, wired);
  }
}

void ParseSpot(const json& v, EvalCase* c) {
  AsObject(v, "spot");
  SpotInfo& s = c->spot.info;
  for (const auto& [key, value] : v.items()) {
    const std::string k = KeyPath("spot", key);
    auto put = [&](double* dest, auto array) {
      std::copy(array.begin(), array.end(), dest);
    };
    if (key == "position") put(s.worldPosition, Numbers<3>(value, k));
    else if (key == "normal") put(s.normal, Numbers<3>(value, k));
    else if (key == "raySource") put(s.raySource, Numbers<3>(value, k));
    else if (key == "matrix1") put(s.toWorld, Numbers<9>(value, k));
    else if (key == "matrix2") put(s.toLocal, Numbers<9>(value, k));
    else if (key == "object") c->object = Bool(value, k);
    else if (key == "flags") s.flags = Int32(value, k);
    else if (key == "afterIlluminate") c->afterIlluminate = Bool(value, k);
    else throw CaseError(k + ": unknown key");
  }
}

void ParseServices(const json& v, EvalCase* c) {
  AsObject(v, "services");
  for (const auto& [key, value] : v.items()) {
    const std::string k = KeyPath("services", key);
    if (key == "itemInfo") c->services.itemInfo = Bool(value, k);
    else if (key == "objectInfo") c->services.objectInfo = Bool(value, k);
    else if (key == "lightInfo") c->services.lightInfo = Bool(value, k);
    else throw CaseError(k + ": unknown service");
  }
}

void ParseLights(const json& v, EvalCase* c) {
  if (!v.is_array()) throw CaseError("lights: expected an array");
  for (size_t i = 0; i < v.size(); ++i) {
    const std::string at = IndexPath("lights", i);
    CaseLight light;
    light.name = "L" + std::to_string(i + 1);
    for (const auto& [key, value] : AsObject(v[i], at).items()) {
      const std::string k = KeyPath(at, key);
      if (key == "name") {
        if (!value.is_string()) throw CaseError(k + ": expected a string");
        light.name = value.get<std::string>();
      } else if (key == "flags") {
        light.flags = static_cast<unsigned>(Integer(value, k, 0, UINT32_MAX));
      } else if (key == "excluded") {
        light.excluded = Bool(value, k);
      } else if (key == "illuminate") {
        light.illuminate = Int32(value, k);
      } else if (key == "direction") {
        light.direction = Numbers<3>(value, k);
      } else if (key == "color") {
        light.color = Numbers<3>(value, k);
      } else {
        throw CaseError(k + ": unknown key");
      }
    }
    c->lights.push_back(light);
  }
}

json ParseLine(std::string_view line) {
  try {
    return ParseJsonText(line);
  } catch (const JsonTextError& e) {
    if (e.kind == JsonTextError::Kind::kSyntax)
      throw CaseError("not valid JSON at byte " + std::to_string(e.byte) + ": " + e.what());
    if (e.kind == JsonTextError::Kind::kNumberOverflow)
      throw CaseError(std::string("not valid JSON: ") + e.what());
    throw CaseError(e.what());
  }
}

void SetIdentity(double m[9]) {
  for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0 : 0.0;
}

}  // namespace

EvalCase ParseCase(std::string_view line) {
  const json v = ParseLine(line);
  if (!v.is_object()) throw CaseError("a case must be a JSON object");
  EvalCase c;
  SpotInfo& s = c.spot.info;
  s.normal[2] = 1.0;
  s.raySource[2] = 5.0;
  SetIdentity(s.toWorld);
  SetIdentity(s.toLocal);
  for (const auto& [key, value] : v.items()) {
    if (key == "settings") ParseSettings(value, &c);
    else if (key == "inputs") ParseInputs(value, &c);
    else if (key == "spot") ParseSpot(value, &c);
    else if (key == "services") ParseServices(value, &c);
    else if (key == "lights") ParseLights(value, &c);
    else throw CaseError(KeyPath("", key) + ": unknown key");
  }
  return c;
}

CaseResult RunCase(Host& host, const EvalCase& c) {
  const ServiceOffer& now = host.offer();
  if (now.itemInfo != c.services.itemInfo || now.objectInfo != c.services.objectInfo ||
      now.lightInfo != c.services.lightInfo)
    host.ActivateNode(c.services);
  if (host.objects.empty()) host.objects.push_back({"object"});
  const HostObject* object = &host.objects.front();

  host.lights.clear();
  for (const CaseLight& l : c.lights) {
    HostLight& light = host.lights.emplace_back();
    light.name = l.name;
    light.flags = l.flags;
    if (l.excluded) light.excludedFrom.push_back(object);
    light.illuminateResult = l.illuminate;
    light.direction = l.direction;
    light.color = l.color;
  }

  HostNode& node = host.CreateNode();
  CaseResult result;
  try {
    if (!c.settings.empty()) host.OpenPanel(node);
    for (const CaseSetting& s : c.settings)
      std::visit([&](const auto& value) {
        host.SetPanelValue(node, s.dataName, &value);
      }, s.value);
    for (const auto& [name, value] : c.inputs)
      host.Wire(node, name, {SourceKind::Vector, value});
    HostSpot spot = c.spot;
    spot.info.object = c.object ? Host::Handle(object) : nullptr;
    spot.info.rayTrace = c.afterIlluminate ? Host::RayTraceEntry() : nullptr;
    result.output = host.Evaluate(node, spot, &result.trace);
  } catch (...) {
    host.DestroyNode(node);
    throw;
  }
  host.DestroyNode(node);
  return result;
}

std::string FormatResult(const CaseResult& result) {
  std::string out = "{\"output\": ";
  if (result.output) {
    const Color3& rgb = *result.output;
    out += "[" + JsonNumber(rgb[0]) + ", " + JsonNumber(rgb[1]) + ", " +
           JsonNumber(rgb[2]) + "]";
  } else {
    out += "null";
  }
  out += ", \"trace\": [";
  for (size_t i = 0; i < result.trace.size(); ++i) {
    const TraceEntry& e = result.trace[i];
    out += i ? ", [" : "[";
    out += JsonString(e.call);
    if (std::string_view(e.call) != "setValue" && std::string_view(e.call) != "firstItem")
      out += ", " + JsonString(e.subject);
    out += "]";
  }
  return out + "]}";
}

bool RunEvalLine(Host& host, std::string_view line, int number, std::ostream& out) {
  if (line.find_first_not_of(" \t\r") == std::string::npos) return true;
  try {
    // The JSON reader would stop at a NUL byte and ignore the rest.
    const size_t nul = line.find('\0');
    if (nul != std::string_view::npos)
      throw CaseError("a NUL byte at byte " + std::to_string(nul + 1) + " (not valid JSON)");
    out << FormatResult(RunCase(host, ParseCase(line))) << '\n';
    return true;
  } catch (const std::exception& e) {
    out << "{\"error\": " + JsonString("line " + std::to_string(number) + ": " + e.what()) +
               "}\n";
    return false;
  }
}

int RunEvalStream(Host& host, std::istream& in, std::ostream& out) {
  int status = 0;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number)
    if (!RunEvalLine(host, line, number, out)) status = 1;
  return status;
}

}  // namespace standin
