// The formula engine over in-memory sheets: operators and precedence, references and names, each
// function family against the application's results, and the cells the workbook pass computes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/apiutils.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/formulas/formulabook.h"
#include "tests/support/testsupport.h"
#include "values/formula/formula.h"
#include "values/formula/parse.h"

namespace {

using xlxtest::BookCell;
using xlxtest::BookSheet;
using xlxtest::ShowCells;
using Texts = std::vector<std::string>;
const auto Show = xlxtest::ShowValue;


// Data the cases refer to. Sheet1: A1:A6 numbers, a text, a boolean and a numeric text; B1:B6
// names; C1:C3 dates; D column empty. 'Other Sheet': A1 = 100.
xlx::Workbook* DataBook() {
  BookSheet s1{"Sheet1",
               {{"A1", "1"}, {"A2", "2"}, {"A3", "3"}, {"A4", "'x"}, {"A5", "TRUE"}, {"A6", "'7"},
                {"B1", "'apple"}, {"B2", "'Banana"}, {"B3", "'cherry"}, {"B4", "'date"}, {"B5", "'apple"},
                {"B6", "'fig"}, {"C1", "45292"}, {"C2", "45351"}, {"C3", "45658.75"}, {"E1", "10"},
                {"E2", "20"}, {"E3", "30"}, {"E4", "40"}, {"E5", "50"}, {"E6", "60"}, {"F1", "#N/A"},
                {"G1", "1"}, {"G2", "3"}, {"G3", "5"}, {"G4", "7"}, {"H1", "-100"}, {"H2", "30"}, {"H3", "40"},
                {"H4", "50"}}};
  BookSheet s2{"Other Sheet", {{"A1", "100"}, {"A2", "'two"}}};
  return xlxtest::BuildBook({s1, s2}, {{"Rate", "0.5"}, {"Data", "Sheet1!$E$1:$E$6"}, {"Self", "Self+1"}});
}

struct Case {
  const char* formula;
  const char* expected;  // Show() of the result, or "fail" when the formula cannot be computed
};

void RunCases(const std::vector<Case>& cases) {
  xlx::Workbook* wb = DataBook();
  ASSERT_NE(wb, nullptr);
  for (const Case& c : cases) {
    xlx::ExcelValue v;
    std::u16string text = xlx::Utf8ToUtf16(c.formula);
    int32_t rc = xlx::EvaluateFormulaText(wb, 0, 3, 9, text.c_str(), &v);  // as if in I3
    EXPECT_EQ(rc == 1 ? Show(v) : std::string("fail"), c.expected) << c.formula;
  }
  xlx::FreeWorkbook(wb);
}

TEST(FormulaOperators, PrecedenceAndCoercion) {
  RunCases({
      {"=1+2*3", "7"}, {"=(1+2)*3", "9"}, {"=-2^2", "4"}, {"=2^3^2", "64"}, {"=--A1", "1"}, {"=+5", "5"},
      {"=5*-2", "-10"}, {"=50%", "0.5"}, {"=2^-1", "0.5"}, {"=1&2", "'12'"}, {"=\"x\"&1.5", "'x1.5'"},
      {"=\"x\"&0.3", "'x0.3'"}, {"=1&TRUE", "'1TRUE'"}, {"=\"a\"\"b\"", "'a\"b'"}, {"=1E+20&\"\"", "'1E+20'"},
      {"=\"abc\"=\"ABC\"", "TRUE"}, {"=\"a\"<1", "FALSE"}, {"=TRUE>\"z\"", "TRUE"}, {"=1<2=TRUE", "TRUE"},
      {"=A4+1", "#VALUE!"}, {"=D1+1", "1"}, {"=A6+1", "8"}, {"=\"1,234\"+1", "1235"}, {"=A5*3", "3"},
      {"=1/0", "#DIV/0!"}, {"=F1+1", "#N/A"}, {"=0.1+0.2=0.3", "TRUE"}, {"=true", "TRUE"}, {"=abc", "#NAME?"},
      {"=(1)(2)", "fail"}, {"=SUM(1,", "fail"}, {"=\"open", "fail"}, {"=1+", "fail"}, {"=Table1[Col]", "fail"},
      {"= 1 + 2 ", "3"}, {"=A1:A3 A2:C2", "2"}, {"=A1:A2 C3:C4", "#NULL!"}, {"={1,2;3,4}*2", "2"},
  });
}

TEST(FormulaReferences, SheetsNamesAndRanges) {
  RunCases({
      {"='Other Sheet'!A1+1", "101"}, {"='other sheet'!A2", "'two'"}, {"=Missing!A1", "#REF!"},
      {"=Rate*4", "2"}, {"=SUM(Data)", "210"}, {"=Self", "fail"}, {"=SUM(E:E)", "210"}, {"=SUM(5:6)", "110"},
      {"=A3", "3"}, {"=E1:E6", "30"}, {"=SUM(E1:E2:E4)", "100"}, {"=ROWS(A1:C4)*COLUMNS(A1:C4)", "12"},
      {"=ROW()", "3"}, {"=COLUMN()", "9"}, {"=ROW(E5)", "5"}, {"=SUM(OFFSET(E1,1,0,2,1))", "50"},
      {"=INDIRECT(\"E\"&2)", "20"}, {"=SUM(INDIRECT(\"'Other Sheet'!A1:A2\"))", "100"},
      {"=ADDRESS(3,28)", "'$AB$3'"}, {"=ADDRESS(1,1,4,TRUE,\"My Sheet\")", "''My Sheet'!A1'"},
      {"=[1]Sheet1!A1", "fail"}, {"=_xlfn.CONCAT(\"a\",\"b\")", "'ab'"}, {"=_xlws.SORT(A1:A3)", "fail"},
  });
}

TEST(FormulaFunctions, MathAndStatistics) {
  RunCases({
      {"=SUM(A1:A6)", "6"}, {"=SUM(A1,A4)", "1"}, {"=SUM(1,\"x\")", "#VALUE!"}, {"=SUM(1,\"2\",TRUE)", "4"}, {"=SUM(A1:A3,F1)", "#N/A"},
      {"=SUMIF(B1:B6,\"apple\",E1:E6)", "60"}, {"=SUMIF(E1:E6,\">30\")", "150"}, {"=SUMIF(B1:B6,\"?a*\",E1:E6)", "60"},
      {"=SUMIFS(E1:E6,B1:B6,\"<>apple\",E1:E6,\"<60\")", "90"}, {"=SUMPRODUCT(A1:A3,E1:E3)", "140"},
      {"=SUMPRODUCT((E1:E6>25)*E1:E6)", "180"}, {"=SUMSQ(1,2,3)", "14"}, {"=PRODUCT(A1:A3,2)", "12"},
      {"=ROUND(2.675,2)", "2.68"}, {"=ROUND(-2.5,0)", "-3"}, {"=ROUND(1234.5,-2)", "1200"},
      {"=ROUNDUP(1.21,1)", "1.3"}, {"=ROUNDDOWN(-1.29,1)", "-1.2"}, {"=MROUND(10,3)", "9"}, {"=MROUND(5,-2)", "#NUM!"},
      {"=INT(-1.5)", "-2"}, {"=TRUNC(-1.59,1)", "-1.5"}, {"=MOD(-1,3)", "2"}, {"=MOD(5,0)", "#DIV/0!"},
      {"=MOD(5.5,-2)", "-0.5"}, {"=ABS(-3)", "3"}, {"=SIGN(-0.1)", "-1"}, {"=SQRT(-1)", "#NUM!"},
      {"=POWER(2,10)", "1024"}, {"=EXP(1)", "2.71828182845905"}, {"=LN(0)", "#NUM!"}, {"=LOG(8,2)", "3"},
      {"=LOG10(1000)", "3"}, {"=PI()", "3.14159265358979"}, {"=CEILING(2.5,1)", "3"}, {"=CEILING(-2.5,-2)", "-4"},
      {"=FLOOR(-2.5,2)", "-4"}, {"=CEILING(2.5,-1)", "#NUM!"}, {"=CEILING.MATH(-2.5)", "-2"},
      {"=FLOOR.MATH(-2.5,1,1)", "-2"}, {"=EVEN(1.5)", "2"}, {"=ODD(-2)", "-3"}, {"=GCD(12,18)", "6"},
      {"=LCM(4,6)", "12"}, {"=FACT(5)", "120"}, {"=COMBIN(5,2)", "10"}, {"=QUOTIENT(-7,2)", "-3"},
      {"=ATAN2(1,1)*4", "3.14159265358979"}, {"=DEGREES(PI())", "180"}, {"=SUBTOTAL(9,E1:E6)", "210"},
      {"=SUBTOTAL(1,E1:E6)", "35"}, {"=AGGREGATE(9,6,E1:E6,F1)", "210"}, {"=AGGREGATE(14,6,E1:E6,2)", "50"},
      {"=RANDBETWEEN(4,4)", "4"},
      {"=AVERAGE(A1:A6)", "2"}, {"=AVERAGE(1,,3)", "1.33333333333333"}, {"=AVERAGE(D1:D3)", "#DIV/0!"},
      {"=AVERAGEA(A1:A6)", "1.16666666666667"}, {"=AVERAGEIF(B1:B6,\"apple\",E1:E6)", "30"},
      {"=AVERAGEIFS(E1:E6,E1:E6,\">=20\",E1:E6,\"<=40\")", "30"}, {"=COUNT(A1:A6)", "3"}, {"=COUNT(1,\"2\",\"x\")", "2"},
      {"=COUNTA(A1:A6)", "6"}, {"=COUNTBLANK(D1:D4)", "4"}, {"=COUNTIF(B1:B6,\"apple\")", "2"},
      {"=COUNTIF(E1:E6,\">=30\")", "4"}, {"=COUNTIF(D1:D5,\"\")", "5"}, {"=COUNTIFS(B1:B6,\"*a*\",E1:E6,\"<50\")", "3"},
      {"=MIN(E1:E6)", "10"}, {"=MAX(A1:A6)", "3"}, {"=MAX(D1:D3)", "0"}, {"=MINIFS(E1:E6,B1:B6,\"apple\")", "10"},
      {"=MAXIFS(E1:E6,B1:B6,\"apple\")", "50"}, {"=MEDIAN(E1:E6)", "35"}, {"=MODE(1,2,2,3)", "2"},
      {"=MODE(1,2,3)", "#N/A"}, {"=LARGE(E1:E6,2)", "50"}, {"=SMALL(E1:E6,7)", "#NUM!"}, {"=RANK(30,E1:E6)", "4"},
      {"=RANK.EQ(30,E1:E6,1)", "3"}, {"=PERCENTILE(E1:E6,0.3)", "25"}, {"=QUARTILE(E1:E6,1)", "22.5"},
      {"=STDEV(E1:E6)", "18.7082869338697"}, {"=STDEVP(E1:E6)", "17.0782512765993"}, {"=VAR(G1:G4)", "6.66666666666667"},
      {"=VARP(G1:G4)", "5"}, {"=CORREL(E1:E4,G1:G4)", "1"}, {"=GEOMEAN(2,8)", "4"}, {"=HARMEAN(1,0)", "#NUM!"},
      {"=ROUND(NORM.S.DIST(1,TRUE),9)", "0.841344746"}, {"=ROUND(NORM.S.INV(0.975),6)", "1.959964"},
      {"=SUMXMY2({1,2},{3,5})", "13"}, {"=ROUND(ATANH(0.5),9)", "0.549306144"},
  });
}

TEST(FormulaFunctions, LookupLogicalAndInformation) {
  RunCases({
      {"=VLOOKUP(\"cherry\",B1:E6,4,FALSE)", "30"}, {"=VLOOKUP(\"CHERRY\",B1:E6,4,0)", "30"},
      {"=VLOOKUP(\"zzz\",B1:E6,4,FALSE)", "#N/A"}, {"=VLOOKUP(35,E1:E6,1)", "30"}, {"=VLOOKUP(5,E1:E6,1)", "#N/A"},
      {"=VLOOKUP(\"b*\",B1:E6,4,FALSE)", "20"}, {"=VLOOKUP(1,A1:B3,3,FALSE)", "#REF!"},
      {"=HLOOKUP(2,{1,2,3;\"a\",\"b\",\"c\"},2,FALSE)", "'b'"}, {"=XLOOKUP(\"date\",B1:B6,E1:E6)", "40"},
      {"=XLOOKUP(\"none\",B1:B6,E1:E6,\"no\")", "'no'"}, {"=XLOOKUP(35,E1:E6,B1:B6,,1)", "'date'"},
      {"=XLOOKUP(\"apple\",B1:B6,E1:E6,,0,-1)", "50"}, {"=LOOKUP(45,E1:E6,B1:B6)", "'date'"},
      {"=INDEX(E1:E6,3)", "30"}, {"=INDEX(A1:E6,2,5)", "20"}, {"=SUM(INDEX(A1:E6,0,5))", "210"},
      {"=INDEX(E1:E6,7)", "#REF!"}, {"=MATCH(\"fig\",B1:B6,0)", "6"}, {"=MATCH(35,E1:E6)", "3"},
      {"=MATCH(35,{60,50,40,30},-1)", "3"}, {"=XMATCH(\"banana\",B1:B6)", "2"}, {"=CHOOSE(2,\"a\",\"b\")", "'b'"},
      {"=CHOOSE(3,\"a\",\"b\")", "#VALUE!"}, {"=SUM(TRANSPOSE(E1:E3))", "60"},
      {"=IF(A1,\"y\",\"n\")", "'y'"}, {"=IF(0,1)", "FALSE"}, {"=IF(\"x\",1,2)", "#VALUE!"}, {"=IF(D1,1,2)", "2"},
      {"=IFS(A1>5,\"a\",A1>0,\"b\")", "'b'"}, {"=IFS(FALSE,1)", "#N/A"}, {"=SWITCH(2,1,\"a\",2,\"b\",\"z\")", "'b'"},
      {"=SWITCH(9,1,\"a\",\"z\")", "'z'"}, {"=IFERROR(1/0,\"e\")", "'e'"}, {"=IFNA(F1,0)", "0"},
      {"=IFNA(1/0,0)", "#DIV/0!"}, {"=AND(1,TRUE)", "TRUE"}, {"=AND(A1:A6)", "TRUE"}, {"=AND(\"x\")", "#VALUE!"},
      {"=OR(0,FALSE)", "FALSE"}, {"=XOR(TRUE,TRUE,TRUE)", "TRUE"}, {"=NOT(0)", "TRUE"}, {"=NOT(2)", "FALSE"},
      {"=ISBLANK(D1)", "TRUE"}, {"=ISNUMBER(A6)", "FALSE"}, {"=ISTEXT(A4)", "TRUE"}, {"=ISLOGICAL(A5)", "TRUE"},
      {"=ISERROR(F1)", "TRUE"}, {"=ISERR(F1)", "FALSE"}, {"=ISNA(F1)", "TRUE"}, {"=ISEVEN(-2.5)", "TRUE"},
      {"=ISODD(3)", "TRUE"}, {"=NA()", "#N/A"}, {"=N(A5)", "1"}, {"=T(A1)", "''"}, {"=TYPE(A4)", "2"},
      {"=TYPE(A1:A2)", "64"}, {"=TRUE()", "TRUE"},
  });
}

TEST(FormulaFunctions, TextDatesAndFinance) {
  RunCases({
      {"=LEN(\"abc\")", "3"}, {"=LEFT(\"abc\",2)", "'ab'"}, {"=LEFT(\"abc\")", "'a'"}, {"=LEFT(\"abc\",-1)", "#VALUE!"},
      {"=RIGHT(\"abc\",5)", "'abc'"}, {"=MID(\"abcdef\",2,3)", "'bcd'"}, {"=MID(\"abc\",0,1)", "#VALUE!"},
      {"=UPPER(\"aé\")", "'AÉ'"}, {"=LOWER(\"AB\")", "'ab'"}, {"=PROPER(\"hello wORLD-x\")", "'Hello World-X'"},
      {"=TRIM(\"  a   b \")", "'a b'"}, {"=SUBSTITUTE(\"aaa\",\"a\",\"b\",2)", "'aba'"},
      {"=SUBSTITUTE(\"a.b.c\",\".\",\"\")", "'abc'"}, {"=REPLACE(\"abcdef\",2,3,\"X\")", "'aXef'"},
      {"=REPT(\"ab\",3)", "'ababab'"}, {"=FIND(\"b\",\"abcb\",3)", "4"}, {"=FIND(\"B\",\"abc\")", "#VALUE!"},
      {"=SEARCH(\"B\",\"abc\")", "2"}, {"=SEARCH(\"c?e\",\"abcdef\")", "3"}, {"=EXACT(\"a\",\"A\")", "FALSE"},
      {"=CONCATENATE(\"a\",1,TRUE)", "'a1TRUE'"}, {"=CONCAT(B1:B3)", "'appleBananacherry'"},
      {"=TEXTJOIN(\"-\",TRUE,A1:A4,D1)", "'1-2-3-x'"}, {"=TEXT(1234.567,\"#,##0.00\")", "'1,234.57'"},
      {"=TEXT(C1,\"yyyy-mm-dd\")", "'2024-01-01'"}, {"=TEXT(0.5,\"0%\")", "'50%'"}, {"=VALUE(\"1,234\")", "1234"},
      {"=VALUE(\"12%\")", "0.12"}, {"=VALUE(\"abc\")", "#VALUE!"}, {"=FIXED(1234.567,1)", "'1,234.6'"},
      {"=FIXED(1234.567,-2,TRUE)", "'1200'"}, {"=DOLLAR(-1234.5)", "'($1,234.50)'"}, {"=CHAR(65)", "'A'"},
      {"=CODE(\"a\")", "97"}, {"=UNICHAR(8364)", "'€'"}, {"=UNICODE(\"€\")", "8364"}, {"=CLEAN(CHAR(7)&\"a\")", "'a'"},
      {"=DATE(2024,2,29)", "45351"}, {"=DATE(2024,14,1)", "45689"}, {"=DATE(1900,2,29)", "60"}, {"=DATE(1900,3,1)", "61"},
      {"=TIME(12,30,0)", "0.520833333333333"}, {"=DATEVALUE(\"2024-01-01\")", "45292"},
      {"=DATEVALUE(\"1/2/2024\")", "45293"}, {"=TIMEVALUE(\"6:00 PM\")", "0.75"}, {"=YEAR(C3)", "2025"},
      {"=MONTH(C2)", "2"}, {"=DAY(C2)", "29"}, {"=HOUR(C3)", "18"}, {"=MINUTE(0.75+1/1440)", "1"}, {"=SECOND(1/86400)", "1"},
      {"=WEEKDAY(C1)", "2"}, {"=WEEKDAY(C1,2)", "1"}, {"=WEEKDAY(C1,3)", "0"}, {"=WEEKDAY(C1,9)", "#NUM!"},
      {"=WEEKNUM(C2)", "9"}, {"=ISOWEEKNUM(DATE(2021,1,3))", "53"}, {"=EDATE(DATE(2024,1,31),1)", "45351"},
      {"=EOMONTH(C1,-1)", "45291"}, {"=DATEDIF(C1,C2,\"D\")", "59"}, {"=DATEDIF(DATE(2020,5,15),DATE(2024,2,10),\"Y\")", "3"},
      {"=DATEDIF(DATE(2020,5,15),DATE(2024,2,10),\"YM\")", "8"}, {"=DATEDIF(DATE(2020,5,15),DATE(2024,2,10),\"MD\")", "26"},
      {"=DATEDIF(C2,C1,\"D\")", "#NUM!"}, {"=DAYS(C2,C1)", "59"}, {"=NETWORKDAYS(C1,DATE(2024,1,31))", "23"},
      {"=NETWORKDAYS(C1,DATE(2024,1,31),DATE(2024,1,15))", "22"}, {"=WORKDAY(DATE(2024,1,5),1)", "45299"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1))", "0.5"}, {"=YEARFRAC(DATE(2023,1,1),DATE(2023,7,1),3)", "0.495890410958904"},
      {"=DAYS360(DATE(2024,1,31),DATE(2024,3,31))", "60"},
      {"=ROUND(PMT(0.08/12,10,10000),8)", "-1037.03208936"}, {"=ROUND(PV(0.05,10,-100),8)", "772.17349292"},
      {"=ROUND(FV(0.06/12,10,-200,-500,1),6)", "2581.403374"}, {"=ROUND(NPV(0.1,-10000,3000,4200,6800),2)", "1188.44"},
      {"=ROUND(IRR({-70000,12000,15000,18000,21000,26000}),8)", "0.08663095"}, {"=ROUND(RATE(48,-200,8000),8)", "0.00770147"},
      {"=ROUND(NPER(0.01,-100,1000),6)", "10.588644"}, {"=SLN(30000,7500,10)", "2250"},
      {"=SYD(30000,7500,10,10)", "409.090909090909"}, {"=DDB(2400,300,10,2)", "384"},
      {"=ROUND(EFFECT(0.0525,4),8)", "0.05354267"}, {"=HYPERLINK(\"http://x\",\"go\")", "'go'"},
      {"=SHEET('Other Sheet'!A1)", "2"},
      {"=ROUND(XNPV(0.09,{-10000,2750,4250,3250,2750},{39448,39508,39751,39859,39904}),6)", "2086.647602"},
      {"=ROUND(XIRR({-10000,2750,4250,3250,2750},{39448,39508,39751,39859,39904}),6)", "0.373363"},
  });
}

