#include "standin/lookdev/sweep.h"

#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "standin/lookdev/colormap.h"
#include "standin/lookdev/lobe_plot.h"
#include "standin/lookdev/probe_setup.h"
#include "standin/render/image.h"
#include "standin/render/renderer.h"

namespace standin::lookdev {
namespace {

bool IsInput(const std::string& key) {
  for (const InputName& in : kInputNames)
    if (key == in.name) return true;
  return false;
}

double Number(std::string_view text, const std::string& arg) {
  double v = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v))
    throw std::runtime_error("--sweep " + arg + ": expected KEY=FROM:TO:COUNT");
  return v;
}

// A setting's text for the eval keys: integers without a fraction.
std::string SettingText(const std::string& key, double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return key + "=" + text;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

// The fixed settings plus the cell's swept settings, and the cell's wired
// inputs.
struct CellNode {
  std::vector<std::string> settings;
  std::vector<std::pair<std::string, double>> inputs;
};

CellNode CellOf(const SweepRequest& r, int column, int row) {
  CellNode cell{r.settings, {}};
  for (size_t a = 0; a < r.axes.size(); ++a) {
    const SweepAxis& axis = r.axes[a];
    const double v = axis.At(a == 0 ? column : row);
    if (axis.input) cell.inputs.emplace_back(axis.key, v);
    else cell.settings.push_back(SettingText(axis.key, v));
  }
  return cell;
}

ProbeSetup::Wiring WiringOf(const CellNode& cell) {
  ProbeSetup::Wiring wiring;
  for (const auto& [name, value] : cell.inputs) {
    bool scalar = false;
    for (const InputName& in : kInputNames) scalar = scalar || (name == in.name && in.scalar);
    wiring.emplace_back(name, scalar ? InputSource{SourceKind::Number, {value, 0, 0}}
                                     : InputSource{SourceKind::Vector, {value, value, value}});
  }
  return wiring;
}

std::uint32_t Opaque(unsigned char r, unsigned char g, unsigned char b) {
  return 0xff000000u | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

void RunArena(int threads, int count, const std::function<void(int)>& body) {
  tbb::task_arena arena(std::max(1, threads));
  arena.execute([&] { tbb::parallel_for(0, count, [&](int i) { body(i); }); });
}

// Scene cells: one node each, rendered on one thread each, the cells in
// parallel.
void RenderCells(Host& host, const SweepRequest& r, ContactSheet* sheet) {
  SceneSession session(host, *r.scene, r.sceneName);
  std::vector<HostNode*> nodes;
  auto release = [&] { for (HostNode* n : nodes) host.DestroyNode(*n); };
  try {
    for (int k = 0; k < sheet->columns * sheet->rows; ++k) {
      const CellNode cell = CellOf(r, k % sheet->columns, k / sheet->columns);
      HostNode& node = host.CreateNode();
      nodes.push_back(&node);
      for (const auto& [name, source] : r.scene->inputs) host.Wire(node, name, source);
      if (!r.scene->nodeData.empty())
        host.Load(node, r.scene->nodeData, ContainerForm::kText, r.sceneName + ": key node");
      host.OpenPanel(node);
      for (const CaseSetting& s : ParseSettings(cell.settings))
        std::visit([&](const auto& v) { host.SetPanelValue(node, s.dataName, &v); }, s.value);
      for (const auto& [name, source] : WiringOf(cell)) host.Wire(node, name, source);
      host.BeginRender(node);
    }
    RunArena(r.threads, static_cast<int>(nodes.size()), [&](int k) {
      const HostNode& node = *nodes[static_cast<size_t>(k)];
      RenderOptions options;
      const Image image = RenderScene(
          *r.scene, r.cellWidth, r.cellHeight, options,
          [&](const Hit& hit, const Ray& ray, double rgb[3]) {
            HostSpot spot = SpotFromHit(host, hit, ray);
            const auto c = host.Evaluate(node, spot);
            for (size_t i = 0; i < 3; ++i) rgb[i] = c ? (*c)[i] : 0.0;
          });
      SheetCell& out = sheet->cells[static_cast<size_t>(k)];
      out.argb.resize(image.rgb.size() / 3);
      for (size_t p = 0; p < out.argb.size(); ++p) {
        const float* px = image.rgb.data() + 3 * p;
        const double e = r.scene->render.exposure;
        out.argb[p] = Opaque(DisplayByte(px[0], e), DisplayByte(px[1], e), DisplayByte(px[2], e));
      }
    });
    for (HostNode* n : nodes) host.EndRender(*n);
  } catch (...) {
    release();
    throw;
  }
  release();
}

// Lobe cells: the half-vector map of the eval spot, on one shared scale.
void LobeCells(Host& host, const SweepRequest& r, ContactSheet* sheet) {
  ProbeSetup setup(host);
  std::vector<LobeProbe> probes;
  for (int k = 0; k < sheet->columns * sheet->rows; ++k) {
    const CellNode cell = CellOf(r, k % sheet->columns, k / sheet->columns);
    probes.push_back(setup.Probe(setup.AddNode(ParseSettings(cell.settings), WiringOf(cell))));
  }
  const int size = std::min(r.cellWidth, r.cellHeight);
  const SpotAxes axes = AxesOf(setup.spot());
  std::vector<std::vector<double>> maps(probes.size());
  RunArena(r.threads, static_cast<int>(probes.size()), [&](int k) {
    auto& map = maps[static_cast<size_t>(k)];
    map.assign(static_cast<size_t>(size) * static_cast<size_t>(size), std::nan(""));
    for (int j = 0; j < size; ++j)
      for (int i = 0; i < size; ++i) {
        Vec3 h;
        if (MapDirection(axes, size, i, j, &h))
          map[static_cast<size_t>(j * size + i)] = probes[static_cast<size_t>(k)].AtHalf(h);
      }
  });
  double peak = 0.0;
  for (const auto& map : maps)
    for (double v : map)
      if (std::isfinite(v)) peak = std::max(peak, v);
  for (size_t k = 0; k < maps.size(); ++k) {
    auto& argb = sheet->cells[k].argb;
    argb.assign(static_cast<size_t>(r.cellWidth) * static_cast<size_t>(r.cellHeight), Opaque(255, 255, 255));
    for (int j = 0; j < size; ++j)
      for (int i = 0; i < size; ++i) {
        const double v = maps[k][static_cast<size_t>(j * size + i)];
        if (std::isnan(v)) continue;
        const auto c = ScaleColor(peak > 0.0 ? v / peak : 0.0);
        argb[static_cast<size_t>(j * r.cellWidth + i)] = Opaque(c[0], c[1], c[2]);
      }
  }
}

}  // namespace

SweepAxis ParseSweepAxis(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0)
    throw std::runtime_error("--sweep " + text + ": expected KEY=FROM:TO:COUNT");
  SweepAxis axis;
  axis.key = text.substr(0, eq);
  axis.input = IsInput(axis.key);
  const std::string_view range = std::string_view(text).substr(eq + 1);
  const size_t c1 = range.find(':');
  const size_t c2 = c1 == std::string_view::npos ? c1 : range.find(':', c1 + 1);
  if (c2 == std::string_view::npos)
    throw std::runtime_error("--sweep " + text + ": expected KEY=FROM:TO:COUNT");
  axis.from = Number(range.substr(0, c1), text);
  axis.to = Number(range.substr(c1 + 1, c2 - c1 - 1), text);
  const double count = Number(range.substr(c2 + 1), text);
  if (count != std::floor(count) || count < 1 || count > 64)
    throw std::runtime_error("--sweep " + text + ": COUNT must be a whole number 1..64");
  axis.count = static_cast<int>(count);
  // A setting key must be one the eval command knows, with a value it takes.
  if (!axis.input)
    for (int i = 0; i < axis.count; ++i) ParseSettings({SettingText(axis.key, axis.At(i))});
  return axis;
}

