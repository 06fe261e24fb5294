#include "standin/host/eval_case.h"

#include <cmath>
#include <limits>
#include <ostream>

#include "host/settings.h"
#include "standin/host/host_services.h"
#include "standin/json/json_checked.h"
#include "standin/json/json_text.h"

namespace standin {
namespace {

using nlohmann::json;
using CaseJson = CheckedJson<PathErrors<CaseError>>;

const PathErrors<CaseError> kCaseErrors{};
const char* const kOutOfRange = "integer out of range";

// Eval lines may give a number as "NaN", "Infinity" or "-Infinity".
double Number(const CaseJson& v) {
  if (v.json.is_number()) return v.json.get<double>();
  if (v.json.is_string()) {
    const auto& s = v.json.get_ref<const std::string&>();
    if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (s == "Infinity") return std::numeric_limits<double>::infinity();
    if (s == "-Infinity") return -std::numeric_limits<double>::infinity();
  }
  v.Fail("expected a number");
}

template <size_t N>
std::array<double, N> Numbers(const CaseJson& v) {
  v.Size(N, "expected " + std::to_string(N) + " numbers");
  std::array<double, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = Number(v.Index(i));
  return out;
}

std::int32_t Int32(const CaseJson& v) {
  return static_cast<std::int32_t>(v.Integer(INT32_MIN, INT32_MAX, kOutOfRange));
}

// The keys and their types are the module's own settings table.
void ParseSettings(const CaseJson& v, EvalCase* c) {
  using quillane::SettingType;
  const auto entries = v.Entries();
  for (const auto& [key, value] : entries)
    if (!quillane::SettingWithKey(key)) value.Fail("unknown setting");
  for (const quillane::Setting& s : quillane::kSettings) {
    if (!v.json.contains(s.evalKey)) continue;
    const CaseJson value = v.Key(s.evalKey);
    CaseSetting setting{s.dataName, 0.0};
    if (s.type == SettingType::kColor) setting.value = Numbers<3>(value);
    if (s.type == SettingType::kReal) setting.value = Number(value);
    if (s.type == SettingType::kInteger) setting.value = Int32(value);
    c->settings.push_back(setting);
  }
}

void ParseInputs(const CaseJson& v, EvalCase* c) {
  for (const auto& [name, value] : v.Entries()) {
    const InputName* input = nullptr;
    for (const InputName& k : kInputNames)
      if (name == k.name) input = &k;
    if (!input) value.Fail("unknown input");
    Color3 wired{0.0, 0.0, 0.0};
    if (input->scalar) wired[0] = Number(value);
    else wired = Numbers<3>(value);
    c->inputs.emplace_back(name, wired);
  }
}

void ParseSpot(const CaseJson& v, EvalCase* c) {
  SpotInfo& s = c->spot.info;
  for (const auto& [key, value] : v.Entries()) {
    auto put = [&](double* dest, auto array) {
      std::copy(array.begin(), array.end(), dest);
    };
    if (key == "position") put(s.worldPosition, Numbers<3>(value));
    else if (key == "normal") put(s.normal, Numbers<3>(value));
    else if (key == "raySource") put(s.raySource, Numbers<3>(value));
    else if (key == "matrix1") put(s.toWorld, Numbers<9>(value));
    else if (key == "matrix2") put(s.toLocal, Numbers<9>(value));
    else if (key == "object") c->object = value.Boolean();
    else if (key == "flags") s.flags = Int32(value);
    else if (key == "afterIlluminate") c->afterIlluminate = value.Boolean();
    else value.Fail("unknown key");
  }
}

void ParseServices(const CaseJson& v, EvalCase* c) {
  for (const auto& [key, value] : v.Entries()) {
    if (key == "itemInfo") c->services.itemInfo = value.Boolean();
    else if (key == "objectInfo") c->services.objectInfo = value.Boolean();
    else if (key == "lightInfo") c->services.lightInfo = value.Boolean();
    else value.Fail("unknown service");
  }
}

CaseLight ParseLight(const CaseJson& v, size_t i) {
  CaseLight light;
  light.name = "L" + std::to_string(i + 1);
  for (const auto& [key, value] : v.Entries()) {
    if (key == "name") light.name = value.String();
    else if (key == "flags") light.flags = static_cast<unsigned>(value.Integer(0, UINT32_MAX, kOutOfRange));
    else if (key == "excluded") light.excluded = value.Boolean();
    else if (key == "illuminate") light.illuminate = Int32(value);
    else if (key == "direction") light.direction = Numbers<3>(value);
    else if (key == "color") light.color = Numbers<3>(value);
    else value.Fail("unknown key");
  }
  return light;
}

void ParseLights(const CaseJson& v, EvalCase* c) {
  const size_t count = v.Array();
  for (size_t i = 0; i < count; ++i) c->lights.push_back(ParseLight(v.Index(i), i));
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

}  // namespace

EvalCase ParseCase(std::string_view line) {
  const json v = ParseLine(line);
  if (!v.is_object()) throw CaseError("a case must be a JSON object");
  EvalCase c;
  c.spot = DefaultSpot();
  for (const auto& [key, value] : CaseJson{v, "", kCaseErrors}.Entries()) {
    if (key == "settings") ParseSettings(value, &c);
    else if (key == "inputs") ParseInputs(value, &c);
    else if (key == "spot") ParseSpot(value, &c);
    else if (key == "services") ParseServices(value, &c);
    else if (key == "lights") ParseLights(value, &c);
    else value.Fail("unknown key");
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

}  // namespace standin
