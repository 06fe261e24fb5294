// quillane: the stand-in host's command line. Every command is one row of
// kCommands: its name, its one-line summary, the options it declares and
// what runs it once the line is parsed.
#include <algorithm>
#include <iostream>
#include <string_view>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/commands.h"
#include "tools/lookdev_cli.h"
#include "tools/options.h"

namespace {

using namespace quillane;

// Everything the command line fills in.
struct Line {
  std::string module = DefaultModulePath();
  bool showVersion = false;
  RenderArgs render;
  std::string evalInput = "-";
  std::string panelScene;
  ServeArgs serve;
  LobeArgs lobe;
  SweepArgs sweep;
  MakeMapArgs makeMap;
  MakeEnvArgs makeEnv;
  TurntableArgs turntable;
  CompareArgs compare;
};

struct Command {
  const char* name;
  const char* summary;
  void (*declare)(CLI::App& command, Line& line);
  int (*run)(Line& line);
};

void DeclareRender(CLI::App& c, Line& line) {
  RenderArgs& r = line.render;
  c.add_option("scene", r.scene, "Scene file (JSON)")->check(NonEmpty);
  c.add_option("-o,--output", r.png, "PNG file to write (8-bit sRGB)")->check(NonEmpty);
  c.add_option("--exr", r.exr, "OpenEXR file to write (linear float)")->check(NonEmpty);
  AddSizeOption(c, "--size", r.size, "Image size WIDTHxHEIGHT (default: the scene's)");
  c.add_option("--exposure", r.exposure, "Linear scale before the PNG's display encoding (default: the scene's)")
      ->check(PositiveNumber);
  c.add_option("--threads", r.threads, "Worker threads")->check(CLI::Range(1, 1024));
  c.add_option("--save-scene", r.saveScene, "Write the scene back, with the node's data as the module saves it")
      ->check(NonEmpty);
  c.add_option("--aov", r.aov, "Also write the frame read back from the module: PREFIX.exr and PREFIX-*.png")
      ->check(NonEmpty);
}

void DeclareEval(CLI::App& c, Line& line) {
  c.add_option("input", line.evalInput, "Case file, or - for standard input (default)")->check(NonEmpty);
}

void DeclarePanel(CLI::App& c, Line& line) {
  c.add_option("scene", line.panelScene, "Scene file (default: the built-in preview scene)")->check(NonEmpty);
}

#if QUILLANE_HAS_SERVE
void DeclareServe(CLI::App& c, Line& line) {
  ServeArgs& s = line.serve;
  c.add_option("scene", s.scene, "Scene file (default: the built-in preview scene)")->check(NonEmpty);
  c.add_option("--port", s.port, "Port to listen on (0: any free port)")->check(CLI::Range(0, 65535));
  c.add_option("--scenes", s.sceneFolder, "Folder of scenes the page may open and save (default: the scene's folder)")
      ->check(NonEmpty);
  c.add_option("--bind", s.bind, "Address to listen on (default 127.0.0.1: this machine only)")->check(NonEmpty);
  c.add_option("--threads", s.threads, "Render threads")->check(CLI::Range(1, 1024));
}
#endif

void DeclareMakeMap(CLI::App& c, Line& line) {
  MakeMapArgs& m = line.makeMap;
  c.add_option("kind", m.kind, "radial, circular, angle or noise")->required()->check(NonEmpty);
  c.add_option("-o,--output", m.output, "Map file to write (.png or .exr)")->required()->check(NonEmpty);
  AddSizeOption(c, "--size", m.size, "Map size WIDTHxHEIGHT (default 512x512)");
  c.add_option("--as", m.as, "direction (RGB, for \"UV\") or angle (grey 0..1 of a turn, for \"Tangent Rotate\")")
      ->check(NonEmpty);
  c.add_option("--angle", m.angle, "angle: the direction in degrees from +u toward +v")->check(FiniteNumber);
  c.add_option("--cells", m.cells, "noise: lattice cells across the map")->check(CLI::Range(1, 4096));
  c.add_option("--seed", m.seed, "noise: seed");
}

void DeclareMakeEnv(CLI::App& c, Line& line) {
  MakeEnvArgs& e = line.makeEnv;
  c.add_option("preset", e.preset, "studio or sky")->required()->check(NonEmpty);
  c.add_option("-o,--output", e.output, "Environment file to write (.exr)")->required()->check(NonEmpty);
  AddSizeOption(c, "--size", e.size, "Map size WIDTHxHEIGHT (default 1024x512)");
  c.add_option("--preview", e.preview, "Also a PNG of the map to look at (exposure 0.25)")->check(NonEmpty);
}

void DeclareTurntable(CLI::App& c, Line& line) {
  TurntableArgs& t = line.turntable;
  c.add_option("scene", t.scene, "Scene file (default: the built-in preview scene)")->check(NonEmpty);
  c.add_option("-o,--output", t.output, "OUT.webp, or PNG frames named by a pattern (frame-####.png, frame-%03d.png)")
      ->required()
      ->check(NonEmpty);
  c.add_option("--frames", t.frames, "Frames in one turn (default 36)")->check(CLI::Range(1, 3600));
  c.add_option("--rotate", t.rotate, "camera (orbits the target) or environment (turns the environment lights)")
      ->check(NonEmpty);
  AddSizeOption(c, "--size", t.size, "Frame size WIDTHxHEIGHT (default: the scene's)");
  c.add_option("--threads", t.threads, "Worker threads")->check(CLI::Range(1, 1024));
  c.add_option("--delay", t.delay, "WebP: milliseconds per frame (default 100)")->check(CLI::Range(1, 65535));
}

void DeclareCompare(CLI::App& c, Line& line) {
  CompareArgs& k = line.compare;
  c.add_option("a", k.a, "Image (.png, .exr) or scene (.json)")->required()->check(NonEmpty);
  c.add_option("b", k.b, "Image or scene (default: A again, for two modules)")->check(NonEmpty);
  c.add_option("--module-a", k.moduleA, "Module for A's render (default: --module)")->check(NonEmpty);
  c.add_option("--module-b", k.moduleB, "Module for B's render (default: --module)")->check(NonEmpty);
  c.add_option("-o,--output", k.output, "PNG sheet: side by side, split view, difference heat map")->check(NonEmpty);
  c.add_option("--scale", k.scale, "Difference shown as white in the heat map (default: the largest)")
      ->check(PositiveNumber);
  c.add_option("--max-error", k.maxError, "Exit 1 when the largest difference exceeds this");
  AddSizeOption(c, "--size", k.size, "Render size WIDTHxHEIGHT for scenes (default: the scene's)");
  c.add_option("--threads", k.threads, "Worker threads for renders")->check(CLI::Range(1, 1024));
}

#if QUILLANE_HAS_SERVE
int RunServe(Line& line) {
  line.serve.module = line.module;
  if (line.serve.sceneFolder.empty() && !line.serve.scene.empty())
    line.serve.sceneFolder = FolderOf(line.serve.scene);
  return Serve(line.serve);
}
#endif

const Command kCommands[] = {
    {"render",
     kRenderAvailable ? "Render a scene (default: the built-in preview scene)"
                      : "Render a scene: not available in this build (needs libpng, OpenEXR and oneTBB)",
     DeclareRender, [](Line& l) { return l.render.module = l.module, Render(l.render); }},
    {"eval", "Evaluate cases, one JSON object per line", DeclareEval,
     [](Line& l) { return Eval(l.module, l.evalInput); }},
    {"panel", "Print the node's panel as the host shows it", DeclarePanel,
     [](Line& l) { return Panel(l.module, l.panelScene); }},
#if QUILLANE_HAS_SERVE
    {"serve", "Serve the look-dev page: the node's panel and a live preview in the browser", DeclareServe,
     RunServe},
#endif
    {"lobe", "Plot the lobe of the loaded module", [](CLI::App& c, Line& l) { DeclareLobe(c, l.lobe); },
     [](Line& l) { return Lobe(l.module, l.lobe); }},
    {"sweep", "Render one or two settings swept over ranges on a contact sheet",
     [](CLI::App& c, Line& l) { DeclareSweep(c, l.sweep); }, [](Line& l) { return Sweep(l.module, l.sweep); }},
    {"make-map", "Write a direction or angle map (16-bit data PNG or float EXR)", DeclareMakeMap,
     [](Line& l) { return MakeMap(l.makeMap); }},
    {"make-env", "Write a studio environment (float EXR lat-long map)", DeclareMakeEnv,
     [](Line& l) { return MakeEnv(l.makeEnv); }},
    {"turntable", "Render frames around the scene: an animated WebP or a PNG sequence", DeclareTurntable,
     [](Line& l) { return l.turntable.module = l.module, Turntable(l.turntable); }},
    {"compare", "Compare two images, or two renders (modules or scenes), A against B", DeclareCompare,
     [](Line& l) { return l.compare.module = l.module, Compare(l.compare); }},
};

// Edits (insert, delete, substitute, swap two neighbours) from a to b.
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The command a mistyped word most likely meant: the nearest within two
// edits, else the one command it begins; none when neither is clear.
std::string Nearest(const std::string& word) {
  std::string nearest, begun;
  size_t best = 3, begins = 0;
  for (const Command& command : kCommands) {
    const std::string_view name = command.name;
    if (const size_t distance = Distance(word, name); distance < best) best = distance, nearest = name;
    if (name.starts_with(word)) ++begins, begun = name;
  }
  return !nearest.empty() ? nearest : begins == 1 ? begun : std::string();
}

// The refusal of a word that names no command, with what it likely meant.
int UnknownCommand(const std::string& word) {
  const std::string nearest = Nearest(word);
  std::cerr << "quillane: unknown command \"" << word << "\"";
  if (!nearest.empty()) std::cerr << "; did you mean \"" << nearest << "\"?";
  std::cerr << " (see quillane --help)\n";
  return 2;
}

// The first word that is not an option or the value of --module: the
// command the user asked for, or empty.
std::string CommandWord(int argc, char** argv) {
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
  app.require_subcommand(0, 1);  // one command, or --version alone
  // Options start with - on every system: a path such as /scenes/a.json is a
  // path on Windows too, not an option.
  app.allow_windows_style_options(false);
  app.fallthrough();
  Line line;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  line.render.threads = line.serve.threads = line.lobe.threads = line.sweep.threads = cores;
  line.compare.threads = line.turntable.threads = cores;
  app.add_option("--module", line.module, "The module file to load (default: quillane.p next to this program)")
      ->check(NonEmpty);
  app.add_flag("--version", line.showVersion, "Print the version, then the module file's path, size and SHA-256");
  for (const Command& command : kCommands) command.declare(*app.add_subcommand(command.name, command.summary), line);

  const std::string word = CommandWord(argc, argv);
  const auto named = [&word](const Command& c) { return word == c.name; };
  const Command* chosen = std::ranges::find_if(kCommands, named);
  if (!word.empty() && chosen == std::end(kCommands)) return UnknownCommand(word);
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
  if (line.showVersion) return Version(line.module);
  if (word.empty()) {
    std::cerr << "quillane: a subcommand is required (see quillane --help)\n";
    return 2;
  }
  return chosen->run(line);
}
