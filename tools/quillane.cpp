// quillane: the stand-in host's command line.
#include <charconv>
#include <cmath>
#include <iostream>
#include <thread>

#include <CLI/CLI.hpp>

#include "tools/commands.h"
#include "tools/lookdev_cli.h"

namespace {

// An option check: empty when `text` is a finite number above 0.
std::string PositiveNumber(const std::string& text) {
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool ok = result.ec == std::errc() && result.ptr == text.data() + text.size() &&
                  std::isfinite(value) && value > 0.0;
  return ok ? std::string() : "expected a number greater than 0, got \"" + text + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Quillane stand-in host: render previews, evaluate cases, show the panel."};
  // One subcommand, or --version alone.
  app.require_subcommand(0, 1);
  // Options start with - on every system: a path such as /scenes/a.json is a
  // path on Windows too, not an option.
  app.allow_windows_style_options(false);
  std::string module = quillane::DefaultModulePath();
  app.add_option("--module", module, "The module file to load (default: quillane.p next to this program)");
  app.fallthrough();
  bool showVersion = false;
  app.add_flag("--version", showVersion,
               "Print the version, then the module file's path, size and SHA-256");

  quillane::RenderArgs render;
  std::string size;
  render.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const std::string renderHelp =
      quillane::kRenderAvailable
          ? "Render a scene (default: the built-in preview scene)"
          : "Render a scene: not available in this build (needs libpng, OpenEXR and oneTBB)";
  CLI::App* renderCmd = app.add_subcommand("render", renderHelp);
  renderCmd->add_option("scene", render.scene, "Scene file (JSON)");
  renderCmd->add_option("-o,--output", render.png, "PNG file to write (8-bit sRGB)");
  renderCmd->add_option("--exr", render.exr, "OpenEXR file to write (linear float)");
  renderCmd->add_option("--size", size, "Image size WIDTHxHEIGHT (default: the scene's)");
  renderCmd->add_option("--exposure", render.exposure, "Linear scale before the PNG's display encoding (default: the scene's)")
      ->check(PositiveNumber);
  renderCmd->add_option("--threads", render.threads, "Worker threads")->check(CLI::Range(1, 1024));
  renderCmd->add_option("--save-scene", render.saveScene, "Write the scene back, with the node's data as the module saves it");
  renderCmd->add_option("--aov", render.aov, "Also write the frame read back from the module: PREFIX.exr and PREFIX-*.png");

  std::string evalInput = "-";
  CLI::App* evalCmd = app.add_subcommand("eval", "Evaluate cases, one JSON object per line");
  evalCmd->add_option("input", evalInput, "Case file, or - for standard input (default)");

  std::string panelScene;
  CLI::App* panelCmd = app.add_subcommand("panel", "Print the node's panel as the host shows it");
  panelCmd->add_option("scene", panelScene, "Scene file (default: the built-in preview scene)");

#if QUILLANE_HAS_SERVE
  quillane::ServeArgs serve;
  serve.threads = render.threads;
  CLI::App* serveCmd = app.add_subcommand(
      "serve", "Serve the look-dev page: the node's panel and a live preview in the browser");
  serveCmd->add_option("scene", serve.scene, "Scene file (default: the built-in preview scene)");
  serveCmd->add_option("--port", serve.port, "Port to listen on (0: any free port)")
      ->check(CLI::Range(0, 65535));
  serveCmd->add_option("--scenes", serve.sceneFolder,
                       "Folder of scenes the page may open and save (default: the scene's folder)");
  serveCmd->add_option("--bind", serve.bind, "Address to listen on (default 127.0.0.1: this machine only)");
  serveCmd->add_option("--threads", serve.threads, "Render threads")->check(CLI::Range(1, 1024));
#endif
  quillane::LookdevCli lookdev(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "quillane: " << e.what() << " (see quillane --help)\n";
    return 2;
  }

  if (showVersion) return quillane::Version(module);
  if (app.get_subcommands().empty()) {
    std::cerr << "quillane: a subcommand is required (see quillane --help)\n";
    return 2;
  }
  if (*renderCmd) {
    render.module = module;
    if (!size.empty()) {
      render.size = quillane::ParseSize(size);
      if (!render.size) {
        std::cerr << "quillane: --size: expected WIDTHxHEIGHT with each 1..16384, got \""
                  << size << "\"\n";
        return 2;
      }
    }
    return quillane::Render(render);
  }
  if (*evalCmd) return quillane::Eval(module, evalInput);
#if QUILLANE_HAS_SERVE
  if (*serveCmd) {
    serve.module = module;
    if (serve.sceneFolder.empty() && !serve.scene.empty())
      serve.sceneFolder = quillane::FolderOf(serve.scene);
    return quillane::Serve(serve);
  }
#endif
  if (lookdev.Chosen()) return lookdev.Run(module);
  return quillane::Panel(module, panelScene);
}
