// Table formatting of a page. Each covered cell takes the elements of its table's style in the
// order the application layers them: the whole table, column stripes, row stripes, the last and
// first columns, the header and totals rows and their corner cells (pivot tables: their row labels,
// header, column subheadings and subtotal columns, row subheadings, subtotal, blank and grand-total
// rows). A later element wins for each property
// it sets. Fills and borders are painted here, before the cells draw their own over them.
#include "view/cells/tables.h"

#include <algorithm>
#include <vector>

#include "common/progress.h"
#include "common/resultcodes.h"
#include "view/cells/cellpass.h"

namespace xlx {
namespace {

struct Area {
  int32_t r0, r1, c0, c1;  // inclusive; empty when r0 > r1 or c0 > c1
};

class CellResolver {
 public:
  CellResolver(const TableBase& t, int32_t row, int32_t col, TableCellFormat* out)
      : t_(t), s_(*t.style), row_(row), col_(col), out_(out) {}

  void Resolve() {
    if (t_.kind == kTableKindPivot) ResolvePivot();
    else ResolveTable();
  }

 private:
  void ResolveTable() {
    const TableBounds& r = t_.range;
    const bool header = t_.headerRowCount > 0, totals = t_.totalsRowCount > 0;
    const Area body{r.RowFirst + (header ? 1 : 0), r.RowLast - (totals ? 1 : 0), r.ColFirst, r.ColLast};
    Apply(kTseWholeTable, Area{r.RowFirst, r.RowLast, r.ColFirst, r.ColLast});
    if (t_.showColumnStripes) Stripe(kTseFirstColumnStripe, kTseSecondColumnStripe, false, body);
    if (t_.showRowStripes) Stripe(kTseFirstRowStripe, kTseSecondRowStripe, true, body);
    if (t_.showLastColumn) Apply(kTseLastColumn, Area{r.RowFirst, r.RowLast, r.ColLast, r.ColLast});
    if (t_.showFirstColumn) Apply(kTseFirstColumn, Area{r.RowFirst, r.RowLast, r.ColFirst, r.ColFirst});
    if (header) Apply(kTseHeaderRow, Area{r.RowFirst, r.RowFirst, r.ColFirst, r.ColLast});
    if (totals) Apply(kTseTotalRow, Area{r.RowLast, r.RowLast, r.ColFirst, r.ColLast});
    if (header && t_.showFirstColumn) Apply(kTseFirstHeaderCell, Area{r.RowFirst, r.RowFirst, r.ColFirst, r.ColFirst});
    if (header && t_.showLastColumn) Apply(kTseLastHeaderCell, Area{r.RowFirst, r.RowFirst, r.ColLast, r.ColLast});
    if (totals && t_.showFirstColumn) Apply(kTseFirstTotalCell, Area{r.RowLast, r.RowLast, r.ColFirst, r.ColFirst});
    if (totals && t_.showLastColumn) Apply(kTseLastTotalCell, Area{r.RowLast, r.RowLast, r.ColLast, r.ColLast});
  }

