// The cell pass of a page: fills, borders and text of every visible cell.
#pragma once
#include <cstdint>

#include "view/xlsxviewrender.h"

namespace xlx {

// The page rectangle in world pixels.
struct CellPassFrame {
  double left, top, right, bottom;
};

int32_t DrawCells(const PageRenderRequest& request, VkSurface* surface, FontCache& fonts, const CellPassFrame& frame);

}  // namespace xlx
