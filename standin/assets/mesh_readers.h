// The file format readers behind LoadMeshFile; both throw AssetError.
#pragma once

#include <string>

#include "standin/assets/mesh.h"

namespace standin {

// Wavefront OBJ, the vertex lines through tinyobjloader; normals computed
// here when some corners lack them.
Mesh ReadObj(const std::string& path, AssetFiles& files);

// glTF 2.0 (text .gltf with its buffers, or binary .glb) through tinygltf;
// images are not read.
Mesh ReadGltf(const std::string& path, bool binary, AssetFiles& files);

}  // namespace standin
