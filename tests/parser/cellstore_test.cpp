// The packed cell record and the streamed worksheet reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/sheet.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/slices.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/sheetfingerprint.h"
#include "tests/support/testsupport.h"
#include "values/formula/formula.h"

using namespace xlx;

namespace {

// Writes in the order the readers and the formula engine make them; every field must read back
// what was last written, and the fields that share a place must give way as documented.
TEST(CellStore, PackedFieldsReadBackWhatWasWritten) {
  static RichString rich;
  static char16_t error[] = u"#N/A";
  static CellFormula formulaRecord;
  double oddNaN;
  const uint64_t boxLike = 0xFFFD00000000BEEFull;  // a NaN shaped like a boxed shared-string index
  std::memcpy(&oddNaN, &boxLike, sizeof oddNaN);
  struct Case {
    const char* what;
    void (*write)(CellRecord*, TextArena*);
    double number;  // NaN: none
    const char16_t* text;
    bool formula, inlineString;
    int32_t sharedString;
  } cases[] = {
      {"fresh", [](CellRecord*, TextArena*) {}, 0, nullptr, false, false, -1},
      {"number with formula", [](CellRecord* c, TextArena* a) { ASSERT_EQ(SetCellFormula(a, c, &formulaRecord), XLX_OK); c->number = 2.5; }, 2.5, nullptr, true, false, -1},
      {"formula keeps the value before it", [](CellRecord* c, TextArena* a) { c->sharedStringIndex = 4; ASSERT_EQ(SetCellFormula(a, c, &formulaRecord), XLX_OK); }, NAN, nullptr, true, false, 4},
      {"formula removed, value kept", [](CellRecord* c, TextArena* a) {
         ASSERT_EQ(SetCellFormula(a, c, &formulaRecord), XLX_OK); c->text = error; ASSERT_EQ(SetCellFormula(a, c, nullptr), XLX_OK); }, NAN, u"#N/A", false, false, -1},
      {"computed boolean keeps its number", [](CellRecord* c, TextArena*) { c->number = 1, c->text = u"TRUE"; }, 1, u"TRUE", false, false, -1},
      {"boolean then its number", [](CellRecord* c, TextArena*) { c->text = u"FALSE", c->number = 0; }, 0, u"FALSE", false, false, -1},
      {"read boolean", [](CellRecord* c, TextArena* a) { c->number = NAN, c->text = u"FALSE"; ASSERT_EQ(SetCellFormula(a, c, &formulaRecord), XLX_OK); }, NAN, u"FALSE", true, false, -1},
      {"boolean text cleared, number kept", [](CellRecord* c, TextArena*) { c->number = 0, c->text = u"TRUE", c->text = nullptr; }, 0, nullptr, false, false, -1},
      {"other number replaces boolean", [](CellRecord* c, TextArena*) { c->text = u"TRUE", c->number = 5; }, 5, nullptr, false, false, -1},
      {"shared string", [](CellRecord* c, TextArena*) { c->number = NAN, c->sharedStringIndex = 7; }, NAN, nullptr, false, false, 7},
      {"negative index kept", [](CellRecord* c, TextArena*) { c->sharedStringIndex = -5; }, NAN, nullptr, false, false, -5},
      {"string result replaces number", [](CellRecord* c, TextArena* a) {
         ASSERT_EQ(SetCellFormula(a, c, &formulaRecord), XLX_OK); c->number = 3, c->text = error, c->sharedStringIndex = -1, c->inlineString = nullptr; }, NAN, u"#N/A", true, false, -1},
      {"number result replaces text", [](CellRecord* c, TextArena*) { c->text = error, c->number = 4, c->text = nullptr; }, 4, nullptr, false, false, -1},
      {"any NaN stays a number", [](CellRecord* c, TextArena*) { c->number = std::nan("1"); }, NAN, nullptr, false, false, -1},
      {"inline string with its text", [](CellRecord* c, TextArena* a) {
         c->inlineString = &rich;
         ASSERT_EQ(SetCellFormula(a, c, &formulaRecord), XLX_OK);
         ASSERT_EQ(AttachCellExtra(a, c), XLX_OK);
         c->text = error, c->number = 9, c->sharedStringIndex = 3; }, 9, u"#N/A", true, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TextArena arena;
    CellRecord cell;
    // The largest value of every bit-field.
    cell.row = 1048576, cell.column = 16384, cell.styleIndex = kStyleOutOfRange, cell.type = kCellFormulaString;
    cell.flags = kCellEvaluated | kCellHasValue | kCellHasFormula | kCellEvaluating | kCellReaderMark;
    c.write(&cell, &arena);
    if (std::isnan(c.number)) EXPECT_TRUE(std::isnan(cell.number));
    else EXPECT_EQ(double(cell.number), c.number);
    EXPECT_EQ(std::u16string(cell.text ? cell.text : u"<null>"), c.text ? c.text : u"<null>");
    EXPECT_EQ(cell.formula == &formulaRecord, c.formula);
    EXPECT_EQ(cell.inlineString == &rich, c.inlineString);
    EXPECT_EQ(int32_t(cell.sharedStringIndex), c.sharedString);
    const int32_t header[] = {cell.row, cell.column, int32_t(cell.styleIndex), int32_t(cell.type), int32_t(cell.flags)};
    EXPECT_EQ(std::vector<int32_t>(header, header + 5), (std::vector<int32_t>{1048576, 16384, 65535, kCellFormulaString, 0x2F}));
  }
  CellRecord odd;
  odd.number = oddNaN;
  EXPECT_EQ(int32_t(odd.sharedStringIndex), -1);
  EXPECT_EQ(std::make_tuple(PackStyleIndex(-1), PackStyleIndex(65534), PackStyleIndex(1 << 20)),
            std::make_tuple(kStyleOutOfRange, uint16_t(65534), kStyleOutOfRange));
}

// The sheet's fingerprint; with slices, *streamed tells whether reading it again streamed (rather
// than falling back to the whole DOM) and gave the same sheet.
std::string ReadStreamed(const std::string& sheetXml, size_t sliceBytes, size_t chunkBytes, int32_t* rc,
                         bool* streamed = nullptr) {
  std::vector<xlxtest::ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"S"});
  xlxtest::SetEntry(&entries, "xl/worksheets/sheet1.xml", sheetXml);
  WorkbookOpenOptions options;
  options.sheetSliceBytes = sliceBytes;
  options.sheetStreamChunkBytes = chunkBytes;
  options.formulaMode = kFormulaEvalNone;
  xlxtest::OpenedPackage package(entries, options);
  *rc = package.rc;
  if (!package.workbook) return std::string();
  const std::string fingerprint = xlxtest::SheetFingerprint(package.workbook);
  if (streamed) {
    const int32_t again = ReadStreamedWorksheet(package.workbook, &package.workbook->sheets[0]);
    *streamed = again == XLX_OK && xlxtest::SheetFingerprint(package.workbook) == fingerprint;
  }
  return fingerprint;
}

