// The reader of conditional formats: rule kinds and their flags, priority order inside a block and
// across blocks, sqref lists, and extension rules tied to their plain rule by id.
#include <gtest/gtest.h>

#include "tests/parser/parsertestutil.h"

using namespace xlx;
using xlxtest::WorkbookPtr;
using xlxtest::Xml;

namespace {

const char* kHead = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\" "
                    "xmlns:xm=\"http://schemas.microsoft.com/office/excel/2006/main\">";

SheetCondFormats Read(const std::string& body) {
  WorkbookPtr wb;
  MyWorksheet sheet;
  Xml xml(kHead + body + "</worksheet>");
  EXPECT_EQ(ReadConditionalFormats(*wb, &sheet, xml.Root()), 1);
  return sheet.condFormats ? *sheet.condFormats : SheetCondFormats();
}

TEST(CondFormatReader, RuleKindsAndFlags) {
  const struct {
    const char* attributes;
    int32_t type;
  } cases[] = {
      {"type=\"aboveAverage\"", kCfAboveAverage},
      {"type=\"aboveAverage\" aboveAverage=\"0\"", kCfBelowAverage},
      {"type=\"aboveAverage\" equalAverage=\"1\"", kCfAboveOrEqualAverage},
      {"type=\"aboveAverage\" aboveAverage=\"0\" equalAverage=\"1\"", kCfBelowOrEqualAverage},
      {"type=\"notContainsText\"", kCfNotContainsText},
      {"type=\"somethingNew\"", kCfUnknown},
  };
  for (const auto& c : cases) {
    SheetCondFormats f = Read(std::string("<conditionalFormatting sqref=\"A1\"><cfRule priority=\"1\" ") + c.attributes +
                              "/></conditionalFormatting>");
    ASSERT_EQ(f.blocks.size(), 1u) << c.attributes;
    EXPECT_EQ(f.blocks[0].rules[0].type, c.type) << c.attributes;
  }
}

TEST(CondFormatReader, PrioritiesRangesAndBlocksInOrder) {
  SheetCondFormats f = Read(
      "<conditionalFormatting sqref=\"  C3:D4  F1 bad A:A\"><cfRule type=\"cellIs\" priority=\"5\" operator=\"between\">"
      "<formula>10</formula><formula>5</formula></cfRule><cfRule type=\"expression\" priority=\"3\"><formula>A1</formula>"
      "</cfRule></conditionalFormatting><conditionalFormatting sqref=\"B2\"><cfRule type=\"containsBlanks\" priority=\"1\"/>"
      "</conditionalFormatting><conditionalFormatting sqref=\"\"><cfRule type=\"containsBlanks\" priority=\"0\"/>"
      "</conditionalFormatting>");
  ASSERT_EQ(f.blocks.size(), 2u);  // the block without ranges is dropped
  EXPECT_EQ(f.blocks[0].rules[0].priority, 1);
  const CondFmt& b = f.blocks[1];
  ASSERT_EQ(b.ranges.size(), 3u);
  EXPECT_EQ(b.ranges[0].last.column, 4);
  EXPECT_TRUE(b.ranges[2].wholeColumns);
  ASSERT_EQ(b.rules.size(), 2u);
  EXPECT_EQ(b.rules[0].priority, 3);
  EXPECT_EQ(b.rules[1].op, kCfOpBetween);
  EXPECT_EQ(b.rules[1].formulas, (std::vector<std::u16string>{u"10", u"5"}));
}

TEST(CondFormatReader, ExtensionRulesReplaceTheirPartnersOrStandAlone) {
  SheetCondFormats f = Read(
      "<conditionalFormatting sqref=\"A1:A9\"><cfRule type=\"dataBar\" priority=\"2\"><dataBar><cfvo type=\"min\"/>"
      "<cfvo type=\"max\"/><color rgb=\"FF638EC6\"/></dataBar><extLst><ext uri=\"{B025F937-C7B1-47D3-B67F-A62EFF666E3E}\">"
      "<x14:id>{00000000-0000-0000-0000-000000000001}</x14:id></ext></extLst></cfRule></conditionalFormatting>"
      "<extLst><ext uri=\"{78C0D931-6437-407d-A8EE-F0AAD7539E65}\"><x14:conditionalFormattings>"
      "<x14:conditionalFormatting><x14:cfRule type=\"dataBar\" id=\"{00000000-0000-0000-0000-000000000001}\">"
      "<x14:dataBar minLength=\"0\" maxLength=\"100\" gradient=\"0\" axisPosition=\"middle\" direction=\"rightToLeft\">"
      "<x14:cfvo type=\"autoMin\"/><x14:cfvo type=\"autoMax\"/><x14:negativeFillColor rgb=\"FF00FF00\"/></x14:dataBar>"
      "</x14:cfRule><xm:sqref>A1:A9</xm:sqref></x14:conditionalFormatting>"
      "<x14:conditionalFormatting><x14:cfRule type=\"iconSet\" priority=\"1\" id=\"{2}\"><x14:iconSet iconSet=\"3Stars\" "
      "custom=\"1\"><x14:cfvo type=\"percent\"><xm:f>0</xm:f></x14:cfvo><x14:cfvo type=\"num\"><xm:f>10/3</xm:f></x14:cfvo>"
      "<x14:cfIcon iconSet=\"3Flags\" iconId=\"2\"/><x14:cfIcon iconSet=\"NoIcons\" iconId=\"0\"/></x14:iconSet></x14:cfRule>"
      "<xm:sqref>B1 B3</xm:sqref></x14:conditionalFormatting></x14:conditionalFormattings></ext></extLst>");
  ASSERT_EQ(f.blocks.size(), 2u);
  const CfIconSet* icons = f.blocks[0].rules[0].iconSet.get();  // priority 1 first
  ASSERT_TRUE(icons);
  EXPECT_EQ(f.blocks[0].ranges.size(), 2u);
  ASSERT_EQ(icons->custom.size(), 2u);
  EXPECT_EQ(icons->custom[0].set, kIcons3Flags);
  EXPECT_EQ(icons->custom[0].index, 2);
  EXPECT_EQ(icons->thresholds[1].formula, u"10/3");
  const CfDataBar* bar = f.blocks[1].rules[0].dataBar.get();
  ASSERT_TRUE(bar);
  EXPECT_TRUE(bar->extended);
  EXPECT_FALSE(bar->gradient);
  EXPECT_EQ(bar->axisPosition, kAxisMiddle);
  EXPECT_EQ(bar->direction, kBarRightToLeft);
  EXPECT_EQ(bar->low.kind, kCfvoAutoMin);
  EXPECT_EQ(bar->negativeColor, MakeCellColor(0, 0xFF, 0));
  EXPECT_EQ(bar->color, MakeCellColor(0x63, 0x8E, 0xC6));  // kept from the plain rule
  EXPECT_EQ(f.blocks[1].rules[0].priority, 2);
}

}  // namespace
