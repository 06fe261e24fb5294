// `quillane eval`: one JSON object per line describes one evaluation (the
// node's settings, its wired inputs, the spot, the services offered and the
// lights); each gives one line with the colour set and the host calls made.
#pragma once

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "standin/host/host.h"

namespace standin {

// A case that cannot be run; the message starts with the key at fault,
// e.g. "settings.axis: expected an integer".
class CaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CaseSetting {
  std::string dataName;  // the panel's name for the value ("UGlossiness")
  std::variant<Color3, double, std::int32_t> value;
};

struct CaseLight {
  std::string name;
  unsigned flags = 0;
  bool excluded = false;
  std::int32_t illuminate = 1;
  Color3 direction{0.0, 0.0, -1.0};
  Color3 color{1.0, 1.0, 1.0};
};

struct EvalCase {
  std::vector<CaseSetting> settings;  // in the panel's order
  std::vector<std::pair<std::string, Color3>> inputs;  // scalar in [0]
  HostSpot spot;
  bool object = true;
  bool afterIlluminate = true;
  ServiceOffer services;
  std::vector<CaseLight> lights;
};

struct CaseResult {
  std::optional<Color3> output;
  Trace trace;
};

// Reads one case. Throws CaseError naming the key, or for text that is not
// a JSON object.
EvalCase ParseCase(std::string_view line);
// Runs a case on a fresh node of `host`: settings through the panel, inputs
// wired, then one traced evaluation.
CaseResult RunCase(Host& host, const EvalCase& c);
// {"output": [r, g, b] or null, "trace": [[call, subject], ...]}
std::string FormatResult(const CaseResult& result);

// Runs one line (the `number`th) and writes its result or
// {"error": "line N: ..."} to `out`; a blank line writes nothing. Returns
// false when the line failed.
bool RunEvalLine(Host& host, std::string_view line, int number, std::ostream& out);
// Runs every non-blank line of `in`, writing one line each to `out`; a line
// that fails gives {"error": "line N: ..."}. Returns 1 when any line failed,
// else 0. Lines are read as RunEvalFile reads them (eval_input.cpp), each at
// most kMaxEvalLine long; throws InputError otherwise.
int RunEvalStream(Host& host, std::istream& in, std::ostream& out);

}  // namespace standin
