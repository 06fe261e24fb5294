// PNG reading through libpng's full interface (the simplified one would
// apply gamma to 16-bit data), and 16-bit data PNG writing.
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <vector>

#include "standin/assets/asset_error.h"
#include "standin/assets/image_png.h"
#include "standin/files/output_files.h"

namespace standin {
namespace {

struct MemoryReader {
  const unsigned char* data;
  size_t size;
  size_t at;
};

// Decoded rows, owned by malloc so that an error's longjmp can free them.
struct RawPng {
  unsigned char* pixels = nullptr;
  png_bytep* rows = nullptr;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int channels = 0;
  int depth = 0;
  char error[256] = {};
};

void ReadBytes(png_structp png, png_bytep out, size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > reader->size - reader->at) png_error(png, "the file is truncated");
  std::memcpy(out, reader->data + reader->at, count);
  reader->at += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* raw = static_cast<RawPng*>(png_get_error_ptr(png));
  std::strncpy(raw->error, message, sizeof raw->error - 1);
  std::longjmp(png_jmpbuf(png), 1);
}

void OnWarning(png_structp, png_const_charp) {}

void FreeRaw(RawPng* raw) {
  std::free(raw->pixels);
  std::free(raw->rows);
  raw->pixels = nullptr;
  raw->rows = nullptr;
}

void Layout(png_structp png, png_infop info, RawPng* raw) {
  // Palettes and small greys to 8 bits, transparency to alpha, 16-bit
  // samples in this machine's byte order.
  png_set_expand(png);
  if (png_get_bit_depth(png, info) == 16) png_set_swap(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  raw->width = png_get_image_width(png, info);
  raw->height = png_get_image_height(png, info);
  raw->channels = png_get_channels(png, info);
  raw->depth = png_get_bit_depth(png, info);
}

// C-style decoding: nothing with a destructor lives across setjmp.
bool DecodePng(MemoryReader* reader, RawPng* raw) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, raw, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::strcpy(raw->error, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    FreeRaw(raw);
    return false;
  }
  png_set_read_fn(png, reader, ReadBytes);
  png_set_user_limits(png, 16384, 16384);
  png_read_info(png, info);
  Layout(png, info, raw);
  const size_t rowBytes = png_get_rowbytes(png, info);
  raw->pixels = static_cast<unsigned char*>(std::malloc(rowBytes * raw->height));
  raw->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * raw->height));
  if (raw->pixels == nullptr || raw->rows == nullptr) png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < raw->height; ++y) raw->rows[y] = raw->pixels + rowBytes * y;
  png_read_image(png, raw->rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

std::uint32_t BigEndian(const std::vector<unsigned char>& bytes, size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

// Whether a tRNS chunk (transparency, read as alpha) comes before the
// image data.
bool HasTransparency(const std::vector<unsigned char>& bytes) {
  for (size_t at = 8; bytes.size() - at >= 12;) {
    const std::uint32_t length = BigEndian(bytes, at);
    if (std::memcmp(bytes.data() + at + 4, "tRNS", 4) == 0) return true;
    if (std::memcmp(bytes.data() + at + 4, "IDAT", 4) == 0 || length > bytes.size() - at - 12) return false;
    at += 12 + length;
  }
  return false;
}

// The size a sound header declares, checked before anything is decoded:
// at most 16384 pixels along a side, and the decoded rows and floats
// within the memory the process may use. A file without a sound header is
// left to the decoder's own message.
void CheckHeader(const std::string& path, const std::vector<unsigned char>& bytes, AssetFiles& files) {
  constexpr size_t kHeaderEnd = 8 + 8 + 13 + 4;
  if (bytes.size() < kHeaderEnd || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0 ||
      crc32(0, bytes.data() + 12, 17) != BigEndian(bytes, 29))
    return;
  const std::uint32_t width = BigEndian(bytes, 16), height = BigEndian(bytes, 20);
  if (width > 16384 || height > 16384)
    throw AssetError(path + ": cannot read PNG: the image is " + std::to_string(width) + "x" +
                     std::to_string(height) + ", more than 16384 pixels along a side");
  // Samples per pixel once expanded (transparency adds alpha), bytes per
  // sample (palettes and small greys become 8 bits).
  const int colourType = bytes[25];
  const std::uint64_t samples = (colourType == 0 ? 1 : colourType == 4 ? 2 : colourType == 6 ? 4 : 3) +
                                (colourType != 4 && colourType != 6 && HasTransparency(bytes) ? 1 : 0);
  const std::uint64_t stored = bytes[24] == 16 ? 2 : 1;
  files.Claim(std::uint64_t{width} * height * samples * (stored + sizeof(float)), path);
}

float SrgbToLinear(float c) {
  return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

Texture ToTexture(const RawPng& raw, Encoding encoding) {
  Texture texture;
  texture.width = static_cast<int>(raw.width);
  texture.height = static_cast<int>(raw.height);
  texture.channels = raw.channels;
  const size_t count = static_cast<size_t>(raw.width) * raw.height * static_cast<size_t>(raw.channels);
  texture.data.resize(count);
  const float top = raw.depth == 16 ? 65535.0f : 255.0f;
  // Colour channels are all but the alpha of grey-alpha and RGBA images.
  const int colours = raw.channels == 2 || raw.channels == 4 ? raw.channels - 1 : raw.channels;
  for (size_t i = 0; i < count; ++i) {
    const float stored = raw.depth == 16
                             ? static_cast<float>(reinterpret_cast<const uint16_t*>(raw.pixels)[i])
                             : static_cast<float>(raw.pixels[i]);
    const float value = stored / top;
    const bool colour = static_cast<int>(i % static_cast<size_t>(raw.channels)) < colours;
    texture.data[i] = encoding == Encoding::Color && colour ? SrgbToLinear(value) : value;
  }
  return texture;
}

}  // namespace

Texture DecodePngFile(const std::string& path, const std::vector<unsigned char>& bytes,
                      Encoding encoding, AssetFiles& files) {
  CheckHeader(path, bytes, files);
  MemoryReader reader{bytes.data(), bytes.size(), 0};
  RawPng raw;
  if (!DecodePng(&reader, &raw)) throw AssetError(path + ": cannot read PNG: " + raw.error);
  Texture texture;
  try {
    texture = ToTexture(raw, encoding);
  } catch (...) {
    FreeRaw(&raw);
    throw;
  }
  FreeRaw(&raw);
  return texture;
}

void WritePng16To(std::FILE* file, const Texture& texture) {
  if ((texture.channels != 1 && texture.channels != 3) || texture.width < 1 || texture.height < 1 ||
      texture.data.size() != static_cast<size_t>(texture.width) * static_cast<size_t>(texture.height) *
                                 static_cast<size_t>(texture.channels)) {
    throw std::invalid_argument("a 16-bit PNG takes a grey or RGB texture of consistent size");
  }
  std::vector<png_uint_16> values(texture.data.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const float v = texture.data[i] > 0.0f ? (texture.data[i] < 1.0f ? texture.data[i] : 1.0f) : 0.0f;
    values[i] = static_cast<png_uint_16>(std::lround(v * 65535.0f));
  }
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(texture.width);
  png.height = static_cast<png_uint_32>(texture.height);
  png.format = texture.channels == 1 ? PNG_FORMAT_LINEAR_Y : PNG_FORMAT_LINEAR_RGB;
  const png_int_32 stride = texture.width * texture.channels;
  const int ok = png_image_write_to_stdio(&png, file, 0, values.data(), stride, nullptr);
  const std::string message = png.message;
  png_image_free(&png);
  if (!ok) throw std::runtime_error("cannot write PNG: " + message);
}

void WritePng16(const std::string& path, const Texture& texture) {
  WriteOneFile(path, [&](std::FILE* file) { WritePng16To(file, texture); });
}

}  // namespace standin
