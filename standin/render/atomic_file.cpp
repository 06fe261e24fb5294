// Temporary file plus rename, so output files appear whole or not at all.
#include "standin/render/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace standin {
namespace {

// A name beside `path` that no other writer in this or another process uses.
std::string TempPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path p(path);
  const std::string name = "." + p.filename().string() + ".tmp-" +
                           std::to_string(::getpid()) + "-" +
                           std::to_string(counter.fetch_add(1));
  return (p.parent_path() / name).string();
}

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

void WriteFileAtomically(const std::string& path,
                         const std::function<void(const std::string&)>& write) {
  if (path.empty()) throw FileError("cannot write a file with an empty name");
  const std::string temp = TempPathFor(path);
  try {
    write(temp);
  } catch (const FileError&) {
    RemoveQuietly(temp);
    throw;
  } catch (const std::exception& e) {
    RemoveQuietly(temp);
    throw FileError(path + ": " + e.what());
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    RemoveQuietly(temp);
    throw FileError(path + ": cannot write: " + reason);
  }
}

}  // namespace standin
