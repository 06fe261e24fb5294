// Whether a render fits in the memory this process may use, asked before
// the image is allocated.
#pragma once

#include <cstdint>
#include <string>

namespace standin {

// The bytes a width x height render holds at its peak: the linear float
// image and the PNG's display bytes.
std::uint64_t RenderBytes(int width, int height);

// The memory this process may use: the machine's physical memory, or less
// under an address-space or data-size limit.
std::uint64_t UsableMemory();

// "3.8 GB", "512 MB": a byte count for messages.
std::string MemoryText(std::uint64_t bytes);

// Throws std::runtime_error "WHAT needs 3.8 GB of memory, more than the
// 2.0 GB this process may use" when `needed` bytes are more than
// UsableMemory.
void CheckMemory(std::uint64_t needed, const std::string& what);

// Throws std::runtime_error starting with `what` (the option or key that
// set the size) when a width x height render needs more than UsableMemory.
void CheckRenderMemory(int width, int height, const std::string& what);

}  // namespace standin
