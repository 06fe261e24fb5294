// The AOV files: one multi-layer OpenEXR and false-colour PNGs drawn with
// Cairo, the tangent strokes over the render among them.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>

#include <algorithm>
#include <cmath>

#include "standin/lookdev/aov.h"
#include "standin/lookdev/aov_pictures.h"
#include "standin/lookdev/cairo_output.h"
#include "standin/lookdev/colormap.h"
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
      {"mask.isotropic", &a.isotropic, 0, 1}, {"mask.zeroSteering", &a.zeroSteering, 0, 1},
      {"mask.tangentJump", &a.tangentJump, 0, 1}};
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
    PaintPixels(cr, width, height, pixel);
    if (draw) draw(cr);
  });
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
// blue equal widths, magenta a tangent steered to zero.
void WriteMasks(OutputFiles& files, const std::string& path, const AovImages& a,
                const Image& beauty, double exposure) {
  WritePicture(files, path, a.width, a.height, [&](int x, int y) {
    const size_t at = At(a, x, y);
    if (a.zeroTangent[at] != 0.0f) return Rgb(0.9, 0.1, 0.1);
    if (a.tangentJump[at] != 0.0f) return Rgb(1.0, 0.85, 0.1);
    if (a.isotropic[at] != 0.0f) return Rgb(0.2, 0.4, 1.0);
    if (a.zeroSteering[at] != 0.0f) return Rgb(0.85, 0.2, 0.85);
    const double g = Backdrop(beauty, exposure, x, y);
    return Rgb(g, g, g);
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
  WriteDrawing(files, names[6], a.width, a.height,
               [&](cairo_t* cr) { DrawStrokes(cr, a, scene, beauty, exposure); });
}

}  // namespace standin::lookdev
