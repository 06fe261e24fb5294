// Through the quillane command: the shipped examples against their golden
// images, the bad mesh and image catalogue, make-map and compare.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "standin/assets/image_file.h"
#include "tests/tools/cli_runner.h"

namespace {

using standin_test::RunQuillane;
using standin_test::TempFolder;

std::string Example(const std::string& name) { return std::string(QUILLANE_EXAMPLES_DIR) + "/" + name; }
std::string Golden(const std::string& name) { return std::string(QUILLANE_GOLDEN_DIR) + "/" + name; }
std::string BadAsset(const std::string& name) { return std::string(QUILLANE_BAD_ASSETS_DIR) + "/" + name; }

// Renders are compared as linear values after undoing the PNGs' sRGB
// encoding; 0.02 lets a channel move by a code or two (other compilers'
// libm), far below what any change of the node or the scene gives.
constexpr const char* kGoldenTolerance = "0.02";

// Each example at 128x72 against tests/data/goldens/<example>.png
// (QUILLANE_GOLDEN_UPDATE=1 writes them afresh). The conventions scenes that
// undo a tilted axis match the untilted reference.
TEST(Examples, RenderAsTheirGoldens) {
  const std::string dir = TempFolder();
  const std::pair<const char*, const char*> cases[] = {
      {"conventions-reference.json", "conventions-reference.png"},
      {"conventions-axis-tilt.json", "conventions-axis-tilt.png"},
      {"conventions-rotate-undo.json", "conventions-reference.png"},
      {"conventions-map-undo.json", "conventions-reference.png"},
      {"radial-disc-map.json", "radial-disc-map.png"},
      {"strength-grid.json", "strength-grid.png"},
      {"knob.json", "knob.png"},
  };
  const bool update = std::getenv("QUILLANE_GOLDEN_UPDATE") != nullptr;
  for (const auto& [scene, golden] : cases) {
    const std::string out = update && std::string(scene).find("undo") == std::string::npos
                                ? Golden(golden) : dir + "/out.png";
    const auto render = RunQuillane({"render", Example(scene), "-o", out, "--size", "128x72", "--threads", "2"});
    ASSERT_EQ(render.exitCode, 0) << scene << ": " << render.err;
    const auto compare = RunQuillane({"compare", Golden(golden), out, "--max-error", kGoldenTolerance});
    EXPECT_EQ(compare.exitCode, 0) << scene << " against " << golden << ":\n" << compare.out << compare.err;
  }
}

struct Refusal {
  const char* scene;
  const char* message;  // after "quillane: "; FILE stands for the catalogue's folder
};

// Bad meshes and images: exit 2, one line naming the file, the fault and
// the scene key that named the file.
const Refusal kBadAssets[] = {
    {"mesh-index-range.json", "FILE/index-range.obj: line 4: vertex index 9 is out of range (3 vertices before this line) (scene key objects[0].mesh)"},
    {"mesh-truncated.json", "FILE/truncated.obj: the mesh has no triangles (scene key objects[0].mesh)"},
    {"mesh-no-uv.json", "FILE/no-uv.obj: the mesh has no texture coordinates, but an input reads "
                        "the UV (give object \"Part\" another \"uv\") (scene key objects[0].mesh)"},
    {"mesh-partial-uv.json", "FILE/partial-uv.obj: some faces have texture coordinates and others not (scene key objects[0].mesh)"},
    {"mesh-format.json", "FILE/mesh.stl: unknown mesh format (expected .obj, .gltf or .glb) (scene key objects[0].mesh)"},
    {"mesh-missing.json", "FILE/missing.obj: no such file (scene key objects[0].mesh)"},
    {"mesh-nan-position.json", "FILE/nan-position.gltf: the mesh has a non-finite position (vertex 2) (scene key objects[0].mesh)"},
    {"mesh-obj-nan-position.json", "FILE/nan-position.obj: line 3: \"nan\" is not a finite number (scene key objects[0].mesh)"},
    {"mesh-gltf-index-range.json", "FILE/index-range.gltf: a primitive uses vertex 7 of 3 (scene key objects[0].mesh)"},
    {"mesh-glb-truncated.json", "FILE/truncated.glb: cannot read glTF: the header declares 588 bytes, the file has 578 (scene key objects[0].mesh)"},
    {"image-truncated.json", "FILE/truncated.png: cannot read PNG: the file is truncated (scene key inputs.UV.image)"},
    {"image-bad-crc.json", "FILE/bad-crc.png: cannot read PNG: IHDR: CRC error (scene key inputs.UV.image)"},
    {"image-not-image.json", "FILE/not-image.png: not a PNG or OpenEXR file (scene key inputs.UV.image)"},
    {"image-missing.json", "FILE/missing.png: no such file (scene key inputs.UV.image)"},
    {"image-exr-truncated.json",
     "FILE/truncated.exr: cannot read EXR: Cannot read image file \"FILE/truncated.exr\". the file is "
     "truncated (scene key inputs.UV.image)"},
    {"image-exr-color.json",
     "FILE/map.exr: an EXR file holds linear values: use the \"data\" encoding (scene key inputs.Color.image)"},
    {"env-truncated-hdr.json", "FILE/truncated.hdr: cannot read Radiance HDR: the file is truncated "
                               "or corrupt (it holds less than its 4x4 pixels) (scene key lights[0].image)"},
    {"env-huge-hdr.json", "FILE/huge.hdr: the environment map is 20000x10000; at most 33554432 "
                          "texels are read (scene key lights[0].image)"},
    {"env-not-image-png.json", "FILE/not-image.png: not an OpenEXR or Radiance HDR file (scene key lights[0].image)"},
    {"image-channels.json",
     "FILE/image-channels.json: key inputs.Specular.channels: this input takes one number: name one channel"},
};

TEST(BadAssets, AreRefusedWithTheFileAndTheFault) {
  const std::string dir = TempFolder();
  const std::string folder = QUILLANE_BAD_ASSETS_DIR;
  for (const Refusal& bad : kBadAssets) {
    const auto run = RunQuillane({"render", BadAsset(bad.scene), "-o", dir + "/out.png", "--size", "8x8"});
    std::string message = bad.message;
    for (size_t at; (at = message.find("FILE")) != std::string::npos;) message.replace(at, 4, folder);
    EXPECT_EQ(run.exitCode, 2) << bad.scene;
    EXPECT_EQ(run.err, "quillane: " + message + "\n") << bad.scene;
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.png")) << bad.scene;
  }
}

TEST(Compare, PrintsErrorsAndExitsOneOverTheLimit) {
  const std::string dir = TempFolder();
  ASSERT_EQ(RunQuillane({"make-map", "angle", "--angle", "0", "--size", "4x4", "-o", dir + "/a.exr"}).exitCode, 0);
  ASSERT_EQ(RunQuillane({"make-map", "angle", "--angle", "90", "--size", "4x4", "-o", dir + "/b.exr"}).exitCode, 0);
  // (1, 0.5, 0) against (0.5, 1, 0): two channels differ by 0.5.
  const auto within = RunQuillane({"compare", dir + "/a.exr", dir + "/b.exr", "-o", dir + "/sheet.png",
                                   "--max-error", "0.5"});
  EXPECT_EQ(within.exitCode, 0) << within.err;
  EXPECT_EQ(within.out, "rms 0.40824829\nmax 0.5\n");
  EXPECT_TRUE(std::filesystem::exists(dir + "/sheet.png"));
  const auto over = RunQuillane({"compare", dir + "/a.exr", dir + "/b.exr", "--max-error", "0.49"});
  EXPECT_EQ(over.exitCode, 1);
  const auto sizes = RunQuillane({"compare", dir + "/a.exr", Example("maps/radial.png")});
  EXPECT_EQ(sizes.exitCode, 2);
  EXPECT_EQ(sizes.err, "quillane: the images differ in size: 4x4 against 128x128\n");
}

// EXR files as `render --exr` may write them: NaN and infinities are read,
// and a NaN difference is over every limit.
TEST(Compare, NonFiniteValues) {
  struct Case {
    const char* what;
    float a, b;
    const char* out;
    int exitCode;  // with --max-error 1e30
  };
  const Case cases[] = {
      {"NaN against NaN", NAN, NAN, "rms 0\nmax 0\n", 0},
      {"infinity against itself", INFINITY, INFINITY, "rms 0\nmax 0\n", 0},
      {"infinity against a number", INFINITY, 1.0f, "rms inf\nmax inf\n", 1},
      {"infinity against its negative", INFINITY, -INFINITY, "rms inf\nmax inf\n", 1},
      {"NaN against a number", NAN, 0.5f, "rms nan\nmax nan\nchannels NaN on one side only: 1\n", 1},
      {"NaN against infinity", -NAN, INFINITY, "rms nan\nmax nan\nchannels NaN on one side only: 1\n", 1},
  };
  const std::string dir = TempFolder();
  for (const Case& c : cases) {
    standin::WriteExrTexture(dir + "/a.exr", {1, 1, 3, {c.a, 0.25f, 0.25f}});
    standin::WriteExrTexture(dir + "/b.exr", {1, 1, 3, {c.b, 0.25f, 0.25f}});
    const auto run = RunQuillane({"compare", dir + "/a.exr", dir + "/b.exr", "--max-error", "1e30",
                                  "-o", dir + "/sheet.png"});
    EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.err;
    EXPECT_EQ(run.out, std::string(c.out) + (c.exitCode ? "over the limit 1e+30\n" : "")) << c.what;
  }
}

TEST(MakeMap, RefusesAngleThatIsNotFinite) {
  const std::string dir = TempFolder();
  for (const char* angle : {"nan", "inf", "-inf", "1e999"}) {
    const auto run = RunQuillane({"make-map", "angle", "--angle", angle, "--size", "4x4", "-o", dir + "/m.exr"});
    EXPECT_EQ(run.exitCode, 2) << angle;
    EXPECT_NE(run.err.find("expected a finite number, got \"" + std::string(angle) + "\""), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/m.exr")) << angle;
  }
}

// An environment from make-env (EXR) and from a Radiance file light a
// render; the same turntable gives the same bytes on one or two threads.
TEST(Environment, MapsFromMakeEnvAndHdrFilesLightARender) {
  const std::string dir = TempFolder();
  ASSERT_EQ(RunQuillane({"make-env", "sky", "--size", "64x32", "-o", dir + "/sky.exr"}).exitCode, 0);
  {
    // 4x2 flat RGBE texels of radiance 1: mantissa 128 at exponent 129.
    std::ofstream hdr(dir + "/grey.hdr", std::ios::binary);
    hdr << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 4\n";
    for (int i = 0; i < 8; ++i) hdr << "\x80\x80\x80\x81";
  }
  for (const char* map : {"sky.exr", "grey.hdr"}) {
    std::ofstream(dir + "/scene.json")
        << R"({"objects": [{"name": "B", "shape": "sphere"}], "lights": [{"name": "E", )"
        << R"("type": "environment", "image": ")" << map << R"(", "rotation": 45}]})";
    const auto run = RunQuillane({"render", dir + "/scene.json", "-o", dir + "/out.png", "--size", "16x9"});
    EXPECT_EQ(run.exitCode, 0) << map << ": " << run.err;
  }
  const auto one = RunQuillane({"turntable", "--frames", "3", "--size", "32x18", "--rotate", "environment",
                                "--threads", "1", "-o", dir + "/one.webp"});
  const auto two = RunQuillane({"turntable", "--frames", "3", "--size", "32x18", "--threads", "2",
                                "--rotate", "environment", "-o", dir + "/two.webp"});
  ASSERT_EQ(one.exitCode + two.exitCode, 0) << one.err << two.err;
  EXPECT_EQ(standin_test::ReadFile(dir + "/one.webp"), standin_test::ReadFile(dir + "/two.webp"));
}

TEST(Environment, MakeEnvAndTurntableRefuseBadOptions) {
  const std::string dir = TempFolder();
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"make-env", "sun", "-o", dir + "/e.exr"}, "make-env: unknown preset \"sun\" (expected studio or sky)"},
      {{"make-env", "studio", "-o", dir + "/e.png"}, "make-env: " + dir + "/e.png: expected an .exr output"},
      {{"make-env", "studio", "--size", "16384x16384", "-o", dir + "/e.exr"},
       "make-env: --size: at most 33554432 texels"},
      {{"turntable", "-o", dir + "/t.gif"}, "turntable: " + dir + "/t.gif: expected OUT.webp or a PNG "
                                            "pattern such as frame-####.png or frame-%03d.png"},
      {{"turntable", "-o", dir + "/t.webp", "--rotate", "lights"},
       "turntable: --rotate: expected camera or environment, not \"lights\""},
      {{"turntable", Example("knob.json"), "-o", dir + "/t.webp", "--rotate", "environment", "--frames", "1",
        "--size", "16x9"},
       ""},
      {{"turntable", Example("conventions-reference.json"), "-o", dir + "/t.webp", "--rotate", "environment"},
       "turntable: --rotate environment: the scene has no environment light"},
  };
  for (const auto& [args, message] : cases) {
    const auto run = RunQuillane(args);
    EXPECT_EQ(run.exitCode, message.empty() ? 0 : 2) << args[0] << " " << args[1] << ": " << run.err;
    if (!message.empty()) {
      EXPECT_EQ(run.err, "quillane: " + message + "\n");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir + "/e.exr"));
}

}  // namespace
