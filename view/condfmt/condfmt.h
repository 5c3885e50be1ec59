// Drawing what conditional formats give a cell: the differential format laid over the cell's own
// fill, font and borders, data bars and icons. All of it goes through the drawing layer.
#pragma once
#include <cstdint>

#include "model/condformat.h"
#include "model/styles.h"
#include "values/formula/condfmteval.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

// The cell's fill with the rules' fill over it (a rule's solid fill paints its colour; a pattern
// its pattern over its back colour).
FillSpec CondFill(const FillSpec& own, const CellCondResult& cond);
// The cell's font with the font properties the rules set (colour, bold, italic, underline, strike).
MyLogFont CondFont(const MyLogFont& own, const CellCondResult& cond);
// The cell's borders with the sides the rules draw.
MyBorder CondBorder(const MyBorder& own, const CellCondResult& cond);

// The data bar of a cell inside its rectangle (px): the 2007 gradient bar of a plain rule, or the
// current look of the extension (gradient or solid, border, negative colour and axis, lengths,
// direction). 1 or a drawing error.
[[nodiscard]] int32_t DrawCondDataBar(DrawingSurface* surface, const CellCondResult& cond, const DrawRect& cell);

// One icon of a set drawn as vector shapes in the square (left, top, size) px. Unknown sets or
// indices draw nothing. 1 or a drawing error.
[[nodiscard]] int32_t DrawCondIcon(DrawingSurface* surface, const CfIcon& icon, double left, double top, double size);

// Width in px of the icon of a cell whose font is `fontPx` high, in a row `rowHeight` high.
double CondIconWidth(double fontPx, double rowHeight);
// The icon of a cell: sized to the font height `fontPx`, at the left edge of the cell and placed
// vertically as the text (`vertical` is the cell's VerticalAlignment). 1 or a drawing error.
[[nodiscard]] int32_t DrawCondCellIcon(DrawingSurface* surface, const CellCondResult& cond, const DrawRect& cell,
                                       double fontPx, int32_t vertical);

}  // namespace xlx
