// Laying out a contact sheet: title and fixed settings on top, the cells in
// a grid with the swept value under each, axis titles below and at the left.
#include <stdexcept>

#include "standin/lookdev/cairo_output.h"
#include "standin/lookdev/sweep.h"

namespace standin::lookdev {
namespace {

constexpr int kLeft = 90, kTop = 64, kGap = 10, kLabel = 18, kBottom = 44, kRight = 20;

int SheetWidth(const ContactSheet& s) {
  return kLeft + s.columns * (s.cellWidth + kGap) - kGap + kRight;
}
int SheetHeight(const ContactSheet& s) {
  return kTop + s.rows * (s.cellHeight + kLabel + kGap) - kGap + kBottom;
}

void DrawCell(cairo_t* cr, const ContactSheet& s, const SheetCell& cell, double x, double y) {
  cairo_surface_t* image = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(cell.argb.data())),
      CAIRO_FORMAT_ARGB32, s.cellWidth, s.cellHeight, s.cellWidth * 4);
  cairo_set_source_surface(cr, image, x, y);
  cairo_paint(cr);
  cairo_surface_destroy(image);
}

void DrawSheet(cairo_t* cr, const ContactSheet& s) {
  cairo_set_source_rgb(cr, 0, 0, 0);
  Text(cr, kLeft, 26, 15, s.title);
  Text(cr, kLeft, 46, 11, s.subtitle);
  const SweepAxis& across = s.axes[0];
  for (int row = 0; row < s.rows; ++row)
    for (int col = 0; col < s.columns; ++col) {
      const double x = kLeft + col * (s.cellWidth + kGap);
      const double y = kTop + row * (s.cellHeight + kLabel + kGap);
      DrawCell(cr, s, s.cells[static_cast<size_t>(row * s.columns + col)], x, y);
      cairo_set_source_rgb(cr, 0, 0, 0);
      CentredText(cr, x + s.cellWidth / 2.0, y + s.cellHeight + 13, 11,
                  across.key + " " + AxisValueText(across.At(col)));
    }
  // Row values and the row axis title, turned to read upward.
  if (s.axes.size() > 1) {
    const SweepAxis& down = s.axes[1];
    for (int row = 0; row < s.rows; ++row)
      Text(cr, 8, kTop + row * (s.cellHeight + kLabel + kGap) + s.cellHeight / 2.0, 11,
           AxisValueText(down.At(row)));
    cairo_save(cr);
    cairo_translate(cr, 70, kTop + (SheetHeight(s) - kTop - kBottom) / 2.0);
    cairo_rotate(cr, -1.5707963267948966);
    CentredText(cr, 0, 0, 13, down.key + " \u2192");
    cairo_restore(cr);
  }
  CentredText(cr, kLeft + (SheetWidth(s) - kLeft - kRight) / 2.0, SheetHeight(s) - 14, 13,
              across.key + " \u2192");
}

}  // namespace

void CheckSheetPath(const std::string& path) {
  CheckDrawingPath(path);
  if (path.size() >= 4 && (path.substr(path.size() - 4) == ".svg" || path.substr(path.size() - 4) == ".SVG"))
    throw std::runtime_error(path + ": a sheet is written as .png or .pdf");
}

void WriteContactSheet(OutputFiles& files, const std::string& path, const ContactSheet& sheet) {
  CheckSheetPath(path);
  WriteDrawing(files, path, SheetWidth(sheet), SheetHeight(sheet),
               [&](cairo_t* cr) { DrawSheet(cr, sheet); });
}

std::string ContactSheetPng(const ContactSheet& sheet) {
  return DrawingPng(SheetWidth(sheet), SheetHeight(sheet),
                    [&](cairo_t* cr) { DrawSheet(cr, sheet); });
}

}  // namespace standin::lookdev
