// Reading images for inputs and comparisons, and writing data maps.
#pragma once

#include <cstdio>
#include <string>

#include "standin/assets/asset_files.h"
#include "standin/render/texture.h"

namespace standin {

// Reads a PNG (8 or 16 bits per channel, any colour type; palettes are
// expanded) or an OpenEXR file (float or half channels R, G, B, A or Y),
// chosen by the file's first bytes. PNG values become value / maximum, then
// with Encoding::Color the sRGB curve is undone on the colour channels.
// The file is read through `files` (a regular file only; its decoded size
// claimed before decoding). Throws AssetError naming the file: unreadable,
// not a regular file, truncated or corrupt, neither PNG nor EXR, more than
// 16384 pixels along a side, more memory than the process may use,
// non-finite EXR values unless kept (a render's EXR may hold them, and a
// comparison reads them as they are), or Color asked of an EXR file.
enum class NonFinite { Refuse, Keep };
Texture ReadImageFile(const std::string& path, Encoding encoding, AssetFiles& files,
                      NonFinite nonFinite = NonFinite::Refuse);
// The same with files of its own (any readable file).
Texture ReadImageFile(const std::string& path, Encoding encoding,
                      NonFinite nonFinite = NonFinite::Refuse);

// Writes `texture` (1 or 3 channels, values clamped to 0..1) to `file` as
// a 16-bit PNG holding the values as data: value * 65535, rounded. Throws
// std::invalid_argument for another texture, std::runtime_error when
// writing fails.
void WritePng16To(std::FILE* file, const Texture& texture);

// Writes `texture` (1 to 4 channels) to `file`, which must be seekable, as
// a float OpenEXR file (channels Y, YA, RGB or RGBA).
void WriteExrTextureTo(std::FILE* file, const Texture& texture);

// The two as one output file (see output_files.h): nothing is left at
// `path` or beside it on failure (FileError).
void WritePng16(const std::string& path, const Texture& texture);
void WriteExrTexture(const std::string& path, const Texture& texture);

}  // namespace standin
