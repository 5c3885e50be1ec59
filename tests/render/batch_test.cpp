// xlxrender --batch in a subprocess: every listed file gets its own folder and one JSON line,
// failures are reported and do not stop the others, and the pages equal those of a single run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

TEST(Batch, EachFileGetsAFolderAndALineAndFailuresDoNotStopTheRest) {
  TempFolder scratch;
  const std::string dir = scratch.path(), out = dir + "/out", pages = FixturePath("pages.xlsx");
  std::ofstream(dir + "/garbage.xlsx") << "not a zip package";
  std::filesystem::create_directory(dir + "/sub");
  const struct {
    std::string path, folder, line;  // line: status, code and pages as printed
  } cases[] = {
      {pages, "pages", "ok\", \"code\": 1, \"pages\": 4"},
      {FixturePath("text.xlsx"), "text", "ok\", \"code\": 1, \"pages\": 1"},
      {pages, "pages-4", "ok\", \"code\": 1, \"pages\": 4"},  // the same name: its line number tells them apart
      {dir + "/missing.xlsx", "missing", "failed\", \"code\": -10, \"pages\": 0"},
      {dir + "/garbage.xlsx", "garbage", "failed\", \"code\": -9, \"pages\": 0"},
      {dir + "/sub", "sub", "failed\", \"code\": -10, \"pages\": 0"},  // a folder is not opened
  };
  // On standard input, with CRLF line ends and a blank line 3 that is skipped.
  std::string list = cases[0].path + "\r\n" + cases[1].path + "\r\n\r\n";
  for (size_t i = 2; i < std::size(cases); ++i) list += cases[i].path + "\n";
  std::ofstream(dir + "/list.txt") << list;
  const std::string tool = Quote(XlxrenderPath());
  CommandResult r = RunCommand(tool + " --paginate -j 2 --batch - " + Quote(out) + " < " + Quote(dir + "/list.txt"));
  EXPECT_EQ(r.status, 1) << r.err;  // some files failed
  std::map<std::string, std::string> byFolder;  // the line of each output folder
  const std::regex shape("\\{\"path\": \"[^\"]+\", \"status\": \"[^}]+, \"seconds\": [0-9]+\\.[0-9]{3}, \"output\": \"" +
                         out + "/([^\"/]+)\"\\}");
  std::istringstream in(r.out);
  for (std::string line, folder; std::getline(in, line);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
    byFolder[m[1]] = line;
  }
  ASSERT_EQ(byFolder.size(), std::size(cases)) << r.out;
  // The single run writes the reference pages: four, as the batch lines say.
  ASSERT_EQ(RunCommand(tool + " -q --paginate " + Quote(pages) + " " + Quote(dir + "/single")).status, 0);
  ASSERT_TRUE(std::filesystem::exists(dir + "/single-4.png") && !std::filesystem::exists(dir + "/single-5.png"));
  for (const auto& c : cases) {
    const std::string& line = byFolder[c.folder];
    EXPECT_NE(line.find("{\"path\": \"" + c.path + "\", \"status\": \"" + c.line + ","), std::string::npos) << line;
    EXPECT_EQ(std::filesystem::exists(out + "/" + c.folder), c.line[0] == 'o') << c.folder;  // failures leave none
    if (c.path != pages) continue;
    for (int p = 1; p <= 4; ++p)  // the pages of the single run, byte for byte
      EXPECT_EQ(xlxtest::ReadWholeFile(out + "/" + c.folder + "/pages-" + std::to_string(p) + ".png"),
                xlxtest::ReadWholeFile(dir + "/single-" + std::to_string(p) + ".png")) << c.folder << " page " << p;
  }
}
