// The engine over whole workbooks: name scopes, the 1904 date system, shared formulas shifted off
// the sheet, array formulas, lookups over computed columns, and hostile formula texts.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "common/apiutils.h"
#include "tests/formulas/formulabook.h"
#include "parser/xlsxprsr.h"
#include "values/formula/condfmteval.h"
#include "values/formula/formula.h"

namespace {

using xlxtest::BookSheet;

const auto Show = xlxtest::ShowValue;

std::string Eval(xlx::Workbook* wb, int32_t sheet, const char* formula) {
  xlx::ExcelValue v;
  std::u16string text = xlx::Utf8ToUtf16(formula);
  return xlx::EvaluateFormulaText(wb, sheet, 1, 1, text.c_str(), &v) == 1 ? Show(v) : "fail";
}

using Texts = std::vector<std::string>;

TEST(FormulaBook, NameScopesAndSheetQualifiedNames) {
  xlx::Workbook* wb = xlxtest::BuildBook({{"One", {{"A1", "1"}}}, {"Two", {{"A1", "2"}}}},
                                         {{"Pick", "One!$A$1"}, {"Local", "Two!$A$1*10"}});
  wb->definedNames[1].localSheetId = 1;  // Local belongs to sheet Two
  xlx::DefinedNameEntry shadow;
  shadow.name = u"Pick";
  shadow.localSheetId = 1;
  shadow.formula = u"Two!$A$1";
  wb->definedNames.push_back(shadow);
  EXPECT_EQ(Eval(wb, 0, "=Pick"), "1");
  EXPECT_EQ(Eval(wb, 1, "=Pick"), "2");      // the sheet's own name wins
  EXPECT_EQ(Eval(wb, 0, "=Two!Pick"), "2");  // a sheet-qualified name
  EXPECT_EQ(Eval(wb, 0, "=Local"), "#NAME?");
  EXPECT_EQ(Eval(wb, 1, "=pick+local"), "22");
  xlx::FreeWorkbook(wb);
}

// Names hold their relative references as seen from A1 (XFD1 is the cell to the left, A1048576
// the cell above); each using cell moves them to itself.
TEST(FormulaBook, RelativeNamesMoveWithTheUsingCell) {
  BookSheet s{"S",
              {{"A1", "1"}, {"B1", "=Prev+1"}, {"C1", "=Prev+1"}, {"D1", "=Prev*Prev"},
               {"A2", "=Above*10"}, {"B2", "=SUM(Block)"},
               {"A3", "45306"}, {"B3", "=NextMonth"}, {"C3", "=NextMonth"}, {"D3", "=NextMonth"},
               {"E3", "=UPPER(TEXT(D3,\"mmm\"))"}, {"F3", "=Fixed"}}};
  xlx::Workbook* wb = xlxtest::BuildBook({s}, {{"Prev", "S!XFD1"}, {"Above", "S!A1048576"},
                                               {"Block", "S!XFD1048576:A1048576"}, {"NextMonth", "EDATE(S!XFD1,1)"},
                                               {"Fixed", "S!$A$1"}});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "B1 C1 D1 A2 B2 B3 C3 D3 E3 F3"),
            (Texts{"2", "3", "9", "10", "3", "45337", "45366", "45397", "'APR'", "1"}));
  xlx::FreeWorkbook(wb);
}

