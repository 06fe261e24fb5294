// Mesh files by extension, checks and computed normals.
#include "standin/assets/mesh.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "standin/assets/asset_error.h"
#include "standin/assets/mesh_readers.h"
#include "standin/render/vec3.h"

namespace standin {
namespace {

Vec3 Position(const Mesh& mesh, uint32_t i) {
  const float* p = mesh.positions.data() + 3 * static_cast<size_t>(i);
  return {p[0], p[1], p[2]};
}

// The first non-finite value of `values`, as "what N", or empty.
std::string NonFinite(const std::vector<float>& values, size_t width, const char* what) {
  const auto bad = std::find_if(values.begin(), values.end(),
                                [](float v) { return !std::isfinite(v); });
  if (bad == values.end()) return {};
  return std::string("a non-finite ") + what + " (vertex " +
         std::to_string(static_cast<size_t>(bad - values.begin()) / width) + ")";
}

}  // namespace

void ComputeNormals(Mesh& mesh) {
  std::vector<Vec3> sums(mesh.VertexCount());
  // Each triangle's cross product: its normal weighted by twice its area.
  for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
    const uint32_t* v = mesh.indices.data() + 3 * t;
    const Vec3 a = Position(mesh, v[0]);
    const Vec3 n = Cross(Position(mesh, v[1]) - a, Position(mesh, v[2]) - a);
    for (int k = 0; k < 3; ++k) sums[v[k]] = sums[v[k]] + n;
  }
  mesh.normals.resize(3 * sums.size());
  for (size_t i = 0; i < sums.size(); ++i) {
    const Vec3 n = Length(sums[i]) > 0.0 ? Normalized(sums[i]) : Vec3{0.0, 0.0, 1.0};
    mesh.normals[3 * i] = static_cast<float>(n.x);
    mesh.normals[3 * i + 1] = static_cast<float>(n.y);
    mesh.normals[3 * i + 2] = static_cast<float>(n.z);
  }
}

void CheckMesh(const Mesh& mesh, const std::string& path) {
  const size_t count = mesh.VertexCount();
  auto fail = [&](const std::string& what) { throw AssetError(path + ": " + what); };
  if (mesh.indices.empty()) fail("the mesh has no triangles");
  if (count > 0x7fffffffu) fail("the mesh has more than 2^31 vertices");
  if (mesh.positions.size() % 3 != 0 || mesh.indices.size() % 3 != 0) fail("the mesh is incomplete");
  if ((!mesh.normals.empty() && mesh.normals.size() != 3 * count) ||
      (!mesh.uvs.empty() && mesh.uvs.size() != 2 * count) ||
      (!mesh.tangents.empty() && mesh.tangents.size() != 4 * count)) {
    fail("an attribute does not cover every vertex");
  }
  const auto high = std::find_if(mesh.indices.begin(), mesh.indices.end(),
                                 [&](uint32_t i) { return i >= count; });
  if (high != mesh.indices.end()) {
    fail("triangle " + std::to_string(static_cast<size_t>(high - mesh.indices.begin()) / 3) +
         " uses vertex " + std::to_string(*high) + " of " + std::to_string(count));
  }
  for (const std::string& bad : {NonFinite(mesh.positions, 3, "position"),
                                 NonFinite(mesh.normals, 3, "normal"),
                                 NonFinite(mesh.uvs, 2, "texture coordinate"),
                                 NonFinite(mesh.tangents, 4, "tangent")}) {
    if (!bad.empty()) fail("the mesh has " + bad);
  }
}

std::uint64_t MeshBytes(std::uint64_t vertices, std::uint64_t triangles) {
  constexpr std::uint64_t kPerVertex = (3 + 3 + 2 + 4) * sizeof(float) + 3 * sizeof(float);
  constexpr std::uint64_t kPerTriangle = 2 * 3 * sizeof(uint32_t) + 96;
  const std::uint64_t most = UINT64_MAX / 2 / std::max(kPerVertex, kPerTriangle);
  return std::min(vertices, most) * kPerVertex + std::min(triangles, most) * kPerTriangle;
}

Mesh LoadMeshFile(const std::string& path) {
  AssetFiles files;
  return LoadMeshFile(path, files);
}

Mesh LoadMeshFile(const std::string& path, AssetFiles& files) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  Mesh mesh;
  if (extension == ".obj") {
    mesh = ReadObj(path, files);
  } else if (extension == ".gltf" || extension == ".glb") {
    mesh = ReadGltf(path, extension == ".glb", files);
  } else {
    throw AssetError(path + ": unknown mesh format (expected .obj, .gltf or .glb)");
  }
  CheckMesh(mesh, path);
  if (mesh.normals.empty()) ComputeNormals(mesh);
  return mesh;
}

}  // namespace standin
