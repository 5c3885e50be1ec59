// Printed pages end to end (option bit 0x80): xlxrender --info --json reports each page's paper and
// cells, and the drawn pages carry the titles, headers, footers, centring and headings of the
// sheets' own setup. Letter portrait at 96 dpi with the normal margins prints 681.6 x 912 px:
// ten 64 px columns and 45 rows of 20 px.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kPrint = 0x80;

struct Info {
  std::vector<std::pair<int, int>> sizes;
  std::vector<std::string> ranges;
};

Info PrintedInfo(const std::string& fixture, const std::string& options = "") {
  Info info;
  const CommandResult r = RunCommand(Quote(XlxrenderPath()) + " --info --json " + options + " " + Quote(FixturePath(fixture)));
  EXPECT_EQ(r.status, 0) << r.err;
  const size_t sizesAt = r.out.find("\"page_sizes\""), rangesAt = r.out.find("\"page_ranges\"");
  if (sizesAt == std::string::npos || rangesAt == std::string::npos) {
    ADD_FAILURE() << r.out;
    return info;
  }
  const std::string sizes = r.out.substr(sizesAt, rangesAt - sizesAt), ranges = r.out.substr(rangesAt + 14);
  const std::regex pair("\\[([0-9]+), ([0-9]+)\\]"), text("\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(sizes.begin(), sizes.end(), pair); it != std::sregex_iterator(); ++it)
    info.sizes.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]));
  for (auto it = std::sregex_iterator(ranges.begin(), ranges.end(), text); it != std::sregex_iterator(); ++it)
    info.ranges.push_back((*it)[1]);
  return info;
}

std::string Joined(const std::vector<std::string>& v, size_t first = 0, size_t count = 1000) {
  std::string s;
  for (size_t i = first; i < v.size() && i < first + count; ++i) s += v[i] + " ";
  return s;
}

TEST(PrintedPages, EachSheetsSetupGivesItsPagesAndRanges) {
  const struct {
    const char* fixture;
    size_t first, count;  // the pages compared
    const char* ranges;
  } cases[] = {
      // Landscape letter prints 672 px down: 33 rows, then the repeated title row and 32.
      {"print_titles.xlsx", 0, 6, "Data!A1:G33 Data!A34:G65 Data!A66:G97 Data!A98:G120 Numbered!A1:C45 Numbered!A46:C60 "},
      {"print_breaks.xlsx", 0, 4, "Across!A1:C10 Across!D1:J10 Across!A11:C30 Across!D11:J30 "},
      // Two areas on pages of their own; a print area naming another sheet prints the used range;
      // titles column A and row 1 leave nine columns and 44 rows of C5:Z100 on each page.
      {"print_areas.xlsx", 0, 12,
       "Sheet1!A1:B5 Sheet1!D3:E9 Sheet2!A1:C4 Titles!C5:K48 Titles!C49:K92 Titles!C93:K100 Titles!L5:T48 "
       "Titles!L49:T92 Titles!L93:T100 Titles!U5:Z48 Titles!U49:Z92 Titles!U93:Z100 "},
      // Fit to one page across; 50%; scale 0 as 100%; scale 100000 as 400% (80 px rows, 256 px
      // columns: 11 rows and 2 columns a page).
      {"print_scale.xlsx", 0, 6, "Fit!A1:AD5 Half!A1:C90 Zero!A1:C45 Zero!A46:C90 Huge!A1:B11 Huge!A12:B22 "},
      {"print_scale.xlsx", 21, 4, "Huge!C89:C90 Wide!A1:J5 Wide!K1:T5 Wide!U1:AD5 "},
      // Title rows 1-10 of 533 px each are more than a page: not repeated, one row a page.
      {"print_scale.xlsx", 25, 3, "TallTitles!A1:C1 TallTitles!A2:C2 TallTitles!A3:C3 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const Info info = PrintedInfo(c.fixture);
    EXPECT_EQ(Joined(info.ranges, c.first, c.count), c.ranges);
    EXPECT_EQ(info.sizes.size(), info.ranges.size());
  }
  // Pages with nothing on them and empty sheets are left out; a filled blank cell makes the range;
  // fit-to-page fits the range the drawings widen; a workbook with nothing at all keeps one page.
  EXPECT_EQ(Joined(PrintedInfo("print_blank.xlsx").ranges),
            "Sparse!A1:J45 Sparse!K46:T90 Sparse!U181:Z200 Boxed!A1:E30 FitShape!A1:P71 ");
  EXPECT_EQ(Joined(PrintedInfo("print_nothing.xlsx").ranges), "First!A1:A1 ");
  EXPECT_EQ(PrintedInfo("print_scale.xlsx").ranges.size(), 65u) << "fit, half, 2 + 18 + 3 + 40 pages";
  EXPECT_EQ(PrintedInfo("print_paper.xlsx").sizes, (std::vector<std::pair<int, int>>{{794, 1123}, {1344, 816}, {816, 1056}}))
      << "A4, legal landscape, and letter for paper code 9999";
  EXPECT_EQ(PrintedInfo("print_paper.xlsx", "--default-paper a4").sizes.back(), std::make_pair(794, 1123));
  const Info sheetPages = PrintedInfo("print_titles.xlsx", "--sheet-pages");
  EXPECT_EQ(sheetPages.sizes.size(), 2u);
  EXPECT_EQ(Joined(sheetPages.ranges), "  ") << "only printed pages name their cells";
}

Image Page(const char* fixture, int32_t page) {
  Image image;
  int32_t code = 0;
  EXPECT_TRUE(RenderPage(FixturePath(fixture), kPrint, &image, &code, page)) << fixture << " " << code;
  return image;
}

// Pixels of `colour` in the rectangle.
int Count(const Image& image, int x0, int y0, int x1, int y1, const Rgb& colour) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += image.At(x, y) == colour;
  return n;
}

