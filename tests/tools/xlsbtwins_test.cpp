// Workbooks of the corpus saved both as .xlsx and as .xlsb ("twins", found by name): xlxdump
// prints the same display text for every cell of both.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"

namespace {

const std::string kCorpus = xlxtest::CorpusDir();

// Twins that are not the same workbook: written separately by a library, with other sheet names,
// formulas without stored values or strings kept inline in one of the two.
const std::set<std::string> kNotTheSameWorkbook = {
    "sheetjs__wtf_path", "sheetjs__issue2717__issue2717", "sheetjs__xlsx-stream-d-date-cell"};
// Cells whose stored values were computed by volatile functions (TODAY, NOW, RAND) at two saves.
const std::set<std::string> kVolatileCells = {
    "edr__Test_Encoding_Formula_Date_1520|Sheet1|B6", "sheetjs__formula_stress_test|Date|B6",
    "sheetjs__formula_stress_test|Date|B7", "sheetjs__formula_stress_test|Math|B46"};

// Cached values only: TODAY() and RAND() would differ between the two readings.
std::string Run(const std::string& path, int* status) {
  return xlxtest::CommandOutput(std::string(XLX_BINARY_DIR) + "/tools/xlxdump/xlxdump --cached '" + path + "' 2>/dev/null", status);
}

// CSV records (fields may be quoted and hold commas, quotes and line breaks).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\n') {
      records.emplace_back(1);
    } else {
      field += c;
    }
  }
  if (records.back().size() == 1 && records.back()[0].empty()) records.pop_back();
  return records;
}

// XML text keeps the escapes it was written with (_x000D_ for a carriage return); the binary part
// holds the characters. The escapes are decoded here so the two read alike.
std::string DecodeEscapes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "_x") == 0 && i + 7 <= text.size() && text[i + 6] == '_') {
      unsigned value = 0;
      if (sscanf(text.substr(i + 2, 4).c_str(), "%4x", &value) == 1 && value < 0x80) {
        out += char(value);
        i += 6;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// sheet|cell -> display text.
std::map<std::string, std::string> Displays(const std::string& path, bool decode) {
  int status = -1;
  std::map<std::string, std::string> displays;
  std::vector<std::vector<std::string>> rows = ParseCsv(Run(path, &status));
  EXPECT_EQ(status, 0) << path;
  for (size_t i = 1; i < rows.size(); ++i) {
    if (rows[i].size() != 6) continue;
    displays[rows[i][0] + "|" + rows[i][1]] = decode ? DecodeEscapes(rows[i][5]) : rows[i][5];
  }
  return displays;
}

TEST(XlsbTwins, BothFormsDisplayTheSameText) {
  std::vector<std::string> twins;
  for (const std::string& base : xlxtest::CorpusTwins())
    if (!kNotTheSameWorkbook.count(base)) twins.push_back(base);
  EXPECT_GE(twins.size(), 50u);
  size_t cells = 0;
  for (const std::string& base : twins) {
    std::map<std::string, std::string> binary = Displays(kCorpus + "/xlsb/" + base + ".xlsb", false);
    std::map<std::string, std::string> xml = Displays(kCorpus + "/xlsx/" + base + ".xlsx", true);
    EXPECT_EQ(binary.size(), xml.size()) << base;
    for (const auto& cell : xml) {
      if (kVolatileCells.count(base + "|" + cell.first)) continue;
      auto found = binary.find(cell.first);
      ASSERT_NE(found, binary.end()) << base << " " << cell.first;
      EXPECT_EQ(found->second, cell.second) << base << " " << cell.first;
      ++cells;
    }
  }
  EXPECT_GT(cells, 10000u);
}

}  // namespace
