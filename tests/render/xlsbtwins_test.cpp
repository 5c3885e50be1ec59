// Workbooks of the corpus saved both as .xlsx and as .xlsb ("twins", found by name): the first
// page of each form is drawn through the filter and the two agree within a small tolerance.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

namespace {

using rendertest::Image;

const std::string kCorpus = xlxtest::CorpusDir();

// Twins whose two forms do not describe the same page, and why.
const std::map<std::string, const char*> kDifferentPages = {
    {"sheetjs__wtf_path", "written separately by a library; formulas without values in one form"},
    {"sheetjs__issue2717__issue2717", "other sheets"},
    {"sheetjs__xlsx-stream-d-date-cell", "other writer, no styles in the XML form"},
    {"edr__Test_Encoding_Formula_Date_1520", "TODAY() stored at two saves"},
    {"calamine__date", "row heights: 12.8 pt in the XML form, 13.2 pt in the binary one"},
    {"calamine__date_1904", "row heights: 12.8 pt in the XML form, 13.2 pt in the binary one"},
    {"edr__Test_git_issue_694_TimeSpan", "default row height 15 pt in the XML form, 14.4 pt in the binary one"},
    {"sheetjs__phonetic_text", "default row height 18 pt in the XML form, 15 pt in the binary one"},
    {"calamine__issue127", "row heights: 12.8 pt in the XML form, 13.2 pt in the binary one"},
    {"edr__roo_1904_base", "default row height 13 pt in the XML form, 13.5 pt in the binary one"},
    {"sheetjs__hyperlink_no_rels", "default row height 15 pt in the XML form, 14 pt in the binary one"},
    {"sheetjs__defined_names_unicode", "default row height 18.75 pt in the XML form, 15 pt in the binary one"},
    {"edr__Test_LotsOfSheets", "default row height 12 pt in the XML form, 12.75 pt in the binary one"},
    {"edr__Test_git_issue_283_TimeSpan", "column width 21.86 in the XML form, 21.855 (in 1/256) in the binary one"},
    {"sheetjs__formula_stress_test", "table and pivot styles are drawn from the XML form only"},
    {"sheetjs__pivot_table_named_range", "table and pivot styles are drawn from the XML form only"},
    {"edr__Test_Issue_11773_Exponential",
     "the XML form gives only a base column width (read as the width), the binary form the full default width"},
};

TEST(XlsbTwins, FirstPagesOfBothFormsAgree) {
  std::vector<std::string> twins;
  for (const std::string& base : xlxtest::CorpusTwins())
    if (!kDifferentPages.count(base)) twins.push_back(base);
  EXPECT_GE(twins.size(), 40u);
  for (const std::string& base : twins) {
    Image binary, xml;
    int32_t binaryCode = 0, xmlCode = 0;
    bool drewBinary = rendertest::RenderPage(kCorpus + "/xlsb/" + base + ".xlsb", 0x40, &binary, &binaryCode);
    bool drewXml = rendertest::RenderPage(kCorpus + "/xlsx/" + base + ".xlsx", 0x40, &xml, &xmlCode);
    ASSERT_EQ(drewBinary, drewXml) << base << ": " << binaryCode << " / " << xmlCode;
    if (!drewXml) continue;
    EXPECT_LE(rendertest::DifferingShare(binary, xml, 48), 0.004) << base;
  }
}

}  // namespace