bool InkIn(const Image& image, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y)
    if (FirstInkColumn(image, x0, x1, y, y + 1) >= 0) return true;
  return false;
}

TEST(PrintedPages, TitlesRepeatAndHeadersAndFootersPrintInTheirMarginBands) {
  const Rgb title = Hex(0xFFC000);
  for (int32_t page : {1, 2, 4}) {
    SCOPED_TRACE(page);
    const Image p = Page("print_titles.xlsx", page);
    ASSERT_EQ(p.width, 1056u);
    // The title row fills the first 20 px below the 0.75 in top margin on every page.
    EXPECT_GT(Count(p, 100, 75, 500, 90, title), 3000);
    EXPECT_EQ(Count(p, 100, 95, 500, 110, title), 0);
    // Header text between the 0.3 in header margin and the top margin; footer text above the
    // 0.3 in footer margin, below the bottom margin; nothing of either on the paper's edge.
    EXPECT_TRUE(InkIn(p, 67, 29, 400, 72)) << "left header";
    EXPECT_TRUE(InkIn(p, 400, 29, 660, 72)) << "centre header";
    EXPECT_TRUE(InkIn(p, 660, 29, 989, 72)) << "right header";
    EXPECT_TRUE(InkIn(p, 400, 744, 660, 787)) << "footer";
    EXPECT_FALSE(InkIn(p, 0, 0, 1056, 28));
    EXPECT_FALSE(InkIn(p, 0, 788, 1056, 816));
  }
}