// The workbook pass: which formulas it computes, and what it leaves alone.
TEST(FormulaWorkbook, TriggersSharedArrayAndCircularCells) {
  BookSheet sheet{"S",
                  {{"A1", "5"}, {"A2", "6"},
                   // Cached 0 and not flagged: kept. Flagged `ca`: computed. Without a cached value: computed.
                   {"B1", "=A1*2", "0"}, {"B2", "=A2*2", "0", -1, true}, {"B3", "=A1+A2"},
                   // Shared formula: C1 holds the master, C2 shifts it by one row; D1 keeps $A$1.
                   {"C1", "=A1+$A$1", "", 7}, {"C2", "=", "", 7},
                   // Circular cells keep their cached values; a self reference too.
                   {"E1", "=E2+1", "'c1"}, {"E2", "=E1+1", "'c2"}, {"E3", "=E3", "9"},
                   // Unknown function: cached value stays; array formula spreads over F1:F2.
                   {"G1", "=BESSELJ(1,2)", "0.11"}, {"F1", "=A1:A2*10", "", -1, false, true, "F1:F2"}, {"F2", "", "0"},
                   // A reference to an empty cell gives 0, never an empty cell.
                   {"H1", "=Z99"},
                   // A volatile call is computed again without `ca`, in a shared group too; another
                   // workbook and an unknown function keep what they cached.
                   {"I1", "=RAND()-2", "5"}, {"J1", "=TODAY()+A1", "5", 8}, {"J2", "=", "5", 8},
                   {"K1", "=[1]Book!A1", "'ext"}, {"K2", "=BESSELJ(1,2)+NOW()", "'kept"}}};
  xlx::Workbook* wb = xlxtest::BuildBook({sheet});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalTriggered, nullptr), 1);
  // Flagged and value-less cells are computed; cached and not flagged are kept.
  EXPECT_EQ(ShowCells(*wb, 0, "B1 B2 B3 C1 E1 K1 K2"), (Texts{"0", "12", "11", "10", "'c1'", "'ext'", "'kept'"}));
  const xlx::CellRecord* rand = xlx::FindCell(wb->sheets[0], 1, 9);
  const xlx::CellRecord* today = xlx::FindCell(wb->sheets[0], 2, 10);
  ASSERT_TRUE(rand && today);
  EXPECT_LT(rand->number, -1.0);
  EXPECT_GT(today->number, 45000.0);
  xlx::FreeWorkbook(wb);

  wb = xlxtest::BuildBook({sheet});
  xlx::FormulaRunReport report;
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, &report), 1);
  EXPECT_EQ(ShowCells(*wb, 0, "B1 C1 C2 E1 E2 E3 G1 F1 F2 H1"),
            (Texts{"10", "10", "11", "'c1'", "'c2'", "9", "0.11", "50", "60", "0"}));
  EXPECT_EQ(report.nTotal, 16);
  EXPECT_EQ(report.unsupportedFunctions["BESSELJ"], 2);
  xlx::FreeWorkbook(wb);
}

