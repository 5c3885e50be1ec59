// The picture layers of a page: the sheet's background picture tiled behind the cells, the
// preview pictures of embedded objects and controls, and the objects of the drawing part drawn
// last, in the drawing part's order, through the drawing layer. A picture that cannot be had
// (a missing or external part, data no decoder reads, a failed effect) is skipped and the page
// goes on; a failed drawing-layer operation ends the page with its result.
#pragma once
#include <cstdint>

#include "view/drawlayer/drawlayer.h"
#include "view/page/render.h"

namespace xlx {

// The page being drawn: its rectangle in world pixels and the world-to-device scale.
struct PicturePage {
  double left = 0, top = 0, right = 0, bottom = 0;
  double sx = 1, sy = 1;
};

// The sheet's background picture (`picture` element), tiled from the top-left margin corner over
// the page at its own size (pixels at 96 dpi, scaled to the output resolution). Pages laid out
// for printing show none, as printed sheets do not. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawSheetBackground(const PageRenderRequest& request, DrawingSurface* surface, const PicturePage& page);

// Embedded-object and control previews, then the sheet's sparklines in their cells, then the
// drawing objects of the sheet that this system draws (pictures, also inside groups), each
// polled for progress. 1, a drawing-layer error, or
// a progress result.
[[nodiscard]] int32_t DrawSheetObjects(const PageRenderRequest& request, DrawingSurface* surface, const PicturePage& page);

}  // namespace xlx
