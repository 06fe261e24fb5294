// The bad-input catalogue: malformed scenes, saved node data in both
// container forms and eval lines (truncated, wrong types, NaN and huge
// numbers, unknown keys, duplicate blocks, 1 MB strings), each with the
// exact message it must produce or the documented behaviour it must keep.
// Files are in tests/data/bad_input/. Failed renders must leave no output
// file, whole or partial, and no temporary beside it.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "standin/saved/container.h"
#include "standin/host/eval_case.h"
#include "standin/host/host.h"
#include "tests/tools/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using standin::ContainerForm;
using standin_test::Listing;
using standin_test::ReadFile;
using standin_test::RunQuillane;
using standin_test::TempFolder;
using standin_test::WriteFile;

std::string Data(const std::string& name) {
  return std::string(QUILLANE_BAD_INPUT_DIR) + "/" + name;
}

struct Refusal {
  const char* file;
  const char* message;  // what follows "quillane: FILE: " or "SOURCE: "
};

// Scenes `quillane render` refuses with exit code 2 and this one line.
const Refusal kScenes[] = {
    {"scene-truncated.json", "line 1, column 45: syntax error while parsing object - "
                             "unexpected end of input; expected '}'"},
    {"scene-empty.json", "line 1, column 1: syntax error while parsing value - unexpected "
                         "end of input; expected '[', '{', or a literal"},
    {"scene-not-object.json", "the scene must be a JSON object"},
    {"scene-wrong-type.json", "key objects[0].size: expected a number"},
    {"scene-nan.json", "line 2, column 56: syntax error while parsing value - invalid "
                       "literal; last read: '\"size\": N'"},
    {"scene-huge-number.json", "line 2, column 26: number overflow parsing '1e400'"},
    {"scene-unknown-key.json", "key camera.zoom: unknown key"},
    {"scene-duplicate-block.json", "key \"objects\" appears twice in one object"},
    {"scene-duplicate-object.json", "key objects[1].name: another object is already called \"A\""},
    {"scene-missing-shape.json", "key objects[0].shape: missing required key"},
    {"scene-zero-size.json", "key objects[0].size: expected a number greater than 0"},
    {"scene-fov-180.json", "key camera.fov: expected a number below 180"},
    {"scene-size-too-big.json", "key render.width: expected an integer from 1 to 16384"},
    {"scene-fractional-width.json", "key render.width: expected an integer from 1 to 16384"},
    {"scene-supersample.json", "key render.supersample: expected an integer from 1 to 8"},
    {"scene-zero-direction.json", "key lights[0].direction: expected a non-zero direction"},
    {"scene-light-both.json", "key lights[0].direction: unknown key"},
    {"scene-excluded-unknown.json", "key lights[0].excludedFrom[0]: no object is called \"Nobody\""},
    {"scene-spot-cone.json", "key lights[0].coneAngle: expected a number of degrees up to 90"},
    {"scene-env-preset.json", "key lights[0].preset: expected \"studio\" or \"sky\", not \"moon\""},
    {"scene-env-none.json", "key lights[0]: an environment light needs \"image\" or \"preset\""},
    {"scene-samples.json", "key lights[0].samples: expected an integer from 1 to 64"},
    {"scene-lighting.json", "key lighting: expected \"all\" or \"plain\", not \"dark\""},
    {"scene-vector-size.json", "key camera.position: expected an array of 3 numbers"},
    {"scene-camera-target.json", "key camera: the camera's target equals its position"},
    {"scene-input-unknown.json",
     "key inputs.Shine: unknown input (expected one of the node's input names)"},
    {"scene-input-type.json", "key inputs.Specular: expected a number or a source name"},
    {"scene-services-type.json", "key services.itemInfo: expected true or false"},
    {"scene-node-type.json", "key node: expected a string"},
    {"scene-node-truncated.json", "key node: line 3: block \"Axis\" opened at line 2 is not closed"},
    {"scene-node-short-block.json",
     "key node: line 1: block \"Color\" holds 2 of the 3 values asked for"},
    {"scene-node-not-number.json", "key node: line 1: \"0.5x\" is not a number or a quoted string"},
    {"scene-node-big-integer.json", "key node: line 2: \"99999999999\" is not a 32-bit integer"},
    {"scene-node-wrong-kind.json", "key node: line 2: \"\"one\"\" is not a 32-bit integer"},
};

