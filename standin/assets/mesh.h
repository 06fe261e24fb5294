// Triangle meshes read from OBJ and glTF 2.0 files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/assets/asset_files.h"

namespace standin {

// An indexed triangle mesh in its file's own units and frame. Attributes
// are per vertex; each is either empty or complete.
struct Mesh {
  std::vector<float> positions;   // x, y, z
  std::vector<float> normals;     // x, y, z, unit
  std::vector<float> uvs;         // u, v (v up, as OBJ and as the scene's UV)
  std::vector<float> tangents;    // x, y, z, handedness
  std::vector<uint32_t> indices;  // three per triangle

  size_t VertexCount() const { return positions.size() / 3; }
  size_t TriangleCount() const { return indices.size() / 3; }
};

// Reads a mesh by the file's extension: .obj (Wavefront OBJ; polygons are
// fanned into triangles), .gltf or .glb (glTF 2.0: every triangle primitive
// of the default scene's nodes with their transforms, or of every mesh when
// the file has no scene). A file without normals gets smooth ones
// (ComputeNormals). Throws AssetError naming the file and what is wrong: not
// readable or not parsable, no triangles, an index out of range, a
// non-finite position, normal or UV, more than 2^31 vertices, more memory
// than the process may use. Every file is read through `files`.
Mesh LoadMeshFile(const std::string& path, AssetFiles& files);
// The same with files of its own (any readable file).
Mesh LoadMeshFile(const std::string& path);

// The memory a mesh of `vertices` and `triangles` takes once traced, an
// estimate on the high side: its attributes, indices and Embree's copy and
// hierarchy.
std::uint64_t MeshBytes(std::uint64_t vertices, std::uint64_t triangles);

// Smooth normals: at each vertex the sum of the normals of the triangles
// that use it, each weighted by the triangle's area (its cross product's
// length), normalised. A vertex used only by degenerate triangles gets
// (0, 0, 1).
void ComputeNormals(Mesh& mesh);

// Checks indices, counts and finite values (see LoadMeshFile). Throws
// AssetError naming `path`.
void CheckMesh(const Mesh& mesh, const std::string& path);

}  // namespace standin
