// Drawing one page of a laid-out sheet: page set-up (scale, transform, clip, background),
// the background picture, gridlines, cell fills, borders and text, and the drawing objects.
#pragma once
#include <cstdint>

#include "model/workbook.h"
#include "view/cells/fonts.h"
#include "view/layout/layout.h"

namespace xlx {

class PictureCache;

struct PageRenderRequest {
  const Workbook* workbook = nullptr;
  const MyWorksheet* sheet = nullptr;
  const SheetLayout* layout = nullptr;
  int32_t pageIndex = 0;                 // 0-based page of the sheet
  VkDrawingEngine* engine = nullptr;
  _BITMAPHANDLE* bitmap = nullptr;       // 24-bit page bitmap with pixels
  LayoutOptions options;
  bool showGridLines = false;
  uint32_t gridColor = 0xFFC0C0C0;
  const ProgressCallback* progress = nullptr;
  FontCache* fonts = nullptr;            // optional; a private cache is used without one
  const _PAGEINFO* pageOverride = nullptr;  // optional: this piece of the sheet instead of the page
  PictureCache* pictures = nullptr;      // the workbook's decoded pictures; optional, as fonts
  // Black-and-white printing: no cell or sheet fills, text and borders in black, pictures in greys.
  bool blackAndWhite = false;
  // Draft printing: no pictures or drawing objects and no gridlines.
  bool draft = false;
  // The one-pixel strip a printed piece draws past its last row (kEdgeBelow) or column
  // (kEdgeRight) for their closing gridlines, borders and the outlines of objects ending there:
  // cells that start in the strip, the next row's or column's, draw no fill and no text there.
  int32_t closingEdge = 0;
};
enum ClosingEdge : int32_t { kEdgeNone = 0, kEdgeBelow = 1, kEdgeRight = 2 };

// Draws the page into the bitmap. 1, -13 (missing request parts), -1 (memory, bitmap over the
// pixel limit), a host drawing error, or a progress result.
[[nodiscard]] int32_t RenderSheetPage(const PageRenderRequest& request);

// The layout pass over cell texts: rows without a custom height grow to hold wrapped or
// multi-line text, and the rightmost reach of text spilling out of each row's last cell becomes
// the sheet's overflow extent. Run after scaling and before pagination. 1 or a progress result.
[[nodiscard]] int32_t PrepareCellTexts(const Workbook& workbook, const MyWorksheet& sheet, SheetLayout* layout, FontCache& fonts,
                         const ProgressCallback* progress);

// Largest page bitmap drawn outside page mode, in pixels.
constexpr double kMaxPagePixels = 4.46 * 1.6e8;

}  // namespace xlx
