#include "standin/serve/request_guard.h"

#include <algorithm>

namespace standin {
namespace {

bool IsLoopback(const std::string& address) {
  return address == "::1" || address == "localhost" || address.rfind("127.", 0) == 0;
}

std::string Bracketed(const std::string& name) {
  return name.find(':') != std::string::npos ? "[" + name + "]" : name;
}

}  // namespace

std::vector<std::string> AllowedHostNames(const ServerAddress& address) {
  std::vector<std::string> names{Bracketed(address.bound), "localhost"};
  if (IsLoopback(address.bound)) {
    names.push_back("127.0.0.1");
    names.push_back("[::1]");
  }
  return names;
}

bool HostAllowed(const std::string& host, const ServerAddress& address) {
  const std::string withPort = ":" + std::to_string(address.port);
  for (const std::string& name : AllowedHostNames(address)) {
    if (host == name || host == name + withPort) return true;
  }
  return false;
}

bool OriginAllowed(const std::string& origin, const ServerAddress& address) {
  if (origin.empty()) return true;
  const std::string scheme = "http://";
  if (origin.rfind(scheme, 0) != 0) return false;
  return HostAllowed(origin.substr(scheme.size()), address);
}

bool ChangesState(const std::string& method) {
  return method != "GET" && method != "HEAD" && method != "OPTIONS";
}

bool FromAnotherSite(const std::string& origin, const std::string& fetchSite,
                     const ServerAddress& address) {
  return !OriginAllowed(origin, address) || fetchSite == "cross-site";
}

bool IsInterface(const std::string& path) { return path.rfind("/api/", 0) == 0; }

}  // namespace standin
