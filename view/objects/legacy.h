// The legacy (VML) drawing of a page: shapes, pictures and text boxes, form controls in the
// classic desktop look, and the notes the sheet shows (box, shadow, connector and the cell's
// red indicator). Shapes that cannot be drawn (a picture no decoder reads, an empty path) are
// skipped; a failed drawing-layer operation ends the page with its result.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/legacydrawing.h"
#include "view/objects/anchors.h"
#include "view/cells/fonts.h"
#include "view/drawlayer/picturecache.h"
#include "view/objects/pictures.h"

namespace xlx {

// What the legacy passes share while one page is drawn.
struct LegacyContext {
  const PageRenderRequest& request;
  DrawingSurface* surface;
  const PicturePage& page;
  PictureCache& pictures;
  FontCache& fonts;
  AnchorGeometry geo;
  double pxPerPt = 96.0 / 72;  // world px per point, print scale included
};

// Draws the sheet's legacy shapes, controls and shown notes in document order, notes last. 1, a
// drawing-layer error, or a progress result.
[[nodiscard]] int32_t DrawLegacyDrawing(const PageRenderRequest& request, DrawingSurface* surface, const PicturePage& page,
                                        PictureCache& pictures);

// ---- shared by the legacy passes ----------------------------------------------------------------
// Colours of the classic desktop palette the controls and notes are drawn in.
CellColor LegacySystemColor(const char* name);
// Whether a note or control is shown on this page's kind of output.
bool LegacyNoteShown(const LegacyContext& c, const VmlShape& shape);
// Rich text runs laid out in `box` (wrapped at its width unless `wrap` is false), aligned by
// `align` (0 left, 1 centre, 2 right) and `vAlign` (0 top, 1 centre, 2 bottom), clipped to it;
// runs without a face or size take `face` and `sizePt`. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawLegacyText(LegacyContext& c, const std::vector<VmlTextRun>& runs, const DrawRect& box,
                                     int32_t align, int32_t vAlign, const char16_t* face, double sizePt, bool wrap);
// Shadow, geometry with fill and stroke, picture and text-box text of a shape in `rect`. 1 or a
// drawing-layer error.
[[nodiscard]] int32_t DrawLegacyShapeBody(LegacyContext& c, const VmlShape& shape, const DrawRect& rect);
// A form control in its box. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawFormControl(LegacyContext& c, const VmlShape& shape, const DrawRect& box);
// A shown note in its box with its connector to the cell and the text of `note` (null: the
// shape's own text). Notes that reach nowhere near the page are skipped. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawNote(LegacyContext& c, const VmlShape& shape, const SheetNote* note, const DrawRect& box);
// The cell a control's link names ("$B$2", or "Sheet1!B2" naming this sheet); null when it names
// no cell of this sheet or the cell is not stored.
const CellRecord* LinkedCell(const LegacyContext& c, const std::u16string& link);
// The display text of the `index`-th cell (0-based, row by row) of a range of this sheet; empty
// past its end or for a range on another sheet.
std::u16string RangeText(LegacyContext& c, const std::u16string& range, int64_t index);
// The number of cells of such a range; 0 for a range on another sheet.
int64_t RangeSize(const LegacyContext& c, const std::u16string& range);

}  // namespace xlx
