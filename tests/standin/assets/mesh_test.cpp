// Meshes from OBJ and glTF, their tracing through Embree, and the cylinder
// and torus.
#include <algorithm>
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "standin/assets/asset_error.h"
#include "standin/assets/mesh.h"
#include "standin/assets/mesh_tracer.h"
#include "standin/assets/scene_assets.h"
#include "standin/render/geometry.h"
#include "tests/tools/cli_runner.h"

namespace {

using namespace standin;
using standin_test::TempFolder;
using standin_test::WriteFile;

// A unit square in local XY facing +Z, UV over it, as two triangles.
const char* kSquareObj =
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "f 1/1 2/2 3/3 4/4\n";

// The same square as glTF with a data URI buffer: positions, UVs (v down,
// as glTF stores them) and indices.
const char* kSquareGltf = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
 "nodes":[{"mesh":0,"translation":[0,0,0]}],
 "meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2}]}],
 "buffers":[{"byteLength":92,"uri":"data:application/octet-stream;base64,AACAvwAAgL8AAAAAAACAPwAAgL8AAAAAAACAPwAAgD8AAAAAAACAvwAAgD8AAAAAAAAAAAAAgD8AAIA/AACAPwAAgD8AAAAAAAAAAAAAAAAAAAEAAgAAAAIAAwA="}],
 "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":32},
                {"buffer":0,"byteOffset":80,"byteLength":12}],
 "accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[-1,-1,0],"max":[1,1,0]},
              {"bufferView":1,"componentType":5126,"count":4,"type":"VEC2"},
              {"bufferView":2,"componentType":5123,"count":6,"type":"SCALAR"}]})";

Ray RayFrom(Vec3 origin, Vec3 direction) {
  Ray ray;
  ray.origin = origin;
  ray.direction = direction;
  return ray;
}

Scene OneObject(Object object) {
  Scene scene;
  PlaceObject(object);
  scene.objects.push_back(object);
  return scene;
}

TEST(MeshFiles, ObjAndGltfGiveTheSameSquare) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/square.obj", kSquareObj);
  WriteFile(dir + "/square.gltf", kSquareGltf);
  for (const char* file : {"square.obj", "square.gltf"}) {
    const Mesh mesh = LoadMeshFile(dir + "/" + file);
    ASSERT_EQ(mesh.TriangleCount(), 2u) << file;
    ASSERT_EQ(mesh.uvs.size(), 2 * mesh.VertexCount()) << file;
    // Computed normals face +Z; UV (u, v) follows (x, y).
    for (size_t i = 0; i < mesh.VertexCount(); ++i) {
      EXPECT_FLOAT_EQ(mesh.normals[3 * i + 2], 1.0f) << file << " vertex " << i;
      EXPECT_FLOAT_EQ(mesh.uvs[2 * i], 0.5f + mesh.positions[3 * i] / 2) << file << " vertex " << i;
      EXPECT_FLOAT_EQ(mesh.uvs[2 * i + 1], 0.5f + mesh.positions[3 * i + 1] / 2) << file << " vertex " << i;
    }
  }
}

TEST(MeshFiles, SmoothNormalsAreAreaWeighted) {
  // Two triangles meeting at vertex 0: one in XY (area 2), one in XZ (area 0.5).
  Mesh mesh;
  mesh.positions = {0, 0, 0, 2, 0, 0, 0, 2, 0, 1, 0, 0, 0, 0, -1};
  mesh.indices = {0, 1, 2, 0, 3, 4};
  ComputeNormals(mesh);
  const double n = std::hypot(2.0, 0.5);
  EXPECT_NEAR(mesh.normals[0], 0.0, 1e-7);
  EXPECT_NEAR(mesh.normals[1], 0.5 / n, 1e-6);
  EXPECT_NEAR(mesh.normals[2], 2.0 / n, 1e-6);
}

