#include "serve_fixture.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>

namespace serve_test {
namespace fs = std::filesystem;

void ServeTest::SetUp() {
  static std::atomic<int> counter{0};
  folder_ = (fs::path(testing::TempDir()) / "quillane_serve" / std::to_string(getpid()) /
             std::to_string(counter++)).string();
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  fs::copy(QUILLANE_EXAMPLES, folder_, fs::copy_options::recursive);
  standin::ServeOptions options;
  options.module = QUILLANE_MODULE;
  options.sceneFolder = folder_;
  options.port = 0;
  options.threads = 2;
  options.limits = limits_;
  server_ = std::make_unique<standin::LookdevServer>(options);
  port_ = server_->Bind();
  thread_ = std::thread([this] { server_->Run(); });
}

void ServeTest::TearDown() {
  server_->Stop();
  thread_.join();
  server_.reset();
}

httplib::Client ServeTest::Client() const {
  httplib::Client client("127.0.0.1", port_);
  client.set_connection_timeout(5);
  client.set_read_timeout(10);
  return client;
}

std::string ServeTest::Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

httplib::Result ServeTest::Get(const std::string& path) const { return Client().Get(path); }

httplib::Result ServeTest::Post(const std::string& path, const std::string& body) const {
  return Client().Post(path, {{"Origin", Origin()}}, body, "application/json");
}

json ServeTest::State() const {
  const auto result = Get("/api/state");
  EXPECT_TRUE(result && result->status == 200) << "GET /api/state failed";
  return result ? json::parse(result->body) : json();
}

json ServeTest::Control(const json& state, const std::string& label) {
  for (const json& control : state["panel"]["controls"])
    if (control["label"] == label) return control;
  ADD_FAILURE() << "no control " << label;
  return {};
}

json ServeTest::Input(const json& state, const std::string& name) {
  for (const json& input : state["inputs"])
    if (input["name"] == name) return input;
  ADD_FAILURE() << "no input " << name;
  return {};
}

}  // namespace serve_test
