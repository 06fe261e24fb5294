// Pictures of the frame read back, drawn with Cairo: the pixel fill the
// false-colour pictures share, and the tangent as short strokes over the
// dimmed render, which an artist reads at a glance.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>

#include "standin/lookdev/aov.h"

namespace standin::lookdev {

// Paints pixel(x, y) -> 0xRRGGBB over a width x height surface.
void PaintPixels(cairo_t* cr, int width, int height,
                 const std::function<std::uint32_t(int, int)>& pixel);

// 0xRRGGBB of a colour in 0..1 (clamped).
std::uint32_t Rgb(double r, double g, double b);

// The render as grey at a fraction of its brightness, as a backdrop.
double Backdrop(const Image& beauty, double exposure, int x, int y);

// The strokes picture, a.width x a.height: the tangent every 12 pixels,
// shortened where it is foreshortened and coloured by log2(U / V width),
// over `beauty` (the same size) shown dimmed at `exposure`.
void DrawStrokes(cairo_t* cr, const AovImages& a, const Scene& scene, const Image& beauty,
                 double exposure);
std::string StrokesPng(const AovImages& a, const Scene& scene, const Image& beauty,
                       double exposure);

}  // namespace standin::lookdev
