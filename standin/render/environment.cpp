// Building and sampling lat-long environment maps.
#include "standin/render/environment.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace standin {
namespace {

constexpr double kPi = std::numbers::pi;

double Luminance(const float* rgb) {
  return (0.2126 * rgb[0] + 0.7152 * rgb[1]) + 0.0722 * rgb[2];
}

void CopyRadiance(const Texture& texture, const std::string& name, EnvironmentMap& map) {
  const size_t texels = static_cast<size_t>(map.width) * static_cast<size_t>(map.height);
  map.rgb.resize(texels * 3);
  const size_t step = static_cast<size_t>(texture.channels);
  for (size_t i = 0; i < texels; ++i) {
    for (size_t c = 0; c < 3; ++c) {
      const float value = texture.data[i * step + (step >= 3 ? c : 0)];
      if (!std::isfinite(value) || value < 0.0f) {
        throw std::invalid_argument(
            name + ": texel (" + std::to_string(i % static_cast<size_t>(map.width)) + ", " +
            std::to_string(i / static_cast<size_t>(map.width)) +
            ") is negative or not finite; an environment holds radiance (0 or more)");
      }
      map.rgb[i * 3 + c] = value;
    }
  }
}

// Normalises running sums in place to a CDF from 0 to 1.
void Normalise(double* cdf, int n, double total) {
  for (int i = 0; i <= n; ++i) cdf[i] = total > 0.0 ? cdf[i] / total : 0.0;
  cdf[n] = 1.0;
}

// The index i with cdf[i] <= u < cdf[i + 1], skipping empty cells.
int Find(const double* cdf, int n, double u) {
  const double* at = std::upper_bound(cdf, cdf + n + 1, u);
  return std::clamp(static_cast<int>(at - cdf) - 1, 0, n - 1);
}

}  // namespace

Vec3 RotateY(Vec3 v, double degrees) {
  const double a = degrees * kPi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  return {c * v.x + s * v.z, v.y, c * v.z - s * v.x};
}

std::shared_ptr<const EnvironmentMap> MakeEnvironmentMap(const Texture& texture,
                                                         const std::string& name) {
  if (texture.width < 1 || texture.height < 1 || texture.channels < 1 ||
      texture.data.size() != static_cast<size_t>(texture.width) *
                                  static_cast<size_t>(texture.height) *
                                  static_cast<size_t>(texture.channels)) {
    throw std::invalid_argument(name + ": the environment map is empty");
  }
  auto map = std::make_shared<EnvironmentMap>();
  map->width = texture.width;
  map->height = texture.height;
  CopyRadiance(texture, name, *map);
  const int w = map->width, h = map->height;
  map->rowCdf.assign(static_cast<size_t>(h) + 1, 0.0);
  map->texelCdf.assign(static_cast<size_t>(h) * static_cast<size_t>(w + 1), 0.0);
  map->rowWeight.assign(static_cast<size_t>(h), 0.0);
  for (int j = 0; j < h; ++j) {
    const double sinTheta = std::sin((j + 0.5) / h * kPi);
    double* cdf = &map->texelCdf[static_cast<size_t>(j) * static_cast<size_t>(w + 1)];
    for (int i = 0; i < w; ++i) {
      const float* rgb = &map->rgb[(static_cast<size_t>(j) * static_cast<size_t>(w) +
                                    static_cast<size_t>(i)) * 3];
      cdf[i + 1] = cdf[i] + Luminance(rgb) * sinTheta;
    }
    map->rowWeight[static_cast<size_t>(j)] = cdf[w];
    Normalise(cdf, w, cdf[w]);
    map->rowCdf[static_cast<size_t>(j) + 1] =
        map->rowCdf[static_cast<size_t>(j)] + map->rowWeight[static_cast<size_t>(j)];
  }
  map->total = map->rowCdf[static_cast<size_t>(h)];
  Normalise(map->rowCdf.data(), h, map->total);
  return map;
}

bool SampleEnvironment(const EnvironmentMap& map, double u1, double u2,
                       EnvironmentSample* sample) {
  if (!(map.total > 0.0)) return false;
  const int w = map.width, h = map.height;
  const int row = Find(map.rowCdf.data(), h, u2);
  const double* cdf = &map.texelCdf[static_cast<size_t>(row) * static_cast<size_t>(w + 1)];
  const int col = Find(cdf, w, u1);
  // Where the numbers fall inside the chosen cells, reused as the point
  // inside the texel.
  const double rowSpan = map.rowCdf[static_cast<size_t>(row) + 1] - map.rowCdf[static_cast<size_t>(row)];
  const double colSpan = cdf[col + 1] - cdf[col];
  const double fy = rowSpan > 0.0 ? std::clamp((u2 - map.rowCdf[static_cast<size_t>(row)]) / rowSpan, 0.0, 1.0) : 0.5;
  const double fx = colSpan > 0.0 ? std::clamp((u1 - cdf[col]) / colSpan, 0.0, 1.0) : 0.5;
  const double theta = (row + fy) / h * kPi;
  const double phi = ((col + fx) / w - 0.5) * 2.0 * kPi;
  const double sinTheta = std::sin(theta);
  if (!(sinTheta > 0.0)) return false;
  sample->direction = {sinTheta * std::sin(phi), std::cos(theta), -sinTheta * std::cos(phi)};
  const float* rgb = &map.rgb[(static_cast<size_t>(row) * static_cast<size_t>(w) +
                               static_cast<size_t>(col)) * 3];
  sample->radiance = {rgb[0], rgb[1], rgb[2]};
  const double texelPdf = colSpan * rowSpan * w * h;  // density over the unit square
  sample->pdf = texelPdf / (2.0 * kPi * kPi * sinTheta);
  return sample->pdf > 0.0;
}

double EnvironmentPdf(const EnvironmentMap& map, Vec3 direction, Vec3* radiance) {
  const double y = std::clamp(direction.y, -1.0, 1.0);
  const double theta = std::acos(y);
  const double u = 0.5 + std::atan2(direction.x, -direction.z) / (2.0 * kPi);
  const int w = map.width, h = map.height;
  const int row = std::clamp(static_cast<int>(theta / kPi * h), 0, h - 1);
  const int col = std::clamp(static_cast<int>(u * w), 0, w - 1);
  const float* rgb = &map.rgb[(static_cast<size_t>(row) * static_cast<size_t>(w) +
                               static_cast<size_t>(col)) * 3];
  if (radiance) *radiance = {rgb[0], rgb[1], rgb[2]};
  const double sinTheta = std::sin(theta);
  if (!(map.total > 0.0) || !(sinTheta > 0.0)) return 0.0;
  const double* cdf = &map.texelCdf[static_cast<size_t>(row) * static_cast<size_t>(w + 1)];
  const double rowSpan = map.rowCdf[static_cast<size_t>(row) + 1] - map.rowCdf[static_cast<size_t>(row)];
  return (cdf[col + 1] - cdf[col]) * rowSpan * w * h / (2.0 * kPi * kPi * sinTheta);
}

}  // namespace standin
