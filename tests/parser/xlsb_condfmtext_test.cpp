// Extension records of binary conditional formats: hand-built blocks become the same data bars and
// icon sets as the x14 elements of the XML form, tied to their plain rules by id.
#include <gtest/gtest.h>

#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/xlsbcfrecords.h"

using namespace xlx;
using namespace xlxtest;

namespace {

const std::string kGuid = "0123456789abcdef";
const CfSpan kSpan;

std::string Plain(uint32_t kind, uint32_t tmpl, const std::string& inner, bool tied) {
  return CfPlain(kind, tmpl, 3, kSpan, inner, tied ? kGuid : "");
}
std::string Ext(uint32_t kind, uint32_t tmpl, int32_t priority, const std::string& inner, const std::string& formula = "") {
  return CfExt(kind, tmpl, priority, kSpan, inner, kGuid, formula);
}
std::string V(uint32_t number, uint32_t kind, double value, bool gte = true) { return CfVal(number, kind, value, gte); }
std::string Rgb(uint32_t number, uint32_t rgb, bool) { return CfRgb(number, rgb); }

std::string Hex(CellColor c) {
  char t[8];
  snprintf(t, sizeof t, "%02x%02x%02x", unsigned(c & 0xFF), unsigned((c >> 8) & 0xFF), unsigned((c >> 16) & 0xFF));
  return t;
}

std::string Describe(const CfRule& r) {
  std::string s = std::to_string(r.type) + " p" + std::to_string(r.priority);
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
  const std::string plainBar = Rec(467, Payload().U8(10).U8(90).U8(1)) + V(471, 2, 0) + V(471, 3, 0) + Rgb(564, 0x112233, false) + Rec(468);
  const std::string pct = V(1050, 4, 0) + V(1050, 4, 33) + V(1050, 4, 67, false);
  const std::string five = V(471, 4, 0) + V(471, 4, 20) + V(471, 4, 40) + V(471, 4, 60) + V(471, 4, 80);
  struct Case { std::string records, expect; };
  const Case cases[] = {
      // The plain bar keeps its colour; border, negative fill, negative border and axis follow in order.
      {Plain(4, 3, plainBar, true) + Ext(4, 0, -1, CfBar14(2, 1, 0x0D, V(1050, 2, 0) + V(1050, 3, 0) + Rgb(1055, 0xA00000, true) +
                                                                 Rgb(1055, 0x00B000, true) + Rgb(1055, 0x0000C0, true) + Rgb(1055, 0x444444, true))),
       "4 p3 bar0-100 solid border dir2 axis1 112233 ba00000 n00b000 nb0000c0 a444444 1:,2"},
      // A bar of its own takes its fill; no axis colour without an axis.
      {Ext(4, 0, 5, CfBar14(0, 2, 0x02, V(1050, 1, 2.5) + V(1050, 9, 0) + Rgb(1055, 0x5080FF, true) + Rgb(1055, 0xFF0000, true))),
       "4 p5 bar0-100 grad dir0 axis2 5080ff b638ec6 n= nb= a000000 0:2.5,7"},
      {Ext(6, 4, 2, CfIcons14(17, 0x06, pct)), "6 p2 icons17 reverse hide 0 33 67>"},
      {Ext(6, 4, 2, CfIcons14(0, 0x05, pct + CfIconRecord(17, 2) + CfIconRecord(-1, -1) + CfIconRecord(3, 9))), "6 p2 icons0 0 33 67> 17.2 20.0 20.0"},
      // An icon set in the extension replaces the plain one and keeps its priority.
      {Plain(6, 4, Rec(465, Payload().U32(0).U32(0)) + V(471, 4, 0) + V(471, 4, 50) + V(471, 4, 70) + Rec(466), true) +
           Ext(6, 4, -1, CfIcons14(19, 0, V(1050, 4, 0) + V(1050, 4, 20) + V(1050, 4, 40) + V(1050, 4, 60) + V(1050, 4, 80))),
       "6 p3 icons19 0 20 40 60 80"},
      {Plain(6, 4, Rec(465, Payload().U32(13).U32(4)) + five + Rec(466), false), "6 p3 icons13 reverse 0 20 40 60 80"},
      {Ext(2, 1, 4, "", Payload().U8(0x1E).U16(7).Bytes()), "7 p4 f=7"},
      // A plain value with a formula (type 7).
      {Plain(4, 3, Rec(467, Payload().U8(10).U8(90).U8(1)) + Rec(471, Payload().U32(7).F64(0).U32(1).U32(1).U32(3).U32(3).U8(0x1E).U16(5).U32(0)) +
                       V(471, 3, 0) + Rgb(564, 0x112233, false) + Rec(468), false),
       "4 p3 bar10-90 grad dir0 axis0 112233 b112233 nff0000 nb= a000000 5:5,2"},
      // Ranges past the record, a formula past the record: only the last block stays.
      {Rec(1046, Payload().U32(2).U32(0xFFFFFFFFu)) + Rec(1048, Payload().U32(0).U32(6)) + Rec(1049) + Rec(1047) +
           Rec(1046, Payload().U32(2).U32(1).U32(2).U32(1).U32(1).U32(9).U32(1).U32(1).U32(1).U32(0)) +
           Rec(1048, Payload().U32(4).U32(1).U32(2).U32(0xFFFFFF00u).U32(0)) + Rec(1049) + Rec(1047) + Ext(6, 4, 2, CfIcons14(18, 0, pct)),
       "6 p2 icons18 0 33 67>"},
  };
  for (const Case& c : cases) {
    xlxtest::BinaryBook book;
    book.sheetNames = {"S"};
    book.sheetRecords = {c.records};
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
