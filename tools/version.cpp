// `quillane --version`: this build's version and the identity of the module
// file it loads, so that a module can be told apart by its contents.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "quillane_version.h"
#include "standin/host/module_file.h"
#include "tools/commands.h"
#include "tools/sha256.h"

namespace quillane {

const char* VersionText() { return QUILLANE_VERSION; }

int Version(const std::string& module) {
  std::cout << "quillane " << VersionText() << std::endl;
  std::ifstream file(module, std::ios::binary);
  Sha256 hash;
  uintmax_t size = 0;
  char chunk[65536];
  while (file) {
    file.read(chunk, sizeof chunk);
    hash.Update(chunk, static_cast<size_t>(file.gcount()));
    size += static_cast<uintmax_t>(file.gcount());
  }
  if (!file.eof()) {
    std::cerr << "quillane: " << module << ": cannot read the module file\n";
    return 2;
  }
  std::error_code error;
  const auto path = std::filesystem::absolute(module, error);
  std::cout << "module " << (error ? module : path.string()) << " (" << size
            << " bytes, SHA-256 " << hash.HexDigest() << ")" << std::endl;
  try {
    standin::ModuleFile loaded(module);
  } catch (const std::exception& e) {
    std::cerr << "quillane: " << e.what() << "\n";
    return 2;
  }
  return 0;
}

}  // namespace quillane
