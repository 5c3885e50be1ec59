// Gradient cell fills through the drawing layer.
#include "view/cells/gradientfill.h"

#include <algorithm>

#include "common/resultcodes.h"

namespace xlx {

int32_t DrawFillGradient(DrawingSurface* surface, const FillGradient& g, const DrawRect& cell) {
  if (!surface || g.stopCount < 2 || g.stopCount > kMaxFillGradientStops) return XLX_OK;
  if (!(cell.width > 0) || !(cell.height > 0)) return XLX_OK;
  DrawGradientStop stops[kMaxFillGradientStops];
  for (int32_t i = 0; i < g.stopCount; ++i) {
    const CellColor c = g.colors[i];
    stops[i] = DrawGradientStop{std::clamp(double(g.positions[i]), 0.0, 1.0), (c & 0xFFFFFFu) | 0xFF000000u};
  }
  const DrawRect box{cell.left, cell.top, cell.width + 1, cell.height + 1};
  VkBrush* brush = nullptr;
  int32_t rc = XLX_OK;
  if (g.path) {
    // Edges of the inner rectangle as fractions from the cell's left and top.
    const double x0 = std::min(g.left, g.right), x1 = std::max(g.left, g.right);
    const double y0 = std::min(g.top, g.bottom), y1 = std::max(g.top, g.bottom);
    const DrawRect inner{box.left + x0 * box.width, box.top + y0 * box.height, (x1 - x0) * box.width,
                         (y1 - y0) * box.height};
    rc = SetDrawRectGradientBrush(inner, box, stops, g.stopCount, &brush);
  } else {
    rc = SetDrawLinearGradientBrush(box, double(g.degree), true, stops, g.stopCount, &brush);
  }
  if (rc == XLX_OK) rc = AddDrawRectangle(surface, nullptr, brush, box.left, box.top, box.width, box.height);
  FreeDrawBrush(brush);
  return rc;
}

}  // namespace xlx