  void ResolvePivot() {
    const TableBounds& r = t_.range;
    const PivotLayout& p = t_.pivot;
    const int32_t dataRow = r.RowFirst + p.firstDataRow, dataCol = r.ColFirst + p.firstDataCol;
    Apply(kTseWholeTable, Area{r.RowFirst, r.RowLast, r.ColFirst, r.ColLast});
    ApplyPageField(r);
    if (t_.showColumnStripes) Stripe(kTseFirstColumnStripe, kTseSecondColumnStripe, false, Area{dataRow, r.RowLast, dataCol, r.ColLast});
    if (t_.showRowStripes) Stripe(kTseFirstRowStripe, kTseSecondRowStripe, true, Area{dataRow, r.RowLast, r.ColFirst, r.ColLast});
    if (p.showRowHeaders) Apply(kTseFirstColumn, Area{dataRow, r.RowLast, r.ColFirst, dataCol - 1});
    if (p.showColHeaders) Apply(kTseHeaderRow, Area{r.RowFirst, dataRow - 1, r.ColFirst, r.ColLast});
    if (p.showColHeaders) Apply(kTseFirstHeaderCell, Area{r.RowFirst, dataRow - 1, r.ColFirst, dataCol - 1});
    // Column labels of the top-level column items, then subtotal columns from the labels down.
    const int32_t headerRow = r.RowFirst + p.firstHeaderRow;
    // The offset lists ascend as the items are read: one search per list, however long.
    const int32_t atCol = col_ - r.ColFirst, atRow = row_ - r.RowFirst;
    if (Listed(p.subheadingCols, atCol)) Apply(kTseFirstColumnSubheading, Area{headerRow, headerRow, col_, col_});
    if (Listed(p.subtotalCols, atCol)) Apply(kTseFirstSubtotalColumn, Area{headerRow, r.RowLast, col_, col_});
    if (Listed(p.subheadingRows, atRow)) ApplyRow(kTseFirstRowSubheading, row_);
    if (Listed(p.subtotalRows, atRow)) ApplyRow(kTseFirstSubtotalRow, row_);
    if (Listed(p.blankRows, atRow)) ApplyRow(kTseBlankRow, row_);
    if (p.grandTotalCol >= 0 && t_.showLastColumn)
      Apply(kTseLastColumn, Area{r.RowFirst, r.RowLast, r.ColFirst + p.grandTotalCol, r.ColFirst + p.grandTotalCol});
    if (p.grandTotalRow >= 0) ApplyRow(kTseTotalRow, r.RowFirst + p.grandTotalRow);
  }

  // Report filters fill their rows above the table first, then the next group of three columns.
  void ApplyPageField(const TableBounds& r) {
    const PivotLayout& p = t_.pivot;
    const int32_t top = r.RowFirst - 1 - p.pageRows;
    if (p.pageRows < 1 || row_ < top || row_ >= r.RowFirst - 1 || col_ < r.ColFirst) return;
    const int32_t group = (col_ - r.ColFirst) / 3, within = (col_ - r.ColFirst) % 3;
    if (within == 2 || int64_t(group) * p.pageRows + (row_ - top) >= p.pageFieldCount) return;
    const int32_t labelCol = r.ColFirst + group * 3;
    Apply(within == 0 ? kTsePageFieldLabels : kTsePageFieldValues, Area{row_, row_, labelCol + within, labelCol + within});
  }

  static bool Listed(const std::vector<int32_t>& offsets, int32_t offset) {
    return std::binary_search(offsets.begin(), offsets.end(), offset);
  }

  void ApplyRow(int32_t type, int32_t row) {
    if (row == row_) Apply(type, Area{row, row, t_.range.ColFirst, t_.range.ColLast});
  }

  // Bands of `size` rows (or columns) counted from the start of `body`, first and second in turn.
  void Stripe(int32_t first, int32_t second, bool rows, const Area& body) {
    const int32_t pos = rows ? row_ - body.r0 : col_ - body.c0;
    if (pos < 0 || row_ > body.r1 || col_ > body.c1 || row_ < body.r0 || col_ < body.c0) return;
    const int32_t size1 = std::max(1, s_.elements[first].size), size2 = std::max(1, s_.elements[second].size);
    const int32_t k = pos % (size1 + size2);
    const bool isFirst = k < size1;
    const int32_t start = (rows ? row_ : col_) - (isFirst ? k : k - size1);
    const int32_t end = start + (isFirst ? size1 : size2) - 1;
    Area band = body;
    if (rows) band.r0 = start, band.r1 = std::min(end, body.r1);
    else band.c0 = start, band.c1 = std::min(end, body.c1);
    Apply(isFirst ? first : second, band);
  }

  void Side(const BorderSide& side, BorderSide* out, int32_t* order) const {
    if (side.pattern == kLineNone) return;
    *out = side;
    *order = applied_;
  }

