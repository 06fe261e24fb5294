// The files behind a glTF mesh: the file itself and its buffers.
#pragma once

#include <tiny_gltf.h>

#include <string>

#include "standin/assets/asset_files.h"

namespace standin {

// Loads the glTF model at `path` (binary .glb when `binary`), reading the
// file and its external buffers through `files` and nothing else: images
// are never read. A .glb file's declared length and chunk lengths must
// match its bytes exactly. Throws AssetError naming the file.
tinygltf::Model LoadGltfModel(const std::string& path, bool binary, AssetFiles& files);

}  // namespace standin
