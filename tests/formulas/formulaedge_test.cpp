// The application's rules at the edges of each function family: booleans and texts in references
// against the same values given directly, empty cells and omitted arguments, errors passed through,
// implicit intersection, and dates at the start of the 1900 system.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/apiutils.h"
#include "tests/formulas/formulabook.h"
#include "values/formula.h"

namespace {

std::string Show(const xlx::ExcelValue& v) {
  switch (v.type) {
    case xlx::kValueNumber: return xlx::Utf16ToUtf8(xlx::NumberToText(xlx::RoundTo15Digits(v.dVal)));
    case xlx::kValueString: return "'" + xlx::Utf16ToUtf8(v.strVal) + "'";
    case xlx::kValueBoolean: return v.bVal ? "TRUE" : "FALSE";
    case xlx::kValueError: return xlx::Utf16ToUtf8(v.strVal);
    default: return "?";
  }
}

// A1:A6 = 1, 2, 3, 'x', TRUE, '7; B1:B2 texts; D empty; E1:E6 = 10..60; F1 = #N/A. Formulas are
// computed as if they stood in I3.
void Check(const std::vector<std::pair<const char*, const char*>>& cases) {
  xlx::Workbook* wb = xlxtest::BuildBook(
      {{"S", {{"A1", "1"}, {"A2", "2"}, {"A3", "3"}, {"A4", "'x"}, {"A5", "TRUE"}, {"A6", "'7"}, {"B1", "'apple"},
              {"B2", "'Banana"}, {"E1", "10"}, {"E2", "20"}, {"E3", "30"}, {"E4", "40"}, {"E5", "50"}, {"E6", "60"},
              {"F1", "#N/A"}}}});
  ASSERT_NE(wb, nullptr);
  for (const auto& c : cases) {
    xlx::ExcelValue v;
    std::u16string text = xlx::Utf8ToUtf16(c.first);
    int32_t rc = xlx::EvaluateFormulaText(wb, 0, 3, 9, text.c_str(), &v);
    EXPECT_EQ(rc == 1 ? Show(v) : std::string("fail"), c.second) << c.first;
  }
  xlx::FreeWorkbook(wb);
}

TEST(FormulaEdges, AggregatesReadReferencesAndArgumentsDifferently) {
  Check({
      {"=SUM(A5)", "0"},          {"=SUM(TRUE)", "1"},          {"=SUM(A5,1)", "1"},       {"=SUM(A4)", "0"},
      {"=SUM(\"abc\")", "#VALUE!"}, {"=SUM(D1)", "0"},          {"=SUM(A6,\"7\")", "7"},   {"=COUNT(A5)", "0"},
      {"=COUNT(TRUE)", "1"},      {"=COUNTA(A5)", "1"},         {"=COUNTA(D1:D9)", "0"},   {"=COUNT(F1,1)", "1"},
      {"=AVERAGE(A5:A6)", "#DIV/0!"}, {"=AVERAGE(\"x\")", "#VALUE!"}, {"=AVERAGE(\"2\",4)", "3"},
      {"=MAX(A5,-1)", "-1"},      {"=MAX(TRUE,-1)", "1"},       {"=MIN(\"3\",5)", "3"},    {"=MIN(A6,5)", "5"},
      {"=PRODUCT(A4)", "0"},      {"=MEDIAN(D1:D3)", "#NUM!"},  {"=LARGE({1,2},0)", "#NUM!"},
      {"=STDEV(1)", "#DIV/0!"},   {"=RANK(99,E1:E6)", "#N/A"},  {"=SUMPRODUCT(A1:A6,E1:E6)", "140"},
      {"=SUMPRODUCT(A1:A2,E1:E3)", "#VALUE!"}, {"=SUMIF(B1:B6,B1,E1:E6)", "10"},
      {"=COUNTIFS(A1:A6,\">0\",E1:E5,\">0\")", "#VALUE!"}, {"=SUM(E1:E6 E2:E3)", "50"},
  });
}

TEST(FormulaEdges, MathArguments) {
  Check({
      {"=ROUND(\"2.5\",0)", "3"}, {"=ROUND(TRUE,0)", "1"}, {"=ROUND(A4,0)", "#VALUE!"}, {"=ROUND(D1,0)", "0"},
      {"=ROUND(,0)", "0"},        {"=ABS(F1)", "#N/A"},   {"=SQRT(A5)", "1"},          {"=INT(\"x\")", "#VALUE!"},
      {"=MOD(0,5)", "0"},         {"=MOD(-7,-2)", "-1"},  {"=MOD(7,-2)", "-1"},        {"=POWER(0,0)", "#NUM!"},
      {"=POWER(-8,1/3)", "#NUM!"}, {"=0^-1", "#DIV/0!"},  {"=A1:A6", "3"},             {"=A1:A2", "#VALUE!"},
      {"=E1:E6*2", "60"},         {"=-F1", "#N/A"},       {"=\"3\"*\"4\"", "12"},      {"=\"a\"*1", "#VALUE!"},
  });
}

TEST(FormulaEdges, TextArguments) {
  Check({
      {"=LEN(123)", "3"},        {"=LEN(TRUE)", "4"},          {"=LEN(D1)", "0"},        {"=LEFT(A5)", "'T'"},
      {"=LEFT(1234.5,3)", "'123'"}, {"=MID(\"abc\",5,1)", "''"}, {"=RIGHT(\"abc\",0)", "''"}, {"=UPPER(F1)", "#N/A"},
      {"=\"a\"&F1", "#N/A"},      {"=FIND(\"\",\"abc\")", "1"}, {"=SEARCH(\"z\",\"abc\")", "#VALUE!"},
      {"=SUBSTITUTE(\"abc\",\"\",\"x\")", "'abc'"}, {"=TRIM(\" \")", "''"}, {"=EXACT(1,\"1\")", "TRUE"},
      {"=TEXT(-1.5,\"0.0\")", "'-1.5'"}, {"=TEXT(0.25,\"0.0%\")", "'25.0%'"}, {"=TEXT(\"abc\",\"@\")", "'abc'"},
      {"=TEXT(45352,\"dddd\")", "'Friday'"}, {"=TEXT(1234.5,\"$#,##0.00\")", "'$1,234.50'"}, {"=CHAR(0)", "#VALUE!"},
      {"=CODE(\"\")", "#VALUE!"}, {"=CONCATENATE(A1,A5,D1)", "'1TRUE'"}, {"=\"x\"&D1", "'x'"},
  });
}

TEST(FormulaEdges, DatesAtTheStartOfTheCalendar) {
  Check({
      {"=YEAR(\"2024-03-01\")", "2024"}, {"=YEAR(-1)", "#NUM!"}, {"=DAY(0)", "0"}, {"=MONTH(0)", "1"},
      {"=YEAR(0)", "1900"},       {"=WEEKDAY(0)", "7"},      {"=DATE(2024,1,0)", "45291"}, {"=DATE(2024,0,1)", "45261"},
      {"=DATE(-1,1,1)", "#NUM!"}, {"=DATE(99,1,1)", "36161"}, {"=TIME(25,0,0)", "0.0416666666666667"},
      {"=TIME(0,-1,0)", "#NUM!"}, {"=EDATE(DATE(2024,3,31),-1)", "45351"}, {"=EOMONTH(DATE(2024,1,15),1)", "45351"},
      {"=DATEDIF(DATE(2024,1,31),DATE(2024,3,1),\"M\")", "1"}, {"=DATEDIF(DATE(2023,12,25),DATE(2024,1,5),\"YD\")", "11"},
      {"=DATEDIF(1,2,\"Q\")", "#NUM!"}, {"=DAYS(\"2024-03-01\",\"2024-02-01\")", "29"},
      {"=NETWORKDAYS(DATE(2024,1,31),DATE(2024,1,1))", "-23"}, {"=WEEKNUM(DATE(2024,1,1),2)", "1"},
      {"=WEEKNUM(DATE(2024,12,31))", "53"}, {"=ISOWEEKNUM(DATE(2024,12,30))", "1"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2025,1,1),1)", "1"}, {"=NETWORKDAYS.INTL(DATE(2024,1,1),DATE(2024,1,7),11)", "6"},
      {"=WORKDAY.INTL(DATE(2024,1,5),1,\"0000011\")", "45299"},
  });
}

