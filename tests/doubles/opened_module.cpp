#include "tests/doubles/opened_module.h"

#include <dlfcn.h>

#include <cstring>

OpenedModule::OpenedModule(const std::string& path) : path_(path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    error_ = path + ": " + dlerror();
    return;
  }
  descriptor_ =
      static_cast<const ModuleDescriptor*>(dlsym(handle_, "_mod_descrip"));
  if (!descriptor_) error_ = path + ": no _mod_descrip";
}

OpenedModule::~OpenedModule() {
  if (handle_) dlclose(handle_);
}

const ServerRecord* OpenedModule::Server(const char* className) const {
  if (!descriptor_) return nullptr;
  for (const ServerRecord* s = descriptor_->servers; s->className; ++s)
    if (std::strcmp(s->className, className) == 0) return s;
  return nullptr;
}
