// The bad-input catalogue, outputs: targets a render refuses before it
// writes anything (inputs, repeated outputs, non-regular files, empty
// names), outputs committed as a set when a later one fails, and sizes
// beyond the memory the process may use.
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/tools/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using standin_test::Listing;
using standin_test::ReadFile;
using standin_test::RunLimited;
using standin_test::RunQuillane;
using standin_test::TempFolder;
using standin_test::WriteFile;

struct TargetCase {
  std::vector<std::string> options;  // after "render SCENE --size 8x8"
  std::string message;               // standard error after "quillane: "
};

TEST(BadOutput, TargetsAreRefusedBeforeAnythingIsWritten) {
  const std::string dir = TempFolder();
  const std::string scene = dir + "/scene.json";
  const std::string module = dir + "/module.p";
  WriteFile(scene, ReadFile(std::string(QUILLANE_EXAMPLES_DIR) + "/brushed-disc.json"));
  fs::copy_file(QUILLANE_MODULE, module);
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
  fs::create_directory(dir + "/sub");
  const std::string same = "it is the same file as ";
  const std::string odd = "not a regular file (a device, a fifo or a socket is left alone)";
  const std::vector<TargetCase> cases = {
      {{"-o", scene}, scene + ": cannot write: " + same + "the scene"},
      {{"--save-scene", dir + "/sub/../scene.json"},
       dir + "/sub/../scene.json: cannot write: " + same + "the scene"},
      {{"--exr", module}, module + ": cannot write: " + same + "the module"},
      {{"-o", dir + "/a.png", "--exr", dir + "/sub/../a.png"},
       dir + "/sub/../a.png: cannot write: " + same + "the PNG output (-o)"},
      {{"--exr", "-", "--save-scene", "-"}, "-: cannot write: " + same + "the EXR output (--exr)"},
      {{"-o", "/dev/null"}, "/dev/null: cannot write: " + odd},
      {{"--exr", dir + "/fifo"}, dir + "/fifo: cannot write: " + odd},
      {{"-o", ""}, "--output: expected a value, got an empty one (see quillane --help)"},
      {{"--exr", ""}, "--exr: expected a value, got an empty one (see quillane --help)"},
      {{"--size", ""}, "--size: expected a value, got an empty one (see quillane --help)"},
      {{"--save-scene", ""}, "--save-scene: expected a value, got an empty one (see quillane --help)"},
  };
  const std::string sceneText = ReadFile(scene);
  for (const TargetCase& c : cases) {
    std::vector<std::string> args = {"--module", module, "render", scene, "--size", "8x8"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto run = RunQuillane(args);
    EXPECT_EQ(run.exitCode, 2) << c.options[1];
    EXPECT_EQ(run.err, "quillane: " + c.message + "\n");
    EXPECT_EQ(run.out, "") << c.options[1];
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"fifo", "module.p", "scene.json", "sub"}));
    EXPECT_EQ(ReadFile(scene), sceneText);
  }
  EXPECT_TRUE(fs::is_empty(dir + "/sub"));
  EXPECT_EQ(ReadFile(module), ReadFile(QUILLANE_MODULE));
}