// A mesh square and the analytic plane of the same size and place give the
// same hit: position, facing normal, UV, tangent and local frame.
TEST(MeshTracing, MatchesTheAnalyticPlane) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/square.obj", kSquareObj);
  Object mesh;
  mesh.name = "Mesh";
  mesh.shape = Shape::Mesh;
  mesh.mesh = "square.obj";
  mesh.uvMode = UvMode::Mesh;
  mesh.size = 2.0;
  mesh.position = {0.5, -0.25, 1.0};
  mesh.rotation = {20, -35, 10};
  Object plane = mesh;
  plane.shape = Shape::Plane;
  plane.uvMode = UvMode::Planar;
  Scene meshScene = OneObject(mesh);
  meshScene.folder = dir;
  LoadSceneAssets(meshScene);
  const Scene planeScene = OneObject(plane);
  for (const Vec3 origin : {Vec3{0.3, 0.2, 8}, Vec3{-0.4, 0.5, -8}}) {
    const Ray ray = RayFrom(origin, Vec3{0.5, -0.25, 1.0} - origin);
    Hit a, b;
    ASSERT_TRUE(Intersect(meshScene, ray, &a));
    ASSERT_TRUE(Intersect(planeScene, ray, &b));
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(a.position[k], b.position[k], 1e-6) << "position " << k;
      EXPECT_NEAR(a.normal[k], b.normal[k], 1e-6) << "normal " << k;
      EXPECT_NEAR(a.tangent[k], b.tangent[k], 1e-6) << "tangent " << k;
      EXPECT_NEAR(a.localPosition[k], b.localPosition[k], 1e-6) << "local position " << k;
    }
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(a.uv[k], b.uv[k], 1e-6) << "uv " << k;
    for (int k = 0; k < 9; ++k) EXPECT_EQ(a.toWorld[k], b.toWorld[k]) << "toWorld " << k;
    EXPECT_FALSE(Occluded(meshScene, RayFrom(origin, Vec3{1, 0, 0})));
    EXPECT_TRUE(Occluded(meshScene, RayFrom(origin, Vec3{0.5, -0.25, 1.0} - origin)));
  }
}

// A closed mesh tessellating a surface: its points from (around, along) in
// 0..1 (both wrap for a torus; along runs
// up from pole to pole on a sphere, whose rows of corners meet at the
// poles).
struct Closed {
  const char* what;
  int around, along;
  bool sphere;
};

Vec3 SurfacePoint(const Closed& c, double a, double b) {
  const double phi = 2 * std::numbers::pi * a;
  if (c.sphere) {
    const double theta = std::numbers::pi * (1.0 - b);
    return {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
  }
  const double theta = 2 * std::numbers::pi * b;
  const Vec3 out{std::cos(theta) * std::cos(phi), std::sin(theta), std::cos(theta) * std::sin(phi)};
  return Vec3{std::cos(phi), 0, std::sin(phi)} + out * 0.35;
}

Vec3 At(const Mesh& mesh, uint32_t i) {
  const float* p = mesh.positions.data() + 3 * static_cast<size_t>(i);
  return {p[0], p[1], p[2]};
}

// Corners shared by index; a sphere's poles are one corner each.
Mesh Tessellate(const Closed& c) {
  Mesh mesh;
  const int rows = c.sphere ? c.along + 1 : c.along;
  auto corner = [&](int i, int j) -> uint32_t {
    i = (i % c.around + c.around) % c.around;
    j = c.sphere ? j : j % c.along;
    if (c.sphere && (j == 0 || j == c.along)) return j == 0 ? 0u : 1u;
    return static_cast<uint32_t>(2 + (c.sphere ? j - 1 : j) * c.around + i);
  };
  auto add = [&](Vec3 p) {
    for (double v : {p.x, p.y, p.z}) mesh.positions.push_back(static_cast<float>(v));
  };
  add(SurfacePoint(c, 0, 0));  // corners 0 and 1: the poles, unused on a torus
  add(SurfacePoint(c, 0, 1));
  for (int j = c.sphere ? 1 : 0; j < (c.sphere ? rows - 1 : rows); ++j)
    for (int i = 0; i < c.around; ++i) add(SurfacePoint(c, double(i) / c.around, double(j) / c.along));
  for (int j = 0; j < c.along; ++j) {
    for (int i = 0; i < c.around; ++i) {
      const uint32_t a = corner(i, j), b = corner(i + 1, j), d = corner(i, j + 1), e = corner(i + 1, j + 1);
      if (a != b) mesh.indices.insert(mesh.indices.end(), {a, d, b});
      if (d != e) mesh.indices.insert(mesh.indices.end(), {b, d, e});
    }
  }
  ComputeNormals(mesh);
  return mesh;
}

// Rays aimed at every corner and along every edge of closed meshes, from
// cameras all around, must enter them: the first hit faces the ray and
// lies no farther than the aimed point. A ray slipping between two
// triangles would meet the inside of the far side, or nothing.
TEST(MeshTracing, ClosedMeshesLetNoRayThroughTheirEdges) {
  const Closed shapes[] = {
      {"sphere 16x8", 16, 8, true},   {"sphere 48x24", 48, 24, true},
      {"sphere 128x64", 128, 64, true}, {"torus 24x12", 24, 12, false},
      {"torus 96x48", 96, 48, false},
  };
  for (const Closed& shape : shapes) {
    Object object;
    object.name = shape.what;
    object.shape = Shape::Mesh;
    Scene scene = OneObject(object);
    const Mesh mesh = Tessellate(shape);
    scene.meshes = BuildMeshTracer(scene, {{0, mesh}});
    size_t rays = 0, leaks = 0;
    for (int k = 0; k < 14; ++k) {
      // Cameras on a spiral around the mesh, near and far.
      const double z = 1.0 - (k + 0.5) / 7.0, r = std::sqrt(1.0 - z * z), turn = 2.4 * k;
      const Vec3 camera = Vec3{r * std::cos(turn), z, r * std::sin(turn)} * (k % 2 ? 2.5 : 9.0);
      // Aimed at triangles whose corners' every face faces the camera, so
      // that each aimed point lies inside what the camera sees of the mesh
      // (not on its outline, where a ray may touch and pass).
      std::vector<double> facing(mesh.VertexCount(), 1.0);
      for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        const uint32_t* v = &mesh.indices[3 * t];
        const Vec3 n = Normalized(Cross(At(mesh, v[1]) - At(mesh, v[0]), At(mesh, v[2]) - At(mesh, v[0])));
        const double f = Dot(n, Normalized(camera - At(mesh, v[0])));
        for (int c = 0; c < 3; ++c) facing[v[c]] = std::min(facing[v[c]], f);
      }
      for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        Vec3 p[3];
        bool seen = true;
        for (int c = 0; c < 3; ++c) {
          const uint32_t v = mesh.indices[3 * t + static_cast<size_t>(c)];
          p[c] = At(mesh, v);
          seen = seen && facing[v] > 0.05;
        }
        if (!seen) continue;
        // Its corners and the middles of its edges.
        for (const Vec3 target : {p[0], p[1], p[2], (p[0] + p[1]) * 0.5, (p[1] + p[2]) * 0.5, (p[2] + p[0]) * 0.5}) {
          const Ray ray = RayFrom(camera, target - camera);
          MeshHit hit;
          ++rays;
          const bool entered = scene.meshes->Intersect(ray, INFINITY, &hit) && hit.t <= 1.0 + 1e-6 &&
                               Dot(hit.geometricNormal, ray.direction) < 0.0;
          leaks += !entered;
        }
      }
    }
    EXPECT_EQ(leaks, 0u) << shape.what << ": " << leaks << " of " << rays << " rays";
  }
}