// Scenes that render: unknown node blocks are skipped, a repeated block
// overwrites, non-finite and out-of-range floats in node data read as the
// float they name, and huge or tiny finite numbers in the scene are used as
// given.
const char* const kAcceptedScenes[] = {
    "ok-node-unknown-block.json", "ok-node-duplicate-block.json", "ok-node-nan.json",
    "ok-node-huge.json",          "ok-huge-numbers.json",         "ok-tiny-numbers.json",
};

// Saved node data the host refuses before the module's load sees it; the
// message names the source and the line (text) or offset (binary).
const Refusal kContainers[] = {
    {"container-truncated.txt", "line 3: block \"Axis\" opened at line 2 is not closed"},
    {"container-short.txt", "line 1: block \"Color\" holds 2 of the 3 values asked for"},
    {"container-wrong-type.txt", "line 2: \"\"two\"\" is not a 32-bit integer"},
    {"container-float-for-int.txt", "line 2: \"1.5\" is not a 32-bit integer"},
    {"container-int-range.txt", "line 2: \"2147483648\" is not a 32-bit integer"},
    {"container-stray-close.txt", "line 2: \"}\" closes no block"},
    {"container-open-string.txt", "line 1: string is not closed"},
    {"container-bare-value.txt", "line 1: \"0.25\" is not a block token"},
    {"container-bad-token.txt", "line 1: \"{\" must be followed by one block token"},
    {"container-truncated-header.bin", "offset 12: truncated block header (6 of 8 bytes)"},
    {"container-truncated-payload.bin",
     "offset 12: block \"COL1\" claims 12 bytes but only 8 follow"},
    {"container-short-block.bin", "offset 8: block \"COL1\" ends after 2 of 3 values"},
    {"container-huge-length.bin",
     "offset 0: block \"SPC1\" claims 4294967295 bytes but only 4 follow"},
    {"container-short-int.bin", "offset 8: block \"AXS1\" ends after 0 of 1 values"},
};

// Saved node data that loads: an unknown block is skipped, a repeated one
// overwrites (NaN included), an integer is stored without a range check, and
// a nested block the module never reads is not looked into.
const char* const kAcceptedContainers[] = {
    "ok-container-unknown-repeated.txt",
    "ok-container-nested-unread.bin",
};

// eval-lines.jsonl, line by line: the error each line gives, or "" for a
// line whose documented result is an output.
const char* const kEvalLines[] = {
    "settings.axis: expected an integer",
    "settings.axis: integer out of range",
    "not valid JSON at byte 27: syntax error while parsing value - invalid literal; last "
    "read: '\\\"specular\\\": N'",
    "not valid JSON: number overflow parsing '1e400'",
    "settings.color: expected 3 numbers",
    "settings.colour: unknown setting",
    "settings.specular: expected a number",
    "inputs.UV: expected 3 numbers",
    "inputs.Specular: expected a number",
    "inputs.Shine: unknown input",
    "lights[0].flags: integer out of range",
    "lights: expected an array",
    "spot.matrix1: expected 9 numbers",
    "key \\\"position\\\" appears twice in one object",
    "services.itemInfo: expected true or false",
    "not valid JSON at byte 22: syntax error while parsing object - unexpected end of "
    "input; expected '}'",
    "a case must be a JSON object",
    "view: unknown key",
    "",
    "",
    "",
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(BadInput, ScenesAreRefusedWithTheirMessageAndWriteNothing) {
  const std::string dir = TempFolder();
  for (const Refusal& bad : kScenes) {
    const std::string scene = Data(bad.file);
    const auto run = RunQuillane({"render", scene, "-o", dir + "/out.png", "--exr",
                                  dir + "/out.exr", "--save-scene", dir + "/saved.json",
                                  "--size", "8x8", "--threads", "1"});
    EXPECT_EQ(run.exitCode, 2) << bad.file;
    EXPECT_EQ(run.err, "quillane: " + scene + ": " + bad.message + "\n") << bad.file;
    EXPECT_TRUE(Listing(dir).empty()) << bad.file << " left " << Listing(dir)[0];
  }
}

TEST(BadInput, DocumentedSafeScenesRender) {
  const std::string dir = TempFolder();
  for (const char* file : kAcceptedScenes) {
    const auto run = RunQuillane({"render", Data(file), "--exr", dir + "/out.exr", "--size",
                                  "8x8", "--threads", "1"});
    EXPECT_EQ(run.exitCode, 0) << file << ": " << run.err;
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"out.exr"}) << file;
    fs::remove(dir + "/out.exr");
  }
}