  void Apply(int32_t type, const Area& a) {
    if (a.r0 > a.r1 || a.c0 > a.c1 || row_ < a.r0 || row_ > a.r1 || col_ < a.c0 || col_ > a.c1) return;
    const TableStyleElementFormat& e = s_.elements[type];
    if (!e.present) return;
    ++applied_;
    const Dxf& d = e.dxf;
    if ((d.mask & kDxfFill) && d.fill.kind != kFillNone) {
      out_->hasFill = true;
      out_->fill = d.fill.kind == kFillSolid ? d.fill.foreColor : d.fill.backColor;
    }
    if (d.mask & kDxfFont) {
      if (d.font.flags & kDxfFontColor) {
        out_->hasFontColor = true;
        out_->fontColor = d.font.font.color;
      }
      if (d.font.flags & kDxfFontBold) out_->bold = d.font.font.lfWeight >= 700;
    }
    if (d.mask & kDxfBorder) {
      const MyBorder& b = d.border;
      Side(col_ == a.c0 ? b.left : b.vertical, &out_->left, &out_->leftOrder);
      Side(col_ == a.c1 ? b.right : b.vertical, &out_->right, &out_->rightOrder);
      Side(row_ == a.r0 ? b.top : b.horizontal, &out_->top, &out_->topOrder);
      Side(row_ == a.r1 ? b.bottom : b.horizontal, &out_->bottom, &out_->bottomOrder);
    }
  }

  const TableBase& t_;
  const ResolvedTableStyle& s_;
  int32_t row_, col_;
  TableCellFormat* out_;
  int32_t applied_ = 0;  // elements applied so far
};


// Cell geometry of the page in world pixels, as the cell pass measures it.
class TablePass {
 public:
  TablePass(const PageRenderRequest& r, DrawingSurface* s, const CellPassFrame& f)
      : r_(r), s_(s), f_(f), g_(r.layout->grid) {}

  int32_t Run() {
    const SheetTables& tables = r_.sheet->tables;
    int32_t rc = XLX_OK, done = 0;
    for (const TableBase& t : tables.items) {
      if (!t.style || t.range.RowFirst < 1 || t.range.ColFirst < 1) continue;
      if ((rc = DrawTable(t, &done)) != XLX_OK) return rc;
    }
    return XLX_OK;
  }

 private:
  double ColLeft(int32_t c) const { return GridColumnLeft(g_, c); }
  double ColWidth(int32_t c) const { return GridColumnWidth(g_, c); }
  double RowTop(int32_t r) const { return GridRowTop(g_, r); }
  double RowHeight(int32_t r) const { return GridRowHeight(g_, r); }

  // First and last row of [first, last] whose pixels meet the page; false when none do.
  bool VisibleRows(int32_t first, int32_t last, int32_t* from, int32_t* to) const {
    const double top = f_.top - r_.options.marginTop, bottom = f_.bottom - r_.options.marginTop;
    int32_t lo = first, hi = last;
    while (lo < hi) {  // first row whose bottom reaches the page
      int32_t mid = lo + (hi - lo) / 2;
      if (RowTop(mid) + RowHeight(mid) < top) lo = mid + 1;
      else hi = mid;
    }
    *from = lo;
    hi = last;
    while (lo < hi) {  // last row whose top is on the page
      int32_t mid = lo + (hi - lo + 1) / 2;
      if (RowTop(mid) > bottom) hi = mid - 1;
      else lo = mid;
    }
    *to = lo;
    return RowTop(*from) <= bottom && RowTop(*to) + RowHeight(*to) >= top;
  }

  // The cells of one table that meet the page, resolved once: rows and columns with their world
  // positions (page margins included), and the format of each cell, row by row.
  struct Window {
    std::vector<int32_t> rows, cols;
    std::vector<double> ys, hs, xs, ws;
    std::vector<TableCellFormat> cells;
    const TableCellFormat& At(size_t i, size_t j) const { return cells[i * cols.size() + j]; }
  };