TEST(AnalyticShapes, CylinderAndTorusHitsNormalsAndUvs) {
  struct Case {
    const char* what;
    Object object;
    Ray ray;
    double position[3];
    double normal[3];
    double uv[2];
  };
  Object cylinder;
  cylinder.shape = Shape::Cylinder;
  cylinder.uvMode = UvMode::Cylindrical;
  cylinder.size = 0.5;
  cylinder.height = 2.0;
  Object torus;
  torus.shape = Shape::Torus;
  torus.uvMode = UvMode::Toroidal;
  torus.size = 1.0;
  torus.tube = 0.25;
  const Case cases[] = {
      {"cylinder front", cylinder, RayFrom({0, 0.5, 5}, {0, 0, -1}), {0, 0.5, 0.5}, {0, 0, 1}, {0.5, 0.75}},
      {"cylinder side", cylinder, RayFrom({5, -0.5, 0}, {-1, 0, 0}), {0.5, -0.5, 0}, {1, 0, 0}, {0.75, 0.25}},
      {"cylinder inside, past the open end", cylinder, RayFrom({0, 5, 0.1}, {0, -1, 0.3}), {0, 0, 0}, {0, 0, 0}, {0, 0}},
      {"torus outer rim", torus, RayFrom({0, 0, 5}, {0, 0, -1}), {0, 0, 1.25}, {0, 0, 1}, {0.5, 0.5}},
      {"torus top of the tube", torus, RayFrom({1, 5, 0}, {0, -1, 0}), {1, 0.25, 0}, {0, 1, 0}, {0.75, 0.75}},
      {"torus hole", torus, RayFrom({0, 5, 0}, {0, -1, 0}), {0, 0, 0}, {0, 0, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    Hit hit;
    const bool met = Intersect(OneObject(c.object), c.ray, &hit);
    const bool expected = c.normal[0] != 0 || c.normal[1] != 0 || c.normal[2] != 0;
    ASSERT_EQ(met, expected) << c.what;
    if (!met) continue;
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(hit.position[k], c.position[k], 1e-9) << c.what << " position " << k;
      EXPECT_NEAR(hit.normal[k], c.normal[k], 1e-9) << c.what << " normal " << k;
    }
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(hit.uv[k], c.uv[k], 1e-9) << c.what << " uv " << k;
  }
}

}  // namespace
