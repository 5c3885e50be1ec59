// Pixel probes on the picture fixture (tests/fixtures/render/pictures.xlsx) drawn at 96 dpi:
// every picture format, offsets and scales, flips and a quarter turn (the quadrant image shows
// which corner lands where), crop, transparency and colour effects, a border, pictures that are
// linked or hostile and draw nothing, an embedded object's preview and the tiled background.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kGridlines = 0x40;
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0}, kBlack{0, 0, 0};

const Image& Page(int page, uint32_t flags = kGridlines) {
  static std::map<std::pair<int, uint32_t>, Image> pages;
  auto it = pages.find({page, flags});
  if (it == pages.end()) {
    Image image;
    int32_t code = 0;
    EXPECT_TRUE(RenderPage(FixturePath("pictures.xlsx"), flags, &image, &code, page)) << "code " << code;
    it = pages.emplace(std::make_pair(page, flags), std::move(image)).first;
  }
  return it->second;
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// The colour each quadrant of a picture shows: top-left, top-right, bottom-left, bottom-right.
struct Slot {
  const char* name;
  int column, row;    // 1-based cell of the anchor's top-left corner
  int dx, dy, w, h;   // px from that corner, and the size drawn
  Rgb quadrants[4];
  int tolerance;
};

}  // namespace

TEST(RenderPictures, EachSlotShowsItsQuadrantsWhereItsAnchorPutsIt) {
  const Image& page = Page(1);
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(9, 40));
  const Rgb half[4] = {{255, 128, 128}, {128, 255, 128}, {128, 128, 255}, {255, 255, 128}};
  const Slot slots[] = {
      {"png", 2, 2, 0, 0, 80, 40, {kRed, kGreen, kBlue, kYellow}, 4},
      {"jpeg with offsets", 5, 2, 10, 5, 80, 40, {kRed, kGreen, kBlue, kYellow}, 24},
      {"gif scaled 0.5 x 2", 8, 2, 0, 0, 40, 80, {kRed, kGreen, kBlue, kYellow}, 4},
      {"bmp scaled 1.5", 2, 8, 0, 0, 120, 60, {kRed, kGreen, kBlue, kYellow}, 4},
      {"tiff", 5, 8, 0, 0, 80, 40, {kRed, kGreen, kBlue, kYellow}, 4},
      {"webp", 8, 8, 0, 0, 80, 40, {kRed, kGreen, kBlue, kYellow}, 4},
      {"svg before its png", 2, 14, 0, 0, 80, 40, {Hex(0x800080), Hex(0x00FFFF), Hex(0xFF8000), kBlack}, 4},
      {"flipH", 5, 14, 0, 0, 80, 40, {kGreen, kRed, kYellow, kBlue}, 4},
      {"flipV", 8, 14, 0, 0, 80, 40, {kBlue, kYellow, kRed, kGreen}, 4},
      {"quarter turn", 3, 20, 0, 0, 40, 80, {kBlue, kRed, kYellow, kGreen}, 4},
      {"left half cropped", 5, 20, 0, 0, 80, 40, {kGreen, kGreen, kYellow, kYellow}, 4},
      {"half transparent", 8, 20, 0, 0, 80, 40, {half[0], half[1], half[2], half[3]}, 4},
      {"grey", 2, 26, 0, 0, 80, 40, {{76, 76, 76}, {150, 150, 150}, {29, 29, 29}, {226, 226, 226}}, 4},
      {"black and white", 5, 26, 0, 0, 80, 40, {kBlack, kWhite, kBlack, kWhite}, 4},
      {"duotone", 8, 26, 0, 0, 80, 40, {{76, 76, 166}, {150, 150, 203}, {29, 29, 143}, {226, 226, 241}}, 6},
      {"brighter by half", 2, 32, 0, 0, 80, 40, {half[0], half[1], half[2], half[3]}, 4},
      {"with a border", 5, 32, 0, 0, 80, 40, {kRed, kGreen, kBlue, kYellow}, 4},
  };
  for (const Slot& s : slots) {
    SCOPED_TRACE(s.name);
    const int x = g.Left(s.column) + s.dx, y = g.Top(s.row) + s.dy;
    for (int q = 0; q < 4; ++q) {
      const int px = x + s.w / 4 + (q % 2) * s.w / 2, py = y + s.h / 4 + (q / 2) * s.h / 2;
      EXPECT_TRUE(Near(page.At(px, py), s.quadrants[q], s.tolerance)) << "quadrant " << q << " at " << px << "," << py
                                                                       << ": " << page.At(px, py);
    }
    // Nothing past the picture's right edge (probed off the gridlines).
    const Rgb after = page.At(x + s.w + 3, y + s.h / 4);
    if (after != kGrid) {
      EXPECT_TRUE(Near(after, kWhite, 4)) << "right of the picture: " << after;
    }
  }
  // The 4.5 pt border is centred on the picture's edge.
  const int left = g.Left(5), middle = g.Top(32) + 20;
  EXPECT_EQ(page.At(left - 2, middle), kBlue);
  EXPECT_EQ(page.At(left + 1, middle), kBlue);
}

