// Scenes through the stand-in host: the default preview, saving and
// reloading a scene, and bad scenes and options.
#include <gtest/gtest.h>

#include "standin/host/scene_host.h"
#include "standin/render/camera.h"
#include "tests/tools/cli_runner.h"

namespace {

using standin_test::FileExists;
using standin_test::ReadFile;
using standin_test::RunQuillane;
using standin_test::TempFolder;
using standin_test::WriteFile;

// The node's colour at the centre of each pixel of a small view, and the
// object each pixel shows (-1: none).
struct View {
  std::vector<std::array<double, 3>> color;
  std::vector<int> object;
};

View Look(standin::Host& host, const standin::Scene& scene) {
  standin::SceneSession session(host, scene, "scene");
  const int width = 96, height = 54;
  View view;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const standin::Ray ray = standin::PrimaryRay(scene.camera, width, height, x + 0.5, y + 0.5);
      standin::Hit hit{};
      std::array<double, 3> rgb{0.0, 0.0, 0.0};
      const bool met = standin::Intersect(scene, ray, &hit);
      if (met) session.Shade(hit, ray, rgb.data());
      view.color.push_back(rgb);
      view.object.push_back(met ? hit.object : -1);
    }
  }
  return view;
}

double Brightest(const View& view, int object) {
  double best = 0.0;
  for (size_t i = 0; i < view.color.size(); ++i)
    if (view.object[i] == object)
      for (double c : view.color[i]) best = std::max(best, c);
  return best;
}

TEST(DefaultScene, HighlightsOnBothObjectsAndTheExcludedLightStaysAway) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  const standin::Scene scene = standin::DefaultScene();
  ASSERT_GE(scene.objects.size(), 2u);
  const View view = Look(host, scene);
  for (int object = 0; object < static_cast<int>(scene.objects.size()); ++object)
    EXPECT_GT(Brightest(view, object), 0.2) << "no highlight on " << scene.objects[static_cast<size_t>(object)].name;

  // Find the excluded light; without it, its object looks the same and the
  // others do not.
  size_t excludedLight = scene.lights.size();
  for (size_t i = 0; i < scene.lights.size(); ++i)
    if (!scene.lights[i].excludedFrom.empty()) excludedLight = i;
  ASSERT_LT(excludedLight, scene.lights.size()) << "the default scene excludes no light";
  const int shielded = standin::FindObject(scene, scene.lights[excludedLight].excludedFrom[0]);
  standin::Scene without = scene;
  without.lights.erase(without.lights.begin() + static_cast<long>(excludedLight));
  const View other = Look(host, without);
  bool othersChanged = false;
  for (size_t i = 0; i < view.color.size(); ++i) {
    if (view.object[i] == shielded)
      EXPECT_EQ(view.color[i], other.color[i]) << "pixel " << i << " of the shielded object";
    else if (view.color[i] != other.color[i])
      othersChanged = true;
  }
  EXPECT_TRUE(othersChanged) << "the excluded light lights nothing at all";
}

// The quick preview's listing: each sampled light once, drawing one sample
// per pixel sample, the same bits as a scene that asks for one; then the
// scene's own listing back.
TEST(SceneSession, SampledLightsListedOnceDrawAsASceneOfOneSample) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  const standin::Scene scene = standin::DefaultScene();
  standin::Scene one = scene;
  for (standin::Light& light : one.lights) light.samples = 1;
  const standin::RenderOptions options;
  standin::Image once, asScene;
  size_t listed[2] = {0, 0};
  {
    standin::SceneSession session(host, scene, "scene");
    listed[0] = host.lights.size();
    session.ListLights(standin::SampledLights::Once);
    once = session.Render(48, 27, options);
    session.ListLights(standin::SampledLights::AsScene);
    listed[1] = host.lights.size();
  }
  standin::SceneSession session(host, one, "scene");
  EXPECT_EQ(listed[0], listed[1]);
  EXPECT_EQ(listed[0], host.lights.size() + 3) << "the studio's four items, then one";
  EXPECT_TRUE(session.Render(48, 27, options).rgb == once.rgb) << "images differ";
}

