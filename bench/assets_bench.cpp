// Meshes and image-driven inputs in the stand-in host:
//   MeshLoadBuild/<format>: reading a 1,000,000-triangle mesh file (.glb or
//     .obj, written once beforehand) and building Embree's structure;
//   MeshRender: that mesh rendered at 640x360, 2x2 samples, on 2 threads
//     through the module;
//   ImageInputs: pairs of renders of the default scene, one with four inputs
//     ("UV", "Tangent Rotate", "U Glossiness", "Color") bound to images, one
//     with the same four wired to constants, in turn; "image_cost" is the
//     ratio of their times, both halves sharing any slow stretch.
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "standin/assets/image_file.h"
#include "standin/assets/make_map.h"
#include "standin/assets/mesh.h"
#include "standin/assets/mesh_tracer.h"
#include "standin/assets/scene_assets.h"
#include "standin/host/host.h"
#include "standin/host/module_file.h"
#include "standin/host/scene_host.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

double Wall() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

fs::path Folder() {
  static const fs::path folder = [] {
    fs::path f = fs::temp_directory_path() / ("quillane-bench-" + std::to_string(::getpid()));
    fs::create_directories(f);
    return f;
  }();
  return folder;
}

// A bumpy sphere of 2 * n * (n - 1) triangles (n = 708: about a million),
// with normals and UVs.
standin::Mesh BumpySphere(int n) {
  standin::Mesh mesh;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const double theta = std::numbers::pi * j / (n - 1), phi = 2 * std::numbers::pi * i / n;
      const double r = 1.0 + 0.03 * std::sin(12 * theta) * std::sin(9 * phi);
      const double d[3] = {std::sin(theta) * std::sin(phi), std::cos(theta), std::sin(theta) * std::cos(phi)};
      for (double c : d) mesh.positions.push_back(static_cast<float>(r * c));
      for (double c : d) mesh.normals.push_back(static_cast<float>(c));
      mesh.uvs.push_back(static_cast<float>(static_cast<double>(i) / n));
      mesh.uvs.push_back(static_cast<float>(1.0 - static_cast<double>(j) / (n - 1)));
    }
  }
  for (int j = 0; j + 1 < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const auto a = static_cast<uint32_t>(j * (n + 1) + i), b = a + 1;
      const auto c = a + static_cast<uint32_t>(n + 1), d = c + 1;
      for (uint32_t v : {a, c, d, a, d, b}) mesh.indices.push_back(v);
    }
  }
  return mesh;
}

template <typename T>
void Append(std::string& bytes, const std::vector<T>& values) {
  bytes.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

void WriteGlb(const standin::Mesh& mesh, const fs::path& path) {
  std::string bin;
  Append(bin, mesh.positions);
  Append(bin, mesh.normals);
  Append(bin, mesh.uvs);
  Append(bin, mesh.indices);
  const size_t n = mesh.VertexCount(), p = 12 * n, t = 8 * n, i = 4 * mesh.indices.size();
  std::string json =
      R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
      R"("meshes":[{"primitives":[{"attributes":{"POSITION":0,"NORMAL":1,"TEXCOORD_0":2},"indices":3}]}],)"
      R"("buffers":[{"byteLength":)" + std::to_string(bin.size()) + R"(}],"bufferViews":[)" +
      R"({"buffer":0,"byteOffset":0,"byteLength":)" + std::to_string(p) + "}," +
      R"({"buffer":0,"byteOffset":)" + std::to_string(p) + R"(,"byteLength":)" + std::to_string(p) + "}," +
      R"({"buffer":0,"byteOffset":)" + std::to_string(2 * p) + R"(,"byteLength":)" + std::to_string(t) + "}," +
      R"({"buffer":0,"byteOffset":)" + std::to_string(2 * p + t) + R"(,"byteLength":)" + std::to_string(i) + "}]," +
      R"("accessors":[{"bufferView":0,"componentType":5126,"count":)" + std::to_string(n) +
      R"(,"type":"VEC3","min":[-1.1,-1.1,-1.1],"max":[1.1,1.1,1.1]},)" +
      R"({"bufferView":1,"componentType":5126,"count":)" + std::to_string(n) + R"(,"type":"VEC3"},)" +
      R"({"bufferView":2,"componentType":5126,"count":)" + std::to_string(n) + R"(,"type":"VEC2"},)" +
      R"({"bufferView":3,"componentType":5125,"count":)" + std::to_string(mesh.indices.size()) +
      R"(,"type":"SCALAR"}]})";
  while (json.size() % 4) json += ' ';
  while (bin.size() % 4) bin += '\0';
  auto word = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  const auto total = static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size());
  std::ofstream out(path, std::ios::binary);
  out << word(0x46546C67) << word(2) << word(total) << word(static_cast<uint32_t>(json.size()))
      << word(0x4E4F534A) << json << word(static_cast<uint32_t>(bin.size())) << word(0x004E4942) << bin;
}

void WriteObj(const standin::Mesh& mesh, const fs::path& path) {
  std::ofstream out(path);
  char line[96];
  for (size_t v = 0; v < mesh.VertexCount(); ++v) {
    const float* p = &mesh.positions[3 * v];
    std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\nvt %.6f %.6f\n", p[0], p[1], p[2],
                  mesh.uvs[2 * v], mesh.uvs[2 * v + 1]);
    out << line;
  }
  for (size_t f = 0; f < mesh.TriangleCount(); ++f) {
    const uint32_t* t = &mesh.indices[3 * f];
    std::snprintf(line, sizeof line, "f %u/%u %u/%u %u/%u\n", t[0] + 1, t[0] + 1, t[1] + 1,
                  t[1] + 1, t[2] + 1, t[2] + 1);
    out << line;
  }
}

