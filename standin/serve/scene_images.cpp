#include "standin/serve/scene_images.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <set>

#include "standin/assets/asset_error.h"
#include "standin/assets/image_file.h"
#include "standin/json/utf8.h"
#include "standin/serve/panel_values.h"
#include "standin/serve/scene_folder.h"

namespace standin {
namespace fs = std::filesystem;
namespace {

using Extensions = std::initializer_list<const char*>;

bool HasExtension(const fs::path& path, Extensions extensions) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

// The files with one of `extensions` directly in `folder` (and, from the
// root, in the folders directly inside it), named from `root` with "/".
// Names that are not UTF-8 go to `notes` instead, escaped.
void AddImages(const fs::path& folder, const fs::path& root, const std::string& prefix,
               Extensions extensions, std::set<std::string>* names,
               std::vector<std::string>* notes) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    std::error_code inner;
    const fs::path real = fs::canonical(entry.path(), inner);
    if (inner || !InsideFolder(real, root)) continue;
    const std::string name = prefix + entry.path().filename().string();
    if (prefix.empty() && fs::is_directory(real, inner) && name.front() != '.') {
      AddImages(entry.path(), root, name + "/", extensions, names, notes);
    } else if (HasExtension(entry.path(), extensions) && fs::is_regular_file(real, inner)) {
      if (IsUtf8(name)) names->insert(name);
      else if (notes)
        notes->push_back("left out \"" + Printable(name) + "\": its name is not UTF-8");
    }
  }
}

// The files with one of `extensions` in the scene's folder.
std::set<std::string> FolderFiles(const Scene& scene, Extensions extensions,
                                  std::vector<std::string>* notes) {
  std::set<std::string> names;
  std::error_code error;
  const fs::path root = fs::canonical(scene.folder.empty() ? "." : scene.folder, error);
  if (!scene.folder.empty() && !error) AddImages(root, root, "", extensions, &names, notes);
  return names;
}

}  // namespace

std::vector<std::string> SceneImageNames(const Scene& scene, std::vector<std::string>* notes) {
  std::set<std::string> names = FolderFiles(scene, {".png", ".exr"}, notes);
  for (const auto& [input, source] : scene.inputs)
    if (source.kind == SourceKind::Image && source.image) names.insert(source.image->binding.file);
  return {names.begin(), names.end()};
}

std::vector<std::string> EnvironmentImageNames(const Scene& scene) {
  const std::set<std::string> names = FolderFiles(scene, {".exr", ".hdr"}, nullptr);
  return {names.begin(), names.end()};
}

InputSource SceneImageSource(const Scene& scene, const std::string& name, bool scalar) {
  const std::vector<std::string> names = SceneImageNames(scene);
  if (!std::binary_search(names.begin(), names.end(), name))
    throw RequestError("the scene has no image \"" + Printable(name) + "\"");
  auto image = std::make_shared<ImageInput>();
  image->binding.file = name;
  image->binding.path = ResolvePath(scene.folder, name);
  image->binding.channels = scalar ? std::vector<int>{0} : std::vector<int>{0, 1, 2};
  try {
    image->texture =
        std::make_shared<const Texture>(ReadImageFile(image->binding.path, Encoding::Data));
  } catch (const AssetError& e) {
    throw RequestError(e.what());
  }
  return {SourceKind::Image, {0.0, 0.0, 0.0}, std::move(image)};
}

}  // namespace standin
