// Heights of rows that the application fits to their content when it opens a workbook: rows
// without a stored height (or stored as not custom) take the height of their tallest cell, and
// rows without any entry take the default height, from the sheet's format or else from the
// default font. Heights are found at 100% (one 96-dpi pixel is `pixel` px) and then scaled.
#pragma once
#include <cstdint>

#include "model/sheet.h"
#include "view/cells/fonts.h"
#include "view/layout/layout.h"
#include "view/cells/text.h"

namespace xlx {

// The height of a row that holds one line of text in `font`: the font's line (ascent and
// descent, each rounded up to whole pixels) and a pixel of room above and below, in units of
// `pixel` (the size of one 96-dpi pixel at the output resolution and scale). Calibri 11 pt at
// 96 dpi gives 20 px (15 pt).
double FontRowHeight(const CachedDrawFont& font, double pixel);

// Whether the application refits `row`: no entry, no stored height, a height stored as not
// custom, or the sheet default (which it also writes for rows it fitted itself).
bool RowFitsContent(const MyWorksheet& sheet, double defaultRowPx, int32_t row);

// The height a cell's content asks of its row: the line of its font and of every rich-text run's
// font; wrapped text as many lines as it takes at the column's inner width; turned text the
// height of its turned box; stacked text one line a character. `columnWidth` is px.
double CellContentHeight(FontCache& fonts, const CachedDrawFont& font, double scale, const CellXf& xf,
                         const CellText* text, double columnWidth, double pixel);

// Sets the grid's default row height (unscaled) from the sheet's default font when the sheet
// stores none, and gives it, scaled, to every row that stores no height of its own. Rows under
// `zeroHeight` stay 0.
void UseDefaultFontRowHeight(const MyWorksheet& sheet, FontCache& fonts, double pixel, XlsxGridInfo* grid);

}  // namespace xlx
