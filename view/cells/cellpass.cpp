// Cells of one page. Fills are painted first, then borders, then text, so that text spilling
// into empty neighbours stays above their fills and the grid.
#include "common/limits.h"
#include "view/cells/cellpass.h"

#include <algorithm>
#include <deque>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "common/progress.h"
#include "common/resultcodes.h"
#include "values/format/numformat.h"
#include "view/cells/borderlean.h"
#include "view/condfmt/blanks.h"
#include "view/condfmt/condfmt.h"
#include "view/cells/gradientfill.h"
#include "view/print/print.h"
#include "view/cells/tables.h"
#include "view/cells/text.h"

namespace xlx {
namespace {

// Resolved colours are drawn opaque.
bool IsPaintable(CellColor c) { return (c & 0xFFFFFF) != 0xFFFFFF && (c >> 24) != 0; }
bool IsResolved(CellColor c) { return c != kColorAutomatic && (c >> 24) != 0; }
// Font colours are resolved when read (automatic is the window-text colour), so every colour with
// the marker byte is drawn as it is, 0xFFFFFFFF as white.
bool HasMarker(CellColor c) { return (c >> 24) != 0; }

uint64_t Key(int32_t row, int32_t col) { return (static_cast<uint64_t>(row) << 16) | static_cast<uint16_t>(col); }

// One visible cell with its rectangle in world pixels.
struct PlacedCell {
  const CellRecord* cell;
  double left, top, width, height;
  int32_t merge;  // index of the merged range it heads, or -1
  int32_t cond = -1;  // index of its conditional formats in the pass, or -1
};

// What the text of one cell is drawn with, once its font, text and colours are known.
struct CellTextJob {
  const PlacedCell& p;
  const CellAlignment& align;
  const MyLogFont& modelFont;  // the cell's font with the table's and the rules' changes
  const CachedDrawFont& font;
  double scale;                // print scale the fonts are drawn at
  const CellCondResult* cond;
  CellText text;
  bool ink = true;             // false: black-and-white printing
  CellColor fontColor = 0, color = 0;
  int32_t horizontal = 0;      // the alignment in effect
  uint32_t rtl = 0;            // kTextRightToLeft for right-to-left text
  int32_t length = 0;          // of text.text, in units
  TextBox box;                 // the cell's inner box (not for turned text)
};

class CellPass {
 public:
  CellPass(const PageRenderRequest& r, DrawingSurface* s, FontCache& fonts, const CellPassFrame& f)
      : r_(r), s_(s), fonts_(fonts), f_(f), sheet_(*r.sheet), g_(r.layout->grid), styles_(r.workbook->styles) {}

  int32_t Run() {
    IndexMerges();
    CollectCells();
    EvaluateConditions();
    AddAbsentCondCells();
    int32_t rc = XLX_OK;
    int32_t done = 0;
    for (const PlacedCell& p : cells_) {
      if (PastClosingEdge(p)) continue;
      if ((rc = DrawFill(p)) != XLX_OK) return rc;
      if (++done % 1000 == 0 && (rc = PollProgress(r_.progress)) != XLX_OK) return rc;
    }
    for (const PlacedCell& p : cells_)
      if ((rc = DrawBorders(p)) != XLX_OK) return rc;
    for (const PlacedCell& p : cells_) {
      if (PastClosingEdge(p)) continue;
      if ((rc = DrawText(p)) != XLX_OK) return rc;
      if (++done % 1000 == 0 && (rc = PollProgress(r_.progress)) != XLX_OK) return rc;
    }
    return XLX_OK;
  }

 private:
  // A cell of the next row or column, met by a piece's closing strip.
  bool PastClosingEdge(const PlacedCell& p) const {
    if (r_.closingEdge == kEdgeBelow) return p.top >= f_.top - 0.5;
    if (r_.closingEdge == kEdgeRight) return p.left >= f_.left - 0.5;
    return false;
  }
  double Mx() const { return r_.options.marginLeft; }
  // Where a span of the left-to-right page is drawn on a right-to-left sheet's page.
  const PageMirror& Mirror() const { return r_.options.mirror; }
  double MirroredLeft(const PlacedCell& p) const { return Mirror().Left(p.left, p.width); }
  double My() const { return r_.options.marginTop; }
  bool AllVisible() const { return r_.options.loadMode != kLoadPaginated && r_.options.sizeMode != 0; }

  double ColLeft(int32_t c) const { return GridColumnLeft(g_, c); }
  double ColWidth(int32_t c) const { return GridColumnWidth(g_, c); }
  double RowTop(int32_t r) const { return GridRowTop(g_, r); }
  double RowHeight(int32_t r) const { return GridRowHeight(g_, r); }

