// `quillane serve`: the look-dev page on a local HTTP server, until
// interrupted (Ctrl-C or SIGTERM).
#include <signal.h>

#include <filesystem>
#include <iostream>
#include <thread>

#include "standin/serve/server.h"
#include "tools/commands.h"

namespace quillane {
namespace {

bool IsLoopback(const std::string& address) {
  return address == "::1" || address == "localhost" || address.rfind("127.", 0) == 0;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  return folder.empty() ? "." : folder.string();
}

int Serve(const ServeArgs& args) {
  // Interrupts are taken by one thread that stops the server; every other
  // thread, started below, inherits the blocked mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    standin::ServeOptions options;
    options.module = args.module;
    options.scene = args.scene;
    options.sceneFolder = args.sceneFolder;
    options.bind = args.bind;
    options.port = args.port;
    options.threads = args.threads;
    standin::LookdevServer server(options);
    server.Bind();
    if (!IsLoopback(args.bind))
      std::cerr << "quillane: warning: serving on " << args.bind
                << ", not only this machine: anyone who can reach it may change the "
                   "scene and write scenes into the scene folder\n";
    std::cout << "Quillane look-dev page: open " << server.Url() << "\n"
              << "(Ctrl-C stops the server)" << std::endl;
    std::thread stopper([&] {
      int signal = 0;
      sigwait(&stopSignals, &signal);
      server.Stop();
    });
    server.Run();
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return 0;
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

}  // namespace quillane
