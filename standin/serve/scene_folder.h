// The folder the page may open scenes from and save them to. Names from the
// page are plain file names ending in ".json": no folders, no "..", and the
// file found must lie inside the folder once symbolic links are followed.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace standin {

struct ScenePathError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Whether `path` lies inside the folder `root` (both canonical).
bool InsideFolder(const std::filesystem::path& path, const std::filesystem::path& root);

class SceneFolder {
 public:
  // An empty `folder` means none: listing gives nothing and every name is
  // refused. Throws ScenePathError when the folder does not exist.
  explicit SceneFolder(const std::string& folder);

  bool enabled() const { return !root_.empty(); }
  // The folder, canonical; empty when there is none.
  std::string root() const { return root_.string(); }
  // The scene files directly in the folder, sorted by name. A file whose
  // name the page could not send back (not UTF-8, control characters) is
  // left out, with a note quoting its name escaped added to `notes`.
  std::vector<std::string> List(std::vector<std::string>* notes = nullptr) const;
  // The path of an existing scene `name`. Throws ScenePathError.
  std::filesystem::path ForReading(const std::string& name) const;
  // The path to write scene `name` to (it may not exist yet). Throws
  // ScenePathError.
  std::filesystem::path ForWriting(const std::string& name) const;

 private:
  std::filesystem::path Checked(const std::string& name) const;
  std::filesystem::path root_;  // canonical
};

}  // namespace standin
