// Environment lights' maps: a lat-long HDR image (OpenEXR or Radiance
// .hdr) or a built-in preset, ready to sample.
#pragma once

#include <memory>
#include <string>

#include "standin/assets/asset_files.h"
#include "standin/render/environment.h"
#include "standin/render/scene.h"
#include "standin/render/texture.h"

namespace standin {

// The largest environment map read, in texels (8192 x 4096), checked from
// the file's header before its pixels are decoded.
inline constexpr long long kMaxEnvironmentTexels = 8192LL * 4096LL;

// Reads a lat-long map through `files` (a regular file only, its pixels
// claimed against the memory the process may use): OpenEXR (as
// ReadImageFile) or Radiance RGBE (".hdr", by its "#?" signature). Throws
// AssetError naming the file: unreadable, not a regular file, neither
// format, corrupt or truncated, larger than kMaxEnvironmentTexels,
// negative or non-finite values.
Texture ReadEnvironmentFile(const std::string& path, AssetFiles& files);
// The same with files of its own (any readable file).
Texture ReadEnvironmentFile(const std::string& path);

// The environment light's map: its preset's, or its image file's, named
// from `folder` and read through `files` (which may hold it to a folder).
// Throws AssetError naming the file.
std::shared_ptr<const EnvironmentMap> LoadEnvironment(const Light& light, const std::string& folder,
                                                      AssetFiles& files);

}  // namespace standin
