// What the server refuses: foreign Host names and Origins, bodies too large,
// scene names that leave the scene folder, bad scenes.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "serve_fixture.h"
#include "standin/serve/request_guard.h"

namespace serve_test {
namespace {

namespace fs = std::filesystem;

TEST(RequestGuard, HostNamesAndOrigins) {
  const standin::ServerAddress loopback{"127.0.0.1", 8080};
  const standin::ServerAddress lan{"192.168.1.5", 8080};
  const struct {
    const standin::ServerAddress& address;
    const char* host;
    bool allowed;
  } hosts[] = {
      {loopback, "127.0.0.1:8080", true},  {loopback, "localhost:8080", true},
      {loopback, "localhost", true},       {loopback, "[::1]:8080", true},
      {loopback, "127.0.0.1:8081", false}, {loopback, "evil.example:8080", false},
      {loopback, "", false},               {loopback, "localhost.evil.example", false},
      {lan, "192.168.1.5:8080", true},     {lan, "127.0.0.1:8080", false},
  };
  for (const auto& c : hosts)
    EXPECT_EQ(standin::HostAllowed(c.host, c.address), c.allowed) << c.host;
  EXPECT_TRUE(standin::OriginAllowed("http://localhost:8080", loopback));
  EXPECT_TRUE(standin::OriginAllowed("", loopback));
  EXPECT_FALSE(standin::OriginAllowed("https://localhost:8080", loopback));
  EXPECT_FALSE(standin::OriginAllowed("http://evil.example", loopback));
  EXPECT_FALSE(standin::OriginAllowed("null", loopback));
}

TEST_F(ServeTest, ForeignHostOriginAndContentAreRefused) {
  const std::string set = R"({"id": 32771, "value": 0.1})";
  const struct {
    const char* what;
    httplib::Headers headers;
    const char* type;
    int status;
  } cases[] = {
      {"rebound host name", {{"Host", "evil.example:80"}}, "application/json", 403},
      {"other origin", {{"Origin", "http://evil.example"}}, "application/json", 403},
      {"cross-site fetch", {{"Sec-Fetch-Site", "cross-site"}}, "application/json", 403},
      {"form post", {}, "application/x-www-form-urlencoded", 415},
      {"localhost by name", {{"Host", "localhost"}}, "application/json", 200},
  };
  for (const auto& c : cases) {
    const auto result = Client().Post("/api/set", c.headers, set, c.type);
    ASSERT_TRUE(result) << c.what;
    EXPECT_EQ(result->status, c.status) << c.what;
  }
  const auto get = Client().Get("/api/state", {{"Host", "evil.example"}});
  ASSERT_TRUE(get);
  EXPECT_EQ(get->status, 403) << "reads too are refused under a foreign name";
  EXPECT_EQ(State()["version"], 2) << "only the allowed request changed anything";
}

TEST_F(ServeTest, TheInterfaceAnswersThisServersPageOnly) {
  const struct {
    const char* what;
    const char* path;
    httplib::Headers headers;
    int status;
  } cases[] = {
      {"a stream for another site", "/api/events", {{"Origin", "http://evil.example"}}, 403},
      {"a stream for another port", "/api/events", {{"Origin", "http://127.0.0.1:1"}}, 403},
      {"a cross-site stream", "/api/events", {{"Sec-Fetch-Site", "cross-site"}}, 403},
      {"a cross-site read", "/api/state", {{"Sec-Fetch-Site", "cross-site"}}, 403},
      {"a link from another site", "/", {{"Sec-Fetch-Site", "cross-site"}}, 200},
      {"a stream for this page", "/api/events", {{"Sec-Fetch-Site", "same-origin"}}, 200},
  };
  // Three rounds: more refused streams than may be open, and still the
  // page's own opens.
  for (int round = 0; round < 3; ++round)
    for (const auto& c : cases) {
      int status = 0;
      Client().Get(
          c.path, c.headers,
          [&](const httplib::Response& response) {
            status = response.status;
            return false;
          },
          [](const char*, size_t) { return false; });
      EXPECT_EQ(status, c.status) << c.what;
    }
}

TEST_F(ServeTest, SceneNamesStayInTheFolder) {
  const fs::path outside = fs::path(folder_).parent_path() / "outside.json";
  fs::copy_file(fs::path(folder_) / "brushed-disc.json", outside, fs::copy_options::overwrite_existing);
  fs::create_symlink(outside, fs::path(folder_) / "escape.json");
  const char* names[] = {"../outside.json", "/etc/passwd", "sub/x.json", "..\\x.json",
                         "escape.json", "missing.json", "brushed-disc.txt", ".json", ""};
  const json before = State();
  for (const char* name : names) {
    for (const char* path : {"/api/open", "/api/save"}) {
      const auto result = Post(path, json({{"name", name}}).dump());
      ASSERT_TRUE(result) << path << " " << name;
      if (std::string(path) == "/api/save" && std::string(name) == "missing.json") continue;
      EXPECT_EQ(result->status, 400) << path << " " << name << " -> " << result->body;
    }
  }
  EXPECT_FALSE(fs::exists(fs::path(folder_).parent_path() / "x.json"));
  EXPECT_EQ(State()["scenes"].size(), before["scenes"].size() + 1)
      << "the symlink out is not listed; missing.json is new";
  EXPECT_EQ(State()["scene"], before["scene"]);
}

TEST_F(ServeTest, OddFileNamesAreLeftOutWithANoteAndQuotedWhole) {
  std::ofstream(fs::path(folder_) / "caf\xe9.json") << "{}";
  std::ofstream(fs::path(folder_) / "maps" / "\xff.png") << "x";
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.2})")->status, 200) << "lists anew";
  const json state = State();
  EXPECT_EQ(state["notes"], json({R"(left out "maps/\xff.png": its name is not UTF-8)",
                                  R"(left out "caf\xe9.json": a scene name is UTF-8 without )"
                                  R"(control characters, / \ or :)"}));
  EXPECT_EQ(std::count(state["scenes"].begin(), state["scenes"].end(), "brushed-disc.json"), 1);
  const struct {
    const char* path;
    json body;
    const char* quoted;
  } cases[] = {
      {"/api/open", {{"name", std::string("a\0b.json", 8)}}, R"("a\x00b.json": not a scene name)"},
      {"/api/wire",
       {{"input", "UV"}, {"source", {{"kind", "image"}, {"name", std::string("\0.png", 5)}}}},
       R"(no image "\x00.png")"},
      {"/api/wire", {{"input", std::string("U\0V", 3)}, {"source", {{"kind", "uv"}}}},
       R"(no input "U\x00V")"},
  };
  for (const auto& c : cases) {
    const auto result = Post(c.path, c.body.dump());
    ASSERT_TRUE(result) << c.quoted;
    EXPECT_EQ(result->status, 400) << c.quoted;
    const std::string error = json::parse(result->body)["error"];
    EXPECT_NE(error.find(c.quoted), std::string::npos) << result->body;
  }
}

