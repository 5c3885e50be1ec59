// Notes, conditional formats, tables and pivot tables of binary sheets: the corpus workbooks saved
// in both forms read alike, hand-built records become the rules they describe, hostile records lose
// only what they describe.
#include <gtest/gtest.h>

#include <algorithm>

#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"
#include "tests/support/xlsbwriter.h"

using namespace xlx;
using xlxtest::AppendRecord;
using xlxtest::Payload;

namespace {

std::u16string NoBlanks(std::u16string text) {
  text.erase(std::remove(text.begin(), text.end(), u' '), text.end());
  return text;
}

std::string Ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// What both forms must agree on, as one line of text per sheet.
std::string Describe(const MyWorksheet& sheet) {
  std::u16string out;
  for (const SheetNote& note : sheet.legacy.notes) {
    out += u"note " + xlxtest::U16(std::to_string(note.row) + "," + std::to_string(note.column)) + u" " + note.author + u":";
    for (const VmlTextRun& run : note.runs) out += run.text + (run.bold ? u"*" : u"");
    out += u"\n";
  }
  for (const CondFmt& block : sheet.condFormats ? sheet.condFormats->blocks : std::vector<CondFmt>()) {
    out += u"cf " + xlxtest::U16(std::to_string(block.ranges.size()) + " " + std::to_string(block.ranges[0].first.row));
    for (const CfRule& r : block.rules) {
      out += xlxtest::U16(" " + std::to_string(r.type) + "/" + std::to_string(r.op) + "/" + std::to_string(r.dxfId) + "/" +
                          std::to_string(r.priority) + "/");
      for (const std::u16string& f : r.formulas) out += NoBlanks(f) + u";";
    }
    out += u"\n";
  }
  for (const TableBase& t : sheet.tables.items) {
    const PivotLayout& p = t.pivot;
    std::string n = "table";
    for (long v : {long(t.kind), long(t.range.RowFirst), long(t.range.RowLast), long(t.range.ColFirst), long(t.range.ColLast),
                   long(t.headerRowCount), long(t.totalsRowCount), long(t.showFirstColumn), long(t.showLastColumn),
                   long(t.showRowStripes), long(t.showColumnStripes), long(p.firstHeaderRow), long(p.firstDataRow),
                   long(p.firstDataCol), long(p.pageFieldCount), long(p.pageRows), long(p.grandTotalRow),
                   long(p.grandTotalCol), long(p.subtotalRows.size()), long(p.subheadingRows.size())})
      n += " " + std::to_string(v);
    out += xlxtest::U16(n + " ") + t.styleName + u" " + (t.kind == kTableKindTable ? t.name : u"") + u" " + (t.style ? u"styled" : u"plain");
    for (const TableColumn& c : t.columns) out += u"|" + c.name;
    out += u"\n";
  }
  return Ascii(out);  // ASCII in these workbooks; enough to compare
}

TEST(XlsbObjects, TwinWorkbooksReadTheSameNotesFormatsAndTables) {
  int32_t compared = 0;
  for (const std::string& name : xlxtest::CorpusTwins()) {
    SCOPED_TRACE(name);
    WorkbookOpenOptions options;
    options.showHiddenSheets = true;
    Workbook* books[2] = {nullptr, nullptr};
    int32_t format = 0;
    const std::string paths[2] = {xlxtest::CorpusDir() + "/xlsx/" + name + ".xlsx", xlxtest::CorpusDir() + "/xlsb/" + name + ".xlsb"};
    for (int k = 0; k < 2; ++k)
      if (OpenWorkbook(xlxtest::U16(paths[k]).c_str(), options, &books[k], &format) != 1) books[k] = nullptr;
    if (books[0] && books[1] && GetSheetCount(books[0]) == GetSheetCount(books[1])) {
      for (int32_t s = 0; s < GetSheetCount(books[0]); ++s) {
        const std::string xml = Describe(*GetSheet(books[0], s)), binary = Describe(*GetSheet(books[1], s));
        EXPECT_EQ(binary, xml) << "sheet " << s;
        compared += !xml.empty();
      }
    }
    FreeWorkbook(books[0]), FreeWorkbook(books[1]);
  }
  if (!xlxtest::CorpusTwins().empty()) {
    EXPECT_GE(compared, 5);  // notes, formats, a table and pivots
  }
}

// A block over B2:B10 with one rule (kind, template, parameter, flags, one formula) and what follows it.
std::string Block(uint32_t kind, uint32_t tmpl, uint32_t param, uint16_t flags, const std::string& formula,
                  const std::string& inner = "", const std::string& text = "") {
  std::string part;
  AppendRecord(&part, 461, Payload().U32(1).U32(0).U32(1).U32(1).U32(9).U32(1).U32(1));
  Payload rule;
  rule.U32(kind).U32(tmpl).U32(2).U32(7).U32(param).U32(0).U32(0).U16(flags).U32(uint32_t(formula.size())).U32(0).U32(0);
  if (text.empty()) {
    rule.U32(0xFFFFFFFFu);
  } else {
    rule.Wide(text);
  }
  if (!formula.empty()) rule.U32(uint32_t(formula.size())).Raw(formula).U32(0);
  AppendRecord(&part, 463, rule);
  part += inner;
  AppendRecord(&part, 464, "");
  AppendRecord(&part, 462, "");
  return part;
}

std::string Record(uint32_t number, const Payload& payload) {
  std::string record;
  AppendRecord(&record, number, payload);
  return record;
}
std::string Value(uint32_t kind, double number, bool gte = true) {
  return Record(471, Payload().U32(kind).F64(number).U32(1).U32(gte).U32(0));
}
std::string Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return Record(564, Payload().U8(5).U8(0xFF).U16(0).U8(r).U8(g).U8(b).U8(0xFF));
}
std::string Wrap(uint32_t begin, const Payload& head, const std::string& inner) {
  return Record(begin, head) + inner + Record(begin + 1, Payload());
}

