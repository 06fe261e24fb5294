// Clients the server must outlast: bodies of every framing, idle and slow
// connections, floods of event streams and of connections.
#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

#include "raw_connection.h"
#include "serve_fixture.h"

namespace serve_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) / 1024;
  return 0;
}

std::string Head(int port, const std::string& request, const std::string& more = "") {
  return request + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + more;
}

long Milliseconds(Clock::duration duration) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

TEST_F(ServeTest, BodiesAreCutAtTheLimitWhateverTheirFraming) {
  const std::string set = R"({"id": 32771, "value": 0.1})";
  const std::string over = std::string(200000, ' ') + set;
  const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
  const struct {
    const char* what;
    std::string framing;
    std::string body;
    int repeat;  // times the body is sent
    int status;
  } cases[] = {
      {"a length over the limit", "Content-Length: " + std::to_string(over.size()) + "\r\n", over,
       1, 413},
      {"chunked, 200 MB", "Transfer-Encoding: chunked\r\n", chunk, 3200, 413},
      {"no length, up to the end", "", over, 1, 413},
      {"chunked within the limit", "Transfer-Encoding: chunked\r\n",
       "1b\r\n" + set + "\r\n0\r\n\r\n", 1, 200},
  };
  const long before = ResidentMegabytes();
  for (const auto& c : cases) {
    RawConnection raw(port_);
    bool taken = raw.Send(Head(port_, "POST /api/set", "Content-Type: application/json\r\n" +
                                                           c.framing + "\r\n"));
    for (int i = 0; taken && i < c.repeat; ++i) taken = raw.Send(c.body);
    raw.EndSending();
    const std::string answer = raw.Receive(5s);
    // A body that goes on may be reset before its answer is read.
    if (c.repeat == 1 || !answer.empty()) {
      EXPECT_EQ(StatusOf(answer), c.status) << c.what << ": " << answer.substr(0, 300);
    }
    if (c.repeat > 1) {
      EXPECT_FALSE(taken) << c.what << ": the server read it all";
    }
  }
  EXPECT_LT(ResidentMegabytes() - before, 50) << "megabytes the bodies cost";
  EXPECT_EQ(State()["version"], 2) << "only the body within the limit changed anything";
}

class ShortLimits : public ServeTest {
 protected:
  ShortLimits() { limits_ = {1500ms, 2500ms, 2000ms, 512}; }
};

TEST_F(ShortLimits, IdleAndSlowClientsNeitherDelayThePageNorStay) {
  const struct {
    const char* what;
    int count;
    std::string first;  // sent at once
    bool trickle;       // then one byte every 100 ms
    long closedWithin;  // ms, the limit and a margin
  } cases[] = {
      {"idle", 200, "", false, 1500 + 1500},
      {"half a head", 24, Head(port_, "GET /"), false, 2500 + 1500},
      {"a head that never ends", 24, Head(port_, "GET /"), true, 2500 + 1500},
  };
  std::vector<std::vector<std::unique_ptr<RawConnection>>> open(std::size(cases));
  for (size_t k = 0; k < std::size(cases); ++k)
    for (int i = 0; i < cases[k].count; ++i) {
      open[k].push_back(std::make_unique<RawConnection>(port_));
      open[k].back()->Send(cases[k].first);
    }
  const Clock::time_point opened = Clock::now();
  std::atomic<bool> trickling{true};
  std::thread trickle([&] {
    while (trickling) {
      for (size_t k = 0; k < std::size(cases); ++k)
        if (cases[k].trickle)
          for (auto& raw : open[k]) raw->Send("X");
      std::this_thread::sleep_for(100ms);
    }
  });
  long fastest = 1000000;
  for (int i = 0; i < 3; ++i) {
    const Clock::time_point start = Clock::now();
    const auto page = Get("/");
    ASSERT_TRUE(page && page->status == 200);
    fastest = std::min(fastest, Milliseconds(Clock::now() - start));
  }
  EXPECT_LT(fastest, 100) << "ms for GET / with 248 idle or slow connections open";
  for (size_t k = 0; k < std::size(cases); ++k)
    for (auto& raw : open[k]) {
      bool closed = false;
      raw->Receive(std::chrono::milliseconds(cases[k].closedWithin -
                                             Milliseconds(Clock::now() - opened)),
                   &closed);
      ASSERT_TRUE(closed) << cases[k].what << ": open after " << cases[k].closedWithin << " ms";
    }
  trickling = false;
  trickle.join();
}

TEST_F(ServeTest, AFloodOfEventStreamsIsRefusedAtOnce) {
  std::vector<std::unique_ptr<RawConnection>> streams;
  for (int i = 0; i < 30; ++i) {
    streams.push_back(std::make_unique<RawConnection>(port_));
    streams.back()->Send(Head(port_, "GET /api/events", "\r\n"));
  }
  std::this_thread::sleep_for(500ms);
  int live = 0, refused = 0;
  for (auto& stream : streams) {
    const int status = StatusOf(stream->Receive(10ms));
    live += status == 200;
    refused += status == 503;
  }
  EXPECT_EQ(live, 8);
  EXPECT_EQ(refused, 22) << "answered within half a second";
}

class FewConnections : public ServeTest {
 protected:
  FewConnections() { limits_.maxConnections = 8; }
};

TEST_F(FewConnections, ConnectionsPastTheLimitAreRefusedAtOnce) {
  std::vector<std::unique_ptr<RawConnection>> idle;
  for (int i = 0; i < 8; ++i) idle.push_back(std::make_unique<RawConnection>(port_));
  std::this_thread::sleep_for(200ms);
  const Clock::time_point start = Clock::now();
  const auto refused = Get("/");
  EXPECT_LT(Milliseconds(Clock::now() - start), 1000);
  EXPECT_TRUE(!refused || refused->status == 503);
  idle.pop_back();
  std::optional<int> status;
  for (int tries = 0; tries < 50 && status != 200; ++tries) {
    std::this_thread::sleep_for(20ms);
    const auto page = Get("/");
    status = page ? std::optional<int>(page->status) : std::nullopt;
  }
  EXPECT_EQ(status, 200) << "a place freed is taken again";
}

}  // namespace
}  // namespace serve_test