TEST(FormulaBook, DateSystem1904) {
  xlx::Workbook* wb = xlxtest::BuildBook({{"S", {{"A1", "0"}, {"A2", "43890"}}}});
  wb->bDate1904 = true;
  const std::pair<const char*, const char*> cases[] = {
      {"=YEAR(A1)", "1904"}, {"=DATE(2024,3,1)", "43890"}, {"=MONTH(A2)", "3"}, {"=WEEKDAY(A1)", "6"},
      {"=DATEVALUE(\"2024-03-01\")", "43890"}, {"=TEXT(A2,\"yyyy-mm-dd\")", "'2024-03-01'"},
      {"=EOMONTH(A2,0)-A2", "30"}, {"=DATE(1903,12,31)", "#NUM!"},
      // TEXT shows what a cell of this workbook shows: dates shift, elapsed times do not.
      {"=TEXT(1.5,\"yyyy-mm-dd hh:mm\")", "'1904-01-02 12:00'"}, {"=TEXT(1.5,\"[h]:mm\")", "'36:00'"},
      {"=TEXT(-1.5,\"[h]:mm\")", "'-36:00'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(wb, 0, c.first), c.second) << c.first;
  xlx::FreeWorkbook(wb);
}

TEST(FormulaBook, SharedFormulasShiftAndArrayFormulasSpread) {
  BookSheet s{"S",
              {{"A1", "1"}, {"A2", "2"}, {"A3", "3"},
               // Master in B2 refers one row up; copied to B1 the reference leaves the sheet.
               {"B2", "=A1*10", "", 3}, {"B1", "=", "5", 3}, {"B3", "=", "", 3},
               // Absolute parts stay; the column shifts for C3.
               {"C2", "=$A$1+A2", "", 4}, {"D2", "=", "", 4},
               // A 3 x 1 array formula and a one-cell array over a condition.
               {"E1", "=A1:A3*2", "", -1, false, true, "E1:E3"}, {"E2", "", "0"}, {"E3", "", "0"},
               {"F1", "=SUM(IF(A1:A3>1,A1:A3))", "", -1, false, true, "F1"},
               // A shared group whose master text does not parse: dependents keep their values.
               {"G1", "=SUM(", "", 9}, {"G2", "=", "4", 9}}};
  xlx::Workbook* wb = xlxtest::BuildBook({s});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  // B1 shifts off the sheet; D2 keeps $A$1 and reads B2 for A2; G2 keeps its value.
  EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "B2 B1 B3 C2 D2 E1 E2 E3 F1 G2"),
            (Texts{"10", "#REF!", "20", "3", "11", "2", "4", "6", "5", "4"}));
  xlx::FreeWorkbook(wb);
}

// Lookups read columns that formulas compute; repeated exact lookups over one column go through
// one index, which must give the first match and see every computed value.
TEST(FormulaBook, LookupsOverComputedColumns) {
  BookSheet s{"S", {}};
  for (int32_t row = 1; row <= 2000; ++row) {
    std::string r = std::to_string(row);
    s.cells.push_back({"A" + r, "=B" + r + "*2"});
    s.cells.push_back({"B" + r, std::to_string(row % 1000)});
    s.cells.push_back({"C" + r, "=MATCH(A" + r + ",A$1:A$2000,0)"});
  }
  xlx::Workbook* wb = xlxtest::BuildBook({s});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  // Value 0 first appears in row 1000.
  EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "C1 C1000 C1001 C1500"), (Texts{"1", "1000", "1", "500"}));
  EXPECT_EQ(Eval(wb, 0, "=VLOOKUP(998,A1:B2000,2,FALSE)"), "499");
  EXPECT_EQ(Eval(wb, 0, "=COUNTIF(A1:A2000,\">=1990\")"), "10");
  EXPECT_EQ(Eval(wb, 0, "=XMATCH(1998,A1:A2000,0,-1)"), "1999");
  xlx::FreeWorkbook(wb);
}

// Texts a hostile file may hold: each either computes or is refused, and nothing is blanked.
TEST(FormulaBook, HostileTexts) {
  xlx::Workbook* wb = xlxtest::BuildBook({{"S", {{"A1", "=A1", "3"}, {"A2", "=SUM(A:A)", "4"}}}},
                                         {{"Loop", "Loop"}, {"Deep", "Deep+Deep"}});
  const std::pair<const char*, const char*> cases[] = {
      {"=Loop", "fail"}, {"=Deep", "fail"}, {"=SUM(A1:XFD1048576)", "7"}, {"=INDIRECT(\"A1:A\"&10^9)", "#REF!"},
      {"=OFFSET(A1,1048576,0)", "#REF!"}, {"=REPT(\"x\",100000)", "#VALUE!"}, {"=REPT(\"\",1E+15)", "#VALUE!"}, {"=LEN(REPT(\"\",9))", "0"}, {"=ROWS(1:1048576)", "1048576"},
      {"=\"\"\"", "fail"}, {"=((((1))))", "1"}, {"=SUM(,,,)", "0"}, {"=-'S'!A1", "-3"}, {"={1,\"a\";TRUE,#N/A}", "1"},
      {"=INDEX({1,2;3,4},3,1)", "#REF!"}, {"=CHOOSE(1E+300,1)", "#VALUE!"}, {"=DATE(1E+300,1,1)", "#NUM!"},
      {"=MID(\"abc\",1E+300,1)", "#NUM!"}, {"=FACT(1000)", "#NUM!"}, {"=WORKDAY(1,1E+300)", "#NUM!"},
  };
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "A1 A2"), (Texts{"3", "4"}));
  for (const auto& c : cases) EXPECT_EQ(Eval(wb, 0, c.first), c.second) << c.first;
  xlx::FreeWorkbook(wb);
}