  void IndexMerges() {
    for (int32_t i = 0; i < sheet_.mergedCells.Count(); ++i) {
      const MyCellBounds& m = sheet_.mergedCells[i].MergeCellsRef;
      if (m.RowFirst < 1 || m.ColFirst < 1 || m.RowLast < m.RowFirst || m.ColLast < m.ColFirst) continue;
      int64_t area = static_cast<int64_t>(m.RowLast - m.RowFirst + 1) * (m.ColLast - m.ColFirst + 1);
      if (area > 200000 || covered_.size() > 2000000) continue;
      for (int32_t row = m.RowFirst; row <= m.RowLast; ++row)
        // Ranges that overlap: the first that covers a cell owns it.
        for (int32_t col = m.ColFirst; col <= m.ColLast; ++col) covered_.emplace(Key(row, col), static_cast<int32_t>(i));
    }
  }

  // Rows that meet the page, and merged ranges that reach into it from above.
  void CollectCells() {
    int32_t firstRow = 1, lastRow = static_cast<int32_t>(g_.rows.size());
    if (!AllVisible()) {
      auto first = std::lower_bound(g_.rows.begin(), g_.rows.end(), f_.top - My(),
                                    [](const RowGeometry& row, double v) { return row.offset + row.size < v; });
      firstRow = static_cast<int32_t>(first - g_.rows.begin()) + 1;
      auto last = std::upper_bound(g_.rows.begin(), g_.rows.end(), f_.bottom - My(),
                                   [](double v, const RowGeometry& row) { return v < row.offset; });
      lastRow = static_cast<int32_t>(last - g_.rows.begin());
    }
    pageRow1_ = firstRow, pageRow2_ = lastRow;
    for (int32_t i = 0; i < sheet_.mergedCells.Count(); ++i) {
      const MyCellBounds& m = sheet_.mergedCells[i].MergeCellsRef;
      if (m.RowFirst < firstRow && m.RowLast >= firstRow)
        if (const CellRecord* head = FindCell(sheet_, m.RowFirst, m.ColFirst)) Place(*head);
    }
    for (int32_t i = FirstCellAtOrAfterRow(sheet_, firstRow); i < static_cast<int32_t>(sheet_.cells.Count()); ++i) {
      const CellRecord& c = sheet_.cells[i];
      if (c.row > lastRow) break;
      Place(c);
    }
  }

  void Place(const CellRecord& c) {
    if (c.row < 1 || c.column < 1) return;
    if (RowHeight(c.row) <= 0 || ColWidth(c.column) <= 0) return;  // hidden row or column
    PlacedCell p{&c, Mx() + ColLeft(c.column), My() + RowTop(c.row), ColWidth(c.column), RowHeight(c.row), -1};
    auto m = covered_.find(Key(c.row, c.column));
    if (m != covered_.end()) {
      const MyCellBounds& b = sheet_.mergedCells[m->second].MergeCellsRef;
      if (b.RowFirst != c.row || b.ColFirst != c.column) return;  // drawn through the range's first cell
      p.merge = m->second;
      p.width = ColLeft(b.ColLast) + ColWidth(b.ColLast) - ColLeft(b.ColFirst);
      p.height = RowTop(b.RowLast) + RowHeight(b.RowLast) - RowTop(b.RowFirst);
    }
    if (!AllVisible() && !Overlaps(p.left, p.top, p.left + p.width, p.top + p.height) && !MaySpill(c)) return;
    cells_.push_back(p);
  }

  // The conditional formats of the page's cells, from the rules whose ranges meet them.
  void EvaluateConditions() {
    if (!sheet_.condFormats || cells_.empty()) return;
    int32_t row1 = INT32_MAX, col1 = INT32_MAX, row2 = 0, col2 = 0;
    for (const PlacedCell& p : cells_) {
      row1 = std::min(row1, p.cell->row), row2 = std::max(row2, p.cell->row);
      col1 = std::min<int32_t>(col1, p.cell->column), col2 = std::max<int32_t>(col2, p.cell->column);
    }
    CondFmtPage page(*r_.workbook, sheet_, row1, col1, row2, col2);
    if (page.Empty()) return;
    CellCondResult result;
    conds_.reserve(cells_.size());
    for (PlacedCell& p : cells_) {
      if (!page.Evaluate(p.cell->row, p.cell->column, &result)) continue;
      p.cond = static_cast<int32_t>(conds_.size());
      conds_.push_back(result);
    }
  }
  // Empty cells the sheet does not store that rules holding for empty cells paint, placed as cells
  // of their row's or column's style.
  void AddAbsentCondCells() {
    if (!sheet_.condFormats) return;
    int32_t col1 = 1, col2 = static_cast<int32_t>(g_.columns.size());
    if (!AllVisible()) {
      auto first = std::lower_bound(g_.columns.begin(), g_.columns.end(), f_.left - Mx(),
                                    [](const ColumnGeometry& c, double v) { return c.offset + c.size < v; });
      col1 = static_cast<int32_t>(first - g_.columns.begin()) + 1;
      auto last = std::upper_bound(g_.columns.begin(), g_.columns.end(), f_.right - Mx(),
                                   [](double v, const ColumnGeometry& c) { return v < c.offset; });
      col2 = static_cast<int32_t>(last - g_.columns.begin());
    }
    std::vector<AbsentCondCell> found;
    FindAbsentCondCells(*r_.workbook, sheet_, pageRow1_, col1, pageRow2_, col2, &found);
    for (const AbsentCondCell& a : found) {
      CellRecord record;
      record.row = a.row, record.column = static_cast<uint16_t>(a.col);
      record.styleIndex = AbsentCellStyle(sheet_, a.row, a.col);
      absent_.push_back(record);
      const size_t placed = cells_.size();
      Place(absent_.back());
      if (cells_.size() == placed) continue;
      cells_.back().cond = static_cast<int32_t>(conds_.size());
      conds_.push_back(a.result);
    }
  }
  const CellCondResult* CondOf(const PlacedCell& p) const { return p.cond >= 0 ? &conds_[size_t(p.cond)] : nullptr; }

