// Workbooks of the corpus saved both as .xlsx and as .xlsb ("twins", found by name): xlxdump
// prints the same display text for every cell of both, and xlxrender prints both on the same pages.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kCorpus = std::string(XLX_SOURCE_DIR) + "/../shared/corpus";

// Twins that are not the same workbook: written separately by a library, with other sheet names,
// formulas without stored values or strings kept inline in one of the two.
const std::set<std::string> kNotTheSameWorkbook = {
    "sheetjs__wtf_path", "sheetjs__issue2717__issue2717", "sheetjs__xlsx-stream-d-date-cell"};
// Twins saved with other default row heights (12.75 pt against 12 pt, 14.4 pt against 15 pt).
const std::set<std::string> kOtherRowHeights = {"edr__Test_LotsOfSheets", "edr__Test_git_issue_694_TimeSpan"};
// Texts the XML twin keeps as written with `_x000D_` escapes where the binary one has the line
// breaks: as they are shown, the longer texts spill over more columns, which then print.
const std::set<std::string> kEscapedSpills = {"sheetjs__comments_stress_test"};
// Cells whose stored values were computed by volatile functions (TODAY, NOW, RAND) at two saves.
const std::set<std::string> kVolatileCells = {
    "edr__Test_Encoding_Formula_Date_1520|Sheet1|B6", "sheetjs__formula_stress_test|Date|B6",
    "sheetjs__formula_stress_test|Date|B7", "sheetjs__formula_stress_test|Math|B46"};

// Cached values only: TODAY() and RAND() would differ between the two readings.
std::string RunTool(const std::string& path, int* status, const char* tool = "xlxdump/xlxdump --cached") {
  std::string out;
  // Leaks are the corpus run's concern; here a leak report would only hide the output compared.
  FILE* pipe = popen(("ASAN_OPTIONS=detect_leaks=0 " + std::string(XLX_BINARY_DIR) + "/tools/" + tool + " '" + path + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  *status = pclose(pipe);
  return out;
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
  std::vector<std::vector<std::string>> rows = ParseCsv(RunTool(path, &status));
  EXPECT_EQ(status, 0) << path;
  for (size_t i = 1; i < rows.size(); ++i) {
    if (rows[i].size() != 6) continue;
    displays[rows[i][0] + "|" + rows[i][1]] = decode ? DecodeEscapes(rows[i][5]) : rows[i][5];
  }
  return displays;
}

TEST(XlsbTwins, BothFormsDisplayTheSameTextOnTheSamePages) {
  DIR* dir = opendir((kCorpus + "/xlsb").c_str());
  ASSERT_NE(dir, nullptr);
  std::vector<std::string> twins;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() < 6 || name.compare(name.size() - 5, 5, ".xlsb") != 0) continue;
    std::string base = name.substr(0, name.size() - 5);
    if (FILE* f = fopen((kCorpus + "/xlsx/" + base + ".xlsx").c_str(), "rb")) {
      fclose(f);
      if (!kNotTheSameWorkbook.count(base)) twins.push_back(base);
    }
  }
  closedir(dir);
  EXPECT_GE(twins.size(), 50u);
  size_t cells = 0;
  for (const std::string& base : twins) {
    // The printed pages: count, sizes and the cells on each (the format code before them differs).
    int status = -1;
    std::string pages[2];
    for (int i = 0; i < 2 && !kOtherRowHeights.count(base) && !kEscapedSpills.count(base); ++i) {
      pages[i] = RunTool(kCorpus + (i ? "/xlsx/" + base + ".xlsx" : "/xlsb/" + base + ".xlsb"), &status,
                         "xlxrender/xlxrender --print --info --json");
      EXPECT_EQ(status, 0) << base;
      pages[i] = pages[i].substr(std::min(pages[i].size(), pages[i].find("\"pages\"")));
    }
    EXPECT_EQ(pages[0], pages[1]) << base;
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
