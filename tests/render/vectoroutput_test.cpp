// xlxrender's PDF and SVG output, read back with poppler's tools: the pages and their sizes are
// the ones --info reports, every cell's text is real text on its own page and in page order, a
// PDF page rasterised at 96 dpi looks like the PNG of the same page, and the page selections and
// threads give the same document.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <cstdio>
#include <set>
#include <sstream>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

struct PageList {
  std::vector<std::pair<double, double>> sizes;  // pixels
  uint32_t dpi = 96;
};

class VectorOutput : public testing::Test {
 protected:
  void SetUp() override {
    if (RunCommand("command -v pdfinfo pdftotext pdftoppm >/dev/null").status != 0)
      GTEST_SKIP() << "poppler-utils is not installed (scripts/install-deps.sh installs it)";
  }
  CommandResult Run(const std::string& arguments) { return RunCommand(Quote(XlxrenderPath()) + " " + arguments); }
  const std::string input_ = FixturePath("pages.xlsx");

  PageList Info(const std::string& options) {
    PageList list;
    CommandResult info = Run("--info --json " + options + " " + Quote(input_));
    EXPECT_EQ(info.status, 0) << info.err;
    // {"format": 351, "pages": N, "resolution": [x, y], "page_sizes": [[w, h], ...]}
    const size_t resolution = info.out.find("\"resolution\": [");
    if (resolution != std::string::npos) list.dpi = std::stoul(info.out.substr(resolution + 15));
    size_t at = info.out.find("\"page_sizes\": [");
    if (at == std::string::npos) return list;
    double w, h;
    int used = 0;
    for (at = info.out.find('[', at + 15); at != std::string::npos; at = info.out.find('[', at + used))
      if (std::sscanf(info.out.c_str() + at, "[%lf, %lf]%n", &w, &h, &used) == 2) list.sizes.emplace_back(w, h);
      else used = 1;
    return list;
  }
};

// "Page    3 size: 612 x 792 pts" lines of pdfinfo -f 1 -l N, and its other fields by name.
std::map<std::string, std::string> PdfInfo(const std::string& pdf, std::vector<std::pair<double, double>>* sizes) {
  CommandResult r = RunCommand("pdfinfo -f 1 -l 100000 " + Quote(pdf));
  EXPECT_EQ(r.status, 0) << r.err;
  std::map<std::string, std::string> fields;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    int page;
    double w, h;
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf pts", &page, &w, &h) == 3) sizes->emplace_back(w, h);
    const size_t colon = line.find(':');
    if (colon != std::string::npos) fields[line.substr(0, colon)] = line.substr(line.find_first_not_of(' ', colon + 1));
  }
  return fields;
}

// Rows of the "R<row>C<column>" cells on each page, in the order pdftotext reads them.
std::vector<std::vector<int>> RowsByPage(const std::string& pdf, size_t pages, std::set<std::string>* cells) {
  std::vector<std::vector<int>> rows(pages);
  for (size_t p = 1; p <= pages; ++p) {
    CommandResult text = RunCommand("pdftotext -layout -f " + std::to_string(p) + " -l " + std::to_string(p) + " " +
                                    Quote(pdf) + " -");
    EXPECT_EQ(text.status, 0) << text.err;
    std::istringstream words(text.out);
    for (std::string word; words >> word;) {
      int row, column, used = 0;
      if (std::sscanf(word.c_str(), "R%dC%d%n", &row, &column, &used) != 2 || used != static_cast<int>(word.size()))
        continue;
      EXPECT_TRUE(cells->insert(word).second) << word << " appears twice";
      rows[p - 1].push_back(row);
    }
  }
  return rows;
}

TEST_F(VectorOutput, PdfPagesTextAndPropertiesAgreeWithTheInfo) {
  const char* optionSets[] = {"", "--paginate", "--paginate --paper a4 -r 150", "--paginate -j 3"};
  for (const char* options : optionSets) {
    SCOPED_TRACE(options);
    const PageList info = Info(options);
    ASSERT_FALSE(info.sizes.empty());
    TempFolder out;
    const std::string pdf = out.path() + "/book.pdf";
    CommandResult r = Run(std::string("-q --format pdf -o ") + Quote(pdf) + " " + options + " " + Quote(input_));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::pair<double, double>> sizes;
    auto fields = PdfInfo(pdf, &sizes);
    EXPECT_EQ(fields["Title"], "Vector pages");
    EXPECT_EQ(fields["Author"], "Fixture Author");
    ASSERT_EQ(sizes.size(), info.sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_NEAR(sizes[i].first, info.sizes[i].first * 72 / info.dpi, 0.01) << "page " << i + 1;
      EXPECT_NEAR(sizes[i].second, info.sizes[i].second * 72 / info.dpi, 0.01) << "page " << i + 1;
    }
    // Every cell once, rows ascending across the pages (so pages are in order whatever thread drew them).
    std::set<std::string> cells;
    auto rows = RowsByPage(pdf, sizes.size(), &cells);
    EXPECT_EQ(cells.size(), 150u * 4);
    int last = 0;
    for (size_t p = 0; p < rows.size(); ++p)
      for (int row : rows[p]) {
        EXPECT_GE(row, last) << "page " << p + 1;
        last = row;
      }
    CommandResult wide = RunCommand("pdftotext -f " + std::to_string(sizes.size()) + " " + Quote(pdf) + " -");
    EXPECT_NE(wide.out.find("Landscape page"), std::string::npos) << wide.out;
    EXPECT_NE(wide.out.find("second sheet"), std::string::npos) << wide.out;
    // Printed pages draw their header in a pass of its own; paginated sheets have none.
    if (!*options) {
      EXPECT_NE(wide.out.find("Wide header"), std::string::npos) << wide.out;
    }
  }
}