// Markup split across inflated pieces at every byte must read as the whole DOM reads it.
TEST(CellStore, StreamedPartsReadAsWholeWhateverThePieces) {
  const std::string ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  std::string rows;
  for (int r = 1; r <= 6; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"B" + std::to_string(r) + "\" t=\"inlineStr\"><is><r><t>a" +
            std::to_string(r) + "</t></r></is><v>x</v></c><c t=\"b\"><f>1=1</f><v>1</v></c></row>";
  const std::string head = "<?xml version=\"1.0\"?><worksheet " + ns + "><cols><col min=\"1\" max=\"2\" width=\"9\"/></cols>";
  struct Tail {
    const char* xml;
    bool streams;
  } tails[] = {
      {"</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A1:C2\"/></mergeCells></worksheet>", true},
      {"<row r=\"8\"><c><v>2</v></c><!-- </row></sheetData> --></row></sheetData ></worksheet>", true},
      {"<row r=\"9\"><c t=\"str\"><v><![CDATA[</row></sheetData>]]></v></c></row></sheetData></worksheet>", true},
      {"<?pi </sheetData>?><!DOCTYPE x></sheetData></worksheet>", false},
      {"<row r=\"9\"><c><v>1</v></c>", false},  // cut off inside the content
  };
  for (const Tail& tail : tails) {
    const std::string xml = head + "<!-- <sheetData> --><sheetData>" + rows + tail.xml;
    int32_t wholeRc = 0, rc = 0;
    const std::string whole = ReadStreamed(xml, 0, 1 << 20, &wholeRc);
    for (size_t slice : {1, 60}) {
      for (size_t chunk : {1, 2, 3, 5, 64}) {
        SCOPED_TRACE(std::string(tail.xml) + " slice " + std::to_string(slice) + " chunk " + std::to_string(chunk));
        bool used = false;
        const std::string streamed = ReadStreamed(xml, slice, chunk, &rc, &used);
        EXPECT_EQ(rc, wholeRc);
        EXPECT_EQ(used, tail.streams);
        EXPECT_TRUE(streamed == whole) << streamed << "\n--\n" << whole;
      }
    }
  }
}

}  // namespace