TEST(BadInput, ContainersAreRefusedWithTheirPlaceAndLeaveTheNodeAlone) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  standin::HostNode& node = host.CreateNode();
  host.Load(node, "Specular 0.25\nColor 0.5 0.5 1\n", ContainerForm::kText, "start");
  const std::string before = host.Save(node, ContainerForm::kBinary);
  for (const Refusal& bad : kContainers) {
    const std::string name = bad.file;
    const bool binary = name.ends_with(".bin");
    try {
      host.Load(node, ReadFile(Data(name)), binary ? ContainerForm::kBinary : ContainerForm::kText,
                name);
      ADD_FAILURE() << name << " was accepted";
    } catch (const standin::ContainerError& e) {
      EXPECT_EQ(std::string(e.what()), name + ": " + bad.message);
    }
    EXPECT_EQ(host.Save(node, ContainerForm::kBinary), before) << name << " changed the node";
  }
}

TEST(BadInput, DocumentedSafeContainersLoad) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  standin::HostNode& node = host.CreateNode();
  for (const std::string name : kAcceptedContainers) {
    const bool binary = name.ends_with(".bin");
    EXPECT_NO_THROW(host.Load(node, ReadFile(Data(name)),
                              binary ? ContainerForm::kBinary : ContainerForm::kText, name))
        << name;
  }
  const std::string text = host.Save(node, ContainerForm::kText);
  EXPECT_NE(text.find("Specular nan\n"), std::string::npos) << text;
  EXPECT_NE(text.find("{ Axis\n  -7\n}"), std::string::npos) << text;
  EXPECT_NE(text.find("{ URough\n  0.5\n}"), std::string::npos) << text;
}

TEST(BadInput, EvalLinesGiveTheirErrorAndTheRestStillRun) {
  const auto run = RunQuillane({"eval", Data("eval-lines.jsonl")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> out = Lines(run.out);
  ASSERT_EQ(out.size(), std::size(kEvalLines));
  for (size_t i = 0; i < out.size(); ++i) {
    const std::string expected = kEvalLines[i];
    if (expected.empty())
      EXPECT_EQ(out[i].rfind("{\"output\": [", 0), 0u) << "line " << i + 1 << ": " << out[i];
    else
      EXPECT_EQ(out[i], "{\"error\": \"line " + std::to_string(i + 1) + ": " + expected + "\"}");
  }
}

// The two eval-line faults found by fuzzing and by this catalogue, at the
// parser: a number beyond a double's range escaped as the JSON library's
// own exception, and a repeated key silently lost its first value.
TEST(BadInput, EvalParserRefusesOverflowAndRepeatedKeysAsCaseErrors) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"({"settings": {"specular": 1e400}})", "not valid JSON: number overflow parsing '1e400'"},
      {"12777777e7000000 [0.1]", "not valid JSON: number overflow parsing '12777777e7000000'"},
      {R"({"settings": {}, "settings": {"axis": 2}})", "key \"settings\" appears twice in one object"},
      {R"({"lights": [{"name": "A", "flags": 4, "name": "B"}]})",
       "key \"name\" appears twice in one object"},
  };
  for (const auto& [line, message] : cases) {
    try {
      standin::ParseCase(line);
      ADD_FAILURE() << line << " was accepted";
    } catch (const standin::CaseError& e) {
      EXPECT_EQ(std::string(e.what()), message) << line;
    }
  }
  // The same key in different objects is not a repeat.
  EXPECT_NO_THROW(standin::ParseCase(R"({"lights": [{"name": "A"}, {"name": "B"}]})"));
}