// The million-triangle mesh in both formats, written once per run.
fs::path MillionMesh(const char* extension) {
  static const bool written = [] {
    const standin::Mesh mesh = BumpySphere(708);
    WriteGlb(mesh, Folder() / "million.glb");
    WriteObj(mesh, Folder() / "million.obj");
    return true;
  }();
  (void)written;
  return Folder() / (std::string("million") + extension);
}

standin::Scene MeshScene() {
  standin::Scene scene = standin::DefaultScene();
  scene.objects.resize(1);
  standin::Object& object = scene.objects[0];
  object.name = "Million";
  object.shape = standin::Shape::Mesh;
  object.mesh = MillionMesh(".glb").string();
  object.uvMode = standin::UvMode::Mesh;
  object.position = {0, 0, 0};
  standin::PlaceObject(object);
  for (standin::Light& light : scene.lights) light.excludedFrom.clear();
  return scene;
}

void RunMeshLoadBuild(benchmark::State& state, const char* extension) {
  try {
    const standin::Scene scene = MeshScene();
    const fs::path file = MillionMesh(extension);
    for (auto _ : state) {
      std::vector<std::pair<int, standin::Mesh>> meshes;
      meshes.emplace_back(0, standin::LoadMeshFile(file.string()));
      auto tracer = standin::BuildMeshTracer(scene, std::move(meshes));
      benchmark::DoNotOptimize(tracer);
    }
    state.counters["triangles"] = 2.0 * 708 * 707;
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void RunMeshRender(benchmark::State& state) {
  try {
    standin::Scene scene = MeshScene();
    scene.render.supersample = 2;
    standin::LoadSceneAssets(scene);
    standin::ModuleFile module(QUILLANE_MODULE_PATH);
    standin::Host host(module);
    standin::SceneSession session(host, scene, "million");
    standin::RenderOptions options;
    options.threads = 2;
    for (auto _ : state) {
      standin::Image image = session.Render(640, 360, options);
      benchmark::DoNotOptimize(image);
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

// The default scene with four inputs wired to constants, or to images of
// the same values' kind.
standin::Scene FourInputs(bool images) {
  standin::Scene scene = standin::DefaultScene();
  if (!images) {
    scene.inputs["UV"] = {standin::SourceKind::Vector, {0.9, 0.7, 0}};
    scene.inputs["Tangent Rotate"] = {standin::SourceKind::Number, {0.3, 0, 0}};
    scene.inputs["U Glossiness"] = {standin::SourceKind::Number, {0.4, 0, 0}};
    scene.inputs["Color"] = {standin::SourceKind::Vector, {0.9, 0.8, 0.7}};
    return scene;
  }
  const fs::path flow = Folder() / "flow.png", angle = Folder() / "angle.png";
  standin::WritePng16(flow.string(), standin::MakeMap({standin::MapKind::Noise, standin::MapEncoding::Direction, 256, 256, 0, 4, 1}));
  standin::WritePng16(angle.string(), standin::MakeMap({standin::MapKind::Circular, standin::MapEncoding::Angle, 256, 256, 0, 4, 1}));
  auto bind = [](const fs::path& file, std::vector<int> channels, double scale) {
    auto image = std::make_shared<standin::ImageInput>();
    image->binding.file = image->binding.path = file.string();
    image->binding.channels = std::move(channels);
    image->binding.scale = scale;
    return standin::InputSource(standin::SourceKind::Image, {0, 0, 0}, image);
  };
  scene.inputs["UV"] = bind(flow, {0, 1}, 1.0);
  scene.inputs["Tangent Rotate"] = bind(angle, {0}, 2 * std::numbers::pi);
  scene.inputs["U Glossiness"] = bind(angle, {0}, 0.5);
  scene.inputs["Color"] = bind(flow, {0, 1, 2}, 1.0);
  standin::LoadSceneAssets(scene);
  return scene;
}

void RunImageInputs(benchmark::State& state) {
  try {
    const standin::Scene scenes[2] = {FourInputs(false), FourInputs(true)};
    standin::ModuleFile module(QUILLANE_MODULE_PATH);
    double seconds[2] = {0.0, 0.0};
    int turn = 0;
    for (auto _ : state) {
      for (int k = 0; k < 2; ++k) {
        const int which = (k + turn) % 2;
        standin::Host host(module);
        standin::SceneSession session(host, scenes[which], "four inputs");
        standin::RenderOptions options;
        options.threads = 1;
        const double start = Wall();
        standin::Image image = session.Render(320, 180, options);
        seconds[which] += Wall() - start;
        benchmark::DoNotOptimize(image);
      }
      turn ^= 1;
    }
    state.counters["image_cost"] = seconds[1] / seconds[0];
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

BENCHMARK_CAPTURE(RunMeshLoadBuild, glb, ".glb")->Name("MeshLoadBuild/glb")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(RunMeshLoadBuild, obj, ".obj")->Name("MeshLoadBuild/obj")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(RunMeshRender)->Name("MeshRender")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(RunImageInputs)->Name("ImageInputs")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

}  // namespace
}  // namespace bench
