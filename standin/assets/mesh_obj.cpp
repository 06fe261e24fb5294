// Wavefront OBJ meshes: one vertex per face corner, polygons fanned.
#include <tiny_obj_loader.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "standin/assets/asset_error.h"
#include "standin/assets/mesh_readers.h"

namespace standin {
namespace {

// The first line of a loader message, without its trailing newline.
std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// The loader reads a word it cannot parse as a number ("nan", "inf", "1,5")
// as 0, which would move a vertex silently; so every word of the vertex
// lines ("v", "vn", "vt") must be a finite number.
void CheckNumbers(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  constexpr const char* kSpace = " \t\r";
  for (size_t number = 1; std::getline(file, line); ++number) {
    std::string_view rest(line.data(), std::min(line.size(), line.find('#')));
    const size_t key = rest.find_first_of(kSpace);
    const std::string_view keyword = rest.substr(0, key);
    if (key == std::string_view::npos || (keyword != "v" && keyword != "vn" && keyword != "vt"))
      continue;
    rest.remove_prefix(key);
    for (size_t start; (start = rest.find_first_not_of(kSpace)) != std::string_view::npos;) {
      rest.remove_prefix(start);
      const std::string_view word = rest.substr(0, rest.find_first_of(kSpace));
      rest.remove_prefix(word.size());
      const std::string_view digits = word.substr(word[0] == '+' ? 1 : 0);
      double value = 0.0;
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
        throw AssetError(path + ": line " + std::to_string(number) + ": \"" + std::string(word) +
                         "\" is not a finite number");
    }
  }
}

struct Corners {
  std::vector<tinyobj::index_t> indices;  // three per triangle
};

// Every face as a fan of triangles around its first corner.
Corners Triangles(const std::vector<tinyobj::shape_t>& shapes) {
  Corners corners;
  for (const tinyobj::shape_t& shape : shapes) {
    size_t at = 0;
    for (unsigned char n : shape.mesh.num_face_vertices) {
      for (size_t k = 2; k < n; ++k) {
        for (size_t c : {size_t{0}, k - 1, k}) corners.indices.push_back(shape.mesh.indices[at + c]);
      }
      at += n;
    }
  }
  return corners;
}

// Range checks of every corner's three indices; whether all corners carry
// normals and texture coordinates.
void CheckCorners(const Corners& corners, const tinyobj::attrib_t& attrib, const std::string& path,
                  bool* normals, bool* uvs) {
  const size_t counts[3] = {attrib.vertices.size() / 3, attrib.normals.size() / 3,
                            attrib.texcoords.size() / 2};
  const char* names[3] = {"vertex", "normal", "texture coordinate"};
  size_t withNormal = 0, withUv = 0;
  for (size_t i = 0; i < corners.indices.size(); ++i) {
    const tinyobj::index_t& c = corners.indices[i];
    const int index[3] = {c.vertex_index, c.normal_index, c.texcoord_index};
    for (int k = 0; k < 3; ++k) {
      if ((k == 0 || index[k] >= 0) &&
          (index[k] < 0 || static_cast<size_t>(index[k]) >= counts[k])) {
        throw AssetError(path + ": triangle " + std::to_string(i / 3) + " uses " + names[k] + " " +
                         std::to_string(index[k] + 1) + " of " + std::to_string(counts[k]));
      }
    }
    withNormal += c.normal_index >= 0;
    withUv += c.texcoord_index >= 0;
  }
  if (withUv != 0 && withUv != corners.indices.size()) {
    throw AssetError(path + ": some faces have texture coordinates and others not");
  }
  *normals = withNormal == corners.indices.size();
  *uvs = withUv != 0;
}

// Normals per position, smoothed over the faces that share the position.
Mesh SmoothPositions(const tinyobj::attrib_t& attrib, const Corners& corners) {
  Mesh byPosition;
  byPosition.positions.assign(attrib.vertices.begin(), attrib.vertices.end());
  for (const tinyobj::index_t& c : corners.indices) {
    byPosition.indices.push_back(static_cast<uint32_t>(c.vertex_index));
  }
  ComputeNormals(byPosition);
  return byPosition;
}

void Append(std::vector<float>& to, const std::vector<float>& from, size_t index, size_t width) {
  to.insert(to.end(), from.begin() + static_cast<std::ptrdiff_t>(index * width),
            from.begin() + static_cast<std::ptrdiff_t>((index + 1) * width));
}

}  // namespace

Mesh ReadObj(const std::string& path) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  const std::string folder = std::filesystem::path(path).parent_path().string() + "/";
  if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), folder.c_str(),
                        false)) {
    throw AssetError(path + ": cannot read OBJ: " + FirstLine(err.empty() ? warn : err));
  }
  CheckNumbers(path);
  const Corners corners = Triangles(shapes);
  if (corners.indices.empty()) throw AssetError(path + ": the mesh has no triangles");
  bool normals = false, uvs = false;
  CheckCorners(corners, attrib, path, &normals, &uvs);
  const Mesh smooth = normals ? Mesh{} : SmoothPositions(attrib, corners);
  // One vertex per corner.
  Mesh mesh;
  const size_t n = corners.indices.size();
  mesh.positions.reserve(3 * n);
  mesh.normals.reserve(3 * n);
  if (uvs) mesh.uvs.reserve(2 * n);
  mesh.indices.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const tinyobj::index_t& c = corners.indices[i];
    const auto v = static_cast<size_t>(c.vertex_index);
    Append(mesh.positions, attrib.vertices, v, 3);
    if (normals) Append(mesh.normals, attrib.normals, static_cast<size_t>(c.normal_index), 3);
    else Append(mesh.normals, smooth.normals, v, 3);
    if (uvs) Append(mesh.uvs, attrib.texcoords, static_cast<size_t>(c.texcoord_index), 2);
    mesh.indices[i] = static_cast<uint32_t>(i);
  }
  return mesh;
}

}  // namespace standin
