// Scene files: messages for bad input, round trips, the default scene and
// the examples.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "standin/render/renderer.h"
#include "standin/render/scene.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

// The message ParseScene gives for `text`, or "" when it parses.
std::string ErrorOf(const std::string& text) {
  try {
    ParseScene(text, "s.json");
  } catch (const SceneError& e) {
    return e.what();
  }
  return "";
}

const char* kMinimal = R"({
  "objects": [{"name": "A", "shape": "sphere"}],
  "lights": [{"name": "L", "type": "distant", "direction": [0, -1, 0]}]
})";

TEST(SceneErrors, MalformedJsonNamesLineAndColumn) {
  EXPECT_EQ(ErrorOf("{\n  \"camera\": {\n    \"fov\": 30,,\n  }\n}").rfind(
                "s.json: line 3, column 15: ", 0),
            0u)
      << ErrorOf("{\n  \"camera\": {\n    \"fov\": 30,,\n  }\n}");
  EXPECT_EQ(ErrorOf("").rfind("s.json: line 1, column 1: ", 0), 0u) << ErrorOf("");
  EXPECT_EQ(ErrorOf("{\"node\": \"abc").rfind("s.json: line 1, column ", 0), 0u);
  EXPECT_EQ(ErrorOf("[1, 2]"), "s.json: the scene must be a JSON object");
  EXPECT_EQ(ErrorOf(R"({"camera": {"fov": 30}, "objects": [{"name": "A", "shape": "disc",
                       "size": 2, "size": 3}]})"),
            "s.json: key \"size\" appears twice in one object");
}

