// The studio and sky environments, drawn texel by texel.
#include "standin/render/environment_preset.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "standin/render/vec3.h"

namespace standin {
namespace {

// A soft box: a rectangle of the sky at azimuth `azimuth` and elevation
// `elevation` (degrees), half-extents in degrees, radiance `color`, with
// edges that fade over `soft` degrees.
struct SoftBox {
  double azimuth, elevation, halfWidth, halfHeight, soft;
  Vec3 color;
};

constexpr std::array<SoftBox, 3> kBoxes{{
    {-40.0, 30.0, 22.0, 16.0, 6.0, {9.0, 8.6, 8.0}},   // key, upper left
    {70.0, 12.0, 6.0, 28.0, 4.0, {4.0, 4.2, 4.6}},     // strip fill, right
    {0.0, 80.0, 30.0, 8.0, 5.0, {3.0, 3.0, 3.0}},      // top light
}};

double Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// Azimuth (degrees, 0 toward -Z, positive toward +X) and elevation
// (degrees above the horizon) of texel (i, j).
void Angles(int i, int j, int width, int height, double* azimuth, double* elevation) {
  *azimuth = ((i + 0.5) / width - 0.5) * 360.0;
  *elevation = 90.0 - (j + 0.5) / height * 180.0;
}

Vec3 Studio(double azimuth, double elevation) {
  // A grey cyclorama brightest just above the horizon, fading to a dark floor.
  const double wall = 0.06 + 0.10 * Smooth(-8.0, 6.0, elevation) * (1.0 - Smooth(20.0, 90.0, elevation));
  Vec3 c{wall, wall, wall * 1.05};
  if (elevation < -8.0) c = {0.015, 0.015, 0.016};
  for (const SoftBox& b : kBoxes) {
    double da = std::abs(azimuth - b.azimuth);
    da = std::min(da, 360.0 - da);
    const double de = std::abs(elevation - b.elevation);
    const double inside = (1.0 - Smooth(b.halfWidth - b.soft, b.halfWidth, da)) *
                          (1.0 - Smooth(b.halfHeight - b.soft, b.halfHeight, de));
    c = c + b.color * inside;
  }
  return c;
}

Vec3 Sky(double, double elevation) {
  if (elevation < 0.0) {
    const double g = 0.05 + 0.05 * Smooth(-30.0, 0.0, elevation);
    return {g * 1.0, g * 0.8, g * 0.6};
  }
  const double t = std::pow(elevation / 90.0, 0.6);
  const Vec3 horizon{1.6, 1.6, 1.7}, zenith{0.35, 0.6, 1.4};
  return horizon * (1.0 - t) + zenith * t;
}

template <Vec3 (*Radiance)(double, double)>
Texture Draw(int width, int height) {
  Texture t;
  t.width = width;
  t.height = height;
  t.channels = 3;
  t.data.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  size_t k = 0;
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      double azimuth = 0.0, elevation = 0.0;
      Angles(i, j, width, height, &azimuth, &elevation);
      const Vec3 c = Radiance(azimuth, elevation);
      t.data[k++] = static_cast<float>(c.x);
      t.data[k++] = static_cast<float>(c.y);
      t.data[k++] = static_cast<float>(c.z);
    }
  }
  return t;
}

constexpr std::array<EnvironmentPreset, 2> kPresets{{
    {"studio", Draw<Studio>},
    {"sky", Draw<Sky>},
}};

}  // namespace

std::shared_ptr<const EnvironmentMap> PresetMap(const EnvironmentPreset& preset) {
  static const std::array<std::shared_ptr<const EnvironmentMap>, kPresets.size()> kMaps = [] {
    std::array<std::shared_ptr<const EnvironmentMap>, kPresets.size()> maps;
    for (size_t i = 0; i < kPresets.size(); ++i)
      maps[i] = MakeEnvironmentMap(kPresets[i].make(kPresetWidth, kPresetWidth / 2), kPresets[i].name);
    return maps;
  }();
  return kMaps[static_cast<size_t>(&preset - kPresets.data())];
}

const EnvironmentPreset* FindEnvironmentPreset(const std::string& name) {
  for (const EnvironmentPreset& preset : kPresets) {
    if (name == preset.name) return &preset;
  }
  return nullptr;
}

std::vector<std::string> EnvironmentPresetNames() {
  std::vector<std::string> names;
  for (const EnvironmentPreset& preset : kPresets) names.emplace_back(preset.name);
  return names;
}

}  // namespace standin
