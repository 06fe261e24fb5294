// Images bound to node inputs: how a scene binds an image to an input (the
// binding), the pixels once loaded (the texture) and sampling at a UV.
//
// This part needs no image library: the stand-in host's loaders
// (standin/assets) fill Texture from PNG or EXR files; anything else that
// has pixels may fill one by hand and sample it with the same binding.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace standin {

enum class Wrap { Repeat, Clamp };

// How 8- and 16-bit PNG values become numbers: Data takes the stored value
// over its maximum (0..1, linear); Color decodes the sRGB curve first (the
// alpha channel stays linear). EXR files hold linear floats and take Data.
enum class Encoding { Data, Color };

// One input's image binding as a scene file states it.
struct ImageBinding {
  std::string file;        // as written in the scene
  std::string path;        // where it is read from (relative to the scene's folder)
  // Channels read, each 0..3 for r, g, b, a: one for a scalar input; one
  // (copied to all three), two (third 0) or three for a vector input.
  std::vector<int> channels{0, 1, 2};
  Wrap wrap = Wrap::Repeat;
  Encoding encoding = Encoding::Data;
  double scale = 1.0;      // value = sample * scale + bias, per component
  double bias = 0.0;
};

// Pixels as floats, rows top to bottom, `channels` (1 grey, 2 grey and
// alpha, 3 RGB, 4 RGBA) per pixel.
struct Texture {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<float> data;
};

// A binding with its loaded texture, what a wired input holds at render
// time. The texture is shared by every binding of the same file and
// encoding, and only read while rendering.
struct ImageInput {
  ImageBinding binding;
  std::shared_ptr<const Texture> texture;
};

// Channel `channel` (0..3 for r, g, b, a) of texel (x, y): grey images give
// their grey for r, g and b; images without alpha give 1 for a. x and y must
// lie inside the image.
float Texel(const Texture& texture, int x, int y, int channel);

// Samples `binding`'s channels at (u, v) with bilinear filtering. u runs
// left to right, v bottom to top (v = 1 is the image's first row); texel
// centres sit at ((i + 0.5) / width, 1 - (j + 0.5) / height). Repeat wraps
// around, Clamp holds the edge texels. Writes three values (scale and bias
// applied): a single channel goes to all three, two channels leave the
// third 0. A non-finite u or v samples texel (0, 0). An empty texture
// yields zeros.
void SampleImage(const ImageBinding& binding, const Texture& texture, double u,
                 double v, double out[3]);

// The channel letters of `channels` ("rgb", "a", ...).
std::string ChannelNames(const std::vector<int>& channels);

}  // namespace standin
