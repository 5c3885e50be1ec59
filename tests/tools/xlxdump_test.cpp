// xlxdump prints what each stored cell displays.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/testsupport.h"

namespace {

using xlxtest::CommandOutput;

TEST(XlxDump, PrintsOneLinePerStoredCellWithItsDisplayText) {
  int status = 0;
  std::string out = CommandOutput(std::string(XLX_BINARY_DIR) + "/tools/xlxdump/xlxdump " + XLX_SOURCE_DIR +
                            "/tests/fixtures/cells_layout.xlsx",
                        &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(out.rfind("sheet,cell,type,raw,format,display\n", 0), 0u);
  for (const char* line : {"Cells,A1,number,42,General,42\n", "Cells,C1,boolean,TRUE,General,TRUE\n",
                           "Cells,E1,number,45352,yyyy-mm-dd,2024-03-01\n", "Cells,A2,error,#N/A,General,#N/A\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line;
  out = CommandOutput(std::string(XLX_BINARY_DIR) + "/tools/xlxdump/xlxdump /etc/hostname 2>/dev/null", &status);
  EXPECT_NE(status, 0);
}

// The xlsxwriter fixture caches 0 for every formula: --check-formulas lists the cells whose result
// differs, --recalc shows the results.
TEST(XlxDump, ChecksAndRecalculatesFormulas) {
  int status = 0;
  const std::string dump = std::string(XLX_BINARY_DIR) + "/tools/xlxdump/xlxdump ";
  const std::string file = std::string(XLX_SOURCE_DIR) + "/tests/fixtures/formulas_xlsxwriter.xlsx";
  std::string out = CommandOutput(dump + "--check-formulas " + file, &status);
  ASSERT_EQ(status, 0);
  EXPECT_NE(out.find("Main!D1,=SUM(B1:B4),0,26\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Main!D3,\"=A2&\"\"-\"\"&B2\",0,pear-5\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nformulas: 10 total, 10 computed, 0 equal to cached, 0 unsupported\n"), std::string::npos) << out;
  out = CommandOutput(dump + "--recalc " + file, &status);
  ASSERT_EQ(status, 0);
  EXPECT_NE(out.find("Main,D2,number,7,General,7\n"), std::string::npos) << out;
  CommandOutput(dump + "--bogus " + file + " 2>/dev/null", &status);
  EXPECT_NE(status, 0);
}

// --charts: each series as drawn, from the cells rather than the caches (openpyxl writes none;
// xlsxwriter caches 0 for formulas computed on load): hidden row 6 left out unless the chart
// plots hidden cells, a blank cell a gap, formulas computed, a defined name followed, a
// chartsheet, a reference into another workbook kept as its (empty) cache.
TEST(XlxDump, ChartsListTheirSeriesAsDrawnFromTheCells) {
  const std::string dump = std::string(XLX_BINARY_DIR) + "/tools/xlxdump/xlxdump --charts ";
  const std::string dir = std::string(XLX_SOURCE_DIR) + "/tests/fixtures/render/";
  const struct {
    const char* file;
    const char* line;
  } cases[] = {
      {"chartcells_openpyxl.xlsx", "Data,1,column,Sales,3750;4200;3900;5100;5600,Jan;Feb;Mar;Apr;Jun\n"},
      {"chartcells_openpyxl.xlsx", "Data,2,line,Costs,2000;2500;;3000;3100,Jan;Feb;Mar;Apr;Jun\n"},
      {"chartcells_openpyxl.xlsx", "Data,2,line,Margin,1750;1700;3900;2100;2500,Jan;Feb;Mar;Apr;Jun\n"},
      {"chartcells_openpyxl.xlsx", "Data,3,pie,Sales,3750;4200;3900;5100;5600,Jan;Feb;Mar;Apr;Jun\n"},
      {"chartcells_openpyxl.xlsx", "Data,4,line,Costs,2000;2500;;3000;2800;3100,Jan;Feb;Mar;Apr;May;Jun\n"},
      {"chartcells_openpyxl.xlsx", "Other,1,bar,Named,3750;4200;3900;5100;5600,1;2;3;4;5\n"},
      {"chartcells_openpyxl.xlsx", "Other,4,column,Series1,5;9;2,Shelf;Back;Yard\n"},  // a hidden sheet's cells
      {"chartcells_openpyxl.xlsx", "ChartSheet,1,column,Sales,3750;4200;3900;5100;5600,Jan;Feb;Mar;Apr;Jun\n"},
      {"chartcells_xlsxwriter.xlsx", "Data,1,column,Computed,1250;2500;3750;5000,1;2;3;4\n"},
      {"chartcells_xlsxwriter.xlsx", "Data,2,line,External,,\n"},
      // 2016 kinds: the funnel's cache holds zeros; the treemap's levels come from two columns.
      {"charts2016.xlsx", "Gallery,5,funnel,Pipeline,5000;2600;1300;600;240,Visits;Leads;Trials;Offers;Orders\n"},
      {"charts2016.xlsx", "Gallery,7,treemap,Sales,40;25;10;30;12;20;14;6,Fruit/Apples;Fruit/Pears;Fruit/Plums;"
                          "Veg/Leeks;Veg/Kale;Grain/Oats;Grain/Rye;Grain/Spelt\n"},
  };
  for (const auto& c : cases) {
    int status = 0;
    const std::string out = CommandOutput(dump + dir + c.file, &status);
    ASSERT_EQ(status, 0) << c.file;
    EXPECT_EQ(out.rfind("sheet,chart,kind,series,values,categories\n", 0), 0u);
    EXPECT_NE(out.find(c.line), std::string::npos) << c.line << "in\n" << out;
  }
}

}  // namespace