// Chains deeper than the engine's depth bound still finish, over several passes.
TEST(FormulaWorkbook, LongReferenceChainsAndHostileDepth) {
  BookSheet sheet{"S", {}};
  for (int32_t row = 1; row <= 300; ++row)
    sheet.cells.push_back({"A" + std::to_string(row), row == 300 ? "1" : "=A" + std::to_string(row + 1) + "+1"});
  std::string deep = "=" + std::string(5000, '(') + "1" + std::string(5000, ')');
  std::string longSum = "=A1";
  for (int32_t i = 0; i < 3000; ++i) longSum += "+1";
  sheet.cells.push_back({"B1", deep, "7"});
  sheet.cells.push_back({"B2", longSum, "8"});
  sheet.cells.push_back({"B3", "=SUM(A:XFD)", "9"});
  xlx::Workbook* wb = xlxtest::BuildBook({sheet});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  // B1 is too deeply nested to compile and B2 too deep to evaluate: both keep their cached values.
  EXPECT_EQ(ShowCells(*wb, 0, "A1 B1 B2"), (Texts{"300", "7", "8"}));
  xlx::FreeWorkbook(wb);
}

// Files of tools that do not calculate: cached 0 with a full calculation asked for, or no cached
// value at all. Opening them computes the formulas.
TEST(FormulaWorkbook, WorkbooksWrittenWithoutCachedResults) {
  for (const char* name : {"formulas_xlsxwriter.xlsx", "formulas_openpyxl.xlsx"}) {
    xlx::WorkbookOpenOptions options;
    xlx::Workbook* wb = nullptr;
    std::string path = xlxtest::SourceDir() + "/tests/fixtures/" + name;
    ASSERT_EQ(xlx::OpenWorkbook(xlxtest::U16(path).c_str(), options, &wb), 1) << name;
    EXPECT_EQ(ShowCells(*wb, 0, "D1 D2 D3 D4 D5 D6 D7 D8 D9 D10"),
              (Texts{"26", "7", "'pear-5'", "13", "'small'", "45351", "#DIV/0!", "3", "42", "0"})) << name;
    xlx::FreeWorkbook(wb);
  }
}

