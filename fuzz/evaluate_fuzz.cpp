// The evaluation over arbitrary values: every setting (any `axis`, any
// light type, any classic-mode integer), the wiring and values of every
// input, the spot record (position, normal, ray source, both matrices, the
// entries and flags tested), the optional services offered and each scene
// light's answers (flags, exclusion, illuminate result, direction, colour),
// all taken from the fuzzer's bytes. The evaluation must set at most one
// colour, and the same call twice must give the same bits. The settings then
// go through the module's save and load in the host's binary container and
// must come back as their 32-bit float values.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "host/persist.h"
#include "host/node_data.h"
#include "standin/saved/container.h"
#include "tests/doubles/fake_host.h"

using namespace quillane;

namespace {

void Fill(FuzzedDataProvider& in, double* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = in.ConsumeFloatingPoint<double>();
}

// Small values are far more interesting than the whole range of doubles:
// half the values come from [-2, 2].
double Value(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeFloatingPointInRange(-2.0, 2.0)
                          : in.ConsumeFloatingPoint<double>();
}

void FillValues(FuzzedDataProvider& in, double* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = Value(in);
}

FakeLight ReadLight(FuzzedDataProvider& in) {
  FakeLight light;
  light.flags = in.ConsumeIntegral<unsigned>();
  light.excluded = in.ConsumeBool();
  light.illuminate = in.ConsumeIntegralInRange(-1, 1);
  FillValues(in, light.direction, 3);
  FillValues(in, light.color, 3);
  return light;
}

void ReadSettings(FuzzedDataProvider& in, NodeData* data) {
  FillValues(in, data->color, 3);
  data->specular = Value(in);
  data->uGlossiness = Value(in);
  data->vGlossiness = Value(in);
  data->axis = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 2)
                                : in.ConsumeIntegral<std::int32_t>();
  data->tangentRotate = Value(in);
  data->customLightType = in.ConsumeIntegral<std::int32_t>();
  data->classicMode = in.ConsumeIntegral<std::int32_t>();
}

void ReadSpot(FuzzedDataProvider& in, const FakeHost& host, SpotInfo* spot) {
  *spot = host.Spot();
  FillValues(in, spot->worldPosition, 3);
  FillValues(in, spot->normal, 3);
  FillValues(in, spot->raySource, 3);
  if (in.ConsumeBool()) {
    FillValues(in, spot->toWorld, 9);
    Fill(in, spot->toLocal, 9);
  }
  if (in.ConsumeIntegralInRange(0, 15) == 0) spot->rayTrace = nullptr;
  if (in.ConsumeIntegralInRange(0, 7) == 0) spot->object = nullptr;
  spot->flags = in.ConsumeIntegralInRange(0, 15) == 0 ? in.ConsumeIntegral<int>() : 0;
}

// A setting after a save and a load: the float nearest to it, widened.
bool SameAfterSave(double loaded, double original) {
  const double expected = static_cast<float>(original);
  return std::memcmp(&loaded, &expected, sizeof loaded) == 0 ||
         (loaded != loaded && expected != expected);
}

void CheckSaveAndLoad(const NodeData& saved, NodeData* target) {
  standin::ContainerWriter writer(standin::ContainerForm::kBinary);
  if (SaveNode(const_cast<NodeData*>(&saved), writer.state())) std::abort();
  const auto reader = standin::ContainerReader::Open(
      writer.Finish(), standin::ContainerForm::kBinary, "saved");
  if (LoadNode(target, reader->state()) || !reader->error().empty()) std::abort();
  for (int i = 0; i < 3; ++i)
    if (!SameAfterSave(target->color[i], saved.color[i])) std::abort();
  if (!SameAfterSave(target->specular, saved.specular) ||
      !SameAfterSave(target->uGlossiness, saved.uGlossiness) ||
      !SameAfterSave(target->vGlossiness, saved.vGlossiness) ||
      !SameAfterSave(target->tangentRotate, saved.tangentRotate) ||
      target->axis != saved.axis || target->customLightType != saved.customLightType ||
      target->classicMode != saved.classicMode)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  FuzzedDataProvider in(bytes, size);
  FakeHost host(Calls::kCounted);
  for (const char* optional :
       {kServiceItemInfo, kServiceObjectInfo, kServiceLightInfo})
    host.offered[optional] = in.ConsumeIntegralInRange(0, 7) != 0;
  FakeHost::lights.resize(in.ConsumeIntegralInRange<size_t>(0, 4));
  for (FakeLight& light : FakeHost::lights) light = ReadLight(in);

  if (host.Activate() != kActivateOk) std::abort();
  FakeNode node;
  NodeData* data = host.Create(&node);
  if (!data || node.inputs.size() != 9 || node.outputs != 1) std::abort();
  ReadSettings(in, data);
  for (FakeInput& input : node.inputs) {
    input.connected = in.ConsumeIntegralInRange(0, 3) == 0;
    FillValues(in, input.value, 3);
  }
  SpotInfo spot;
  ReadSpot(in, host, &spot);

  FakeResult first, second;
  SpotInfo again = spot;
  host.Evaluate(data, &spot, &first);
  host.Evaluate(data, &again, &second);
  if (first.sets > 1) std::abort();
  if (first.sets != second.sets ||
      std::memcmp(first.rgb, second.rgb, sizeof first.rgb) != 0)
    std::abort();
  FakeNode otherNode;
  NodeData* other = host.Create(&otherNode);
  CheckSaveAndLoad(*data, other);
  host.Destroy(other);
  host.Destroy(data);
  return 0;
}
