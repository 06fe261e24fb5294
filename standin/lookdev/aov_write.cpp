// The AOV files: one multi-layer OpenEXR and false-colour PNGs drawn with
// Cairo, the tangent strokes over the render among them.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "standin/lookdev/aov.h"
#include "standin/lookdev/cairo_output.h"
#include "standin/lookdev/colormap.h"
#include "standin/render/camera.h"
#include "standin/render/exr_write.h"

namespace standin::lookdev {
namespace {

void WriteLayers(OutputFiles& files, const std::string& path, const AovImages& a) {
  struct Channel {
    const char* name;
    const std::vector<float>* data;
    size_t offset, step;
  };
  const Channel channels[] = {
      {"tangent.X", &a.tangent, 0, 3},   {"tangent.Y", &a.tangent, 1, 3},
      {"tangent.Z", &a.tangent, 2, 3},   {"bitangent.X", &a.bitangent, 0, 3},
      {"bitangent.Y", &a.bitangent, 1, 3}, {"bitangent.Z", &a.bitangent, 2, 3},
      {"normal.X", &a.normal, 0, 3},     {"normal.Y", &a.normal, 1, 3},
      {"normal.Z", &a.normal, 2, 3},     {"width.U", &a.uWidth, 0, 1},
      {"width.V", &a.vWidth, 0, 1},      {"mask.zeroTangent", &a.zeroTangent, 0, 1},
      {"mask.isotropic", &a.isotropic, 0, 1}, {"mask.tangentJump", &a.tangentJump, 0, 1}};
  Imf::Header header(a.width, a.height);
  header.compression() = Imf::ZIP_COMPRESSION;
  Imf::FrameBuffer frame;
  for (const Channel& c : channels) {
    header.channels().insert(c.name, Imf::Channel(Imf::FLOAT));
    char* base = const_cast<char*>(reinterpret_cast<const char*>(c.data->data() + c.offset));
    frame.insert(c.name, Imf::Slice(Imf::FLOAT, base, c.step * sizeof(float),
                                    c.step * sizeof(float) * static_cast<size_t>(a.width)));
  }
  files.Write(path, [&](std::FILE* file) { WriteExrFrame(file, header, frame, a.height); });
}

// An ARGB32 picture filled by pixel(x, y) -> 0xRRGGBB, drawn over by `draw`.
template <typename Pixel>
void WritePicture(OutputFiles& files, const std::string& path, int width, int height,
                  const Pixel& pixel, const Drawing& draw = nullptr) {
  WriteDrawing(files, path, width, height, [&](cairo_t* cr) {
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
    if (draw) draw(cr);
  });
}

std::uint32_t Rgb(double r, double g, double b) {
  auto byte = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

// The render as grey at a fraction of its brightness, as a backdrop.
double Backdrop(const Image& beauty, double exposure, int x, int y) {
  const float* p = beauty.Pixel(x, y);
  const double v = (DisplayByte(p[0], exposure) + DisplayByte(p[1], exposure) +
                    DisplayByte(p[2], exposure)) / (3.0 * 255.0);
  return 0.35 * v;
}

Vec3 Get3(const std::vector<float>& v, size_t at) {
  return {v[3 * at], v[3 * at + 1], v[3 * at + 2]};
}

size_t At(const AovImages& a, int x, int y) {
  return static_cast<size_t>(y) * static_cast<size_t>(a.width) + static_cast<size_t>(x);
}

// Unit vectors as colour: (v + 1) / 2; grey where nothing is known.
void WriteVectors(OutputFiles& files, const std::string& path, const AovImages& a,
                  const std::vector<float>& v) {
  WritePicture(files, path, a.width, a.height, [&](int x, int y) {
    const size_t at = At(a, x, y);
    if (a.object[at] < 0) return Rgb(0, 0, 0);
    const Vec3 d{v[3 * at], v[3 * at + 1], v[3 * at + 2]};
    if (Dot(d, d) == 0.0) return Rgb(0.25, 0.25, 0.25);
    return Rgb((d.x + 1) / 2, (d.y + 1) / 2, (d.z + 1) / 2);
  });
}

// U width on the left, V on the right, on one log scale.
void WriteWidths(OutputFiles& files, const std::string& path, const AovImages& a) {
  double lo = INFINITY, hi = 0.0;
  for (const auto* v : {&a.uWidth, &a.vWidth})
    for (float w : *v)
      if (w > 0.0f) lo = std::min(lo, double{w}), hi = std::max(hi, double{w});
  if (!(hi > 0.0)) lo = hi = 1.0;
  const double span = std::log(hi / lo) > 0.0 ? std::log(hi / lo) : 1.0;
  WritePicture(
      files, path, 2 * a.width, a.height,
      [&](int x, int y) {
        const bool right = x >= a.width;
        const size_t at = At(a, right ? x - a.width : x, y);
        const float w = (right ? a.vWidth : a.uWidth)[at];
        if (!(w > 0.0f)) return Rgb(0, 0, 0);
        const auto c = ScaleColor(std::log(w / lo) / span);
        return Rgb(c[0] / 255.0, c[1] / 255.0, c[2] / 255.0);
      },
      [&](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        char text[96];
        std::snprintf(text, sizeof text, "log scale %.3g (dark) .. %.3g (light)", lo, hi);
        Text(cr, 8, 16, 12, "U width");
        Text(cr, a.width + 8, 16, 12, "V width");
        Text(cr, 8, a.height - 8, 11, text);
      });
}

// Masks over the dimmed render: red no highlight, yellow tangent jumps,
// blue equal widths.
void WriteMasks(OutputFiles& files, const std::string& path, const AovImages& a,
                const Image& beauty, double exposure) {
  WritePicture(files, path, a.width, a.height, [&](int x, int y) {
    const size_t at = At(a, x, y);
    if (a.zeroTangent[at] != 0.0f) return Rgb(0.9, 0.1, 0.1);
    if (a.tangentJump[at] != 0.0f) return Rgb(1.0, 0.85, 0.1);
    if (a.isotropic[at] != 0.0f) return Rgb(0.2, 0.4, 1.0);
    const double g = Backdrop(beauty, exposure, x, y);
    return Rgb(g, g, g);
  });
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

// Short strokes along the tangent, every kSpacing pixels, over the render.
void WriteStrokes(OutputFiles& files, const std::string& path, const AovImages& a,
                  const Scene& scene, const Image& beauty, double exposure) {
  constexpr int kSpacing = 12;
  constexpr double kHalf = 5.0;
  WritePicture(
      files, path, a.width, a.height,
      [&](int x, int y) {
        const double g = 1.6 * Backdrop(beauty, exposure, x, y);
        return Rgb(g, g, g);
      },
      [&](cairo_t* cr) {
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
      });
}

}  // namespace

std::vector<std::string> AovFileNames(const std::string& prefix) {
  std::vector<std::string> names;
  for (const char* suffix : {".exr", "-tangent.png", "-bitangent.png", "-normal.png",
                             "-widths.png", "-masks.png", "-strokes.png"})
    names.push_back(prefix + suffix);
  return names;
}

void WriteAovs(OutputFiles& files, const std::string& prefix, const AovImages& a,
               const Scene& scene, const Image& beauty, double exposure) {
  const std::vector<std::string> names = AovFileNames(prefix);
  WriteLayers(files, names[0], a);
  WriteVectors(files, names[1], a, a.tangent);
  WriteVectors(files, names[2], a, a.bitangent);
  WriteVectors(files, names[3], a, a.normal);
  WriteWidths(files, names[4], a);
  WriteMasks(files, names[5], a, beauty, exposure);
  WriteStrokes(files, names[6], a, scene, beauty, exposure);
}

}  // namespace standin::lookdev
