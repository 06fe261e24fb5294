// `quillane sweep`: one or two settings or inputs swept over ranges, each
// cell a render of a scene (or a half-vector lobe map of the eval spot),
// laid out on a labelled contact sheet. Cells are computed in parallel;
// each is a pure function of its node, so sheets are bit-reproducible.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/host/host.h"
#include "standin/files/output_files.h"
#include "standin/render/scene.h"

namespace standin::lookdev {

struct SweepAxis {
  std::string key;  // an eval setting key ("uGlossiness") or an input name
  bool input = false;
  double from = 0.0, to = 0.0;
  int count = 1;
  double At(int i) const { return count == 1 ? from : from + (to - from) * i / (count - 1); }
};

// "key=from:to:count" (count 1..64). Throws std::runtime_error naming the
// argument.
SweepAxis ParseSweepAxis(const std::string& text);

struct SweepRequest {
  const Scene* scene = nullptr;  // null: lobe maps of the eval spot
  std::string sceneName;
  std::vector<SweepAxis> axes;        // one (columns) or two (columns, rows)
  std::vector<std::string> settings;  // fixed "key=value" eval settings
  int cellWidth = 256, cellHeight = 256;
  int threads = 1;
};

struct SheetCell {
  std::vector<std::uint32_t> argb;  // cellWidth x cellHeight, opaque
};

struct ContactSheet {
  std::string title, subtitle;
  std::vector<SweepAxis> axes;
  int columns = 1, rows = 1;
  int cellWidth = 0, cellHeight = 0;
  std::vector<SheetCell> cells;  // row by row
};

// Computes every cell through the module loaded in `host`. Throws
// std::runtime_error, CaseError or HostError for bad keys or values.
ContactSheet RunSweep(Host& host, const SweepRequest& request);

// Throws std::runtime_error naming `path` unless it ends in .png or .pdf.
void CheckSheetPath(const std::string& path);

// The sheet as the output `path` of `files`, PNG or PDF by the extension,
// or as PNG bytes.
void WriteContactSheet(OutputFiles& files, const std::string& path, const ContactSheet& sheet);
std::string ContactSheetPng(const ContactSheet& sheet);

// The value shown under a cell: at most 4 significant digits.
std::string AxisValueText(double value);

}  // namespace standin::lookdev
