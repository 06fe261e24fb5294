// The PNG half of image_file.h.
#pragma once

#include <string>
#include <vector>

#include "standin/assets/asset_files.h"
#include "standin/render/texture.h"

namespace standin {

// Decodes a PNG file's bytes (see ReadImageFile), its decoded size claimed
// from `files` first. Throws AssetError.
Texture DecodePngFile(const std::string& path, const std::vector<unsigned char>& bytes,
                      Encoding encoding, AssetFiles& files);

}  // namespace standin
