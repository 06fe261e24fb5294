#include "tools/lookdev_cli.h"

#include "tools/commands.h"
#include "tools/options.h"

namespace quillane {

void DeclareLobe(CLI::App& c, LobeArgs& l) {
  c.add_option("scene", l.scene, "Scene file whose pixel to probe (default: the built-in scene)")->check(NonEmpty);
  c.add_option("--pixel", l.pixel, "The spot under pixel X,Y of the scene's render")->check(NonEmpty);
  AddSizeOption(c, "--size", l.size, "The render the pixel belongs to, WIDTHxHEIGHT (default: the scene's)");
  c.add_option("--set", l.settings, "A node setting as an eval key, KEY=VALUE (color=R,G,B)");
  c.add_option("--overlay", l.overlay, "Slices for several values of one setting, KEY=V1,V2,...")->check(NonEmpty);
  c.add_flag("--log", l.log, "log10 colour and radius scales");
  c.add_option("-o,--output", l.output, "Plot file: .png, .svg or .pdf (default lobe.png)")->check(NonEmpty);
  c.add_option("--csv", l.csv, "CSV file of every sampled value")->check(NonEmpty);
  c.add_flag("--report", l.report, "Print the cosine-weighted hemisphere integral");
  c.add_option("--map-size", l.mapSize, "Samples across each map")->check(CLI::Range(8, 2048));
  c.add_option("--threads", l.threads, "Worker threads")->check(CLI::Range(1, 1024));
}

void DeclareSweep(CLI::App& c, SweepArgs& s) {
  c.add_option("scene", s.scene, "Scene file (default: the built-in scene)")->check(NonEmpty);
  c.add_option("--sweep", s.sweeps, "KEY=FROM:TO:COUNT (a setting's eval key or an input name); once or twice")
      ->required();
  c.add_option("--set", s.settings, "A fixed node setting, KEY=VALUE");
  c.add_option("-o,--output", s.output, "Sheet file: .png or .pdf (default sweep.png)")->check(NonEmpty);
  c.add_option("--cell", s.cell, "Cell size WIDTHxHEIGHT (default 256x256)")->check(NonEmpty);
  c.add_flag("--lobe", s.lobe, "Cells are half-vector lobe maps of the eval spot");
  c.add_option("--threads", s.threads, "Worker threads")->check(CLI::Range(1, 1024));
}

}  // namespace quillane
