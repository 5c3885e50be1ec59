// The worksheet reader: cell values of every type, which cells are kept, rows, merged ranges,
// columns, sheet defaults, page setup, print areas, references and ISO dates.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "common/apiutils.h"
#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"

using namespace xlx;
using xlxtest::Xml;

namespace {

// xf 0 plain, xf 1 solid yellow fill, xf 2 thin bottom border, xf 3 solid white fill.
const char* const kStyles =
    "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"solid\">"
    "<fgColor rgb=\"FFFFFF00\"/></patternFill></fill><fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFFFFFF\"/>"
    "</patternFill></fill></fills><borders count=\"2\"><border/><border><bottom style=\"thin\"/></border></borders>"
    "<cellXfs count=\"4\"><xf fillId=\"0\" borderId=\"0\"/><xf fillId=\"1\" borderId=\"0\"/><xf fillId=\"0\" borderId=\"1\"/>"
    "<xf fillId=\"2\" borderId=\"0\"/></cellXfs>";

struct Sheet {
  explicit Sheet(const std::string& body, int32_t loadMode = 0)
      : styles(xlxtest::MainPart("styleSheet", kStyles)), xml(xlxtest::MainPart("worksheet", body)) {
    workbook->loadMode = loadMode;
    EXPECT_EQ(ReadStylesheet(&workbook->styles, workbook.workbook, styles.Root()), 1);
    EXPECT_EQ(workbook->sheets.Allocate(1), 1);
    workbook->currentSheet = 0;
    rc = ReadWorksheet(workbook.workbook, &workbook->sheets[0], xml.Root());
  }
  const MyWorksheet& sheet() const { return workbook->sheets[0]; }
  const CellRecord* cell(int32_t row, int32_t column) const { return FindCell(sheet(), row, column); }
  xlxtest::WorkbookPtr workbook;
  Xml styles, xml;
  int32_t rc = 0;
};

std::string Data(const std::string& rows) { return "<sheetData>" + rows + "</sheetData>"; }

std::tuple<int32_t, int32_t, int32_t, int32_t> Bounds(const MyCellBounds& b) {
  return std::make_tuple(b.RowFirst, b.RowLast, b.ColFirst, b.ColLast);
}

TEST(CellValues, EveryType) {
  struct Case {
    const char* c;
    uint8_t type;
    double number;  // NaN: none
    const char16_t* text;
    int32_t sharedString;
  };
  const double none = std::nan("");
  const Case kCases[] = {
      {"<c r=\"A1\" t=\"b\"><v>0</v></c>", kCellBoolean, none, u"FALSE", -1},
      {"<c r=\"A1\" t=\"b\"><v>1</v></c>", kCellBoolean, none, u"TRUE", -1},
      {"<c r=\"A1\" t=\"b\"><v>yes</v></c>", kCellBoolean, none, u"TRUE", -1},
      {"<c r=\"A1\" t=\"s\"><v>3</v></c>", kCellSharedString, none, nullptr, 3},
      {"<c r=\"A1\"><v>1.5E3</v></c>", kCellNumber, 1500, nullptr, -1},
      {"<c r=\"A1\" t=\"n\"><v>-0.25</v></c>", kCellNumber, -0.25, nullptr, -1},
      {"<c r=\"A1\" t=\"\"><v>abc</v></c>", kCellNumber, 0, nullptr, -1},
      {"<c r=\"A1\"><v>1e999</v></c>", kCellNumber, 0, nullptr, -1},
      {"<c r=\"A1\" t=\"e\"><v>#DIV/0!</v></c>", kCellError, none, u"#DIV/0!", -1},
      {"<c r=\"A1\" t=\"str\"><f>B1&amp;\"x\"</f><v>text</v></c>", kCellFormulaString, none, u"text", -1},
      {"<c r=\"A1\" t=\"d\"><v>2024-03-01T12:00:00</v></c>", kCellDate, 45352.5, nullptr, -1},
      {"<c r=\"A1\" t=\"d\"><v>45000</v></c>", kCellDate, 45000, nullptr, -1},
      {"<c r=\"A1\" t=\"weird\"><v>5</v></c>", kCellUnknown, none, nullptr, -1},
      // White space around a value is not part of it; a formula string keeps its own.
      {"<c r=\"A1\"><v>\n\t1.5\r\n</v></c>", kCellNumber, 1.5, nullptr, -1},
      {"<c r=\"A1\" t=\"s\"><v> 3\n</v></c>", kCellSharedString, none, nullptr, 3},
      {"<c r=\"A1\" t=\"b\"><v> 0 </v></c>", kCellBoolean, none, u"FALSE", -1},
      {"<c r=\"A1\" t=\"e\"><v> #N/A </v></c>", kCellError, none, u"#N/A", -1},
      {"<c r=\"A1\" t=\"d\"><v> 2024-03-01 </v></c>", kCellDate, 45352, nullptr, -1},
      {"<c r=\"A1\" t=\"str\"><v>  a </v></c>", kCellFormulaString, none, u"  a ", -1},
      {"<c r=\"A1\" t=\"str\"><v>a_x000D_\nb_x0007_</v></c>", kCellFormulaString, none, u"a\r\nb\u0007", -1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.c);
    Sheet s(Data(std::string("<row r=\"1\">") + c.c + "</row>"));
    ASSERT_EQ(s.rc, 1);
    const CellRecord* cell = s.cell(1, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->type, c.type);
    if (std::isnan(c.number)) EXPECT_TRUE(std::isnan(cell->number));
    else EXPECT_DOUBLE_EQ(cell->number, c.number);
    if (c.text) EXPECT_EQ(std::u16string(cell->text ? cell->text : u"<null>"), c.text);
    else EXPECT_EQ(cell->text, nullptr);
    EXPECT_EQ(cell->sharedStringIndex, c.sharedString);
    EXPECT_TRUE(cell->flags & kCellHasValue);
  }
}

// A `v` of white space only, like a missing one, is no value: styled cells are kept for their
// fill with no string.
TEST(CellValues, WhiteSpaceIsNoValue) {
  Sheet empty(Data("<row r=\"1\"><c r=\"A1\" t=\"s\" s=\"1\"/><c r=\"B1\" t=\"s\" s=\"1\"><v> </v></c>"
                   "<c r=\"C1\" s=\"1\"><v>\n</v></c></row>"));
  ASSERT_EQ(empty.rc, 1);
  for (int32_t column : {1, 2, 3}) {
    const CellRecord* cell = empty.cell(1, column);
    ASSERT_NE(cell, nullptr) << column;
    EXPECT_FALSE(cell->flags & kCellHasValue) << column;
    EXPECT_EQ(cell->sharedStringIndex, -1) << column;
  }
  // Their fill makes them part of the used range all the same.
  EXPECT_EQ(empty.sheet().sheetBounds.ColLast, 3);
}

TEST(CellValues, InlineStringsAndFormulas) {
  Sheet s(Data("<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><r><t>in</t></r><r><rPr><b/></rPr><t>line</t></r></is></c>"
               "<c r=\"B2\"><is><t>no_x0020_type</t></is></c>"
               "<c r=\"C2\"><f t=\"shared\" ref=\"C2:C9\" si=\"4\">A2*2</f><v>8</v></c>"
               "<c r=\"D2\"><f t=\"shared\" si=\"4\"/><v>10</v></c>"
               "<c r=\"E2\"><f>SUM(A1:A9)</f></c>"
               "<c r=\"F2\"><f t=\"array\" ref=\"F2:F3\">{1;2}</f><v>1</v></c></row>"));
  ASSERT_EQ(s.rc, 1);
  const CellRecord* inlined = s.cell(2, 1);
  ASSERT_TRUE(inlined && inlined->inlineString);
  EXPECT_EQ(inlined->type, kCellInlineString);
  EXPECT_EQ(std::u16string(inlined->inlineString->text), u"inline");
  EXPECT_EQ(inlined->inlineString->runCount, 2);
  EXPECT_EQ(s.cell(2, 2)->type, kCellInlineString);
  RichString scratch;
  const RichString* plain = s.cell(2, 2)->inlineString.Read(&scratch);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(std::u16string(plain->text, size_t(plain->textLength)), u"no type") << "escapes decode in plain inline text";
  const CellFormula* master = s.cell(2, 3)->formula;
  ASSERT_NE(master, nullptr);
  EXPECT_EQ(std::make_tuple(std::u16string(master->text), int(master->kind), int(master->sharedIndex), std::u16string(master->ref)),
            std::make_tuple(std::u16string(u"A2*2"), int(kFormulaShared), 4, std::u16string(u"C2:C9")));
  const CellFormula* dependent = s.cell(2, 4)->formula;
  EXPECT_EQ(std::u16string(dependent->text), u"");
  EXPECT_EQ(dependent->ref, nullptr);
  // A formula without a cached value is kept for the evaluator and counts for the used range.
  ASSERT_NE(s.cell(2, 5), nullptr);
  EXPECT_EQ(s.cell(2, 5)->flags & (kCellHasValue | kCellHasFormula), kCellHasFormula);
  EXPECT_EQ(s.cell(2, 6)->formula->kind, kFormulaArray);
  EXPECT_EQ(s.sheet().sheetBounds.ColLast, 6);
}

TEST(Cells, WhichEmptyCellsAreKept) {
  Sheet s("<mergeCells count=\"1\"><mergeCell ref=\"B5:C6\"/></mergeCells>" +
          Data("<row r=\"1\"><c r=\"A1\"/><c r=\"B1\" s=\"1\"/><c r=\"C1\" s=\"2\"/><c r=\"D1\" s=\"3\"/>"
               "<c r=\"E1\" s=\"99\"/><c r=\"F1\"><v></v></c></row>"
               "<row r=\"2\" s=\"1\" customFormat=\"1\"><c r=\"A2\"/></row>"
               "<row r=\"3\" s=\"1\"><c r=\"A3\"/></row>"
               "<row r=\"5\"><c r=\"A5\"/><c r=\"B5\"/><c r=\"C5\"/><c r=\"D5\"/></row>"
               "<row r=\"6\"><c r=\"C6\"/></row>"));
  ASSERT_EQ(s.rc, 1);
  struct Case {
    int32_t row, column;
    bool kept;
  };
  // D1's white fill matches the default background, so it paints nothing.
  for (Case c : {Case{1, 1, false}, Case{1, 2, true}, Case{1, 3, true}, Case{1, 4, false}, Case{1, 5, false},
                 Case{1, 6, false}, Case{2, 1, true}, Case{3, 1, false}, Case{5, 1, false}, Case{5, 2, true},
                 Case{5, 3, true}, Case{5, 4, false}, Case{6, 3, true}})
    EXPECT_EQ(s.cell(c.row, c.column) != nullptr, c.kept) << c.row << "," << c.column;
  for (const CellRecord& cell : s.sheet().cells) EXPECT_FALSE(cell.flags & kCellReaderMark);
  EXPECT_TRUE(s.sheet().mergedCells[0].bAllEmpty);
  // Empty cells make the used range by painting on their own (B1, C1), not by a row's style
  // (A2) or by lying in a merged range (B5:C6).
  const MyCellBounds used = s.sheet().sheetBounds;
  EXPECT_EQ((std::vector<int32_t>{used.RowFirst, used.ColFirst, used.RowLast, used.ColLast}), (std::vector<int32_t>{1, 2, 1, 3}));
}

TEST(Cells, UsedRangeSkipsHiddenRowsAndColumns) {
  Sheet s("<cols><col min=\"3\" max=\"4\" hidden=\"1\" width=\"5\"/><col min=\"4\" max=\"9\" width=\"20\"/></cols>" +
          Data("<row r=\"2\"><c r=\"B2\"><v>1</v></c><c r=\"D2\"><v>1</v></c></row>"
               "<row r=\"9\" hidden=\"1\"><c r=\"A9\"><v>1</v></c><c r=\"H9\"><v>1</v></c></row>"
               "<row r=\"4\"><c r=\"E4\"><v>1</v></c></row>"));
  ASSERT_EQ(s.rc, 1);
  EXPECT_NE(s.cell(9, 8), nullptr) << "cells of hidden rows are stored";
  EXPECT_NE(s.cell(2, 4), nullptr);
  const MyCellBounds& used = s.sheet().sheetBounds;
  EXPECT_EQ(Bounds(used), Bounds({2, 4, 2, 5}));
  EXPECT_TRUE(ColumnIsHidden(s.sheet(), 4)) << "the first col containing 4 decides";
  ASSERT_EQ(s.sheet().columns.Count(), 2);
  EXPECT_DOUBLE_EQ(s.sheet().columns[1].width, 20);
}

TEST(Rows, NumbersHeightsAndOrder) {
  Sheet s("<sheetFormatPr defaultRowHeight=\"12\"/>" +
          Data("<row r=\"3\" ht=\"30\" customHeight=\"1\"><c r=\"B3\"><v>3</v></c><c r=\"A3\"><v>2</v></c></row>"
               "<row r=\"1\" hidden=\"1\" ht=\"20\"><c r=\"A1\"><v>1</v></c><c r=\"A1\"><v>9</v></c></row>"
               "<row customHeight=\"0\"><c><v>4</v></c><c><v>5</v></c><c r=\"$D$2\"><v>6</v></c><c><v>7</v></c></row>"
               "<row r=\"1048576\" ht=\"50\"><c r=\"A1048576\"><v>8</v></c></row>"));
  ASSERT_EQ(s.rc, 1);
  const MyWorksheet& sheet = s.sheet();
  // Row 1048576 has no row entry; row 1 is hidden, row 3 is 30 pt at 96 dpi; the row without a
  // number follows row 1 and takes the default height.
  ASSERT_EQ(sheet.rows.Count(), 3);
  std::vector<std::tuple<int32_t, double, bool>> rows;
  for (const RowEntry& r : sheet.rows) rows.emplace_back(r.row, r.props.height, r.props.heightNotCustom);
  EXPECT_EQ(rows, (std::vector<std::tuple<int32_t, double, bool>>{{1, 0, false}, {2, 16, true}, {3, 40, false}}));
  // Cells are sorted, and of two at one place the first written stays; a cell without a
  // reference follows the previous one.
  std::vector<std::tuple<int32_t, int32_t, double>> cells;
  for (const CellRecord& c : sheet.cells) cells.emplace_back(c.row, c.column, c.number);
  EXPECT_EQ(cells, (std::vector<std::tuple<int32_t, int32_t, double>>{
                       {1, 1, 1}, {2, 1, 4}, {2, 2, 5}, {2, 4, 6}, {2, 5, 7}, {3, 1, 2}, {3, 2, 3}, {1048576, 1, 8}}));
}

TEST(Rows, BadNumbersAndReferencesFailTheSheet) {
  struct Case {
    const char* rows;
    int32_t rc;
  };
  static const Case kCases[] = {
      {"<row r=\"0\"><c r=\"A0\"><v>1</v></c></row>", -9},
      {"<row r=\"1048577\"/>", -9},
      {"<row r=\"-3\"/>", -9},
      {"<row r=\"x\"/>", -9},
      {"<row r=\"1\"><c r=\"\"><v>1</v></c></row>", -9},
      {"<row r=\"1048576\"/><row/>", -9},
      {"<row r=\"1\"><c r=\"XFE1\"><v>1</v></c><c r=\"1\"><v>1</v></c></row>", 1},  // skipped, not fatal
  };
  for (const Case& c : kCases) {
    Sheet s(Data(c.rows));
    EXPECT_EQ(s.rc, c.rc) << c.rows;
  }
  Sheet skipped(Data("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row>"));
  EXPECT_EQ(skipped.sheet().cells.Count(), 1);
}

TEST(MergedCells, CountsRangesAndContent) {
  Sheet s("<mergeCells count=\"2\"><mergeCell ref=\"C3:A1\"/><mergeCell ref=\"D4\"/><mergeCell ref=\"E5:F6\"/></mergeCells>" +
          Data("<row r=\"4\"><c r=\"D4\" t=\"s\"><v>0</v></c></row>"));
  ASSERT_EQ(s.rc, 1);
  ASSERT_EQ(s.sheet().mergedCells.Count(), 2);  // D4 holds a value
  EXPECT_EQ(std::make_tuple(Bounds(s.sheet().mergedCells[0].MergeCellsRef), s.sheet().mergedCells[0].bAllEmpty,
                            Bounds(s.sheet().mergedCells[1].MergeCellsRef), s.sheet().mergedCells[1].bAllEmpty),
            std::make_tuple(Bounds({1, 3, 1, 3}), true, Bounds({4, 4, 4, 4}), false));
  Sheet junk("<mergeCells count=\"4000000000\"><mergeCell ref=\"nonsense\"/><mergeCell/><mergeCell ref=\"B2:C3\"/></mergeCells>");
  ASSERT_EQ(junk.rc, 1);
  EXPECT_EQ(junk.sheet().mergedCells.Count(), 1);
}

TEST(SheetProperties, DefaultsZerosAndTheWholeSheetColumn) {
  struct Case {
    const char* body;
    double rowHeight, colWidth;
    bool showZeros;
    int32_t defaultXf;
    CellColor back;
    bool widthIsBase, heightStored, zeroHeight;
  };
  static const Case kCases[] = {
      {"", 15, 8, true, 0, kColorAutomatic, true, false, false},
      {"<sheetFormatPr baseColWidth=\"10\" defaultRowHeight=\"13.5\"/>", 13.5, 10, true, 0, kColorAutomatic, true, true,
       false},
      {"<sheetFormatPr baseColWidth=\"10\" defaultColWidth=\"12.5\"/>", 15, 12.5, true, 0, kColorAutomatic, false, false,
       false},
      {"<sheetFormatPr defaultRowHeight=\"1e300\" zeroHeight=\"1\"/>", 409, 8, true, 0, kColorAutomatic, true, true,
       true},
      {"<sheetViews><sheetView showZeros=\"0\"/></sheetViews>", 15, 8, false, 0, kColorAutomatic, true, false, false},
      {"<sheetViews><sheetView showZeros=\"1\"/></sheetViews>", 15, 8, true, 0, kColorAutomatic, true, false, false},
      {"<cols><col min=\"1\" max=\"16384\" width=\"20\" style=\"1\"/></cols>", 15, 20, true, 1, 0xFF00FFFFu, false,
       false, false},
      {"<cols><col min=\"1\" max=\"16384\" style=\"2\"/></cols>", 15, 8, true, 2, kColorAutomatic, true, false,
       false},
      {"<cols><col min=\"1\" max=\"100\" width=\"20\" style=\"1\"/></cols>", 15, 8, true, 0, kColorAutomatic, true,
       false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.body);
    Sheet s(c.body);
    ASSERT_EQ(s.rc, 1);
    const MyWorksheet& w = s.sheet();
    EXPECT_EQ(std::make_tuple(w.dDefRowHeight, w.dDefColWidth, w.bShowZeros, w.defaultCellXf, w.clBackColor),
              std::make_tuple(c.rowHeight, c.colWidth, c.showZeros, c.defaultXf, c.back));
    EXPECT_EQ(std::make_tuple(w.bDefColWidthIsBase, w.bDefRowHeightStored, w.bRowsZeroHeight),
              std::make_tuple(c.widthIsBase, c.heightStored, c.zeroHeight));
  }
}

// What widens the printed range besides cells: rows and columns whose own style paints, and rows
// that store a height of their own.
TEST(SheetProperties, FormattedRowsAndColumnsAndStoredHeights) {
  Sheet s("<cols><col min=\"2\" max=\"3\" style=\"1\"/><col min=\"4\" max=\"4\" style=\"0\"/>"
          "<col min=\"5\" max=\"5\" style=\"3\"/></cols>" +
          Data("<row r=\"2\" s=\"2\" customFormat=\"1\"/><row r=\"3\" s=\"1\"/><row r=\"4\" ht=\"20\"/>"));
  ASSERT_EQ(s.rc, 1);
  std::vector<bool> columns;
  for (const ColumnInfo& c : s.sheet().columns) columns.push_back(c.styleDraws);
  // As for cells, a white fill on the white sheet paints nothing.
  EXPECT_EQ(columns, (std::vector<bool>{true, false, false}));
  std::vector<std::tuple<int32_t, bool, bool>> rows;
  for (const RowEntry& r : s.sheet().rows) rows.emplace_back(r.row, r.props.styleDraws, r.props.heightStored);
  EXPECT_EQ(rows, (std::vector<std::tuple<int32_t, bool, bool>>{{2, true, false}, {3, false, false}, {4, false, true}}))
      << "a row style counts only with customFormat";
}

TEST(PageSetup, ScaleFitAndOrientation) {
  struct Case {
    const char* body;
    int32_t scale;
    bool hasScale, fit;
    int32_t orientation;
  };
  static const Case kCases[] = {
      {"<pageSetup scale=\"500\"/>", 500, true, false, 0},
      {"<pageSetup scale=\"5\" orientation=\"landscape\"/>", 5, true, false, 2},
      {"<pageSetup orientation=\"sideways\"/>", 100, false, false, 0},
      {"<sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><pageSetup orientation=\"portrait\"/>", 100, false, true, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.body);
    Sheet s(c.body);
    ASSERT_EQ(s.rc, 1);
    const PrintSetup& setup = s.sheet().print;
    EXPECT_EQ(std::make_tuple(setup.scale, setup.hasScale, setup.fitToPage, setup.orientation),
              std::make_tuple(c.scale, c.hasScale, c.fit, c.orientation));
  }
}

TEST(PrintArea, CellsFarPastItAreNotKept) {
  xlxtest::WorkbookPtr workbook;
  Xml xml(xlxtest::MainPart("worksheet", Data("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"BZZ1\"><v>1</v></c></row>"
                                              "<row r=\"2010\"><c r=\"A2010\"><v>1</v></c></row>"
                                              "<row r=\"2011\"><c r=\"A2011\"><v>1</v></c></row>")));
  ASSERT_EQ(workbook->sheets.Allocate(1), 1);
  MyWorksheet* sheet = &workbook->sheets[0];
  CopyTruncated(sheet->sheetName, 256, u"Data");
  workbook->printAreas[0] = u"Data!$A$1:$C$10";
  ASSERT_EQ(ReadWorksheet(workbook.workbook, sheet, xml.Root()), 1);
  EXPECT_EQ(std::make_tuple(FindCell(*sheet, 2010, 1) != nullptr, FindCell(*sheet, 2011, 1) != nullptr,
                            FindCell(*sheet, 1, ColumnOfReference("BZZ1")) != nullptr, sheet->sheetBounds.RowLast),
            std::make_tuple(true, false, false, 2010));
  // A print area of another sheet does not apply.
  workbook->printAreas[0] = u"Other!$A$1:$C$10";
  ASSERT_EQ(ReadWorksheet(workbook.workbook, sheet, xml.Root()), 1);
  EXPECT_NE(FindCell(*sheet, 2011, 1), nullptr);
}

TEST(References, PrintAreas) {
  struct Area {
    const char16_t* text;
    const char16_t* sheet;
    bool ok;
    MyCellBounds bounds;
  };
  const Area kAreas[] = {
      {u"Sheet1!$A$1:$D$20", u"Sheet1", true, {1, 20, 1, 4}},
      {u"'My ''Best'' Sheet'!$B$2:$C$3,'My ''Best'' Sheet'!$F$1:$G$2", u"My 'Best' Sheet", true, {2, 3, 2, 3}},
      {u"Sheet1!$A$1:$D$20", u"Sheet2", false, {}},
      {u"$A$1:$B$2", u"Any", true, {1, 2, 1, 2}},
      {u"Sheet1!#REF!", u"Sheet1", false, {}},
      {u"Sheet1!A1:B1048577", u"Sheet1", false, {}},
      {u"Sheet1!$B:$C", u"Sheet1", true, {1, 1048576, 2, 3}},
  };
  for (const Area& a : kAreas) {
    MyCellBounds bounds;
    EXPECT_EQ(ParsePrintAreaBounds(a.text, a.sheet, &bounds), a.ok);
    if (a.ok) {
      EXPECT_EQ(Bounds(bounds), Bounds(a.bounds));
    }
  }
}

TEST(SheetData, ProgressIsPolledAfterEachRowAndCanStop) {
  xlxtest::WorkbookPtr workbook;
  int calls = 0;
  ProgressCallback callback{};
  callback.pfnProgress = [](int32_t, uint64_t user) { return ++*reinterpret_cast<int*>(user) == 3 ? 42 : 1; };
  callback.uUser = reinterpret_cast<uint64_t>(&calls);
  workbook->progress = &callback;
  Xml xml(xlxtest::MainPart("worksheet", Data("<row r=\"1\"/><row r=\"2\"/><row r=\"3\"/><row r=\"4\"/>")));
  ASSERT_EQ(workbook->sheets.Allocate(1), 1);
  EXPECT_EQ(ReadWorksheet(workbook.workbook, &workbook->sheets[0], xml.Root()), 42);
  EXPECT_EQ(calls, 3);
}

}  // namespace
