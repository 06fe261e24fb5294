// Drawings made with Cairo, written as PNG, SVG or PDF by the file's
// extension, or kept as PNG bytes in memory.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>

#include "standin/files/output_files.h"

namespace standin::lookdev {

using Drawing = std::function<void(cairo_t*)>;

// Throws std::runtime_error naming `path` unless it ends in .png, .svg or
// .pdf (any case).
void CheckDrawingPath(const std::string& path);

// Draws a width x height (points) picture as the output `path` of `files`
// (added to it before), in the form its extension names. PDF files carry a
// fixed creation date, so equal drawings give equal files. Throws FileError
// or std::runtime_error; the drawing is made in memory first, so a failed
// one writes nothing.
void WriteDrawing(OutputFiles& files, const std::string& path, int width, int height,
                  const Drawing& draw);

// The same picture as PNG bytes (white background).
std::string DrawingPng(int width, int height, const Drawing& draw);

// PNG bytes of an ARGB32 surface.
std::string SurfacePng(cairo_surface_t* surface);

// Text helpers: the sans-serif face at `size` points, left-aligned at (x, y)
// or centred on x.
void Text(cairo_t* cr, double x, double y, double size, const std::string& text);
void CentredText(cairo_t* cr, double x, double y, double size, const std::string& text);

}  // namespace standin::lookdev