  int32_t DrawTable(const TableBase& t, int32_t* done) {
    int32_t rowFrom = 0, rowTo = 0;
    const TableBounds b = DrawnBounds(t);
    if (!VisibleRows(b.RowFirst, b.RowLast, &rowFrom, &rowTo)) return XLX_OK;
    // A piece's closing strip shows the edge of its last row and column, nothing of the next.
    if (r_.closingEdge == kEdgeBelow) {
      if (RowTop(rowFrom) >= f_.top - r_.options.marginTop - 0.5) return XLX_OK;
      rowTo = rowFrom;
    }
    Window win;
    const double left = f_.left - r_.options.marginLeft, right = f_.right - r_.options.marginLeft;
    for (int32_t col = t.range.ColFirst; col <= t.range.ColLast; ++col) {
      const double x = ColLeft(col), w = ColWidth(col);
      if (x > right || (r_.closingEdge == kEdgeRight && x >= left - 0.5)) break;
      if (w <= 0 || x + w < left) continue;
      win.cols.push_back(col), win.xs.push_back(r_.options.marginLeft + x), win.ws.push_back(w);
    }
    for (int32_t row = rowFrom; row <= rowTo; ++row) {
      const double h = RowHeight(row);
      if (h <= 0) continue;
      win.rows.push_back(row), win.ys.push_back(r_.options.marginTop + RowTop(row)), win.hs.push_back(h);
    }
    if (win.cols.empty() || win.rows.empty()) return XLX_OK;
    win.cells.resize(win.rows.size() * win.cols.size());
    int32_t rc = XLX_OK;
    for (size_t i = 0; i < win.rows.size() && rc == XLX_OK; ++i)
      for (size_t j = 0; j < win.cols.size() && rc == XLX_OK; ++j) {
        ResolveTableCell(t, win.rows[i], win.cols[j], &win.cells[i * win.cols.size() + j]);
        if (++*done % 1000 == 0) rc = PollProgress(r_.progress);
      }
    // Fills first, so that no cell's fill covers a border of its neighbour.
    for (size_t i = 0; i < win.rows.size() && rc == XLX_OK; ++i)
      for (size_t j = 0; j < win.cols.size() && rc == XLX_OK; ++j)
        rc = DrawFill(win.At(i, j), win.xs[j], win.ys[i], win.ws[j], win.hs[i]);
    for (size_t i = 0; i < win.rows.size() && rc == XLX_OK; ++i)
      for (size_t j = 0; j < win.cols.size() && rc == XLX_OK; ++j) rc = DrawEdges(t, win, i, j);
    return rc;
  }

  // Of the two sides that meet on an edge, the one set by the later element; `own` on a tie.
  static const BorderSide& Meeting(const BorderSide& own, int32_t ownOrder, const BorderSide& other, int32_t otherOrder) {
    if (other.pattern == kLineNone) return own;
    if (own.pattern == kLineNone) return other;
    return otherOrder > ownOrder ? other : own;
  }

  // The top and left edges of cell (i, j), and its bottom and right edges where no cell of the
  // window follows. A neighbour outside the window is resolved on its own.
  int32_t DrawEdges(const TableBase& t, const Window& win, size_t i, size_t j) {
    const TableCellFormat& c = win.At(i, j);
    const int32_t row = win.rows[i], col = win.cols[j];
    const double x = win.xs[j], y = win.ys[i], w = win.ws[j], h = win.hs[i];
    TableCellFormat other;
    const TableCellFormat* above = i > 0 ? &win.At(i - 1, j) : ResolveTableCell(t, row - 1, col, &other) ? &other : nullptr;
    int32_t rc = HorizontalEdge(above ? Meeting(c.top, c.topOrder, above->bottom, above->bottomOrder) : c.top, x, w, y);
    const TableCellFormat* before = j > 0 ? &win.At(i, j - 1) : ResolveTableCell(t, row, col - 1, &other) ? &other : nullptr;
    if (rc == XLX_OK)
      rc = VerticalEdge(before ? Meeting(c.left, c.leftOrder, before->right, before->rightOrder) : c.left, x, y, h);
    if (rc == XLX_OK && i + 1 == win.rows.size()) {
      const bool below = ResolveTableCell(t, row + 1, col, &other);
      rc = HorizontalEdge(below ? Meeting(c.bottom, c.bottomOrder, other.top, other.topOrder) : c.bottom, x, w, y + h);
    }
    if (rc == XLX_OK && j + 1 == win.cols.size()) {
      const bool after = ResolveTableCell(t, row, col + 1, &other);
      rc = VerticalEdge(after ? Meeting(c.right, c.rightOrder, other.left, other.leftOrder) : c.right, x + w, y, h);
    }
    return rc;
  }

