// Image storage and display encoding.
#include "standin/render/image.h"

#include <cmath>
#include <stdexcept>

namespace standin {

Image MakeImage(int width, int height) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    throw std::invalid_argument("image size " + std::to_string(width) + "x" +
                                std::to_string(height) +
                                " is outside 1x1 .. 16384x16384");
  }
  Image image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0.0f);
  return image;
}

unsigned char DisplayByte(float value, double exposure) {
  double v = static_cast<double>(value) * exposure;
  if (std::isnan(v)) v = 0.0;
  v = v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
  // sRGB transfer curve.
  const double encoded =
      v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
  return static_cast<unsigned char>(std::lround(encoded * 255.0));
}

}  // namespace standin
