// glTF 2.0 meshes: the triangle primitives of the scene's nodes, placed by
// the nodes' transforms, as one mesh. Nodes that share children are
// expanded, once their total is known to fit in memory.
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

#include "standin/assets/asset_error.h"
#include "standin/assets/gltf_files.h"
#include "standin/assets/mesh_readers.h"

namespace standin {
namespace {

using Matrix = std::array<double, 16>;  // column-major, as glTF writes it
constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += a[static_cast<size_t>(k * 4 + r)] * b[static_cast<size_t>(c * 4 + k)];
      m[static_cast<size_t>(c * 4 + r)] = sum;
    }
  }
  return m;
}

// The node's own transform: its matrix, or translation * rotation * scale.
Matrix NodeMatrix(const tinygltf::Node& node) {
  if (node.matrix.size() == 16) {
    Matrix m;
    std::copy(node.matrix.begin(), node.matrix.end(), m.begin());
    return m;
  }
  const auto& t = node.translation;
  const auto& q = node.rotation;
  const auto& s = node.scale;
  const double x = q.size() == 4 ? q[0] : 0, y = q.size() == 4 ? q[1] : 0,
               z = q.size() == 4 ? q[2] : 0, w = q.size() == 4 ? q[3] : 1;
  const double sx = s.size() == 3 ? s[0] : 1, sy = s.size() == 3 ? s[1] : 1,
               sz = s.size() == 3 ? s[2] : 1;
  // Rotation from the unit quaternion, columns scaled.
  Matrix m{(1 - 2 * (y * y + z * z)) * sx, (2 * (x * y + z * w)) * sx, (2 * (x * z - y * w)) * sx, 0,
           (2 * (x * y - z * w)) * sy, (1 - 2 * (x * x + z * z)) * sy, (2 * (y * z + x * w)) * sy, 0,
           (2 * (x * z + y * w)) * sz, (2 * (y * z - x * w)) * sz, (1 - 2 * (x * x + y * y)) * sz, 0,
           t.size() == 3 ? t[0] : 0, t.size() == 3 ? t[1] : 0, t.size() == 3 ? t[2] : 0, 1};
  return m;
}

// Reads glTF accessors with every offset and index checked.
class Reader {
 public:
  Reader(const tinygltf::Model& model, const std::string& path) : model_(model), path_(path) {}

  [[noreturn]] void Fail(const std::string& what) const { throw AssetError(path_ + ": " + what); }

  // Accessor `index` as floats, `width` per element (normalised integers
  // are scaled to 0..1).
  std::vector<float> Floats(int index, int width, const char* what) const {
    const tinygltf::Accessor& a = Accessor(index, what);
    if (tinygltf::GetNumComponentsInType(static_cast<uint32_t>(a.type)) != width) {
      Fail(std::string(what) + " has the wrong number of components");
    }
    const bool floats = a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT;
    const bool bytes = a.normalized && a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
    const bool shorts = a.normalized && a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
    if (!floats && !bytes && !shorts) Fail(std::string(what) + " is neither float nor normalised");
    const Span span = Elements(a, what);
    std::vector<float> out(span.count * static_cast<size_t>(width));
    for (size_t i = 0; i < span.count; ++i) {
      const unsigned char* p = span.start + span.step * i;
      for (size_t k = 0; k < static_cast<size_t>(width); ++k) {
        float v;
        if (floats) {
          std::memcpy(&v, p + 4 * k, 4);
        } else if (bytes) {
          v = static_cast<float>(p[k]) / 255.0f;
        } else {
          uint16_t s;
          std::memcpy(&s, p + 2 * k, 2);
          v = static_cast<float>(s) / 65535.0f;
        }
        out[i * static_cast<size_t>(width) + k] = v;
      }
    }
    return out;
  }

  std::vector<uint32_t> Indices(int index) const {
    const tinygltf::Accessor& a = Accessor(index, "the index list");
    if (a.type != TINYGLTF_TYPE_SCALAR) Fail("the index list is not scalar");
    const int type = a.componentType;
    if (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
      Fail("the index list is not of unsigned integers");
    }
    const Span span = Elements(a, "the index list");
    std::vector<uint32_t> out(span.count);
    for (size_t i = 0; i < span.count; ++i) {
      const unsigned char* p = span.start + span.step * i;
      if (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) {
        out[i] = p[0];
      } else if (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
        uint16_t s;
        std::memcpy(&s, p, 2);
        out[i] = s;
      } else {
        std::memcpy(&out[i], p, 4);
      }
    }
    return out;
  }

