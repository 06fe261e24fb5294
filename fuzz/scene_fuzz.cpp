// Scene files as people edit them: parsed, written back and parsed again,
// then set up in the stand-in host and rendered at a tiny size through the
// module; the node data the module then saves must load back to the same
// text. Accepted outcomes: the documented errors (SceneError for the
// scene, ContainerError for its node data); anything else is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_host.h"
#include "standin/saved/container.h"
#include "standin/host/scene_host.h"
#include "standin/render/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
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
  standin::Scene saved = scene;
  try {
    standin::SceneSession session(fuzz::Host(), scene, "fuzz.json");
    standin::RenderOptions options;
    options.threads = 1;
    session.Render(4, 3, options);
    saved.nodeData = session.SaveNodeText();
  } catch (const standin::ContainerError&) {
    return 0;
  }
  // What the module saved, as --save-scene writes it, loads again and saves
  // to the same text.
  const standin::Scene reread = standin::ParseScene(standin::FormatScene(saved), "saved.json");
  standin::SceneSession session(fuzz::Host(), reread, "saved.json");
  if (session.SaveNodeText() != saved.nodeData) std::abort();
  return 0;
}
