// Linked into a copy of quillane.p with --wrap=calloc: every calloc the
// module makes comes here and fails while the environment variable
// QUILLANE_FAIL_CALLOC is set, so a test can make create's allocation fail
// inside the loaded module file.
#include <cstddef>
#include <cstdlib>

extern "C" void* __real_calloc(std::size_t count, std::size_t size);
extern "C" void* __wrap_calloc(std::size_t count, std::size_t size) {
  if (std::getenv("QUILLANE_FAIL_CALLOC")) return nullptr;
  return __real_calloc(count, size);
}