TEST(FormulaParser, ReferencesAndShapes) {
  struct RefCase {
    const char* text;
    bool ok;
    int32_t row, col;
  };
  for (const RefCase& c : std::vector<RefCase>{{"A1", true, 1, 1}, {"$AB$12", true, 12, 28}, {"xfd1048576", true, 1048576, 16384},
                                               {"XFE1", false, 0, 0}, {"A0", false, 0, 0}, {"A1048577", false, 0, 0},
                                               {"1A", false, 0, 0}, {"AAAA1", false, 0, 0}}) {
    xlx::RefEnd end;
    EXPECT_EQ(xlx::ParseCellReference(xlx::Utf8ToUtf16(c.text), &end), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(std::make_pair(end.row, end.col), std::make_pair(c.row, c.col)) << c.text;
    }
  }
  xlx::CompiledFormula f;
  EXPECT_EQ(xlx::CompileFormula(u"=SUM(A1:B2,,C3)", nullptr, &f), 1);
  ASSERT_EQ(f.nodes[size_t(f.root)].kids.size(), 3u);
  EXPECT_EQ(f.nodes[size_t(f.nodes[size_t(f.root)].kids[1])].kind, xlx::kNodeMissing);
  EXPECT_EQ(xlx::CompileFormula(u"=Sheet1:Sheet3!A1", nullptr, &f), -13);
  EXPECT_EQ(xlx::CompileFormula(u"={1,2;3}", nullptr, &f), -13);
}

