// quillane: the stand-in host's command line.
#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>
#include <thread>

#include <CLI/CLI.hpp>

#include "tools/commands.h"
#include "tools/lookdev_cli.h"

namespace {

using quillane::NonEmpty;

// `text` whole as a finite number, or nothing.
std::optional<double> FiniteValue(const std::string& text) {
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// An option check: empty when `text` is a finite number above 0.
std::string PositiveNumber(const std::string& text) {
  const auto value = FiniteValue(text);
  return value && *value > 0.0 ? std::string() : "expected a number greater than 0, got \"" + text + "\"";
}

// An option check: empty when `text` is a finite number.
std::string FiniteNumber(const std::string& text) {
  return FiniteValue(text) ? std::string() : "expected a finite number, got \"" + text + "\"";
}

// The first word that is not an option or the value of --module: the
// subcommand the user asked for, or empty.
std::string SubcommandWord(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--module") ++i;
    else if (!arg.starts_with("-")) return std::string(arg);
  }
  return {};
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
  app.add_option("--module", module, "The module file to load (default: quillane.p next to this program)")
      ->check(NonEmpty);
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
  renderCmd->add_option("scene", render.scene, "Scene file (JSON)")->check(NonEmpty);
  renderCmd->add_option("-o,--output", render.png, "PNG file to write (8-bit sRGB)")->check(NonEmpty);
  renderCmd->add_option("--exr", render.exr, "OpenEXR file to write (linear float)")->check(NonEmpty);
  renderCmd->add_option("--size", size, "Image size WIDTHxHEIGHT (default: the scene's)")->check(NonEmpty);
  renderCmd->add_option("--exposure", render.exposure, "Linear scale before the PNG's display encoding (default: the scene's)")
      ->check(PositiveNumber);
  renderCmd->add_option("--threads", render.threads, "Worker threads")->check(CLI::Range(1, 1024));
  renderCmd->add_option("--save-scene", render.saveScene, "Write the scene back, with the node's data as the module saves it")->check(NonEmpty);
  renderCmd->add_option("--aov", render.aov, "Also write the frame read back from the module: PREFIX.exr and PREFIX-*.png")->check(NonEmpty);

  std::string evalInput = "-";
  CLI::App* evalCmd = app.add_subcommand("eval", "Evaluate cases, one JSON object per line");
  evalCmd->add_option("input", evalInput, "Case file, or - for standard input (default)")->check(NonEmpty);

  std::string panelScene;
  CLI::App* panelCmd = app.add_subcommand("panel", "Print the node's panel as the host shows it");
  panelCmd->add_option("scene", panelScene, "Scene file (default: the built-in preview scene)")->check(NonEmpty);

#if QUILLANE_HAS_SERVE
  quillane::ServeArgs serve;
  serve.threads = render.threads;
  CLI::App* serveCmd = app.add_subcommand(
      "serve", "Serve the look-dev page: the node's panel and a live preview in the browser");
  serveCmd->add_option("scene", serve.scene, "Scene file (default: the built-in preview scene)")->check(NonEmpty);
  serveCmd->add_option("--port", serve.port, "Port to listen on (0: any free port)")
      ->check(CLI::Range(0, 65535));
  serveCmd->add_option("--scenes", serve.sceneFolder,
                       "Folder of scenes the page may open and save (default: the scene's folder)")
      ->check(NonEmpty);
  serveCmd->add_option("--bind", serve.bind, "Address to listen on (default 127.0.0.1: this machine only)")->check(NonEmpty);
  serveCmd->add_option("--threads", serve.threads, "Render threads")->check(CLI::Range(1, 1024));
#endif
  quillane::LookdevCli lookdev(app);
  // Bring-your-own-asset commands: direction maps and A/B comparisons.
  quillane::MakeMapArgs makeMap;
  CLI::App* makeMapCmd = app.add_subcommand("make-map", "Write a direction or angle map (16-bit data PNG or float EXR)");
  makeMapCmd->add_option("kind", makeMap.kind, "radial, circular, angle or noise")->required()->check(NonEmpty);
  makeMapCmd->add_option("-o,--output", makeMap.output, "Map file to write (.png or .exr)")->required()->check(NonEmpty);
  makeMapCmd->add_option("--size", makeMap.size, "Map size WIDTHxHEIGHT (default 512x512)")->check(NonEmpty);
  makeMapCmd->add_option("--as", makeMap.as, "direction (RGB, for \"UV\") or angle (grey 0..1 of a turn, for \"Tangent Rotate\")")->check(NonEmpty);
  makeMapCmd->add_option("--angle", makeMap.angle, "angle: the direction in degrees from +u toward +v")
      ->check(FiniteNumber);
  makeMapCmd->add_option("--cells", makeMap.cells, "noise: lattice cells across the map")->check(CLI::Range(1, 4096));
  makeMapCmd->add_option("--seed", makeMap.seed, "noise: seed");

  quillane::CompareArgs compare;
  std::string compareSize;
  compare.threads = render.threads;
  CLI::App* compareCmd = app.add_subcommand("compare", "Compare two images, or two renders (modules or scenes), A against B");
  compareCmd->add_option("a", compare.a, "Image (.png, .exr) or scene (.json)")->required()->check(NonEmpty);
  compareCmd->add_option("b", compare.b, "Image or scene (default: A again, for two modules)")->check(NonEmpty);
  compareCmd->add_option("--module-a", compare.moduleA, "Module for A's render (default: --module)")->check(NonEmpty);
  compareCmd->add_option("--module-b", compare.moduleB, "Module for B's render (default: --module)")->check(NonEmpty);
  compareCmd->add_option("-o,--output", compare.output, "PNG sheet: side by side, split view, difference heat map")->check(NonEmpty);
  compareCmd->add_option("--scale", compare.scale, "Difference shown as white in the heat map (default: the largest)")->check(PositiveNumber);
  compareCmd->add_option("--max-error", compare.maxError, "Exit 1 when the largest difference exceeds this");
  compareCmd->add_option("--size", compareSize, "Render size WIDTHxHEIGHT for scenes (default: the scene's)")->check(NonEmpty);
  compareCmd->add_option("--threads", compare.threads, "Worker threads for renders")->check(CLI::Range(1, 1024));

  const std::string word = SubcommandWord(argc, argv);
  const auto named = [&word](CLI::App* sub) { return sub->get_name() == word; };
  if (!word.empty() && app.get_subcommands(named).empty()) {
    std::cerr << "quillane: unknown command \"" << word << "\" (see quillane --help)\n";
    return 2;
  }
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
  if (*makeMapCmd) return quillane::MakeMap(makeMap);
  if (*compareCmd) {
    compare.module = module;
    if (!compareSize.empty()) {
      compare.size = quillane::ParseSize(compareSize);
      if (!compare.size) {
        std::cerr << "quillane: --size: expected WIDTHxHEIGHT with each 1..16384, got \""
                  << compareSize << "\"\n";
        return 2;
      }
    }
    return quillane::Compare(compare);
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
