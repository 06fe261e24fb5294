// `quillane panel`: the panel as the host shows it, with and without wired
// inputs.
#include <gtest/gtest.h>

#include "tests/tools/cli_runner.h"

namespace {

using standin_test::RunQuillane;
using standin_test::TempFolder;
using standin_test::WriteFile;

// Each scene's panel as printed: every value with nothing wired; wired
// inputs hide their controls and show the light type.
TEST(PanelCommand, PrintsEachControlsValueOrWhyItIsHidden) {
  const struct {
    const char* file;
    const char* scene;
    const char* printed;
  } cases[] = {
      {"empty.json", "{}\n",
       "Panel: Quillane (1)\n"
       "  Color               color       1 1 1\n"
       "  Specular            percent     100%\n"
       "  U Glossiness        percent     50%\n"
       "  V Glossiness        percent     10%\n"
       "  Axis                axis        Y\n"
       "  Tangent Rotate      angle       0 deg\n"
       "  Custom Light Type   iPopChoice  (hidden)\n"
       "  Classic Mode        iBoolean    off\n"
       "Wired inputs: none\n"},
      {"wired.json", R"({
  "inputs": {"Color": [1, 0, 0], "Tangent Rotate": 0.5, "Custom Light": [0, 1, 0], "UV": "uv"},
  "node": "Specular 0.25\n{ LigType\n  1\n}\n{ TanRot\n  1.5\n}\n{ Classic\n  1\n}\n"
})",
       "Panel: Quillane (1)\n"
       "  Color               color       (hidden: input \"Color\" is wired)\n"
       "  Specular            percent     25%\n"
       "  U Glossiness        percent     50%\n"
       "  V Glossiness        percent     10%\n"
       "  Axis                axis        Y\n"
       "  Tangent Rotate      angle       (hidden: input \"Tangent Rotate\" is wired)\n"
       "  Custom Light Type   iPopChoice  Point\n"
       "  Classic Mode        iBoolean    on\n"
       "Wired inputs: Color, Tangent Rotate, UV, Custom Light\n"},
  };
  for (const auto& c : cases) {
    const std::string scene = TempFolder() + "/" + c.file;
    WriteFile(scene, c.scene);
    const auto run = RunQuillane({"panel", scene});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, c.printed) << c.file;
  }
}

TEST(PanelCommand, WithoutASceneShowsThePreviewScenesNode) {
  const auto run = RunQuillane({"panel"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Panel: Quillane (1)\n", 0), 0u) << run.out;
  // "UV" is wired in the preview; it hides no control.
  EXPECT_EQ(run.out.find("(hidden: input"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Wired inputs: UV\n"), std::string::npos) << run.out;
}

TEST(PanelCommand, BadNodeDataNamesTheSceneKeyAndLine) {
  const std::string scene = TempFolder() + "/bad.json";
  WriteFile(scene, R"({"node": "Specular 0.25\nColor 1 1\n"})");
  const auto run = RunQuillane({"panel", scene});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "quillane: " + scene +
                         ": key node: line 2: block \"Color\" holds 2 of the 3 values asked for\n");
  EXPECT_EQ(run.out, "");
}

}  // namespace
