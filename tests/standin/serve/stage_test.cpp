// The preview as a stage: the camera, the spot the lobe plot shows and the
// environment, each a change with its refusals.
#include <filesystem>
#include <fstream>

#include "serve_fixture.h"

namespace serve_test {
namespace {

// A 4 x 2 Radiance map, every texel 1.0 grey (mantissa 128, exponent 129).
void WriteHdr(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 4\n";
  for (int i = 0; i < 8; ++i) out << "\x80\x80\x80\x81";
}

TEST_F(ServeTest, BadStageRequestsAreRefusedAndChangeNothing) {
  namespace fs = std::filesystem;
  WriteHdr(folder_ + "/../outside.hdr");
  fs::create_symlink(fs::path(folder_) / ".." / "outside.hdr", fs::path(folder_) / "escape.hdr");
  std::ofstream(folder_ + "/broken.hdr") << "#?RADIANCE\nnothing else";
  const struct {
    const char* path;
    const char* body;
    const char* message;
  } cases[] = {
      {"/api/camera", R"({"camera": {"fov": 180}})", "key camera.fov: expected a number below 180"},
      {"/api/camera", R"({"camera": {"position": [0, 1, "x"]}})", "key camera.position"},
      {"/api/camera", R"({"camera": {"position": [0, 0, 0]}})", "target equals its position"},
      {"/api/camera", R"({"camera": {"zoom": 2}})", "key camera.zoom: unknown key"},
      {"/api/camera", R"({"camera": {}, "gesture": 1})", "key gesture"},
      {"/api/camera", R"({"position": [0, 1, 5]})", "key camera: missing"},
      {"/api/camera", R"([1])", "expected a JSON object"},
      {"/api/spot", R"({"x": 640, "y": 10})", "key x: expected an integer from 0 to 639"},
      {"/api/spot", R"({"x": 10, "y": -1})", "key y: expected an integer from 0 to 359"},
      {"/api/spot", R"({"x": 1.5, "y": 1})", "key x"},
      {"/api/spot", R"({"x": 1})", "key y: missing"},
      {"/api/environment", R"({"rotation": "NaN"})", "key rotation: expected a number"},
      {"/api/environment", R"({"preset": "moon"})", "key preset: expected a preset"},
      {"/api/environment", R"({"preset": "sky", "image": "a.hdr"})", "not both"},
      {"/api/environment", R"({"image": "../outside.hdr"})", "key image: the scene folder has no"},
      {"/api/environment", R"({"image": "escape.hdr"})", "key image: the scene folder has no"},
      {"/api/environment", R"({"image": "/etc/passwd"})", "key image: the scene folder has no"},
      {"/api/environment", R"({"image": "broken.hdr"})", "broken.hdr"},
      {"/api/environment", R"({"turn": 3})", "key turn: unknown key"},
      {"/api/drawn", R"({"frame": -1})", "must be a frame's id, a whole number"},
      {"/api/drawn", R"({"frame": "7"})", "must be a frame's id, a whole number"},
      {"/api/drawn", R"({})", "must be a frame's id, a whole number"},
  };
  const json before = State();
  for (const auto& c : cases) {
    const auto result = Post(c.path, c.body);
    ASSERT_TRUE(result) << c.body;
    EXPECT_EQ(result->status, 400) << c.path << " " << c.body << " -> " << result->body;
    EXPECT_NE(result->body.find(c.message), std::string::npos) << c.body << " -> " << result->body;
  }
  EXPECT_EQ(State(), before);
}

TEST_F(ServeTest, CameraAndEnvironmentAreSavedAndUndoneByGesture) {
  WriteHdr(folder_ + "/grey.hdr");
  const json camera = {{"position", {1, 2, 6}}, {"target", {0, 0.5, 0}}, {"up", {0, 1, 0}},
                       {"fov", 40}};
  const struct {
    const char* path;
    json body;
  } steps[] = {
      {"/api/camera", {{"camera", {{"position", {0, 2, 7}}}}, {"gesture", "orbit"}}},
      {"/api/camera", {{"camera", camera}, {"gesture", "orbit"}}},
      {"/api/environment", {{"rotation", 30}, {"gesture", "turn"}}},
      {"/api/environment", {{"rotation", 720 + 90}, {"gesture", "turn"}}},
      {"/api/environment", {{"image", "grey.hdr"}}},
  };
  const json original = State();
  for (const auto& step : steps) {
    const auto result = Post(step.path, step.body.dump());
    ASSERT_EQ(result->status, 200) << step.body << " -> " << result->body;
  }
  json state = State();
  EXPECT_EQ(state["undo"], 3) << "a gesture is one step";
  EXPECT_EQ(state["camera"], camera);
  EXPECT_EQ(state["environment"]["current"]["image"], "grey.hdr");
  const json scene = json::parse(Get("/api/scene")->body);
  EXPECT_EQ(scene["camera"], camera);
  EXPECT_EQ(scene["lights"][2]["rotation"], 90);
  EXPECT_EQ(scene["lights"][2]["image"], "grey.hdr");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(Post("/api/undo", "{}")->status, 200);
  state = State();
  EXPECT_EQ(state["camera"], original["camera"]);
  EXPECT_EQ(state["environment"]["current"], original["environment"]["current"]);
}

TEST_F(ServeTest, ASpotIsKeptUntilAnotherSceneOpens) {
  EXPECT_EQ(State()["spot"], nullptr);
  ASSERT_EQ(Post("/api/spot", R"({"x": 12, "y": 34})")->status, 200);
  EXPECT_EQ(State()["spot"], json::array({12, 34}));
  EXPECT_EQ(State()["undo"], 0) << "a spot is no edit of the scene";
  ASSERT_EQ(Post("/api/open", R"({"name": "knob.json"})")->status, 200);
  EXPECT_EQ(State()["spot"], nullptr);
}

}  // namespace
}  // namespace serve_test
