// Outputs written beside their targets under exclusive temporary names and
// renamed into place together.
#include "standin/files/output_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace standin {
namespace {

namespace fs = std::filesystem;

// What makes two paths the same file: an existing file's device and inode,
// or for a file not there yet its folder's device and inode and its name.
struct Identity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;
  bool operator==(const Identity&) const = default;
};

struct Output {
  std::string path;
  std::string role;
  Identity identity;
  std::string temp;            // the temporary file, once created
  std::FILE* buffer = nullptr;  // standard output's bytes, once written
};

struct Input {
  std::string role;
  Identity identity;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw FileError(path + ": cannot write: " + reason);
}

std::string Folder(const fs::path& target) {
  return target.has_parent_path() ? target.parent_path().string() : std::string(".");
}

// The identity of an output target, or a refusal naming it.
Identity TargetIdentity(const std::string& path) {
  if (path == kStandardOutput) return {0, 0, kStandardOutput};
  const fs::path target(path);
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) Refuse(path, std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode))
      Refuse(path, "not a regular file (a device, a fifo or a socket is left alone)");
    return {info.st_dev, info.st_ino, {}};
  }
  if (errno != ENOENT) Refuse(path, std::strerror(errno));
  if (target.filename().empty()) Refuse(path, std::strerror(EISDIR));
  if (::stat(Folder(target).c_str(), &info) != 0) Refuse(path, std::strerror(errno));
  if (!S_ISDIR(info.st_mode)) Refuse(path, std::strerror(ENOTDIR));
  return {info.st_dev, info.st_ino, target.filename().string()};
}

// Creates a file beside `path` under a name nobody can predict, never
// following a symlink. Returns its descriptor and fills `temp`.
int CreateTemporary(const std::string& path, std::string* temp) {
  const fs::path target(path);
  std::random_device seed;
  std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    // A short prefix of the target's name keeps the temporary name legal.
    const std::string name = target.filename().string().substr(0, 64);
    *temp = (fs::path(Folder(target)) / ("." + name + suffix)).string();
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) Refuse(path, std::strerror(errno));
  }
  Refuse(path, "no free temporary name beside it");
}

// Runs `write` on `file`, then flushes it; throws FileError naming `path`.
void WriteStream(const std::string& path, std::FILE* file, const FileWriter& write) {
  try {
    write(file);
  } catch (const FileError&) {
    throw;
  } catch (const std::exception& e) {
    throw FileError(path + ": " + e.what());
  }
  if (std::fflush(file) != 0 || std::ferror(file)) Refuse(path, std::strerror(errno));
}

void RemoveTemporary(Output& out) {
  if (!out.temp.empty()) ::unlink(out.temp.c_str());
  out.temp.clear();
}

// Copies the buffered bytes to standard output.
void CopyToStandardOutput(std::FILE* buffer) {
  std::rewind(buffer);
  char block[1 << 16];
  for (size_t n; (n = std::fread(block, 1, sizeof block, buffer)) > 0;)
    if (std::fwrite(block, 1, n, stdout) != n) break;
  if (std::ferror(buffer) || std::fflush(stdout) != 0 || std::ferror(stdout))
    Refuse(kStandardOutput, std::strerror(errno));
}

}  // namespace

struct OutputFiles::State {
  std::vector<Input> inputs;
  std::vector<Output> outputs;
};

OutputFiles::OutputFiles() : state_(std::make_unique<State>()) {}

OutputFiles::~OutputFiles() {
  for (Output& out : state_->outputs) {
    RemoveTemporary(out);
    if (out.buffer) std::fclose(out.buffer);
  }
}

void OutputFiles::AddInput(const std::string& path, const std::string& role) {
  struct stat info {};
  if (!path.empty() && ::stat(path.c_str(), &info) == 0)
    state_->inputs.push_back({role, {info.st_dev, info.st_ino, {}}});
}

void OutputFiles::AddOutput(const std::string& path, const std::string& role) {
  if (path.empty()) throw FileError("cannot write a file with an empty name");
  const Identity identity = TargetIdentity(path);
  for (const Input& in : state_->inputs)
    if (in.identity == identity) Refuse(path, "it is the same file as " + in.role);
  for (const Output& out : state_->outputs)
    if (out.identity == identity) Refuse(path, "it is the same file as " + out.role);
  state_->outputs.push_back({path, role, identity, {}, nullptr});
}

void OutputFiles::Write(const std::string& path, const FileWriter& write) {
  Output* out = nullptr;
  for (Output& o : state_->outputs)
    if (o.path == path) out = &o;
  if (!out) throw std::logic_error(path + ": written without being added as an output");
  if (path == kStandardOutput) {
    out->buffer = std::tmpfile();
    if (!out->buffer) Refuse(path, std::strerror(errno));
    WriteStream(path, out->buffer, write);
    return;
  }
  const int fd = CreateTemporary(path, &out->temp);
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    ::close(fd);
    Refuse(path, std::strerror(errno));
  }
  try {
    WriteStream(path, file, write);
  } catch (...) {
    std::fclose(file);
    RemoveTemporary(*out);
    throw;
  }
  if (std::fclose(file) != 0) {
    const int error = errno;
    RemoveTemporary(*out);
    Refuse(path, std::strerror(error));
  }
}

void OutputFiles::Commit() {
  for (Output& out : state_->outputs)
    if (out.buffer) CopyToStandardOutput(out.buffer);
  for (Output& out : state_->outputs) {
    if (out.temp.empty()) continue;
    if (std::rename(out.temp.c_str(), out.path.c_str()) != 0) Refuse(out.path, std::strerror(errno));
    out.temp.clear();
  }
}

void OutputFiles::WriteBytes(const std::string& path, const std::string& bytes) {
  Write(path, [&](std::FILE* file) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
      Refuse(path, std::strerror(errno));
  });
}

void WriteOneFile(const std::string& path, const FileWriter& write) {
  OutputFiles files;
  files.AddOutput(path, "the output");
  files.Write(path, write);
  files.Commit();
}

void WriteTextFile(const std::string& path, const std::string& text) {
  OutputFiles files;
  files.AddOutput(path, "the output");
  files.WriteBytes(path, text);
  files.Commit();
}

}  // namespace standin
