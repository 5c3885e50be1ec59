// Gradient cell fills (`gradientFill` of a cell format or of a conditional format's differential
// format) drawn through the drawing layer's gradient brushes.
#pragma once
#include <cstdint>

#include "model/styles.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

// Paints `gradient` over the cell rectangle `cell` (px) and the pixel past its right and bottom
// edges, so that it covers the gridlines on whole-pixel edges as a solid fill's outline does: a linear gradient at its degree (taken in
// the cell stretched to a square, so 45 runs corner to corner), or a path gradient from its inner
// rectangle to the edges. Draws nothing for fewer than two stops. 1 or a drawing error.
[[nodiscard]] int32_t DrawFillGradient(DrawingSurface* surface, const FillGradient& gradient, const DrawRect& cell);

}  // namespace xlx
