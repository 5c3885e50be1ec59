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
    EXPECT_EQ(std::make_tuple(s.rc, s.table().count, s.table().strings.Count()), std::make_tuple(1, c.count, c.stored))
        << c.attributes;
  }
  // Indices the count covers past the children read as empty; beyond the count, entry 0.
  // Index -1: a shared-string cell without a value.
  Strings s(Sst("uniqueCount=\"10\"", five)), empty(Sst("", ""));
  for (auto [index, text] : {std::pair{4, u"e"}, {7, u""}, {10, u"a"}, {-1, u""}})
    EXPECT_EQ(Text(GetSharedString(s.table(), index)), text) << index;
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
                "<si><r><t/></r><r><rPr/></r></si>"
                "<si><t>a_x000D__x000a_b_x005F_x0041_ _x12G4_ _x41_</t></si>"
                "<si><r><t>x_x0007_</t></r><r><t>_x00e9_</t></r></si>"));
  ASSERT_EQ(s.rc, 1);
  // Escaped units: _x005F_ keeps a literal "_x0041_"; malformed escapes stay as written.
  EXPECT_EQ(Text(GetSharedString(s.table(), 7)), u"a\r\nb_x0041_ _x12G4_ _x41_");
  EXPECT_EQ(GetSharedString(s.table(), 7).textLength, 25);
  EXPECT_EQ(Text(GetSharedString(s.table(), 8)), u"x\u0007\u00e9");
  // Text and run count of each string; phonetic runs leave their slot empty, a plain string keeps no runs.
  std::vector<std::pair<std::u16string, int32_t>> strings;
  for (int32_t i = 0; i < 7; ++i) strings.emplace_back(Text(GetSharedString(s.table(), i)), GetSharedString(s.table(), i).runCount);
  EXPECT_EQ(strings, (std::vector<std::pair<std::u16string, int32_t>>{
                         {u"Hello", 2}, {u"base", 3}, {u"", 0}, {u"  two  ", 0}, {u"prefixed", 2},
                         {u"caf\u00e9 \U0001F600 \u20ac", 0}, {u"", 2}}));
  const RichString& hello = GetSharedString(s.table(), 0);
  ASSERT_EQ(hello.runCount, 2);
  EXPECT_EQ(std::make_pair(std::u16string(hello.runs[0].text), hello.runs[0].font), std::make_pair(std::u16string(u"Hel"), (MyLogFont*)nullptr));
  ASSERT_NE(hello.runs[1].font, nullptr);
  const MyLogFont& bold = *hello.runs[1].font;
  EXPECT_EQ(std::make_tuple(bold.lfWeight, bold.lfHeight, bold.color), std::make_tuple(700, -19, 0xFF0000FFu));  // 14 pt
  EXPECT_EQ(GetSharedString(s.table(), 1).runs[1].text, nullptr);
  EXPECT_EQ(GetSharedString(s.table(), 3).runs, nullptr);
  EXPECT_EQ(GetSharedString(s.table(), 5).textLength, 9);
}

// "_xHHHH_" escapes decode once, left to right, in plain strings and in runs; anything not an exact
// escape stays as written.
TEST(SharedStrings, EscapesDecodeOnce) {
  const struct {
    const char* xml;
    std::u16string text;
  } kCases[] = {
      {"a_x000D_b", u"a\rb"},
      {"_x005F_x000D_", u"_x000D_"},
      {"_x005f_x005F_", u"_x005F_"},
      {"caf_x00e9__x00E9_", u"caf\u00e9\u00e9"},
      {"_xD83D__xDE00_", u"\U0001F600"},
      {"a_x0000_b", u"ab"},
      {"_x12G4_ _x123_ _X0041_ end_x0041", u"_x12G4_ _x123_ _X0041_ end_x0041"},
      {"__x0041__", u"_A_"},
  };
  std::string body;
  for (const auto& c : kCases) body += std::string("<si><t>") + c.xml + "</t></si>";
  body += "<si><r><t>r_x0031_</t></r><r><rPr><b/></rPr><t>_x0032__x005F_</t></r></si>";
  Strings s(Sst("", body));
  ASSERT_EQ(s.rc, 1);
  int32_t index = 0;
  for (const auto& c : kCases) {
    const RichString& got = GetSharedString(s.table(), index++);
    EXPECT_EQ(Text(got), c.text) << c.xml;
    EXPECT_EQ(got.text[got.textLength], u'\0') << c.xml;
  }
  const RichString& runs = GetSharedString(s.table(), index);
  EXPECT_EQ(Text(runs), u"r12_");
  ASSERT_EQ(runs.runCount, 2);
  EXPECT_EQ(std::make_pair(runs.runs[1].length, std::u16string(runs.runs[1].text)), std::make_pair(2, std::u16string(u"2_")));
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
  // "Sales" names a table while none is known.
  auto text = [](const char16_t* t) { return t ? std::u16string(t) : u"<null>"; };
  for (auto [name, formula] : {std::pair{u"Rate", u"Sheet2!$A$1"}, {u"rate", u"Sheet2!$A$1"}, {u"Sales", u"#REF!"},
                               {u"Total", u"SUM(Sheet1!$A:$A)"}, {u"Missing", u"<null>"}})
    EXPECT_EQ(text(FindDefinedName(workbook.workbook, name)), formula);
  EXPECT_EQ((std::vector<std::u16string>{text(GetPrintArea(workbook.workbook, 0)), text(GetPrintArea(workbook.workbook, 1)),
                                         text(GetPrintArea(workbook.workbook, 2))}),
            (std::vector<std::u16string>{u"First!$A$1:$B$2", u"<null>", u"Third!$A$1:$D$9"}));

  // With a table known, the structured reference is kept for the table reader to resolve.
  workbook->tableCount = 1;
  ASSERT_EQ(ReadDefinedNames(workbook.workbook, xml.Root()), 1);
  EXPECT_EQ(std::u16string(FindDefinedName(workbook.workbook, u"Sales")), u"Table1[Amount]");
  EXPECT_EQ(workbook->definedNames.size(), 3u) << "a second read starts afresh";
}

}  // namespace
