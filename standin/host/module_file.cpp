#include "standin/host/module_file.h"

#include <cstdio>

#include "standin/host/module_image.h"

namespace standin {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

}  // namespace

std::string CheckDescriptor(const ModuleDescriptor& d) {
  if (d.syncWord != kModuleSyncWord)
    return "wrong synchronisation word " + Hex(d.syncWord) + " (expected " +
           Hex(kModuleSyncWord) + ")";
  if (d.systemVersion != kModuleSystemVersion)
    return "unsupported system version " + std::to_string(d.systemVersion) +
           " (expected " + std::to_string(kModuleSystemVersion) + ")";
  if (d.machineType != kModuleMachineType)
    return "wrong machine type " + Hex(d.machineType) + " (expected " +
           Hex(kModuleMachineType) + ")";
  if (!d.startup) return "no start-up function";
  if (!d.servers) return "no server list";
  return {};
}

ModuleFile::ModuleFile(const std::string& path) : path_(path) {
  std::string reason = CheckModuleImage(path, HostImageFormat());
  if (!reason.empty()) throw ModuleError(path + ": " + reason);
  library_ = OpenSharedLibrary(path, &reason);
  if (!library_) throw ModuleError(path + ": cannot load module: " + reason);
  descriptor_ =
      static_cast<const ModuleDescriptor*>(library_->Symbol("_mod_descrip"));
  if (!descriptor_)
    throw ModuleError(path + ": not a module: no _mod_descrip export");
  reason = CheckDescriptor(*descriptor_);
  if (!reason.empty()) throw ModuleError(path + ": " + reason);
  serverData_ = descriptor_->startup();
  if (!serverData_) throw ModuleError(path + ": start-up failed");
}

ModuleFile::~ModuleFile() {
  if (descriptor_ && serverData_ && descriptor_->shutdown)
    descriptor_->shutdown(serverData_);
}

const ServerRecord* ModuleFile::FindServer(const std::string& className) const {
  for (const ServerRecord* s = descriptor_->servers; s->className; ++s)
    if (className == s->className) return s;
  return nullptr;
}

}  // namespace standin
