#include "tools/lookdev_cli.h"

#include <thread>

#include "tools/commands.h"

namespace quillane {

LookdevCli::LookdevCli(CLI::App& app) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  lobeArgs_.threads = sweepArgs_.threads = cores;

  lobe_ = app.add_subcommand("lobe", "Plot the lobe of the loaded module");
  LobeArgs& l = lobeArgs_;
  lobe_->add_option("scene", l.scene, "Scene file whose pixel to probe (default: the built-in scene)")->check(NonEmpty);
  lobe_->add_option("--pixel", l.pixel, "The spot under pixel X,Y of the scene's render")->check(NonEmpty);
  lobe_->add_option("--size", l.size, "The render the pixel belongs to, WIDTHxHEIGHT (default: the scene's)")->check(NonEmpty);
  lobe_->add_option("--set", l.settings, "A node setting as an eval key, KEY=VALUE (color=R,G,B)");
  lobe_->add_option("--overlay", l.overlay, "Slices for several values of one setting, KEY=V1,V2,...")->check(NonEmpty);
  lobe_->add_flag("--log", l.log, "log10 colour and radius scales");
  lobe_->add_option("-o,--output", l.output, "Plot file: .png, .svg or .pdf (default lobe.png)")->check(NonEmpty);
  lobe_->add_option("--csv", l.csv, "CSV file of every sampled value")->check(NonEmpty);
  lobe_->add_flag("--report", l.report, "Print the cosine-weighted hemisphere integral");
  lobe_->add_option("--map-size", l.mapSize, "Samples across each map")->check(CLI::Range(8, 2048));
  lobe_->add_option("--threads", l.threads, "Worker threads")->check(CLI::Range(1, 1024));

  sweep_ = app.add_subcommand("sweep", "Render one or two settings swept over ranges on a contact sheet");
  SweepArgs& s = sweepArgs_;
  sweep_->add_option("scene", s.scene, "Scene file (default: the built-in scene)")->check(NonEmpty);
  sweep_->add_option("--sweep", s.sweeps, "KEY=FROM:TO:COUNT (a setting's eval key or an input name); once or twice")
      ->required();
  sweep_->add_option("--set", s.settings, "A fixed node setting, KEY=VALUE");
  sweep_->add_option("-o,--output", s.output, "Sheet file: .png or .pdf (default sweep.png)")->check(NonEmpty);
  sweep_->add_option("--cell", s.cell, "Cell size WIDTHxHEIGHT (default 256x256)")->check(NonEmpty);
  sweep_->add_flag("--lobe", s.lobe, "Cells are half-vector lobe maps of the eval spot");
  sweep_->add_option("--threads", s.threads, "Worker threads")->check(CLI::Range(1, 1024));
}

bool LookdevCli::Chosen() const { return lobe_->parsed() || sweep_->parsed(); }

int LookdevCli::Run(const std::string& module) {
  return lobe_->parsed() ? Lobe(module, lobeArgs_) : Sweep(module, sweepArgs_);
}

}  // namespace quillane
