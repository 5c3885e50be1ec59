// Charts on a page: a chart graphic frame drawn into its anchor's rectangle, and the one chart
// of a chartsheet drawn over the printable area of its page.
#pragma once
#include <cstdint>

#include "model/drawingobjects.h"
#include "view/drawlayer/drawlayer.h"
#include "view/page/render.h"

namespace xlx {

// Draws the chart of `object` (a graphic frame whose chart was read) into `rect` (world px),
// or, on a chartsheet, into the printable area between `pageLeft`..`pageRight` and
// `pageTop`..`pageBottom` less the margins. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawChartObject(const PageRenderRequest& request, DrawingSurface* surface,
                                      const DrawingObject& object, const DrawRect& rect, double pageLeft,
                                      double pageTop, double pageRight, double pageBottom);

// A chartsheet's printed page: its chart over the paper (`paperWidth` x `paperHeight` px) inside
// the sheet's margins, at the output resolution. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawChartsheetPage(const PageRenderRequest& request, DrawingSurface* surface, double paperWidth,
                                         double paperHeight);

}  // namespace xlx