// The application's rules at the edges of each function family: booleans and texts in references
// against the same values given directly, empty cells and omitted arguments, errors passed through,
// implicit intersection, and dates at the start of the 1900 system.
TEST(FormulaEdges, AggregatesReadReferencesAndArgumentsDifferently) {
  RunCases({
      {"=SUM(A5)", "0"},          {"=SUM(TRUE)", "1"},          {"=SUM(A5,1)", "1"},       {"=SUM(A4)", "0"},
      {"=SUM(\"abc\")", "#VALUE!"}, {"=SUM(D1)", "0"},          {"=SUM(A6,\"7\")", "7"},   {"=COUNT(A5)", "0"},
      {"=COUNT(TRUE)", "1"},      {"=COUNTA(A5)", "1"},         {"=COUNTA(D1:D9)", "0"},   {"=COUNT(F1,1)", "1"},
      {"=AVERAGE(A5:A6)", "#DIV/0!"}, {"=AVERAGE(\"x\")", "#VALUE!"}, {"=AVERAGE(\"2\",4)", "3"},
      {"=MAX(A5,-1)", "-1"},      {"=MAX(TRUE,-1)", "1"},       {"=MIN(\"3\",5)", "3"},    {"=MIN(A6,5)", "5"},
      {"=PRODUCT(A4)", "0"},      {"=MEDIAN(D1:D3)", "#NUM!"},  {"=LARGE({1,2},0)", "#NUM!"},
      {"=STDEV(1)", "#DIV/0!"},   {"=RANK(99,E1:E6)", "#N/A"},  {"=SUMPRODUCT(A1:A6,E1:E6)", "140"},
      {"=SUMPRODUCT(A1:A2,E1:E3)", "#VALUE!"}, {"=SUMIF(B1:B6,B1,E1:E6)", "60"},
      {"=COUNTIFS(A1:A6,\">0\",E1:E5,\">0\")", "#VALUE!"}, {"=SUM(E1:E6 E2:E3)", "50"},
  });
}