TEST(PrintedPages, CentringHeadingsAndAColouredFooter) {
  const Image centred = Page("print_centre.xlsx", 1);
  const Rgb fill = Hex(0x4472C4);
  // A1:B2 (128 x 40 px; the range prints from A1) centred in the printable area: B2 at x
  // 67.2 + (681.6 - 128) / 2 + 64 = 408, y 72 + (912 - 40) / 2 + 20 = 528.
  int left = -1, top = -1;
  for (int y = 0; y < 1056 && top < 0; ++y)
    for (int x = 0; x < 816; ++x)
      if (centred.At(x, y) == fill) {
        left = x, top = y;
        break;
      }
  EXPECT_NEAR(left, 408, 1);
  EXPECT_NEAR(top, 528, 1);
  EXPECT_GT(Count(centred, 408, 528, 472, 548, fill), 64 * 20 - 130);
  // "&R&KFF0000&14Right": red ink ending at the right margin, in the footer band.
  const Rgb red = Hex(0xFF0000);
  EXPECT_GT(Count(centred, 600, 990, 749, 1028, red), 20);
  EXPECT_EQ(Count(centred, 749, 990, 816, 1028, red), 0);
  EXPECT_EQ(Count(centred, 0, 990, 600, 1028, red), 0);

  // Headings: the letter A above column A and the number 1 left of row 1, both in the
  // printable area's corner (numbers 27 px wide, letters 20 px high); the cell moves by both.
  const Image headed = Page("print_centre.xlsx", 2);
  EXPECT_TRUE(InkIn(headed, 94, 73, 157, 92)) << "column letter";
  EXPECT_TRUE(InkIn(headed, 68, 93, 93, 111)) << "row number";
  EXPECT_FALSE(InkIn(headed, 68, 73, 93, 91)) << "the corner box is empty";
  EXPECT_TRUE(InkIn(headed, 95, 93, 157, 111)) << "x in A1 after the numbers";
  // The heading boxes and labels print black, as on paper, not in the screen's greys.
  auto dark = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += headed.At(x, y).r < 64 && headed.At(x, y).g < 64;
    return n;
  };
  EXPECT_GT(dark(94, 72, 157, 93), 80) << "column box and letter";
  EXPECT_GT(dark(67, 93, 94, 113), 40) << "row box and number";
  EXPECT_EQ(Count(headed, 67, 72, 157, 112, kGrid), 0);

  // #DIV/0! in B2 (x 131-195, y 92-112) prints nothing with errors="blank", "--" with "dash"
  // (centred: narrower than the error text).
  EXPECT_FALSE(InkIn(Page("print_centre.xlsx", 3), 131, 93, 195, 111));
  const Image dash = Page("print_centre.xlsx", 4);
  EXPECT_GT(FirstInkColumn(dash, 131, 195, 93, 111), 150);
  EXPECT_LT(LastInkColumn(dash, 131, 195, 93, 111), 176);
}

// Colour, black-and-white and draft printing of the same sheet, whose cells start at B2 and which
// prints from A1: B2 filled (x 131-195, y 92-112), red bold text in B4 (y 132-152), a thick red
// box round D2 (x 259-323), the 80 x 40 px quadrant picture at F2 (x 387-467, y 92-132),
// gridlines and a red header.
TEST(PrintedPages, BlackAndWhiteAndDraftQuality) {
  const Rgb fill = Hex(0x4472C4), red = Hex(0xFF0000), black{0, 0, 0};
  auto greys = [](const Image& p) {
    int n = 0;
    for (int y = 95; y < 129; ++y)
      for (int x = 390; x < 464; ++x) {
        const Rgb c = p.At(x, y);
        n += c.r == c.g && c.g == c.b && c != kWhite && c != kGrid;
      }
    return n;
  };
  const struct { int32_t page; bool colour, graphics; } cases[] = {{1, true, true}, {2, false, true}, {3, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    const Image p = Page("print_quality.xlsx", c.page);
    EXPECT_EQ(Count(p, 133, 94, 193, 110, fill) > 900, c.colour) << "cell fill";
    EXPECT_EQ(Count(p, 131, 133, 195, 151, red) > 20, c.colour) << "red text";
    EXPECT_EQ(Count(p, 131, 133, 195, 151, black) > 20, !c.colour) << "the text in black";
    EXPECT_EQ(Count(p, 256, 89, 326, 115, red) > 100, c.colour) << "red box";
    EXPECT_EQ(Count(p, 256, 89, 326, 115, black) > 100, !c.colour) << "the box in black";
    EXPECT_EQ(Count(p, 300, 29, 516, 72, red) > 20, c.colour) << "red header";
    EXPECT_EQ(Count(p, 390, 95, 464, 129, red) > 500, c.colour && c.graphics) << "picture in colour";
    EXPECT_EQ(greys(p) > 2000, !c.colour && c.graphics) << "picture in greys";
    // Printed gridlines come out black, never in the screen's light grey.
    EXPECT_EQ(Count(p, 469, 115, 516, 153, black) > 30, c.graphics) << "gridlines";
    EXPECT_EQ(Count(p, 469, 115, 516, 153, kGrid), 0);
  }
}

// `&G` pictures: the 80 x 40 px quadrants in the left header section at 60 x 30 pt (x 67-147 from
// the left margin, y 29-69 below the 0.3 in header margin) and centred in the footer at
// 120 x 60 pt (x 328-488, y 947-1027 above the 0.3 in footer margin); none on the draft sheet.
TEST(PrintedPages, HeaderAndFooterPictures) {
  const Rgb red = Hex(0xFF0000), yellow = Hex(0xFFFF00);
  for (const int32_t page : {1, 2}) {
    SCOPED_TRACE(page);
    const Image p = Page("print_hfpicture.xlsx", page);
    const bool shown = page == 1;
    EXPECT_EQ(Count(p, 67, 29, 107, 49, red) > 700, shown) << "header picture, top left quadrant";
    EXPECT_EQ(Count(p, 107, 49, 147, 69, yellow) > 700, shown) << "header picture, bottom right quadrant";
    EXPECT_EQ(Count(p, 328, 947, 408, 987, red) > 2900, shown) << "footer picture, top left quadrant";
    EXPECT_EQ(Count(p, 408, 987, 488, 1027, yellow) > 2900, shown) << "footer picture, bottom right quadrant";
    EXPECT_TRUE(InkIn(p, 660, 29, 760, 50)) << "the right section's text";
  }
}

}  // namespace

