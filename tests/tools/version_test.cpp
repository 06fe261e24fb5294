// `quillane --version`: the version line and the module file's identity,
// and the SHA-256 that names the file.
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "tests/tools/cli_runner.h"
#include "tools/sha256.h"

namespace {

using quillane::Sha256Hex;
using standin_test::RunQuillane;

TEST(Sha256, StandardMessagesGiveTheirDigests) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
       "klmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Sha256Hex(c.message), c.digest) << c.message.size() << " bytes";
}

TEST(Sha256, PiecesHashAsTheWhole) {
  std::string message;
  for (int i = 0; i < 200; ++i) message += static_cast<char>(i * 7);
  const std::string whole = Sha256Hex(message);
  for (size_t split = 0; split <= message.size(); ++split) {
    quillane::Sha256 hash;
    hash.Update(message.data(), split);
    hash.Update(message.data() + split, message.size() - split);
    ASSERT_EQ(hash.HexDigest(), whole) << "split at " << split;
  }
}

TEST(VersionCommand, PrintsTheVersionAndTheModuleIdentity) {
  const std::string module = std::filesystem::absolute(QUILLANE_MODULE).string();
  const std::string bad = std::filesystem::absolute(BAD_SYNC_MODULE).string();
  const struct {
    std::vector<std::string> args;
    std::string identified;  // the module line names this file; empty: no line
    int exitCode;
    std::string error;
  } cases[] = {
      {{"--version"}, module, 0, ""},
      {{"--module", bad, "--version"}, bad, 2, bad + ": wrong synchronisation word"},
      {{"--module", "/nonexistent/q.p", "--version"}, "", 2,
       "/nonexistent/q.p: cannot read the module file"},
      {{}, "", 2, "a subcommand is required"},
  };
  const std::regex version("quillane [0-9]+\\.[0-9]+\\.[0-9]+(\\+[0-9a-f]{12}(\\.dirty)?)?\n");
  for (const auto& c : cases) {
    const auto run = RunQuillane(c.args);
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args.back());
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    if (c.args.empty()) continue;
    std::string expected;
    if (!c.identified.empty()) {
      const std::string bytes = standin_test::ReadFile(c.identified);
      expected = "module " + c.identified + " (" + std::to_string(bytes.size()) +
                 " bytes, SHA-256 " + Sha256Hex(bytes) + ")\n";
    }
    const size_t firstLine = run.out.find('\n') + 1;
    EXPECT_TRUE(std::regex_match(run.out.substr(0, firstLine), version)) << run.out;
    EXPECT_EQ(run.out.substr(firstLine), expected);
  }
}

}  // namespace
