// Pages drawn on several threads equal the pages drawn on one: xlxrender -j 4 (threads share the
// parse of a workbook) and --batch -j 4 (workbooks parsed side by side) against -j 1, byte for
// byte. ./test runs it with xlxrender and the filter built under ThreadSanitizer, which makes a
// race anywhere in a page's drawing fail the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/testsupport.h"

namespace {

int Xlxrender(const std::string& arguments) {
  // glib's slice allocator recycles memory between threads out of the sanitizer's sight.
  setenv("G_SLICE", "always-malloc", 1);
  return std::system((std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender -q " + arguments).c_str());
}

TEST(Threads, PagesOnFourThreadsEqualPagesOnOne) {
  // Text and pictures; a chart and shapes from the corpus when it is there.
  std::vector<std::string> files = {xlxtest::SourceDir() + "/examples/showcase.xlsx",
                                    xlxtest::SourceDir() + "/tests/fixtures/render/pictures.xlsx"};
  for (const char* name : {"xlsxwriter__chart_bar11.xlsx", "xlsxwriter__textbox27.xlsx", "ewx__shape_stencil01.xlsx"}) {
    const std::string path = xlxtest::CorpusDir() + "/xlsx/" + name;
    if (std::filesystem::exists(path)) files.push_back(path);
  }
  char made[] = "/tmp/xlxthreadsXXXXXX";
  ASSERT_NE(mkdtemp(made), nullptr);
  const std::string dir = made;
  std::ofstream list(dir + "/list.txt");
  for (const std::string& f : files) {
    const std::string stem = std::filesystem::path(f).stem();
    ASSERT_EQ(Xlxrender("-l 6 -j 1 '" + f + "' " + dir + "/one-" + stem), 0) << f;
    ASSERT_EQ(Xlxrender("-l 6 -j 4 '" + f + "' " + dir + "/four-" + stem), 0) << f;
    list << f << "\n";
  }
  list.close();
  ASSERT_EQ(Xlxrender("-l 6 -j 4 --batch " + dir + "/list.txt " + dir + " > /dev/null"), 0);
  size_t pages = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename();
    if (name.rfind("one-", 0) != 0) continue;
    const std::string page = name.substr(4), stem = page.substr(0, page.rfind('-'));
    const auto reference = xlxtest::ReadWholeFile(e.path());
    EXPECT_FALSE(reference.empty()) << name;
    EXPECT_EQ(xlxtest::ReadWholeFile(dir + "/four-" + page), reference) << "-j 4: " << page;
    EXPECT_EQ(xlxtest::ReadWholeFile(dir + "/" + stem + "/" + page), reference) << "--batch -j 4: " << page;
    ++pages;
  }
  EXPECT_GE(pages, files.size());
  std::filesystem::remove_all(dir);
}

}  // namespace
