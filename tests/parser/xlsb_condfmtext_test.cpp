// Extension records of binary conditional formats: hand-built blocks become the same data bars and
// icon sets as the x14 elements of the XML form, tied to their plain rules by id.
#include <gtest/gtest.h>

#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/xlsbcfrecords.h"

using namespace xlx;
using namespace xlxtest;

namespace {

std::string Hex(CellColor c) {  // the model keeps red in the low byte
  char t[8];
  return std::string(t, snprintf(t, sizeof t, "%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
}

std::string Describe(const CfRule& r) {
  std::string s = std::to_string(r.type) + " p" + std::to_string(r.priority) + (r.ownDxf ? " fill" + Hex(r.ownDxf->fill.foreColor) : "");
  for (const std::u16string& f : r.formulas) s += " f=" + std::string(f.begin(), f.end());
  if (const CfDataBar* b = r.dataBar.get())
    s += " bar" + std::to_string(b->minLength) + "-" + std::to_string(b->maxLength) + (b->gradient ? " grad" : " solid") +
         (b->border ? " border" : "") + " dir" + std::to_string(b->direction) + " axis" + std::to_string(b->axisPosition) + " " +
         Hex(b->color) + " b" + Hex(b->borderColor) + (b->negativeSameAsPositive ? " n=" : " n" + Hex(b->negativeColor)) +
         (b->negativeBorderSameAsPositive ? " nb=" : " nb" + Hex(b->negativeBorderColor)) + " a" + Hex(b->axisColor) + " " +
         std::to_string(b->low.kind) + ":" + std::string(b->low.formula.begin(), b->low.formula.end()) + "," + std::to_string(b->high.kind);
  if (const CfIconSet* i = r.iconSet.get()) {
    s += " icons" + std::to_string(i->set) + (i->reverse ? " reverse" : "") + (i->showValue ? "" : " hide");
    for (const CfValue& v : i->thresholds) s += " " + std::string(v.formula.begin(), v.formula.end()) + (v.gte ? "" : ">");
    for (const CfIcon& c : i->custom) s += " " + std::to_string(c.set) + "." + std::to_string(c.index);
  }
  return s;
}

TEST(XlsbCondFormatExtensions, RecordsBecomeTheRulesOfTheXmlExtension) {
  const std::string plainBar = Rec(467, Payload().U8(10).U8(90).U8(1)) + CfVal(471, 2, 0) + CfVal(471, 3, 0) + CfRgb(564, 0x112233) + Rec(468);
  const std::string pct = CfVal(1050, 4, 0) + CfVal(1050, 4, 33) + CfVal(1050, 4, 67, false);
  const std::string five = CfVal(471, 4, 0) + CfVal(471, 4, 20) + CfVal(471, 4, 40) + CfVal(471, 4, 60) + CfVal(471, 4, 80);
  struct Case { std::string records, expect, styles = ""; };
  // An extension format with a solid fill, which extension rules name by index.
  const std::string styles = DefaultStylesPart() + Rec(1171, Payload().U32(0).U16(0).U16(2).U16(0).U16(5).U8(1).U16(2).U16(12).Raw(CfRgb(564, 0x00FF00).substr(3)));
  const Case cases[] = {
      // The plain bar keeps its colour; border, negative fill, negative border and axis follow in order.
      {CfPlain(4, 3, plainBar, kCfGuid) + CfExt(4, 0, -1, CfBar14(2, 1, 0x0D, CfVal(1050, 2, 0) + CfVal(1050, 3, 0) + CfRgb(1055, 0xA00000) +
                                                                 CfRgb(1055, 0x00B000) + CfRgb(1055, 0x0000C0) + CfRgb(1055, 0x444444))),
       "4 p3 bar0-100 solid border dir2 axis1 112233 ba00000 n00b000 nb0000c0 a444444 1:,2"},
      // A bar of its own takes its fill; no axis colour without an axis.
      {CfExt(4, 0, 5, CfBar14(0, 2, 0x02, CfVal(1050, 1, 2.5) + CfVal(1050, 9, 0) + CfRgb(1055, 0x5080FF) + CfRgb(1055, 0xFF0000))),
       "4 p5 bar0-100 grad dir0 axis2 5080ff b638ec6 n= nb= a000000 0:2.5,7"},
      {CfExt(6, 4, 2, CfIcons14(17, 0x06, pct)), "6 p2 icons17 reverse hide 0 33 67>"},
      {CfExt(6, 4, 2, CfIcons14(0, 0x05, pct + CfIconRecord(17, 2) + CfIconRecord(-1, -1) + CfIconRecord(3, 9))), "6 p2 icons0 0 33 67> 17.2 20.0 20.0"},
      // An icon set in the extension replaces the plain one and keeps its priority.
      {CfPlain(6, 4, Rec(465, Payload().U32(0).U32(0)) + CfVal(471, 4, 0) + CfVal(471, 4, 50) + CfVal(471, 4, 70) + Rec(466), kCfGuid) +
           CfExt(6, 4, -1, CfIcons14(19, 0, CfVal(1050, 4, 0) + CfVal(1050, 4, 20) + CfVal(1050, 4, 40) + CfVal(1050, 4, 60) + CfVal(1050, 4, 80))),
       "6 p3 icons19 0 20 40 60 80"},
      {CfPlain(6, 4, Rec(465, Payload().U32(13).U16(4)) + five + Rec(466)), "6 p3 icons13 reverse 0 20 40 60 80"},
      {CfExt(2, 1, 4, "", kCfGuid, CfSpan(), Payload().U8(0x1E).U16(7).Bytes()), "7 p4 fill00ff00 f=7", styles},
      // A plain value with a formula (type 7).
      {CfPlain(4, 3, Rec(467, Payload().U8(10).U8(90).U8(1)) + Rec(471, Payload().U32(7).F64(0).U32(1).U32(1).U32(3).U32(3).U8(0x1E).U16(5).U32(0)) +
                       CfVal(471, 3, 0) + CfRgb(564, 0x112233) + Rec(468)),
       "4 p3 bar10-90 grad dir0 axis0 112233 b112233 nff0000 nb= a000000 5:5,2"},
      // Ranges past the record, a formula past the record: only the last block stays.
      {Rec(1046, Payload().U32(2).U32(0xFFFFFFFFu)) + Rec(1048, Payload().U32(0).U32(6)) + Rec(1049) + Rec(1047) +
           Rec(1046, Payload().U32(2).U32(1).U32(2).U32(1).U32(1).U32(9).U32(1).U32(1).U32(1).U32(0)) +
           Rec(1048, Payload().U32(4).U32(1).U32(2).U32(0xFFFFFF00u).U32(0)) + Rec(1049) + Rec(1047) + CfExt(6, 4, 2, CfIcons14(18, 0, pct)),
       "6 p2 icons18 0 33 67>"},
  };
  for (const Case& c : cases) {
    xlxtest::BinaryBook book;
    book.sheetNames = {"S"};
    book.sheetRecords = {c.records};
    book.styles = c.styles;
    xlxtest::OpenedPackage package(xlxtest::BinaryWorkbookEntries(book));
    ASSERT_EQ(package.rc, 1) << c.expect;
    const MyWorksheet& sheet = *GetSheet(package.workbook, 0);
    ASSERT_TRUE(sheet.condFormats && sheet.condFormats->blocks.size() == 1) << c.expect;
    ASSERT_EQ(sheet.condFormats->blocks[0].rules.size(), 1u) << c.expect;
    EXPECT_EQ(sheet.condFormats->blocks[0].ranges[0].last.row, 10);
    EXPECT_EQ(Describe(sheet.condFormats->blocks[0].rules[0]), c.expect);
  }
}

}  // namespace
