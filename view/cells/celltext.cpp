// The layout pass over cell texts: row growth for wrapped text and the overflow extent.
#include <algorithm>
#include <cmath>

#include "common/progress.h"
#include "view/page/render.h"
#include "view/cells/text.h"

namespace xlx {
namespace {

// A row grows with its text unless its height was set by hand.
bool RowMayGrow(const MyWorksheet& sheet, const XlsxGridInfo& g, int32_t row) {
  const RowProps* props = FindRow(sheet, row);
  if (!props) return true;
  return props->heightNotCustom || std::fabs(props->height - g.defRowHeightPx) < 0.01;
}

// Merged ranges do not make their rows grow.
bool InMergedRange(const MyWorksheet& sheet, int32_t row, int32_t col) {
  for (int32_t i = 0; i < sheet.mergedCells.Count(); ++i) {
    const MyCellBounds& m = sheet.mergedCells[i].MergeCellsRef;
    if (row >= m.RowFirst && row <= m.RowLast && col >= m.ColFirst && col <= m.ColLast) return true;
  }
  return false;
}

// A text past this many units is measured by its first ones and the width scaled to its whole
// length: a cell holds up to 32,767 characters, and measuring every one of them for the extent of
// each row would dominate the layout of sheets full of long texts (the drawing engine measures
// single lines of up to this many units on its fast path).
constexpr int32_t kMaxMeasuredUnits = 511;

// Width of a single line of text in px, extrapolated past kMaxMeasuredUnits.
double LineWidth(FontCache& fonts, const CachedDrawFont& font, const std::u16string& text) {
  int32_t length = static_cast<int32_t>(text.size());
  int32_t measured = std::min(length, kMaxMeasuredUnits);
  if (measured < length && text[measured - 1] >= 0xD800 && text[measured - 1] <= 0xDBFF) --measured;
  double w = 0, h = 0;
  fonts.Measure(font, text.c_str(), measured, 0, &w, &h);
  return measured < length && measured > 0 ? w * length / measured : w;
}

void RecomputeRowOffsets(XlsxGridInfo* g) {
  double offset = 0;
  for (RowGeometry& r : g->rows) {
    r.offset = offset;
    offset += r.size;
  }
  g->totalHeight = offset;
  if (!g->rows.empty()) g->firstRowOffset = g->rows[std::max(1, g->bounds.RowFirst) - 1].offset;
}

}  // namespace

int32_t PrepareCellTexts(const Workbook& wb, const MyWorksheet& sheet, SheetLayout* layout, FontCache& fonts,
                         const ProgressCallback* progress) {
  XlsxGridInfo& g = layout->grid;
  const Stylesheet& styles = wb.styles;
  const int32_t count = static_cast<int32_t>(sheet.cells.Count());
  double extent = 0;
  bool grew = false;
  for (int32_t i = 0; i < count; ++i) {
    if ((i + 1) % 1000 == 0) {
      int32_t rc = PollProgress(progress);
      if (rc != XLX_OK) return rc;
    }
    const CellRecord& c = sheet.cells[i];
    if (c.row < 1 || c.row > static_cast<int32_t>(g.rows.size())) continue;
    if (c.column < 1 || c.column > static_cast<int32_t>(g.columns.size())) continue;
    if (c.type == kCellUnknown || g.rows[c.row - 1].size <= 0 || g.columns[c.column - 1].size <= 0) continue;
    const bool lastInRow = i + 1 == count || sheet.cells[i + 1].row != c.row;
    const CellXf& xf = GetCellXf(styles, c.styleIndex);
    const bool wrap = xf.alignment.wrapText;
    const bool mayGrow = wrap && RowMayGrow(sheet, g, c.row) && !InMergedRange(sheet, c.row, c.column);
    if (!mayGrow && !lastInRow) continue;
    const CachedDrawFont* font = fonts.Get(GetFont(styles, xf.fontId), layout->dPrintScale);
    if (!font) continue;
    const ColumnGeometry& col = g.columns[c.column - 1];
    CellText text;
    if (!BuildCellText(wb, sheet, c, col.size, fonts, *font, &text)) continue;
    const int32_t length = static_cast<int32_t>(text.text.size());
    if (mayGrow) {
      TextBox box = InnerBox(col.offset, col.size, *font, xf.alignment.indent);
      double w = 0, h = 0;
      fonts.Measure(*font, text.text.c_str(), length, std::max(1.0, box.innerWidth), &w, &h);
      const double lines = std::max(1.0, std::round(h / font->lineHeight));
      const double need = lines * font->heightPx * 1.25;
      if (need > g.rows[c.row - 1].size + 1e-9) {
        g.rows[c.row - 1].size = need;
        grew = true;
      }
    } else if (!wrap && !xf.alignment.shrinkToFit && text.kind == kTextString &&
               EffectiveHorizontal(xf, text, GetFont(styles, xf.fontId).lfCharSet, wb.isBinary, sheet.bRightToLeft) == kHAlignLeft) {
      const double w = LineWidth(fonts, *font, text.text);
      const double start = std::max(0.0, col.offset + font->heightPx / 6 + font->indentUnit * std::max(0, xf.alignment.indent));
      extent = std::max(extent, start + w);
    }
  }
  if (grew) RecomputeRowOffsets(&g);
  layout->overflowExtent = extent;
  return XLX_OK;
}

}  // namespace xlx