// The other commands that write files name their inputs and outputs the
// same way, before anything is read back or rendered.
TEST(BadOutput, EveryWritingCommandRefusesItsTargets) {
  const std::string dir = TempFolder();
  const std::string scene = dir + "/scene.json", map = dir + "/maps/radial.png";
  fs::create_directory(dir + "/maps");
  fs::copy_file(std::string(QUILLANE_EXAMPLES_DIR) + "/maps/radial.png", map);
  fs::copy_file(std::string(QUILLANE_EXAMPLES_DIR) + "/radial-disc-map.json", scene);
  ASSERT_EQ(mkfifo((dir + "/fifo.png").c_str(), 0644), 0);
  const std::string same = ": cannot write: it is the same file as ";
  const std::string empty = ": expected a value, got an empty one (see quillane --help)";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"render", scene, "-o", map}, map + same + "the scene's image maps/radial.png"},
      {{"render", scene, "--exr", dir + "/x.exr", "--aov", dir + "/x"},
       dir + "/x.exr" + same + "the EXR output (--exr)"},
      {{"lobe", scene, "--pixel", "240,240", "--csv", scene}, scene + same + "the scene"},
      {{"lobe", "--report", "--csv", "-"},
       "--csv -: standard output carries the --report line; name a file"},
      {{"sweep", "--sweep", "uGlossiness=0:1:2", "-o", dir + "/fifo.png"},
       dir + "/fifo.png: cannot write: not a regular file (a device, a fifo or a socket is left alone)"},
      {{"make-map", "radial", "-o", dir + "/none/m.png"},
       dir + "/none/m.png: cannot write: No such file or directory"},
      {{"compare", scene, "-o", map}, map + same + "the scene's image maps/radial.png"},
      {{"compare", map, "-o", "-"}, "-o -: standard output carries the figures; name a file"},
      {{"lobe", "--csv", ""}, "--csv" + empty},
      {{"make-map", "radial", "-o", ""}, "--output" + empty},
  };
  const std::string sceneText = ReadFile(scene), mapBytes = ReadFile(map);
  for (const auto& [args, message] : cases) {
    const auto run = RunQuillane(args);
    EXPECT_EQ(run.exitCode, 2) << args[0] << " " << args.back();
    EXPECT_EQ(run.err, "quillane: " + message + "\n");
    EXPECT_EQ(run.out, "") << args[0] << " " << args.back();
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"fifo.png", "maps", "scene.json"}));
    EXPECT_EQ(Listing(dir + "/maps"), std::vector<std::string>{"radial.png"});
  }
  EXPECT_EQ(ReadFile(scene), sceneText);
  EXPECT_EQ(ReadFile(map), mapBytes);
}

// An unknown command is named, with the command it was likely meant for.
TEST(BadOutput, UnknownCommandIsNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"rendr", "; did you mean \"render\"?"},   // a letter left out
      {"comapre", "; did you mean \"compare\"?"},  // two letters swapped
      {"ev", "; did you mean \"eval\"?"},          // two edits
      {"turn", "; did you mean \"turntable\"?"},   // the one command it begins
      {"make", ""},                               // it begins two: no guess
      {"frobnicate", ""},                         // nothing near
  };
  for (const auto& [word, hint] : cases) {
    const auto run = RunQuillane({word, "-o", "x.png"});
    EXPECT_EQ(run.exitCode, 2) << word;
    EXPECT_EQ(run.err, "quillane: unknown command \"" + std::string(word) + "\"" + hint + " (see quillane --help)\n");
  }
}

// Standard output only when asked for with "-"; a symlink at the target is
// replaced, never written through.
TEST(BadOutput, StandardOutputAndSymlinkTargets) {
  const std::string dir = TempFolder();
  auto run = RunQuillane({"render", "--size", "8x8", "-o", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.substr(1, 3), "PNG");
  WriteFile(dir + "/victim", "keep");
  fs::create_symlink(dir + "/victim", dir + "/out.png");
  run = RunQuillane({"render", "--size", "8x8", "-o", dir + "/out.png"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadFile(dir + "/victim"), "keep");
  EXPECT_FALSE(fs::is_symlink(dir + "/out.png"));
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"out.png", "victim"}));
}

// A later output that cannot be written (here: the file-size limit stops
// the EXR) leaves every target as it was and no temporary file behind.
TEST(BadOutput, OutputsAreCommittedAsASet) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/a.png", "old picture");
  const auto run = RunLimited({"render", "--size", "48x48", "-o", dir + "/a.png", "--exr",
                               dir + "/b.exr", "--save-scene", dir + "/c.json"},
                              RLIMIT_FSIZE, 8192);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.rfind("quillane: " + dir + "/b.exr: ", 0), 0u) << run.err;
  EXPECT_EQ(ReadFile(dir + "/a.png"), "old picture");
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"a.png"});
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(BadOutput, SizesBeyondUsableMemoryAreRefusedUpFront) {
  const std::string dir = TempFolder();
  const auto run = RunLimited({"render", "--size", "16384x16384", "-o", dir + "/a.png"},
                              RLIMIT_AS, rlim_t{2} << 30);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err,
            "quillane: --size 16384x16384: a 16384x16384 render needs 3.8 GB of memory, more "
            "than the 2.0 GB this process may use\n");
  EXPECT_TRUE(Listing(dir).empty());
}
#endif

}  // namespace