  bool Overlaps(double l, double t, double rt, double b) const {
    return rt >= f_.left && l <= f_.right && b >= f_.top && t <= f_.bottom;
  }

  // A text cell left of the page may spill into it; it is kept and tested when its text is known.
  bool MaySpill(const CellRecord& c) const {
    double top = My() + RowTop(c.row), bottom = top + RowHeight(c.row);
    return bottom >= f_.top && top <= f_.bottom && c.type != kCellUnknown && (c.flags & kCellHasValue);
  }

  int32_t DrawFill(const PlacedCell& p) {
    const CellXf& xf = GetCellXf(styles_, p.cell->styleIndex);
    const CellCondResult* cond = CondOf(p);
    const FillSpec fill = cond ? CondFill(GetFill(styles_, xf.fillId), *cond) : GetFill(styles_, xf.fillId);
    SetDrawSmoothing(s_, false);
    int32_t rc = XLX_OK;
    VkBrush* brush = nullptr;
    VkPen* pen = nullptr;
    // Black-and-white printing leaves cell fills out.
    const bool filled = !r_.blackAndWhite && IsResolved(fill.foreColor);
    // A gradient's stops may be white, which reads as automatic in the solid colour.
    if (fill.kind == kFillSolid && !r_.blackAndWhite && fill.gradient.stopCount >= 2) {
      rc = DrawFillGradient(s_, fill.gradient, DrawRect{p.left, p.top, p.width, p.height});
    } else if (fill.kind == kFillSolid && filled) {
      rc = SetDrawBrush(Opaque(fill.foreColor), kBrushSolid, 0, &brush);
      // The outline in the fill's colour covers the gridlines along the cell's edges.
      if (rc == XLX_OK) rc = SetDrawPen(Opaque(fill.foreColor), kPenSolid, 1.0, nullptr, 0, &pen);
      if (rc == XLX_OK) rc = AddDrawRectangle(s_, pen, brush, MirroredLeft(p), p.top, p.width, p.height);
    } else if (fill.kind == kFillPattern && filled) {
      // The model's hatch kinds are the drawing layer's hatch groups.
      const int32_t group = fill.hatch >= kHatchHorizontal && fill.hatch <= kHatchDiagonalCross ? fill.hatch
                                                                                               : kHatchDiagonalCross;
      CellColor back = IsResolved(fill.backColor) ? fill.backColor : MakeCellColor(255, 255, 255);
      rc = SetDrawHatchBrush(Opaque(fill.foreColor), Opaque(back), kBrushHatch, group, &brush);
      if (rc == XLX_OK) rc = AddDrawRectangle(s_, nullptr, brush, MirroredLeft(p), p.top, p.width, p.height);
    } else if (p.merge >= 0) {
      // A merged range hides the gridlines inside it.
      CellColor back = IsPaintable(sheet_.clBackColor) ? sheet_.clBackColor : MakeCellColor(255, 255, 255);
      rc = SetDrawBrush(Opaque(back), kBrushSolid, 0, &brush);
      if (rc == XLX_OK && r_.showGridLines) rc = SetDrawPen(Opaque(r_.gridColor), kPenSolid, 1.0, nullptr, 0, &pen);
      if (rc == XLX_OK) rc = AddDrawRectangle(s_, pen, brush, MirroredLeft(p), p.top, p.width, p.height);
    }
    FreeDrawPen(pen);
    FreeDrawBrush(brush);
    SetDrawSmoothing(s_, true);
    if (rc == XLX_OK && cond && cond->bar) rc = DrawDataBar(*cond, DrawRect{MirroredLeft(p), p.top, p.width, p.height});
    return rc;
  }

  // A bar whose direction follows the sheet grows from the right edge on a right-to-left sheet.
  int32_t DrawDataBar(const CellCondResult& cond, const DrawRect& cell) {
    if (!Mirror().on || cond.bar->direction != kBarContext) return DrawCondDataBar(s_, cond, cell);
    CfDataBar bar = *cond.bar;
    bar.direction = kBarRightToLeft;
    CellCondResult leftwards = cond;
    leftwards.bar = &bar;
    return DrawCondDataBar(s_, leftwards, cell);
  }

