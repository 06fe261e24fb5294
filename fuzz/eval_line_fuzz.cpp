// `quillane eval` lines: parsed as a case, run on a fresh node of the
// stand-in host and printed. Accepted outcomes: a result line, or the
// CaseError that names the key at fault.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_host.h"
#include "standin/host/eval_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(bytes), size);
  standin::EvalCase c;
  try {
    c = standin::ParseCase(line);
  } catch (const standin::CaseError&) {
    return 0;
  }
  const standin::CaseResult result = standin::RunCase(fuzz::Host(), c);
  const std::string printed = standin::FormatResult(result);
  return printed.empty() ? -1 : 0;
}
