#include "standin/assets/asset_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "standin/assets/asset_error.h"
#include "standin/render/render_memory.h"
#include "standin/render/scene.h"

namespace standin {
namespace fs = std::filesystem;
namespace {

std::string FileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a plain file";
}

[[noreturn]] void FailOpen(const std::string& path, int error) {
  if (error == ENOENT || error == ENOTDIR) throw AssetError(path + ": no such file");
  if (error == ELOOP) throw AssetError(path + ": a symbolic link, which the page does not follow");
  throw AssetError(path + ": cannot read it: " + std::strerror(error));
}

void RequireRegular(const std::string& path, const struct stat& status) {
  if (!S_ISREG(status.st_mode))
    throw AssetError(path + ": not a regular file (" + FileKind(status.st_mode) + ")");
}

// Closes the descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

bool InsideRoot(const std::string& path, const std::string& root) {
  const fs::path relative = fs::path(path).lexically_relative(root);
  return !relative.empty() && relative != "." && *relative.begin() != "..";
}

AssetFiles::AssetFiles(const std::string& root) : usable_(UsableMemory()) {
  if (root.empty()) return;
  std::error_code error;
  root_ = fs::canonical(root, error).string();
  if (error) throw AssetError(root + ": the scene folder cannot be found");
}

std::string AssetFiles::Resolve(const std::string& folder, const std::string& name) const {
  const std::string path = ResolvePath(folder, name);
  if (root_.empty()) return path;
  const fs::path written(name);
  if (written.has_root_path())
    throw AssetError(name + ": the page reads only files inside its scene folder, named "
                            "relative to the scene (no absolute paths)");
  for (const fs::path& part : written) {
    if (part == "..")
      throw AssetError(name + ": the page reads only files inside its scene folder (no \"..\")");
  }
  std::error_code error;
  const fs::path real = fs::canonical(path, error);
  if (error) FailOpen(path, error.value());
  if (!InsideRoot(real.string(), root_))
    throw AssetError(path + ": leads outside the scene folder through a symbolic link");
  return real.string();
}

std::vector<unsigned char> AssetFiles::Read(const std::string& path) {
  // Checked before opening, so that opening a FIFO or device has no effect,
  // and again on the open file in case it was replaced in between.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) FailOpen(path, errno);
  RequireRegular(path, status);
  const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (root_.empty() ? 0 : O_NOFOLLOW);
  const Descriptor file{::open(path.c_str(), flags)};
  if (file.fd < 0) FailOpen(path, errno);
  if (::fstat(file.fd, &status) != 0) FailOpen(path, errno);
  RequireRegular(path, status);
  const auto size = static_cast<std::uint64_t>(status.st_size);
  Claim(size, path);
  std::vector<unsigned char> bytes(static_cast<size_t>(size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailOpen(path, errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void AssetFiles::Claim(std::uint64_t bytes, const std::string& path) {
  claimed_ = bytes > UINT64_MAX - claimed_ ? UINT64_MAX : claimed_ + bytes;
  if (claimed_ > usable_)
    throw AssetError(path + ": the scene's files need " + MemoryText(claimed_) +
                     " of memory with this one, more than the " + MemoryText(usable_) +
                     " this process may use");
}

}  // namespace standin
