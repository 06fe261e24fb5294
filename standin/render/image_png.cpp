// 8-bit sRGB PNG output through libpng's simplified write interface.
#include <png.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "standin/render/image.h"

namespace standin {
namespace {

void CheckImage(const Image& image) {
  const size_t expected = static_cast<size_t>(image.width) *
                          static_cast<size_t>(image.height) * 3;
  if (image.width < 1 || image.height < 1 || image.rgb.size() != expected) {
    throw std::invalid_argument("image has an inconsistent size");
  }
}

void CheckArguments(const Image& image, double exposure) {
  CheckImage(image);
  if (!std::isfinite(exposure) || exposure < 0.0) {
    throw std::invalid_argument("exposure must be a finite number of at least 0");
  }
}

std::vector<unsigned char> DisplayBytes(const Image& image, double exposure) {
  std::vector<unsigned char> bytes(image.rgb.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = DisplayByte(image.rgb[i], exposure);
  }
  return bytes;
}

}  // namespace

void WritePngTo(std::FILE* file, const Image& image, double exposure) {
  CheckArguments(image, exposure);
  const std::vector<unsigned char> bytes = DisplayBytes(image, exposure);
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  const png_int_32 stride = image.width * 3;
  const int ok = png_image_write_to_stdio(&png, file, 0, bytes.data(), stride, nullptr);
  const std::string message = png.message;
  png_image_free(&png);
  if (!ok) throw std::runtime_error("cannot write PNG: " + message);
}

void WritePng(const std::string& path, const Image& image, double exposure) {
  CheckArguments(image, exposure);
  WriteOneFile(path, [&](std::FILE* file) { WritePngTo(file, image, exposure); });
}

}  // namespace standin
