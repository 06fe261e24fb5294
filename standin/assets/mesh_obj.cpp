// Wavefront OBJ meshes: one vertex per face corner, polygons fanned. The
// loader reads the vertex lines; the face lines are read here, since the
// loader counts a face's corners in a byte and reads "3.7" or "3x" as 3.
// Material libraries are not read: materials are ignored.
#include <tiny_obj_loader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <string_view>

#include "standin/assets/asset_error.h"
#include "standin/assets/mesh_readers.h"

namespace standin {
namespace {

constexpr const char* kSpace = " \t\r";
const char* const kIndexNames[3] = {"vertex", "texture coordinate", "normal"};
const char* const kListNames[3] = {"vertices", "texture coordinates", "normals"};

// The file's faces: each corner's 0-based vertex, texture coordinate and
// normal indices (-1: none), as the faces list them. A face may use only
// what the lines before it define.
struct Faces {
  std::vector<tinyobj::index_t> corners;
  std::vector<size_t> sizes;  // corners per face
  size_t counts[3] = {0, 0, 0};  // vertex, texture coordinate and normal lines
};

// Reads a file's bytes as a stream without copying them.
struct ByteStream : std::streambuf {
  explicit ByteStream(std::vector<unsigned char>& bytes) {
    char* begin = reinterpret_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }
};

[[noreturn]] void FailAt(const std::string& path, size_t line, const std::string& what) {
  throw AssetError(path + ": line " + std::to_string(line) + ": " + what);
}

// The next word of `rest`, which then starts after it.
std::string_view NextWord(std::string_view& rest) {
  const size_t start = std::min(rest.size(), rest.find_first_not_of(kSpace));
  rest.remove_prefix(start);
  const std::string_view word = rest.substr(0, rest.find_first_of(kSpace));
  rest.remove_prefix(word.size());
  return word;
}

// The loader reads a word it cannot parse as a number ("nan", "inf", "1,5")
// as 0, which would move a vertex silently; so every word of the vertex
// lines must be a finite number.
void CheckNumbers(std::string_view rest, const std::string& path, size_t line) {
  for (std::string_view word; !(word = NextWord(rest)).empty();) {
    const std::string_view digits = word.substr(word[0] == '+' ? 1 : 0);
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
      FailAt(path, line, "\"" + std::string(word) + "\" is not a finite number");
  }
}

// One index of a corner, 0-based: a whole number from 1 to the count
// `defined` before this line, or, negative, counting back from the last of
// them.
int Index(std::string_view word, int kind, size_t defined, const std::string& path, size_t line) {
  const std::string_view digits = word.substr(!word.empty() && word[0] == '+' ? 1 : 0);
  long long value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value == 0)
    FailAt(path, line, "\"" + std::string(word) + "\" is not a " + kIndexNames[kind] + " index");
  const auto count = static_cast<long long>(defined);
  const long long resolved = value > 0 ? value - 1 : count + value;
  if (resolved < 0 || resolved >= count)
    FailAt(path, line, std::string(kIndexNames[kind]) + " index " + std::string(word) +
                           " is out of range (" + std::to_string(defined) + " " + kListNames[kind] +
                           " before this line)");
  return static_cast<int>(resolved);
}

// A face's corners: "v", "v/vt", "v//vn" or "v/vt/vn".
void ReadFace(std::string_view rest, Faces& faces, const std::string& path, size_t line) {
  size_t corners = 0;
  for (std::string_view word; !(word = NextWord(rest)).empty(); ++corners) {
    if (std::count(word.begin(), word.end(), '/') > 2) FailAt(path, line, "a corner has more than three indices");
    int index[3] = {-1, -1, -1};
    for (int kind = 0; kind < 3; ++kind) {
      const size_t slash = word.find('/');
      const std::string_view part = word.substr(0, slash);
      if (!(kind == 1 && part.empty())) index[kind] = Index(part, kind, faces.counts[kind], path, line);
      if (slash == std::string_view::npos) break;
      word.remove_prefix(slash + 1);
    }
    faces.corners.push_back({index[0], index[2], index[1]});
  }
  faces.sizes.push_back(corners);
}

Faces ReadFaces(const std::vector<unsigned char>& bytes, const std::string& path) {
  Faces faces;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  size_t line = 1;
  for (size_t at = 0; at < text.size(); ++line) {
    const size_t end = std::min(text.size(), text.find('\n', at));
    std::string_view rest = text.substr(at, end - at);
    at = end + 1;
    rest = rest.substr(0, rest.find('#'));
    const std::string_view keyword = NextWord(rest);
    if (keyword == "f") ReadFace(rest, faces, path, line);
    const int kind = keyword == "v" ? 0 : keyword == "vt" ? 1 : keyword == "vn" ? 2 : -1;
    if (kind < 0) continue;
    CheckNumbers(rest, path, line);
    ++faces.counts[kind];
  }
  return faces;
}

// Every face as a fan of triangles around its first corner; faces of
// fewer than three corners give none.
std::vector<tinyobj::index_t> Triangles(const Faces& faces) {
  std::vector<tinyobj::index_t> triangles;
  size_t at = 0;
  for (size_t n : faces.sizes) {
    for (size_t k = 2; k < n; ++k) {
      for (size_t c : {size_t{0}, k - 1, k}) triangles.push_back(faces.corners[at + c]);
    }
    at += n;
  }
  return triangles;
}

// Whether all corners carry normals and texture coordinates.
void Coverage(const std::vector<tinyobj::index_t>& corners, const std::string& path, bool* normals,
              bool* uvs) {
  size_t withNormal = 0, withUv = 0;
  for (const tinyobj::index_t& c : corners) {
    withNormal += c.normal_index >= 0;
    withUv += c.texcoord_index >= 0;
  }
  if (withUv != 0 && withUv != corners.size()) {
    throw AssetError(path + ": some faces have texture coordinates and others not");
  }
  *normals = withNormal == corners.size();
  *uvs = withUv != 0;
}

// Normals per position, smoothed over the faces that share the position.
Mesh SmoothPositions(const tinyobj::attrib_t& attrib, const std::vector<tinyobj::index_t>& corners) {
  Mesh byPosition;
  byPosition.positions.assign(attrib.vertices.begin(), attrib.vertices.end());
  for (const tinyobj::index_t& c : corners) {
    byPosition.indices.push_back(static_cast<uint32_t>(c.vertex_index));
  }
  ComputeNormals(byPosition);
  return byPosition;
}

void Append(std::vector<float>& to, const std::vector<float>& from, size_t index, size_t width) {
  to.insert(to.end(), from.begin() + static_cast<std::ptrdiff_t>(index * width),
            from.begin() + static_cast<std::ptrdiff_t>((index + 1) * width));
}

// The vertex lines through the loader.
tinyobj::attrib_t ReadAttributes(std::vector<unsigned char>& bytes, const Faces& faces,
                                 const std::string& path) {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  ByteStream buffer(bytes);
  std::istream stream(&buffer);
  if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &stream, nullptr, false)) {
    const std::string& reason = err.empty() ? warn : err;
    throw AssetError(path + ": cannot read OBJ: " + reason.substr(0, reason.find('\n')));
  }
  if (attrib.vertices.size() != 3 * faces.counts[0] || attrib.texcoords.size() != 2 * faces.counts[1] ||
      attrib.normals.size() != 3 * faces.counts[2])
    throw AssetError(path + ": cannot read OBJ: a vertex line has the wrong number of values");
  return attrib;
}

}  // namespace

Mesh ReadObj(const std::string& path, AssetFiles& files) {
  std::vector<unsigned char> bytes = files.Read(path);
  const Faces faces = ReadFaces(bytes, path);
  const std::vector<tinyobj::index_t> corners = Triangles(faces);
  if (corners.empty()) throw AssetError(path + ": the mesh has no triangles");
  files.Claim(MeshBytes(corners.size(), corners.size() / 3) + bytes.size(), path);
  const tinyobj::attrib_t attrib = ReadAttributes(bytes, faces, path);
  bool normals = false, uvs = false;
  Coverage(corners, path, &normals, &uvs);
  const Mesh smooth = normals ? Mesh{} : SmoothPositions(attrib, corners);
  // One vertex per corner.
  Mesh mesh;
  const size_t n = corners.size();
  mesh.positions.reserve(3 * n);
  mesh.normals.reserve(3 * n);
  if (uvs) mesh.uvs.reserve(2 * n);
  mesh.indices.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const tinyobj::index_t& c = corners[i];
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
