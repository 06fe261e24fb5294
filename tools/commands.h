// The subcommands of `quillane`, each returning the process exit code:
// 0 success, 1 some eval lines failed, 2 bad input (scene, option, module).
#pragma once

#include <exception>
#include <optional>
#include <string>

namespace quillane {

// An option check: a file name or size given as "" is a mistake, not the
// option left out.
inline std::string NonEmpty(const std::string& text) {
  return text.empty() ? "expected a value, got an empty one" : std::string();
}

// Prints "quillane: MESSAGE" on standard error, with any control characters
// or stray bytes quoted from a file escaped (Printable), and returns 2,
// the exit code of bad input.
int Fail(const std::string& message);

// Runs `body`, turning every failure of the input or the module into one
// message and exit code 2.
template <typename Body>
int Guarded(Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

// Whether this build renders: the renderer and image files need libpng,
// OpenEXR and oneTBB, which builds without QUILLANE_RENDER (Windows) lack.
// Such a build still has `eval` and `panel`; `render` prints kRenderMissing
// and exits with 2.
inline constexpr bool kRenderAvailable = QUILLANE_HAS_RENDER;
inline constexpr const char* kRenderMissing =
    "render is not available in this build (it needs libpng, OpenEXR and oneTBB)";

struct RenderArgs {
  std::string module;
  std::string scene;  // empty: the built-in default scene
  std::string png;
  std::string exr;
  std::optional<std::pair<int, int>> size;
  int threads = 1;
  std::optional<double> exposure;  // overrides the scene's
  std::string saveScene;
  std::string aov;  // prefix of the frame-read-back files, or empty
};

int Render(const RenderArgs& args);

// `quillane serve`: built where cpp-httplib and the renderer are (not on
// Windows); elsewhere the subcommand is not offered.
inline constexpr bool kServeAvailable = QUILLANE_HAS_SERVE;

struct ServeArgs {
  std::string module;
  std::string scene;        // empty: the built-in default scene
  std::string sceneFolder;  // empty: the scene's folder, or none
  std::string bind = "127.0.0.1";
  int port = 8080;
  int threads = 1;
};
int Serve(const ServeArgs& args);
// The folder a file lies in ("." for a bare name).
std::string FolderOf(const std::string& path);
int Eval(const std::string& module, const std::string& input);
int Panel(const std::string& module, const std::string& scene);

// Direction maps (`quillane make-map`): asset_commands.cpp.
struct MakeMapArgs {
  std::string kind;      // radial, circular, angle, noise
  std::string output;    // .png (16-bit data) or .exr (float)
  std::optional<std::pair<int, int>> size;  // 512x512 when left out
  std::string as = "direction";  // or "angle"
  double angle = 0.0;
  int cells = 4;
  unsigned long long seed = 1;
};
int MakeMap(const MakeMapArgs& args);

// Studio environments (`quillane make-env`): asset_commands.cpp.
struct MakeEnvArgs {
  std::string preset;    // studio, sky
  std::string output;    // .exr (float RGB)
  std::optional<std::pair<int, int>> size;  // 1024x512 when left out
  std::string preview;   // optional .png of the map, exposure 0.25
};
int MakeEnv(const MakeEnvArgs& args);

// Turntables (`quillane turntable`): turntable_command.cpp.
struct TurntableArgs {
  std::string module;
  std::string scene;     // empty: the built-in default scene
  std::string output;    // .webp, or a PNG pattern with #### or %d
  int frames = 36;
  std::string rotate = "camera";  // or "environment"
  std::optional<std::pair<int, int>> size;
  int threads = 1;
  int delay = 100;       // milliseconds per frame (WebP)
};
int Turntable(const TurntableArgs& args);

// A/B comparisons (`quillane compare`): asset_commands.cpp. Exit 1 when the
// largest difference exceeds maxError.
struct CompareArgs {
  std::string module;    // the default for both sides
  std::string a, b;      // images (.png, .exr) or scenes (.json); b may be empty
  std::string moduleA, moduleB;
  std::string output;
  std::optional<double> scale;     // heat map's full scale (default: the largest difference)
  std::optional<double> maxError;
  std::optional<std::pair<int, int>> size;
  int threads = 1;
};
int Compare(const CompareArgs& args);

// Prints the version, then the module file's path, size and SHA-256, and
// loads it: 0 when it loads, 2 when it cannot be read or used.
int Version(const std::string& module);
const char* VersionText();

// The module next to the running executable, or in ../lib/quillane/ when
// there is none beside it (an installed program).
std::string DefaultModulePath();
// "640x360" as (640, 360); nullopt unless both are whole numbers 1..16384.
std::optional<std::pair<int, int>> ParseSize(const std::string& text);

}  // namespace quillane
