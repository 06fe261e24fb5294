// The PNG half of image_file.h.
#pragma once

#include <string>
#include <vector>

#include "standin/render/texture.h"

namespace standin {

// Decodes a PNG file's bytes (see ReadImageFile). Throws AssetError.
Texture DecodePngFile(const std::string& path, const std::vector<unsigned char>& bytes,
                      Encoding encoding);

}  // namespace standin
