// Rendered images and their files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standin/files/output_files.h"

namespace standin {

// A linear RGB image, rows top to bottom, three floats per pixel. Values
// are unclamped and may be negative, above 1 or non-finite.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;  // width * height * 3

  float* Pixel(int x, int y) {
    return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) +
                         static_cast<size_t>(x)) * 3;
  }
  const float* Pixel(int x, int y) const {
    return rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) +
                         static_cast<size_t>(x)) * 3;
  }
};

// An image of the given size filled with zeros. Throws std::invalid_argument
// for a size below 1 or above 16384 in either direction.
Image MakeImage(int width, int height);

// The 8-bit display value of one linear channel: value * exposure, then
// NaN to 0, clamped to [0, 1], sRGB-encoded and rounded.
unsigned char DisplayByte(float value, double exposure);

// Writes an 8-bit sRGB PNG (channels through DisplayByte) to `file`.
// Clamping happens only here, for display; the image itself is not changed.
// Throws std::invalid_argument for an inconsistent image or an exposure that
// is not finite or is below 0, std::runtime_error when writing fails.
void WritePngTo(std::FILE* file, const Image& image, double exposure);

// Writes a linear, unclamped 32-bit float RGB OpenEXR file (ZIP
// compression) to `file`, which must be seekable. Throws
// std::invalid_argument for an inconsistent image, std::runtime_error when
// writing fails.
void WriteExrTo(std::FILE* file, const Image& image);

// WritePngTo and WriteExrTo as one output file (see output_files.h): throw
// FileError naming `path`, and leave nothing at `path` or beside it on
// failure.
void WritePng(const std::string& path, const Image& image, double exposure);
void WriteExr(const std::string& path, const Image& image);

}  // namespace standin
