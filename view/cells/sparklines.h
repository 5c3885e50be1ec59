// Sparklines drawn in their cells: lines, columns and win/loss bars with their markers and axis.
#pragma once
#include <cstdint>

#include "model/sparklines.h"
#include "view/drawlayer/drawlayer.h"
#include "view/objects/anchors.h"
#include "view/page/render.h"

namespace xlx {

// Draws every sparkline of the request's sheet whose cell meets `visible` (page px), each inside
// its cell as `geometry` places it. 1 or the first failing drawing-layer code.
[[nodiscard]] int32_t DrawSparklines(const PageRenderRequest& request, DrawingSurface* surface,
                                     const AnchorGeometry& geometry, const DrawRect& visible);

// The vertical range one sparkline of `group` is drawn against: its own values, those of the
// whole group, or the group's fixed bounds, as its minimum and maximum kinds say. Columns and
// win/loss bars keep zero inside the range. False when there is nothing to draw.
bool SparklineRange(const SparklineGroup& group, const Sparkline& line, double* lo, double* hi);

}  // namespace xlx
