// The stand-in host the fuzz targets feed: the module built beside them,
// loaded once per process and never unloaded (libFuzzer exits without
// unwinding).
#pragma once

#include "standin/host/host.h"

namespace fuzz {

struct LoadedHost {
  standin::ModuleFile module{QUILLANE_MODULE};
  standin::Host host{module};
};

inline standin::Host& Host() {
  static LoadedHost* loaded = new LoadedHost;
  return loaded->host;
}

}  // namespace fuzz