TEST(XlsbObjects, ConditionalFormatRecordsBecomeTheRulesTheyDescribe) {
  const std::string relativeGreater = Payload().U8(0x44).U32(1).U16(0xC001).U8(0x1E).U16(5).U8(0x0D).Bytes();
  struct Case { std::string records, expect; };
  const Case cases[] = {
      {Block(1, 0, 5, 0x02, Payload().U8(0x1E).U16(3).Bytes()), "1 op5 dxf2 pri7 stop f=3"},
      {Block(2, 1, 0, 0, relativeGreater), "7 op0 dxf2 pri7 f=B2>5"},  // relative to the block's B2
      {Block(2, 8, 2, 0, "", "", "ab"), "38 op11 dxf2 pri7 text=ab"},
      {Block(2, 18, 0, 0, ""), "37 op0 dxf2 pri7 period=2"},
      {Block(2, 26, 1, 0, ""), "32 op0 dxf2 pri7 sd=1"},
      {Block(5, 5, 3, 0x18, ""), "5 op0 dxf2 pri7 rank=3 bottom percent"},
      {Block(3, 2, 0, 0, "", Wrap(469, Payload(), Value(2, 0) + Value(4, 50) + Value(3, 0) + Rgb(255, 0, 0) + Rgb(0, 255, 0) + Rgb(0, 0, 255))),
       "3 op0 dxf2 pri7 scale=1:,3:50,2:,#ff0000"},
      {Block(3, 2, 0, 0, "", Wrap(469, Payload(), Value(2, 0) + Value(3, 0) + Rgb(255, 0, 0))), "3 op0 dxf2 pri7"},
      {Block(4, 3, 0, 0, "", Wrap(467, Payload().U8(20).U8(80).U8(0), Value(1, 2.5) + Value(3, 0) + Rgb(1, 2, 3))),
       "4 op0 dxf2 pri7 bar=20-80 hide 0:2.5 #030201"},
      {Block(6, 4, 0, 0, "", Wrap(465, Payload().U32(8).U32(6), Value(4, 0) + Value(4, 25) + Value(4, 50, false) + Value(4, 75))),
       "6 op0 dxf2 pri7 icons=8 reverse hide 25,50>,75"},
      {Block(6, 4, 0, 0, "", Wrap(465, Payload().U32(8).U32(0), Value(4, 0) + Value(4, 25))), "6 op0 dxf2 pri7"},
  };
  for (const Case& c : cases) {
    xlxtest::BinaryBook book;
    book.sheetNames = {"S"};
    book.sheetRecords = {c.records};
    xlxtest::OpenedPackage package(xlxtest::BinaryWorkbookEntries(book));
    ASSERT_EQ(package.rc, 1) << c.expect;
    const MyWorksheet& sheet = *GetSheet(package.workbook, 0);
    ASSERT_TRUE(sheet.condFormats && sheet.condFormats->blocks.size() == 1) << c.expect;
    const CondFmt& block = sheet.condFormats->blocks[0];
    ASSERT_EQ(block.rules.size(), 1u);
    EXPECT_EQ(std::make_tuple(block.ranges[0].first.row, block.ranges[0].last.row, block.ranges[0].first.column),
              std::make_tuple(2, 10, 2));
    const CfRule& r = block.rules[0];
    std::string got = std::to_string(r.type) + " op" + std::to_string(r.op) + " dxf" + std::to_string(r.dxfId) + " pri" +
                      std::to_string(r.priority) + (r.stopIfTrue ? " stop" : "");
    for (const std::u16string& f : r.formulas) got += " f=" + Ascii(NoBlanks(f));
    if (!r.text.empty()) got += " text=" + Ascii(r.text);
    if (r.type == kCfTimePeriod) got += " period=" + std::to_string(r.timePeriod);
    if (r.stdDev) got += " sd=" + std::to_string(r.stdDev);
    if (r.type == kCfTop10) got += " rank=" + std::to_string(r.rank) + (r.isBottom ? " bottom" : "") + (r.isPercent ? " percent" : "");
    auto point = [](const CfValue& v) { return std::to_string(v.kind) + ":" + Ascii(v.formula); };
    auto hex = [](CellColor c) { char t[16]; snprintf(t, sizeof t, "#%06x", unsigned(c & 0xFFFFFF)); return std::string(t); };
    if (r.colorScale) {
      got += " scale=";
      for (const CfValue& v : r.colorScale->points) got += point(v) + ",";
      got += hex(r.colorScale->colors.back());
    }
    if (r.dataBar)
      got += " bar=" + std::to_string(r.dataBar->minLength) + "-" + std::to_string(r.dataBar->maxLength) +
             (r.dataBar->showValue ? "" : " hide") + " " + point(r.dataBar->low) + " " + hex(r.dataBar->color);
    if (r.iconSet) {
      got += " icons=" + std::to_string(r.iconSet->set) + (r.iconSet->reverse ? " reverse" : "") + (r.iconSet->showValue ? " " : " hide ");
      for (size_t i = 1; i < r.iconSet->thresholds.size(); ++i) {
        const CfValue& v = r.iconSet->thresholds[i];
        got += Ascii(v.formula) + (v.gte ? "" : ">") + (i + 1 < r.iconSet->thresholds.size() ? "," : "");
      }
    }
    EXPECT_EQ(got, c.expect);
  }
}

