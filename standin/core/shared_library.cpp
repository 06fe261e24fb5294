#include "standin/core/shared_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace standin {
namespace {

#ifdef _WIN32

class WindowsLibrary final : public SharedLibrary {
 public:
  explicit WindowsLibrary(HMODULE handle) : handle_(handle) {}
  ~WindowsLibrary() override { FreeLibrary(handle_); }
  WindowsLibrary(const WindowsLibrary&) = delete;
  WindowsLibrary& operator=(const WindowsLibrary&) = delete;

  void* Symbol(const char* name) const override {
    return reinterpret_cast<void*>(GetProcAddress(handle_, name));
  }

 private:
  HMODULE handle_;
};

#else

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

#endif

}  // namespace

std::unique_ptr<SharedLibrary> OpenSharedLibrary(const std::string& path,
                                                 std::string* error) {
#ifdef _WIN32
  HMODULE handle = LoadLibraryA(path.c_str());
  if (!handle) {
    *error = "system error " + std::to_string(GetLastError());
    return nullptr;
  }
  return std::make_unique<WindowsLibrary>(handle);
#else
  // A path without a slash would make the system search its library folders.
  const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
  // Local symbols: the module's names never bind to the host's or another
  // module's.
  void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    *error = reason ? reason : "unknown error";
    return nullptr;
  }
  return std::make_unique<PosixLibrary>(handle);
#endif
}

}  // namespace standin