// Text grows by doubling through cells: once a result would pass the cell's 32,767 characters it
// is #VALUE! (and the cells after it inherit the error), before any longer text is built.
TEST(FormulaBook, TextResultsStopAtTheCellLimit) {
  BookSheet sheet{"S", {{"A1", "'x"}}};
  for (int row = 2; row <= 40; ++row)
    sheet.cells.push_back({"A" + std::to_string(row), "=A" + std::to_string(row - 1) + "&A" + std::to_string(row - 1)});
  xlx::Workbook* wb = xlxtest::BuildBook({sheet});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "A16 A17 A40"), (Texts{"#VALUE!", "#VALUE!", "#VALUE!"}));
  const std::pair<const char*, const char*> cases[] = {
      {"=LEN(A15)", "16384"}, {"=LEN(A15&REPT(\"y\",16383))", "32767"}, {"=A15&REPT(\"y\",16384)", "#VALUE!"},
      {"=LEN(REPT(\"ab\",16383))", "32766"}, {"=REPT(\"ab\",16384)", "#VALUE!"},
      {"=LEN(CONCATENATE(A15,A14,A13))", "28672"}, {"=CONCATENATE(A15,A15)", "#VALUE!"},
      {"=CONCAT(A15,A15)", "#VALUE!"}, {"=LEN(CONCAT(A14:A15))", "24576"},
      {"=LEN(TEXTJOIN(\"-\",TRUE,A14,A14,A12))", "18434"}, {"=TEXTJOIN(\"-\",TRUE,A15,A15)", "#VALUE!"},
      {"=TEXTJOIN(REPT(\"-\",32767),FALSE,\"a\",\"b\")", "#VALUE!"},
      {"=LEN(SUBSTITUTE(A14,\"x\",\"yy\"))", "16384"}, {"=SUBSTITUTE(A15,\"x\",\"yy\")", "#VALUE!"},
      {"=LEN(SUBSTITUTE(A15,\"x\",\"yy\",2))", "16385"}, {"=LEN(SUBSTITUTE(A15,\"x\",\"\"))", "0"},
      {"=LEN(INDEX({\"a\",\"bb\"}&REPT(\"x\",32765),1,2))", "32767"},
      {"=INDEX({\"a\",\"bbb\"}&REPT(\"x\",32765),1,2)", "#VALUE!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(wb, 0, c.first), c.second) << c.first;
  xlx::FreeWorkbook(wb);
}

// Inputs the fuzz target found slow: a name that refers to itself through cells of a shared
// formula made every reference to a cell stopped at the depth bound start the same deep
// computation again within one pass.
TEST(FormulaBook, FuzzInputsFinish) {
  const std::string inputs[] = {
      std::string("=A2    + J         \x8b""\x8b""\x8b""\x8b""\x8b""\x8b""\x8b""\x8b""\x8b""   N +4\n=\x8b""\x8b""\x8b""\x8b""\x8b""\x8b""\x8b""47+AB55&+AB61\x8a""=A+AC       \x8b""\x8b""\x8b""\x8b""\x8b""\xcb""\x8b""\x8b""\x8b""             N +4\n=B2+2\n=C2+3\n=D2/E`", 115),
      "=N+N+N+N\n=A1+N\n=A2+N\n=A3+N\n=A4+N\n=A5+N",
  };
  for (const std::string& input : inputs) {
    xlx::Workbook* wb = xlxtest::BuildLinesBook(input);
    ASSERT_NE(wb, nullptr);
    EXPECT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
    EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "A2"), Texts{"1"});  // cannot be computed: keeps its cached 1
    xlx::FreeWorkbook(wb);
  }
}

