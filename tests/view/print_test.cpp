// Printed-page layout on hand-built sheets: paper, print scale and fit-to, cuts by whole rows with
// manual breaks, hidden rows, titles and rows longer than a page, areas, order, centring and
// page numbers. Letter portrait at 96 dpi with the normal margins leaves 681.6 x 912 px.
#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <string>
#include <vector>

#include "view/print/print.h"

using namespace xlx;

namespace {

constexpr double kCalibri11Px = 96 * 11 / 72.0;
double FakeZero(void*, const MyLogFont&, double heightPx) { return heightPx * 7.0 / kCalibri11Px; }
const DigitMeasure kMeasure{nullptr, 96.0, FakeZero};
constexpr double kWidth64 = 64 / 7.0;  // a column width in characters that makes 64 px

struct PrintSheet {
  MyWorksheet sheet;
  explicit PrintSheet(int32_t rows, int32_t cols) {
    std::copy_n(u"Calibri", 8, sheet.normalFont.lfFaceName);
    sheet.normalFontSizePt = 11;
    for (int32_t r = 1; r <= rows; ++r)
      for (int32_t c = 1; c <= cols; ++c) {
        CellRecord cell;
        cell.row = r, cell.column = static_cast<uint16_t>(c), cell.number = 1, cell.flags = kCellHasValue;
        cell.type = kCellNumber;
        EXPECT_EQ(sheet.cells.Push(cell), 1);
      }
    sheet.sheetBounds = MyCellBounds{1, rows, 1, cols};
    ColumnInfo all;
    all.min = 1, all.max = 16384, all.width = kWidth64, all.hasWidth = true;
    EXPECT_EQ(sheet.columns.Push(all), 1);
  }
  PrintSheet& Row(int32_t row, double heightPx, bool hidden = false) {
    RowEntry e;
    e.row = row, e.props.height = hidden ? 0 : heightPx, e.props.hidden = hidden, e.props.heightStored = true;
    EXPECT_EQ(sheet.rows.Push(e), 1);
    return *this;
  }
};

LayoutOptions Printed() {
  LayoutOptions o;
  o.loadMode = kLoadPaginated, o.bPrintSetup = true, o.bClipCells = false;
  o.pageWidth = 8.5 * 96, o.pageHeight = 11 * 96;
  return o;
}

SheetLayout Lay(const MyWorksheet& sheet, const LayoutOptions& o = Printed()) {
  SheetLayout l;
  EXPECT_EQ(LayoutSheet(sheet, nullptr, {}, o, kMeasure, &l), 1);
  return l;
}

std::vector<std::u16string> Ranges(const SheetLayout& l) {
  std::vector<std::u16string> out;
  for (const PrintedPage& p : l.printed.pages) out.push_back(PrintedPageRange(p));
  return out;
}

std::string Narrow(const std::vector<std::u16string>& ranges) {
  std::string s;
  for (const std::u16string& r : ranges) s += std::string(r.begin(), r.end()) + " ";
  return s;
}

TEST(PrintPaper, CodesOrientationAndTheDefaultPaper) {
  const double a4w = 210 / 25.4, a4h = 297 / 25.4;
  const struct {
    int32_t code, orientation;
    double w, h;
  } cases[] = {
      {9, kOrientationDefault, a4w, a4h},
      {5, kOrientationLandscape, 14, 8.5},
      {4, kOrientationPortrait, 11, 17},  // ledger is listed landscape; portrait turns it
      {9999, kOrientationDefault, a4w, a4h},  // unknown: the default paper, A4 here
      {0, kOrientationLandscape, a4h, a4w},
      {-3, kOrientationDefault, a4w, a4h},
  };
  for (const auto& c : cases) {
    PrintSetup p;
    p.paperSize = c.code, p.orientation = c.orientation;
    double w = 0, h = 0;
    SheetPaperInches(p, a4w, a4h, &w, &h);
    EXPECT_NEAR(w, c.w, 1e-4) << c.code;
    EXPECT_NEAR(h, c.h, 1e-4) << c.code;
  }
}

TEST(PrintScale, WrittenScalesAreClampedAndFitToFindsTheLargestWholePercent) {
  const struct {
    const char* name;
    int32_t rows, cols;
    bool fit, hasScale;
    int32_t scale, fitW, fitH;
    double expected;
  } cases[] = {
      {"no scale", 10, 3, false, false, 100, 1, 1, 1.0},
      {"scale 0 is 100%", 10, 3, false, true, 0, 1, 1, 1.0},
      {"scale 5 is 10%", 10, 3, false, true, 5, 1, 1, 0.1},
      {"scale 100000 is 400%", 10, 3, false, true, 100000, 1, 1, 4.0},
      {"scale 50", 10, 3, false, true, 50, 1, 1, 0.5},
      // 30 columns of 64 px = 1920 px on 681.6 px: 35% makes 672 px, 36% 691.2 px.
      {"fit width", 5, 30, true, true, 77, 1, 0, 0.35},
      // 100 rows of 20 px on 912 px: 45% makes 900 px, 46% 920 px.
      {"fit height", 100, 2, true, false, 100, 0, 1, 0.45},
      // Two pages across: at 71% a column is 45.44 px and 15 fill a page; at 72% only 14 do.
      {"fit two across", 5, 30, true, false, 100, 2, 0, 0.71},
      {"fit 0 by 0 prints at 100%", 100, 30, true, false, 100, 0, 0, 1.0},
      {"fitting sheets stay at 100%", 3, 3, true, false, 100, 1, 1, 1.0},
      {"nothing fits: 10%", 3000, 2, true, false, 100, 1, 1, 0.1},
  };
  for (const auto& c : cases) {
    PrintSheet s(c.rows, c.cols);
    PrintSetup& p = s.sheet.print;
    p.fitToPage = c.fit, p.hasScale = c.hasScale, p.scale = c.scale, p.fitToWidth = c.fitW, p.fitToHeight = c.fitH;
    SheetLayout l = Lay(s.sheet);
    EXPECT_NEAR(l.dPrintScale, c.expected, 1e-9) << c.name;
  }
}

TEST(PrintCuts, WholeRowsBreaksHiddenRowsTitlesAndRowsLongerThanAPage) {
  const struct {
    const char* name;
    void (*setup)(PrintSheet*);
    const char* ranges;
  } cases[] = {
      // 45 rows of 20 px fill 912 px.
      {"uniform", [](PrintSheet*) {}, "A1:B45 A46:B90 A91:B100 "},
      {"manual break after row 10",
       [](PrintSheet* s) { s->sheet.print.rowBreaks = {10}; }, "A1:B10 A11:B55 A56:B100 "},
      {"breaks past the sheet are ignored",
       [](PrintSheet* s) { s->sheet.print.rowBreaks = {100, 5000}; }, "A1:B45 A46:B90 A91:B100 "},
      {"hidden rows take no room",
       [](PrintSheet* s) {
         for (int32_t r = 2; r <= 11; ++r) s->Row(r, 20, true);
       },
       "A1:B55 A56:B100 "},
      // The title row repeats from page 2 on and takes 20 px of each.
      {"title row", [](PrintSheet* s) { s->sheet.print.titleRowFirst = s->sheet.print.titleRowLast = 1; },
       "A1:B45 A46:B89 A90:B100 "},
      // Titles of more than half a page are not repeated.
      {"titles too tall",
       [](PrintSheet* s) {
         s->sheet.print.titleRowFirst = 1, s->sheet.print.titleRowLast = 30;
       },
       "A1:B45 A46:B90 A91:B100 "},
      // Rows 1-2 (40 px), then row 3 of 2000 px over three pages (912, 912, 176 px) with rows
      // 4-39 after it (176 + 36 x 20 = 896 px).
      {"row longer than a page",
       [](PrintSheet* s) { s->Row(3, 2000); }, "A1:B2 A3:B3 A3:B3 A3:B39 A40:B84 A85:B100 "},
  };
  for (const auto& c : cases) {
    PrintSheet s(100, 2);
    c.setup(&s);
    EXPECT_EQ(Narrow(Ranges(Lay(s.sheet))), c.ranges) << c.name;
  }
}

TEST(PrintPages, AreasOrderAndHeadings) {
  PrintSheet s(60, 15);  // 15 columns of 64 px: 10 on a page
  SheetLayout down = Lay(s.sheet);
  EXPECT_EQ(Narrow(Ranges(down)), "A1:J45 A46:J60 K1:O45 K46:O60 ");
  s.sheet.print.overThenDown = true;
  EXPECT_EQ(Narrow(Ranges(Lay(s.sheet))), "A1:J45 K1:O45 A46:J60 K46:O60 ");
  s.sheet.print.overThenDown = false;

  s.sheet.print.printAreas = {PrintCellRange{2, 3, 2, 3}, PrintCellRange{50, 51, 12, 12}};
  SheetLayout areas = Lay(s.sheet);
  ASSERT_EQ(Narrow(Ranges(areas)), "B2:C3 L50:L51 ");
  EXPECT_NEAR(areas.printed.pages[0].cols[0].src, 64, 1e-9);
  EXPECT_NEAR(areas.printed.pages[0].rows[0].src, 20, 1e-9);

  s.sheet.print.printAreas.clear();
  s.sheet.print.headings = true;
  SheetLayout headed = Lay(s.sheet);
  const PrintedPage& h = headed.printed.pages[0];
  EXPECT_NEAR(h.headingHeight, 20, 1e-9);
  EXPECT_NEAR(h.headingWidth, 3 * 7 + 6, 1e-9);
  EXPECT_NEAR(h.cols[0].dst, 67.2 + 27, 1e-9);
  EXPECT_NEAR(h.rows[0].dst, 72 + 20, 1e-9);
  EXPECT_EQ(PrintedPageRange(h), u"A1:J44") << "the letters take a row's room; 10 columns still fit beside the numbers";
}

TEST(PrintPages, NumbersGoOnAcrossSheetsUnlessASheetSetsItsFirst) {
  std::vector<SheetLayout> layouts(3);
  PrintSheet a(120, 1), b(50, 1), c(10, 1);
  b.sheet.print.useFirstPageNumber = true, b.sheet.print.firstPageNumber = 7;
  layouts[0] = Lay(a.sheet), layouts[1] = Lay(b.sheet), layouts[2] = Lay(c.sheet);
  NumberPrintedPages(layouts, {&a.sheet, &b.sheet, &c.sheet});
  std::vector<int32_t> numbers;
  for (const SheetLayout& l : layouts)
    for (const PrintedPage& p : l.printed.pages) numbers.push_back(p.pageNumber);
  EXPECT_EQ(numbers, (std::vector<int32_t>{1, 2, 3, 7, 8, 6}));
  EXPECT_EQ(layouts[2].printed.totalPages, 6);
  EXPECT_EQ(layouts[2].pages[0].nWidth, 816);
}

}  // namespace

