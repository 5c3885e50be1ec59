// xlxrender end to end in a subprocess: the pages it writes agree with what --info reports, a
// file that is not a workbook fails with its code and meaning, an output that cannot be written
// exits with status 2.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

class XlxrenderRun : public testing::Test {
 protected:
  void SetUp() override {
    if (!Exists(XlxrenderPath())) GTEST_FAIL() << "xlxrender is not built at " << XlxrenderPath();
  }
  CommandResult Run(const std::string& arguments) { return RunCommand(Quote(XlxrenderPath()) + " " + arguments); }
};

TEST_F(XlxrenderRun, PagesWrittenMatchTheInfoUnderDefaultAndPaginatedOptions) {
  // Three sheets, the second much wider than a page: three sheet pages, sixteen paginated, and
  // the printed pages of the sheets' own setup by default.
  const std::string input = xlxtest::CorpusDir() + "/xlsx/edr__TestOpen.xlsx";
  if (!Exists(input)) GTEST_SKIP() << "corpus not present: " << input;
  const struct {
    const char* options;
    int pages;  // -1: whatever --info says
  } cases[] = {{"--sheet-pages", 3}, {"--paginate", 16}, {"--paginate --paper a4 --margins 0.5", -1}, {"", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    // --info --json prints {"pages": N, ..., "page_sizes": [[w, h], ...]}.
    CommandResult info = Run(std::string("--info --json ") + c.options + " " + Quote(input));
    ASSERT_EQ(info.status, 0) << info.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info.out, m, std::regex("\"pages\": *([0-9]+)"))) << info.out;
    const int pages = std::stoi(m[1]);
    if (c.pages > 0) {
      EXPECT_EQ(pages, c.pages) << info.out;
    }
    const size_t at = info.out.find("\"page_sizes\"");
    ASSERT_NE(at, std::string::npos) << info.out;
    const std::string rest = info.out.substr(at);
    const std::regex pair("\\[ *([0-9]+), *([0-9]+) *\\]");
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    for (auto it = std::sregex_iterator(rest.begin(), rest.end(), pair); it != std::sregex_iterator(); ++it)
      sizes.emplace_back(std::stoul((*it)[1]), std::stoul((*it)[2]));
    ASSERT_GT(pages, 0);
    ASSERT_EQ(sizes.size(), static_cast<size_t>(pages)) << info.out;

    TempFolder out;
    CommandResult render = Run(std::string("-q ") + c.options + " " + Quote(input) + " " + Quote(out.path() + "/p"));
    ASSERT_EQ(render.status, 0) << render.err;
    ASSERT_EQ(out.Files().size(), static_cast<size_t>(pages));
    const int digits = static_cast<int>(std::to_string(pages).size());
    for (int page = 1; page <= pages; ++page) {
      char name[64];
      std::snprintf(name, sizeof name, "p-%0*d.png", digits, page);
      Image png;
      ASSERT_TRUE(ReadPng(out.path() + "/" + name, &png)) << name;
      EXPECT_EQ(png.width, sizes[page - 1].first) << name;
      EXPECT_EQ(png.height, sizes[page - 1].second) << name;
    }
  }
}

TEST_F(XlxrenderRun, FileThatIsNotAWorkbookFailsWithItsCodeAndMeaning) {
  TempFolder scratch;
  const std::vector<unsigned char> real = xlxtest::ReadWholeFile(FixturePath("text.xlsx"));
  ASSERT_GT(real.size(), 300u);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty.xlsx", ""},
      {"text.xlsx", "this is not a workbook\n"},
      {"truncated.xlsx", std::string(real.begin(), real.begin() + 300)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = scratch.path() + "/" + c.name;
    std::ofstream(input, std::ios::binary) << c.bytes;
    CommandResult r = Run(Quote(input) + " " + Quote(scratch.path() + "/out"));
    EXPECT_EQ(r.status, 1) << r.err;
    // "xlxrender: FILE: information failed with code -9: not a supported workbook, ..."
    EXPECT_TRUE(std::regex_search(r.err, std::regex(std::string(c.name) + ": .*code -[0-9]+: [a-z]+"))) << r.err;
    for (const std::string& f : scratch.Files()) EXPECT_EQ(f.find("out"), std::string::npos) << "wrote " << f;
  }
  CommandResult missing = Run(Quote(scratch.path() + "/absent.xlsx"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("absent.xlsx"), std::string::npos) << missing.err;
}

TEST_F(XlxrenderRun, OutputThatCannotBeWrittenIsReported) {
  TempFolder scratch;
  const std::string plainFile = scratch.path() + "/file";
  std::ofstream(plainFile) << "x";
  const std::string input = FixturePath("text.xlsx");
  for (const std::string& root : {scratch.path() + "/no/such/folder/page", plainFile + "/page"}) {
    SCOPED_TRACE(root);
    CommandResult r = Run(Quote(input) + " " + Quote(root));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(root), std::string::npos) << "stderr names the file: " << r.err;
  }
  EXPECT_EQ(Run("-o " + Quote(scratch.path() + "/missing/p%d.png") + " " + Quote(input)).status, 2);
}

TEST_F(XlxrenderRun, PageSelectionsPastTheLastPageNameThePageCountAndWriteNothing) {
  // Four paginated pages. A selection that starts past them is refused before anything is drawn;
  // one that starts within them and runs past the end stops at the last page.
  const std::string input = FixturePath("pages.xlsx");
  const struct {
    const char* selection;
    int status;
    size_t files;
  } cases[] = {{"-f 5", 99, 0}, {"-f 9 -l 12", 99, 0}, {"--pages 2,9", 99, 0}, {"--pages 5-N", 99, 0},
               {"-f 3 -l 2", 99, 0}, {"-f 4", 0, 1}, {"-f 3 -l 9", 0, 2}, {"--pages 4-9", 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selection);
    TempFolder out;
    CommandResult r = Run(std::string("-q --paginate ") + c.selection + " " + Quote(input) + " " + Quote(out.path() + "/p"));
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(out.Files().size(), c.files);
    if (c.status == 99 && r.err.find("-f 3 is after -l 2") == std::string::npos) {
      EXPECT_NE(r.err.find("has 4 pages"), std::string::npos) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
    }
  }
}

}  // namespace
