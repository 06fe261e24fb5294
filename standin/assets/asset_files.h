// Reading the files one scene names (images, meshes, glTF buffers): only
// regular files, each read whole and once, within the memory the process
// may use, and, for the look-dev page, only inside one folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

class AssetFiles {
 public:
  // `root` empty: any file the user can read (a scene on the command line
  // is trusted like a script). Otherwise a folder: every file must be named
  // relative to the file that names it, without "..", and lie inside the
  // folder once symbolic links are followed.
  explicit AssetFiles(const std::string& root = "");

  // The path to read `name` (as a scene or glTF file writes it) from
  // `folder`. Throws AssetError when `root` forbids it.
  std::string Resolve(const std::string& folder, const std::string& name) const;

  // The bytes of the regular file `path`. A FIFO, device or directory is
  // refused before anything is read from it, and a file is read only up to
  // the size it had when opened. Claims the bytes. Throws AssetError.
  std::vector<unsigned char> Read(const std::string& path);

  // Counts `bytes` more memory for what `path` holds; throws AssetError
  // naming `path` when the scene's files together would need more than
  // the process may use (UsableMemory).
  void Claim(std::uint64_t bytes, const std::string& path);

 private:
  std::string root_;  // canonical, or empty
  std::uint64_t claimed_ = 0;
  std::uint64_t usable_ = 0;
};

// Whether the canonical `path` lies inside the canonical folder `root`.
bool InsideRoot(const std::string& path, const std::string& root);

}  // namespace standin