TEST_F(ServeTest, BadSceneShowsItsErrorAndKeepsTheOpenScene) {
  std::ofstream(fs::path(folder_) / "broken.json") << "{\"objects\": [";
  std::ofstream(fs::path(folder_) / "bad-node.json") << R"({"node": "Version 0\nColor 1 1\n"})";
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.2})")->status, 200);
  const json before = State();
  for (const char* name : {"broken.json", "bad-node.json"}) {
    const auto result = Post("/api/open", json({{"name", name}}).dump());
    ASSERT_TRUE(result) << name;
    EXPECT_EQ(result->status, 400) << name;
    EXPECT_EQ(json::parse(result->body)["error"].get<std::string>().rfind(name, 0), 0u)
        << "the message names the scene: " << result->body;
  }
  const json after = State();
  EXPECT_EQ(after["panel"], before["panel"]);
  EXPECT_EQ(after["version"], before["version"]);
}

TEST_F(ServeTest, SaveThenReopenRestoresTheSettings) {
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.125})")->status, 200);
  ASSERT_EQ(Post("/api/wire", R"({"input": "Specular", "source": {"kind": "constant", "value": 0.5}})")->status, 200);
  ASSERT_EQ(Post("/api/save", R"({"name": "mine.json"})")->status, 200);
  ASSERT_EQ(Post("/api/set", R"({"id": 32771, "value": 0.9})")->status, 200);
  ASSERT_EQ(Post("/api/open", R"({"name": "mine.json"})")->status, 200);
  const json state = State();
  EXPECT_EQ(Control(state, "U Glossiness")["value"], 0.125);
  EXPECT_EQ(Input(state, "Specular")["source"]["value"], 0.5);
  EXPECT_EQ(state["undo"], 0) << "a newly opened scene starts a new history";
}

}  // namespace
}  // namespace serve_test
