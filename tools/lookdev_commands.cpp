// `quillane lobe` and `quillane sweep`: argument checks and file output
// around the look-dev library.
#include <charconv>
#include <chrono>
#include <iostream>
#include <numbers>

#include "tools/commands.h"
#include "tools/lookdev_cli.h"

#if QUILLANE_HAS_RENDER
#include "standin/host/host.h"
#include "standin/lookdev/cairo_output.h"
#include "standin/lookdev/lobe_request.h"
#include "standin/lookdev/sweep.h"
#include "standin/files/output_files.h"
#include "standin/render/scene.h"
#endif

namespace quillane {
#if QUILLANE_HAS_RENDER

namespace {

using standin::Host;
using standin::ModuleFile;
using standin::Scene;

// "X,Y" as two whole numbers, or nullopt.
std::optional<std::pair<int, int>> ParsePixel(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  auto whole = [](std::string_view s, int* out) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
  };
  int x = 0, y = 0;
  const std::string_view all = text;
  if (!whole(all.substr(0, comma), &x) || !whole(all.substr(comma + 1), &y)) return std::nullopt;
  return std::make_pair(x, y);
}

// "key=v1,v2,..." as the key and its values.
std::pair<std::string, std::vector<std::string>> ParseOverlay(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size())
    throw std::runtime_error("--overlay " + text + ": expected KEY=V1,V2,...");
  std::vector<std::string> values;
  std::string rest = text.substr(eq + 1);
  for (size_t start = 0;;) {
    const size_t comma = rest.find(',', start);
    values.push_back(rest.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return {text.substr(0, eq), values};
}

}  // namespace

int Lobe(const std::string& module, const LobeArgs& args) {
  return Guarded([&] {
    standin::lookdev::LobeRequest request;
    std::optional<Scene> scene;
    if (!args.scene.empty() && args.pixel.empty())
      return Fail("lobe: a scene needs --pixel X,Y");
    if (!args.pixel.empty()) {
      const auto pixel = ParsePixel(args.pixel);
      if (!pixel) return Fail("--pixel: expected X,Y as whole numbers, got \"" + args.pixel + "\"");
      scene = args.scene.empty() ? standin::DefaultScene() : standin::LoadSceneFile(args.scene);
      const auto size = args.size.value_or(std::make_pair(scene->render.width, scene->render.height));
      request.scene = &*scene;
      request.sceneName = args.scene.empty() ? "default scene" : args.scene;
      std::tie(request.pixelX, request.pixelY) = *pixel;
      std::tie(request.width, request.height) = size;
    }
    request.settings = args.settings;
    if (!args.overlay.empty())
      std::tie(request.overlayKey, request.overlayValues) = ParseOverlay(args.overlay);
    request.options.log = args.log;
    request.options.mapSize = args.mapSize;
    request.options.threads = args.threads;
    request.reportGrid = args.report ? 512 : 0;
    const std::string output =
        args.output.empty() && args.csv.empty() && !args.report ? "lobe.png" : args.output;
    if (!output.empty()) standin::lookdev::CheckDrawingPath(output);
    if (args.report && args.csv == standin::kStandardOutput)
      return Fail("--csv -: standard output carries the --report line; name a file");
    standin::OutputFiles outputs;
    outputs.AddInput(args.scene, "the scene");
    outputs.AddInput(module, "the module");
    if (!output.empty()) outputs.AddOutput(output, "the plot (-o)");
    if (!args.csv.empty()) outputs.AddOutput(args.csv, "the CSV file (--csv)");

    ModuleFile loaded(module);
    Host host(loaded);
    const auto start = std::chrono::steady_clock::now();
    const auto result = standin::lookdev::PlotLobe(host, request);
    if (!output.empty()) standin::lookdev::WriteLobePlot(outputs, output, result.samples);
    if (!args.csv.empty()) outputs.WriteBytes(args.csv, standin::lookdev::LobeCsv(result.samples));
    outputs.Commit();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (result.report) {
      const double i = result.report->integral;
      std::cout.precision(17);
      std::cout << "cosine-weighted integral over light directions: " << i << " (pi "
                << std::numbers::pi << ", ratio " << i / std::numbers::pi << "; "
                << result.report->evaluations << " evaluations)\n";
    }
    std::cerr << "lobe: " << result.samples.evaluations << " evaluations in " << took.count()
              << " s";
    if (!output.empty()) std::cerr << " -> " << output;
    if (!args.csv.empty()) std::cerr << " -> " << args.csv;
    std::cerr << "\n";
    return 0;
  });
}

int Sweep(const std::string& module, const SweepArgs& args) {
  return Guarded([&] {
    const std::string output = args.output.empty() ? "sweep.png" : args.output;
    standin::lookdev::CheckSheetPath(output);
    standin::OutputFiles outputs;
    outputs.AddInput(args.scene, "the scene");
    outputs.AddInput(module, "the module");
    outputs.AddOutput(output, "the sheet (-o)");
    const auto cell = ParseSize(args.cell);
    if (!cell) return Fail("--cell: expected WIDTHxHEIGHT with each 1..16384, got \"" + args.cell + "\"");
    std::optional<Scene> scene;
    if (!args.lobe) scene = args.scene.empty() ? standin::DefaultScene() : standin::LoadSceneFile(args.scene);
    standin::lookdev::SweepRequest request;
    request.scene = scene ? &*scene : nullptr;
    request.sceneName = args.scene.empty() ? "default scene" : args.scene;
    for (const std::string& s : args.sweeps) request.axes.push_back(standin::lookdev::ParseSweepAxis(s));
    request.settings = args.settings;
    std::tie(request.cellWidth, request.cellHeight) = *cell;
    request.threads = args.threads;

    ModuleFile loaded(module);
    Host host(loaded);
    const auto start = std::chrono::steady_clock::now();
    const standin::lookdev::ContactSheet sheet = standin::lookdev::RunSweep(host, request);
    standin::lookdev::WriteContactSheet(outputs, output, sheet);
    outputs.Commit();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cerr << "sweep: " << sheet.cells.size() << " cells in " << took.count() << " s -> "
              << output << "\n";
    return 0;
  });
}

#else

int Lobe(const std::string&, const LobeArgs&) {
  return Fail("lobe is not available in this build (it needs Cairo and oneTBB)");
}
int Sweep(const std::string&, const SweepArgs&) {
  return Fail("sweep is not available in this build (it needs Cairo and oneTBB)");
}

#endif

}  // namespace quillane
