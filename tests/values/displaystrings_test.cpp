// Display strings the spreadsheet application produced for unusual codes (a table of format code,
// value, date system and shown text, ../shared/data/display-strings.tsv, or the file named by
// XLX_DISPLAY_STRINGS): every row must come out of the cell formatter as the application showed
// it. The rows that differ are listed one per line so that a failing run shows all of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/apiutils.h"
#include "tests/support/testsupport.h"
#include "values/format/numformat.h"

namespace {

struct DisplayRow {
  int line;
  std::string code;
  double value;
  bool date1904;
  std::string shown;
  std::string text;  // a text or logical value (TRUE / FALSE); empty for a number
};

// One field of a tab-separated row: quoted fields double their quotes.
std::string Unquote(const std::string& field) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return field;
  std::string text;
  for (size_t i = 1; i + 1 < field.size(); i++) {
    text += field[i];
    if (field[i] == '"' && field[i + 1] == '"') i++;
  }
  return text;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, '\t')) fields.push_back(Unquote(field));
  if (!line.empty() && line.back() == '\t') fields.push_back("");
  return fields;
}

std::string TablePath() {
  if (const char* path = std::getenv("XLX_DISPLAY_STRINGS")) return path;
  return xlxtest::CorpusDir() + "/../data/display-strings.tsv";
}

std::vector<DisplayRow> ReadRows(const std::string& path) {
  std::vector<DisplayRow> rows;
  std::ifstream in(path);
  std::string line;
  for (int number = 1; std::getline(in, line); number++) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = SplitTabs(line);
    if (number == 1 || fields.size() < 4) continue;
    DisplayRow row = {number, fields[0], 0.0, fields[2] == "1", fields[3], ""};
    char* end = nullptr;
    row.value = std::strtod(fields[1].c_str(), &end);
    const bool bLogical = fields.size() > 4 && fields[4].find("Boolean") != std::string::npos;
    if (bLogical) row.text = row.value != 0 ? "TRUE" : "FALSE";
    else if (fields[1].empty() || *end != 0) row.text = fields[1];
    rows.push_back(row);
  }
  return rows;
}

// The text TEXT(value, code) gives: numbers through the cell formatter, texts and logical values
// through the code's text section.
std::string Shown(const DisplayRow& row) {
  const std::u16string code = xlxtest::U16(row.code);
  char16_t out[512];
  if (row.text.empty()) {
    xlx::FormatWorkbookNumber(row.value, code.c_str(), row.date1904, out, 512);
  } else {
    xlx::FormatTextValue(xlxtest::U16(row.text).c_str(), code.c_str(), out, 512);
  }
  return xlx::Utf16ToUtf8(out);
}

TEST(DisplayStrings, EveryRowShowsWhatTheApplicationShowed) {
  const std::string path = TablePath();
  const std::vector<DisplayRow> rows = ReadRows(path);
  if (rows.empty()) GTEST_SKIP() << "no display strings at " << path;
  size_t mismatches = 0;
  for (const DisplayRow& row : rows) {
    const std::string shown = Shown(row);
    if (shown == row.shown) continue;
    mismatches++;
    ADD_FAILURE() << "line " << row.line << ": [" << row.code << "] " << row.value << (row.date1904 ? " (1904)" : "")
                  << (row.text.empty() ? "" : " as " + row.text) << " shows [" << shown << "], expected [" << row.shown << "]";
  }
  EXPECT_EQ(mismatches, 0u) << "of " << rows.size() << " rows";
}

}  // namespace