  // The element count of accessor `index`, once its elements are known to
  // lie inside its buffer.
  size_t Count(int index, const char* what) const { return Elements(Accessor(index, what), what).count; }

 private:
  const tinygltf::Accessor& Accessor(int index, const char* what) const {
    if (index < 0 || static_cast<size_t>(index) >= model_.accessors.size()) {
      Fail(std::string(what) + " names a missing accessor");
    }
    const tinygltf::Accessor& a = model_.accessors[static_cast<size_t>(index)];
    if (a.sparse.isSparse) Fail(std::string(what) + " is sparse, which is not supported");
    return a;
  }

  struct Span {
    const unsigned char* start = nullptr;
    size_t step = 0;
    size_t count = 0;
  };

  // Where the accessor's elements lie, checked against its view and buffer
  // (offsets, stride and count) before anything is allocated for them.
  Span Elements(const tinygltf::Accessor& a, const char* what) const {
    if (a.count == 0) return {};
    if (a.bufferView < 0 || static_cast<size_t>(a.bufferView) >= model_.bufferViews.size()) {
      Fail(std::string(what) + " has no buffer view");
    }
    const tinygltf::BufferView& view = model_.bufferViews[static_cast<size_t>(a.bufferView)];
    if (view.buffer < 0 || static_cast<size_t>(view.buffer) >= model_.buffers.size()) {
      Fail(std::string(what) + " names a missing buffer");
    }
    const std::vector<unsigned char>& data = model_.buffers[static_cast<size_t>(view.buffer)].data;
    const int stride = a.ByteStride(view);
    const auto element = static_cast<size_t>(
        tinygltf::GetComponentSizeInBytes(static_cast<uint32_t>(a.componentType)) *
        tinygltf::GetNumComponentsInType(static_cast<uint32_t>(a.type)));
    if (stride <= 0) Fail(std::string(what) + " has an invalid stride");
    const size_t step = static_cast<size_t>(stride);
    // The view within the buffer, the accessor within the view, without
    // letting any sum wrap around.
    const size_t size = data.size();
    const bool fits = view.byteOffset <= size && view.byteLength <= size - view.byteOffset &&
                      a.byteOffset <= view.byteLength &&
                      element <= view.byteLength - a.byteOffset &&
                      a.count - 1 <= (view.byteLength - a.byteOffset - element) / step;
    if (!fits) Fail(std::string(what) + " reaches past the end of its buffer (the file is truncated)");
    return {data.data() + view.byteOffset + a.byteOffset, step, a.count};
  }

  const tinygltf::Model& model_;
  const std::string& path_;
};

// Appends `count` normals from `n`, turned by the inverse transpose of m's
// 3x3 part (here its cofactors; they are normalised later).
void AppendNormals(const std::vector<float>& n, size_t count, const Matrix& m, Mesh& mesh) {
  auto c = [&](int r, int k) { return m[static_cast<size_t>(4 * k + r)]; };
  for (size_t i = 0; i < count; ++i) {
    const float* v = &n[3 * i];
    for (int r = 0; r < 3; ++r) {
      const int r1 = (r + 1) % 3, r2 = (r + 2) % 3;
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) {
        const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
        sum += (c(r1, k1) * c(r2, k2) - c(r1, k2) * c(r2, k1)) * v[k];
      }
      mesh.normals.push_back(static_cast<float>(sum));
    }
  }
}

// Appends a primitive's triangles (its indices, or its vertices in order)
// after the `base` vertices already in `mesh`.
void AppendIndices(const Reader& reader, const tinygltf::Primitive& primitive, size_t base,
                   size_t count, Mesh& mesh) {
  std::vector<uint32_t> indices;
  if (primitive.indices >= 0) {
    indices = reader.Indices(primitive.indices);
  } else {
    for (size_t i = 0; i < count; ++i) indices.push_back(static_cast<uint32_t>(i));
  }
  if (indices.size() % 3 != 0) reader.Fail("a primitive's index count is not a multiple of 3");
  for (uint32_t i : indices) {
    if (i >= count) {
      reader.Fail("a primitive uses vertex " + std::to_string(i) + " of " + std::to_string(count));
    }
    mesh.indices.push_back(static_cast<uint32_t>(base + i));
  }
}