TEST(FormulaEdges, MathArguments) {
  RunCases({
      {"=ROUND(\"2.5\",0)", "3"}, {"=ROUND(TRUE,0)", "1"}, {"=ROUND(A4,0)", "#VALUE!"}, {"=ROUND(D1,0)", "0"},
      {"=ROUND(,0)", "0"},        {"=ABS(F1)", "#N/A"},   {"=SQRT(A5)", "1"},          {"=INT(\"x\")", "#VALUE!"},
      {"=MOD(0,5)", "0"},         {"=MOD(-7,-2)", "-1"},  {"=MOD(7,-2)", "-1"},        {"=POWER(0,0)", "#NUM!"},
      {"=POWER(-8,1/3)", "#NUM!"}, {"=0^-1", "#DIV/0!"},  {"=A1:A6", "3"},             {"=A1:A2", "#VALUE!"},
      {"=E1:E6*2", "60"},         {"=-F1", "#N/A"},       {"=\"3\"*\"4\"", "12"},      {"=\"a\"*1", "#VALUE!"},
  });
}

TEST(FormulaEdges, TextArguments) {
  RunCases({
      {"=LEN(123)", "3"},        {"=LEN(TRUE)", "4"},          {"=LEN(D1)", "0"},        {"=LEFT(A5)", "'T'"},
      {"=LEFT(1234.5,3)", "'123'"}, {"=MID(\"abc\",5,1)", "''"}, {"=RIGHT(\"abc\",0)", "''"}, {"=UPPER(F1)", "#N/A"},
      {"=\"a\"&F1", "#N/A"},      {"=FIND(\"\",\"abc\")", "1"}, {"=SEARCH(\"z\",\"abc\")", "#VALUE!"},
      {"=SUBSTITUTE(\"abc\",\"\",\"x\")", "'abc'"}, {"=TRIM(\" \")", "''"}, {"=EXACT(1,\"1\")", "TRUE"},
      {"=TEXT(-1.5,\"0.0\")", "'-1.5'"}, {"=TEXT(0.25,\"0.0%\")", "'25.0%'"}, {"=TEXT(\"abc\",\"@\")", "'abc'"},
      {"=TEXT(45352,\"dddd\")", "'Friday'"}, {"=TEXT(1234.5,\"$#,##0.00\")", "'$1,234.50'"}, {"=CHAR(0)", "#VALUE!"},
      {"=CODE(\"\")", "#VALUE!"}, {"=CONCATENATE(A1,A5,D1)", "'1TRUE'"}, {"=\"x\"&D1", "'x'"},
      // TEXT of a logical value or a text: the text section, a literal-only code, or unchanged.
      {"=TEXT(TRUE,\"-@-@-\")", "'-TRUE-TRUE-'"}, {"=TEXT(FALSE,\"General\")", "'FALSE'"},
      {"=TEXT(\"abc\",\"\"\"hi\"\"\")", "'hi'"}, {"=TEXT(\"abc\",\"0.00\")", "'abc'"},
      {"=TEXT(\"abc\",\"0;0;0;[Red]\"\"t:\"\"@\")", "'t:abc'"}, {"=TEXT(12345,\"0.0e+0\")", "'1.2e+4'"},
  });
}

TEST(FormulaEdges, DatesAtTheStartOfTheCalendar) {
  RunCases({
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
  RunCases({
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