TEST(XlsbObjects, HostileRecordsLoseOnlyWhatTheyDescribe) {
  std::string sheet;  // a block claiming 2^32-1 ranges, a rule outside any block, a range past the sheet
  AppendRecord(&sheet, 461, Payload().U32(1).U32(0).U32(0xFFFFFFFFu).U32(0));
  AppendRecord(&sheet, 463, Payload().U32(1).U32(0));
  sheet += Block(1, 0, 3, 0, Payload().U8(0x1E).U16(1).Bytes()).replace(19, 4, std::string("\x00\x00\x10\x00", 4));
  std::string comments;  // a note past the sheet, one cut off, one with runs out of order and \r\n
  AppendRecord(&comments, 632, Payload().Wide("Ann"));
  AppendRecord(&comments, 635, Payload().U32(0).U32(2000000).U32(2000000).U32(0).U32(0));
  AppendRecord(&comments, 636, "");
  AppendRecord(&comments, 635, Payload().U32(7).U32(0).U32(0).U32(1).U32(1));
  AppendRecord(&comments, 637, Payload().U8(1).Wide("cut").U32(1000));
  AppendRecord(&comments, 636, "");
  AppendRecord(&comments, 635, Payload().U32(0).U32(4).U32(4).U32(2).U32(2));
  AppendRecord(&comments, 637, Payload().U8(1).Wide("Ann:\r\nhi there").U32(3).U16(0).U16(0).U16(99).U16(0).U16(4).U16(0));
  AppendRecord(&comments, 636, "");
  std::string table;  // a cut-off list record: no table
  AppendRecord(&table, 343, Payload().U32(0).U32(5).U32(0).U32(2).U32(0));
  std::string pivot;  // a location whose header and data places lie outside it are clamped into it
  AppendRecord(&pivot, 314, Payload().U32(3).U32(8).U32(0).U32(3).U32(1).U32(900).U32(2).U32(9).U32(0));
  AppendRecord(&pivot, 289, "");
  AppendRecord(&pivot, 513, Payload().U16(0x33).Wide("NoSuchStyle"));
  xlxtest::BinaryBook book;
  book.sheetNames = {"S"};
  book.sheetRecords = {sheet + xlxtest::TablePartRecord()};
  std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
  for (xlxtest::ZipEntry& e : xlxtest::SheetObjectEntries(comments, table, pivot)) entries.push_back(e);
  xlxtest::OpenedPackage package(entries);
  ASSERT_EQ(package.rc, 1);
  const MyWorksheet& s = *GetSheet(package.workbook, 0);
  EXPECT_EQ(s.condFormats, nullptr);
  ASSERT_EQ(s.legacy.notes.size(), 1u);
  const SheetNote& note = s.legacy.notes[0];
  EXPECT_EQ(std::make_tuple(note.row, note.column, note.author), std::make_tuple(5, 3, std::u16string(u"Ann")));
  ASSERT_EQ(note.runs.size(), 2u);
  EXPECT_EQ(note.runs[0].text + u"|" + note.runs[1].text, u"Ann:|\nhi there");
  EXPECT_EQ(note.runs[0].face, u"Calibri");
  ASSERT_EQ(s.tables.items.size(), 1u);
  const TableBase& p = s.tables.items[0];
  EXPECT_EQ(std::make_tuple(p.kind, p.range.RowFirst, p.pivot.firstHeaderRow, p.pivot.firstDataRow, p.pivot.pageRows),
            std::make_tuple(int32_t(kTableKindPivot), 4, 0, 6, 1));
  EXPECT_TRUE(p.pivot.showRowHeaders && p.showLastColumn && !p.showRowStripes && p.style == nullptr);
}

