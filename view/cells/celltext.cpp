// The layout pass over cell texts: rows fitted to their content, and the text that spills past
// its cell to the right (how far it reaches, and which cells it reaches).
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "common/progress.h"
#include "view/page/render.h"
#include "view/layout/rowfit.h"
#include "view/cells/text.h"

namespace xlx {
namespace {

// Rows that hold part of a merged range, where each cell is looked up: merged cells do not make
// their rows grow. A running count over the rows, so that many tall ranges cost one pass.
std::vector<uint8_t> RowsInMergedRanges(const MyWorksheet& sheet, size_t rows) {
  std::vector<int32_t> delta(rows + 2, 0);
  for (int32_t i = 0; i < sheet.mergedCells.Count(); ++i) {
    const MyCellBounds& m = sheet.mergedCells[i].MergeCellsRef;
    if (m.RowFirst < 1 || static_cast<size_t>(m.RowFirst) > rows || m.RowLast < m.RowFirst) continue;
    ++delta[size_t(m.RowFirst)];
    --delta[std::min(rows + 1, static_cast<size_t>(m.RowLast) + 1)];
  }
  std::vector<uint8_t> in(rows + 1, 0);
  int32_t open = 0;
  for (size_t r = 1; r <= rows; ++r) in[r] = (open += delta[r]) > 0;
  return in;
}

// Range tests of one sheet's text pass: many overlapping ranges over many cells stop being
// looked through here, and the cells left count as merged (their rows keep their height).
constexpr int64_t kMaxMergedRangeChecks = 50000000;

bool InMergedRange(const MyWorksheet& sheet, int32_t row, int32_t col, int64_t* checks) {
  if (*checks > kMaxMergedRangeChecks) return true;
  *checks += sheet.mergedCells.Count();
  for (int32_t i = 0; i < sheet.mergedCells.Count(); ++i) {
    const MyCellBounds& m = sheet.mergedCells[i].MergeCellsRef;
    if (row >= m.RowFirst && row <= m.RowLast && col >= m.ColFirst && col <= m.ColLast) return true;
  }
  return false;
}

// Per cell, whether no later cell of its row holds a value: blank cells with only a format do
// not stop text spilling over them, so the last cell with a value is the one that may spill.
std::vector<uint8_t> LastShownInRow(const MyWorksheet& sheet) {
  const size_t n = sheet.cells.Size();
  std::vector<uint8_t> last(n, 0);
  bool valueLater = false;
  for (size_t k = n; k-- > 0;) {
    const CellRecord& c = sheet.cells[k];
    if (k + 1 == n || sheet.cells[k + 1].row != c.row) valueLater = false;
    last[k] = !valueLater;
    if (c.flags & (kCellHasValue | kCellHasFormula)) valueLater = true;
  }
  return last;
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


// What the pass keeps while it walks the cells of one sheet.
struct TextPass {
  const Workbook& wb;
  const MyWorksheet& sheet;
  SheetLayout* layout;
  FontCache& fonts;
  double pixel = 1;                 // one 96-dpi pixel at the output resolution
  double storedDefaultPx = 0;       // the sheet default as the reader stored it, px
  std::vector<uint8_t> merged;      // per row: part of a merged range
  std::vector<uint8_t> lastShown;   // per cell: no later cell of its row shows a value
  std::unordered_map<int32_t, const CachedDrawFont*> fontOfXf;
  int32_t fitRow = 0;               // the row `fits` was found for
  bool fits = false;
  double extent = 0;
  int64_t mergeChecks = 0;          // range tests so far, bounded by kMaxMergedRangeChecks

  // The cell's font at the print scale (`unscaled` false) or at 100%, where rows are fitted:
  // fonts made tiny are hinted to whole pixels and would make rows too tall for their scale.
  const CachedDrawFont* FontOf(int32_t xfIndex, const CellXf& xf, bool unscaled) {
    const int32_t key = xfIndex * 2 + (unscaled ? 1 : 0);
    auto it = fontOfXf.find(key);
    if (it != fontOfXf.end()) return it->second;
    const CachedDrawFont* f = fonts.Get(GetFont(wb.styles, xf.fontId), unscaled ? 1.0 : layout->dPrintScale);
    fontOfXf.emplace(key, f);
    return f;
  }
};

// Grows the cell's row to its content when the application would refit the row.
void FitRow(TextPass& p, const CellRecord& c, const CellXf& xf, const CellText* text) {
  XlsxGridInfo& g = p.layout->grid;
  const CachedDrawFont* font = p.FontOf(c.styleIndex, xf, true);
  if (!font) return;
  const double scale = std::max(1e-3, p.layout->dPrintScale);
  const double need =
      CellContentHeight(p.fonts, *font, 1.0, xf, text, g.columns[c.column - 1].size / scale, p.pixel) * scale;
  if (need > g.rows[c.row - 1].size + 1e-9) {
    g.rows[c.row - 1].size = std::min(need, 409.0 * 96 / 72 * p.pixel * scale);
  }
}

// A left-aligned text of the last cell of its row spills over the empty columns to its right:
// the rightmost pixel it reaches, and the cells it reaches past its own column.
void NoteSpill(TextPass& p, const CellRecord& c, const CellXf& xf, const CachedDrawFont& font, const CellText& text) {
  const XlsxGridInfo& g = p.layout->grid;
  const ColumnGeometry& col = g.columns[c.column - 1];
  const double w = LineWidth(p.fonts, font, text.text);
  const double start = std::max(0.0, col.offset + font.heightPx / 6 + font.indentUnit * std::max(0, xf.alignment.indent));
  const double end = start + w;
  p.extent = std::max(p.extent, end);
  const int32_t reached = GridColumnAt(g, end);
  if (reached > c.column) p.layout->spills.push_back(MyCellBounds{c.row, c.row, c.column, reached});
}

void VisitCell(TextPass& p, int32_t i) {
  const XlsxGridInfo& g = p.layout->grid;
  const CellRecord& c = p.sheet.cells[i];
  if (c.row < 1 || c.row > static_cast<int32_t>(g.rows.size())) return;
  if (c.column < 1 || c.column > static_cast<int32_t>(g.columns.size())) return;
  if (c.type == kCellUnknown || g.rows[c.row - 1].size <= 0 || g.columns[c.column - 1].size <= 0) return;
  if (c.row != p.fitRow) {
    p.fitRow = c.row;
    p.fits = RowFitsContent(p.sheet, p.storedDefaultPx, c.row);
  }
  const bool lastInRow = p.lastShown[size_t(i)] != 0;
  const CellXf& xf = GetCellXf(p.wb.styles, c.styleIndex);
  const bool wrap = xf.alignment.wrapText;
  const bool fit = p.fits && !(p.merged[size_t(c.row)] && InMergedRange(p.sheet, c.row, c.column, &p.mergeChecks));
  if (!fit && !lastInRow) return;
  const CachedDrawFont* font = p.FontOf(c.styleIndex, xf, false);
  if (!font) return;
  const bool isString = c.type == kCellSharedString || c.type == kCellInlineString || c.type == kCellFormulaString;
  const bool needText = lastInRow || wrap || xf.alignment.textRotation != 0 || isString;
  CellText text;
  const bool hasText =
      needText && BuildCellText(p.wb, p.sheet, c, g.columns[c.column - 1].size, p.fonts, *font, &text);
  if (fit) FitRow(p, c, xf, hasText ? &text : nullptr);
  if (lastInRow && hasText && !wrap && !xf.alignment.shrinkToFit && xf.alignment.textRotation == 0 &&
      text.kind == kTextString &&
      EffectiveHorizontal(xf, text, GetFont(p.wb.styles, xf.fontId).lfCharSet, p.wb.isBinary, p.sheet.bRightToLeft) == kHAlignLeft)
    NoteSpill(p, c, xf, *font, text);
}

}  // namespace

int32_t PrepareCellTexts(const Workbook& wb, const MyWorksheet& sheet, SheetLayout* layout, FontCache& fonts,
                         const ProgressCallback* progress) {
  XlsxGridInfo& g = layout->grid;
  TextPass p{wb, sheet, layout, fonts, 1.0, 0.0, {}, {}, {}};
  p.pixel = g.outputResolution / 96.0;
  p.storedDefaultPx = sheet.dDefRowHeight * wb.dpi / 72.0;
  layout->spills.clear();
  UseDefaultFontRowHeight(sheet, fonts, p.pixel, &g);
  try {
    p.merged = RowsInMergedRanges(sheet, g.rows.size());
    p.lastShown = LastShownInRow(sheet);
    const int32_t count = static_cast<int32_t>(sheet.cells.Count());
    for (int32_t i = 0; i < count; ++i) {
      if ((i + 1) % 1000 == 0) {
        int32_t rc = PollProgress(progress);
        if (rc != XLX_OK) return rc;
      }
      VisitCell(p, i);
    }
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  RecomputeRowOffsets(&g);
  layout->overflowExtent = p.extent;
  return XLX_OK;
}

}  // namespace xlx
