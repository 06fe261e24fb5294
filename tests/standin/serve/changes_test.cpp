// Changes from the page: values through the module's set and change event,
// wiring, undo and redo, and many at once.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <vector>

#include "serve_fixture.h"

namespace serve_test {
namespace {

std::vector<std::string> CallNames(const json& state) {
  std::vector<std::string> names;
  for (const json& call : state["lastChange"]["calls"]) names.push_back(call["call"]);
  return names;
}

TEST_F(ServeTest, SetGoesThroughTheModuleAndReadsBack) {
  const auto result = Post("/api/set", R"({"id": 32771, "value": 0.25})");
  ASSERT_EQ(result->status, 200) << result->body;
  EXPECT_EQ(json::parse(result->body)["version"], 2);
  const json state = State();
  EXPECT_EQ(Control(state, "U Glossiness")["value"], 0.25);
  EXPECT_EQ(CallNames(state), (std::vector<std::string>{"set", "change event", "Instance Update",
                                                        "NodeFuncs"}));
  EXPECT_EQ(state["undo"], 1);
}

TEST_F(ServeTest, BadValuesAreRefusedAndChangeNothing) {
  const struct {
    const char* body;
    const char* message;
  } cases[] = {
      {R"({"id": 32771, "value": "NaN"})", "U Glossiness: expected a number"},
      {R"({"id": 32771, "value": 1e999})", "malformed JSON"},
      {R"({"id": 32773, "value": 3})", "Axis: expected an integer from 0 to 2"},
      {R"({"id": 32773, "value": 1.5})", "Axis: expected an integer"},
      {R"({"id": 32776, "value": 2})", "Classic Mode: expected an integer from 0 to 1"},
      {R"({"id": 32769, "value": [1, 2]})", "Color: expected three numbers"},
      {R"({"id": 32775, "value": 1})", "Custom Light Type is hidden"},
      {R"({"id": 40000, "value": 1})", "no control 40000"},
      {R"({"id": -1, "value": 1})", "\"id\" must be a control identifier"},
      {R"({"value": 1})", "\"id\" is missing"},
      {R"([1, 2])", "expected a JSON object"},
      {R"({"id": 32771, "value": )", "malformed JSON"},
      {"{\"id\": 32771, \"value\": 0.1, \"gesture\": \"\xff\"}", "malformed JSON"},
      {R"({"id": 32771, "value": 0.1, "gesture": 3})", "\"gesture\" must be a string"},
  };
  const json before = State();
  for (const auto& c : cases) {
    const auto result = Post("/api/set", c.body);
    ASSERT_TRUE(result) << c.body;
    EXPECT_EQ(result->status, 400) << c.body;
    EXPECT_NE(json::parse(result->body)["error"].get<std::string>().find(c.message),
              std::string::npos)
        << c.body << " -> " << result->body;
  }
  EXPECT_EQ(State(), before);
}

TEST_F(ServeTest, WiringHidesTheControlAndUnwiringShowsIt) {
  auto result = Post("/api/wire", R"({"input": "Color", "source": {"kind": "uv"}})");
  ASSERT_EQ(result->status, 200) << result->body;
  json state = State();
  EXPECT_TRUE(Control(state, "Color")["hidden"]);
  EXPECT_EQ(Input(state, "Color")["source"]["kind"], "uv");
  const std::vector<std::string> calls = CallNames(state);
  EXPECT_EQ(calls.front(), "wire");
  EXPECT_NE(std::find(calls.begin(), calls.end(), "LWXPanel view refresh"), calls.end());

  result = Post("/api/wire", R"({"input": "Custom Light", "source": {"kind": "constant", "value": [0, 1, 0]}})");
  ASSERT_EQ(result->status, 200) << result->body;
  EXPECT_FALSE(Control(State(), "Custom Light Type")["hidden"]);
  ASSERT_EQ(Post("/api/set", R"({"id": 32775, "value": 1})")->status, 200);
  EXPECT_EQ(Control(State(), "Custom Light Type")["value"], 1);

  ASSERT_EQ(Post("/api/wire", R"({"input": "Color", "source": {"kind": "none"}})")->status, 200);
  EXPECT_FALSE(Control(State(), "Color")["hidden"]);
}

TEST_F(ServeTest, InputsWireToSceneImages) {
  const json images = State()["images"];
  for (const char* name : {"maps/circular.png", "maps/radial.png"})
    EXPECT_NE(std::find(images.begin(), images.end(), name), images.end()) << name << images;
  const struct {
    const char* input;
    const char* channels;  // what the scene file then says
  } cases[] = {{"UV", "rgb"}, {"Tangent Rotate", "r"}};
  for (const auto& c : cases) {
    const json body = {{"input", c.input}, {"source", {{"kind", "image"}, {"name", "maps/radial.png"}}}};
    const auto result = Post("/api/wire", body.dump());
    ASSERT_EQ(result->status, 200) << c.input << ": " << result->body;
    EXPECT_EQ(Input(State(), c.input)["source"], body["source"]) << c.input;
    const json scene = json::parse(Get("/api/scene")->body);
    EXPECT_EQ(scene["inputs"][c.input]["image"], "maps/radial.png") << scene["inputs"];
    EXPECT_EQ(scene["inputs"][c.input]["channels"], c.channels) << scene["inputs"];
  }
  ASSERT_EQ(Post("/api/undo", "{}")->status, 200);
  EXPECT_EQ(Input(State(), "Tangent Rotate")["source"]["kind"], "none");

  std::ofstream(folder_ + "/maps/broken.png") << "not a picture";
  const auto result = Post("/api/wire", R"({"input": "UV", "source": {"kind": "image", "name": "maps/broken.png"}})");
  EXPECT_EQ(result->status, 400);
  EXPECT_NE(result->body.find("broken.png"), std::string::npos) << result->body;
}

TEST_F(ServeTest, BadWiringIsRefused) {
  const char* cases[] = {
      R"({"input": "Nothing", "source": {"kind": "uv"}})",
      R"({"input": "Specular", "source": {"kind": "uv"}})",
      R"({"input": "Color", "source": {"kind": "u"}})",
      R"({"input": "Color", "source": {"kind": "constant", "value": 1}})",
      R"({"input": "Specular", "source": {"kind": "constant", "value": "NaN"}})",
      R"({"input": "Specular", "source": {"kind": "constant"}})",
      R"({"input": "Color", "source": {"kind": "image", "name": "brushed"}})",
      R"({"input": "Color", "source": {"kind": "image", "name": "../maps/radial.png"}})",
      R"({"input": "Color", "source": {"kind": "image", "name": "knob.json"}})",
      R"({"input": "Color", "source": {"kind": "teleport"}})",
      R"({"input": "Color", "source": "uv"})",
      R"({"input": 3, "source": {"kind": "uv"}})",
      R"({"input": "Color", "source": {"kind": 3}})",
      R"({"input": "Color", "source": {"kind": ["none"]}})",
      R"({"input": "Color", "source": {"kind": "image", "name": 3}})",
      "{\"input\": \"Color\xff\", \"source\": {\"kind\": \"uv\"}}",
  };
  const json before = State();
  for (const char* body : cases) {
    const auto result = Post("/api/wire", body);
    ASSERT_TRUE(result) << body;
    EXPECT_EQ(result->status, 400) << body << " -> " << result->body;
  }
  EXPECT_EQ(State(), before);
}

TEST_F(ServeTest, UndoAndRedoWalkTheHistory) {
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.2, "gesture": "drag"})")->status, 200);
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.3, "gesture": "drag"})")->status, 200);
  ASSERT_EQ(Post("/api/wire", R"({"input": "Specular", "source": {"kind": "constant", "value": 2}})")->status, 200);
  EXPECT_EQ(State()["undo"], 2) << "one drag is one step";

  const struct {
    const char* path;
    double uGlossiness;
    bool specularWired;
  } steps[] = {
      {"/api/undo", 0.3, false}, {"/api/undo", 0.5, false},
      {"/api/redo", 0.3, false}, {"/api/redo", 0.3, true},
  };
  for (const auto& step : steps) {
    ASSERT_EQ(Post(step.path, "{}")->status, 200) << step.path;
    const json state = State();
    EXPECT_EQ(Control(state, "U Glossiness")["value"], step.uGlossiness) << step.path;
    EXPECT_EQ(Control(state, "Specular")["hidden"], step.specularWired) << step.path;
  }
  EXPECT_EQ(Post("/api/redo", "{}")->status, 400) << "nothing left to redo";
}

TEST_F(ServeTest, TwoHundredConcurrentRequestsLeaveAConsistentState) {
  constexpr int kThreads = 8;
  constexpr int kEach = 25;
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      httplib::Client client = Client();
      for (int i = 0; i < kEach; ++i) {
        const bool read = (i % 5) == 4;
        const double value = (t * kEach + i) / 1000.0;
        const auto result =
            read ? client.Get("/api/state")
                 : client.Post("/api/set", {{"Origin", Origin()}},
                               json({{"id", kUGlossiness}, {"value", value}}).dump(),
                               "application/json");
        if (result && result->status == 200) ++ok;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(ok.load(), kThreads * kEach);
  const json state = State();
  const int sets = kThreads * kEach * 4 / 5;
  EXPECT_EQ(state["version"], 1 + sets);
  EXPECT_EQ(state["undo"], sets);
  const double value = Control(state, "U Glossiness")["value"];
  EXPECT_EQ(state["lastChange"]["calls"][0]["detail"],
            "UGlossiness = " + json(value).dump())
      << "the value read back is the one the last change set";
}

}  // namespace
}  // namespace serve_test
