// Sheet geometry and pagination on hand-built sheets.
#include <gtest/gtest.h>

#include <cmath>

#include "view/layout/layout.h"

using namespace xlx;

namespace {

// "0" is 7 px wide in Calibri 11 at 96 dpi (14.67 px), and scales with the height.
constexpr double kCalibri11Px = 96 * 11 / 72.0;
double FakeZero(void*, const MyLogFont&, double heightPx) { return heightPx * 7.0 / kCalibri11Px; }
const DigitMeasure kMeasure{nullptr, 96.0, FakeZero};

struct SheetBuilder {
  MyWorksheet sheet;
  SheetBuilder() {
    const char16_t face[] = u"Calibri";
    std::copy(face, face + 8, sheet.normalFont.lfFaceName);
    sheet.normalFontSizePt = 11;
  }
  SheetBuilder& Cell(int32_t row, int32_t col) {
    CellRecord c;
    c.row = row, c.column = static_cast<uint16_t>(col), c.number = 1, c.flags = kCellHasValue;
    EXPECT_EQ(sheet.cells.Push(c), 1);
    MyCellBounds& b = sheet.sheetBounds;
    b.RowFirst = b.RowFirst ? std::min(b.RowFirst, row) : row;
    b.ColFirst = b.ColFirst ? std::min(b.ColFirst, col) : col;
    b.RowLast = std::max(b.RowLast, row);
    b.ColLast = std::max(b.ColLast, col);
    return *this;
  }
  SheetBuilder& Column(int32_t min, int32_t max, double width, bool hidden = false) {
    ColumnInfo c;
    c.min = min, c.max = max, c.width = width, c.hasWidth = width > 0, c.hidden = hidden;
    EXPECT_EQ(sheet.columns.Push(c), 1);
    return *this;
  }
  SheetBuilder& Row(int32_t row, double heightPx, bool hidden = false) {
    RowEntry e;
    e.row = row, e.props.height = hidden ? 0 : heightPx, e.props.hidden = hidden, e.props.heightStored = true;
    EXPECT_EQ(sheet.rows.Push(e), 1);
    return *this;
  }
  SheetBuilder& Merge(int32_t r1, int32_t c1, int32_t r2, int32_t c2) {
    MyMergedCell m;
    m.MergeCellsRef = MyCellBounds{r1, r2, c1, c2};
    EXPECT_EQ(sheet.mergedCells.Push(m), 1);
    return *this;
  }
};

LayoutOptions Paginated(uint32_t dpi = 96) {
  LayoutOptions o;
  o.loadMode = kLoadPaginated, o.sizeMode = 1, o.bClipCells = false;
  o.pageWidth = 8.5 * dpi, o.pageHeight = 11 * dpi;
  o.xResolution = o.yResolution = dpi;
  return o;
}

LayoutOptions SheetSized(uint32_t dpi = 96) {
  LayoutOptions o = Paginated(dpi);
  o.loadMode = o.sizeMode = 0;
  return o;
}

SheetLayout Lay(const MyWorksheet& sheet, const LayoutOptions& o, const MyCellBounds* printArea = nullptr) {
  SheetLayout l;
  EXPECT_EQ(LayoutSheet(sheet, printArea, {}, o, kMeasure, &l), 1);
  return l;
}

TEST(LayoutGrid, ColumnWidthsAndRowHeightsFollowTheDigitWidth) {
  for (uint32_t dpi : {96u, 300u}) {
    SheetBuilder b;
    b.Cell(5, 4).Column(1, 1, 8.43).Column(2, 2, 20).Column(3, 3, 5, true).Row(2, 40 * dpi / 96.0).Row(3, 0, true);
    SheetLayout l = Lay(b.sheet, SheetSized(dpi));
    const XlsxGridInfo& g = l.grid;
    EXPECT_NEAR(g.digitWidth, 7.0, 1e-12);
    const double scale = dpi / 96.0;
    EXPECT_NEAR(g.columns[0].size, 8.43 * 7 * scale, 1e-9) << dpi;  // 59.01 px at 96 dpi
    EXPECT_NEAR(g.columns[1].size, 140 * scale, 1e-9);
    EXPECT_EQ(g.columns[2].size, 0.0) << "hidden column";
    // Default width: 8 digits and 5 px of padding, rounded up to 8 px (in 96 dpi pixels).
    EXPECT_NEAR(g.columns[3].size, dpi == 96 ? 64.0 : 200.0, 1e-9);
    EXPECT_NEAR(g.columns[3].offset, g.columns[0].size + g.columns[1].size, 1e-9);
    EXPECT_NEAR(g.rows[0].size, 20 * scale, 1e-9) << "15 pt default";
    EXPECT_NEAR(g.rows[1].size, 40 * scale, 1e-9);
    EXPECT_EQ(g.rows[2].size, 0.0) << "hidden row with a height";
    EXPECT_NEAR(g.totalHeight, (20 * 3 + 40) * scale, 1e-9);
    EXPECT_EQ(g.columns.size(), 4u);
    EXPECT_EQ(g.rows.size(), 5u);
  }
  SheetBuilder noFont;
  noFont.sheet.normalFont.lfFaceName[0] = 0;
  noFont.Cell(1, 1);
  SheetLayout l = Lay(noFont.sheet, SheetSized());
  EXPECT_DOUBLE_EQ(l.grid.digitWidth, 6.0);
  EXPECT_DOUBLE_EQ(l.grid.columns[0].size, 56.0) << "8 digits of 6 px and the padding, to 8 px";
}

TEST(LayoutRange, PrintAreaCutsOvershootingDataAndMergesWidenWithoutOne) {
  MyCellBounds area{1, 10, 1, 2};
  SheetBuilder near;
  near.Cell(1, 1).Cell(1500, 2);
  EXPECT_EQ(Lay(near.sheet, Paginated(), &area).grid.rows.size(), 1500u);
  SheetBuilder far;
  far.Cell(1, 1).Cell(3000, 2);
  EXPECT_EQ(Lay(far.sheet, Paginated(), &area).grid.rows.size(), 10u);
  SheetBuilder merged;
  merged.Cell(1, 1).Merge(2, 2, 30, 6);
  SheetLayout l = Lay(merged.sheet, Paginated());
  EXPECT_EQ(l.grid.rows.size(), 30u);
  EXPECT_EQ(l.grid.columns.size(), 6u);
  EXPECT_EQ(Lay(merged.sheet, Paginated(), &area).grid.rows.size(), 1u) << "a print area ignores merges";
}

TEST(LayoutPages, EmptyAndSmallSheetsAreALetterPageAndSheetSizedPagesGrowToTheContent) {
  SheetBuilder empty, small, wide;
  small.Cell(3, 3);
  wide.Cell(1, 1).Column(1, 1, 200);
  const struct {
    const MyWorksheet& sheet;
    LayoutOptions options;
    int32_t width;
  } cases[] = {{empty.sheet, Paginated(), 816}, {empty.sheet, SheetSized(), 816}, {small.sheet, SheetSized(), 816},
               {wide.sheet, SheetSized(), 1400}};
  for (const auto& c : cases) {
    SheetLayout l = Lay(c.sheet, c.options);
    ASSERT_EQ(l.pages.size(), 1u);
    EXPECT_EQ(l.pages[0].nWidth, c.width);
    EXPECT_EQ(l.pages[0].nHeight, 1056);
  }
}

TEST(LayoutPages, ColumnBandsKeepNearlyFittingSheetsWholeAndWideColumnsAlone) {
  LayoutOptions o = Paginated();
  {
    // 20% wider than the page: one page column as wide as the sheet.
    SheetBuilder b;
    b.Cell(1, 1).Column(1, 1, 816 * 1.2 / 7);
    SheetLayout l = Lay(b.sheet, o);
    ASSERT_EQ(l.pages.size(), 1u);
    EXPECT_EQ(l.pages[0].nWidth, 979);
  }
  {
    // A column wider than the page between two narrow ones gets a page of its own.
    SheetBuilder b;
    b.Cell(1, 3).Column(1, 1, 50).Column(2, 2, 150).Column(3, 3, 50);  // 350, 1050, 350 px
    SheetLayout l = Lay(b.sheet, o);
    ASSERT_EQ(l.pages.size(), 3u);
    EXPECT_EQ(l.pages[0].nWidth, 350);
    EXPECT_EQ(l.pages[1].nWidth, 1050);
    EXPECT_EQ(l.pages[1].nXOffset, -350);
    EXPECT_EQ(l.pages[2].nWidth, 816) << "the last page column is a full page wide";
    EXPECT_EQ(l.pages[2].nXOffset, -1400);
  }
  {
    // Rows: 120 rows of 20 px on 1056 px pages: 52 rows a page, last band full height.
    SheetBuilder b;
    b.Cell(120, 1);
    SheetLayout l = Lay(b.sheet, o);
    ASSERT_EQ(l.pages.size(), 3u);
    EXPECT_EQ(l.pages[0].nHeight, 1040);
    EXPECT_EQ(l.pages[1].nYOffset, -1040);
    EXPECT_EQ(l.pages[2].nHeight, 1056);
  }
}

TEST(LayoutPages, ClippedTilesAndPageOrder) {
  SheetBuilder b;
  b.Cell(60, 1).Column(1, 1, 816 * 2.5 / 7);  // 2.5 pages wide, 1200 px tall
  LayoutOptions o = Paginated();
  o.bClipCells = true;
  SheetLayout l = Lay(b.sheet, o);
  ASSERT_EQ(l.pages.size(), 6u);
  for (const _PAGEINFO& p : l.pages) EXPECT_EQ(p.nWidth, 816);
  EXPECT_EQ(l.pages[1].nXOffset, -816) << "across, then down";
  EXPECT_EQ(l.pages[3].nYOffset, -1056);
  o.bPageOrderDownThenOver = true;
  l = Lay(b.sheet, o);
  EXPECT_EQ(l.pages[1].nXOffset, 0) << "down, then across";
  EXPECT_EQ(l.pages[1].nYOffset, -1056);
}

TEST(LayoutScale, PageSetupScaleAndFitToPage) {
  const struct {
    bool hasScale;
    int32_t scale;
    bool fit;
    double expected;
  } cases[] = {{true, 0, false, 1.0}, {true, 5, false, 0.1}, {true, 500, false, 4.0}, {true, 50, true, 0.5},
               {false, 0, true, 0.5}, {false, 0, false, 1.0}};
  for (const auto& c : cases) {
    SheetBuilder b;
    b.Cell(1, 2).Column(1, 2, 816 / 7.0);  // two page widths
    b.sheet.print.hasScale = c.hasScale;
    b.sheet.print.scale = c.scale;
    b.sheet.print.fitToPage = c.fit;
    SheetLayout l = Lay(b.sheet, Paginated());
    EXPECT_NEAR(l.dPrintScale, c.expected, 1e-9) << c.scale;
    EXPECT_NEAR(l.grid.totalWidth, 1632 * c.expected, 1e-6);
  }
  SheetBuilder b;
  b.Cell(1, 1);
  b.sheet.print.hasScale = true;
  b.sheet.print.scale = 50;
  EXPECT_DOUBLE_EQ(Lay(b.sheet, SheetSized()).dPrintScale, 1.0) << "print scale only when paginating";
  XlsxGridInfo g;
  ASSERT_EQ(BuildGrid(b.sheet, MyCellBounds{1, 1, 1, 1}, SheetSized(), kMeasure, &g), 1);
  double w = g.totalWidth;
  ApplyGridScale(&g, 2.0);
  ApplyGridScale(&g, 0.5);
  EXPECT_NEAR(g.totalWidth, w * 0.5, 1e-9) << "a new scale first undoes the old one";
}

TEST(LayoutPages, NumberingRunsOnAcrossSheetsInPageMode) {
  std::vector<SheetLayout> sheets(3);
  sheets[0].pages.resize(3);
  sheets[1].pages.resize(2);
  sheets[2].pages.resize(1);
  EXPECT_EQ(NumberPages(sheets, 2), 6);
  EXPECT_EQ(NumberPages(sheets, 0), 3);
}

TEST(LayoutPages, HugeSheetsAreALimitOutsidePageMode) {
  SheetBuilder b;
  b.Cell(1048576, 16384).Column(1, 16384, 255);
  SheetLayout l;
  EXPECT_EQ(LayoutSheet(b.sheet, nullptr, {}, SheetSized(), kMeasure, &l), -1879);
}

}  // namespace
