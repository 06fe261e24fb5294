// The look-dev commands end to end: lobe outputs and their stated count,
// the energy report, refusals of bad arguments, reproducible sheets, and
// render --aov.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "standin/lookdev/aov.h"
#include "standin/render/scene.h"
#include "tests/tools/cli_runner.h"

namespace {

using standin_test::FileExists;
using standin_test::ReadFile;
using standin_test::RunQuillane;
using standin_test::TempFolder;

TEST(LobeCommand, WritesEveryFormatAndStatesItsCount) {
  const std::string dir = TempFolder();
  for (const char* ext : {"png", "svg", "pdf"}) {
    const std::string plot = dir + "/lobe." + ext, csv = dir + "/lobe.csv";
    const auto r = RunQuillane({"lobe", "--map-size", "24", "--set", "uGlossiness=0.2",
                                "--overlay", "vGlossiness=0.05,0.3", "-o", plot, "--csv", csv});
    ASSERT_EQ(r.exitCode, 0) << ext << ": " << r.err;
    EXPECT_TRUE(FileExists(plot)) << plot;
    // One CSV row per plotted value; the six frame probes come on top.
    const std::string rows = ReadFile(csv);
    const long long lines = std::count(rows.begin(), rows.end(), '\n') - 1;
    EXPECT_NE(r.err.find("lobe: " + std::to_string(lines + 6) + " evaluations"), std::string::npos)
        << ext << ": " << lines << " rows, " << r.err;
  }
}

TEST(LobeCommand, ReportIsExactlyPiForUnitWidths) {
  const auto r = RunQuillane({"lobe", "--report", "--set", "uGlossiness=1", "--set", "vGlossiness=1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("directions: 3.1415926535897931 (pi"), std::string::npos) << r.out;
}

TEST(LookdevCommands, BadArgumentsAreRefusedAndWriteNothing) {
  const std::string dir = TempFolder();
  const std::string out = dir + "/out.png";
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"lobe", "--set", "bogus=1"}, "--set settings.bogus: unknown setting"},
      {{"lobe", "--set", "axis=0.5"}, "settings.axis: expected an integer"},
      {{"lobe", "--set", "uGlossiness"}, "expected KEY=VALUE"},
      {{"lobe", "--pixel", "9999,0"}, "outside the 640x360 image"},
      {{"lobe", "--pixel", "0,0"}, "the ray meets no surface"},
      {{"lobe", "--pixel", "a,b"}, "--pixel: expected X,Y"},
      {{"lobe", "examples/brushed-disc.json"}, "a scene needs --pixel"},
      {{"lobe", "--overlay", "uGlossiness"}, "expected KEY=V1,V2"},
      {{"sweep", "--sweep", "uGlossiness=0:1"}, "expected KEY=FROM:TO:COUNT"},
      {{"sweep", "--sweep", "uGlossiness=0:1:0"}, "COUNT must be a whole number 1..64"},
      {{"sweep", "--sweep", "axis=0:1:3"}, "expected an integer"},
      {{"sweep", "--sweep", "uGlossiness=0:1:2", "--sweep", "uGlossiness=0:1:2"}, "the same key"},
      {{"sweep", "--sweep", "uGlossiness=nan:1:2"}, "expected KEY=FROM:TO:COUNT"},
      {{"sweep", "--sweep", "uGlossiness=0:1:2", "--cell", "0x5"}, "--cell"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", out});
    const auto r = RunQuillane(args);
    EXPECT_EQ(r.exitCode, 2) << args[1] << " " << args[2];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << args[2] << ": " << r.err;
    EXPECT_FALSE(FileExists(out)) << args[2];
  }
  const auto gif = RunQuillane({"lobe", "-o", dir + "/lobe.gif"});
  EXPECT_NE(gif.err.find("expected a .png, .svg or .pdf"), std::string::npos) << gif.err;
}

TEST(SweepCommand, SheetsAreIdenticalRunToRunAndThreadToThread) {
  const std::string dir = TempFolder();
  std::string first;
  for (const char* threads : {"1", "2"}) {
    const std::string sheet = dir + "/sheet" + threads + ".png";
    const auto r = RunQuillane({"sweep", "--sweep", "uGlossiness=0.05:0.5:2", "--sweep",
                                "Tangent Rotate=0:1.5:2", "--cell", "48x27", "--threads", threads,
                                "-o", sheet});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadFile(sheet);
    if (first.empty()) first = bytes;
    EXPECT_TRUE(bytes == first) << "threads " << threads;
  }
  const std::string pdf = dir + "/sheet.pdf";
  for (int run = 0; run < 2; ++run)
    ASSERT_EQ(RunQuillane({"sweep", "--lobe", "--sweep", "vGlossiness=0.05:0.5:3", "--cell", "40x40",
                           "-o", dir + "/lobe" + std::to_string(run) + ".pdf"}).exitCode, 0);
  EXPECT_TRUE(ReadFile(dir + "/lobe0.pdf") == ReadFile(dir + "/lobe1.pdf"));
}

TEST(RenderAov, WritesTheLayersAndMarksTheDiscCentre) {
  const std::string dir = TempFolder();
  const auto r = RunQuillane({"render", "--size", "96x54", "-o", dir + "/beauty.png", "--aov", dir + "/aov"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* name : {".exr", "-tangent.png", "-bitangent.png", "-normal.png", "-widths.png",
                           "-masks.png", "-strokes.png"})
    EXPECT_TRUE(FileExists(dir + "/aov" + name)) << name;

  // The default scene's disc is brushed radially: its tangent jumps at the
  // centre, and only surfaces are marked.
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  const standin::Scene scene = standin::DefaultScene();
  standin::RenderOptions options;
  const auto a = standin::lookdev::ComputeAovs(host, scene, "default", 96, 54, options);
  int jumps = 0;
  for (size_t i = 0; i < a.object.size(); ++i) {
    if (a.tangentJump[i] == 0.0f) continue;
    ++jumps;
    EXPECT_GE(a.object[i], 0) << "pixel " << i;
  }
  EXPECT_GT(jumps, 0);
  const int disc = standin::FindObject(scene, "Plate");
  int discJumps = 0;
  for (size_t i = 0; i < a.object.size(); ++i) discJumps += a.object[i] == disc && a.tangentJump[i] != 0.0f;
  EXPECT_GT(discJumps, 0);
}

// A plane whose tangent "UV" steers to zero: every spot reads back as the
// plane's normal alone, with its own mask and no false jumps.
TEST(RenderAov, TangentSteeredToZeroIsMarkedAndNeverJumps) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  standin::Scene scene;
  scene.camera.position = {0.3, 0.2, 4.0};
  standin::Object plane;
  plane.shape = standin::Shape::Plane;
  plane.size = 10.0;
  scene.objects.push_back(plane);
  scene.inputs["UV"] = standin::InputSource{standin::SourceKind::Vector, {0.5, 0.5, 0.0}};
  const auto a = standin::lookdev::ComputeAovs(host, scene, "plane", 32, 18, standin::RenderOptions{});
  for (size_t i = 0; i < a.object.size(); ++i) {
    ASSERT_EQ(a.object[i], 0) << "pixel " << i;
    EXPECT_EQ(a.zeroSteering[i], 1.0f) << "pixel " << i;
    EXPECT_EQ(a.tangentJump[i] + a.zeroTangent[i] + a.isotropic[i], 0.0f) << "pixel " << i;
    EXPECT_NEAR(a.normal[3 * i + 2], 1.0f, 1e-6) << "pixel " << i;
    EXPECT_EQ(a.tangent[3 * i] + a.tangent[3 * i + 1] + a.tangent[3 * i + 2], 0.0f) << "pixel " << i;
  }
}

}  // namespace