  static int32_t Heaviness(const BorderSide& s) {
    if (s.pattern == kLineNone) return -1;
    switch (s.weight) {
      case kBorderThick: return 4;
      case kBorderDouble: return 3;
      case kBorderMedium: return 2;
      case kBorderHair: return 0;
      default: return 1;
    }
  }

  const MyBorder* BorderAt(int32_t row, int32_t col) const {
    const CellRecord* c = FindCell(sheet_, row, col);
    return c ? &GetBorder(styles_, GetCellXf(styles_, c->styleIndex).borderId) : nullptr;
  }
  const MyBorder* BorderOf(const PlacedCell& p, MyBorder* scratch) const {
    const MyBorder& own = GetBorder(styles_, GetCellXf(styles_, p.cell->styleIndex).borderId);
    const CellCondResult* cond = CondOf(p);
    if (!cond || !(cond->dxf.mask & kDxfBorder)) return &own;
    *scratch = CondBorder(own, *cond);
    return scratch;
  }

  int32_t Line(const BorderSide& side, double x1, double y1, double x2, double y2, bool vertical) {
    // Border colours are resolved when read, white (0xFFFFFFFF) included.
    const CellColor color = HasMarker(side.color) && !r_.blackAndWhite ? side.color : kColorBlack;
    // Reflected, a cell's left border lands on its right edge and a falling diagonal rises.
    if (!Mirror().on) return DrawBorderLine(s_, side, Opaque(color), x1, y1, x2, y2, vertical);
    const int32_t width = vertical && side.weight == kBorderMedium ? 2 : 1;
    return DrawBorderLine(s_, side, Opaque(color), Mirror().LineX(x1, width), y1, Mirror().LineX(x2, width), y2, vertical);
  }

  int32_t DrawBorders(const PlacedCell& p) {
    MyBorder scratch;
    const MyBorder& b = *BorderOf(p, &scratch);
    if (b.noBorder) return XLX_OK;
    const double l = p.left, t = p.top, rt = p.left + p.width, bt = p.top + p.height;
    const int32_t row = p.cell->row, col = p.cell->column;
    const MyCellBounds* m = p.merge >= 0 ? &sheet_.mergedCells[p.merge].MergeCellsRef : nullptr;
    const int32_t lastRow = m ? m->RowLast : row, lastCol = m ? m->ColLast : col;
    // Turned text leans the upright sides rightwards on the page, whichever way the sheet reads.
    const BorderLean lean = LeanOfBorders(GetCellXf(styles_, p.cell->styleIndex).alignment.textRotation, p.height, 4096);
    const double k = Mirror().on ? -1 : 1;
    const double lt = l + k * lean.top, lb = l + k * lean.bottom, rtt = rt + k * lean.top, rtb = rt + k * lean.bottom;
    int32_t rc = 1;
    // A shared edge is drawn once: by the side that is heavier, the left or upper cell on a tie.
    if (Heaviness(b.left) >= 0) {
      const MyBorder* n = col > 1 ? BorderAt(row, col - 1) : nullptr;
      if (!n || Heaviness(n->right) < Heaviness(b.left)) rc = Line(b.left, lt, t, lb, bt, true);
    }
    if (rc == XLX_OK && Heaviness(b.top) >= 0) {
      const MyBorder* n = row > 1 ? BorderAt(row - 1, col) : nullptr;
      if (!n || Heaviness(n->bottom) < Heaviness(b.top)) rc = Line(b.top, lt, t, rtt, t, false);
    }
    if (rc == XLX_OK && b.diagonal.pattern != kLineNone) {
      if (b.diagonalDown) rc = Line(b.diagonal, l, t, rt, bt, false);
      if (rc == XLX_OK && b.diagonalUp) rc = Line(b.diagonal, l, bt, rt, t, false);
    }
    if (rc == XLX_OK && Heaviness(b.bottom) >= 0) {
      const MyBorder* n = BorderAt(lastRow + 1, col);
      if (!n || Heaviness(n->top) <= Heaviness(b.bottom)) rc = Line(b.bottom, lb, bt, rtb, bt, false);
    }
    if (rc == XLX_OK && Heaviness(b.right) >= 0) {
      const MyBorder* n = BorderAt(row, lastCol + 1);
      if (!n || Heaviness(n->left) <= Heaviness(b.right)) rc = Line(b.right, rtt, t, rtb, bt, true);
    }
    return rc;
  }

  bool HasText(int32_t row, int32_t col) const {
    const CellRecord* c = FindCell(sheet_, row, col);
    return c && (c->flags & kCellHasValue) && c->type != kCellUnknown;
  }

