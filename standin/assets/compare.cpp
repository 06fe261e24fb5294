// Differences, heat maps and the comparison sheet.
#include "standin/assets/compare.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace standin {
namespace {

constexpr int kGap = 3;
constexpr int kStrip = 20;

// NaN against NaN and an infinity against the same infinity are equal; NaN
// against anything else is NaN, another infinity against anything else
// infinite.
double ChannelDifference(float a, float b) {
  if (std::isnan(a) && std::isnan(b)) return 0.0;
  if (std::isnan(a) || std::isnan(b)) return NAN;
  if (std::isinf(a) || std::isinf(b)) return a == b ? 0.0 : INFINITY;
  return std::abs(static_cast<double>(a) - static_cast<double>(b));
}

// The larger of two differences, NaN above every number.
double Worse(double worst, double e) { return std::isnan(worst) || std::isnan(e) ? NAN : std::max(worst, e); }

double PixelDifference(const Image& a, const Image& b, int x, int y) {
  double worst = 0.0;
  for (int c = 0; c < 3; ++c) worst = Worse(worst, ChannelDifference(a.Pixel(x, y)[c], b.Pixel(x, y)[c]));
  return worst;
}

// Black, blue, red, yellow, white over 0..1 (display values, squared back
// to linear so the written PNG shows the ramp as designed).
std::array<float, 3> Heat(double t) {
  static const double stops[5][3] = {{0, 0, 0}, {0.1, 0.2, 1}, {1, 0.15, 0.1}, {1, 0.9, 0.1}, {1, 1, 1}};
  t = std::isnan(t) ? 1.0 : std::clamp(t, 0.0, 1.0) * 4.0;
  const int i = std::min(static_cast<int>(t), 3);
  const double f = t - i;
  std::array<float, 3> rgb{};
  for (size_t c = 0; c < 3; ++c) {
    const double d = stops[i][c] + (stops[i + 1][c] - stops[i][c]) * f;
    rgb[c] = static_cast<float>(d * d);
  }
  return rgb;
}

void Put(Image& image, int x, int y, std::array<float, 3> rgb) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  std::copy(rgb.begin(), rgb.end(), image.Pixel(x, y));
}

void Blit(Image& to, const Image& from, int x0, int y0, int xFrom, int xTo) {
  for (int y = 0; y < from.height; ++y) {
    for (int x = xFrom; x < xTo; ++x) {
      const float* p = from.Pixel(x, y);
      Put(to, x0 + x, y0 + y, {p[0], p[1], p[2]});
    }
  }
}

// A 3x5 pixel font for numbers.
const char* Glyph(char c) {
  switch (c) {
    case '0': return "111101101101111";
    case '1': return "010110010010111";
    case '2': return "111001111100111";
    case '3': return "111001111001111";
    case '4': return "101101111001001";
    case '5': return "111100111001111";
    case '6': return "111100111101111";
    case '7': return "111001001001001";
    case '8': return "111101111101111";
    case '9': return "111101111001111";
    case '.': return "000000000000010";
    case '-': return "000000111000000";
    case '+': return "000010111010000";
    case 'e': return "000111101110111";
    default: return "000000000000000";
  }
}

void Text(Image& image, int x, int y, const std::string& text, int pixel) {
  for (char c : text) {
    const char* g = Glyph(c);
    for (int k = 0; k < 15; ++k) {
      if (g[k] != '1') continue;
      for (int dy = 0; dy < pixel; ++dy)
        for (int dx = 0; dx < pixel; ++dx) Put(image, x + (k % 3) * pixel + dx, y + (k / 3) * pixel + dy, {1, 1, 1});
    }
    x += 4 * pixel;
  }
}

void Legend(Image& sheet, int y0, double scale) {
  const int w = sheet.width;
  char label[32];
  std::snprintf(label, sizeof label, "%.3g", scale);
  const int pixel = 2;
  const int textWidth = 4 * pixel * static_cast<int>(std::string(label).size());
  // The ramp between "0" and the scale's value.
  const int x0 = 4 * pixel + 4, x1 = std::max(x0 + 1, w - textWidth - 4);
  for (int x = x0; x < x1; ++x) {
    const auto rgb = Heat(static_cast<double>(x - x0) / std::max(1, x1 - x0 - 1));
    for (int y = y0 + 4; y < y0 + kStrip - 4; ++y) Put(sheet, x, y, rgb);
  }
  Text(sheet, 2, y0 + 5, "0", pixel);
  Text(sheet, x1 + 3, y0 + 5, label, pixel);
}

}  // namespace

Difference CompareImages(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) {
    throw std::invalid_argument("the images differ in size: " + std::to_string(a.width) + "x" +
                                std::to_string(a.height) + " against " + std::to_string(b.width) +
                                "x" + std::to_string(b.height));
  }
  Difference d;
  double sum = 0.0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    const double e = ChannelDifference(a.rgb[i], b.rgb[i]);
    if (std::isnan(e)) ++d.nanChannels;
    sum += e * e;
    d.max = Worse(d.max, e);
  }
  d.rms = a.rgb.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(a.rgb.size()));
  return d;
}

Image CompareSheet(const Image& a, const Image& b, double scale) {
  CompareImages(a, b);
  const int w = a.width, h = a.height;
  Image sheet = MakeImage(2 * w + kGap, 2 * h + kGap + kStrip);
  Blit(sheet, a, 0, 0, 0, w);
  Blit(sheet, b, w + kGap, 0, 0, w);
  // Split view: A's left half, B's right half, a white line between.
  Blit(sheet, a, 0, h + kGap, 0, w / 2);
  Blit(sheet, b, 0, h + kGap, w / 2, w);
  for (int y = 0; y < h; ++y) Put(sheet, w / 2, h + kGap + y, {1, 1, 1});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double t = scale > 0.0 ? PixelDifference(a, b, x, y) / scale : 1.0;
      Put(sheet, w + kGap + x, h + kGap + y, Heat(t));
    }
  }
  Legend(sheet, 2 * h + kGap, scale);
  return sheet;
}

}  // namespace standin
