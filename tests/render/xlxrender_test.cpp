// xlxrender end to end, in a subprocess: the pages it writes agree with what --info reports, a
// file that is not a workbook fails with its code and meaning, an output folder that cannot be
// written is reported with exit status 2.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

namespace {

// A corpus workbook of three sheets whose second sheet is much wider than a page: one page per
// sheet by default, fourteen letter pages with --paginate.
std::string CorpusWorkbook() { return xlxtest::CorpusDir() + "/xlsx/edr__TestOpen.xlsx"; }

struct Info {
  int pages = -1;
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
};

// Reads {"pages": N, ..., "page_sizes": [[w, h], ...]} as printed by --info --json.
Info ParseInfo(const std::string& json) {
  Info info;
  std::smatch m;
  if (std::regex_search(json, m, std::regex("\"pages\": *([0-9]+)"))) info.pages = std::stoi(m[1]);
  const size_t at = json.find("\"page_sizes\"");
  if (at == std::string::npos) return info;
  const std::string rest = json.substr(at);
  const std::regex pair("\\[ *([0-9]+), *([0-9]+) *\\]");
  for (auto it = std::sregex_iterator(rest.begin(), rest.end(), pair); it != std::sregex_iterator(); ++it)
    info.sizes.emplace_back(std::stoul((*it)[1]), std::stoul((*it)[2]));
  return info;
}

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
  const std::string input = CorpusWorkbook();
  if (!Exists(input)) GTEST_SKIP() << "corpus not present: " << input;
  const struct {
    const char* options;
    int pages;  // what this workbook lays out to
  } cases[] = {{"", 3}, {"--paginate", 14}, {"--paginate --paper a4 --margins 0.5", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    CommandResult info = Run(std::string("--info --json ") + c.options + " " + Quote(input));
    ASSERT_EQ(info.status, 0) << info.err;
    const Info expected = ParseInfo(info.out);
    if (c.pages > 0) EXPECT_EQ(expected.pages, c.pages) << info.out;
    ASSERT_GT(expected.pages, 0) << info.out;
    ASSERT_EQ(expected.sizes.size(), static_cast<size_t>(expected.pages)) << info.out;

    TempFolder out;
    CommandResult render = Run(std::string("-q ") + c.options + " " + Quote(input) + " " + Quote(out.path() + "/p"));
    ASSERT_EQ(render.status, 0) << render.err;
    const std::vector<std::string> files = out.Files();
    ASSERT_EQ(files.size(), static_cast<size_t>(expected.pages));
    const int digits = static_cast<int>(std::to_string(expected.pages).size());
    for (int page = 1; page <= expected.pages; ++page) {
      char name[64];
      std::snprintf(name, sizeof name, "p-%0*d.png", digits, page);
      uint32_t w = 0, h = 0;
      ASSERT_TRUE(ReadPngSize(out.path() + "/" + name, &w, &h)) << name;
      EXPECT_EQ(w, expected.sizes[page - 1].first) << name;
      EXPECT_EQ(h, expected.sizes[page - 1].second) << name;
    }
  }
}

TEST_F(XlxrenderRun, FileThatIsNotAWorkbookFailsWithItsCodeAndMeaning) {
  TempFolder scratch;
  const std::string folder = scratch.path();
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
    const std::string input = folder + "/" + c.name;
    std::ofstream(input, std::ios::binary) << c.bytes;
    CommandResult r = Run(Quote(input) + " " + Quote(folder + "/out"));
    EXPECT_EQ(r.status, 1) << r.err;
    // "xlxrender: FILE: information failed with code -9: not a supported workbook, ..."
    EXPECT_TRUE(std::regex_search(r.err, std::regex(std::string(c.name) + ": .*code -[0-9]+: [a-z]+")))
        << "stderr: " << r.err;
    for (const std::string& f : scratch.Files()) EXPECT_EQ(f.find("out"), std::string::npos) << "wrote " << f;
  }
  CommandResult missing = Run(Quote(folder + "/absent.xlsx"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("absent.xlsx"), std::string::npos) << missing.err;
}

TEST_F(XlxrenderRun, OutputFolderThatCannotBeWrittenIsReported) {
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
  CommandResult pattern = Run("-o " + Quote(scratch.path() + "/missing/p%d.png") + " " + Quote(input));
  EXPECT_EQ(pattern.status, 2) << pattern.err;
}

}  // namespace
