// Opening a dynamic library and finding a symbol in it, behind an interface
// small enough that a Windows build only needs a LoadLibrary variant of
// shared_library.cpp.
#pragma once

#include <memory>
#include <string>

namespace standin {

class SharedLibrary {
 public:
  virtual ~SharedLibrary() = default;
  // The address of the exported symbol `name`, or null when there is none.
  virtual void* Symbol(const char* name) const = 0;
};

// Opens the library at `path` with its symbols kept local to it. Returns null
// and fills `error` with the system's reason when the file cannot be loaded.
std::unique_ptr<SharedLibrary> OpenSharedLibrary(const std::string& path,
                                                 std::string* error);

}  // namespace standin
