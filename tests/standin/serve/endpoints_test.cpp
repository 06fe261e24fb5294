// Every endpoint of the look-dev server answers as the page expects.
#include <algorithm>
#include <filesystem>
#include <chrono>
#include <future>
#include <utility>

#include "serve_fixture.h"

namespace serve_test {
namespace {

TEST_F(ServeTest, PageFilesAreServedFromTheBinary) {
  const struct {
    const char* path;
    const char* type;
    const char* contains;
  } cases[] = {
      {"/", "text/html", "<canvas id=\"preview\""},
      {"/index.html", "text/html", "/app.js"},
      {"/app.js", "text/javascript", "/events.js"},
      {"/events.js", "text/javascript", "/api/events"},
      {"/style.css", "text/css", "grid-template-columns"},
  };
  for (const auto& c : cases) {
    const auto result = Get(c.path);
    ASSERT_TRUE(result) << c.path;
    EXPECT_EQ(result->status, 200) << c.path;
    EXPECT_EQ(result->get_header_value("Content-Type").rfind(c.type, 0), 0u) << c.path;
    EXPECT_NE(result->body.find(c.contains), std::string::npos) << c.path;
  }
  for (const char* missing : {"/nothing.js", "/api/nothing"}) {
    const auto result = Get(missing);
    ASSERT_TRUE(result) << missing;
    EXPECT_EQ(result->status, 404) << missing;
  }
}

TEST_F(ServeTest, StateDescribesThePanelTheModuleBuilt) {
  const json state = State();
  EXPECT_EQ(state["panel"]["label"], "Quillane (1)");
  std::vector<std::string> labels;
  for (const json& control : state["panel"]["controls"]) labels.push_back(control["label"]);
  EXPECT_EQ(labels, (std::vector<std::string>{"Color", "Specular", "U Glossiness", "V Glossiness",
                                               "Axis", "Tangent Rotate", "Custom Light Type",
                                               "Classic Mode"}));
  const json choice = Control(state, "Custom Light Type");
  EXPECT_EQ(choice["class"], "iPopChoice");
  EXPECT_EQ(choice["choices"], json({"Distant", "Point"}));
  EXPECT_TRUE(choice["hidden"]) << "the light type shows only while Custom Light is wired";
  EXPECT_EQ(Control(state, "U Glossiness")["dataType"], "percent");
  EXPECT_EQ(Input(state, "UV")["source"]["kind"], "uv") << "the default scene wires UV";
  std::vector<std::string> scenes;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    if (entry.path().extension() == ".json") scenes.push_back(entry.path().filename().string());
  std::sort(scenes.begin(), scenes.end());
  EXPECT_EQ(state["scenes"], json(scenes)) << "every scene of the folder, sorted";
}

TEST_F(ServeTest, SceneDownloadCarriesTheModulesSave) {
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.25})")->status, 200);
  const auto result = Get("/api/scene");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_NE(result->get_header_value("Content-Disposition").find("attachment"), std::string::npos);
  const json scene = json::parse(result->body);
  EXPECT_NE(scene["node"].get<std::string>().find("0.25"), std::string::npos) << scene["node"];
  EXPECT_EQ(scene["inputs"]["UV"], "uv");
}

// The quick pass at a quarter of the pixels, then the preview's size up to
// the scene's 2 x 2 samples per pixel. A state refined again after other
// changes (here: undone to) gives the same bytes: the refining sums start
// empty whatever came before.
TEST_F(ServeTest, PreviewFramesArriveQuickThenRefinedTheSameEachTime) {
  // The RGBA bytes of `version`'s refined frame, "" if none within 30 s.
  const auto refined = [&](int version) -> std::string {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      const auto result = Get("/api/preview");
      if (!result) break;
      if (result->status == 200 &&
          result->get_header_value("X-Frame-Version") == std::to_string(version)) {
        const std::string pass = result->get_header_value("X-Frame-Pass");
        const unsigned width = pass == "quick" ? 320 : 640;
        EXPECT_EQ(result->body.size(), width * (width * 9 / 16) * 4u) << pass;
        EXPECT_EQ(result->get_header_value("X-Frame-Width"), std::to_string(width)) << pass;
        EXPECT_EQ(result->get_header_value("X-Frame-Total-Samples"), "4");
        if (pass == "refined") {
          EXPECT_EQ(result->get_header_value("X-Frame-Samples"), "4");
          return result->body;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "no refined frame of version " << version;
    return "";
  };
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.3})")->status, 200);
  const std::string first = refined(2);
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.6})")->status, 200);
  EXPECT_NE(refined(3), first);
  ASSERT_EQ(Post("/api/undo", "{}")->status, 200);
  EXPECT_TRUE(refined(4) == first) << "the refined bytes of one state differ";
  // A page asks only for a frame newer than its own.
  for (const auto& [after, status] : {std::pair{"0", 200}, {"18446744073709551615", 204},
                                      {"", 400}, {"-1", 400}, {"7x", 400},
                                      {"18446744073709551616", 400}}) {
    const auto result = Get(std::string("/api/preview?after=") + after);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, status) << after;
  }
}

TEST_F(ServeTest, EventStreamGreetsThenReportsChanges) {
  std::string received;
  std::promise<void> greeted;
  std::thread reader([&] {
    httplib::Client client = Client();
    bool first = true;
    client.Get("/api/events", [&](const char* data, size_t length) {
      received.append(data, length);
      if (std::exchange(first, false)) greeted.set_value();
      return received.find("event: state") == std::string::npos;
    });
    if (first) greeted.set_value();
  });
  ASSERT_EQ(greeted.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(Post("/api/set", R"({"id": 32776, "value": 1})")->status, 200);
  reader.join();
  EXPECT_EQ(received.rfind("retry: 1000\nevent: hello", 0), 0u) << received;
  EXPECT_NE(received.find("event: state\ndata: {\"version\":2}"), std::string::npos) << received;
}

TEST_F(ServeTest, ViewsFollowTheNodeAsPngPictures) {
  // The views of `version` once the server has made them (null after 30 s).
  const auto viewsOf = [&](std::uint64_t version) -> json {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      json views = json::parse(Get("/api/views")->body);
      if (views["version"] == version) return views;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
  };
  std::string previous;
  for (const std::uint64_t version : {std::uint64_t{1}, std::uint64_t{2}}) {
    if (version == 2) {
      ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.05})")->status, 200);
    }
    const json views = viewsOf(version);
    ASSERT_FALSE(views.is_null()) << "no views for version " << version;
    for (const char* view : {"lobe", "frame"}) {
      ASSERT_TRUE(views[view]["available"]) << view << ": " << views[view]["reason"];
      const auto picture = Get(views[view]["url"].get<std::string>());
      ASSERT_TRUE(picture && picture->status == 200) << view;
      EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png") << view;
      EXPECT_EQ(picture->body.rfind("\x89PNG", 0), 0u) << view;
    }
    const std::string lobe = Get(views["lobe"]["url"].get<std::string>())->body;
    EXPECT_NE(lobe, previous) << "the lobe follows U Glossiness";
    previous = lobe;
  }
}

}  // namespace
}  // namespace serve_test
