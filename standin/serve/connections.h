// The look-dev server's connections, on cpp-httplib. Each connection has a
// thread of its own, so that a slow or idle client holds only that thread
// and never delays another; at most `maxConnections` are open at once, and
// one more is answered 503 and closed at once. A connection waits `idle` at
// most for its next request; a request's head and body must arrive within
// `request` of its first byte; a client that stops reading is dropped after
// `write` (ConnectionLimits). A request whose body was not read whole
// (refused before it was read, or sent without a length) ends its
// connection, so that the rest of it is never read as a request.
#pragma once

#include <httplib.h>

#include <cstddef>
#include <optional>

#include "standin/serve/connection_limits.h"

namespace standin {

// One connection as the HTTP parser reads and writes it: reads wait until
// the request's deadline, writes until the write limit, and both give up
// at once when the server stops.
class ConnectionStream : public httplib::Stream {
 public:
  ConnectionStream(int socket, int stopEvent, const ConnectionLimits& limits);

  // Waits for the first byte of the next request, up to the idle limit;
  // then starts that request's deadline. False when the client left, the
  // limit passed or the server is stopping.
  bool NextRequest();
  // The request's body holds `length` bytes from here; nullopt when no
  // length frames it (chunked, or read until the client stops sending).
  void StartBody(std::optional<std::size_t> length);
  // Whether the connection may carry another request: the body was framed
  // by a length and read whole.
  bool Reusable() const;
  // Stops writing and drops what the client still sends, for a short while,
  // so that it can read the answer before the connection closes.
  void Linger();

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* data, size_t size) override;
  ssize_t write(const char* data, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return socket_; }

 private:
  using Clock = std::chrono::steady_clock;
  // Waits for `events` on the socket until `deadline`. False on time out,
  // a closed or failed socket, or the server stopping.
  bool Wait(short events, Clock::time_point deadline) const;

  int socket_;
  int stopEvent_;
  ConnectionLimits limits_;
  Clock::time_point deadline_;
  char buffer_[4096];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool started_ = false;               // StartBody was called for this request
  std::optional<std::size_t> body_;  // its length
  std::size_t bodyRead_ = 0;
};

class ConnectionServer : public httplib::Server {
 public:
  explicit ConnectionServer(const ConnectionLimits& limits);
  ~ConnectionServer() override;
  ConnectionServer(const ConnectionServer&) = delete;
  ConnectionServer& operator=(const ConnectionServer&) = delete;

  // Lets up to a few thousand connections wait to be accepted (after a
  // bind), so that a burst of them is not held back by the listen queue.
  void WidenListenQueue();
  // Ends every connection, stops listening, and lets Run return once every
  // connection's thread is done.
  void Shutdown();

 private:
  bool process_and_close_socket(socket_t sock) override;

  ConnectionLimits limits_;
  int stopEvent_;  // an eventfd, readable once the server stops
};

}  // namespace standin
