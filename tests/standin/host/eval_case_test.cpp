// `quillane eval` end to end: the worked examples (docs/worked-examples.md),
// the call trace, the number format and the handling of bad lines.
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "standin/host/eval_case.h"
#include "tests/tools/cli_runner.h"

namespace {

using nlohmann::json;
using standin_test::RunQuillane;

const std::vector<std::string> kBeforeLight = {
    "Color", "Specular", "U Glossiness", "V Glossiness", "Axis",
    "Tangent Rotate", "Normal", "Custom Light"};

// The trace of an evaluation that reads every input from its setting.
json UnwiredTrace(const std::vector<json>& between, const std::vector<json>& after) {
  json trace = json::array();
  for (const std::string& name : kBeforeLight) trace.push_back({"isConnected", name});
  for (const json& e : between) trace.push_back(e);
  trace.push_back({"isConnected", "UV"});
  for (const json& e : after) trace.push_back(e);
  trace.push_back({"setValue"});
  return trace;
}

// Whether `actual` rounds to `expected`, which is given to 9 significant
// digits.
bool Matches9(double actual, double expected) {
  if (expected == 0.0) return actual == 0.0;
  const double unit = std::pow(10.0, std::floor(std::log10(std::abs(expected))) - 8);
  return std::abs(actual - expected) <= 0.5 * unit * (1.0 + 1e-9);
}

struct Example {
  const char* name;
  const char* line;
  std::array<double, 3> output;
};

void ExpectOutput(const json& result, const std::array<double, 3>& expected,
                  const std::string& name) {
  ASSERT_TRUE(result["output"].is_array()) << name << ": " << result.dump();
  for (size_t c = 0; c < 3; ++c)
    EXPECT_TRUE(Matches9(result["output"][c].get<double>(), expected[c]))
        << name << " channel " << c << ": got " << result["output"][c]
        << ", expected " << expected[c];
}

std::vector<json> Lines(const std::string& out) {
  std::vector<json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
  return lines;
}

const char* kExample4 =
    R"({"settings": {"axis": 2, "tangentRotate": 1.0, "classicMode": CLASSIC},)"
    R"( "inputs": {"Color": [0.2, 0.4, 0.6], "Specular": 0.5, "U Glossiness": 0.25,)"
    R"( "V Glossiness": 0, "Axis": [0, 3, 0], "Tangent Rotate": 0, "Normal": [0, 0, 2],)"
    R"( "Custom Light": [0, -1, -1]}, "services": {"itemInfo": false},)"
    R"( "spot": {"normal": [1, 0, 0], "raySource": [2, 0, 1], "matrix2":)"
    R"( [0.8660254037844386, -0.5, 0, 0.5, 0.8660254037844386, 0, 0, 0, 1]}})";

std::string Example4(int classic) {
  std::string line = kExample4;
  line.replace(line.find("CLASSIC"), 7, std::to_string(classic));
  return line;
}

TEST(EvalCommand, WorkedExamplesGiveTheirColoursAndCalls) {
  const std::string ex4on = Example4(1), ex4off = Example4(0);
  const std::vector<Example> examples = {
      {"1: defaults and the fixed light", R"({"services": {"itemInfo": false}})",
       {0.0242586367, 0.0242586367, 0.0242586367}},
      {"1b: degenerate frame",
       R"({"services": {"itemInfo": false}, "inputs": {"UV": [0.5, 0.5, 0]}})",
       {4.73205081, 4.73205081, 4.73205081}},
      {"2: rotation, steering, point light",
       R"({"settings": {"color": [1.0, 0.5, 0.25], "specular": 0.8, "uGlossiness": 0.3,)"
       R"( "vGlossiness": 0.05, "axis": 0, "tangentRotate": 0.5235987755982988,)"
       R"( "customLightType": 1}, "inputs": {"UV": [0.75, 0.9, 0], "Custom Light": [3, 2, 5]},)"
       R"( "spot": {"position": [1, 0, 0], "raySource": [1, -2, 4]}})",
       {0.0836333986, 0.0418166993, 0.0209083496}},
      {"3: scene lights, one excluded",
       R"({"settings": {"color": [0.9, 0.6, 0.3], "specular": 1.5, "uGlossiness": 0.4,)"
       R"( "vGlossiness": 0.2, "axis": 0}, "spot": {"raySource": [0, 3, 4]}, "lights": [)"
       R"({"name": "L1", "direction": [0.6, 0, -0.8], "color": [1.0, 0.9, 0.8]},)"
       R"( {"name": "L2", "excluded": true, "direction": [0, 0, -1]},)"
       R"( {"name": "L3", "direction": [0, -0.6, -0.8], "color": [0.5, 0.5, 1.0]}]})",
       {0.554201233, 0.348091674, 0.241212601}},
      {"4: every input but UV, classic mode", ex4on.c_str(),
       {9.64299855e-06, 1.92859971e-05, 2.89289957e-05}},
      {"4 with classic mode off", ex4off.c_str(),
       {5.26476226e-07, 1.05295245e-06, 1.57942868e-06}},
  };
  std::string input;
  for (const Example& e : examples) input += std::string(e.line) + "\n";
  const auto run = RunQuillane({"eval", "-"}, input);
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  const std::vector<json> results = Lines(run.out);
  ASSERT_EQ(results.size(), examples.size()) << run.out;
  for (size_t i = 0; i < examples.size(); ++i)
    ExpectOutput(results[i], examples[i].output, examples[i].name);

  EXPECT_EQ(results[0]["trace"], UnwiredTrace({}, {}));
  EXPECT_EQ(results[1]["trace"], UnwiredTrace({}, {{"evaluate", "UV"}}));
  EXPECT_EQ(results[2]["trace"],
            UnwiredTrace({{"evaluate", "Custom Light"}}, {{"evaluate", "UV"}}));
  EXPECT_EQ(results[3]["trace"],
            UnwiredTrace({}, {{"firstItem"}, {"lightFlags", "L1"}, {"excluded", "L1"},
                              {"illuminate", "L1"}, {"nextItem", "L1"},
                              {"lightFlags", "L2"}, {"excluded", "L2"}, {"nextItem", "L2"},
                              {"lightFlags", "L3"}, {"excluded", "L3"},
                              {"illuminate", "L3"}, {"nextItem", "L3"}}));
  json wiredTrace = json::array();
  for (const std::string& name : kBeforeLight) {
    wiredTrace.push_back({"isConnected", name});
    wiredTrace.push_back({"evaluate", name});
  }
  wiredTrace.push_back({"isConnected", "UV"});
  wiredTrace.push_back({"setValue"});
  EXPECT_EQ(results[4]["trace"], wiredTrace);
  EXPECT_EQ(results[5]["trace"], wiredTrace);
}

TEST(EvalCommand, EarlyExitsAndTheObjectHandle) {
  const auto run = RunQuillane(
      {"eval"},
      "{\"spot\": {\"afterIlluminate\": false}}\n"
      "{\"spot\": {\"flags\": 1}}\n"
      "{\"settings\": {\"specular\": 0}}\n"
      "{\"spot\": {\"object\": false}, \"lights\": [{\"name\": \"Key\"}]}\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto r = Lines(run.out);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], json::parse(R"({"output": null, "trace": []})"));
  EXPECT_EQ(r[1], json::parse(R"({"output": [0, 0, 0], "trace": [["setValue"]]})"));
  EXPECT_EQ(r[2]["trace"].size(), 3u) << "stops after Specular: " << r[2];
  // A null object handle: only the flags and next-item calls per light.
  EXPECT_EQ(r[3]["output"], json::parse("[0.0, 0.0, 0.0]"));
  const json walk = json::parse(
      R"([["firstItem"], ["lightFlags", "Key"], ["nextItem", "Key"], ["setValue"]])");
  EXPECT_EQ(json(std::vector<json>(r[3]["trace"].end() - 4, r[3]["trace"].end())), walk);
}

// The host answers each light from the case: its flags, its exclusion and
// its illuminate result and values.
TEST(EvalCommand, LightAnswersComeFromTheCase) {
  const auto run = RunQuillane(
      {"eval"},
      R"({"lights": [{"name": "A", "flags": 4}, {"name": "B", "illuminate": 0},)"
      R"( {"name": "C", "illuminate": 2147483647, "color": [0.5, 0.25, 2]}]})"
      "\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto r = Lines(run.out);
  ASSERT_EQ(r.size(), 1u);
  // C shines straight back along the view: the lobe's factor is 1.
  EXPECT_EQ(r[0]["output"], json::parse("[0.5, 0.25, 2]"));
  EXPECT_EQ(r[0]["trace"],
            UnwiredTrace({}, {{"firstItem"}, {"lightFlags", "A"}, {"excluded", "A"},
                              {"nextItem", "A"}, {"lightFlags", "B"}, {"excluded", "B"},
                              {"illuminate", "B"}, {"nextItem", "B"}, {"lightFlags", "C"},
                              {"excluded", "C"}, {"illuminate", "C"}, {"nextItem", "C"}}));
}

TEST(EvalCommand, OutputLinesHaveTheExactLayout) {
  const auto run = RunQuillane(
      {"eval"}, "{\"settings\": {\"specular\": \"NaN\"}, \"services\": {\"itemInfo\": false}}\n"
                "{\"spot\": {\"flags\": 1}}\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.substr(run.out.find('\n') + 1),
            "{\"output\": [0, 0, 0], \"trace\": [[\"setValue\"]]}\n");
  EXPECT_EQ(run.out.rfind("{\"output\": [\"NaN\", \"NaN\", \"NaN\"], \"trace\": [[", 0), 0u)
      << run.out;
}

// Every double printed reads back to the bits the host received, over
// seeded random cases compared with the same cases run in this process.
TEST(EvalCommand, NumbersReadBackToTheSameBits) {
  std::mt19937 rng(20261207);
  std::uniform_real_distribution<double> any(-3.0, 3.0), gloss(0.01, 1.0);
  std::string input;
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i) {
    json c = {{"settings", {{"uGlossiness", gloss(rng)}, {"vGlossiness", gloss(rng)},
                            {"tangentRotate", any(rng)}, {"axis", i % 3}}},
              {"inputs", {{"UV", {any(rng), any(rng), 0.0}}}},
              {"spot", {{"normal", {any(rng), any(rng), 1.0}},
                        {"raySource", {any(rng), any(rng), 5.0}}}},
              {"lights", {{{"direction", {any(rng), any(rng), -1.0}}}}}};
    lines.push_back(c.dump());
    input += lines.back() + "\n";
  }
  const auto run = RunQuillane({"eval"}, input);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto results = Lines(run.out);
  ASSERT_EQ(results.size(), lines.size());

  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto expected = standin::RunCase(host, standin::ParseCase(lines[i])).output;
    ASSERT_TRUE(expected.has_value());
    for (size_t c = 0; c < 3; ++c) {
      const double printed = results[i]["output"][c].get<double>();
      EXPECT_EQ(std::memcmp(&printed, &(*expected)[c], sizeof printed), 0)
          << "case " << i << " channel " << c << ": " << lines[i];
    }
  }
}

TEST(EvalCommand, BadLinesNameTheLineAndKeyAndTheRestStillRuns) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"not json", "line 1: not valid JSON"},
      {"[1, 2]", "line 2: a case must be a JSON object"},
      {R"({"inputs": {"Gloss": 1}})", "line 3: inputs.Gloss: unknown input"},
      {R"({"inputs": {"Normal": [0, 1]}})", "line 4: inputs.Normal: expected 3 numbers"},
      {R"({"settings": {"axis": "Y"}})", "line 5: settings.axis: expected an integer"},
      {R"({"settings": {"axis": 1.5}})", "line 6: settings.axis: expected an integer"},
      {R"({"inputs": {"Specular": [1, 2, 3]}})", "line 7: inputs.Specular: expected a number"},
      {R"({"spot": {"matrix1": [1, 0, 0]}})", "line 8: spot.matrix1: expected 9 numbers"},
      {R"({"lights": [{"color": [1, "x", 1]}]})", "line 9: lights[0].color[1]: expected a number"},
      {R"({"services": {"itemInfo": 1}})", "line 10: services.itemInfo: expected true or false"},
      {R"({"settings": {"classicMode": 4294967296}})", "line 11: settings.classicMode: integer out of range"},
      {R"({"colour": [1, 1, 1]})", "line 12: colour: unknown key"},
      // Keys that are not identifiers are quoted, as in scene messages.
      {R"({"inputs": {"U Glossiness": "x"}})", "line 13: inputs[\"U Glossiness\"]: expected a number"},
  };
  std::string input;
  for (const auto& [line, _] : bad) input += line + "\n";
  input += "\n{}\n";  // a blank line, then a good case on line 15
  const auto run = RunQuillane({"eval"}, input);
  EXPECT_EQ(run.exitCode, 1);
  const auto results = Lines(run.out);
  ASSERT_EQ(results.size(), bad.size() + 1) << run.out;
  for (size_t i = 0; i < bad.size(); ++i) {
    ASSERT_TRUE(results[i].contains("error")) << results[i];
    EXPECT_EQ(results[i]["error"].get<std::string>().rfind(bad[i].second, 0), 0u)
        << "got " << results[i]["error"] << " for " << bad[i].first;
  }
  EXPECT_TRUE(results.back()["output"].is_array()) << results.back();
}

TEST(EvalCommand, MissingFileIsABadInput) {
  const auto run = RunQuillane({"eval", "/nonexistent/cases.jsonl"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("/nonexistent/cases.jsonl"), std::string::npos) << run.err;
}

}  // namespace
