// Shared strings, rich runs and defined names.
#include <gtest/gtest.h>

#include <tuple>

#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"

using namespace xlx;
using xlxtest::Xml;

namespace {

std::string Sst(const std::string& attributes, const std::string& body) {
  return xlxtest::MainPart("sst " + attributes, body);
}

std::u16string Text(const RichString& s) { return s.text ? std::u16string(s.text, size_t(s.textLength)) : u"<null>"; }

struct Strings {
  explicit Strings(const std::string& xml) : doc(xml) {
    rc = ReadSharedStrings(&workbook->sharedStrings, *workbook, doc.Root());
  }
  const SharedStringTable& table() const { return workbook->sharedStrings; }
  xlxtest::WorkbookPtr workbook;
  Xml doc;
  int32_t rc = 0;
};

TEST(SharedStrings, CountComesFromUniqueCountOrChildren) {
  const std::string five = "<si><t>a</t></si><si><t>b</t></si><si><t>c</t></si><si><t>d</t></si><si><t>e</t></si>";
  struct Case {
    std::string attributes;
    int32_t count, stored;
  };
  const Case kCases[] = {
      {"count=\"9\" uniqueCount=\"3\"", 3, 3}, {"count=\"9\"", 5, 5}, {"uniqueCount=\"10\"", 10, 5},
      {"uniqueCount=\"0\"", 0, 0},            {"uniqueCount=\"-7\"", 0, 0}, {"uniqueCount=\"junk\"", 5, 5},
      {"uniqueCount=\"4000000000\"", 1 << 28, 5},
  };
  for (const Case& c : kCases) {
    Strings s(Sst(c.attributes, five));
    ASSERT_EQ(s.rc, 1) << c.attributes;
    EXPECT_EQ(s.table().count, c.count) << c.attributes;
    EXPECT_EQ(s.table().strings.Count(), c.stored) << c.attributes;
  }
  // Indices the count covers past the children read as empty; beyond the count, entry 0.
  Strings s(Sst("uniqueCount=\"10\"", five));
  EXPECT_EQ(Text(GetSharedString(s.table(), 4)), u"e");
  EXPECT_EQ(Text(GetSharedString(s.table(), 7)), u"");
  EXPECT_EQ(Text(GetSharedString(s.table(), 10)), u"a");
  EXPECT_EQ(Text(GetSharedString(s.table(), -1)), u"") << "a shared-string cell without a value";
  Strings empty(Sst("", ""));
  EXPECT_EQ(Text(GetSharedString(empty.table(), 0)), u"");
}

TEST(SharedStrings, RichRunsJoinAndCarryFonts) {
  Strings s(Sst("",
                "<si><r><t>Hel</t></r><r><rPr><b/><sz val=\"14\"/><color rgb=\"FFFF0000\"/></rPr><t>lo</t></r></si>"
                "<si><t>base</t><rPh sb=\"0\" eb=\"1\"><t>furigana</t></rPh><phoneticPr fontId=\"1\"/></si>"
                "<si/>"
                "<si><t xml:space=\"preserve\">  two  </t></si>"
                "<si><x:t xmlns:x=\"urn:x\">pre</x:t><x:r xmlns:x=\"urn:x\"><x:t>fixed</x:t></x:r></si>"
                "<si><t>caf\xC3\xA9 \xF0\x9F\x98\x80 \xE2\x82\xAC</t></si>"
                "<si><r><t/></r><r><rPr/></r></si>"));
  ASSERT_EQ(s.rc, 1);
  const RichString& hello = GetSharedString(s.table(), 0);
  EXPECT_EQ(Text(hello), u"Hello");
  ASSERT_EQ(hello.runCount, 2);
  EXPECT_EQ(std::u16string(hello.runs[0].text), u"Hel");
  EXPECT_EQ(hello.runs[0].font, nullptr);
  ASSERT_NE(hello.runs[1].font, nullptr);
  const MyLogFont& bold = *hello.runs[1].font;
  EXPECT_EQ(std::make_tuple(bold.lfWeight, bold.lfHeight, bold.color), std::make_tuple(700, -19, 0xFF0000FFu));  // 14 pt
  const RichString& phonetic = GetSharedString(s.table(), 1);
  EXPECT_EQ(Text(phonetic), u"base");
  EXPECT_EQ(phonetic.runCount, 3);
  EXPECT_EQ(phonetic.runs[1].text, nullptr) << "phonetic runs leave their slot empty";

  EXPECT_EQ(Text(GetSharedString(s.table(), 2)), u"");
  EXPECT_EQ(GetSharedString(s.table(), 2).runCount, 0);
  const RichString& plain = GetSharedString(s.table(), 3);
  EXPECT_EQ(Text(plain), u"  two  ");
  EXPECT_EQ(plain.runCount, 0) << "a plain string keeps no runs";
  EXPECT_EQ(plain.runs, nullptr);
  EXPECT_EQ(Text(GetSharedString(s.table(), 4)), u"prefixed");
  EXPECT_EQ(Text(GetSharedString(s.table(), 5)), u"caf\u00e9 \U0001F600 \u20ac");
  EXPECT_EQ(GetSharedString(s.table(), 5).textLength, 9);
  const RichString& blanks = GetSharedString(s.table(), 6);
  EXPECT_EQ(Text(blanks), u"");
  EXPECT_EQ(blanks.runCount, 2);
}

std::string WorkbookXml(const std::string& names) {
  return xlxtest::MainPart("workbook", "<sheets/><definedNames>" + names + "</definedNames>");
}

TEST(DefinedNames, FirstOfEachNameWinsAndPrintAreasArePerSheet) {
  xlxtest::WorkbookPtr workbook;
  Xml xml(WorkbookXml(
      "<definedName name=\"Rate\" localSheetId=\"1\">Sheet2!$A$1</definedName>"
      "<definedName name=\"Rate\">Sheet1!$B$2</definedName>"
      "<definedName name=\"RATE\">Sheet1!$C$3</definedName>"
      "<definedName name=\"\">ignored</definedName><definedName>ignored</definedName>"
      "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"2\">Third!$A$1:$D$9</definedName>"
      "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"2\">Third!$A$1:$Z$99</definedName>"
      "<definedName name=\"_xlnm.Print_Area\">First!$A$1:$B$2</definedName>"
      "<definedName name=\"Sales\">Table1[Amount]</definedName>"
      "<definedName name=\"Total\">SUM(Sheet1!$A:$A)</definedName>"));
  ASSERT_EQ(ReadDefinedNames(workbook.workbook, xml.Root()), 1);
  ASSERT_EQ(workbook->definedNames.size(), 3u);
  EXPECT_EQ(workbook->definedNames[0].localSheetId, 1);
  EXPECT_EQ(std::u16string(FindDefinedName(workbook.workbook, u"Rate")), u"Sheet2!$A$1");
  EXPECT_EQ(std::u16string(FindDefinedName(workbook.workbook, u"rate")), u"Sheet2!$A$1");
  EXPECT_EQ(std::u16string(FindDefinedName(workbook.workbook, u"Sales")), u"#REF!") << "no tables yet";
  EXPECT_EQ(std::u16string(FindDefinedName(workbook.workbook, u"Total")), u"SUM(Sheet1!$A:$A)");
  EXPECT_EQ(FindDefinedName(workbook.workbook, u"Missing"), nullptr);
  EXPECT_EQ(std::u16string(GetPrintArea(workbook.workbook, 2)), u"Third!$A$1:$D$9");
  EXPECT_EQ(std::u16string(GetPrintArea(workbook.workbook, 0)), u"First!$A$1:$B$2");
  EXPECT_EQ(GetPrintArea(workbook.workbook, 1), nullptr);

  // With a table known, the structured reference is kept for the table reader to resolve.
  workbook->tableCount = 1;
  ASSERT_EQ(ReadDefinedNames(workbook.workbook, xml.Root()), 1);
  EXPECT_EQ(std::u16string(FindDefinedName(workbook.workbook, u"Sales")), u"Table1[Amount]");
  EXPECT_EQ(workbook->definedNames.size(), 3u) << "a second read starts afresh";
}

}  // namespace
