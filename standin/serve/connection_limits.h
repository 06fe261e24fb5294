// How long the look-dev server waits for its clients and how many it
// serves at once (connections.h has what each limit does).
#pragma once

#include <chrono>

namespace standin {

struct ConnectionLimits {
  std::chrono::milliseconds idle{5000};      // for a connection's next request
  std::chrono::milliseconds request{10000};  // for a request's head and body
  std::chrono::milliseconds write{5000};     // for a client to take what is sent
  int maxConnections = 512;
};

}  // namespace standin