// At 150 dpi: a dark fill ends at its column's edge without a light seam before its outline, and a
// picture printed across a page break keeps crisp edges at the break on both pages.
TEST(PrintedPages, FillsEndWithoutSeamsAndCutPicturesStayCrisp) {
  TempFolder folder;
  const CommandResult r = RunCommand(Quote(XlxrenderPath()) + " -q -r 150 " + Quote(FixturePath("print_edges.xlsx")) +
                                     " " + Quote(folder.path() + "/page"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> files = folder.Files();
  ASSERT_GE(files.size(), 3u);
  Image seam;
  ASSERT_TRUE(ReadPng(folder.path() + "/" + files[0], &seam));
  const Rgb dark = Hex(0x1F3864);
  for (int yy = 0; yy < static_cast<int>(seam.height); ++yy)
    if (seam.At(seam.width / 4, yy) == dark) {
      std::vector<bool> on;
      for (int x = 0; x < static_cast<int>(seam.width); ++x) on.push_back(seam.At(x, yy + 10) == dark);
      EXPECT_EQ(Runs(on).size(), 4u) << "B2:D2, a gap at E, F2 in one piece";
      break;
    }
  const Rgb yellow = Hex(0xFFC800), blue = Hex(0x0000FF);
  int pagesWithPicture = 0;
  for (size_t i = 1; i < files.size(); ++i) {
    Image p;
    ASSERT_TRUE(ReadPng(folder.path() + "/" + files[i], &p));
    const int x = static_cast<int>(p.width) / 3;  // inside the picture, whichever column the page starts at
    int first = -1, last = -1;
    for (int yy = 0; yy < static_cast<int>(p.height); ++yy)
      if (p.At(x, yy) != kWhite) last = yy, first = first < 0 ? yy : first;
    if (first < 0) continue;
    ++pagesWithPicture;
    // Inside, the scaled bands blend into each other; the two rows at either end are the
    // picture's own colours, not mixed with the paper.
    int blended = 0;
    for (int yy : {first, first + 1, last - 1, last}) blended += p.At(x, yy) != yellow && p.At(x, yy) != blue;
    EXPECT_EQ(blended, 0) << files[i] << " rows " << first << "-" << last;
  }
  EXPECT_GE(pagesWithPicture, 2);
}
