// Scene files as people edit them: parsed, written back and parsed again,
// then set up in the stand-in host and rendered at a tiny size through the
// module. Accepted outcomes: the documented errors (SceneError for the
// scene, ContainerError for its node data); anything else is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "standin/core/container.h"
#include "standin/core/host.h"
#include "standin/core/scene_host.h"
#include "standin/render/scene.h"

namespace {

struct World {
  standin::ModuleFile module{QUILLANE_MODULE};
  standin::Host host{module};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  static World* world = new World;
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  standin::Scene scene;
  try {
    scene = standin::ParseScene(text, "fuzz.json");
  } catch (const standin::SceneError&) {
    return 0;
  }
  // A parsed scene writes out as text that parses to the same text again.
  const std::string formatted = standin::FormatScene(scene);
  const standin::Scene again = standin::ParseScene(formatted, "formatted.json");
  if (standin::FormatScene(again) != formatted) std::abort();
  try {
    standin::SceneSession session(world->host, scene, "fuzz.json");
    standin::RenderOptions options;
    options.threads = 1;
    session.Render(4, 3, options);
  } catch (const standin::ContainerError&) {
  }
  return 0;
}
