// `quillane serve`: the look-dev page over HTTP. Serves the page's files
// from the binary and the interface the page uses (docs/serve.md), checks
// every request (Host, Origin, body size), and streams state and preview
// events to the open pages.
#pragma once

#include <memory>
#include <string>

#include "standin/serve/connection_limits.h"

namespace standin {

struct ServeOptions {
  std::string module;       // the module file to load
  std::string scene;        // empty: the built-in preview scene
  std::string sceneFolder;  // empty: no scenes to open or save
  std::string bind = "127.0.0.1";
  int port = 8080;          // 0: any free port
  int threads = 1;          // render threads
  ConnectionLimits limits;
};

class LookdevServer {
 public:
  // Loads the module and the scene. Throws on a bad module, scene or folder.
  explicit LookdevServer(const ServeOptions& options);
  ~LookdevServer();
  LookdevServer(const LookdevServer&) = delete;
  LookdevServer& operator=(const LookdevServer&) = delete;

  // Binds the address; returns the port. Throws std::runtime_error.
  int Bind();
  // Serves until Stop (from another thread or a signal handler's thread).
  void Run();
  void Stop();
  // "http://127.0.0.1:PORT/" once bound.
  std::string Url() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace standin
