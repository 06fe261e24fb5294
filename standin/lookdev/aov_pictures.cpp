// The AOV pictures drawn with Cairo that are not tied to a file: the pixel
// fill they share and the tangent strokes over the render.
#include "standin/lookdev/aov_pictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "standin/lookdev/cairo_output.h"
#include "standin/lookdev/colormap.h"
#include "standin/render/camera.h"

namespace standin::lookdev {
namespace {

Vec3 Get3(const std::vector<float>& v, size_t at) {
  return {v[3 * at], v[3 * at + 1], v[3 * at + 2]};
}

size_t At(const AovImages& a, int x, int y) {
  return static_cast<size_t>(y) * static_cast<size_t>(a.width) + static_cast<size_t>(x);
}

// Where a world point lands in the image, in pixels (the inverse of the
// camera's primary rays). False behind the camera.
bool Project(const Camera& camera, int width, int height, Vec3 p, double* px, double* py) {
  const Ray centre = PrimaryRay(camera, width, height, width / 2.0, height / 2.0);
  const Vec3 forward = centre.direction;
  const Ray side = PrimaryRay(camera, width, height, width, height / 2.0);
  const Ray top = PrimaryRay(camera, width, height, width / 2.0, 0.0);
  // Image-plane offsets at unit distance of the right and top edges.
  const Vec3 rightEdge = side.direction * (1.0 / Dot(side.direction, forward)) - forward;
  const Vec3 topEdge = top.direction * (1.0 / Dot(top.direction, forward)) - forward;
  const Vec3 d = p - camera.position;
  const double z = Dot(d, forward);
  if (!(z > 0.0)) return false;
  const Vec3 onPlane = d * (1.0 / z) - forward;
  *px = width / 2.0 * (1.0 + Dot(onPlane, rightEdge) / Dot(rightEdge, rightEdge));
  *py = height / 2.0 * (1.0 - Dot(onPlane, topEdge) / Dot(topEdge, topEdge));
  return true;
}

}  // namespace

void PaintPixels(cairo_t* cr, int width, int height,
                 const std::function<std::uint32_t(int, int)>& pixel) {
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      reinterpret_cast<std::uint32_t*>(data + y * stride)[x] = pixel(x, y);
  cairo_surface_mark_dirty(image);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(image);
}

std::uint32_t Rgb(double r, double g, double b) {
  auto byte = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

double Backdrop(const Image& beauty, double exposure, int x, int y) {
  const float* p = beauty.Pixel(x, y);
  const double v = (DisplayByte(p[0], exposure) + DisplayByte(p[1], exposure) +
                    DisplayByte(p[2], exposure)) / (3.0 * 255.0);
  return 0.35 * v;
}

// Short strokes along the tangent, every kSpacing pixels, over the render.
void DrawStrokes(cairo_t* cr, const AovImages& a, const Scene& scene, const Image& beauty,
                 double exposure) {
  constexpr int kSpacing = 12;
  constexpr double kHalf = 5.0;
  PaintPixels(cr, a.width, a.height, [&](int x, int y) {
    const double g = 1.6 * Backdrop(beauty, exposure, x, y);
    return Rgb(g, g, g);
  });
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int y = kSpacing / 2; y < a.height; y += kSpacing)
    for (int x = kSpacing / 2; x < a.width; x += kSpacing) {
      const size_t at = At(a, x, y);
      const Vec3 t = Get3(a.tangent, at);
      if (a.object[at] < 0 || Dot(t, t) == 0.0) continue;
      const Ray ray = PrimaryRay(scene.camera, a.width, a.height, x + 0.5, y + 0.5);
      const Vec3 p = ray.origin + ray.direction * double{a.distance[at]};
      const double step = 1e-3 * double{a.distance[at]};
      double x0, y0, x1, y1;
      if (!Project(scene.camera, a.width, a.height, p, &x0, &y0) ||
          !Project(scene.camera, a.width, a.height, p + t * step, &x1, &y1))
        continue;
      const double len = std::hypot(x1 - x0, y1 - y0);
      if (!(len > 0.0)) continue;
      // Foreshortened tangents give shorter strokes: the projected
      // length over that of a step across the line of sight.
      const double perUnit = a.height / 2.0 /
          (std::tan(scene.camera.fov * std::numbers::pi / 360.0) * double{a.distance[at]});
      const double scale = std::min(1.0, len / (step * perUnit));
      const double dx = (x1 - x0) / len * kHalf * std::max(scale, 0.35);
      const double dy = (y1 - y0) / len * kHalf * std::max(scale, 0.35);
      // Colour from how stretched the lobe is: U over V width.
      const double ratio = std::log2(a.uWidth[at] / a.vWidth[at]);
      const auto c = ScaleColor(0.5 + ratio / 8.0);
      // A dark edge under each stroke keeps it readable on highlights.
      cairo_move_to(cr, x + 0.5 - dx, y + 0.5 - dy);
      cairo_line_to(cr, x + 0.5 + dx, y + 0.5 + dy);
      cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
      cairo_set_line_width(cr, 3.2);
      cairo_stroke_preserve(cr);
      cairo_set_source_rgb(cr, c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
      cairo_set_line_width(cr, 1.6);
      cairo_stroke(cr);
    }
}

std::string StrokesPng(const AovImages& a, const Scene& scene, const Image& beauty,
                       double exposure) {
  return DrawingPng(a.width, a.height,
                    [&](cairo_t* cr) { DrawStrokes(cr, a, scene, beauty, exposure); });
}

}  // namespace standin::lookdev