TEST(SceneErrors, WrongTypesNameTheKeyPath) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {R"({"camera": {"fov": "wide"}})", "s.json: key camera.fov: expected a number"},
      {R"({"camera": {"position": [0, 1]}})",
       "s.json: key camera.position: expected an array of 3 numbers"},
      {R"({"camera": {"up": [0, "1", 0]}})", "s.json: key camera.up[1]: expected a number"},
      {R"({"camera": {"fov": 180}})", "s.json: key camera.fov: expected a number below 180"},
      {R"({"camera": {"position": [1, 1, 1], "target": [1, 1, 1]}})",
       "s.json: key camera: the camera's target equals its position"},
      {R"({"render": {"width": 64.5}})",
       "s.json: key render.width: expected an integer from 1 to 16384"},
      {R"({"render": {"height": 0}})",
       "s.json: key render.height: expected an integer from 1 to 16384"},
      {R"({"render": {"exposure": -1}})",
       "s.json: key render.exposure: expected a number greater than 0"},
      {R"({"render": {"supersample": 99999999999999999999}})",
       "s.json: key render.supersample: expected an integer from 1 to 8"},
      {R"({"camera": {"fov": 1e400}})",
       "s.json: line 1, column 20: number overflow parsing '1e400'"},
      {R"({"objects": {"name": "A"}})", "s.json: key objects: expected an array"},
      {R"({"objects": [{"name": "A", "shape": "cube"}]})",
       "s.json: key objects[0].shape: expected \"sphere\", \"disc\", \"plane\", \"cylinder\", "
       "\"torus\" or \"mesh\", not \"cube\""},
      {R"({"objects": [{"name": "A", "shape": "sphere", "height": 2}]})",
       "s.json: key objects[0].height: only a cylinder has this key"},
      {R"({"objects": [{"name": "A", "shape": "mesh"}]})",
       "s.json: key objects[0].mesh: missing required key"},
      {R"({"objects": [{"name": "A", "shape": "disc", "uv": "mesh"}]})",
       "s.json: key objects[0].uv: \"mesh\" UV needs a mesh object"},
      {R"({"inputs": {"UV": {"image": "a.png", "wrap": "mirror"}}})",
       "s.json: key inputs.UV.wrap: expected \"repeat\" or \"clamp\", not \"mirror\""},
      {R"({"inputs": {"UV": {"image": "a.png", "channels": "rgbx"}}})",
       "s.json: key inputs.UV.channels: expected channel letters from r, g, b, a, not \"rgbx\""},
      {R"({"inputs": {"Color": {"file": "a.png"}}})",
       "s.json: key inputs.Color.image: missing required key"},
      {R"({"objects": [{"name": "A", "shape": "disc", "size": 0}]})",
       "s.json: key objects[0].size: expected a number greater than 0"},
      {R"({"objects": [{"name": "A", "shape": "disc", "uv": [1]}]})",
       "s.json: key objects[0].uv: expected \"planar\", \"spherical\", \"cylindrical\", "
       "\"toroidal\", \"mesh\" or an array of 2 numbers"},
      {R"({"objects": [{"name": "A", "shape": "disc"}, {"name": "A", "shape": "sphere"}]})",
       "s.json: key objects[1].name: another object is already called \"A\""},
      {R"({"lights": [{"name": "L", "type": "sun", "position": [0, 0, 0]}]})",
       "s.json: key lights[0].type: expected \"distant\", \"point\", \"spot\", \"rectangle\", "
       "\"disc\" or \"environment\", not \"sun\""},
      {R"({"lights": [{"name": "L", "type": "spot", "position": [0, 0, 0]}]})",
       "s.json: key lights[0].direction: missing required key"},
      {R"({"lights": [{"name": "L", "type": "distant", "direction": [0, 0, 0]}]})",
       "s.json: key lights[0].direction: expected a non-zero direction"},
      {R"({"lights": [{"name": "L", "type": "point", "position": [0, 0, 0],
           "affectsSpecular": 1}]})",
       "s.json: key lights[0].affectsSpecular: expected true or false"},
      {R"({"objects": [{"name": "A", "shape": "disc"}],
           "lights": [{"name": "L", "type": "point", "position": [0, 0, 0],
                       "excludedFrom": ["A", "B"]}]})",
       "s.json: key lights[0].excludedFrom[1]: no object is called \"B\""},
      {R"({"inputs": {"Colour": [1, 1, 1]}})",
       "s.json: key inputs.Colour: unknown input (expected one of the node's input names)"},
      {R"({"inputs": {"U Glossiness": [1, 1, 1]}})",
       "s.json: key inputs[\"U Glossiness\"]: expected a number or a source name"},
      {R"({"inputs": {"Color": 1}})",
       "s.json: key inputs.Color: expected an array of 3 numbers or a source name"},
      {R"({"inputs": {"Specular": "uv"}})",
       "s.json: key inputs.Specular: \"uv\" gives a vector but this input takes one number"},
      {R"({"inputs": {"UV": "u"}})",
       "s.json: key inputs.UV: \"u\" gives one number but this input takes three numbers"},
      {R"({"inputs": {"UV": "st"}})",
       "s.json: key inputs.UV: unknown source \"st\" (expected uv, u, v, position, normal, "
       "localPosition, localNormal, tangent or localTangent)"},
      {R"({"services": {"itemInfo": "no"}})",
       "s.json: key services.itemInfo: expected true or false"},
      {R"({"node": 3})", "s.json: key node: expected a string"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.text), c.message) << c.text;
}

TEST(SceneErrors, UnknownKeysAreRejectedAtEveryLevel) {
  EXPECT_EQ(ErrorOf(R"({"camra": {}})"), "s.json: key camra: unknown key");
  EXPECT_EQ(ErrorOf(R"({"camera": {"fieldOfView": 30}})"),
            "s.json: key camera.fieldOfView: unknown key");
  EXPECT_EQ(ErrorOf(R"({"objects": [{"name": "A", "shape": "sphere", "radius": 2}]})"),
            "s.json: key objects[0].radius: unknown key");
  EXPECT_EQ(ErrorOf(R"({"lights": [{"name": "L", "type": "distant", "direction": [0, 0, 1],
                                    "position": [0, 0, 0]}]})"),
            "s.json: key lights[0].position: unknown key")
      << "a distant light has no position";
  EXPECT_EQ(ErrorOf(R"({"services": {"itemInfo": true, "sceneObjects": true}})"),
            "s.json: key services.sceneObjects: unknown key");
}

