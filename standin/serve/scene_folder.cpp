#include "standin/serve/scene_folder.h"

#include <algorithm>

#include "standin/json/utf8.h"

namespace standin {
namespace fs = std::filesystem;
namespace {

bool SceneFileName(const std::string& name) {
  return name.size() >= 6 && name.front() != '.' &&
         name.compare(name.size() - 5, 5, ".json") == 0;
}

bool PlainSceneName(const std::string& name) {
  if (!SceneFileName(name) || name.size() > 255 || !IsUtf8(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
}

}  // namespace

bool InsideFolder(const fs::path& path, const fs::path& root) {
  auto p = path.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++p)
    if (p == path.end() || *p != *r) return false;
  return p != path.end();
}

SceneFolder::SceneFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code error;
  root_ = fs::canonical(folder, error);
  if (error || !fs::is_directory(root_))
    throw ScenePathError(folder + ": not a folder");
}

std::vector<std::string> SceneFolder::List(std::vector<std::string>* notes) const {
  std::vector<std::string> names;
  if (!enabled()) return names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root_, error)) {
    const std::string name = entry.path().filename().string();
    if (!PlainSceneName(name)) {
      if (SceneFileName(name) && notes)
        notes->push_back("left out \"" + Printable(name) +
                         "\": a scene name is UTF-8 without control characters, / \\ or :");
      continue;
    }
    std::error_code inner;
    const fs::path real = fs::canonical(entry.path(), inner);
    if (!inner && InsideFolder(real, root_) && fs::is_regular_file(real, inner)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

fs::path SceneFolder::Checked(const std::string& name) const {
  if (!enabled()) throw ScenePathError("no scene folder was given (--scenes DIR)");
  if (!PlainSceneName(name))
    throw ScenePathError("\"" + Printable(name) +
                         "\": not a scene name (a file name ending in .json)");
  return root_ / name;
}

fs::path SceneFolder::ForReading(const std::string& name) const {
  const fs::path path = Checked(name);
  std::error_code error;
  const fs::path real = fs::canonical(path, error);
  if (error || !fs::is_regular_file(real)) throw ScenePathError(name + ": no such scene");
  if (!InsideFolder(real, root_)) throw ScenePathError(name + ": leads outside the scene folder");
  return real;
}

fs::path SceneFolder::ForWriting(const std::string& name) const {
  const fs::path path = Checked(name);
  std::error_code error;
  if (!fs::exists(fs::symlink_status(path, error))) return path;
  // An existing name is replaced only when it is a plain file of the folder.
  if (fs::is_symlink(fs::symlink_status(path, error)) || !fs::is_regular_file(path, error))
    throw ScenePathError(name + ": not a plain file in the scene folder");
  return path;
}

}  // namespace standin