// Formulas filled down without being shared reuse one compiled program per shape; only texts whose
// relative rows moved may share it, and rows that moved unevenly get their own copy.
TEST(FormulaBook, FilledDownFormulasReuseTheirProgram) {
  BookSheet s{"S", {}};
  for (int32_t row = 1; row <= 6; ++row)
    s.cells.push_back({"A" + std::to_string(row), std::to_string(row)}), s.cells.push_back({"C" + std::to_string(row), std::to_string(row * 10)});
  const std::vector<std::pair<std::string, std::string>> formulas = {
      {"B1", "=A1*2"}, {"B2", "=A2*2"}, {"B3", "=A3*3"},                        // a literal that differs
      {"B4", "=SUM(A1:A4)"}, {"B5", "=SUM(A1:A5)"}, {"B6", "=SUM(A2:A4)"},    // ends moved unevenly
      {"D1", "=SUM(W!1:1)+A1"}, {"D2", "=SUM(W!1:1)+A2"},                     // whole rows do not move
      {"E1", "=\"x1\"&A1"}, {"E2", "=\"x1\"&A2"},                             // digits inside a string
      {"F1", "=Q1!A1"}, {"F2", "=Q2!A2"},                                       // a sheet named like a cell
      {"G1", "=ROW()+A1+C1"}, {"H3", "=ROW()+A3+C3"}, {"G4", "=A$1+A4"}, {"G5", "=A$1+A5"},
  };
  for (const auto& f : formulas) s.cells.push_back({f.first, f.second});
  std::sort(s.cells.begin(), s.cells.end(), [](const xlxtest::BookCell& a, const xlxtest::BookCell& b) {
    const int ra = std::stoi(a.ref.substr(1)), rb = std::stoi(b.ref.substr(1));
    return ra != rb ? ra < rb : a.ref < b.ref;
  });
  xlx::Workbook* wb = xlxtest::BuildBook({s, {"W", {{"A1", "100"}, {"A2", "200"}}},
                                          {"Q1", {{"A1", "7"}, {"A2", "70"}}}, {"Q2", {{"A1", "80"}, {"A2", "8"}}}});
  ASSERT_EQ(xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr), 1);
  EXPECT_EQ(xlxtest::ShowCells(*wb, 0, "B1 B2 B3 B4 B5 B6 D1 D2 E1 E2 F1 F2 G1 H3 G4 G5"),
            (Texts{"2", "4", "9", "10", "15", "9", "101", "102", "'x11'", "'x12'", "7", "8", "12", "36", "5", "6"}));
  xlx::FreeWorkbook(wb);
}

// A rule that counts a whole column of 150,000 rows for every cell: a page stops computing it at
// its work bound, for the rest of the page, and the next page starts afresh.
TEST(FormulaBook, RuleFormulasStopAtThePageWorkBound) {
  BookSheet s{"S", {}};
  for (int32_t row = 1; row <= 150000; ++row) s.cells.push_back({"A" + std::to_string(row), std::to_string(row % 1000)});
  xlx::Workbook* wb = xlxtest::BuildBook({s});
  ASSERT_EQ(wb->styles.dxfs.items.Allocate(1), 1);
  wb->styles.dxfs.items[0].mask = xlx::kDxfFill;
  pugi::xml_document doc;
  doc.load_string("<worksheet><conditionalFormatting sqref=\"A1:A1048576\"><cfRule type=\"expression\" dxfId=\"0\" "
                  "priority=\"1\"><formula>COUNTIF($A$1:$A$1048576,A1)&gt;1</formula></cfRule></conditionalFormatting>"
                  "</worksheet>");
  ASSERT_EQ(xlx::ReadConditionalFormats(*wb, &wb->sheets[0], doc.document_element()), 1);
  for (int32_t pass = 0; pass < 2; ++pass) {
    xlx::CondFmtPage page(*wb, wb->sheets[0], 1, 1, 60, 1);
    std::string held;  // every value occurs 150 times: each cell holds until the bound is spent
    for (int32_t row = 1; row <= 60; ++row) {
      xlx::CellCondResult result;
      held += page.Evaluate(row, 1, &result) ? 'x' : '.';
    }
    const size_t first = held.find('.');
    EXPECT_TRUE(first > 0 && first != std::string::npos && held.find('x', first) == std::string::npos) << held;
  }
  xlx::FreeWorkbook(wb);
}

}  // namespace
