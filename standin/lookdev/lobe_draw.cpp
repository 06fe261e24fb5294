// Drawing the sampled lobe: two hemisphere maps with colour bars, two
// polar slices with a legend, the title and the evaluation count.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "standin/lookdev/cairo_output.h"
#include "standin/lookdev/colormap.h"
#include "standin/lookdev/lobe_plot.h"

namespace standin::lookdev {
namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 720;
constexpr double kMap = 256;       // drawn size of each map
constexpr double kRadius = 190;    // radius of each slice plot
constexpr double kDecades = 4;     // the log scales span four decades
// The scales' top for a tangent steered to zero: 1 / (H·N)² 80 degrees
// from the normal.
const double kSteeredPeak = 1.0 / std::pow(std::cos(80.0 * std::numbers::pi / 180.0), 2);

// The value scale of a plot: [lo, hi] in linear or log10 units.
struct Scale {
  double lo = 0.0, hi = 1.0;
  bool log = false;
  double At(double v) const {
    if (!(v > 0.0) && log) return 0.0;
    const double x = log ? std::log10(v) : v;
    return hi > lo ? std::clamp((x - lo) / (hi - lo), 0.0, 1.0) : 0.0;
  }
};

Scale ScaleOf(const LobeSamples& s, double peak) {
  const bool log = s.log;
  if (s.zeroSteering) peak = std::min(peak, kSteeredPeak);
  if (!(peak > 0.0) || !std::isfinite(peak)) peak = 1.0;
  if (!log) return {0.0, peak, false};
  const double hi = std::log10(peak);
  return {hi - kDecades, hi, true};
}

double Peak(const std::vector<double>& values) {
  double peak = 0.0;
  for (double v : values)
    if (std::isfinite(v)) peak = std::max(peak, v);
  return peak;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", v);
  return text;
}

void DrawMapImage(cairo_t* cr, const LobeSamples& s, const std::vector<double>& values,
                  const Scale& scale, double x, double y) {
  const int n = s.mapSize;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, n, n);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const double v = values[static_cast<size_t>(j) * static_cast<size_t>(n) + static_cast<size_t>(i)];
      auto* px = reinterpret_cast<std::uint32_t*>(data + j * stride) + i;
      if (std::isnan(v)) { *px = 0; continue; }
      const auto c = ScaleColor(scale.At(v));
      *px = 0xff000000u | (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2];
    }
  cairo_surface_mark_dirty(image);
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, kMap / n, kMap / n);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(image);
  // Rim and cross hairs along the spot's x and y.
  cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
  cairo_set_line_width(cr, 1);
  cairo_arc(cr, x + kMap / 2, y + kMap / 2, kMap / 2, 0, 2 * std::numbers::pi);
  cairo_stroke(cr);
  const double dash[] = {3, 3};
  cairo_set_dash(cr, dash, 2, 0);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.5);
  cairo_move_to(cr, x, y + kMap / 2);
  cairo_line_to(cr, x + kMap, y + kMap / 2);
  cairo_move_to(cr, x + kMap / 2, y);
  cairo_line_to(cr, x + kMap / 2, y + kMap);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_source_rgb(cr, 0, 0, 0);
  Text(cr, x + kMap + 4, y + kMap / 2 + 4, 11, "x");
  CentredText(cr, x + kMap / 2, y - 4, 11, "y");
}

