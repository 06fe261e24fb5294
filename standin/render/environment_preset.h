// Built-in studio environments: lat-long radiance maps made from a few
// shapes, for a user without an HDR image (`quillane make-env` writes them
// as EXR; an environment light's "preset" key uses them directly).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "standin/render/environment.h"
#include "standin/render/texture.h"

namespace standin {

struct EnvironmentPreset {
  const char* name;
  // The map at width x height (3 channels, rows top to bottom, laid out
  // as environment.h describes).
  Texture (*make)(int width, int height);
};

// The presets:
//   "studio": three soft boxes (a large key at the upper left, a strip
//             fill at the right, a top light) over a dim grey cyclorama
//             fading to a dark ground;
//   "sky":    a gradient sky, pale at the horizon and blue at the zenith,
//             over a dark brown ground.
// The named preset, or null.
const EnvironmentPreset* FindEnvironmentPreset(const std::string& name);

// The presets' names, in the order above.
std::vector<std::string> EnvironmentPresetNames();

// The presets' map size in a scene (width; the height is half).
inline constexpr int kPresetWidth = 512;

// The preset's map at that size, ready to sample: made once per process
// and shared (scenes set it when they name the preset).
std::shared_ptr<const EnvironmentMap> PresetMap(const EnvironmentPreset& preset);

}  // namespace standin