TEST(FormulaEdges, LogicalLookupAndFinance) {
  Check({
      {"=AND(A4)", "#VALUE!"},   {"=OR(D1:D3)", "#VALUE!"},   {"=AND(TRUE,F1)", "#N/A"},  {"=NOT(\"TRUE\")", "FALSE"},
      {"=IF(F1,1,2)", "#N/A"},   {"=IFERROR(F1,\"x\")", "'x'"}, {"=IFERROR(A1,\"x\")", "1"}, {"=IFERROR(D1,1)", "0"},
      {"=ISNUMBER(\"1\")", "FALSE"}, {"=ISBLANK(\"\")", "FALSE"}, {"=ISTEXT(D1)", "FALSE"}, {"=N(\"5\")", "0"},
      {"=T(F1)", "#N/A"},         {"=TYPE(F1)", "16"},         {"=TYPE({1,2})", "64"},     {"=ERROR.TYPE(1/0)", "2"},
      {"=VLOOKUP(2,{1,\"a\";2,\"b\";3,\"c\"},2)", "'b'"}, {"=MATCH(\"x\",A1:A6,0)", "4"}, {"=MATCH(TRUE,A1:A6,0)", "5"},
      {"=MATCH(7,A1:A6,0)", "#N/A"}, {"=INDEX(A1:B2,2,2)", "'Banana'"}, {"=ROWS({1;2;3})", "3"},
      {"=COLUMNS(E:E)", "1"},     {"=OFFSET(E1,-1,0)", "#REF!"}, {"=CHOOSE(0,1)", "#VALUE!"},
      {"=INDIRECT(\"ZZZZ1\")", "#REF!"}, {"=INDIRECT(A1)", "#REF!"}, {"=XLOOKUP(25,E1:E6,B1:B6,,-1)", "'Banana'"},
      {"=XLOOKUP(F1,E1:E6,B1:B6)", "#N/A"}, {"=VLOOKUP(D1,E1:E6,1,FALSE)", "#N/A"},
      {"=PMT(0,10,1000)", "-100"}, {"=FV(0,10,-100)", "1000"}, {"=PV(0,5,-10)", "50"}, {"=NPER(0,-100,1000)", "10"},
      {"=IRR({1,2,3})", "#NUM!"}, {"=SLN(1,0,0)", "#DIV/0!"}, {"=NPV(-1,1)", "#DIV/0!"},
  });
}

}  // namespace
