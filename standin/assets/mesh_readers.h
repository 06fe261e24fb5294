// The file format readers behind LoadMeshFile; both throw AssetError.
#pragma once

#include <string>

#include "standin/assets/mesh.h"

namespace standin {

// Wavefront OBJ through tinyobjloader; normals computed here when some
// corners lack them.
Mesh ReadObj(const std::string& path);

// glTF 2.0 (text .gltf with its buffers, or binary .glb) through tinygltf.
Mesh ReadGltf(const std::string& path, bool binary);

}  // namespace standin