// The printed range without a print area: from A1 to the last cell, formatted row or column and
// every drawing object's whole box; pages only a drawing or a formatted row reaches still print.
TEST(PrintRange, FromA1ToFormatsAndWholeDrawings) {
  constexpr int64_t kEmuPerPx = 9525;
  auto object = [](int32_t kind, int32_t col, int32_t row, int64_t x, int64_t y, int64_t cx, int64_t cy) {
    DrawingObject o;
    o.kind = kObjectPicture;
    o.anchor.kind = kind, o.anchor.fromCol = col, o.anchor.fromRow = row;
    o.anchor.x = x * kEmuPerPx, o.anchor.y = y * kEmuPerPx;
    o.anchor.cx = cx * kEmuPerPx, o.anchor.cy = cy * kEmuPerPx;
    return o;
  };
  const struct {
    const char* name;
    std::function<void(MyWorksheet*)> setup;
    const char* ranges;
  } cases[] = {
      {"cells from C5", [](MyWorksheet*) {}, "A1:D6 "},
      {"a formatted row",
       [](MyWorksheet* s) {
         RowEntry e;
         e.row = 60, e.props.styleDraws = true;
         ASSERT_EQ(s->rows.Push(e), 1);
       },
       "A1:D45 A46:D60 "},
      {"a formatted column; one styled to the sheet's end is its background",
       [](MyWorksheet* s) {
         ColumnInfo c;
         c.min = c.max = 12, c.styleDraws = true;
         ASSERT_EQ(s->columns.Push(c), 1);
         c.min = 13, c.max = 16384;
         ASSERT_EQ(s->columns.Push(c), 1);
       },
       "A1:J6 K1:L6 "},
      // C starts at 128 px: 700 px wide ends at 828 px, in M (768-832).
      {"a one-cell anchor by its extent",
       [&](MyWorksheet* s) { s->drawing.objects.push_back(object(kAnchorOneCell, 2, 4, 0, 0, 700, 30)); }, "A1:J6 K1:M6 "},
      // 1000 px down is row 51; the page between holds nothing else and still prints.
      {"an absolute anchor",
       [&](MyWorksheet* s) { s->drawing.objects.push_back(object(kAnchorAbsolute, 0, 0, 10, 1000, 10, 10)); },
       "A1:D45 A46:D51 "},
      {"an object ending on a column edge does not reach the next column",
       [&](MyWorksheet* s) { s->drawing.objects.push_back(object(kAnchorOneCell, 2, 4, 0, 0, 64 * 8, 20)); },
       "A1:J6 "},
      {"hidden objects do not print",
       [&](MyWorksheet* s) {
         s->drawing.objects.push_back(object(kAnchorOneCell, 2, 4, 0, 0, 700, 30));
         s->drawing.objects.back().bHidden = true;
       },
       "A1:D6 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PrintSheet s(0, 0);
    for (int32_t r = 5; r <= 6; ++r)
      for (int32_t col = 3; col <= 4; ++col) {
        CellRecord cell;
        cell.row = r, cell.column = static_cast<uint16_t>(col), cell.number = 1, cell.flags = kCellHasValue;
        cell.type = kCellNumber;
        ASSERT_EQ(s.sheet.cells.Push(cell), 1);
      }
    s.sheet.sheetBounds = MyCellBounds{5, 6, 3, 4};
    c.setup(&s.sheet);
    const SheetLayout l = Lay(s.sheet);
    EXPECT_EQ(Narrow(Ranges(l)), c.ranges);
    const std::vector<bool> blank = FindBlankPrintedPages(s.sheet, l.reach, l);
    EXPECT_EQ(std::count(blank.begin(), blank.end(), true), 0) << "every page holds something";
  }
}
