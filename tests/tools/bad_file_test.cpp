// The bad-input catalogue, files and numbers: eval inputs that cannot be
// read, eval lines with bytes JSON cannot hold, module files that are
// truncated or foreign, and numbers at the ends of the double range.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "standin/host/eval_input.h"
#include "standin/host/host.h"
#include "tests/tools/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using standin_test::ReadFile;
using standin_test::RunQuillane;
using standin_test::TempFolder;
using standin_test::WriteFile;

struct Refused {
  std::vector<std::string> args;
  std::string message;  // standard error after "quillane: "
};

TEST(BadFile, UnreadableEvalInputsExitWith2NamingThem) {
  const std::string dir = TempFolder();
  const std::vector<Refused> cases = {
      {{"eval", dir}, dir + ": cannot read: Is a directory"},
      {{"eval", dir + "/missing"}, dir + "/missing: cannot read: No such file or directory"},
      {{"eval", "/dev/zero"}, "/dev/zero: line 1 is longer than 64 MiB"},
  };
  for (const Refused& c : cases) {
    const auto run = RunQuillane(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args[1];
    EXPECT_EQ(run.err, "quillane: " + c.message + "\n");
    EXPECT_EQ(run.out, "") << c.args[1];
  }
}

// A stream that gives `text` and then fails, as a disk or pipe may.
std::FILE* FailingAfter(const std::string& text) {
  auto* rest = new std::string(text);
  cookie_io_functions_t io{};
  io.read = [](void* cookie, char* buffer, size_t size) -> ssize_t {
    auto* left = static_cast<std::string*>(cookie);
    if (left->empty()) {
      errno = EIO;
      return -1;
    }
    const size_t n = std::min(size, left->size());
    std::memcpy(buffer, left->data(), n);
    left->erase(0, n);
    return static_cast<ssize_t>(n);
  };
  io.close = [](void* cookie) {
    delete static_cast<std::string*>(cookie);
    return 0;
  };
  return fopencookie(rest, "r", io);
}

TEST(BadFile, ReadErrorMidStreamEndsTheRunAfterTheLinesRead) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  std::FILE* in = FailingAfter("{}\n{\"lights\": []");
  std::ostringstream out;
  try {
    standin::RunEvalFile(host, in, "cases.jsonl", out);
    ADD_FAILURE() << "the read error went unnoticed";
  } catch (const standin::InputError& e) {
    EXPECT_EQ(std::string(e.what()), "cases.jsonl: cannot read: Input/output error");
  }
  std::fclose(in);
  const std::string printed = out.str();
  EXPECT_EQ(printed.rfind("{\"output\": [", 0), 0u) << printed;
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
}

// Each line's bytes and the error it gives; every printed line must be
// valid UTF-8 JSON whatever the input held.
TEST(BadFile, EvalLinesWithBytesJsonCannotHold) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string("{\"settings\": {}}\0{\"x\": 1}", 25),
       "line 1: a NUL byte at byte 17 (not valid JSON)"},
      {std::string("\0", 1), "line 2: a NUL byte at byte 1 (not valid JSON)"},
      {"{\"a\xff\": 1}", "line 3: not valid JSON at byte 4: syntax error while parsing object "
                         "key - invalid string: ill-formed UTF-8 byte; last read: '\"a\xef\xbf\xbd'; "
                         "expected string literal"},
      {"\xc3\xa9\xe2\x82", "line 4: not valid JSON at byte 1: syntax error while parsing value "
                           "- invalid literal; last read: '\xef\xbf\xbd'"},
  };
  std::string input;
  for (const auto& c : cases) input += c.first + "\n";
  const auto run = RunQuillane({"eval"}, input);
  EXPECT_EQ(run.exitCode, 1);
  std::istringstream lines(run.out);
  std::string line;
  for (const auto& c : cases) {
    ASSERT_TRUE(std::getline(lines, line)) << c.second;
    nlohmann::json parsed;
    ASSERT_NO_THROW(parsed = nlohmann::json::parse(line)) << line;
    EXPECT_EQ(parsed.value("error", ""), c.second);
  }
}

