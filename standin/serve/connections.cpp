#include "standin/serve/connections.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;

// Set on the accepting thread while it runs a connection it has no room
// for: that connection is refused instead of served.
thread_local bool refuseConnection = false;

// Runs each connection on a thread of its own, up to a limit; past it, on
// the accepting thread itself, refused.
class ConnectionThreads : public httplib::TaskQueue {
 public:
  explicit ConnectionThreads(int limit) : limit_(limit) {}

  void enqueue(std::function<void()> task) override {
    if (Admit()) {
      try {
        std::thread([this, task = std::move(task)]() mutable {
          task();
          task = nullptr;
          Leave();
        }).detach();
        return;
      } catch (const std::system_error&) {
        Leave();
      }
    }
    refuseConnection = true;
    task();
    refuseConnection = false;
  }

  void shutdown() override {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return running_ == 0; });
  }

 private:
  bool Admit() {
    std::lock_guard lock(mutex_);
    if (running_ >= limit_) return false;
    ++running_;
    return true;
  }

  void Leave() {
    std::lock_guard lock(mutex_);
    --running_;
    done_.notify_all();
  }

  int limit_;
  std::mutex mutex_;
  std::condition_variable done_;
  int running_ = 0;
};

void Refuse(int socket) {
  constexpr std::string_view kBody = R"({"error":"too many open connections"})";
  const std::string answer =
      "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\n"
      "Content-Length: " + std::to_string(kBody.size()) + "\r\nConnection: close\r\n\r\n" +
      std::string(kBody);
  [[maybe_unused]] const ssize_t sent =
      send(socket, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
}

void Address(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

// The body length the request declares: its Content-Length; nullopt when
// it is chunked, has a length that is not a number, or is a request whose
// body the parser reads until the client stops sending.
std::optional<std::size_t> DeclaredBody(const httplib::Request& req) {
  if (req.has_header("Transfer-Encoding")) return std::nullopt;
  if (!req.has_header("Content-Length"))
    return req.method == "GET" || req.method == "HEAD" || req.method == "OPTIONS"
               ? std::optional<std::size_t>(0)
               : std::nullopt;
  const std::string text = req.get_header_value("Content-Length");
  std::size_t length = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || length > (std::size_t{1} << 40)) return std::nullopt;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  if (text.empty()) return std::nullopt;
  return length;
}

}  // namespace

ConnectionStream::ConnectionStream(int socket, int stopEvent, const ConnectionLimits& limits)
    : socket_(socket), stopEvent_(stopEvent), limits_(limits) {}

bool ConnectionStream::Wait(short events, Clock::time_point deadline) const {
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd fds[2] = {{socket_, events, 0}, {stopEvent_, POLLIN, 0}};
    const int ready = poll(fds, 2, static_cast<int>(std::min<long long>(left, 60000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[1].revents) return false;
    if (fds[0].revents & (events | POLLHUP | POLLERR)) return (fds[0].revents & events) != 0;
  }
}

bool ConnectionStream::NextRequest() {
  started_ = false;
  body_.reset();
  bodyRead_ = 0;
  if (begin_ == end_ && !Wait(POLLIN, Clock::now() + limits_.idle)) return false;
  deadline_ = Clock::now() + limits_.request;
  return true;
}

void ConnectionStream::StartBody(std::optional<std::size_t> length) {
  started_ = true;
  body_ = length;
  bodyRead_ = 0;
}

bool ConnectionStream::Reusable() const { return started_ && body_ && bodyRead_ == *body_; }

void ConnectionStream::Linger() {
  shutdown(socket_, SHUT_WR);
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(250);
  std::size_t dropped = 0;
  char scratch[16384];
  while (dropped < (std::size_t{1} << 20) && Wait(POLLIN, until)) {
    const ssize_t got = recv(socket_, scratch, sizeof scratch, 0);
    if (got <= 0) return;
    dropped += static_cast<std::size_t>(got);
  }
}

bool ConnectionStream::is_readable() const {
  return begin_ != end_ || Wait(POLLIN, deadline_);
}

bool ConnectionStream::is_writable() const {
  return Wait(POLLOUT, Clock::now() + limits_.write);
}

ssize_t ConnectionStream::read(char* data, size_t size) {
  if (begin_ == end_) {
    if (!Wait(POLLIN, deadline_)) return -1;
    const ssize_t got = recv(socket_, buffer_, sizeof buffer_, 0);
    if (got <= 0) return got;
    begin_ = 0;
    end_ = static_cast<std::size_t>(got);
  }
  const std::size_t n = std::min(size, end_ - begin_);
  std::memcpy(data, buffer_ + begin_, n);
  begin_ += n;
  if (started_) bodyRead_ += n;
  return static_cast<ssize_t>(n);
}

ssize_t ConnectionStream::write(const char* data, size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    if (!Wait(POLLOUT, Clock::now() + limits_.write)) return -1;
    const ssize_t n = send(socket_, data + sent, size - sent, MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return -1;
    sent += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(size);
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    Address(address, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    Address(address, ip, port);
}

ConnectionServer::ConnectionServer(const ConnectionLimits& limits)
    : limits_(limits), stopEvent_(eventfd(0, EFD_CLOEXEC)) {
  if (stopEvent_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  new_task_queue = [this] { return new ConnectionThreads(limits_.maxConnections); };
  set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits_.idle).count());
}

ConnectionServer::~ConnectionServer() {
  Shutdown();
  close(stopEvent_);
}

void ConnectionServer::WidenListenQueue() { ::listen(svr_sock_, SOMAXCONN); }

void ConnectionServer::Shutdown() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
  stop();
}

bool ConnectionServer::process_and_close_socket(socket_t sock) {
  if (refuseConnection) {
    Refuse(sock);
    close(sock);
    return false;
  }
  // An answer goes out as its head and then its body: without this the
  // body's last part waits for the client's delayed acknowledgement of the
  // head, 40 ms on Linux, on every answer.
  const int on = 1;
  setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ConnectionStream stream(sock, stopEvent_, limits_);
  bool reusable = true;
  while (reusable && stream.NextRequest()) {
    bool closed = false;
    const bool answered = process_request(stream, false, closed, [&](httplib::Request& req) {
      stream.StartBody(DeclaredBody(req));
    });
    reusable = answered && !closed && stream.Reusable();
    if (answered && !stream.Reusable()) stream.Linger();
  }
  shutdown(sock, SHUT_RDWR);
  close(sock);
  return true;
}

}  // namespace standin
