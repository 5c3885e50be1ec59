// Legacy drawings on the page: shown and hidden notes, form controls in their states and VML
// shapes, probed on tests/fixtures/render/legacy.xlsx (see make_vml_fixtures.py for the layout:
// columns 64 px, rows 20 px; shapes placed in points, 4/3 px each).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Pixels in [x0, x1) x [y0, y1) darker than mid grey.
int DarkPixels(const Image& page, int x0, int x1, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += page.Ink(x, y) > 400;
  return n;
}

// Columns are as wide as the default width comes out in the engine's font; the button of page 1
// fills column F, so its left edge gives the width. Rows are 20 px.
class LegacyPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (int page = 1; page <= 3; ++page) {
      int32_t code = 0;
      ASSERT_TRUE(RenderPage(FixturePath("legacy.xlsx"), 0, &pages_[page - 1], &code, page)) << code;
    }
    int x = 290;  // right of the note and its shadow
    while (x < 500 && pages_[0].At(x, 25) == kWhite) ++x;
    columnWidth_ = (x - 1) / 5.0;  // the button's white highlight edge is the first column
  }
  static int X(int column, int dx) { return int((column - 1) * columnWidth_ + dx); }
  static int Y(int row, int dy) { return (row - 1) * 20 + dy; }
  static Image pages_[3];
  static double columnWidth_;
};
Image LegacyPages::pages_[3];
double LegacyPages::columnWidth_ = 0;

TEST_F(LegacyPages, ProbesLandOnTheirColours) {
  ASSERT_GT(columnWidth_, 40);
  const struct {
    int page, x, y;
    uint32_t rgb;
    const char* what;
  } probes[] = {
      {1, X(3, 70), Y(3, 10), 0xFFFFE1, "inside the shown note"},
      {1, X(5, 16), Y(3, 10), 0x000000, "the note's shadow"},
      {1, X(3, -2), Y(2, 1), 0xFF0000, "the red indicator of B2"},
      {1, X(5, 60), Y(8, 10), 0xFFFFFF, "no hidden note on D8"},
      {1, X(6, 5), Y(2, 3), 0xD4D0C8, "button face"},
      {2, X(3, 8), Y(4, 10), 0x000000, "the chosen option's dot"},
      {2, X(3, 60), Y(6, 20), 0x0A246A, "the list's selected item"},
      {2, X(3, 12), Y(3, 13), 0xD4D0C8, "a mixed check box shows the face"},
      {3, 50, 40, 0xFF0000, "rect fill"},
      {3, 13, 40, 0x0000FF, "rect stroke"},
      {3, 160, 40, 0x00FF00, "oval fill"},
      {3, 122, 15, 0xFFFFFF, "outside the oval"},
      {3, 20, 250, 0x008080, "preset triangle with its adjust"},
      {3, 88, 192, 0xFFFFFF, "outside the preset triangle"},
      {3, 160, 195, 0x000080, "own-path triangle"},
      {3, 400, 187, 0x800080, "turned square's top corner"},
      {3, 376, 190, 0xFFFFFF, "turned square leaves its corner"},
      {3, 300, 300, 0xFFFFFF, "hidden shape not drawn"},
      {3, 418, 336, 0x808080, "the oval's shadow"},
  };
  for (const auto& p : probes)
    EXPECT_PRED3(Near, pages_[p.page - 1].At(p.x, p.y), Hex(p.rgb), 40) << p.what;
  int right = X(7, 10);
  while (right > 0 && pages_[0].At(right, 25) == kWhite) --right;
  EXPECT_PRED3(Near, pages_[0].At(right, 25), Hex(0x404040), 40) << "the button's dark edge";
  const Rgb left = pages_[2].At(150, 300), end = pages_[2].At(250, 300);
  EXPECT_GT(left.r, left.b + 100) << "the gradient starts red";
  EXPECT_GT(end.b, end.r + 100) << "and ends blue";
}

TEST_F(LegacyPages, ControlStatesFollowLinkedCells) {
  // Column C, rows 1 and 2: a check box linked to TRUE and an unchecked one.
  EXPECT_GT(DarkPixels(pages_[1], X(3, 5), X(3, 13), Y(1, 6), Y(1, 14)), 6);
  EXPECT_EQ(DarkPixels(pages_[1], X(3, 5), X(3, 13), Y(2, 6), Y(2, 14)), 0);
  // The drop-down shows the item the linked cell selects; the list draws its items.
  EXPECT_GT(DarkPixels(pages_[1], X(3, 3), X(3, 60), Y(11, 3), Y(11, 17)), 20);
  EXPECT_GT(DarkPixels(pages_[1], X(3, 3), X(3, 60), Y(6, 3), Y(6, 13)), 20);
}

TEST(LegacyPrinted, NotesAtTheEndAndUnprintedControls) {
  Image sheet, notes;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("legacy.xlsx"), 0x80, &sheet, &code, 1)) << code;
  ASSERT_TRUE(RenderPage(FixturePath("legacy.xlsx"), 0x80, &notes, &code, 2)) << code;
  // The printed sheet shows neither the note (it prints at the end) nor the button that says so.
  EXPECT_EQ(DarkPixels(sheet, 0, int(sheet.width), 0, int(sheet.height)), 0);
  int yellow = 0;
  for (int y = 0; y < int(sheet.height); y += 2)
    for (int x = 0; x < int(sheet.width); x += 2) yellow += sheet.At(x, y) == Hex(0xFFFFE1);
  EXPECT_EQ(yellow, 0);
  // The notes page lists both notes, one under the other, in the printable area.
  const int top = 72, bottom = int(notes.height) / 2;
  EXPECT_GT(DarkPixels(notes, 60, 300, top, bottom), 200);
  EXPECT_EQ(DarkPixels(notes, 0, int(notes.width), 0, 60), 0);
}

}  // namespace
