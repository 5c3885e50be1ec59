// The cell pass of a page: fills, borders and text of every visible cell.
#pragma once
#include <cstdint>

#include "view/page/render.h"

namespace xlx {

// The page rectangle in world pixels.
struct CellPassFrame {
  double left, top, right, bottom;
};

// Fills, then borders, then texts of the cells that meet the page. 1, a drawing error or a
// progress result.
[[nodiscard]] int32_t DrawCells(const PageRenderRequest& request, DrawingSurface* surface, FontCache& fonts, const CellPassFrame& frame);

// One border side from (x1, y1) to (x2, y2) in `color`: patterns 0-4 in the layer's line styles
// (any other solid), thin 1 px, medium 2 px, thick 3 px, double as two 1 px lines either side of
// the edge. 1 or the layer's code.
[[nodiscard]] int32_t DrawBorderLine(DrawingSurface* surface, const BorderSide& side, CellColor color, double x1,
                                     double y1, double x2, double y2, bool vertical);

}  // namespace xlx
