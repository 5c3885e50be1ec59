// Printed-page layout: paper, scale, areas, breaks, titles, headings and centring of a sheet.
#include "common/limits.h"
#include "view/print/print.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/resultcodes.h"
#include "view/layout/contenttiles.h"
#include "view/print/notespages.h"
#include "view/print/printedrange.h"

namespace xlx {
namespace {

constexpr int32_t kLastRow = int32_t(kMaxRows);
constexpr int32_t kLastColumn = int32_t(kMaxColumns);
// How far a print area may reach past the laid-out grid: blank rows and columns inside a print
// area print, but a hostile area must not make millions of blank pages.
constexpr int32_t kAreaRowsPastGrid = 2000;
constexpr int32_t kAreaColumnsPastGrid = 256;
constexpr size_t kMaxCutsPerAxis = 200000;

// Rows or columns of the grid, sizes multiplied by `k`; items past the grid have the default size.
struct Axis {
  const std::vector<RowGeometry>* items;
  double total;    // grid total, px
  double defSize;  // default size of an item past the grid, px (as the grid is scaled)
  double k;        // further factor (a trial scale over the grid's own)
  int32_t count() const { return static_cast<int32_t>(items->size()); }
  double Size(int32_t i) const { return (i >= 1 && i <= count() ? (*items)[i - 1].size : defSize) * k; }
  double Offset(int32_t i) const {
    if (i >= 1 && i <= count()) return (*items)[i - 1].offset * k;
    return (total + static_cast<double>(i - 1 - count()) * defSize) * k;
  }
};

Axis ColumnAxis(const XlsxGridInfo& g, double k) { return Axis{&g.columns, g.totalWidth, g.defColWidthPx * g.scale, k}; }
Axis RowAxis(const XlsxGridInfo& g, double k) { return Axis{&g.rows, g.totalHeight, g.defRowHeightPx * g.scale, k}; }

struct Cut {
  double src = 0, size = 0;
  int32_t first = 0, last = 0;
  bool titles = false;  // the print titles repeat before this cut
};

struct CutSpec {
  int32_t first = 1, last = 1;
  const std::vector<int32_t>* breaks = nullptr;  // last item before each manual break; null: none
  int32_t titleLast = 0;                         // last title item; 0 without titles
  double titleSize = 0;
  double avail = 1;                              // length of the printable area for titles and body
};

bool BreakAfter(const CutSpec& s, int32_t i) {
  return s.breaks && std::binary_search(s.breaks->begin(), s.breaks->end(), i);
}

// Cuts items first..last into page lengths: whole items while they fit, a manual break ends a
// page, hidden items take no room, and an item longer than a page is cut across pages.
std::vector<Cut> CutAxis(const Axis& a, const CutSpec& s) {
  std::vector<Cut> cuts;
  const double end = a.Offset(s.last) + a.Size(s.last);
  int32_t i = s.first;
  double pos = a.Offset(s.first);
  while (cuts.size() < kMaxCutsPerAxis) {
    while (i < s.last && a.Size(i) <= 0) pos = a.Offset(++i);
    if (pos >= end - 0.01) break;
    Cut c;
    c.src = pos;
    c.first = c.last = i;
    c.titles = s.titleSize > 0 && i > s.titleLast;
    const double room = std::max(1.0, s.avail - (c.titles ? s.titleSize : 0));
    const double itemEnd = a.Offset(i) + a.Size(i);
    if (itemEnd - pos > room + 0.01) {  // longer than a page: cut it
      c.size = room;
      pos += room;
      cuts.push_back(c);
      continue;
    }
    double used = itemEnd - pos;
    int32_t j = i;
    while (j < s.last && !BreakAfter(s, j) && used + a.Size(j + 1) <= room + 0.01) used += a.Size(++j);
    c.size = used;
    c.last = j;
    cuts.push_back(c);
    if (j >= s.last) break;
    i = j + 1;
    pos = a.Offset(i);
  }
  if (cuts.empty()) cuts.push_back(Cut{a.Offset(s.first), 0, s.first, s.first, false});
  return cuts;
}

// The sheet's printable geometry on its paper at one scale.
struct PaperFrame {
  double paperW = 0, paperH = 0;                 // px
  double left = 0, top = 0, availW = 0, availH = 0;  // printable area, px
  double headW = 0, headH = 0;                   // headings at the print scale
};

int32_t Digits(int32_t v) {
  int32_t d = 1;
  while (v >= 10) v /= 10, ++d;
  return d;
}

PaperFrame FrameFor(const MyWorksheet& sheet, const XlsxGridInfo& g, const LayoutOptions& o, double scale,
                    int32_t lastRow) {
  const PrintSetup& p = sheet.print;
  PaperFrame f;
  double wIn = 0, hIn = 0;
  SheetPaperInches(p, o.pageWidth / std::max(1u, o.xResolution), o.pageHeight / std::max(1u, o.yResolution), &wIn, &hIn);
  f.paperW = wIn * o.xResolution;
  f.paperH = hIn * o.yResolution;
  double l = p.marginLeft * o.xResolution, r = p.marginRight * o.xResolution;
  double t = p.marginTop * o.yResolution, b = p.marginBottom * o.yResolution;
  // Margins that leave almost no paper are shrunk to leave half of it.
  if (l + r > f.paperW * 0.9) {
    const double k = f.paperW * 0.5 / (l + r);
    l *= k, r *= k;
  }
  if (t + b > f.paperH * 0.9) {
    const double k = f.paperH * 0.5 / (t + b);
    t *= k, b *= k;
  }
  f.left = l, f.top = t;
  f.availW = std::max(1.0, f.paperW - l - r);
  f.availH = std::max(1.0, f.paperH - t - b);
  if (p.headings) {
    const double digit = g.digitWidth * o.xResolution / std::max(1.0, g.engineResolution);
    f.headW = (std::max(3, Digits(lastRow)) * digit + 6) * scale;
    f.headH = g.defRowHeightPx * scale;
  }
  return f;
}

void AddBounds(int32_t row, int32_t col, PrintCellRange* r, bool* any) {
  if (!*any) *r = PrintCellRange{row, row, col, col};
  r->RowFirst = std::min(r->RowFirst, row), r->RowLast = std::max(r->RowLast, row);
  r->ColFirst = std::min(r->ColFirst, col), r->ColLast = std::max(r->ColLast, col);
  *any = true;
}

// The areas to print: the print areas, each kept within reach of the grid, or else the used range
// from A1 to the last cell, formatted row or column, merged range, spilled text or drawing
// (`anchors`: the cells they cover).
std::vector<PrintCellRange> PrintRanges(const MyWorksheet& sheet, const XlsxGridInfo& g,
                                        const std::vector<MyCellBounds>& anchors) {
  const int32_t gridRows = std::max<int32_t>(1, static_cast<int32_t>(g.rows.size()));
  const int32_t gridCols = std::max<int32_t>(1, static_cast<int32_t>(g.columns.size()));
  std::vector<PrintCellRange> areas;
  for (PrintCellRange a : sheet.print.printAreas) {
    // Whole columns (rows) print down (across) to the used range; other areas print their blank
    // cells too, up to a bound past the grid.
    if (a.RowLast == kLastRow) a.RowLast = std::max(a.RowFirst, gridRows);
    if (a.ColLast == kLastColumn) a.ColLast = std::max(a.ColFirst, gridCols);
    a.RowLast = std::min(a.RowLast, std::max(a.RowFirst, gridRows) + kAreaRowsPastGrid);
    a.ColLast = std::min(a.ColLast, std::max(a.ColFirst, gridCols) + kAreaColumnsPastGrid);
    a.RowFirst = std::min(a.RowFirst, a.RowLast);
    a.ColFirst = std::min(a.ColFirst, a.ColLast);
    areas.push_back(a);
  }
  if (!areas.empty()) return areas;
  // The used range prints from A1: blank rows and columns before the first cell print as space.
  PrintCellRange used{1, 1, 1, 1};
  bool any = true;
  for (int32_t i = 0; i < sheet.cells.Count(); ++i) AddBounds(sheet.cells[i].row, sheet.cells[i].column, &used, &any);
  const MyCellBounds formats = FormattedExtent(sheet);
  AddBounds(std::max(1, formats.RowLast), std::max(1, formats.ColLast), &used, &any);
  for (int32_t i = 0; i < sheet.mergedCells.Count(); ++i) {
    const MyCellBounds& m = sheet.mergedCells[i].MergeCellsRef;
    AddBounds(m.RowFirst, m.ColFirst, &used, &any);
    AddBounds(m.RowLast, m.ColLast, &used, &any);
  }
  for (const MyCellBounds& a : anchors) {
    AddBounds(std::max(1, a.RowFirst), std::max(1, a.ColFirst), &used, &any);
    AddBounds(std::max(1, a.RowLast), std::max(1, a.ColLast), &used, &any);
  }
  // A styled table prints whole, its empty cells too.
  for (const TableBase& t : sheet.tables.items) {
    if (!t.style || t.range.RowFirst < 1 || t.range.ColFirst < 1) continue;
    AddBounds(t.range.RowFirst, t.range.ColFirst, &used, &any);
    AddBounds(t.range.RowLast, t.range.ColLast, &used, &any);
  }
  used.RowFirst = std::max(1, used.RowFirst);
  used.ColFirst = std::max(1, used.ColFirst);
  used.RowLast = std::min(std::max(used.RowLast, used.RowFirst), gridRows);
  used.ColLast = std::min(std::max(used.ColLast, used.ColFirst), gridCols);
  used.RowFirst = std::min(used.RowFirst, used.RowLast);
  used.ColFirst = std::min(used.ColFirst, used.ColLast);
  areas.push_back(used);
  return areas;
}

double SpanSize(const Axis& a, int32_t first, int32_t last) {
  if (first < 1 || last < first) return 0;
  return a.Offset(last) + a.Size(last) - a.Offset(first);
}

// The title rows and columns and their sizes; titles that would leave less than half of the
// printable length for the body are not repeated.
struct Titles {
  int32_t rowFirst = 0, rowLast = 0, colFirst = 0, colLast = 0;
  double height = 0, width = 0;
};

Titles TitlesFor(const PrintSetup& p, const Axis& cols, const Axis& rows, const PaperFrame& f) {
  Titles t;
  if (p.titleRowFirst >= 1 && p.titleRowLast >= p.titleRowFirst) {
    const double h = SpanSize(rows, p.titleRowFirst, p.titleRowLast);
    if (h > 0 && h <= (f.availH - f.headH) / 2) t.rowFirst = p.titleRowFirst, t.rowLast = p.titleRowLast, t.height = h;
  }
  if (p.titleColFirst >= 1 && p.titleColLast >= p.titleColFirst) {
    const double w = SpanSize(cols, p.titleColFirst, p.titleColLast);
    if (w > 0 && w <= (f.availW - f.headW) / 2) t.colFirst = p.titleColFirst, t.colLast = p.titleColLast, t.width = w;
  }
  return t;
}

struct AreaCuts {
  std::vector<Cut> cols, rows;
};

AreaCuts CutArea(const PrintCellRange& area, const Axis& cols, const Axis& rows, const Titles& t, const PaperFrame& f,
                 const PrintSetup& p, bool withBreaks) {
  AreaCuts out;
  CutSpec cs;
  cs.first = area.ColFirst, cs.last = area.ColLast;
  cs.breaks = withBreaks ? &p.colBreaks : nullptr;
  cs.titleLast = t.colLast, cs.titleSize = t.width;
  cs.avail = f.availW - f.headW;
  out.cols = CutAxis(cols, cs);
  CutSpec rs;
  rs.first = area.RowFirst, rs.last = area.RowLast;
  rs.breaks = withBreaks ? &p.rowBreaks : nullptr;
  rs.titleLast = t.rowLast, rs.titleSize = t.height;
  rs.avail = f.availH - f.headH;
  out.rows = CutAxis(rows, rs);
  return out;
}

// Whether every area fits the fit-to page counts at `percent` of the unscaled grid.
bool FitsAt(const MyWorksheet& sheet, const XlsxGridInfo& g, const LayoutOptions& o,
            const std::vector<PrintCellRange>& areas, int32_t percent) {
  const PrintSetup& p = sheet.print;
  const double k = percent / 100.0;
  const Axis cols = ColumnAxis(g, k), rows = RowAxis(g, k);
  for (const PrintCellRange& area : areas) {
    const PaperFrame f = FrameFor(sheet, g, o, k, area.RowLast);
    const AreaCuts cuts = CutArea(area, cols, rows, TitlesFor(p, cols, rows, f), f, p, false);
    if (p.fitToWidth > 0 && cuts.cols.size() > static_cast<size_t>(p.fitToWidth)) return false;
    if (p.fitToHeight > 0 && cuts.rows.size() > static_cast<size_t>(p.fitToHeight)) return false;
  }
  return true;
}

void PlaceSpan(PrintSpan* span, const Cut& c, double dst) {
  span->src = c.src, span->size = c.size, span->dst = dst, span->first = c.first, span->last = c.last;
}

void TitleSpan(PrintSpan* span, const Axis& a, int32_t first, int32_t last, double dst) {
  span->src = a.Offset(first), span->size = SpanSize(a, first, last), span->dst = dst;
  span->first = first, span->last = last;
}

PrintedPage MakePage(const PaperFrame& f, const PrintSetup& p, const Titles& t, const Axis& cols, const Axis& rows,
                     const Cut& col, const Cut& row) {
  PrintedPage page;
  page.paperWidth = static_cast<int32_t>(std::lround(f.paperW));
  page.paperHeight = static_cast<int32_t>(std::lround(f.paperH));
  const double titleW = col.titles ? t.width : 0, titleH = row.titles ? t.height : 0;
  double x = f.left, y = f.top;
  if (p.horizontalCentered) x += std::max(0.0, (f.availW - f.headW - titleW - col.size) / 2);
  if (p.verticalCentered) y += std::max(0.0, (f.availH - f.headH - titleH - row.size) / 2);
  if (f.headW > 0 || f.headH > 0) {
    page.headingLeft = x, page.headingTop = y;
    page.headingWidth = f.headW, page.headingHeight = f.headH;
  }
  x += f.headW, y += f.headH;
  if (col.titles) TitleSpan(&page.cols[page.colSpans++], cols, t.colFirst, t.colLast, x);
  PlaceSpan(&page.cols[page.colSpans++], col, x + titleW);
  if (row.titles) TitleSpan(&page.rows[page.rowSpans++], rows, t.rowFirst, t.rowLast, y);
  PlaceSpan(&page.rows[page.rowSpans++], row, y + titleH);
  return page;
}

// A right-to-left sheet prints as the mirror image of its left-to-right page inside the printable
// area: the headings' column and the print titles on the right, the columns leftwards from them.
void MirrorPrintedPage(const PaperFrame& f, PrintedPage* page) {
  // Pixel for pixel, as the pieces reflect: a piece at paper x prints from the whole pixel there.
  const double axis = 2 * f.left + f.availW - 1;
  for (int32_t i = 0; i < page->colSpans && i < 2; ++i) {
    PrintSpan& span = page->cols[i];
    span.dst = std::floor(axis - std::floor(span.dst + 0.5) - span.size + 0.5);
  }
  if (page->headingWidth > 0 || page->headingHeight > 0) page->headingLeft = axis - page->headingLeft - page->headingWidth;
}

void AppendNumber(int32_t v, std::u16string* out) {
  for (char ch : std::to_string(v)) *out += static_cast<char16_t>(ch);
}

bool HasOwnWidth(const MyWorksheet& sheet, int32_t column) {
  for (int32_t k = 0; k < sheet.columns.Count(); ++k) {
    const ColumnInfo& c = sheet.columns[k];
    if (c.min <= column && column <= c.max) return c.hasWidth;
  }
  return false;
}

std::vector<AxisCut> CutItems(const std::vector<Cut>& cuts) {
  std::vector<AxisCut> items;
  items.reserve(cuts.size());
  for (const Cut& c : cuts) items.push_back(AxisCut{c.first, c.last});
  return items;
}

// The pages of one print area, in the sheet's page order, as long as the sheet has room for them
// (`*cut` when pages were left out). An area of very many pages makes only those with content
// (its first page when none has any). 1 or -1.
int32_t AddAreaPages(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach, const AreaCuts& cuts,
                  const PaperFrame& f, const Titles& t, const Axis& cols, const Axis& rows, PrintedSheet* out,
                  bool* sparse, bool* cut) {
  const PrintSetup& p = sheet.print;
  const size_t room = out->pages.size() < kMaxSheetPages ? kMaxSheetPages - out->pages.size() : 0;
  const size_t count = cuts.cols.size() * cuts.rows.size();
  if (count > kSparsePageThreshold) {
    std::vector<ContentTile> tiles;
    bool more = false;
    const int32_t r = FindContentTiles(sheet, reach, CutItems(cuts.cols), CutItems(cuts.rows), p.overThenDown, room,
                                       &tiles, &more);
    if (r != XLX_OK) return r;
    if (tiles.empty() && room > 0) tiles.push_back(ContentTile{0, 0});
    for (const ContentTile& tile : tiles)
      out->pages.push_back(MakePage(f, p, t, cols, rows, cuts.cols[size_t(tile.col)], cuts.rows[size_t(tile.row)]));
    *sparse = true;
    *cut = *cut || more;
    return XLX_OK;
  }
  if (count > room) *cut = true;
  auto add = [&](const Cut& c, const Cut& r) {
    if (out->pages.size() < kMaxSheetPages) out->pages.push_back(MakePage(f, p, t, cols, rows, c, r));
  };
  if (p.overThenDown) {
    for (const Cut& r : cuts.rows)
      for (const Cut& c : cuts.cols) add(c, r);
  } else {
    for (const Cut& c : cuts.cols)
      for (const Cut& r : cuts.rows) add(c, r);
  }
  return XLX_OK;
}

}  // namespace

void UseApplicationDefaultWidth(const MyWorksheet& sheet, const LayoutOptions& o, XlsxGridInfo* g) {
  const double unit = o.xResolution / 96.0;
  const double digit = g->digitWidth * o.xResolution / std::max(1.0, g->engineResolution);
  const double w = sheet.dDefColWidth;
  // A width stored whole (`defaultColWidth`, a whole-sheet `col`) is a column width: characters
  // with the padding in them, to the nearest pixel as the application stores widths.
  const double px = sheet.bDefColWidthIsBase ? std::ceil((w * digit + 5 * unit) / (8 * unit)) * 8 * unit
                                             : std::trunc(w * digit + std::trunc(128 / std::max(1.0, digit)) / 256.0 * digit);
  if (!(px > 0) || std::fabs(px - g->defColWidthPx) < 1e-9) return;
  g->defColWidthPx = px;
  double offset = 0;
  for (int32_t i = 1; i <= static_cast<int32_t>(g->columns.size()); ++i) {
    ColumnGeometry& c = g->columns[i - 1];
    if (!c.hidden && !HasOwnWidth(sheet, i)) c.size = px;
    c.offset = offset;
    offset += c.size;
  }
  g->totalWidth = offset;
  g->firstColumnOffset = g->columns.empty() ? 0 : g->columns[std::max(1, g->bounds.ColFirst) - 1].offset;
}

void SheetPaperInches(const PrintSetup& p, double defaultWidthIn, double defaultHeightIn, double* w, double* h) {
  if (!PaperSizeInches(p.paperSize, w, h)) {
    *w = defaultWidthIn > 0 ? defaultWidthIn : 8.5;
    *h = defaultHeightIn > 0 ? defaultHeightIn : 11.0;
  }
  const bool landscape = p.orientation == kOrientationLandscape;
  if (landscape != (*w > *h)) std::swap(*w, *h);
}

double ChoosePrintScale(const MyWorksheet& sheet, const XlsxGridInfo& g, const LayoutOptions& o,
                        const std::vector<MyCellBounds>& anchors) {
  const PrintSetup& p = sheet.print;
  if (!p.fitToPage) {
    if (!p.hasScale || p.scale <= 0) return 1.0;
    return std::min(400, std::max(10, p.scale)) / 100.0;
  }
  if (p.fitToWidth == 0 && p.fitToHeight == 0) return 1.0;
  const std::vector<PrintCellRange> areas = PrintRanges(sheet, g, anchors);
  if (FitsAt(sheet, g, o, areas, 100)) return 1.0;
  int32_t lo = 10, hi = 99;  // the largest whole percent that fits, 10 when none does
  if (!FitsAt(sheet, g, o, areas, lo)) return 0.1;
  while (lo < hi) {
    const int32_t mid = (lo + hi + 1) / 2;
    if (FitsAt(sheet, g, o, areas, mid)) lo = mid;
    else hi = mid - 1;
  }
  return lo / 100.0;
}

int32_t PaginatePrintedSheet(const MyWorksheet& sheet, SheetLayout* l, const LayoutOptions& o,
                             const std::vector<MyCellBounds>& anchors) {
  const XlsxGridInfo& g = l->grid;
  const PrintSetup& p = sheet.print;
  const Axis cols = ColumnAxis(g, 1.0), rows = RowAxis(g, 1.0);
  PrintedSheet& out = l->printed;
  out.pages.clear();
  out.scale = g.scale;
  double wIn = 0, hIn = 0;
  SheetPaperInches(p, o.pageWidth / std::max(1u, o.xResolution), o.pageHeight / std::max(1u, o.yResolution), &wIn, &hIn);
  out.paperWidthIn = wIn, out.paperHeightIn = hIn;
  const bool fit = p.fitToPage && (p.fitToWidth > 0 || p.fitToHeight > 0);
  l->pagesCut = false;
  l->sparse = false;
  try {
    for (const PrintCellRange& area : PrintRanges(sheet, g, anchors)) {
      const PaperFrame f = FrameFor(sheet, g, o, g.scale, area.RowLast);
      const Titles t = TitlesFor(p, cols, rows, f);
      // Fit-to-page prints without the manual breaks.
      const AreaCuts cuts = CutArea(area, cols, rows, t, f, p, !fit);
      const size_t areaFirstPage = out.pages.size();
      const int32_t r = AddAreaPages(sheet, anchors, cuts, f, t, cols, rows, &out, &l->sparse, &l->pagesCut);
      if (r != XLX_OK) return r;
      if (sheet.bRightToLeft)
        for (size_t i = areaFirstPage; i < out.pages.size(); ++i) MirrorPrintedPage(f, &out.pages[i]);
    }
    const PaperFrame nf = FrameFor(sheet, g, o, g.scale, 1);
    AddNotesPages(sheet, int32_t(std::lround(nf.paperW)), int32_t(std::lround(nf.paperH)),
                  DrawRect{nf.left, nf.top, nf.availW, nf.availH}, o.yResolution, &out.pages);
    l->pages.clear();
    for (size_t i = 0; i < out.pages.size(); ++i) {
      out.pages[i].indexInSheet = static_cast<int32_t>(i);
      l->pages.push_back(_PAGEINFO{out.pages[i].paperWidth, out.pages[i].paperHeight, 0, 0});
    }
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  l->pageWidth = l->pages.empty() ? 0 : l->pages[0].nWidth;
  l->pageHeight = l->pages.empty() ? 0 : l->pages[0].nHeight;
  l->contentWidth = g.totalWidth;
  l->contentHeight = g.totalHeight;
  return XLX_OK;
}

namespace {

// The cells the printed range reaches past the stored ones: the passed anchors, every drawing
// object's whole extent and the spilled texts, on the grid as it is laid out now.
std::vector<MyCellBounds> PrintedReach(const MyWorksheet& sheet, const SheetLayout& layout, const LayoutOptions& o,
                                       const std::vector<MyCellBounds>& anchors) {
  std::vector<MyCellBounds> reach = anchors;
  AddDrawingReach(sheet, layout, o, &reach);
  reach.insert(reach.end(), layout.spills.begin(), layout.spills.end());
  return reach;
}

// Widens `bounds` to hold `reach` and the formatted rows and columns; true when it grew.
bool WidenBounds(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach, MyCellBounds* bounds) {
  MyCellBounds b = *bounds;
  const MyCellBounds formats = FormattedExtent(sheet);
  b.RowLast = std::max(b.RowLast, formats.RowLast), b.ColLast = std::max(b.ColLast, formats.ColLast);
  for (const MyCellBounds& r : reach) b.RowLast = std::max(b.RowLast, r.RowLast), b.ColLast = std::max(b.ColLast, r.ColLast);
  b.RowLast = std::min<int32_t>(b.RowLast, kMaxRows), b.ColLast = std::min<int32_t>(b.ColLast, kMaxColumns);
  const bool grew = b.RowLast > bounds->RowLast || b.ColLast > bounds->ColLast;
  *bounds = b;
  return grew;
}

}  // namespace

int32_t LayoutPrintedSheet(const MyWorksheet& sheet, const MyCellBounds* printArea,
                           const std::vector<MyCellBounds>& anchors, const LayoutOptions& o, const DigitMeasure& m,
                           SheetLayout* layout, const CellTextHook* texts) {
  MyCellBounds bounds;
  FixRenderedRange(sheet, printArea, anchors, &bounds, &layout->empty);
  if (!printArea) WidenBounds(sheet, {}, &bounds);
  std::vector<MyCellBounds> reach;
  // The grid is laid out again when drawings or spilled text reach past it, so that the pages
  // they reach have their columns' and rows' own sizes; the second pass does not widen again.
  for (int32_t pass = 0; pass < 2; ++pass) {
    layout->grid = XlsxGridInfo{};
    layout->dPrintScale = 1.0;
    layout->spills.clear();
    int32_t r = BuildGrid(sheet, bounds, o, m, &layout->grid);
    if (r != XLX_OK) return r;
    UseApplicationDefaultWidth(sheet, o, &layout->grid);
    if (sheet.print.fitToPage) reach = PrintedReach(sheet, *layout, o, anchors);
    layout->dPrintScale = ChoosePrintScale(sheet, layout->grid, o, reach);
    ApplyGridScale(&layout->grid, layout->dPrintScale);
    if (texts && texts->run) {
      r = texts->run(texts->context, layout);
      if (r != XLX_OK) return r;
    }
    try {
      reach = PrintedReach(sheet, *layout, o, anchors);
    } catch (...) {
      return XLX_ERR_MEMORY;
    }
    if (!reach.empty()) layout->empty = false;
    if (printArea || pass == 1 || !WidenBounds(sheet, reach, &bounds)) break;
  }
  layout->reach = reach;
  return PaginatePrintedSheet(sheet, layout, o, reach);
}

void NumberPrintedPages(std::vector<SheetLayout>& layouts, const std::vector<const MyWorksheet*>& sheets) {
  int32_t total = 0;
  for (const SheetLayout& l : layouts) total += static_cast<int32_t>(l.printed.pages.size());
  int32_t next = 1;
  for (size_t s = 0; s < layouts.size(); ++s) {
    const MyWorksheet* sheet = s < sheets.size() ? sheets[s] : nullptr;
    int32_t number = sheet && sheet->print.useFirstPageNumber ? sheet->print.firstPageNumber : next;
    for (PrintedPage& page : layouts[s].printed.pages) page.pageNumber = number++;
    layouts[s].printed.totalPages = total;
    next += static_cast<int32_t>(layouts[s].printed.pages.size());
  }
}

void AppendColumnLetters(int32_t col, std::u16string* out) {
  char16_t buf[4];
  int32_t n = 0;
  for (int32_t c = std::max(1, col); c > 0 && n < 4; c = (c - 1) / 26) buf[n++] = static_cast<char16_t>(u'A' + (c - 1) % 26);
  while (n > 0) *out += buf[--n];
}

bool PrintedErrorText(int32_t errors, std::u16string* text) {
  switch (errors) {
    case kPrintErrorsBlank: return false;
    case kPrintErrorsDash: *text = u"--"; return true;
    case kPrintErrorsNA: *text = u"#N/A"; return true;
    default: return true;
  }
}

std::u16string PrintedPageRange(const PrintedPage& page) {
  std::u16string text;
  if (page.colSpans < 1 || page.rowSpans < 1) return text;
  const PrintSpan& c = page.cols[page.colSpans - 1];
  const PrintSpan& r = page.rows[page.rowSpans - 1];
  AppendColumnLetters(c.first, &text);
  AppendNumber(r.first, &text);
  text += u':';
  AppendColumnLetters(c.last, &text);
  AppendNumber(r.last, &text);
  return text;
}

}  // namespace xlx
