// A look-dev server on a free loopback port for one test, with a scene
// folder of its own (a copy of the examples), and a client for it.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <thread>

#include "standin/serve/server.h"

namespace serve_test {

using nlohmann::json;

class ServeTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  httplib::Client Client() const;
  // GET / POST (JSON body) with the headers a same-site page sends.
  httplib::Result Get(const std::string& path) const;
  httplib::Result Post(const std::string& path, const std::string& body) const;
  json State() const;
  // Control `label`'s entry in the panel of `state`.
  static json Control(const json& state, const std::string& label);
  static json Input(const json& state, const std::string& name);
  std::string Origin() const;

  std::string folder_;
  standin::ConnectionLimits limits_;  // set before SetUp to change them
  int port_ = 0;
  std::unique_ptr<standin::LookdevServer> server_;
  std::thread thread_;
};

// Control identifiers of the node's panel.
inline constexpr unsigned long kUGlossiness = 0x8003;
inline constexpr unsigned long kColor = 0x8001;
inline constexpr unsigned long kAxis = 0x8005;
inline constexpr unsigned long kLightType = 0x8007;
inline constexpr unsigned long kClassic = 0x8008;

}  // namespace serve_test
