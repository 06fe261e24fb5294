// A module file loaded by path: its descriptor checked, started up, and its
// server list at hand.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "hostapi/hostapi.h"
#include "standin/host/shared_library.h"

namespace standin {

// A module file that cannot be used, with a message naming the file.
class ModuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ModuleFile {
 public:
  // Loads `path`, reads `_mod_descrip`, checks its synchronisation word,
  // system version and machine type, and calls start-up. Throws ModuleError.
  explicit ModuleFile(const std::string& path);
  // Calls shutdown with the start-up value, then unloads the file.
  ~ModuleFile();
  ModuleFile(const ModuleFile&) = delete;
  ModuleFile& operator=(const ModuleFile&) = delete;

  const std::string& path() const { return path_; }
  const ModuleDescriptor& descriptor() const { return *descriptor_; }
  // The server record of `className` ("NodeHandler", "NodeInterface"), or
  // null when the module offers no server of that class.
  const ServerRecord* FindServer(const std::string& className) const;

 private:
  std::string path_;
  std::unique_ptr<SharedLibrary> library_;
  const ModuleDescriptor* descriptor_ = nullptr;
  void* serverData_ = nullptr;
};

// Checks a descriptor as a host does before it calls anything in it. Returns
// an empty string when it is usable, else the reason.
std::string CheckDescriptor(const ModuleDescriptor& descriptor);

}  // namespace standin