// A copy of the module with `bytes` at `offset`, or cut to `length` bytes.
struct ModuleDamage {
  const char* name;
  size_t length;            // 0: keep the length
  size_t offset;
  std::string bytes;        // written at offset
  std::string message;      // after "quillane: PATH: "; a prefix when ending in "..."
};

TEST(BadFile, ModuleFilesAreCheckedBeforeTheyAreMapped) {
  const std::string dir = TempFolder();
  const std::string original = ReadFile(QUILLANE_MODULE);
  const std::vector<ModuleDamage> cases = {
      {"header-cut.p", 100, 0, "", "truncated or corrupt: the file has 100 bytes, but its "
                                   "program header table ends at byte ..."},
      {"segment-cut.p", 4200, 0, "", "truncated or corrupt: the file has 4200 bytes, but its "
                                     "segment ..."},
      {"tiny.p", 10, 0, "", "truncated or corrupt: the file has 10 bytes, but its ELF header "
                            "ends at byte 64"},
#if defined(__x86_64__)
      {"aarch64.p", 0, 18, "\xb7", "an ELF file for AArch64, this host is x86-64"},
      {"x86.p", 0, 4, std::string("\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03", 15),
       "an ELF file for x86 (32-bit), this host is x86-64"},
#endif
      {"windows.p", 2, 0, "MZ", "a PE file (a Windows DLL), this host loads ELF shared objects"},
      {"text.p", 5, 0, "hello", "not a module: neither an ELF nor a PE file (this host loads ELF "
                                "shared objects)"},
  };
  for (const ModuleDamage& c : cases) {
    std::string bytes = original.substr(0, c.length ? c.length : original.size());
    bytes.replace(c.offset, c.bytes.size(), c.bytes);
    const std::string path = dir + "/" + c.name;
    WriteFile(path, bytes);
    const auto run = RunQuillane({"--module", path, "panel"});
    EXPECT_EQ(run.exitCode, 2) << c.name << ": " << run.err;
    const std::string expected = "quillane: " + path + ": " + c.message;
    if (c.message.ends_with("..."))
      EXPECT_EQ(run.err.rfind(expected.substr(0, expected.size() - 3), 0), 0u) << run.err;
    else
      EXPECT_EQ(run.err, expected + "\n");
  }
}

// Saved node data beyond the float and double ranges reads as the value the
// text stands for, never as a silent 0.
TEST(BadFile, NodeDataNumbersBeyondTheRanges) {
  standin::ModuleFile module(QUILLANE_MODULE);
  standin::Host host(module);
  standin::HostNode& node = host.CreateNode();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1e39", "inf"},   {"1e999", "inf"},  {"-1e999", "-inf"},
      {"1e-999", "0"},   {"-1e-999", "-0"}, {"0.00001e-99999999999999999999", "0"},
      {"123e99999999999999999999", "inf"},
  };
  for (const auto& [word, saved] : cases) {
    host.Load(node, "Specular " + word + "\n", standin::ContainerForm::kText, "node");
    const std::string text = host.Save(node, standin::ContainerForm::kText);
    EXPECT_NE(text.find("Specular " + saved + "\n"), std::string::npos) << word << ":\n" << text;
  }
}

// A light direction of any non-zero length lights the scene as [1, 0, -1].
TEST(BadFile, TinyAndHugeDirectionsAreNormalised) {
  const std::string dir = TempFolder();
  auto render = [&](const std::string& direction) {
    WriteFile(dir + "/scene.json",
              "{\"lights\": [{\"name\": \"K\", \"type\": \"distant\", \"direction\": " +
                  direction + "}]}");
    const auto run = RunQuillane({"render", dir + "/scene.json", "--size", "16x16", "--exr",
                                  dir + "/out.exr", "--threads", "1"});
    EXPECT_EQ(run.exitCode, 0) << direction << ": " << run.err;
    return ReadFile(dir + "/out.exr");
  };
  const std::string reference = render("[1, 0, -1]");
  for (const char* direction :
       {"[1e-200, 0, -1e-200]", "[5e-324, 0, -5e-324]", "[1e300, 0, -1e300]", "[1.7e308, 0, -1.7e308]"})
    EXPECT_EQ(render(direction), reference) << direction;
}

}  // namespace