// One megabyte in a name, a key, a string value and a number's place.
TEST(BadInput, MegabyteStrings) {
  const std::string big(1 << 20, 'x');
  const std::string dir = TempFolder();

  WriteFile(dir + "/name.json", "{\"objects\": [{\"name\": \"" + big + "\", \"shape\": \"sphere\"}],"
                                " \"node\": \"Note \\\"" + big + "\\\"\\n{ " + big + "\\n}\\n\"}");
  auto run = RunQuillane({"render", dir + "/name.json", "--exr", dir + "/a.exr", "--size", "8x8"});
  EXPECT_EQ(run.exitCode, 0) << run.err.substr(0, 200);

  WriteFile(dir + "/key.json", "{\"camera\": {\"" + big + "\": 1}}");
  run = RunQuillane({"render", dir + "/key.json", "--exr", dir + "/b.exr", "--size", "8x8"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "quillane: " + dir + "/key.json: key camera." + big + ": unknown key\n");

  run = RunQuillane({"eval"}, "{\"settings\": {\"specular\": \"" + big + "\"}}\n{\"" + big +
                                  "\": 1}\n" + big + "\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{
                "{\"error\": \"line 1: settings.specular: expected a number\"}",
                "{\"error\": \"line 2: " + big + ": unknown key\"}",
                "{\"error\": \"line 3: not valid JSON at byte 1: syntax error while parsing "
                "value - invalid literal; last read: 'x'\"}"}));
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"a.exr", "key.json", "name.json"}));
}

// A failed render keeps files already at the output paths as they were,
// refuses outputs it could not write before writing any, and a render
// killed part way leaves the target absent or whole, never partial.
TEST(BadInput, OutputsAreNeverLeftHalfWritten) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/out.png", "old picture");
  WriteFile(dir + "/saved.json", "old scene");
  auto run = RunQuillane({"render", Data("scene-wrong-type.json"), "-o", dir + "/out.png",
                          "--save-scene", dir + "/saved.json"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(ReadFile(dir + "/out.png"), "old picture");
  EXPECT_EQ(ReadFile(dir + "/saved.json"), "old scene");

  fs::create_directory(dir + "/folder");
  const std::vector<std::pair<std::vector<std::string>, std::string>> unwritable = {
      {{"--exr", dir + "/missing/out.exr"}, dir + "/missing/out.exr: cannot write: No such file or directory"},
      {{"--save-scene", dir + "/missing/s.json"}, dir + "/missing/s.json: cannot write: No such file or directory"},
      {{"--exr", dir + "/folder"}, dir + "/folder: cannot write: Is a directory"},
  };
  for (const auto& [options, message] : unwritable) {
    std::vector<std::string> args = {"render", "-o", dir + "/new.png", "--size", "8x8"};
    args.insert(args.end(), options.begin(), options.end());
    run = RunQuillane(args);
    EXPECT_EQ(run.exitCode, 2) << options[1];
    EXPECT_EQ(run.err, "quillane: " + message + "\n");
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"folder", "out.png", "saved.json"}))
        << "after " << options[1];
    EXPECT_TRUE(fs::is_empty(dir + "/folder"));
  }

  // Killed while rendering or writing: the PNG at the target is whole
  // (ends with its IEND chunk) or not there at all.
  for (int delayMs : {50, 150, 400}) {
    const std::string target = dir + "/killed.png";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      execl(QUILLANE_CLI, QUILLANE_CLI, "render", "-o", target.c_str(), "--size", "1200x900",
            "--threads", "1", static_cast<char*>(nullptr));
      _exit(127);
    }
    usleep(static_cast<useconds_t>(delayMs) * 1000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (fs::exists(target)) {
      const std::string png = ReadFile(target);
      EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND") << "partial PNG after " << delayMs << " ms";
      fs::remove(target);
    }
  }
}

}  // namespace
