#include "standin/host/shared_library.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>
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

// The system's text for an error code, with the code itself.
std::string SystemMessage(DWORD code) {
  char text[512] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  // Messages written for a file name insert ("%1") read well with a plain noun.
  const size_t insert = message.find("%1");
  if (insert != std::string::npos) message.replace(insert, 2, "the file");
  const std::string number = "system error " + std::to_string(code);
  return message.empty() ? number : message + " (" + number + ")";
}

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
  // A full path: the system then looks for the file there only, never in
  // its search folders.
  std::error_code ignored;
  std::filesystem::path where = std::filesystem::absolute(path, ignored);
  if (where.empty()) where = path;
  // A file that is not a loadable DLL gives an error code, not a dialog box.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  HMODULE handle = LoadLibraryExW(where.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD code = GetLastError();
  SetThreadErrorMode(oldMode, nullptr);
  if (!handle) {
    *error = SystemMessage(code);
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
