// Allocation behaviour of the module: evaluation allocates nothing, and a
// failed allocation in create leaves an error and creates nothing.
//
// This binary replaces the global allocation functions to count every heap
// allocation, and is linked with --wrap=calloc so that create's record
// allocation can be made to fail.
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {
std::atomic<long> gAllocations{0};
std::atomic<bool> gFailCalloc{false};
}  // namespace

extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __wrap_calloc(size_t count, size_t size) {
  if (gFailCalloc) return nullptr;
  ++gAllocations;
  return __real_calloc(count, size);
}

// The replacements pair malloc with free by design; GCC cannot see that the
// global operators themselves are the matching pair.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

void SetVec(double out[3], double x, double y, double z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

TEST(Allocation, EvaluationAllocatesNothingOnAnyPath) {
  FakeHost host;
  NodeData* data = host.CreateInstance();
  host.lights.assign(3, FakeLight{});
  host.lights[1].excluded = true;
  host.outputs.reserve(64);
  host.recording = false;

  {
    const long before = gAllocations;
    std::vector<int>* volatile probe = new std::vector<int>(100);
    delete probe;
    // Clang may merge the replaced new's malloc and the vector's zero fill
    // into one calloc, which the wrap counts as well.
    ASSERT_GE(gAllocations - before, 2) << "the counter must see allocations";
  }
  auto count = [&](const char* path) {
    const long before = gAllocations;
    for (int i = 0; i < 1000; ++i) {
      Evaluate(data, &host.spot, data->outColor, nullptr);
      host.outputs.clear();  // keeps its capacity
    }
    EXPECT_EQ(gAllocations - before, 0) << path;
  };
  count("scene lights");
  data->tangentRotate = 0.5;
  host.Wire("UV", 0.2, 0.9, 0.0);
  host.Wire("Normal", 0.1, 0.2, 1.0);
  count("rotated and steered");
  data->customLightType = kLightPoint;
  host.Wire("Custom Light", 1, 2, 3);
  count("custom light");
  SetVec(host.spot.normal, 0, 1, 0);
  host.Input("Normal").connected = false;
  count("zero tangent");
  data->specular = 0.0;
  count("no specular");
  DestroyNode(data);
}

TEST(Allocation, FailedCreateLeavesTheMessageAndCreatesNothing) {
  FakeHost host;
  FakeNode node;
  const char* error = nullptr;
  gFailCalloc = true;
  void* data = CreateNode(nullptr, reinterpret_cast<NodeHandle>(&node), &error);
  gFailCalloc = false;
  EXPECT_EQ(data, nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_STREQ(error, "Couldn't allocate memory for instance.");
  EXPECT_TRUE(host.trace.empty()) << "no connector may be created";
  EXPECT_TRUE(node.inputs.empty());
}

}  // namespace
