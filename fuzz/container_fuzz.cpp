// Saved node data in the binary (FUZZ_TEXT_FORM 0) or text form (1), loaded
// through the stand-in host into the module. The only accepted outcomes are
// a load, or a ContainerError that leaves the node as it was. What was
// loaded must save and load back: bit for bit in the binary form, and to the
// same text in the text form (which writes every NaN as `nan`).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_host.h"
#include "standin/saved/container.h"

namespace {

constexpr standin::ContainerForm kForm =
    FUZZ_TEXT_FORM ? standin::ContainerForm::kText : standin::ContainerForm::kBinary;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  standin::Host& host = fuzz::Host();
  static standin::HostNode& node = host.CreateNode();
  const std::string data(reinterpret_cast<const char*>(bytes), size);
  const std::string before = host.Save(node, standin::ContainerForm::kBinary);
  try {
    host.Load(node, data, kForm, "fuzz");
  } catch (const standin::ContainerError&) {
    if (host.Save(node, standin::ContainerForm::kBinary) != before) std::abort();
    return 0;
  }
  const std::string binary = host.Save(node, standin::ContainerForm::kBinary);
  host.Load(node, binary, standin::ContainerForm::kBinary, "resaved");
  if (host.Save(node, standin::ContainerForm::kBinary) != binary) std::abort();
  const std::string text = host.Save(node, standin::ContainerForm::kText);
  host.Load(node, text, standin::ContainerForm::kText, "resaved");
  if (host.Save(node, standin::ContainerForm::kText) != text) std::abort();
  return 0;
}
