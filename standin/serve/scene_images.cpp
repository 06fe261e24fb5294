#include "standin/serve/scene_images.h"

#include "standin/serve/panel_values.h"

namespace standin {

std::vector<std::string> SceneImageNames(const Scene&) { return {}; }

InputSource SceneImageSource(const Scene&, const std::string& name, bool) {
  throw RequestError("the scene has no image \"" + name + "\"");
}

}  // namespace standin
