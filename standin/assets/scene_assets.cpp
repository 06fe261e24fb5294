// A scene's images and meshes, loaded once before rendering.
#include "standin/assets/scene_assets.h"

#include <map>
#include <utility>

#include "standin/assets/asset_error.h"
#include "standin/assets/image_file.h"
#include "standin/assets/mesh.h"
#include "standin/assets/mesh_tracer.h"

namespace standin {
namespace {

void LoadImages(Scene& scene) {
  std::map<std::pair<std::string, Encoding>, std::shared_ptr<const Texture>> loaded;
  for (auto& [name, source] : scene.inputs) {
    if (source.kind != SourceKind::Image || !source.image) continue;
    const ImageBinding& binding = source.image->binding;
    auto& texture = loaded[{binding.path, binding.encoding}];
    if (!texture) {
      texture = std::make_shared<const Texture>(ReadImageFile(binding.path, binding.encoding));
    }
    source.image = std::make_shared<const ImageInput>(ImageInput{binding, texture});
  }
}

void LoadMeshes(Scene& scene) {
  std::vector<std::pair<int, Mesh>> meshes;
  const bool readsUv = InputsReadUv(scene);
  for (size_t i = 0; i < scene.objects.size(); ++i) {
    const Object& object = scene.objects[i];
    if (object.shape != Shape::Mesh) continue;
    const std::string path = ResolvePath(scene.folder, object.mesh);
    Mesh mesh = LoadMeshFile(path);
    if (mesh.uvs.empty() && object.uvMode == UvMode::Mesh && readsUv) {
      throw AssetError(path + ": the mesh has no texture coordinates, but an input reads the UV "
                       "(give object \"" + object.name + "\" another \"uv\")");
    }
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
  for (const Object& object : scene.objects) {
    if (object.shape == Shape::Mesh)
      files.emplace_back(ResolvePath(scene.folder, object.mesh), "the scene's mesh " + object.mesh);
  }
  return files;
}

void LoadSceneAssets(Scene& scene) {
  LoadImages(scene);
  LoadMeshes(scene);
}

}  // namespace standin