TEST_F(VectorOutput, PdfPageRasterisedLooksLikeThePng) {
  TempFolder out;
  ASSERT_EQ(Run("-q --paginate --pages 2 " + Quote(input_) + " " + Quote(out.path() + "/png")).status, 0);
  ASSERT_EQ(Run("-q --paginate --format pdf --pages 2 " + Quote(input_) + " " + Quote(out.path() + "/doc")).status, 0);
  ASSERT_EQ(RunCommand("pdftoppm -r 96 -png -singlefile " + Quote(out.path() + "/doc.pdf") + " " +
                       Quote(out.path() + "/pdf")).status, 0);
  Image png, pdf;
  ASSERT_TRUE(ReadPng(out.path() + "/png-2.png", &png));
  ASSERT_TRUE(ReadPng(out.path() + "/pdf.png", &pdf));
  ASSERT_EQ(pdf.width, png.width);
  ASSERT_EQ(pdf.height, png.height);
  // Glyphs are hinted and anti-aliased differently by the two rasterisers, so the pages are
  // compared by where their ink is: every clearly inked pixel of one has ink within two pixels in the
  // other. A text shifted by more than a couple of pixels, a missing line or a fill of another colour fails this.
  constexpr int kReach = 2;
  auto unmatched = [](const Image& a, const Image& b, size_t* inked) {
    size_t misses = 0;
    for (uint32_t y = 0; y < a.height; ++y)
      for (uint32_t x = 0; x < a.width; ++x) {
        if (a.Ink(x, y) < 192) continue;
        ++*inked;
        bool near = false;
        for (int dy = -kReach; dy <= kReach && !near; ++dy)
          for (int dx = -kReach; dx <= kReach && !near; ++dx) near = b.Ink(x + dx, y + dy) >= 96;
        misses += !near;
      }
    return misses;
  };
  size_t inkedPng = 0, inkedPdf = 0;
  const size_t missesPng = unmatched(png, pdf, &inkedPng), missesPdf = unmatched(pdf, png, &inkedPdf);
  ASSERT_GT(inkedPng, 1000u) << "the page has text";
  EXPECT_LT(static_cast<double>(missesPng) / inkedPng, 0.005) << missesPng << " of " << inkedPng;
  EXPECT_LT(static_cast<double>(missesPdf) / inkedPdf, 0.005) << missesPdf << " of " << inkedPdf;
}

TEST_F(VectorOutput, PageSelectionsAndSvgPages) {
  TempFolder out;
  const std::string all = out.path() + "/all.pdf", some = out.path() + "/some.pdf";
  ASSERT_EQ(Run("-q --paginate --format pdf -o " + Quote(all) + " " + Quote(input_)).status, 0);
  ASSERT_EQ(Run("-q --paginate --format pdf -f 2 -l 3 -j 2 -o " + Quote(some) + " " + Quote(input_)).status, 0);
  std::set<std::string> cellsAll, cellsSome;
  auto rowsAll = RowsByPage(all, 4, &cellsAll);
  auto rowsSome = RowsByPage(some, 2, &cellsSome);
  EXPECT_EQ(rowsSome[0], rowsAll[1]);
  EXPECT_EQ(rowsSome[1], rowsAll[2]);

  // One SVG per selected page, each the page's size in points. One thread draws each page straight
  // into its document, so nothing is recorded: a sanitizer build checks this run for leaks too.
  // (Cairo 1.16's SVG surface keeps a reference to every recording it replays, one small surface
  // record a page with -j 2 and more.)
  CommandResult svg = Run("--paginate --format svg --pages 1,4 " + Quote(input_) + " " + Quote(out.path() + "/s"));
  ASSERT_EQ(svg.status, 0) << svg.err;
  EXPECT_EQ(svg.out, out.path() + "/s-1.svg\n" + out.path() + "/s-4.svg\n");
  CommandResult sized = RunCommand("cd " + Quote(out.path()) + " && grep -l '<svg.*width=\"612pt\" height=\"792pt\"' s-*.svg");
  EXPECT_EQ(sized.out, "s-1.svg\ns-4.svg\n");
  EXPECT_EQ(out.Files().size(), 4u);
}

TEST_F(VectorOutput, UnwritableOutputsAndEmptySelectionsFail) {
  TempFolder scratch;
  for (const char* format : {"pdf", "svg"}) {
    SCOPED_TRACE(format);
    CommandResult r = Run(std::string("--format ") + format + " " + Quote(input_) + " " +
                          Quote(scratch.path() + "/no/such/folder/out"));
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("no/such/folder/out"), std::string::npos) << r.err;
  }
  // A selection past the last page writes no document.
  CommandResult none = Run("--format pdf -f 9 " + Quote(input_) + " " + Quote(scratch.path() + "/none"));
  EXPECT_EQ(none.status, 99) << none.err;
  EXPECT_NE(none.err.find("past the last page"), std::string::npos) << none.err;
  EXPECT_TRUE(scratch.Files().empty());
}

}  // namespace
