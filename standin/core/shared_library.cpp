#include "standin/core/shared_library.h"

#include <dlfcn.h>

namespace standin {
namespace {

class PosixLibrary final : public SharedLibrary {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle) {}
  ~PosixLibrary() override { dlclose(handle_); }
  PosixLibrary(const PosixLibrary&) = delete;
  PosixLibrary& operator=(const PosixLibrary&) = delete;

  void* Symbol(const char* name) const override { return dlsym(handle_, name); }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<SharedLibrary> OpenSharedLibrary(const std::string& path,
                                                 std::string* error) {
  // A path without a slash would make the system search its library folders.
  const std::string where =
      path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    *error = reason ? reason : "unknown error";
    return nullptr;
  }
  return std::make_unique<PosixLibrary>(handle);
}

}  // namespace standin
