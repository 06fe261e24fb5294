// Rendering a scene session through the module; built only with the
// renderer (QUILLANE_RENDER).
#include "standin/host/scene_host.h"

namespace standin {

Image SceneSession::Render(int width, int height, const RenderOptions& options) {
  host_.BeginRender(*node_);
  Image image;
  try {
    image = RenderScene(scene_, width, height, options,
                        [this](const Hit& hit, const Ray& ray, const LightSample& sample,
                               double rgb[3]) { Shade(hit, ray, sample, rgb); });
  } catch (...) {
    host_.EndRender(*node_);
    throw;
  }
  host_.EndRender(*node_);
  return image;
}

}  // namespace standin