  // A cell beside the page, kept because its text may spill into it, whose neighbour towards the
  // page stops the spill (a value, a merged range, or the sheet's edge): its text stays inside it,
  // off the page, and is not drawn at all.
  bool TextStaysOffPage(const PlacedCell& p) const {
    if (AllVisible() || p.merge >= 0) return false;
    const bool leftOfPage = p.left + p.width < f_.left, rightOfPage = p.left > f_.right;
    if (!leftOfPage && !rightOfPage) return false;
    // Turned text is clipped beyond the cell by the lean of its borders.
    if (GetCellXf(styles_, p.cell->styleIndex).alignment.textRotation != 0) return false;
    const int32_t row = p.cell->row, k = leftOfPage ? p.cell->column + 1 : p.cell->column - 1;
    return k < 1 || k > int32_t(kMaxColumns) || HasText(row, k) || covered_.count(Key(row, k)) != 0;
  }

  int32_t DrawText(const PlacedCell& p);
  int32_t DrawTurnedText(const CellTextJob& t);
  int32_t DrawTextBlock(const CellTextJob& t);
  int32_t DrawTextLine(const CellTextJob& t);
  const CachedDrawFont* RunFont(const MyLogFont& f, double scale, double* rise);
  bool TextRuns(const CellText& text, double scale, CellColor fontColor, bool ink, std::vector<DrawTextRun>* out);
  void Spill(const PlacedCell& p, double x, double width, double* clipLeft, double* clipRight);