  int32_t Line(const BorderSide& side, double x1, double y1, double x2, double y2, bool vertical) {
    if (side.pattern == kLineNone) return XLX_OK;
    const CellColor color = r_.blackAndWhite ? kColorBlack : side.color;
    return DrawBorderLine(s_, side, Opaque(color), x1, y1, x2, y2, vertical);
  }

  // An edge along y from world x over width w; a right-to-left sheet reflects its span.
  int32_t HorizontalEdge(const BorderSide& side, double x, double w, double y) {
    const double left = r_.options.mirror.Left(x, w);
    return Line(side, left, y, left + w, y, false);
  }

  // An upright edge at world x from y over height h. Reflected, a two-pixel side keeps its extra
  // pixel on the side of the edge it was on.
  int32_t VerticalEdge(const BorderSide& side, double x, double y, double h) {
    const PageMirror& m = r_.options.mirror;
    const double at = m.X(x) + (m.on && side.weight == kBorderMedium ? 1 : 0);
    return Line(side, at, y, at, y + h, true);
  }

  int32_t DrawFill(const TableCellFormat& format, double x0, double y, double w, double h) {
    if (!format.hasFill || r_.blackAndWhite || format.fill == kColorAutomatic || (format.fill >> 24) == 0) return XLX_OK;
    const double x = r_.options.mirror.Left(x0, w);
    VkBrush* brush = nullptr;
    VkPen* pen = nullptr;
    SetDrawSmoothing(s_, false);
    int32_t rc = SetDrawBrush(Opaque(format.fill), kBrushSolid, 0, &brush);
    // The outline in the fill's colour covers the gridlines along the cell's edges.
    if (rc == XLX_OK) rc = SetDrawPen(Opaque(format.fill), kPenSolid, 1.0, nullptr, 0, &pen);
    if (rc == XLX_OK) rc = AddDrawRectangle(s_, pen, brush, x, y, w, h);
    FreeDrawPen(pen);
    FreeDrawBrush(brush);
    SetDrawSmoothing(s_, true);
    return rc;
  }

  const PageRenderRequest& r_;
  DrawingSurface* s_;
  CellPassFrame f_;
  const XlsxGridInfo& g_;
};

}  // namespace

bool ResolveTableCell(const TableBase& table, int32_t row, int32_t column, TableCellFormat* out) {
  *out = TableCellFormat();
  const TableBounds r = DrawnBounds(table);
  if (!table.style || row < r.RowFirst || row > r.RowLast || column < r.ColFirst || column > r.ColLast) return false;
  CellResolver(table, row, column, out).Resolve();
  return true;
}

int32_t DrawTableFormats(const PageRenderRequest& request, DrawingSurface* surface, const CellPassFrame& frame) {
  if (!request.sheet || !request.layout || request.sheet->tables.items.empty()) return XLX_OK;
  return TablePass(request, surface, frame).Run();
}

const MyLogFont& TableFontFor(const MyWorksheet& sheet, const CellRecord& cell, int32_t fontId, const MyLogFont& font,
                              MyLogFont* scratch) {
  if (sheet.tables.items.empty()) return font;
  const TableBase* table = FindTableAt(sheet.tables, cell.row, cell.column);
  TableCellFormat format;
  if (!table || !ResolveTableCell(*table, cell.row, cell.column, &format)) return font;
  // A font of the cell's own keeps its colour when it changed the workbook's; a cell's font
  // cannot say "not bold", so the table's bold always shows.
  const bool ownColour = fontId > 0 && font.color != sheet.normalFont.color;
  const bool colour = format.hasFontColor && !ownColour && font.color != format.fontColor;
  const bool bold = format.bold && font.lfWeight < 700;
  if (!colour && !bold) return font;
  *scratch = font;
  if (colour) scratch->color = format.fontColor;
  if (bold) scratch->lfWeight = 700;
  return *scratch;
}

}  // namespace xlx