void DrawColourBar(cairo_t* cr, const Scale& scale, double x, double y) {
  constexpr int kSteps = 128;
  for (int k = 0; k < kSteps; ++k) {
    const auto c = ScaleColor((k + 0.5) / kSteps);
    cairo_set_source_rgb(cr, c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
    cairo_rectangle(cr, x, y + kMap - (k + 1) * kMap / kSteps, 14, kMap / kSteps + 0.5);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, x, y, 14, kMap);
  cairo_stroke(cr);
  // Five ticks: values, or powers of ten on a log scale.
  for (int k = 0; k <= 4; ++k) {
    const double t = k / 4.0;
    const double v = scale.lo + (scale.hi - scale.lo) * t;
    const double ty = y + kMap - t * kMap;
    cairo_move_to(cr, x + 14, ty);
    cairo_line_to(cr, x + 18, ty);
    cairo_stroke(cr);
    Text(cr, x + 20, ty + 4, 10, scale.log ? "1e" + Number(v) : Number(v));
  }
}

void DrawMapPanel(cairo_t* cr, const LobeSamples& s, const std::vector<double>& values,
                  const std::string& title, double x, double y) {
  const Scale scale = ScaleOf(s, Peak(values));
  cairo_set_source_rgb(cr, 0, 0, 0);
  Text(cr, x, y - 22, 13, title);
  DrawMapImage(cr, s, values, scale, x, y);
  DrawColourBar(cr, scale, x + kMap + 22, y);
}

// The viewer's direction on the light map, and its mirror about the spot's
// normal, where the lobe of a flat highlight peaks.
void MarkView(cairo_t* cr, const LobeSamples& s, double x, double y) {
  const Vec3 v = s.viewer;
  const Vec3 mirror = s.axes.n * (2.0 * Dot(v, s.axes.n)) - v;
  auto mark = [&](Vec3 d, const char* label) {
    if (Dot(d, s.axes.n) < 0.0) return;
    const double px = x + kMap / 2 * (1 + Dot(d, s.axes.x));
    const double py = y + kMap / 2 * (1 - Dot(d, s.axes.y));
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_arc(cr, px, py, 4, 0, 2 * std::numbers::pi);
    cairo_stroke(cr);
    Text(cr, px + 6, py - 4, 10, label);
  };
  cairo_set_line_width(cr, 1.5);
  const bool same = Length(v - mirror) < 0.05;
  mark(v, same ? "view = mirror" : "view");
  if (!same) mark(mirror, "mirror");
}

constexpr double kCurveColours[][3] = {{0.12, 0.47, 0.71}, {1.0, 0.5, 0.05}, {0.17, 0.63, 0.17},
                                       {0.84, 0.15, 0.16}, {0.58, 0.4, 0.74}, {0.55, 0.34, 0.29},
                                       {0.89, 0.47, 0.76}, {0.5, 0.5, 0.5}};

void DrawSlice(cairo_t* cr, const LobeSamples& s, bool tangent, const Scale& scale, double cx,
               double cy) {
  // Grid: quarter rings and rays every 30 degrees from the normal.
  cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
  cairo_set_line_width(cr, 1);
  for (int k = 1; k <= 4; ++k) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, kRadius * k / 4, std::numbers::pi, 2 * std::numbers::pi);
  }
  for (int deg = -90; deg <= 90; deg += 30) {
    const double a = deg * std::numbers::pi / 180;
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + kRadius * std::sin(a), cy - kRadius * std::cos(a));
  }
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  const char* axis = s.frameKnown ? (tangent ? "T" : "B") : (tangent ? "x" : "y");
  Text(cr, cx + kRadius + 6, cy + 4, 12, axis);
  Text(cr, cx - kRadius - 20, cy + 4, 12, std::string("-") + axis);
  CentredText(cr, cx, cy - kRadius - 6, 12, "N");
  for (int k = 1; k <= 4; ++k) {
    const double v = scale.lo + (scale.hi - scale.lo) * k / 4;
    CentredText(cr, cx + kRadius * k / 4, cy + 13, 9, scale.log ? "1e" + Number(v) : Number(v));
  }
  // One curve per setting: radius is the scaled lobe.
  cairo_set_line_width(cr, 1.8);
  for (size_t c = 0; c < s.curves.size(); ++c) {
    const double* rgb = kCurveColours[c % 8];
    cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]);
    const std::vector<double>& values = tangent ? s.curves[c].tn : s.curves[c].bn;
    cairo_new_path(cr);
    for (size_t k = 0; k < s.angles.size(); ++k) {
      const double a = s.angles[k] * std::numbers::pi / 180;
      const double r = kRadius * scale.At(values[k]);
      cairo_line_to(cr, cx + r * std::sin(a), cy - r * std::cos(a));
    }
    cairo_stroke(cr);
  }
}

// Legend entries left to right, each as wide as its label, wrapping.
void DrawLegend(cairo_t* cr, const LobeSamples& s, double x, double y) {
  double lx = x, ly = y;
  for (size_t c = 0; c < s.curves.size(); ++c) {
    cairo_set_font_size(cr, 11);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.curves[c].label.c_str(), &e);
    if (lx > x && lx + 40 + e.x_advance > kWidth - 20) lx = x, ly += 16;
    const double* rgb = kCurveColours[c % 8];
    cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, lx, ly - 4);
    cairo_line_to(cr, lx + 20, ly - 4);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    Text(cr, lx + 26, ly, 11, s.curves[c].label);
    lx += 26 + e.x_advance + 24;
  }
}

void DrawPlot(cairo_t* cr, const LobeSamples& s) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  Text(cr, 20, 26, 15, s.title);
  Text(cr, 20, 46, 11,
       std::to_string(s.evaluations) + " evaluations through the loaded module" +
           (s.log ? "; log10 scales over four decades" : "; linear scales") +
           (s.zeroSteering ? "; no tangent: \"UV\" steered it to zero" : ""));
  DrawMapPanel(cr, s, s.half, "(a) over half vectors, spot frame", 40, 100);
  DrawMapPanel(cr, s, s.light, "(b) over light directions, spot's view", 520, 100);
  MarkView(cr, s, 520, 100);

  double peak = 0.0;
  for (const LobeCurve& c : s.curves) peak = std::max({peak, Peak(c.tn), Peak(c.bn)});
  const Scale scale = ScaleOf(s, peak);
  cairo_set_source_rgb(cr, 0, 0, 0);
  Text(cr, 40, 410, 13, s.frameKnown ? "(c) slice in the tangent-normal plane" : "(c) slice in the x-normal plane");
  Text(cr, 520, 410, 13, s.frameKnown ? "(c) slice in the bitangent-normal plane" : "(c) slice in the y-normal plane");
  DrawSlice(cr, s, true, scale, 250, 630);
  DrawSlice(cr, s, false, scale, 730, 630);
  DrawLegend(cr, s, 40, 680);
}

}  // namespace

int LobePlotWidth() { return kWidth; }
int LobePlotHeight() { return kHeight; }

void WriteLobePlot(OutputFiles& files, const std::string& path, const LobeSamples& samples) {
  WriteDrawing(files, path, kWidth, kHeight, [&](cairo_t* cr) { DrawPlot(cr, samples); });
}

std::string LobePlotPng(const LobeSamples& samples) {
  return DrawingPng(kWidth, kHeight, [&](cairo_t* cr) { DrawPlot(cr, samples); });
}

}  // namespace standin::lookdev
