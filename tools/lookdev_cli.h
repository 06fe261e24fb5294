// The look-dev subcommands of `quillane`: `lobe` (plots of the loaded
// module's lobe) and `sweep` (contact sheets of settings swept over
// ranges). Builds without the renderer refuse them with exit code 2.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

namespace quillane {

struct LobeArgs {
  std::string scene;
  std::string pixel;  // "X,Y"
  std::optional<std::pair<int, int>> size;  // the render the pixel belongs to
  std::vector<std::string> settings;
  std::string overlay;  // "key=v1,v2,..."
  bool log = false;
  std::string output;
  std::string csv;
  bool report = false;
  int mapSize = 256;
  int threads = 1;
};

struct SweepArgs {
  std::string scene;
  std::vector<std::string> sweeps;  // "key=from:to:count", one or two
  std::vector<std::string> settings;
  std::string output;
  std::string cell = "256x256";
  bool lobe = false;  // cells are half-vector lobe maps instead of renders
  int threads = 1;
};

// The options of `lobe` and `sweep`, on their commands.
void DeclareLobe(CLI::App& command, LobeArgs& args);
void DeclareSweep(CLI::App& command, SweepArgs& args);

int Lobe(const std::string& module, const LobeArgs& args);
int Sweep(const std::string& module, const SweepArgs& args);

}  // namespace quillane
