// Sheet layout: the pixel geometry of columns and rows, the rendered range, the print scale, the
// page size and the page list of one sheet, and the page set-up before drawing. All lengths are
// pixels at the output resolution unless the name says otherwise.
#pragma once
#include <cstdint>
#include <vector>

#include "model/sheet.h"
#include "view/layout/pageinfo.h"
#include "view/layout/mirror.h"
#include "view/layout/printpage.h"

namespace xlx {

// Measures the width in pixels of the text "0" in a font: the face and style of `font` at a
// height of `heightPx` pixels. Layout stays independent of the drawing engine through it.
struct DigitMeasure {
  void* context = nullptr;
  double engineResolution = 96.0;  // dots per inch at which the engine measures text
  double (*measureZero)(void* context, const MyLogFont& font, double heightPx) = nullptr;
};

// How the sheets of one call are laid out: the page mode, the requested page and margins, and the
// output resolution. The drivers fill it from their per-call context.
struct LayoutOptions {
  uint32_t loadMode = 0;  // 2: paginate; 1: one page per sheet at the page size; else sheet-sized
  uint32_t sizeMode = 0;
  double pageWidth = 0, pageHeight = 0;  // requested page, px
  double marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;  // px
  bool bClipCells = true;
  bool bPageOrderDownThenOver = false;
  bool bUseSheetWidth = false;
  uint32_t xResolution = 96, yResolution = 96;
  // Each sheet printed as its own page setup says; pageWidth and pageHeight are then the paper
  // of sheets that name none, and the margins above are not used.
  bool bPrintSetup = false;
  // Set by the page renderer for the page it draws: how a right-to-left sheet is reflected.
  PageMirror mirror;
};

struct XlsxGridInfo {
  bool built = false;
  MyCellBounds bounds;
  double engineResolution = 96;
  double digitWidth = 6.0;          // width of "0" at the engine resolution
  double defColWidthPx = 0, defRowHeightPx = 0;
  std::vector<ColumnGeometry> columns;  // index i: column i + 1, 1 .. ColLast
  std::vector<RowGeometry> rows;        // index i: row i + 1, 1 .. RowLast
  double totalWidth = 0, totalHeight = 0;
  double firstColumnOffset = 0, firstRowOffset = 0;
  double scale = 1.0;
  bool scaled = false;
  double outputResolution = 96;     // dots per inch of the pixels above
};

// What layout keeps of one sheet for the render calls.
struct SheetLayout {
  XlsxGridInfo grid;
  bool empty = true;
  double dPrintScale = 1.0;
  double contentWidth = 0, contentHeight = 0;  // rcSheetSize right and bottom
  double overflowExtent = 0;                   // rightmost pixel reached by spilling text
  std::vector<MyCellBounds> spills;            // per spilling text: its row, its cell to the last cell reached
  std::vector<MyCellBounds> reach;             // printed pages: the cells each drawing object covers, whole
  double pageWidth = 0, pageHeight = 0;        // page size of the sheet's pages, px
  std::vector<_PAGEINFO> pages;
  PrintedSheet printed;                        // the printed pages, with bPrintSetup
  bool pagesCut = false;                       // pages with content past the page limit were left out
  bool sparse = false;                         // only pages with content were made (none is blank)
};

// The rendered range: A1 to the last stored cell, widened by merged ranges (without a print
// area) and by drawing anchors, and cut back to a print area that the data overshoots by more
// than 2000 rows or columns. `printArea` may be null. Sets `empty` when nothing is stored.
void FixRenderedRange(const MyWorksheet& sheet, const MyCellBounds* printArea, const std::vector<MyCellBounds>& anchors,
                      MyCellBounds* bounds, bool* empty);

// Left edge and width of column c (1-based), top and height of row r, in the scaled grid's
// pixels; columns and rows past the grid continue at the default size.
double GridColumnLeft(const XlsxGridInfo& g, int32_t c);
double GridColumnWidth(const XlsxGridInfo& g, int32_t c);
double GridRowTop(const XlsxGridInfo& g, int32_t r);
double GridRowHeight(const XlsxGridInfo& g, int32_t r);
// The column (row) whose span holds the pixel just before `x` (`y`): the last one a length
// ending at `x` reaches, so that an object ending on a column's left edge does not reach it.
// At least 1, at most the sheet limit; past the grid the default sizes run on.
int32_t GridColumnAt(const XlsxGridInfo& g, double x);
int32_t GridRowAt(const XlsxGridInfo& g, double y);

// Builds the column and row arrays of the grid with offsets and totals. 1, -1 (memory).
[[nodiscard]] int32_t BuildGrid(const MyWorksheet& sheet, const MyCellBounds& bounds, const LayoutOptions& options,
                  const DigitMeasure& measure, XlsxGridInfo* grid);

// Columns without a width of their own are as wide as the application makes them: from a base
// width (`baseColWidth`, 8 when nothing is written), that many digits plus 5 pixels of padding and
// gridline, rounded up to a multiple of 8 pixels (64 px for Calibri 11 at 96 dpi); a default
// width (`defaultColWidth`) already holds the padding and converts as column widths do. Every page
// mode uses it, so that they agree. Runs on the unscaled grid.
void UseApplicationDefaultWidth(const MyWorksheet& sheet, const LayoutOptions& options, XlsxGridInfo* grid);

// The print scale of a sheet in page mode 2, clamped to 0.1 .. 4.0; 1.0 in other modes.
double ComputePrintScale(const MyWorksheet& sheet, const XlsxGridInfo& grid, const LayoutOptions& options);
// Scales the grid once (undoing an earlier scale first).
void ApplyGridScale(XlsxGridInfo* grid, double scale);

// Page size, page list and content size of a laid-out sheet. In mode 2 a sheet that cuts into
// more than kSparsePageThreshold tiles keeps only the tiles that show content of `sheet` or
// `reach` (cells covered by drawing objects and spilled text), at most kMaxSheetPages of them
// (pagesCut tells when more had content). 1; -1879 a single page too large outside mode 2; -1.
[[nodiscard]] int32_t PaginateSheet(SheetLayout* layout, const LayoutOptions& options, const MyWorksheet& sheet,
                                    const std::vector<MyCellBounds>& reach);

// The pass over cell texts between scaling and pagination (row growth, overflow extent).
struct CellTextHook {
  void* context = nullptr;
  int32_t (*run)(void* context, SheetLayout* layout) = nullptr;
};

// Whole sheet: range, grid, scale, cell texts (when a hook is given), pagination. 1 or an error.
[[nodiscard]] int32_t LayoutSheet(const MyWorksheet& sheet, const MyCellBounds* printArea, const std::vector<MyCellBounds>& anchors,
                    const LayoutOptions& options, const DigitMeasure& measure, SheetLayout* layout,
                    const CellTextHook* texts = nullptr);

// The workbook's page count: every sheet's pages in page mode 2, one page a sheet otherwise.
[[nodiscard]] int32_t NumberPages(const std::vector<SheetLayout>& layouts, uint32_t loadMode);

// Rounding of layout: add 0.5 and truncate; half away from zero for values that may be negative.
inline int32_t RoundPx(double v) { return static_cast<int32_t>(v + 0.5); }
inline int32_t RoundHalfAway(double v) { return static_cast<int32_t>(v < 0 ? v - 0.5 : v + 0.5); }

}  // namespace xlx