TEST(SceneErrors, MissingRequiredKeysAreNamed) {
  EXPECT_EQ(ErrorOf(R"({"objects": [{"shape": "sphere"}]})"),
            "s.json: key objects[0].name: missing required key");
  EXPECT_EQ(ErrorOf(R"({"objects": [{"name": "A"}]})"),
            "s.json: key objects[0].shape: missing required key");
  EXPECT_EQ(ErrorOf(R"({"lights": [{"name": "L", "type": "point"}]})"),
            "s.json: key lights[0].position: missing required key");
  EXPECT_EQ(ErrorOf(R"({"lights": [{"name": "L", "type": "distant"}]})"),
            "s.json: key lights[0].direction: missing required key");
  EXPECT_EQ(ErrorOf(R"({"lights": [{"name": "L", "position": [0, 0, 0]}]})"),
            "s.json: key lights[0].type: missing required key");
}

TEST(SceneErrors, UnreadableFileIsNamed) {
  const std::string missing = (fs::temp_directory_path() / "quillane-no-such-scene.json").string();
  try {
    LoadSceneFile(missing);
    FAIL() << "a missing file loaded";
  } catch (const SceneError& e) {
    EXPECT_EQ(std::string(e.what()), missing + ": cannot read the scene file");
  }
  EXPECT_THROW(LoadSceneFile(fs::temp_directory_path().string()), SceneError)
      << "a directory is not a scene";
}

TEST(SceneParse, DefaultsFillWhatIsLeftOut) {
  const Scene scene = ParseScene(kMinimal, "m.json");
  ASSERT_EQ(scene.objects.size(), 1u);
  EXPECT_EQ(scene.objects[0].uvMode, UvMode::Spherical) << "spheres default to spherical UV";
  EXPECT_EQ(scene.objects[0].size, 1.0);
  EXPECT_EQ(scene.render.width, 640);
  EXPECT_EQ(scene.render.height, 360);
  EXPECT_EQ(scene.render.exposure, 1.0);
  EXPECT_TRUE(scene.services.itemInfo && scene.services.objectInfo && scene.services.lightInfo);
  EXPECT_TRUE(scene.lights[0].affectsSpecular);
  EXPECT_TRUE(scene.nodeData.empty());
  EXPECT_TRUE(scene.inputs.empty());
}

void ExpectSameScene(const Scene& a, const Scene& b) {
  // FormatScene writes every field, so equal text means equal scenes.
  EXPECT_EQ(FormatScene(a), FormatScene(b));
  ASSERT_EQ(a.objects.size(), b.objects.size());
  for (size_t i = 0; i < a.objects.size(); ++i) {
    EXPECT_EQ(a.objects[i].toWorld, b.objects[i].toWorld) << "object " << i;
  }
}

TEST(SceneParse, FormatThenParseGivesTheSameScene) {
  Scene scene = DefaultScene();
  scene.nodeData = "{ Quillane\n  line two \"quoted\" \\ and \t tab\n}";
  scene.services.lightInfo = false;
  scene.inputs["Specular"] = {SourceKind::Number, {0.1 + 0.2, 0, 0}};
  scene.inputs["Color"] = {SourceKind::Vector, {1e-300, -0.0, 12345.678901234567}};
  scene.inputs["V Glossiness"] = {SourceKind::U, {}};
  scene.lights[1].shadows = false;
  scene.lights[1].affectsSpecular = false;
  const Scene back = ParseScene(FormatScene(scene), "formatted");
  ExpectSameScene(scene, back);
  EXPECT_EQ(back.nodeData, scene.nodeData);
  EXPECT_EQ(back.inputs.at("Specular").value[0], 0.1 + 0.2) << "doubles keep every bit";
  EXPECT_EQ(back.inputs.at("Color").value[0], 1e-300);
  EXPECT_EQ(back.inputs.at("V Glossiness").kind, SourceKind::U);
  EXPECT_FALSE(back.services.lightInfo);
}