TEST(RenderPictures, LinkedAndHostilePicturesDrawNothingAndThePageStillRenders) {
  const Image& page = Page(1);
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(9, 40));
  // Linked outside the package; a relationship to the workbook part; a truncated PNG; a PNG
  // header claiming 100,000 x 100,000 pixels.
  for (auto [column, row] : {std::pair{8, 32}, {2, 38}, {5, 38}, {8, 38}})
    for (auto [dx, dy] : {std::pair{10, 10}, {50, 30}})
      EXPECT_EQ(page.At(g.Left(column) + dx, g.Top(row) + dy), kWhite) << "column " << column << " row " << row;
}

TEST(RenderPictures, APictureThatSizesWithItsCellsSpansItsAnchorCells) {
  const Image& page = Page(1);
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(9, 46));
  // Anchored from E44 to 16 px into F46, whatever the columns' width here.
  const int right = g.Left(6) + 16, bottom = g.Top(46);
  EXPECT_TRUE(Near(page.At(right - 2, bottom - 2), kYellow, 4)) << page.At(right - 2, bottom - 2);
  EXPECT_TRUE(Near(page.At(right + 2, bottom - 2), kWhite, 4)) << page.At(right + 2, bottom - 2);
  EXPECT_TRUE(Near(page.At(g.Left(5) + 2, g.Top(44) + 2), kRed, 4));
}

TEST(RenderPictures, EmbeddedObjectPreviewFillsItsAnchor) {
  const Image& page = Page(3);
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(4, 6));
  // B2 to the top-left of C5: the 80 x 40 preview stretched over one column and three rows.
  const int l = g.Left(2), r = g.Left(3), t = g.Top(2), b = g.Top(5);
  EXPECT_EQ(page.At(l + (r - l) / 4, t + (b - t) / 4), kRed);
  EXPECT_EQ(page.At(r - (r - l) / 4, b - (b - t) / 4), kYellow);
  EXPECT_EQ(page.At(r + 3, t + 5), kWhite);
}

TEST(RenderPictures, BackgroundTilesFromTheCornerAndRepeats) {
  const Image& page = Page(2, 0);
  ASSERT_GT(page.width, 200u);
  for (auto [x, y, rgb] : {std::tuple{20, 10, kRed}, {60, 10, kGreen}, {20, 30, kBlue}, {100, 10, kRed},
                           {180, 70, kBlue}, {int(page.width) - 1, int(page.height) - 1, kRed}})
    EXPECT_EQ(page.At(x, y), rgb) << x << "," << y;
}

TEST(RenderPictures, GoldenPage) {
  EXPECT_EQ(CompareWithGolden(Page(1), "pictures"), "");
}
