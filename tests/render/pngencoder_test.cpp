// The page encoder: every layout (greyscale, palette, RGB) and every row filter decodes with
// libpng to exactly the pixels given, and the layout follows the colours on the page.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "pngencoder.h"
#include "pngwriter.h"
#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

struct Bgr {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;  // B, G, R
  void Set(uint32_t x, uint32_t y, uint32_t rgb) {
    uint8_t* p = &pixels[3 * (static_cast<size_t>(y) * width + x)];
    p[0] = static_cast<uint8_t>(rgb), p[1] = static_cast<uint8_t>(rgb >> 8), p[2] = static_cast<uint8_t>(rgb >> 16);
  }
};

Bgr Blank(uint32_t w, uint32_t h) { return Bgr{w, h, std::vector<uint8_t>(3ull * w * h, 0xFF)}; }

// Pages that sit on either side of each layout's limits.
struct PageCase {
  const char* name;
  Bgr page;
  PngPageEncoder::Kind kind;
};

std::vector<PageCase> Pages() {
  std::vector<PageCase> cases;
  Bgr greys = Blank(300, 40);  // all 256 grey levels, in runs and alone
  for (uint32_t y = 0; y < greys.height; ++y)
    for (uint32_t x = 0; x < greys.width; ++x) greys.Set(x, y, ((x * 7 + y) % 256) * 0x010101);
  cases.push_back({"256 greys", greys, PngPageEncoder::Kind::kGrey});
  Bgr tinted = Blank(300, 40);  // one pixel off grey turns the page into a palette
  for (uint32_t x = 0; x < 300; ++x) tinted.Set(x, x % 40, 0x010101 * (x % 50));
  tinted.Set(299, 39, 0x808081);
  cases.push_back({"grey with one tinted pixel", tinted, PngPageEncoder::Kind::kPalette});
  Bgr blocks = Blank(50, 6);  // colour and grey inside runs of white, at and off block boundaries
  blocks.Set(17, 2, 0x404040), blocks.Set(24, 3, 0x0000FF), blocks.Set(49, 5, 0x404041);
  cases.push_back({"colour amid white", blocks, PngPageEncoder::Kind::kPalette});
  Bgr colours = Blank(64, 9);  // exactly 256 colours: white and 255 others
  for (uint32_t i = 0; i < 255; ++i) colours.Set(i % 64, 1 + i / 64, i * 0x010203 + 0x200000);
  cases.push_back({"256 colours", colours, PngPageEncoder::Kind::kPalette});
  Bgr more = colours;  // a 257th colour in the middle of a row, after rows held as indices
  more.Set(7, 6, 0x123456);
  cases.push_back({"257 colours", more, PngPageEncoder::Kind::kRgb});
  Bgr noise = Blank(33, 17);
  std::mt19937 random(7);
  for (uint8_t& b : noise.pixels) b = static_cast<uint8_t>(random());
  cases.push_back({"noise", noise, PngPageEncoder::Kind::kRgb});
  cases.push_back({"one white pixel", Blank(1, 1), PngPageEncoder::Kind::kGrey});
  Bgr column = Blank(1, 300);
  column.Set(0, 150, 0xFF0000);
  cases.push_back({"one column", column, PngPageEncoder::Kind::kPalette});
  return cases;
}

bool DecodeBgr(const std::string& path, Bgr* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGR;
  out->width = image.width, out->height = image.height;
  out->pixels.assign(PNG_IMAGE_SIZE(image), 0);
  return png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr) != 0;
}

TEST(PngPageEncoder, EveryLayoutAndFilterDecodesToThePixelsGiven) {
  TempFolder folder;
  const std::string path = folder.path() + "/page.png";
  const PngEncoding encodings[] = {{1, 0, 0}, {1, 1, 1}, {1, 2, 2}, {6, 1, 2}, {12, 2, 1}};
  for (const PageCase& c : Pages()) {
    for (const PngEncoding& e : encodings) {
      SCOPED_TRACE(std::string(c.name) + ", level " + std::to_string(e.level) + ", filters " +
                   std::to_string(e.rgbFilter) + "/" + std::to_string(e.indexFilter));
      PngPageEncoder encoder;
      ASSERT_TRUE(encoder.Begin(c.page.width, c.page.height));
      for (uint32_t y = 0; y < c.page.height; ++y) encoder.AddRow(&c.page.pixels[3ull * c.page.width * y]);
      std::FILE* f = std::fopen(path.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      ASSERT_TRUE(encoder.Write(f, 96, e));
      ASSERT_EQ(std::fclose(f), 0);
      EXPECT_EQ(encoder.kind(), c.kind);
      Bgr decoded;
      ASSERT_TRUE(DecodeBgr(path, &decoded));
      ASSERT_EQ(decoded.width, c.page.width);
      ASSERT_EQ(decoded.height, c.page.height);
      EXPECT_TRUE(decoded.pixels == c.page.pixels);
    }
  }
}

TEST(PngPageEncoder, EncoderReusedForPagesOfOtherSizesAndColours) {
  // One encoder, as a thread's writer keeps it: a large RGB page, then a small palette page,
  // then an RGB page again; no state of one page leaks into the next.
  TempFolder folder;
  std::vector<PageCase> cases = Pages();
  PngPageEncoder encoder;
  for (size_t i : {5, 3, 4, 0, 2, 5}) {  // noise, 256 colours, 257 colours, greys, colour amid white, noise
    const PageCase& c = cases[i];
    SCOPED_TRACE(c.name);
    const std::string path = folder.path() + "/" + std::to_string(i) + ".png";
    ASSERT_TRUE(encoder.Begin(c.page.width, c.page.height));
    for (uint32_t y = 0; y < c.page.height; ++y) encoder.AddRow(&c.page.pixels[3ull * c.page.width * y]);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(encoder.Write(f, 150));
    std::fclose(f);
    Bgr decoded;
    ASSERT_TRUE(DecodeBgr(path, &decoded));
    EXPECT_EQ(encoder.kind(), c.kind);
    EXPECT_TRUE(decoded.pixels == c.page.pixels);
  }
  // A page short of its rows is not written.
  ASSERT_TRUE(encoder.Begin(4, 4));
  encoder.AddRow(cases[0].page.pixels.data());
  std::FILE* f = std::fopen((folder.path() + "/short.png").c_str(), "wb");
  EXPECT_FALSE(encoder.Write(f, 96));
  std::fclose(f);
}

TEST(PngPageEncoder, PagesAboveTheWholePageLimitStreamToTheSamePixels) {
  // Wider than the limit allows to hold: written row by row as RGB.
  const uint32_t width = 4096, height = static_cast<uint32_t>(kWholePageEncodeLimitBytes / (3 * 4096)) + 1;
  Bgr page = Blank(width, height);
  for (uint32_t y = 0; y < height; y += 97) page.Set((y * 13) % width, y, 0x00FF00 + y % 200);
  TempFolder folder;
  const std::string path = folder.path() + "/big.png";
  PngPageWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Begin(path, width, height, 300, &error)) << error;
  for (uint32_t y = 0; y < height; ++y) ASSERT_TRUE(writer.WriteRow(&page.pixels[3ull * width * y]));
  ASSERT_TRUE(writer.Finish(&error)) << error;
  EXPECT_EQ(writer.kind(), PngPageEncoder::Kind::kRgb);
  Bgr decoded;
  ASSERT_TRUE(DecodeBgr(path, &decoded));
  EXPECT_TRUE(decoded.pixels == page.pixels);
}

}  // namespace
