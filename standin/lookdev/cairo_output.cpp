#include "standin/lookdev/cairo_output.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace standin::lookdev {
namespace {

std::string Extension(const std::string& path) {
  const size_t dot = path.rfind('.');
  std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void Paint(cairo_surface_t* surface, const Drawing& draw) {
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  draw(cr);
  const cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(std::string("drawing failed: ") + cairo_status_to_string(status));
}

}  // namespace

void CheckDrawingPath(const std::string& path) {
  const std::string ext = Extension(path);
  if (ext != "png" && ext != "svg" && ext != "pdf")
    throw std::runtime_error(path + ": expected a .png, .svg or .pdf file name");
}

std::string SurfacePng(cairo_surface_t* surface) {
  std::string bytes;
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, AppendBytes, &bytes);
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(std::string("PNG encoding failed: ") + cairo_status_to_string(status));
  return bytes;
}

std::string DrawingPng(int width, int height, const Drawing& draw) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  try {
    Paint(surface, draw);
    std::string bytes = SurfacePng(surface);
    cairo_surface_destroy(surface);
    return bytes;
  } catch (...) {
    cairo_surface_destroy(surface);
    throw;
  }
}

void WriteDrawing(OutputFiles& files, const std::string& path, int width, int height,
                  const Drawing& draw) {
  CheckDrawingPath(path);
  const std::string ext = Extension(path);
  // Vector forms go to memory first, so a failed drawing leaves no file.
  std::string bytes;
  if (ext == "png") {
    bytes = DrawingPng(width, height, draw);
  } else {
    cairo_surface_t* surface =
        ext == "svg" ? cairo_svg_surface_create_for_stream(AppendBytes, &bytes, width, height)
                     : cairo_pdf_surface_create_for_stream(AppendBytes, &bytes, width, height);
    if (ext == "pdf")
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE,
                                     "2000-01-01T00:00:00Z");
    try {
      Paint(surface, draw);
    } catch (...) {
      cairo_surface_destroy(surface);
      throw;
    }
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
      throw std::runtime_error(path + ": " + cairo_status_to_string(status));
  }
  files.WriteBytes(path, bytes);
}

void Text(cairo_t* cr, double x, double y, double size, const std::string& text) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
  cairo_new_path(cr);
}

void CentredText(cairo_t* cr, double x, double y, double size, const std::string& text) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text.c_str(), &e);
  cairo_move_to(cr, x - (e.width / 2 + e.x_bearing), y);
  cairo_show_text(cr, text.c_str());
  cairo_new_path(cr);
}

}  // namespace standin::lookdev
