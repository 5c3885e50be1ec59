// The cell pass of a page: fills, borders and text of every visible cell.
#pragma once
#include <cstdint>

#include "view/xlsxviewrender.h"

namespace xlx {

// The page rectangle in world pixels.
struct CellPassFrame {
  double left, top, right, bottom;
};

// Fills, then borders, then texts of the cells that meet the page. 1, a drawing error or a
// progress result.
[[nodiscard]] int32_t DrawCells(const PageRenderRequest& request, DrawingSurface* surface, FontCache& fonts, const CellPassFrame& frame);

}  // namespace xlx
