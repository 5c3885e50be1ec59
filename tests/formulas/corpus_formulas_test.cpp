// Every formula of the corpus workbooks computed and compared with the value the application
// cached: at least 99.5% of the computed cells that had a cached value must agree. Prints the
// mismatches per function and the functions that kept formulas from being computed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "common/apiutils.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/support/testsupport.h"
#include "values/formula/formula.h"
#include "values/formula/check.h"

namespace {

void PrintCounts(const char* title, const std::map<std::string, int32_t>& counts) {
  std::vector<std::pair<int32_t, std::string>> sorted;
  for (const auto& entry : counts) sorted.push_back({entry.second, entry.first});
  std::sort(sorted.rbegin(), sorted.rend());
  std::printf("%s:", title);
  for (const auto& entry : sorted) std::printf(" %s=%d", entry.second.c_str(), entry.first);
  std::printf("\n");
}

TEST(CorpusFormulas, ComputedResultsMatchTheCachedValues) {
  std::vector<std::string> files = xlxtest::CorpusFiles("xlsx");
  if (files.empty()) GTEST_SKIP() << "corpus not present";
  int64_t compared = 0, equal = 0, total = 0, computed = 0, unsupported = 0, volatileCells = 0;
  std::map<std::string, int32_t> byFunction, unsupportedFunctions;
  std::map<std::string, int32_t> byFile;
  for (const std::string& path : files) {
    xlx::WorkbookOpenOptions options;
    options.showHiddenSheets = true;
    options.formulaMode = xlx::kFormulaEvalNone;
    xlx::Workbook* wb = nullptr;
    if (xlx::OpenWorkbook(xlxtest::U16(path).c_str(), options, &wb) != 1) continue;
    xlx::FormulaCheckResult check;
    ASSERT_EQ(xlx::CheckWorkbookFormulas(wb, &check), 1) << path;
    total += check.nTotal;
    computed += check.nComputed;
    unsupported += check.nUnsupported;
    volatileCells += check.nVolatile;
    compared += check.nComputedWithCache;  // volatile cells are not among them
    equal += check.nEqual;
    if (!check.mismatches.empty()) byFile[path.substr(path.rfind('/') + 1)] = int32_t(check.mismatches.size());
    for (const auto& entry : check.mismatchesByFunction) byFunction[entry.first] += entry.second;
    for (const auto& entry : check.unsupportedFunctions) unsupportedFunctions[entry.first] += entry.second;
    xlx::FreeWorkbook(wb);
  }
  std::printf("formulas: %lld total, %lld computed, %lld compared, %lld equal, %lld volatile, %lld unsupported\n",
              (long long)total, (long long)computed, (long long)compared, (long long)equal, (long long)volatileCells,
              (long long)unsupported);
  PrintCounts("mismatches by function", byFunction);
  PrintCounts("mismatches by file", byFile);
  PrintCounts("not implemented", unsupportedFunctions);
  ASSERT_GT(compared, 0);
  EXPECT_GE(double(equal), 0.995 * double(compared));
}

}  // namespace
