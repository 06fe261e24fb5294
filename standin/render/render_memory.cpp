#include "standin/render/render_memory.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <sys/resource.h>
#include <unistd.h>

namespace standin {
namespace {

// The soft limit of `resource`, or no limit.
std::uint64_t Limit(int resource) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

}  // namespace

std::uint64_t RenderBytes(int width, int height) {
  const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  return pixels * (3 * sizeof(float) + 3);
}

std::uint64_t UsableMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  std::uint64_t usable = UINT64_MAX;
  if (pages > 0 && pageSize > 0)
    usable = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
  return std::min({usable, Limit(RLIMIT_AS), Limit(RLIMIT_DATA)});
}

std::string MemoryText(std::uint64_t bytes) {
  char text[32];
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  if (mb >= 1024.0) std::snprintf(text, sizeof text, "%.1f GB", mb / 1024.0);
  else std::snprintf(text, sizeof text, "%.0f MB", mb);
  return text;
}

void CheckMemory(std::uint64_t needed, const std::string& what) {
  const std::uint64_t usable = UsableMemory();
  if (needed > usable)
    throw std::runtime_error(what + " needs " + MemoryText(needed) + " of memory, more than the " +
                             MemoryText(usable) + " this process may use");
}

void CheckRenderMemory(int width, int height, const std::string& what) {
  CheckMemory(RenderBytes(width, height),
              what + ": a " + std::to_string(width) + "x" + std::to_string(height) + " render");
}

}  // namespace standin
