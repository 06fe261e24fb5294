// Bilinear sampling of bound images.
#include "standin/render/texture.h"

#include <cmath>

namespace standin {
namespace {

// Texel index for coordinate `i` on an axis of `size` texels.
int WrapIndex(long long i, int size, Wrap wrap) {
  if (wrap == Wrap::Clamp) return static_cast<int>(i < 0 ? 0 : i >= size ? size - 1 : i);
  const long long m = i % size;
  return static_cast<int>(m < 0 ? m + size : m);
}

// Continuous texel coordinate of `t` (0..1 over `size` texels), brought
// into [0, size) so that the conversion to an integer is exact and in range
// however far outside 0..1 `t` lies.
double TexelCoordinate(double t, int size) {
  const double x = std::fmod(t * size - 0.5, static_cast<double>(size));
  if (!std::isfinite(x)) return 0.0;
  return x < 0.0 ? x + size : x;
}

double Bilinear(const Texture& texture, int x0, int x1, int y0, int y1,
                double fx, double fy, int channel) {
  // Weighted mean of the four neighbouring texels.
  const double top = Texel(texture, x0, y0, channel) * (1.0 - fx) +
                     Texel(texture, x1, y0, channel) * fx;
  const double bottom = Texel(texture, x0, y1, channel) * (1.0 - fx) +
                        Texel(texture, x1, y1, channel) * fx;
  return top * (1.0 - fy) + bottom * fy;
}

}  // namespace

float Texel(const Texture& texture, int x, int y, int channel) {
  const size_t base = (static_cast<size_t>(y) * static_cast<size_t>(texture.width) +
                       static_cast<size_t>(x)) * static_cast<size_t>(texture.channels);
  const float* p = texture.data.data() + base;
  switch (texture.channels) {
    case 1: return channel == 3 ? 1.0f : p[0];
    case 2: return channel == 3 ? p[1] : p[0];
    case 3: return channel == 3 ? 1.0f : p[channel];
    default: return p[channel];
  }
}

void SampleImage(const ImageBinding& binding, const Texture& texture, double u,
                 double v, double out[3]) {
  out[0] = out[1] = out[2] = 0.0;
  const size_t count = binding.channels.size();
  if (texture.width < 1 || texture.height < 1 || count < 1 || count > 3) return;
  // Texel coordinates: v up, rows down; clamp holds the coordinate at the edges.
  double cx = TexelCoordinate(u, texture.width);
  double cy = TexelCoordinate(1.0 - v, texture.height);
  if (binding.wrap == Wrap::Clamp && std::isfinite(u) && std::isfinite(v)) {
    cx = std::fmin(std::fmax(u * texture.width - 0.5, 0.0), texture.width - 1.0);
    cy = std::fmin(std::fmax((1.0 - v) * texture.height - 0.5, 0.0), texture.height - 1.0);
  }
  const double fx0 = std::floor(cx), fy0 = std::floor(cy);
  const auto ix = static_cast<long long>(fx0), iy = static_cast<long long>(fy0);
  const int x0 = WrapIndex(ix, texture.width, binding.wrap);
  const int x1 = WrapIndex(ix + 1, texture.width, binding.wrap);
  const int y0 = WrapIndex(iy, texture.height, binding.wrap);
  const int y1 = WrapIndex(iy + 1, texture.height, binding.wrap);
  double values[3] = {0.0, 0.0, 0.0};
  for (size_t c = 0; c < count; ++c) {
    values[c] = Bilinear(texture, x0, x1, y0, y1, cx - fx0, cy - fy0, binding.channels[c]) *
                    binding.scale + binding.bias;
  }
  for (size_t c = 0; c < 3; ++c) {
    out[c] = count == 1 ? values[0] : c < count ? values[c] : 0.0;
  }
}

std::string ChannelNames(const std::vector<int>& channels) {
  std::string names;
  for (int c : channels) names += "rgba"[c & 3];
  return names;
}

}  // namespace standin