ContactSheet RunSweep(Host& host, const SweepRequest& r) {
  if (r.axes.empty() || r.axes.size() > 2)
    throw std::runtime_error("--sweep: give one or two");
  if (r.axes.size() == 2 && r.axes[0].key == r.axes[1].key)
    throw std::runtime_error("--sweep: the two sweeps name the same key " + r.axes[0].key);
  ParseSettings(r.settings);
  ContactSheet sheet;
  sheet.axes = r.axes;
  sheet.columns = r.axes[0].count;
  sheet.rows = r.axes.size() > 1 ? r.axes[1].count : 1;
  sheet.cellWidth = r.cellWidth;
  sheet.cellHeight = r.cellHeight;
  sheet.cells.resize(static_cast<size_t>(sheet.columns * sheet.rows));
  std::string swept = r.axes[0].key + (r.axes.size() > 1 ? " x " + r.axes[1].key : "");
  sheet.title = (r.scene ? r.sceneName : std::string("lobe over half vectors, eval spot")) +
                ": " + swept;
  sheet.subtitle = "fixed: " + (r.settings.empty() ? std::string(r.scene ? "the scene's node" : "the node's defaults")
                                                    : Joined(r.settings));
  if (r.scene) RenderCells(host, r, &sheet);
  else LobeCells(host, r, &sheet);
  return sheet;
}

std::string AxisValueText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

}  // namespace standin::lookdev
