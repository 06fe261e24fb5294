// The built module file opened as a host opens it: loaded, its one exported
// descriptor found, its servers at hand. The fake host activates a server's
// entry as it activates the linked-in module's.
#pragma once

#include <string>

#include "host/services.h"

class OpenedModule {
 public:
  // Loads `path` and finds `_mod_descrip`; error() tells what failed.
  explicit OpenedModule(const std::string& path);
  ~OpenedModule();
  OpenedModule(const OpenedModule&) = delete;
  OpenedModule& operator=(const OpenedModule&) = delete;

  // Empty when the file is loaded and has a descriptor, else the reason,
  // naming the file.
  const std::string& error() const { return error_; }
  // The descriptor; null when error() is not empty.
  const ModuleDescriptor* descriptor() const { return descriptor_; }
  // The server record of `className`, or null when there is none.
  const ServerRecord* Server(const char* className) const;

 private:
  std::string path_;
  void* handle_ = nullptr;
  const ModuleDescriptor* descriptor_ = nullptr;
  std::string error_;
};
