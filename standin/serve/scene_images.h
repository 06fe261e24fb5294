// Scene images as sources for the node's inputs. Scenes do not carry images
// yet: until they do, the page lists none and refuses a wiring to one. This
// is the one place to connect them: list the scene's images here and give
// the source that reads one.
#pragma once

#include <string>
#include <vector>

#include "standin/render/scene.h"

namespace standin {

// The names of the scene's images, in the scene's order.
std::vector<std::string> SceneImageNames(const Scene& scene);

// The source that reads image `name` for an input that is `scalar` or not.
// Throws RequestError for an image the scene does not have.
InputSource SceneImageSource(const Scene& scene, const std::string& name, bool scalar);

}  // namespace standin