TEST(RenderCommand, DefaultSceneWritesBothImages) {
  const std::string dir = TempFolder();
  const auto run = RunQuillane({"render", "-o", dir + "/p.png", "--exr", dir + "/p.exr",
                                "--size", "64x36", "--threads", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadFile(dir + "/p.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(ReadFile(dir + "/p.exr").substr(0, 4), std::string("\x76\x2f\x31\x01", 4));
  EXPECT_NE(run.err.find("rendered 64x36 on 2 threads"), std::string::npos) << run.err;
}

TEST(RenderCommand, SavedSceneReloadsAndRendersTheSameImage) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/scene.json", R"({
  "objects": [{"name": "Ball", "shape": "sphere", "size": 1}],
  "lights": [{"name": "Key", "type": "point", "position": [2, 3, 4], "color": [1, 0.8, 0.6]}],
  "inputs": {"UV": "uv"},
  "node": "Color 0.9 0.7 0.5\nSpecular 1.25\n{ URough\n  0.35\n}\n{ VRough\n  0.08\n}\n{ Axis\n  0\n}\n{ TanRot\n  0.3\n}\n{ LigType\n  0\n}\n{ Classic\n  0\n}\n"
})");
  const std::vector<std::string> size = {"--size", "40x30", "--threads", "1"};
  auto render = [&](const std::string& scene, const std::string& exr, const std::string& save) {
    std::vector<std::string> args = {"render", scene, "--exr", exr, "--save-scene", save};
    args.insert(args.end(), size.begin(), size.end());
    return RunQuillane(args);
  };
  const auto first = render(dir + "/scene.json", dir + "/a.exr", dir + "/saved.json");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  const std::string saved = ReadFile(dir + "/saved.json");
  EXPECT_NE(saved.find("{ URough"), std::string::npos) << saved;
  const auto second = render(dir + "/saved.json", dir + "/b.exr", dir + "/saved2.json");
  ASSERT_EQ(second.exitCode, 0) << second.err;
  // Every setting is in the node data, so the reloaded node holds the very
  // same values and renders the very same image.
  EXPECT_TRUE(ReadFile(dir + "/a.exr") == ReadFile(dir + "/b.exr")) << "images differ";
  EXPECT_EQ(ReadFile(dir + "/saved2.json"), saved);
}

struct BadRun {
  std::vector<std::string> args;
  std::string message;  // expected within stderr
};

TEST(RenderCommand, BadScenesAndOptionsFailWithOneMessageAndNoFile) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/broken.json", "{\n  \"objects\": [\n    {\"name\": \"A\",}\n  ]\n}\n");
  WriteFile(dir + "/wrongkey.json", R"({"objects": [{"name": "A", "shape": "cube"}]})");
  WriteFile(dir + "/badnode.json", R"({"node": "Specular 0.5\n{ Axis\n  2.5.1\n}\n"})");
  const std::string png = dir + "/out.png";
  const std::vector<BadRun> runs = {
      {{"render", dir + "/broken.json", "-o", png}, dir + "/broken.json: line 3"},
      {{"render", dir + "/wrongkey.json", "-o", png}, "objects[0].shape"},
      {{"render", dir + "/badnode.json", "-o", png},
       dir + "/badnode.json: key node: line 3: \"2.5.1\" is not a number or a quoted string"},
      {{"render", dir + "/missing.json", "-o", png}, dir + "/missing.json"},
      {{"render", "-o", png, "--size", "0x10"}, "--size"},
      {{"render", "-o", png, "--size", "wide"}, "--size"},
      {{"render", "-o", png, "--threads", "0"}, "--threads"},
      {{"render", "-o", png, "--exposure", "-1"}, "--exposure: expected a number greater than 0"},
      {{"render", "-o", dir + "/no/such/dir/out.png", "--size", "8x8"}, dir + "/no/such/dir/out.png"},
  };
  for (const BadRun& bad : runs) {
    const auto run = RunQuillane(bad.args);
    EXPECT_EQ(run.exitCode, 2) << bad.args[1] << ": " << run.err;
    EXPECT_NE(run.err.find(bad.message), std::string::npos)
        << "expected \"" << bad.message << "\" in: " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(FileExists(png)) << "after " << bad.args[1];
  }
}

}  // namespace