TEST(XlsbObjects, TablesDrawWithTheCustomStylesOfTheStylesPart) {
  std::string styles = xlxtest::DefaultStylesPart();
  AppendRecord(&styles, 508, Payload().U32(1).Wide("Mine").Wide("PivotStyleLight16"));
  AppendRecord(&styles, 510, Payload().U16(0x02).U32(3).Wide("Mine"));
  AppendRecord(&styles, 512, Payload().U32(kTseHeaderRow).U32(1).U32(0));         // no such dxf
  AppendRecord(&styles, 512, Payload().U32(kTseFirstRowStripe).U32(30).U32(0));   // band of 9 at most
  AppendRecord(&styles, 512, Payload().U32(99).U32(1).U32(0));                    // unknown kind
  AppendRecord(&styles, 511, "");
  AppendRecord(&styles, 509, "");
  std::string table;
  AppendRecord(&table, 343, Payload().U32(1).U32(9).U32(2).U32(3).U32(0).U32(4).U32(0).U32(1).U32(0).Raw(std::string(24, '\xFF'))
                                .U32(0).U32(0xFFFFFFFFu).Wide("Sales").U32(0xFFFFFFFFu));
  AppendRecord(&table, 347, Payload().U32(1).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0xFFFFFFFFu).Wide("Region"));
  AppendRecord(&table, 513, Payload().U16(0x05).Wide("Mine"));
  xlxtest::BinaryBook book;
  book.sheetNames = {"S"};
  book.styles = styles;
  book.sheetRecords = {xlxtest::TablePartRecord()};
  std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
  for (xlxtest::ZipEntry& e : xlxtest::SheetObjectEntries("", table, "")) entries.push_back(e);
  xlxtest::OpenedPackage package(entries);
  ASSERT_EQ(package.rc, 1);
  const MyWorksheet& sheet = *GetSheet(package.workbook, 0);
  ASSERT_EQ(sheet.tables.items.size(), 1u);
  const TableBase& t = sheet.tables.items[0];
  EXPECT_EQ(std::make_tuple(t.range.RowFirst, t.range.RowLast, t.range.ColFirst, t.range.ColLast, t.id, t.totalsRowCount),
            std::make_tuple(2, 10, 3, 4, 4, 1));
  EXPECT_EQ(t.name + u"|" + t.columns.at(0).name, u"Sales|Region");
  EXPECT_TRUE(t.showFirstColumn && t.showRowStripes && !t.showLastColumn);
  ASSERT_NE(t.style, nullptr);
  EXPECT_TRUE(t.style->elements[kTseHeaderRow].present && !t.style->elements[kTseWholeTable].present);
  EXPECT_EQ(t.style->elements[kTseFirstRowStripe].size, 9);
  EXPECT_EQ(package.workbook->styles.defaultPivotStyle, u"PivotStyleLight16");
}

}  // namespace
