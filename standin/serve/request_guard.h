// Checks every request passes before it reaches the page's interface:
// a Host header naming this server (so that a foreign name resolved to the
// loopback address, DNS rebinding, is refused) and, for the interface and
// every request that changes state, no sign of another site's page.
#pragma once

#include <string>
#include <vector>

namespace standin {

struct ServerAddress {
  std::string bound;  // the address the server listens on ("127.0.0.1")
  int port = 0;
};

// The names a Host header may carry: the bound address and "localhost"
// (with the loopback addresses when the server is bound to loopback).
std::vector<std::string> AllowedHostNames(const ServerAddress& address);

// Whether `host` (a Host header) is one of the allowed names, with no port
// or this server's port. IPv6 addresses come in brackets ("[::1]:8080").
bool HostAllowed(const std::string& host, const ServerAddress& address);

// Whether `origin` (an Origin header) is "http://" plus an allowed host.
// An empty origin (a client that is not a browser) is allowed: browsers
// send Origin with every cross-site request that changes state.
bool OriginAllowed(const std::string& origin, const ServerAddress& address);

// Whether `method` changes state (anything but GET, HEAD and OPTIONS).
bool ChangesState(const std::string& method);

// Whether a request comes from another site's page: its Origin header is
// not this server's, or its Sec-Fetch-Site header says "cross-site".
bool FromAnotherSite(const std::string& origin, const std::string& fetchSite,
                     const ServerAddress& address);

// Whether `path` belongs to the page's interface ("/api/..."), which
// answers this server's page only; the page's own files open from anywhere.
bool IsInterface(const std::string& path);

}  // namespace standin