  const PageRenderRequest& r_;
  DrawingSurface* s_;
  FontCache& fonts_;
  CellPassFrame f_;
  const MyWorksheet& sheet_;
  const XlsxGridInfo& g_;
  const Stylesheet& styles_;
  std::unordered_map<uint64_t, int32_t> covered_;
  std::vector<PlacedCell> cells_;
  std::vector<CellCondResult> conds_;
  std::deque<CellRecord> absent_;  // cells made for empty positions that rules paint
  int32_t pageRow1_ = 1, pageRow2_ = 0;
};

uint32_t HostAlign(int32_t horizontal) {
  switch (horizontal) {
    case kHAlignCenter:
    case kHAlignCenterContinuous: return kTextCenter;
    case kHAlignRight: return kTextRight;
    default: return kTextLeft;
  }
}

// A run of rich text with the font it is drawn in and how far its baseline is raised, px.
struct DrawRun {
  const char16_t* text;
  int32_t length;
  const CachedDrawFont* font;
  CellColor color;
  double width;
  double rise;
};

// Superscript and subscript draw in two thirds of the size, raised by a third of the size or
// lowered by a sixth, as the host draws shifted runs of wrapped text.
constexpr double kShiftedScale = 2.0 / 3.0;

const CachedDrawFont* CellPass::RunFont(const MyLogFont& f, double scale, double* rise) {
  *rise = 0;
  if (f.vertAlign == kVertAlignBaseline) return fonts_.Get(f, scale);
  const CachedDrawFont* full = fonts_.Get(f, scale);
  if (full) *rise = f.vertAlign == kVertAlignSuperscript ? full->heightPx / 3 : -full->heightPx / 6;
  return fonts_.Get(f, scale * kShiftedScale);
}

// The runs of a rich text as the layer's runs over the whole text; false when the runs do not
// make up the text (it is then drawn in the cell's font).
bool CellPass::TextRuns(const CellText& text, double scale, CellColor fontColor, bool ink,
                        std::vector<DrawTextRun>* out) {
  int32_t start = 0;
  for (int32_t i = 0; i < text.rich->runCount; ++i) {
    const TextRun& run = text.rich->runs[i];
    if (!run.text || run.length <= 0) continue;
    const MyLogFont* rf = run.font;
    const CachedDrawFont* f = rf ? fonts_.Get(*rf, scale) : nullptr;
    const int32_t shift = !rf ? kRunBaseline : rf->vertAlign == kVertAlignSuperscript ? kRunSuperscript
                          : rf->vertAlign == kVertAlignSubscript                     ? kRunSubscript
                                                                                      : kRunBaseline;
    const CellColor color = rf && HasMarker(rf->color) && ink ? rf->color : fontColor;
    out->push_back(DrawTextRun{start, run.length, f ? f->font : nullptr, Opaque(color), shift});
    start += run.length;
  }
  return start == static_cast<int32_t>(text.text.size());
}

int32_t CellPass::DrawText(const PlacedCell& p) {
  const CellRecord& c = *p.cell;
  if (c.type == kCellUnknown || TextStaysOffPage(p)) return XLX_OK;
  const CellXf& xf = GetCellXf(styles_, c.styleIndex);
  MyLogFont tableFont;
  const MyLogFont& ownFont = TableFontFor(sheet_, c, xf.fontId, GetFont(styles_, xf.fontId), &tableFont);
  const CellCondResult* cond = CondOf(p);
  const MyLogFont condFont = cond ? CondFont(ownFont, *cond) : MyLogFont();
  const MyLogFont& modelFont = cond ? condFont : ownFont;
  const double scale = r_.layout->dPrintScale;
  const CachedDrawFont* font = fonts_.Get(modelFont, scale);
  if (!font) return XLX_OK;
  if (cond && cond->icons) {
    // The icon goes first along the line: at the cell's right edge on a right-to-left sheet.
    DrawRect iconCell{MirroredLeft(p), p.top, p.width, p.height};
    const double iconRoom = CondIconWidth(font->heightPx, p.height) + 4;
    if (Mirror().on && p.width > iconRoom) iconCell.left += p.width - iconRoom, iconCell.width = iconRoom;
    int32_t rc = DrawCondCellIcon(s_, *cond, iconCell, font->heightPx, xf.alignment.vertical);
    if (rc != XLX_OK) return rc;
  }
  if (cond && cond->hideValue) return XLX_OK;
  const char16_t* condCode = cond && (cond->dxf.mask & kDxfNumberFormat) ? cond->dxf.numberFormat.c_str() : nullptr;
  CellTextJob t{p, xf.alignment, modelFont, *font, scale, cond, CellText(), true, 0, 0, 0, 0, 0, TextBox()};
  if (!BuildCellText(*r_.workbook, sheet_, c, p.width, fonts_, *font, &t.text, condCode)) return XLX_OK;
  if (c.type == kCellError && r_.options.bPrintSetup && !PrintedErrorText(sheet_.print.errors, &t.text.text)) return XLX_OK;
  t.ink = !r_.blackAndWhite;  // black-and-white printing draws all text black
  t.fontColor = HasMarker(modelFont.color) && t.ink ? modelFont.color : kColorBlack;
  t.color = t.text.formatColor != kFormatColorAuto && t.ink ? t.text.formatColor : t.fontColor;
  t.horizontal = EffectiveHorizontal(xf, t.text, modelFont.lfCharSet, r_.workbook->isBinary, sheet_.bRightToLeft);
  t.rtl = t.text.rightToLeft ? uint32_t(kTextRightToLeft) : 0u;
  t.length = static_cast<int32_t>(t.text.text.size());
  if (t.align.textRotation != 0) return DrawTurnedText(t);
  t.box = InnerBox(p.left, p.width, *font, t.align.indent);
  if (cond && cond->icons) {
    // Text starts after the icon.
    const double shift = std::min(t.box.innerWidth, CondIconWidth(font->heightPx, p.height) + 2);
    t.box.innerLeft += shift, t.box.innerWidth -= shift;
  }
  if (t.align.wrapText || t.text.text.find(u'\n') != std::u16string::npos) return DrawTextBlock(t);
  return DrawTextLine(t);
}

// Rotated text turns about the centre of the cell: 1-90 degrees upwards, 91-180 downwards; 255
// stacks the letters one above the other.
int32_t CellPass::DrawTurnedText(const CellTextJob& t) {
  const PlacedCell& p = t.p;
  const CellAlignment& a = t.align;
  const CachedDrawFont* font = &t.font;
  const CellText& text = t.text;
  const CellColor color = t.color;
  const int32_t length = t.length;
  const uint32_t rtl = t.rtl;
  int32_t saved = -1, rc = XLX_OK;
  const double cellLeft = MirroredLeft(p);
  // Text turned by a slant stays inside the parallelogram its borders lean to.
  const BorderLean lean = LeanOfBorders(a.textRotation, p.height, 4096);
  const double across = lean.top + lean.bottom;
  rc = SetDrawClipRgn(s_, cellLeft, p.top, cellLeft + p.width + across, p.top + p.height, &saved);
  if (rc != XLX_OK) return rc;
  double matrix[6];
  GetDrawTransform(s_, matrix);
  if (a.textRotation == 255) {
    std::u16string stacked;
    for (char16_t ch : text.text) {
      if (!stacked.empty()) stacked.push_back(u'\n');
      stacked.push_back(ch);
    }
    rc = AddDrawTextInFont(s_, stacked.c_str(), static_cast<int32_t>(stacked.size()), font->font, Opaque(color),
                           DrawRect{cellLeft, p.top, p.width, p.height}, kTextCenter | kTextTop);
  } else {
    const double degrees = a.textRotation <= 90 ? -a.textRotation : a.textRotation - 90;
    TranslateDrawTransform(s_, cellLeft + (p.width + across) / 2, p.top + p.height / 2);
    RotateDrawTransform(s_, degrees);
    rc = AddDrawTextInFont(s_, text.text.c_str(), length, font->font, Opaque(color), DrawRect{0, 0, 0, 0},
                           kTextCenter | kTextVCenter | rtl);
    SetDrawTransform(s_, matrix);
  }
  FreeDrawClipRgn(s_, saved);
  return rc;
}

// Wrapped text and text with line breaks: a block of lines placed in the cell and clipped to it.
int32_t CellPass::DrawTextBlock(const CellTextJob& t) {
  const PlacedCell& p = t.p;
  const CellAlignment& a = t.align;
  const CellText& text = t.text;
  const TextBox& box = t.box;
  int32_t saved = -1, rc = XLX_OK;
  double w = 0, h = 0;
  const double wrapWidth = a.wrapText ? std::max(1.0, box.innerWidth) : 0;
  std::vector<DrawTextRun> runs;
  if (text.rich && !TextRuns(text, t.scale, t.fontColor, t.ink, &runs)) runs.clear();
  if (runs.empty() || GetDrawTextRunsExtent(fonts_.engine(), text.text.c_str(), t.length, t.font.font, runs.data(),
                                            static_cast<int32_t>(runs.size()), wrapWidth, &w, &h) != XLX_OK)
    fonts_.Measure(t.font, text.text.c_str(), t.length, wrapWidth, &w, &h);
  const bool several = h > t.font.lineHeight * 1.5;
  double top = BlockTop(p.top, p.height, h, a.vertical, several, r_.workbook->isBinary);
  rc = SetDrawClipRgn(s_, MirroredLeft(p), p.top, MirroredLeft(p) + p.width, p.top + p.height, &saved);
  if (rc != XLX_OK) return rc;
  double left = t.horizontal == kHAlignRight || t.horizontal == kHAlignCenter ? box.innerLeft : box.innerLeft + box.indent;
  double width = std::max(1.0, box.innerWidth - box.indent);
  const DrawRect rect = Mirror().Rect(DrawRect{left, top, width, h});
  const uint32_t flags = Mirror().Align((a.wrapText ? uint32_t(kTextWrap) : 0u) | HostAlign(t.horizontal) | kTextTop | t.rtl);
  rc = runs.empty() ? AddDrawTextInFont(s_, text.text.c_str(), t.length, t.font.font, Opaque(t.color), rect, flags)
                    : AddDrawTextRuns(s_, text.text.c_str(), t.length, t.font.font, Opaque(t.color), runs.data(),
                                      static_cast<int32_t>(runs.size()), rect, flags);
  FreeDrawClipRgn(s_, saved);
  return rc;
}

// One line: the runs of rich text, or one run, spilled over empty neighbours where it sticks out.
int32_t CellPass::DrawTextLine(const CellTextJob& t) {
  const PlacedCell& p = t.p;
  const CellAlignment& a = t.align;
  const CachedDrawFont* font = &t.font;
  const MyLogFont& modelFont = t.modelFont;
  const CellText& text = t.text;
  const TextBox& box = t.box;
  const double scale = t.scale;
  const bool ink = t.ink, binary = r_.workbook->isBinary;
  const CellColor fontColor = t.fontColor, color = t.color;
  const int32_t length = t.length, horizontal = t.horizontal;
  const uint32_t rtl = t.rtl;
  int32_t saved = -1, rc = XLX_OK;
  std::vector<DrawRun> runs;
  if (text.rich) {
    for (int32_t i = 0; i < text.rich->runCount; ++i) {
      const TextRun& run = text.rich->runs[i];
      if (!run.text || run.length <= 0) continue;
      const MyLogFont& rf = run.font ? *run.font : modelFont;
      double rise = 0;
      const CachedDrawFont* f = RunFont(rf, scale, &rise);
      if (!f) continue;
      runs.push_back(DrawRun{run.text, run.length, f, HasMarker(rf.color) && ink ? rf.color : fontColor, 0, rise});
    }
  } else {
    double rise = 0;
    const CachedDrawFont* f = modelFont.vertAlign != kVertAlignBaseline ? RunFont(modelFont, scale, &rise) : font;
    runs.push_back(DrawRun{text.text.c_str(), length, f ? f : font, color, 0, f ? rise : 0});
  }
  if (a.shrinkToFit && runs.size() == 1) {
    // Glyph advances are whole pixels, so a font scaled by the ratio of the widths can still be
    // a little too wide: shrink again until the text fits.
    double w = 0, h = 0, fit = scale;
    fonts_.Measure(*font, text.text.c_str(), length, 0, &w, &h);
    for (int step = 0; step < 4 && w > box.innerWidth && box.innerWidth > 1; ++step) {
      fit *= box.innerWidth / w * (step ? 0.98 : 1.0);
      const CachedDrawFont* smaller = fonts_.Get(modelFont, fit);
      if (!smaller) break;
      runs[0].font = smaller;
      fonts_.Measure(*smaller, text.text.c_str(), length, 0, &w, &h);
    }
  }
  double lineWidth = 0, ascent = 0, lineHeight = 0;
  for (DrawRun& run : runs) {
    double h = 0;
    fonts_.Measure(*run.font, run.text, run.length, 0, &run.width, &h);
    lineWidth += run.width;
    ascent = std::max(ascent, run.font->ascent);
    lineHeight = std::max(lineHeight, run.font->lineHeight);
  }
  const double x = LineStart(box, horizontal, lineWidth);
  const double top = BlockTop(p.top, p.height, lineHeight, a.vertical, false, binary);
  double clipLeft = p.left, clipRight = p.left + p.width;
  const bool sticksOut = x < box.innerLeft || x + lineWidth > box.innerLeft + box.innerWidth;  // indent counts
  if (text.kind == kTextString && !a.shrinkToFit && sticksOut && p.merge < 0)
    Spill(p, x, lineWidth, &clipLeft, &clipRight);
  // Text well inside its clip draws without one: glyph ink stays within the cell's inset of the
  // advances (italics lean further), and fewer clips keep vector pages small.
  bool italic = modelFont.lfItalic != 0;
  for (int32_t i = 0; text.rich && i < text.rich->runCount; ++i)
    italic = italic || (text.rich->runs[i].font && text.rich->runs[i].font->lfItalic);
  const double slack = italic ? font->heightPx / 4 : font->width00 / 8;
  const bool inside = x - slack >= clipLeft && x + lineWidth + slack <= clipRight && top >= p.top &&
                      top + lineHeight <= p.top + p.height;
  const double clipAt = Mirror().Left(clipLeft, clipRight - clipLeft);
  if (!inside) rc = SetDrawClipRgn(s_, clipAt, p.top, clipAt + clipRight - clipLeft, p.top + p.height, &saved);
  if (rc != XLX_OK) return rc;
  // The runs keep their order along the line wherever the line is drawn.
  double pen = Mirror().Left(x, lineWidth);
  for (const DrawRun& run : runs) {
    rc = AddDrawTextInFont(s_, run.text, run.length, run.font->font, Opaque(run.color),
                           DrawRect{pen, top + ascent - run.rise, 0, 0}, kTextLeft | kTextBaseline | rtl);
    if (rc != XLX_OK) break;
    pen += run.width;
  }
  if (!inside) FreeDrawClipRgn(s_, saved);
  return rc;
}

// Widens the clip of text that sticks out of its cell over the empty neighbours on that side,
// stopping at the first cell with a value, and paints out the gridlines under the text.
void CellPass::Spill(const PlacedCell& p, double x, double width, double* clipLeft, double* clipRight) {
  const int32_t row = p.cell->row, col = p.cell->column;
  std::vector<double> boundaries;
  for (int32_t k = col + 1; *clipRight < x + width && k <= int32_t(kMaxColumns); ++k) {
    if (HasText(row, k) || covered_.count(Key(row, k))) break;
    boundaries.push_back(*clipRight);
    *clipRight += ColWidth(k);
  }
  for (int32_t k = col - 1; *clipLeft > x && k >= 1; --k) {
    if (HasText(row, k) || covered_.count(Key(row, k))) break;
    boundaries.push_back(*clipLeft);
    *clipLeft -= ColWidth(k);
  }
  if (!r_.showGridLines || boundaries.empty()) return;
  CellColor back = IsPaintable(sheet_.clBackColor) ? sheet_.clBackColor : MakeCellColor(255, 255, 255);
  VkPen* pen = nullptr;
  if (SetDrawPen(Opaque(back), kPenSolid, 3.0, nullptr, 0, &pen) != XLX_OK) return;
  for (double b : boundaries)
    if (b > x && b < x + width) AddDrawLine(s_, pen, Mirror().X(b), p.top + 1, Mirror().X(b), p.top + p.height - 1);
  FreeDrawPen(pen);
}

}  // namespace

int32_t DrawBorderLine(DrawingSurface* surface, const BorderSide& side, CellColor color, double x1, double y1,
                       double x2, double y2, bool vertical) {
  const int32_t style = side.pattern >= kPenSolid && side.pattern < kPenNone ? side.pattern : kPenSolid;
  const double width = side.weight == kBorderThick ? 3 : side.weight == kBorderMedium ? 2 : 1;
  VkPen* pen = nullptr;
  int32_t rc = SetDrawPen(color, style, width, nullptr, 0, &pen);
  if (rc != XLX_OK) return rc;
  if (side.weight == kBorderDouble) {
    const double dx = vertical ? 1 : 0, dy = vertical ? 0 : 1;
    rc = AddDrawLine(surface, pen, x1 - dx, y1 - dy, x2 - dx, y2 - dy);
    if (rc == XLX_OK) rc = AddDrawLine(surface, pen, x1 + dx, y1 + dy, x2 + dx, y2 + dy);
  } else {
    rc = AddDrawLine(surface, pen, x1, y1, x2, y2);
  }
  FreeDrawPen(pen);
  return rc;
}

int32_t DrawCells(const PageRenderRequest& request, DrawingSurface* surface, FontCache& fonts, const CellPassFrame& frame) {
  CellPass pass(request, surface, fonts, frame);
  return pass.Run();
}

}  // namespace xlx