// Appends one primitive, placed by `m`, to `mesh`.
void AppendPrimitive(const Reader& reader, const tinygltf::Primitive& primitive, const Matrix& m,
                     Mesh& mesh, bool* normals, bool* uvs, bool* tangents) {
  const auto attribute = [&](const char* name) {
    const auto it = primitive.attributes.find(name);
    return it == primitive.attributes.end() ? -1 : it->second;
  };
  if (attribute("POSITION") < 0) reader.Fail("a primitive has no POSITION");
  const std::vector<float> p = reader.Floats(attribute("POSITION"), 3, "POSITION");
  const size_t count = p.size() / 3;
  const size_t base = mesh.VertexCount();
  // Positions by the full transform, directions by its 3x3 part.
  auto point = [&](const float* v, int r) {
    return m[static_cast<size_t>(r)] * v[0] + m[static_cast<size_t>(4 + r)] * v[1] +
           m[static_cast<size_t>(8 + r)] * v[2] + m[static_cast<size_t>(12 + r)];
  };
  for (size_t i = 0; i < count; ++i) {
    for (int r = 0; r < 3; ++r) mesh.positions.push_back(static_cast<float>(point(&p[3 * i], r)));
  }
  *normals = *normals && attribute("NORMAL") >= 0;
  *uvs = *uvs && attribute("TEXCOORD_0") >= 0;
  *tangents = *tangents && attribute("TANGENT") >= 0;
  if (*normals) {
    const std::vector<float> n = reader.Floats(attribute("NORMAL"), 3, "NORMAL");
    if (n.size() != 3 * count) reader.Fail("NORMAL does not cover every vertex");
    AppendNormals(n, count, m, mesh);
  }
  if (*uvs) {
    const std::vector<float> t = reader.Floats(attribute("TEXCOORD_0"), 2, "TEXCOORD_0");
    if (t.size() != 2 * count) reader.Fail("TEXCOORD_0 does not cover every vertex");
    // glTF's v runs down the image; the scene's UV runs up.
    for (size_t i = 0; i < count; ++i) {
      mesh.uvs.push_back(t[2 * i]);
      mesh.uvs.push_back(1.0f - t[2 * i + 1]);
    }
  }
  if (*tangents) {
    const std::vector<float> t = reader.Floats(attribute("TANGENT"), 4, "TANGENT");
    if (t.size() != 4 * count) reader.Fail("TANGENT does not cover every vertex");
    for (size_t i = 0; i < count; ++i) {
      for (int r = 0; r < 3; ++r) {
        mesh.tangents.push_back(static_cast<float>(point(&t[4 * i], r) - m[static_cast<size_t>(12 + r)]));
      }
      mesh.tangents.push_back(t[4 * i + 3]);
    }
  }
  AppendIndices(reader, primitive, base, count, mesh);
}

bool Triangles(const tinygltf::Primitive& primitive) {
  return primitive.mode == TINYGLTF_MODE_TRIANGLES || primitive.mode == -1;
}

struct Gathered {
  Mesh mesh;
  bool normals = true, uvs = true, tangents = true;
};

void AppendMesh(const Reader& reader, const tinygltf::Model& model, int index, const Matrix& m,
                Gathered& out) {
  if (index < 0 || static_cast<size_t>(index) >= model.meshes.size()) reader.Fail("a node names a missing mesh");
  for (const tinygltf::Primitive& primitive : model.meshes[static_cast<size_t>(index)].primitives) {
    if (!Triangles(primitive)) continue;
    AppendPrimitive(reader, primitive, m, out.mesh, &out.normals, &out.uvs, &out.tangents);
  }
}

// What a node places, itself and its children: shared children count once
// for each place they appear.
struct Placed {
  std::uint64_t vertices = 0;
  std::uint64_t triangles = 0;

  void Add(const Placed& more) {
    vertices = std::min(vertices + more.vertices, UINT64_MAX / 2);
    triangles = std::min(triangles + more.triangles, UINT64_MAX / 2);
  }
};

// Sizes the nodes before anything is built, each node and mesh once, so
// that a file whose nodes share children is measured in the time its
// nodes take to read, not in the time its expansion would take to build.
class Sizes {
 public:
  Sizes(const Reader& reader, const tinygltf::Model& model)
      : reader_(reader), model_(model), meshes_(model.meshes.size()), nodes_(model.nodes.size()) {}

