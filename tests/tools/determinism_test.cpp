// The same scene renders to the same bytes: twice in a row, and on one and
// on two threads, in both image formats, through the quillane command.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/cli_runner.h"

namespace {

using standin_test::ReadFile;
using standin_test::RunQuillane;
using standin_test::TempFolder;

struct Images {
  std::string png;
  std::string exr;
};

Images Render(const std::string& scene, int threads, const std::string& dir,
              const std::string& tag) {
  std::vector<std::string> args = {"render"};
  if (!scene.empty()) args.push_back(scene);
  const std::string png = dir + "/" + tag + ".png", exr = dir + "/" + tag + ".exr";
  for (const std::string& a : {std::string("-o"), png, std::string("--exr"), exr,
                               std::string("--size"), std::string("96x64"),
                               std::string("--threads"), std::to_string(threads)})
    args.push_back(a);
  const auto run = RunQuillane(args);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return {ReadFile(png), ReadFile(exr)};
}

TEST(Determinism, SameSceneSameBytesTwiceAndOnOneOrTwoThreads) {
  const std::string examples = QUILLANE_EXAMPLES_DIR;
  for (const std::string& scene :
       {std::string(), examples + "/brushed-disc.json", examples + "/light-options.json",
        examples + "/custom-light.json"}) {
    SCOPED_TRACE(scene.empty() ? "default scene" : scene);
    const std::string dir = TempFolder();
    const Images first = Render(scene, 1, dir, "first");
    const Images again = Render(scene, 1, dir, "again");
    const Images two = Render(scene, 2, dir, "two");
    ASSERT_GT(first.png.size(), 8u);
    ASSERT_GT(first.exr.size(), 8u);
    EXPECT_TRUE(first.png == again.png) << "PNG differs between two runs";
    EXPECT_TRUE(first.exr == again.exr) << "EXR differs between two runs";
    EXPECT_TRUE(first.png == two.png) << "PNG differs on two threads";
    EXPECT_TRUE(first.exr == two.exr) << "EXR differs on two threads";
  }
}

}  // namespace
