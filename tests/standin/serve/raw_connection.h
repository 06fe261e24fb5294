// A raw connection to the look-dev server, for what no HTTP client sends:
// bodies of every framing, requests that never end, idle connections.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace serve_test {

class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return fd_ >= 0; }
  // False once the server stops taking bytes (it closed, or 5 s passed).
  bool Send(std::string_view bytes);
  // Tells the server nothing more comes.
  void EndSending();
  // What the server sends within `wait`; `closed` tells whether it closed
  // the connection (or reset it) meanwhile.
  std::string Receive(std::chrono::milliseconds wait, bool* closed = nullptr);

 private:
  int fd_ = -1;
};

// The status code of an HTTP answer ("HTTP/1.1 413 ..."), 0 for none.
int StatusOf(const std::string& answer);

}  // namespace serve_test
