// Grid geometry, rendered range and print scale of a sheet.
#include "common/limits.h"
#include "view/layout/layout.h"

#include <algorithm>
#include <cmath>

#include "common/resultcodes.h"
#include "view/print/print.h"

namespace xlx {

void FixRenderedRange(const MyWorksheet& sheet, const MyCellBounds* printArea, const std::vector<MyCellBounds>& anchors,
                      MyCellBounds* b, bool* empty) {
  *b = MyCellBounds{1, 1, 1, 1};
  *empty = true;
  if (sheet.cells.Count() > 0) *empty = false;
  if (sheet.sheetBounds.RowLast > 0 && sheet.sheetBounds.ColLast > 0) {
    b->RowLast = std::max(b->RowLast, sheet.sheetBounds.RowLast);
    b->ColLast = std::max(b->ColLast, sheet.sheetBounds.ColLast);
  }
  if (!printArea) {
    for (int32_t i = 0; i < sheet.mergedCells.Count(); ++i) {
      const MyCellBounds& m = sheet.mergedCells[i].MergeCellsRef;
      b->RowLast = std::max(b->RowLast, m.RowLast);
      b->ColLast = std::max(b->ColLast, m.ColLast);
    }
  }
  for (const MyCellBounds& a : anchors) {
    *empty = false;
    b->RowLast = std::max({b->RowLast, a.RowFirst, a.RowLast});
    b->ColLast = std::max({b->ColLast, a.ColFirst, a.ColLast});
  }
  if (printArea) {
    if (b->RowLast > printArea->RowLast + 2000) b->RowLast = std::max(1, printArea->RowLast);
    if (b->ColLast > printArea->ColLast + 2000) b->ColLast = std::max(1, printArea->ColLast);
  }
  b->RowLast = std::min<int32_t>(b->RowLast, kMaxRows);
  b->ColLast = std::min<int32_t>(b->ColLast, kMaxColumns);
}

namespace {

// The first `col` element covering column i, or null.
const ColumnInfo* CoveringColumn(const MyWorksheet& sheet, int32_t i) {
  for (int32_t k = 0; k < sheet.columns.Count(); ++k) {
    const ColumnInfo& c = sheet.columns[k];
    if (c.min <= i && i <= c.max) return &c;
  }
  return nullptr;
}

void MeasureDigits(const MyWorksheet& sheet, const LayoutOptions& o, const DigitMeasure& m, XlsxGridInfo* g) {
  const double sizePt = sheet.normalFontSizePt;
  const bool hasFont = sheet.normalFont.lfFaceName[0] != 0 && sizePt > 0 && m.measureZero;
  g->engineResolution = m.engineResolution > 0 ? m.engineResolution : 96.0;
  if (hasFont) {
    // Measured at the font's exact pixel height: Calibri 11 pt at 96 dpi (14.67 px) has a 7 px
    // digit, as the spreadsheet application measures it; a height rounded to 15 px gives 8.
    double engineHeight = g->engineResolution * sizePt / 72.0;
    g->digitWidth = m.measureZero(m.context, sheet.normalFont, engineHeight);
    double outputDigit = m.measureZero(m.context, sheet.normalFont, o.xResolution * sizePt / 72.0);
    g->defColWidthPx = (sheet.dDefColWidth + 0.5) * outputDigit;
  } else {
    g->digitWidth = 6.0;
    g->defColWidthPx = o.xResolution * 6.0 / 72.0 * sheet.dDefColWidth;
  }
  if (!(g->digitWidth > 0)) g->digitWidth = 6.0;
}

}  // namespace

int32_t BuildGrid(const MyWorksheet& sheet, const MyCellBounds& bounds, const LayoutOptions& o, const DigitMeasure& m,
                  XlsxGridInfo* g) {
  if (g->built) return XLX_OK;
  g->bounds = bounds;
  MeasureDigits(sheet, o, m, g);
  g->defRowHeightPx = o.yResolution * sheet.dDefRowHeight / 72.0;
  g->outputResolution = o.yResolution;
  const int32_t colLast = std::max(1, bounds.ColLast), rowLast = std::max(1, bounds.RowLast);
  try {
    g->columns.assign(static_cast<size_t>(colLast), ColumnGeometry{});
    g->rows.assign(static_cast<size_t>(rowLast), RowGeometry{});
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  double offset = 0;
  for (int32_t i = 1; i <= colLast; ++i) {
    ColumnGeometry& col = g->columns[i - 1];
    const ColumnInfo* info = CoveringColumn(sheet, i);
    col.hidden = info && info->hidden;
    if (info && info->hasWidth) col.size = info->width * o.xResolution * g->digitWidth / g->engineResolution;
    else col.size = g->defColWidthPx;
    if (col.hidden) col.size = 0;
    col.offset = offset;
    offset += col.size;
  }
  g->totalWidth = offset;
  g->firstColumnOffset = g->columns[std::max(1, bounds.ColFirst) - 1].offset;
  // Rows: the row map is sorted, so one pass fills every described row.
  // Under `zeroHeight` the rows without an entry of their own are hidden.
  for (RowGeometry& r : g->rows) {
    r.hidden = sheet.bRowsZeroHeight;
    r.size = sheet.bRowsZeroHeight ? 0 : g->defRowHeightPx;
  }
  for (int32_t k = 0; k < sheet.rows.Count(); ++k) {
    const RowEntry& e = sheet.rows[k];
    if (e.row < 1 || e.row > rowLast || e.row >= int32_t(kMaxRows)) continue;
    RowGeometry& r = g->rows[e.row - 1];
    r.hidden = e.props.hidden;
    r.size = e.props.hidden ? 0 : e.props.heightStored ? e.props.height : g->defRowHeightPx;
  }
  offset = 0;
  for (RowGeometry& r : g->rows) {
    r.offset = offset;
    offset += r.size;
  }
  g->totalHeight = offset;
  g->firstRowOffset = g->rows[std::max(1, bounds.RowFirst) - 1].offset;
  g->built = true;
  return XLX_OK;
}

double ComputePrintScale(const MyWorksheet& sheet, const XlsxGridInfo& g, const LayoutOptions& o) {
  if (o.loadMode != kLoadPaginated) return 1.0;
  const PrintSetup& ps = sheet.print;
  auto clamp = [](double s) { return std::min(4.0, std::max(0.1, s)); };
  if (ps.hasScale) return ps.scale == 0 ? 1.0 : clamp(ps.scale / 100.0);
  const double availW = RoundPx(o.pageWidth - o.marginLeft - o.marginRight);
  const double availH = RoundPx(o.pageHeight - o.marginTop - o.marginBottom);
  const double w = g.scaled ? g.totalWidth / g.scale : g.totalWidth;
  const double h = g.scaled ? g.totalHeight / g.scale : g.totalHeight;
  const bool fits = w <= availW && h <= availH;
  if (ps.fitToPage && !o.bUseSheetWidth && !fits && w > 0 && h > 0) return clamp(std::min(availW / w, availH / h));
  return 1.0;
}

void ApplyGridScale(XlsxGridInfo* g, double scale) {
  auto multiply = [g](double f) {
    for (ColumnGeometry& c : g->columns) c.offset *= f, c.size *= f;
    for (RowGeometry& r : g->rows) r.offset *= f, r.size *= f;
    g->totalWidth *= f, g->totalHeight *= f;
    g->firstColumnOffset *= f, g->firstRowOffset *= f;
  };
  if (g->scaled) {
    multiply(1.0 / g->scale);
    g->scaled = false;
    g->scale = 1.0;
  }
  if (std::fabs(scale - 1.0) >= 1e-5) {
    multiply(scale);
    g->scaled = true;
  }
  g->scale = scale;
}

int32_t LayoutSheet(const MyWorksheet& sheet, const MyCellBounds* printArea, const std::vector<MyCellBounds>& anchors,
                    const LayoutOptions& o, const DigitMeasure& m, SheetLayout* layout, const CellTextHook* texts) {
  AssertSheetInvariants(sheet);
  if (o.bPrintSetup) return LayoutPrintedSheet(sheet, printArea, anchors, o, m, layout, texts);
  MyCellBounds bounds;
  FixRenderedRange(sheet, printArea, anchors, &bounds, &layout->empty);
  int32_t r = BuildGrid(sheet, bounds, o, m, &layout->grid);
  if (r != XLX_OK) return r;
  UseApplicationDefaultWidth(sheet, o, &layout->grid);
  layout->dPrintScale = ComputePrintScale(sheet, layout->grid, o);
  if (o.loadMode == kLoadPaginated) ApplyGridScale(&layout->grid, layout->dPrintScale);
  if (texts && texts->run && !layout->empty) {
    r = texts->run(texts->context, layout);
    if (r != XLX_OK) return r;
  }
  std::vector<MyCellBounds> reach;
  try {
    reach = anchors;
    reach.insert(reach.end(), layout->spills.begin(), layout->spills.end());
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  return PaginateSheet(layout, o, sheet, reach);
}

double GridColumnLeft(const XlsxGridInfo& g, int32_t c) {
  if (c >= 1 && c <= static_cast<int32_t>(g.columns.size())) return g.columns[c - 1].offset;
  return g.totalWidth + (c - 1 - static_cast<int32_t>(g.columns.size())) * g.defColWidthPx * g.scale;
}

double GridColumnWidth(const XlsxGridInfo& g, int32_t c) {
  if (c >= 1 && c <= static_cast<int32_t>(g.columns.size())) return g.columns[c - 1].size;
  return g.defColWidthPx * g.scale;
}

double GridRowTop(const XlsxGridInfo& g, int32_t r) {
  if (r >= 1 && r <= static_cast<int32_t>(g.rows.size())) return g.rows[r - 1].offset;
  return g.totalHeight + (r - 1 - static_cast<int32_t>(g.rows.size())) * g.defRowHeightPx * g.scale;
}

double GridRowHeight(const XlsxGridInfo& g, int32_t r) {
  if (r >= 1 && r <= static_cast<int32_t>(g.rows.size())) return g.rows[r - 1].size;
  return g.defRowHeightPx * g.scale;
}

namespace {

// The last index whose item starts before `pos` on an axis of `items` (offset, size) that runs on
// past its end at `defSize` per item.
int32_t IndexAt(const std::vector<RowGeometry>& items, double total, double defSize, int32_t limit, double pos) {
  if (!(pos > 0)) return 1;
  if (pos <= total || !(defSize > 0)) {
    auto it = std::lower_bound(items.begin(), items.end(), pos,
                               [](const RowGeometry& r, double p) { return r.offset < p - 1e-6; });
    return std::max<int32_t>(1, std::min<int32_t>(limit, static_cast<int32_t>(it - items.begin())));
  }
  const double past = std::ceil((pos - total) / defSize - 1e-6);
  const double index = static_cast<double>(items.size()) + std::max(1.0, past);
  return static_cast<int32_t>(std::min<double>(limit, index));
}

}  // namespace

int32_t GridColumnAt(const XlsxGridInfo& g, double x) {
  return IndexAt(g.columns, g.totalWidth, g.defColWidthPx * g.scale, kMaxColumns, x);
}

int32_t GridRowAt(const XlsxGridInfo& g, double y) {
  return IndexAt(g.rows, g.totalHeight, g.defRowHeightPx * g.scale, kMaxRows, y);
}

}  // namespace xlx
