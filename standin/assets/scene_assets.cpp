// A scene's images and meshes, loaded once before rendering.
#include "standin/assets/scene_assets.h"

#include <map>
#include <new>
#include <utility>

#include "standin/assets/asset_error.h"
#include "standin/assets/asset_files.h"
#include "standin/assets/environment_file.h"
#include "standin/assets/image_file.h"
#include "standin/assets/mesh.h"
#include "standin/assets/mesh_tracer.h"
#include "standin/json/json_parse.h"

namespace standin {
namespace {

// Runs `load`, adding the scene key that named the file to its failure; a
// file too large to hold fails naming the file rather than as a bare
// allocation failure.
template <typename Load>
auto Named(const std::string& path, const std::string& key, Load load) {
  try {
    return load();
  } catch (const AssetError& e) {
    throw AssetError(std::string(e.what()) + " (scene key " + key + ")");
  } catch (const std::bad_alloc&) {
    throw AssetError(path + ": not enough memory to load it (scene key " + key + ")");
  }
}

void LoadImages(Scene& scene, AssetFiles& files) {
  std::map<std::pair<std::string, Encoding>, std::shared_ptr<const Texture>> loaded;
  for (auto& [name, source] : scene.inputs) {
    if (source.kind != SourceKind::Image || !source.image) continue;
    const ImageBinding& binding = source.image->binding;
    const std::string key = KeyPath(KeyPath("inputs", name), "image");
    auto& texture = loaded[{binding.path, binding.encoding}];
    if (!texture) {
      texture = Named(binding.path, key, [&] {
        const std::string path = files.Resolve(scene.folder, binding.file);
        return std::make_shared<const Texture>(ReadImageFile(path, binding.encoding, files));
      });
    }
    source.image = std::make_shared<const ImageInput>(ImageInput{binding, texture});
  }
}

void LoadEnvironments(Scene& scene, AssetFiles& files) {
  for (size_t i = 0; i < scene.lights.size(); ++i) {
    Light& light = scene.lights[i];
    if (light.type != LightType::Environment) continue;
    const std::string key = KeyPath(IndexPath("lights", i), "image");
    light.environment = Named(light.imagePath, key, [&] { return LoadEnvironment(light, scene.folder, files); });
  }
}

void LoadMeshes(Scene& scene, AssetFiles& files) {
  std::vector<std::pair<int, Mesh>> meshes;
  const bool readsUv = InputsReadUv(scene);
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    const Object& object = scene.objects[i];
    if (object.shape != Shape::Mesh) continue;
    const std::string path = ResolvePath(scene.folder, object.mesh);
    const std::string key = KeyPath(IndexPath("objects", i), "mesh");
    Mesh mesh = Named(path, key, [&] {
      Mesh read = LoadMeshFile(files.Resolve(scene.folder, object.mesh), files);
      if (read.uvs.empty() && object.uvMode == UvMode::Mesh && readsUv) {
        throw AssetError(path + ": the mesh has no texture coordinates, but an input reads the UV "
                         "(give object \"" + object.name + "\" another \"uv\")");
      }
      return read;
    });
    meshes.emplace_back(static_cast<int>(i), std::move(mesh));
  }
  scene.meshes = meshes.empty() ? nullptr : BuildMeshTracer(scene, std::move(meshes));
}

}  // namespace

bool InputsReadUv(const Scene& scene) {
  for (const auto& [name, source] : scene.inputs) {
    if (source.kind == SourceKind::Uv || source.kind == SourceKind::U ||
        source.kind == SourceKind::V || source.kind == SourceKind::Image) {
      return true;
    }
  }
  return false;
}

std::vector<std::pair<std::string, std::string>> SceneAssetFiles(const Scene& scene) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [name, source] : scene.inputs) {
    if (source.kind == SourceKind::Image && source.image) {
      const ImageBinding& binding = source.image->binding;
      files.emplace_back(binding.path, "the scene's image " + binding.file);
    }
  }
  for (const Light& light : scene.lights) {
    if (!light.image.empty())
      files.emplace_back(light.imagePath, "the scene's environment " + light.image);
  }
  for (const Object& object : scene.objects) {
    if (object.shape == Shape::Mesh)
      files.emplace_back(ResolvePath(scene.folder, object.mesh), "the scene's mesh " + object.mesh);
  }
  return files;
}

void LoadSceneAssets(Scene& scene, const std::string& root) {
  AssetFiles files(root);
  LoadImages(scene, files);
  LoadEnvironments(scene, files);
  LoadMeshes(scene, files);
}

}  // namespace standin
