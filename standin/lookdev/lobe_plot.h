// `quillane lobe`: the lobe of the loaded module sampled over half-vector
// and light directions and along two polar slices, every value one
// evaluation through the module, then drawn with Cairo or listed as CSV.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "standin/lookdev/frame_recovery.h"
#include "standin/lookdev/probe.h"
#include "standin/render/renderer.h"
#include "standin/files/output_files.h"

namespace standin::lookdev {

// The spot's own frame, in which the maps are drawn: the host's normal n
// and the object's local X carried to world and laid across it (x), y = n x x.
struct SpotAxes {
  Vec3 x, y, n;
};
SpotAxes AxesOf(const HostSpot& spot);

struct LobeOptions {
  int mapSize = 256;      // samples across each hemisphere map
  int polarSamples = 181; // samples along each slice, -90..90 degrees
  bool log = false;       // log10 colour and radius scales
  int threads = 1;
  // Asked between rows of samples; once it answers true, sampling stops
  // with RenderInterrupted. Empty: never.
  std::function<bool()> interrupted;
};

struct LobeCurve {
  std::string label;
  std::vector<double> tn, bn;  // the slices, at LobeSamples::angles
};

struct LobeSamples {
  std::string title;
  int mapSize = 0;
  // Row by row from the top; x to the right, y up. NaN outside the disc.
  std::vector<double> half;   // over half vectors
  std::vector<double> light;  // over directions toward the light
  std::vector<double> angles; // degrees from the normal toward T (or B)
  std::vector<LobeCurve> curves;
  SpotAxes axes;
  Vec3 tangent, bitangent, normal;  // the slices' planes (the first curve's frame)
  // tangent and bitangent are the node's; otherwise (equal widths, or no
  // tangent at all) the spot's x and y laid across the normal stand in.
  bool frameKnown = false;
  // "UV" steered the tangent to zero: the lobe 1 / (H·N)² grows without
  // bound toward grazing, so the plot's scales stop at 80 degrees from the
  // normal.
  bool zeroSteering = false;
  Vec3 viewer;                      // toward the spot's ray source
  long long evaluations = 0;
  bool log = false;
};

// The direction of map sample (i, j): the orthographic projection of the
// upper hemisphere of `axes` onto the unit disc. False outside the disc.
bool MapDirection(const SpotAxes& axes, int size, int i, int j, Vec3* direction);

// Samples the first probe's maps and every probe's slices (labelled).
LobeSamples SampleLobe(const std::vector<std::pair<std::string, LobeProbe>>& probes,
                       const FrameHints& hints, const LobeOptions& options);

// The plot: maps with colour bars, the slices with a legend, the count.
int LobePlotWidth();
int LobePlotHeight();
// The plot as the output `path` of `files` (.png, .svg or .pdf).
void WriteLobePlot(OutputFiles& files, const std::string& path, const LobeSamples& samples);
std::string LobePlotPng(const LobeSamples& samples);

// plot,curve,angle,x,y,z,value (x, y, z in the spot's axes), one row per
// evaluation; written atomically.
std::string LobeCsv(const LobeSamples& samples);

// The cosine-weighted integral of the lobe over the directions toward the
// light, for the spot's view: pi times the mean over an n x n grid that is
// uniform in cos-weighted measure (so exactly pi for a lobe of 1).
struct EnergyReport {
  double integral = 0.0;
  long long evaluations = 0;
};
EnergyReport CosineIntegral(const LobeProbe& probe, const SpotAxes& axes, int n, int threads);

}  // namespace standin::lookdev