TEST(SceneFile, WriteThenLoadRoundTripsAndLeavesNoTemporaryFiles) {
  const fs::path dir = fs::temp_directory_path() / "quillane-scene-test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "out.json").string();
  WriteSceneFile(path, DefaultScene());
  ExpectSameScene(LoadSceneFile(path), DefaultScene());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

TEST(DefaultScene, HasTwoObjectsTwoColouredLightsAndAVisibleExclusion) {
  const Scene scene = DefaultScene();
  ASSERT_EQ(scene.objects.size(), 2u);
  const int ball = FindObject(scene, "Ball");
  const int plate = FindObject(scene, "Plate");
  ASSERT_GE(ball, 0);
  ASSERT_GE(plate, 0);
  EXPECT_EQ(scene.objects[static_cast<size_t>(ball)].shape, Shape::Sphere);
  const Object& disc = scene.objects[static_cast<size_t>(plate)];
  EXPECT_EQ(disc.shape, Shape::Disc);
  EXPECT_EQ(disc.uvMode, UvMode::Planar);
  ASSERT_TRUE(scene.inputs.count("UV"));
  EXPECT_EQ(scene.inputs.at("UV").kind, SourceKind::Uv);

  ASSERT_GE(scene.lights.size(), 2u);
  std::set<std::string> names;
  int exclusions = 0;
  for (size_t l = 0; l < scene.lights.size(); ++l) {
    names.insert(scene.lights[l].name);
    for (size_t o = 0; o < scene.objects.size(); ++o) {
      exclusions += IsExcluded(scene, static_cast<int>(l), static_cast<int>(o));
    }
    EXPECT_TRUE(scene.lights[l].affectsSpecular) << scene.lights[l].name;
  }
  EXPECT_EQ(names.size(), scene.lights.size()) << "light names are distinct";
  EXPECT_EQ(exclusions, 1);
  const Vec3 a = scene.lights[0].color, b = scene.lights[1].color;
  EXPECT_GT(a.x - a.z, 0.3) << "the first light is warm";
  EXPECT_GT(b.z - b.x, 0.3) << "the second light is cool";

  // Side by side, both in front of the camera, the camera above them.
  EXPECT_LT(scene.objects[static_cast<size_t>(ball)].position.x, disc.position.x);
  EXPECT_GT(scene.camera.position.y, scene.camera.target.y);
  EXPECT_EQ(scene.render.width, 640);
  EXPECT_EQ(scene.render.height, 360);
  EXPECT_EQ(scene.render.exposure, 1.0);
}

TEST(DefaultScene, BothObjectsFillAFairShareOfTheFrame) {
  const Scene scene = DefaultScene();
  RenderOptions options;
  options.threads = 2;
  const Image image = RenderScene(scene, 160, 90, options, [](const Hit& hit, const Ray&, double rgb[3]) {
    rgb[0] = hit.object == 0 ? 1.0 : 0.0;
    rgb[1] = hit.object == 1 ? 1.0 : 0.0;
    rgb[2] = 0.0;
  });
  double cover[2] = {0.0, 0.0};
  for (size_t i = 0; i < image.rgb.size(); i += 3) {
    cover[0] += image.rgb[i] > 0.5f;
    cover[1] += image.rgb[i + 1] > 0.5f;
  }
  const double pixels = 160.0 * 90.0;
  for (int o = 0; o < 2; ++o) {
    EXPECT_GT(cover[o] / pixels, 0.1) << scene.objects[static_cast<size_t>(o)].name;
    EXPECT_LT(cover[o] / pixels, 0.4) << scene.objects[static_cast<size_t>(o)].name;
  }
  EXPECT_EQ(image.Pixel(0, 0)[2], static_cast<float>(scene.render.background.z))
      << "background in the corner";
}

TEST(Examples, EveryExampleSceneLoadsAndRoundTrips) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(QUILLANE_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    ++count;
    Scene scene;
    ASSERT_NO_THROW(scene = LoadSceneFile(entry.path().string())) << entry.path();
    ExpectSameScene(ParseScene(FormatScene(scene), "formatted"), scene);
  }
  EXPECT_GE(count, 2);
}

}  // namespace
}  // namespace standin