  const Placed& OfMesh(int index) {
    if (index < 0 || static_cast<size_t>(index) >= model_.meshes.size()) reader_.Fail("a node names a missing mesh");
    std::optional<Placed>& size = meshes_[static_cast<size_t>(index)];
    if (size) return *size;
    size.emplace();
    for (const tinygltf::Primitive& primitive : model_.meshes[static_cast<size_t>(index)].primitives) {
      const auto position = primitive.attributes.find("POSITION");
      if (!Triangles(primitive)) continue;
      if (position == primitive.attributes.end()) reader_.Fail("a primitive has no POSITION");
      const size_t vertices = reader_.Count(position->second, "POSITION");
      const size_t corners = primitive.indices >= 0 ? reader_.Count(primitive.indices, "the index list") : vertices;
      size->Add({vertices, corners / 3});
    }
    return *size;
  }

  const Placed& OfNode(int index, int depth) {
    if (index < 0 || static_cast<size_t>(index) >= model_.nodes.size()) reader_.Fail("a scene names a missing node");
    if (depth > 64) reader_.Fail("the node hierarchy is deeper than 64 levels or has a cycle");
    std::optional<Placed>& size = nodes_[static_cast<size_t>(index)];
    if (size) return *size;
    const tinygltf::Node& node = model_.nodes[static_cast<size_t>(index)];
    Placed placed = node.mesh >= 0 ? OfMesh(node.mesh) : Placed{};
    for (int child : node.children) placed.Add(OfNode(child, depth + 1));
    size = placed;
    return *size;
  }

 private:
  const Reader& reader_;
  const tinygltf::Model& model_;
  std::vector<std::optional<Placed>> meshes_;
  std::vector<std::optional<Placed>> nodes_;
};

// Places the node's meshes and its children's, skipping what places
// nothing.
void AppendNode(const Reader& reader, const tinygltf::Model& model, Sizes& sizes, int index,
                const Matrix& parent, Gathered& out) {
  if (sizes.OfNode(index, 0).vertices == 0) return;
  const tinygltf::Node& node = model.nodes[static_cast<size_t>(index)];
  const Matrix m = Multiply(parent, NodeMatrix(node));
  if (node.mesh >= 0) AppendMesh(reader, model, node.mesh, m, out);
  for (int child : node.children) AppendNode(reader, model, sizes, child, m, out);
}

// An attribute that only some primitives had is dropped for all of them.
void DropPartial(Gathered& g) {
  const size_t n = g.mesh.VertexCount();
  if (!g.normals || g.mesh.normals.size() != 3 * n) g.mesh.normals.clear();
  if (!g.uvs || g.mesh.uvs.size() != 2 * n) g.mesh.uvs.clear();
  if (!g.tangents || g.mesh.tangents.size() != 4 * n) g.mesh.tangents.clear();
}

}  // namespace

Mesh ReadGltf(const std::string& path, bool binary, AssetFiles& files) {
  const tinygltf::Model model = LoadGltfModel(path, binary, files);
  const Reader reader(model, path);
  Sizes sizes(reader, model);
  // The default scene's nodes, or, without a scene, every mesh once.
  std::vector<int> roots, meshes;
  Placed total;
  const int scene = model.defaultScene >= 0 ? model.defaultScene : model.scenes.empty() ? -1 : 0;
  if (scene >= 0 && static_cast<size_t>(scene) < model.scenes.size()) {
    roots = model.scenes[static_cast<size_t>(scene)].nodes;
    for (int node : roots) total.Add(sizes.OfNode(node, 0));
  } else {
    for (size_t i = 0; i < model.meshes.size(); ++i) meshes.push_back(static_cast<int>(i));
    for (int mesh : meshes) total.Add(sizes.OfMesh(mesh));
  }
  if (total.vertices > 0x7fffffffu)
    reader.Fail("the nodes place " + std::to_string(total.vertices) +
                " vertices (shared children count each time), more than 2^31");
  files.Claim(MeshBytes(total.vertices, total.triangles), path);
  Gathered g;
  for (int node : roots) AppendNode(reader, model, sizes, node, kIdentity, g);
  for (int mesh : meshes) AppendMesh(reader, model, mesh, kIdentity, g);
  DropPartial(g);
  return std::move(g.mesh);
}

}  // namespace standin
