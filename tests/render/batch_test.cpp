// xlxrender --batch in a subprocess: every listed file gets its own folder and one JSON line,
// failures are reported and do not stop the others, and the pages equal those of a single run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

CommandResult Xlxrender(const std::string& arguments) { return RunCommand(Quote(XlxrenderPath()) + " " + arguments); }

TEST(Batch, EachFileGetsAFolderAndALineAndFailuresDoNotStopTheRest) {
  TempFolder scratch;
  const std::string garbage = scratch.path() + "/garbage.xlsx";
  std::ofstream(garbage) << "not a zip package";
  const std::string pages = FixturePath("pages.xlsx"), text = FixturePath("text.xlsx");
  const struct {
    std::string path, folder, status;
    int code;
  } cases[] = {
      {pages, "pages", "ok", 1},
      {text, "text", "ok", 1},
      {pages, "pages-4", "ok", 1},  // the same stem again: the line number keeps the folders apart
      {scratch.path() + "/missing.xlsx", "missing", "failed", -10},
      {garbage, "garbage", "failed", -9},
      {scratch.path() + "/sub", "sub", "failed", -10},  // a folder is not opened
  };
  std::filesystem::create_directory(scratch.path() + "/sub");
  // Line 3 is blank and skipped; the list comes on standard input with CRLF line ends.
  std::string list = cases[0].path + "\r\n" + cases[1].path + "\r\n\r\n" + cases[2].path + "\n" + cases[3].path +
                     "\n" + cases[4].path + "\n" + cases[5].path + "\n";
  std::ofstream(scratch.path() + "/list.txt") << list;
  const std::string out = scratch.path() + "/out";
  CommandResult r = RunCommand("cat " + Quote(scratch.path() + "/list.txt") + " | " + Quote(XlxrenderPath()) +
                               " --paginate -j 2 --batch - " + Quote(out));
  EXPECT_EQ(r.status, 1) << r.err;  // some files failed
  std::istringstream in(r.out);
  std::vector<std::string> textLines;
  for (std::string line; std::getline(in, line);) textLines.push_back(line);
  ASSERT_EQ(textLines.size(), std::size(cases)) << r.out;
  std::map<std::string, std::smatch> lines;  // by folder name
  const std::regex shape(
      "\\{\"path\": \"([^\"]+)\", \"status\": \"(ok|failed)\", \"code\": (-?[0-9]+), \"pages\": ([0-9]+), "
      "\"seconds\": [0-9]+\\.[0-9]{3}, \"output\": \"([^\"]+)\"\\}");
  for (const std::string& line : textLines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
    lines[m[5].str().substr(out.size() + 1)] = m;
  }
  // The single-file run of the same workbook writes the reference pages.
  CommandResult single = Xlxrender("-q --paginate " + Quote(pages) + " " + Quote(scratch.path() + "/single"));
  ASSERT_EQ(single.status, 0) << single.err;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    ASSERT_EQ(lines.count(c.folder), 1u) << r.out;
    const std::smatch& m = lines[c.folder];
    EXPECT_EQ(m[1].str(), c.path);
    EXPECT_EQ(m[2].str(), c.status);
    EXPECT_EQ(std::stoi(m[3].str()), c.code);
    const int written = std::stoi(m[4].str());
    EXPECT_EQ(written > 0, c.code == 1);
    if (c.path != pages) continue;
    // Same names (OUTROOT-N.png under the folder) and the same bytes as the single run.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(out + "/" + c.folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), static_cast<size_t>(written));
    for (const std::string& name : names) {
      ASSERT_EQ(name.rfind("pages-", 0), 0u) << name;
      EXPECT_EQ(ReadAll(out + "/" + c.folder + "/" + name), ReadAll(scratch.path() + "/single-" + name.substr(6)))
          << name;
    }
  }
}

TEST(Batch, RejectsOptionsThatCannotApplyToManyFiles) {
  for (const char* args : {"--batch list.txt -o page%d.png", "--batch list.txt --info", "--batch list.txt a b",
                           "--batch /nonexistent/list.txt"}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Xlxrender(args).status, 99);
  }
}

}  // namespace
