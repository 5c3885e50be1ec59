// Binary workbooks: record framing, stored numbers and errors, formula tokens to text, the parts
// read through a whole package into the model, and hostile records.
#include <gtest/gtest.h>

#include <cmath>

#include "common/limits.h"
#include "host/kernel/vkkrnx.h"
#include "parser/xlsb/xlsbformula.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/styles/color.h"
#include "common/apiutils.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"
#include "tests/support/xlsbwriter.h"

using namespace xlx;
using xlxtest::AppendRecord;
using xlxtest::BinaryBook;
using xlxtest::OpenedPackage;
using xlxtest::Payload;

namespace {

// Frames `bytes` (copied to host memory as the package reader hands them over).
int32_t Frame(const std::string& bytes, RecordList* list) {
  uint8_t* copy = static_cast<uint8_t*>(VK_ALLOC(bytes.size() + 1, 1));
  memcpy(copy, bytes.data(), bytes.size());
  return list->Frame(copy, bytes.size());
}

TEST(XlsbRecords, FramingReadsTypesAndSizesAndRefusesWhatRunsPastThePart) {
  struct Case {
    std::string bytes;
    int32_t rc;
    std::vector<std::pair<uint32_t, uint32_t>> records;  // type, size
  };
  const std::string payload128(128, 'x');
  const Case cases[] = {
      {std::string("\x9C\x01\x00", 3), 1, {{412, 0}}},
      {std::string("\x2B\x80\x01", 3) + payload128, 1, {{43, 128}}},
      {std::string("\x01\x02..\x00\x00\x05\x00junk", 12), 1, {{1, 2}}},  // type 0 size 0 ends the list
      {std::string("\x00\x01z\x07\x00", 5), 1, {{0, 1}, {7, 0}}},         // a row header is not the end
      {"", 1, {}},
      {std::string("\x05\x09short", 7), -9, {}},                          // payload past the end
      {std::string("\x85", 1), -9, {}},                                   // type byte announces one more
      {std::string("\x05\xFF\xFF\xFF\xFF", 5), -9, {}},                   // 2^28 - 1 bytes announced
  };
  for (const Case& c : cases) {
    RecordList list;
    EXPECT_EQ(Frame(c.bytes, &list), c.rc);
    ASSERT_EQ(list.Count(), c.records.size());
    for (size_t i = 0; i < c.records.size(); ++i) {
      EXPECT_EQ(list[i].type, c.records[i].first);
      EXPECT_EQ(list[i].size, c.records[i].second);
    }
  }
  RecordList list;
  ASSERT_EQ(Frame(std::string("\x9C\x01\x00\x27\x00", 5), &list), 1);
  EXPECT_EQ(list.Find(RawType(39)), 1);
  EXPECT_EQ(list.Find(RawType(40)), -1);
  EXPECT_EQ(RawType(156), 412u);
  EXPECT_EQ(RawType(362), 746u);
}

TEST(XlsbRecords, RkNumbersAndErrorTexts) {
  const std::pair<uint32_t, double> rk[] = {
      {0x00000F03u, 9.6},  {0x0000000Au, 2.0},  {uint32_t(-5 * 4 + 2), -5.0},
      {0x3FF00000u, 1.0},  {0x3FF00001u, 0.01}, {0xC0240000u, -10.0},
  };
  for (const auto& c : rk) EXPECT_DOUBLE_EQ(RkNumber(c.first), c.second) << std::hex << c.first;
  for (auto [code, text] : {std::pair{0x2A, u"#N/A"}, {0x07, u"#DIV/0!"}, {0x2B, u"#GETTING_DATA!"}})
    EXPECT_EQ(std::u16string(ErrorText(uint8_t(code))), text);
  EXPECT_EQ(ErrorText(0x01), nullptr);
}

std::string Ref(uint32_t row, uint16_t column, bool rowRelative = true, bool columnRelative = true, uint8_t token = 0x24) {
  return Payload().U8(token).U32(row).U16(uint16_t(column | (columnRelative ? 0x4000 : 0) | (rowRelative ? 0x8000 : 0))).Bytes();
}

std::string Str(const std::string& text) {
  Payload p;
  p.U8(0x17).U16(uint16_t(text.size()));
  for (char c : text) p.U16(uint8_t(c));
  return p.Bytes();
}

// A workbook with sheets "Data" and "Q 1", an extern-sheet table over them and one name.
struct FormulaBook {
  FormulaBook() {
    EXPECT_EQ(workbook->sheetParts.Allocate(2), 1);
    workbook->sheetParts[0].name = u"Data";
    workbook->sheetParts[1].name = u"Q 1";
    workbook->binaryTables.linkIsSelf = {1};
    workbook->binaryTables.externSheets = {{0, 0, 0}, {0, 1, 1}, {0, 0, 1}, {0, 7, 7}};
    workbook->binaryTables.names = {u"Rate"};
    workbook->binaryTables.nameSheets = {0};
  }
  int32_t Render(const std::string& tokens, std::u16string* text, int32_t row = 1, int32_t column = 1) {
    FormulaTokens formula;
    formula.tokens = reinterpret_cast<const uint8_t*>(tokens.data());
    formula.length = tokens.size();
    formula.row = row;
    formula.column = column;
    return RenderFormulaTokens(*workbook, formula, text);
  }
  xlxtest::WorkbookPtr workbook;
};

TEST(XlsbFormula, TokensBecomeFormulaText) {
  const std::string add = std::string(1, '\x03');
  struct Case {
    std::string tokens;
    const char16_t* text;
  };
  const Case cases[] = {
      {Ref(0, 0) + Ref(1, 1, false) + add, u"A1 + B$2"},
      {Payload().U8(0x1F).F64(2).Bytes(), u"2"},
      {Payload().U8(0x1F).F64(1.5e-9).Bytes(), u"1.5e-09"},
      {Payload().U8(0x1E).U16(7).U8(0x1E).U16(3).U8(0x07).U8(0x13).Bytes(), u"-(7^3)"},  // negation binds tighter
      {Payload().U8(0x1E).U16(7).U8(0x13).U8(0x1E).U16(3).U8(0x07).Bytes(), u"-7^3"},
      {Payload().U8(0x1E).U16(1).U8(0x1E).U16(2).U8(0x03).U8(0x1E).U16(3).U8(0x05).Bytes(), u"(1 + 2) * 3"},
      {Payload().U8(0x1E).U16(1).U8(0x1E).U16(2).U8(0x03).U8(0x15).U8(0x1E).U16(3).U8(0x05).Bytes(), u"(1 + 2) * 3"},
      {Payload().U8(0x1E).U16(5).U8(0x14).Bytes(), u"5%"},
      {Str("say \"hi\"") + Str("") + std::string(1, '\x08'), u"\"say \"\"hi\"\"\" & \"\""},
      {Payload().U8(0x1D).U8(1).U8(0x1C).U8(0x2A).U8(0x0B).Bytes(), u"TRUE = #N/A"},
      {Payload().U8(0x25).U32(0).U32(2).U16(0).U16(1).Bytes(), u"$A$1:$B$3"},
      {Ref(0, 0) + Payload().U8(0x19).U8(0x10).U16(0).Bytes(), u"SUM(A1)"},
      {Ref(0, 0) + Payload().U8(0x19).U8(0x40).U16(0x0100).Bytes(), u"A1"},
      {Ref(0, 0) + Payload().U8(0x41).U16(2).Bytes(), u"ISNA(A1)"},
      {Ref(0, 0) + Payload().U8(0x16).U8(0x1E).U16(1).U8(0x42).U8(3).U16(1).Bytes(), u"IF(A1,,1)"},
      {Payload().U8(0x42).U8(0).U16(0x8000).Bytes(), u"BEEP()"},
      {Payload().U8(0x23).U32(1).Bytes(), u"Rate"},
      {Payload().U8(0x3A).U16(1).U32(4).U16(0x0002).Bytes(), u"'Q 1'!$C$5"},
      {Payload().U8(0x3B).U16(2).U32(0).U32(0).U16(0xC000).U16(0xC000).Bytes(), u"'Data:Q 1'!A1:A1"},
      {Payload().U8(0x3C).U16(0).U32(0).U16(0).Bytes(), u"Data!#REF!"},
      {Payload().U8(0x2A).U32(0).U16(0).Bytes(), u"#REF!"},
      // Relative forms count from the formula's cell (here C3): one row up, one column left.
      {Payload().U8(0x2C).U32(uint32_t(-1)).U16(0xFFFF).Bytes(), u"B2"},
      {Payload().U8(0x2C).U32(4).U16(0x8000 | 1).Bytes(), u"$B7"},
      {Payload().U8(0x2C).U32(0xFFFFF).U16(0xC000).Bytes(), u"C2"},  // a row offset wrapped to 20 bits
      {Payload().U8(0x25).U32(0).U32(kMaxRows - 1).U16(0x4000 | 251).U16(0x4000 | 252).Bytes(), u"IR:IS"},
      {Payload().U8(0x25).U32(0).U32(4).U16(0).U16(kMaxColumns - 1).Bytes(), u"$1:$5"},
      {Payload().U8(0x59).U16(0).U32(1).Bytes(), u"Data!Rate"},  // a sheet's name through the table
      {Payload().U8(0x29).U16(7).U8(0x3A).U16(1).U32(0).U16(0).Bytes(), u"'Q 1'!$A$1"},
  };
  FormulaBook book;
  for (const Case& c : cases) {
    std::u16string text;
    EXPECT_EQ(book.Render(c.tokens, &text, 3, 3), 1) << Utf16ToUtf8(c.text);
    EXPECT_EQ(text, c.text);
  }
  // Array constants come from the extra data after the tokens, in token order.
  std::string tokens = Payload().U8(0x40).Raw(std::string(14, '\0')).U8(0x41).U16(2).Bytes();
  std::string extra = Payload().U32(2).U32(2).U8(0).F64(1).U8(2).U8(1).U8(1).U16(1).U16('x').U8(4).U8(0x07).Bytes();
  FormulaTokens formula;
  formula.tokens = reinterpret_cast<const uint8_t*>(tokens.data());
  formula.length = tokens.size();
  formula.extra = reinterpret_cast<const uint8_t*>(extra.data());
  formula.extraLength = extra.size();
  std::u16string text;
  EXPECT_EQ(RenderFormulaTokens(*book.workbook, formula, &text), 1);
  EXPECT_EQ(text, u"ISNA({1,TRUE;\"x\",#DIV/0!})");
  formula.extraLength = extra.size() - 1;  // the last value cut off
  EXPECT_EQ(RenderFormulaTokens(*book.workbook, formula, &text), -9);
}

TEST(XlsbFormula, TokensThatCannotBeRenderedGiveNoText) {
  struct Case {
    std::string tokens;
    int32_t rc;
  };
  const Case cases[] = {
      {Ref(0, 0) + std::string(1, '\x03'), -13},                     // an operator with one operand
      {Payload().U8(0x41).U16(2).Bytes(), -13},                      // ISNA without its argument
      {Payload().U8(0x15).Bytes(), -13},                             // parentheses around nothing
      {Payload().U8(0x24).U32(kMaxRows).U16(0xC000).Bytes(), -9},    // row past the sheet
      {Payload().U8(0x2C).U32(uint32_t(-5)).U16(0xC000).Bytes(), -9},  // relative row above the sheet
      {Payload().U8(0x1F).U32(0).Bytes(), -9},                       // a number cut off
      {Payload().U8(0x17).U16(50).U16('a').Bytes(), -9},             // a string longer than the tokens
      {Payload().U8(0x23).U32(2).Bytes(), -9},                       // a name that does not exist
      {Payload().U8(0x3A).U16(3).U32(0).U16(0).Bytes(), -9},         // a sheet past the sheet list
      {Payload().U8(0x3A).U16(9).U32(0).U16(0).Bytes(), -9},         // an extern-sheet entry past the table
      {Payload().U8(0x20).Raw(std::string(14, '\0')).Bytes(), -9},   // an array without its values
      {Payload().U8(0x1E).U16(1).U8(0x1E).U16(2).Bytes(), -9},       // two results
      {Payload().U8(0x42).U8(1).U16(9999).U8(0x1E).U16(1).Bytes(), -13},
      {Payload().U8(0xFF).Bytes(), -9},
  };
  FormulaBook book;
  for (const Case& c : cases) {
    std::u16string text = u"stale";
    EXPECT_EQ(book.Render(c.tokens, &text), c.rc);
    EXPECT_TRUE(text.empty());
  }
  std::u16string text;
  EXPECT_EQ(book.Render("", &text), -9);
  // Operands nested past the stack bound fail instead of exhausting memory.
  std::string deep;
  for (int i = 0; i < 70000; ++i) deep += Payload().U8(0x1E).U16(1).Bytes();
  EXPECT_EQ(book.Render(deep, &text), -9);
  // So does a chain of operators made to copy an ever longer operand.
  std::string chain = Payload().U8(0x1E).U16(1).Bytes();
  for (int i = 0; i < 30000; ++i) chain += Payload().U8(0x1E).U16(1).U8(0x03).Bytes();
  EXPECT_EQ(book.Render(chain, &text), -9);
}

std::string Name(uint32_t flags, uint32_t sheet, const std::string& name, const std::string& tokens) {
  std::string part;
  AppendRecord(&part, 39, Payload().U32(flags).U8(0).U32(sheet).Wide(name).U32(uint32_t(tokens.size())).Raw(tokens)
                             .U32(0).U32(0xFFFFFFFFu));
  return part;
}

std::string ExternSheets() {
  std::string part;
  AppendRecord(&part, 357, "");  // the workbook's own sheets
  AppendRecord(&part, 362, Payload().U32(2).U32(0).U32(0).U32(0).U32(0).U32(1).U32(1));
  return part;
}

// A cell record of any kind: its record number and the payload after column and style.
std::string Cell(uint32_t number, uint32_t column, const Payload& value, uint32_t style = 0) {
  std::string part;
  AppendRecord(&part, number, Payload().U32(column).U32(style).Raw(value.Bytes()));
  return part;
}

TEST(XlsbPackage, WorkbookSheetsNamesAndCellsFillTheModel) {
  BinaryBook book;
  book.sheetNames = {"Data", "Notes"};
  book.sharedStrings = {"alpha", "beta"};
  book.workbookRecords = ExternSheets() +
                         Name(0x20, 0, "Print_Area", Payload().U8(0x3B).U16(0).U32(0).U32(9).U16(0).U16(3).Bytes()) +
                         Name(0, 0xFFFFFFFFu, "Rate", Payload().U8(0x1F).F64(0.25).Bytes()) +
                         Name(0, 1, "rate", Payload().U8(0x1E).U16(9).Bytes());
  std::string rich;
  rich += Cell(62, 6, Payload().U8(1).Wide("Hello").U32(2).U16(0).U16(0).U16(3).U16(0));
  std::string sharedTokens = Payload().U8(0x2C).U32(0).U16(0xFFFF).U8(0x1E).U16(1).U8(0x03).Bytes();
  std::string sharedFormula;
  AppendRecord(&sharedFormula, 427, Payload().U32(1).U32(2).U32(1).U32(1).U32(uint32_t(sharedTokens.size()))
                                        .Raw(sharedTokens).U32(0));
  std::string expRow1 = Payload().U8(0x01).U32(1).Bytes(), expCol1 = Payload().U32(1).Bytes();
  book.sheetRecords = {
      xlxtest::RowRecord(0) + xlxtest::NumberCellRecord(0, 1.5) + Cell(2, 1, Payload().U32(0x00000F03)) +
          Cell(4, 2, Payload().U8(1)) + Cell(3, 3, Payload().U8(0x2A)) + xlxtest::SharedStringCellRecord(4, 1) +
          Cell(6, 5, Payload().Wide("inline")) + rich +
          xlxtest::RowRecord(1) + xlxtest::NumberCellRecord(0, 2) +
          xlxtest::FormulaCellRecord(1, 3, expRow1, expCol1) + sharedFormula +
          xlxtest::FormulaCellRecord(2, 9, Payload().U8(0x24).U32(1).U16(0).U8(0x1E).U16(7).U8(0x05).Bytes()) +
          xlxtest::RowRecord(2, 600, 0x1000) + xlxtest::NumberCellRecord(0, 3) +
          xlxtest::FormulaCellRecord(1, 4, expRow1, expCol1),
      ""};
  OpenedPackage package(xlxtest::BinaryWorkbookEntries(book));
  ASSERT_EQ(std::make_tuple(package.rc, package.formatCode), std::make_tuple(1, 403));
  Workbook* wb = package.workbook;
  ASSERT_EQ(GetSheetCount(wb), 2);
  EXPECT_EQ(std::u16string(GetSheet(wb, 1)->sheetName), u"Notes");
  EXPECT_EQ(std::u16string(GetPrintArea(wb, 0)), u"Data!$A$1:$D$10");
  ASSERT_NE(FindDefinedName(wb, u"RATE"), nullptr);
  EXPECT_EQ(std::u16string(FindDefinedName(wb, u"Rate")), u"0.25");  // the first of a name wins

  const MyWorksheet& sheet = *GetSheet(wb, 0);
  auto cell = [&](int32_t row, int32_t column) { return FindCell(sheet, row, column); };
  ASSERT_NE(cell(1, 1), nullptr);
  EXPECT_EQ(std::make_tuple(cell(1, 1)->number, cell(1, 2)->number, std::u16string(cell(1, 3)->text)),
            std::make_tuple(1.5, 9.6, std::u16string(u"TRUE")));
  EXPECT_EQ(std::make_tuple(cell(1, 4)->type, std::u16string(cell(1, 4)->text), cell(1, 5)->sharedStringIndex),
            std::make_tuple(uint8_t(kCellError), std::u16string(u"#N/A"), 1));
  EXPECT_EQ(std::u16string(GetSharedString(wb->sharedStrings, 1).text), u"beta");
  EXPECT_EQ(std::u16string(cell(1, 6)->inlineString->text), u"inline");
  const RichString* runs = cell(1, 7)->inlineString;
  ASSERT_EQ(runs->runCount, 2);
  EXPECT_EQ(std::u16string(runs->runs[1].text), u"lo");
  ASSERT_NE(runs->runs[1].font, nullptr);
  // The shared formula is written for each cell that uses it, from that cell's place.
  ASSERT_NE(cell(2, 2)->formula, nullptr);
  EXPECT_EQ(std::make_tuple(std::u16string(cell(2, 2)->formula->text), std::u16string(cell(3, 2)->formula->text),
                            std::u16string(cell(2, 3)->formula->text), cell(3, 2)->number),
            std::make_tuple(std::u16string(u"A2 + 1"), std::u16string(u"A3 + 1"), std::u16string(u"$A$2 * 7"), 4.0));
  // Row 1 is 300 twips at 96 dpi; the hidden row 3 does not widen the range.
  const RowProps* hidden = FindRow(sheet, 3);
  ASSERT_NE(hidden, nullptr);
  EXPECT_EQ(std::make_tuple(hidden->hidden, hidden->height, FindRow(sheet, 1)->height), std::make_tuple(true, 0.0, 20.0));
  EXPECT_EQ(std::make_pair(sheet.sheetBounds.RowLast, sheet.sheetBounds.ColLast), std::make_pair(2, 7));
}

TEST(XlsbPackage, SheetRecordsAroundTheCells) {
  BinaryBook book;
  book.sheetNames = {"S"};
  std::string records;
  AppendRecord(&records, 137, Payload().U16(0x03CC & ~0x10).U32(0).U32(0).U32(0).U8(64).U8(0).U16(100).U16(0).U16(0)
                                  .U16(0).U32(0));
  AppendRecord(&records, 485, Payload().U32(0xFFFFFFFFu).U16(10).U16(400).U16(0).U8(0).U8(0));
  AppendRecord(&records, 60, Payload().U32(1).U32(2).U32(20 * 256).U32(0).U16(1));
  AppendRecord(&records, 177, Payload().U32(1));
  AppendRecord(&records, 176, Payload().U32(0).U32(1).U32(0).U32(2));
  AppendRecord(&records, 478, Payload().U32(9).U32(150).U32(0).U32(0).U32(1).U32(1).U32(1).U32(1).U16(2).U32(0xFFFFFFFFu));
  Payload margins;
  for (double inches : {0.7, 0.7, 0.75, 0.75, 0.3, 0.3}) margins.F64(inches);
  AppendRecord(&records, 476, margins);
  book.sheetRecords = {records};
  std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
  xlx::WorkbookOpenOptions options;
  options.loadMode = kLoadPaginated;
  OpenedPackage package(entries, options);
  ASSERT_EQ(package.rc, 1);
  const MyWorksheet& sheet = *GetSheet(package.workbook, 0);
  EXPECT_EQ(std::make_tuple(sheet.bShowZeros, sheet.dDefRowHeight, sheet.dDefColWidth), std::make_tuple(false, 20.0, 10.0));
  ASSERT_EQ(sheet.columns.Count(), 1);
  EXPECT_EQ(std::make_tuple(sheet.columns[0].min, sheet.columns[0].width, ColumnIsHidden(sheet, 3)),
            std::make_tuple(2, 20.0, true));
  ASSERT_EQ(sheet.mergedCells.Count(), 1);
  EXPECT_EQ(std::make_pair(sheet.mergedCells[0].MergeCellsRef.RowLast, sheet.mergedCells[0].MergeCellsRef.ColLast),
            std::make_pair(2, 3));
  EXPECT_EQ(std::make_tuple(sheet.print.paperSize, sheet.print.orientation, sheet.print.scale, sheet.print.hasScale),
            std::make_tuple(9, 2, 150, true));
  // What the model has no place for is kept framed for later readers; rows and cells are not.
  RecordList kept;
  std::string bytes(sheet.binaryRecords.begin(), sheet.binaryRecords.end());
  ASSERT_EQ(Frame(bytes, &kept), 1);
  int64_t found = kept.Find(RawType(476));
  ASSERT_GE(found, 0);
  EXPECT_EQ(kept[size_t(found)].size, 48u);
  EXPECT_EQ(kept.Find(RawType(0)), -1);
}

// A binary sheet prints the drawing its drawing record names, not every drawing its relationships
// list.
TEST(XlsbPackage, OnlyTheDrawingTheSheetsRecordNamesIsRead) {
  const std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
  const std::string anchor =
      "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"><xdr:twoCellAnchor>"
      "<xdr:from><xdr:col>COL</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from>"
      "<xdr:to><xdr:col>9</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>4</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>"
      "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"S\"/></xdr:nvSpPr></xdr:sp></xdr:twoCellAnchor></xdr:wsDr>";
  const struct {
    const char* relId;  // of the drawing record; null for none
    size_t objects;
    int32_t firstColumn;
  } cases[] = {{nullptr, 0, -1}, {"rD", 1, 1}, {"rE", 1, 5}, {"rNone", 0, -1}};
  for (const auto& c : cases) {
    BinaryBook book;
    book.sheetNames = {"S"};
    std::string records;
    if (c.relId) AppendRecord(&records, 550, Payload().Wide(c.relId));
    book.sheetRecords = {records};
    std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
    entries.push_back({"xl/worksheets/_rels/sheet1.bin.rels",
                       rels + "<Relationship Id=\"rD\" Type=\"" + type + "\" Target=\"../drawings/drawing1.xml\"/>" +
                           "<Relationship Id=\"rE\" Type=\"" + type + "\" Target=\"../drawings/drawing2.xml\"/></Relationships>"});
    std::string first = anchor, second = anchor;
    first.replace(first.find("COL"), 3, "1");
    second.replace(second.find("COL"), 3, "5");
    entries.push_back({"xl/drawings/drawing1.xml", first});
    entries.push_back({"xl/drawings/drawing2.xml", second});
    OpenedPackage package(entries);
    ASSERT_EQ(package.rc, 1);
    const std::vector<DrawingObject>& o = GetSheet(package.workbook, 0)->drawing.objects;
    ASSERT_EQ(o.size(), c.objects) << (c.relId ? c.relId : "no record");
    if (!o.empty()) {
      EXPECT_EQ(o[0].anchor.fromCol, c.firstColumn);
    }
  }
}

// Header and footer pictures come from whichever legacy drawing of the sheet places them: the
// notes' drawing before it holds none.
TEST(XlsbPackage, HeaderFooterPicturesFromTheSheetsLegacyDrawing) {
  BinaryBook book;
  book.sheetNames = {"S"};
  std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
  const std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/vmlDrawing";
  const std::string vml = "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\">";
  entries.push_back({"xl/worksheets/_rels/sheet1.bin.rels",
                     rels + "<Relationship Id=\"r1\" Type=\"" + type + "\" Target=\"../drawings/vmlDrawing1.vml\"/>" +
                         "<Relationship Id=\"r2\" Type=\"" + type + "\" Target=\"../drawings/vmlDrawing2.vml\"/>" +
                         "</Relationships>"});
  entries.push_back({"xl/drawings/vmlDrawing1.vml", vml + "<v:shape id=\"_x0000_s1025\"><br></v:shape></xml>"});
  entries.push_back({"xl/drawings/vmlDrawing2.vml",
                     vml + "<v:shape id=\"CF\" style=\"width:60pt;height:30pt\"><v:imagedata o:relid=\"rId1\"/></v:shape></xml>"});
  entries.push_back({"xl/drawings/_rels/vmlDrawing2.vml.rels",
                     rels + "<Relationship Id=\"rId1\" Type=\"http://x/image\" Target=\"../media/image1.png\"/></Relationships>"});
  entries.push_back({"xl/media/image1.png", "not decoded here"});
  xlx::WorkbookOpenOptions options;
  options.loadMode = kLoadPaginated;
  OpenedPackage package(entries, options);
  ASSERT_EQ(package.rc, 1);
  const HeaderFooterSetup& hf = GetSheet(package.workbook, 0)->print.headerFooter;
  const int32_t centreFooter = 1 + 3;
  EXPECT_TRUE(hf.pictures[centreFooter].path == u"xl/media/image1.png");
  EXPECT_EQ(hf.pictures[centreFooter].widthPt, 60.0);
  int32_t pictures = 0;
  for (const HeaderFooterPicture& picture : hf.pictures) pictures += !picture.path.empty();
  EXPECT_EQ(pictures, 1);
}

TEST(XlsbPackage, StylesFillTheStylesheet) {
  std::string styles = xlxtest::DefaultStylesPart();
  AppendRecord(&styles, 615, Payload().U32(1));
  AppendRecord(&styles, 44, Payload().U16(164).Wide("0.000"));
  // A second fill: solid red; a second border: thin left in theme colour 4; a second format using both.
  Payload fill;
  fill.U32(1).U8(2 << 1 | 1).U8(0).U16(0).U8(0xFF).U8(0).U8(0).U8(0xFF).U8(1 << 1).U8(65).U16(0).U32(0).U32(0);
  for (int i = 0; i < 5; ++i) fill.F64(0);
  AppendRecord(&styles, 45, fill.U32(0));
  Payload border;
  border.U8(0).U8(0).U8(0).U32(0).U32(0).U8(0).U8(0).U32(0).U32(0).U8(1).U8(0).U8(3 << 1 | 1).U8(4).U16(0).U32(0);
  border.U8(0).U8(0).U32(0).U32(0).U8(0).U8(0).U32(0).U32(0);
  AppendRecord(&styles, 46, border);
  AppendRecord(&styles, 617, Payload().U32(1));
  AppendRecord(&styles, 47, Payload().U16(0).U16(164).U16(0).U16(1).U16(1).U8(45).U8(2).U16(2 | (1 << 3) | 0x40).U8(0x1F).U8(0));
  AppendRecord(&styles, 618, "");
  BinaryBook book;
  book.sheetNames = {"S"};
  book.styles = styles;
  OpenedPackage package(xlxtest::BinaryWorkbookEntries(book));
  ASSERT_EQ(package.rc, 1);
  const Stylesheet& s = package.workbook->styles;
  ASSERT_EQ(s.cellXfs.items.Count(), 2);
  const CellXf& xf = GetCellXf(s, 1);
  EXPECT_EQ(xf.numFmtId, 164);
  EXPECT_EQ(std::u16string(GetNumberFormatCode(s, 164)), u"0.000");
  EXPECT_EQ(std::u16string(GetNumberFormatCode(s, 14)), u"M/d/yyyy");
  const CellAlignment& a = xf.alignment;
  EXPECT_EQ(std::make_tuple(a.horizontal, a.vertical, a.wrapText, a.textRotation, a.indent, xf.applyFont),
            std::make_tuple(int32_t(kHAlignCenter), int32_t(kVAlignCenter), true, 45, 2, true));
  const FillSpec& red = GetFill(s, xf.fillId);
  EXPECT_EQ(std::make_tuple(red.kind, red.foreColor, red.backColor, GetFill(s, 0).kind),
            std::make_tuple(int32_t(kFillSolid), MakeCellColor(0xFF, 0, 0), kColorAutomatic, int32_t(kFillNone)));
  const MyBorder& b = GetBorder(s, xf.borderId);
  EXPECT_EQ(std::make_tuple(b.noBorder, b.left.pattern, b.left.color, GetBorder(s, 0).noBorder),
            std::make_tuple(false, int32_t(kLineSolid), ThemeColorByIndex(*package.workbook, 4), true));
  const MyLogFont& font = GetFont(s, 0);  // 11 pt at 96 dpi
  EXPECT_EQ(std::make_tuple(std::u16string(font.lfFaceName), font.lfHeight, s.normalFontSizePt),
            std::make_tuple(std::u16string(u"Calibri"), -15, 11.0));
}

TEST(XlsbPackage, HostileRecordsAreRefusedOrSkipped) {
  struct Case {
    const char* what;
    std::string workbookRecords;
    std::string sheetRecords;
    int32_t rc;
  };
  std::string billionExterns, billionRuns, cutCell, shortMerge, farRow, badDxf, cutName;
  AppendRecord(&billionExterns, 362, Payload().U32(1000000000u).U32(0));
  AppendRecord(&billionRuns, 62, Payload().U32(0).U32(0).U8(1).Wide("x").U32(1000000000u).U32(0));
  AppendRecord(&cutCell, 5, Payload().U32(0).U32(0).U32(0));
  AppendRecord(&shortMerge, 176, Payload().U32(0).U32(0).U32(0).U16(0).U8(0));
  AppendRecord(&cutName, 39, Payload().U32(0).U8(0).U32(0).Wide("n").U32(1000));
  const Case cases[] = {
      {"extern-sheet count of a billion", billionExterns, "", -9},
      {"rich-string run count of a billion", "", xlxtest::RowRecord(0) + billionRuns, -9},
      {"cell record cut off", "", xlxtest::RowRecord(0) + cutCell, -9},
      {"merge record of 15 bytes", "", shortMerge, -9},
      {"row past the sheet", "", xlxtest::RowRecord(kMaxRows), -9},
      {"name formula past the record", cutName, "", -9},
      {"cells before any row are dropped", "", xlxtest::NumberCellRecord(0, 1), 1},
      {"a column past the sheet is dropped", "", xlxtest::RowRecord(0) + xlxtest::NumberCellRecord(kMaxColumns, 1), 1},
      {"a formula that cannot be rendered keeps the value", "",
       xlxtest::RowRecord(0) + xlxtest::FormulaCellRecord(0, 5, std::string(1, '\x03')), 1},
      {"a shared formula that is never given", "",
       xlxtest::RowRecord(0) + xlxtest::FormulaCellRecord(0, 5, Payload().U8(1).U32(0).Bytes(), Payload().U32(0).Bytes()), 1},
  };
  for (const Case& c : cases) {
    BinaryBook book;
    book.sheetNames = {"S"};
    book.workbookRecords = c.workbookRecords;
    book.sheetRecords = {c.sheetRecords};
    int64_t live = VkLiveAllocations();
    {
      OpenedPackage package(xlxtest::BinaryWorkbookEntries(book));
      EXPECT_EQ(package.rc, c.rc) << c.what;
      if (package.rc == 1) {
        const MyWorksheet& sheet = *GetSheet(package.workbook, 0);
        for (const CellRecord& cell : sheet.cells) {
          EXPECT_EQ(cell.formula, nullptr) << c.what;
          EXPECT_EQ(cell.number, 5) << c.what;
        }
      }
    }
    EXPECT_EQ(VkLiveAllocations(), live) << c.what;
  }
  // A payload that runs past the part, in each kind of part.
  for (const char* part : {"xl/workbook.bin", "xl/worksheets/sheet1.bin"}) {
    BinaryBook book;
    book.sheetNames = {"S"};
    std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
    for (xlxtest::ZipEntry& entry : entries)
      if (entry.name == part) entry.data += std::string("\x05\x7F", 2);
    OpenedPackage package(entries);
    EXPECT_EQ(package.rc, -9) << part;
  }
}

}  // namespace
