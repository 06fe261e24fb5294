// Where a spot's single light comes from, and the settings that say so.
#pragma once

#include <cstdint>

#include "shading/vector.h"

namespace quillane {

// `customLightType` values: the "Custom Light" input is a direction
// ("Distant") or a position (any other value, "Point" being 1).
constexpr std::int32_t kLightDistant = 0;
constexpr std::int32_t kLightPoint = 1;

// Where a spot's light comes from: the fixed light of a host without an
// item list, the wired "Custom Light", or the scene's lights.
enum class LightSource { kFixed, kScene, kCustom };

// The light for a host without an item list: fixed, from the upper left,
// travelling along this unit direction.
const Vec3 kFixedLightDirection = Normalized({1.0, -1.0, 1.0});

}  // namespace quillane
