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

}  // namespace
