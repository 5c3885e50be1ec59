// Thumbnails and JPEG pages from xlxrender: --scale-to pages are drawn at the resolution that
// fits them, the same pixels as -r at that resolution, through -j and --batch; JPEG pages decode
// to the PNG page's pixels within the codec's loss.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <jpeglib.h>

#include "options.h"
#include "pagescale.h"
#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

namespace {

CommandResult Xlxrender(const std::string& arguments) { return RunCommand(Quote(XlxrenderPath()) + " " + arguments); }

bool ReadJpeg(const std::string& path, Image* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);  // a damaged file exits the test: the files here are ours
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, f);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  out->width = info.output_width;
  out->height = info.output_height;
  out->rgb.assign(3ull * out->width * out->height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &out->rgb[3ull * out->width * info.output_scanline];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(f);
  return true;
}

TEST(ScaledResolution, LargestWholeResolutionThatMeetsEverySizeGiven) {
  // A letter page measured at 96 dpi: 816 x 1056; a landscape one: 1056 x 816.
  const struct {
    uint32_t scaleTo, scaleToX, scaleToY, width, height, dpi;
  } cases[] = {
      {200, 0, 0, 816, 1056, 18},    // 18 dpi: 198 px high; 19 would give 209
      {200, 0, 0, 1056, 816, 18},    // the width is the longest side
      {1056, 0, 0, 816, 1056, 96},   // the size of the page at 96 dpi is 96 dpi
      {0, 400, 0, 816, 1056, 47},    // the width alone: 399 px wide
      {0, 0, 400, 816, 1056, 36},    // the height alone
      {0, 400, 300, 816, 1056, 27},  // both: the height is the tighter
      {300, 100, 0, 816, 1056, 11},  // the width is tighter than the longest side
      {1, 0, 0, 816, 1056, 1},       // never below 1 dpi
      {100000, 0, 0, 816, 1056, 2400},  // nor above what -r accepts
  };
  for (const auto& c : cases) {
    RenderOptions o;
    o.scaleTo = c.scaleTo, o.scaleToX = c.scaleToX, o.scaleToY = c.scaleToY;
    const PageResolution r = ScaledResolution(o, c.width, c.height);
    EXPECT_EQ(r.x, c.dpi) << c.scaleTo << " " << c.scaleToX << " " << c.scaleToY << " " << c.width;
    EXPECT_EQ(r.y, c.dpi);
  }
  RenderOptions plain;
  plain.dpi = 150;
  EXPECT_EQ(ScaledResolution(plain, 816, 1056).x, 150u);
}

TEST(Thumbnails, ScaledPagesAreThePagesDrawnAtTheirResolutionThroughThreadsAndBatch) {
  // pages.xlsx paginates into four letter pages; at 200 px they are drawn at 18 dpi.
  const std::string input = FixturePath("pages.xlsx");
  TempFolder out;
  const std::string dir = out.path();
  ASSERT_EQ(Xlxrender("-q --paginate -r 18 " + Quote(input) + " " + Quote(dir + "/r")).status, 0);
  for (const char* threads : {"-j 1", "-j 2"}) {
    SCOPED_TRACE(threads);
    CommandResult r = Xlxrender(std::string("-q --paginate --scale-to 200 ") + threads + " " + Quote(input) + " " +
                                Quote(dir + "/s" + threads[3]));
    ASSERT_EQ(r.status, 0) << r.err;
    for (int p = 1; p <= 4; ++p) {
      const std::string page = std::to_string(p) + ".png";
      Image image;
      ASSERT_TRUE(ReadPng(dir + "/s" + threads[3] + "-" + page, &image)) << page;
      EXPECT_LE(std::max(image.width, image.height), 200u);
      EXPECT_GE(std::max(image.width, image.height), 189u);  // within one dpi of 200 on an 11 in page
      EXPECT_EQ(xlxtest::ReadWholeFile(dir + "/s" + threads[3] + "-" + page), xlxtest::ReadWholeFile(dir + "/r-" + page))
          << page;
    }
  }
  std::ofstream(dir + "/list.txt") << input << "\n";
  CommandResult batch = Xlxrender("-q --paginate --scale-to 200 --format jpeg --batch " + Quote(dir + "/list.txt") + " " +
                                  Quote(dir + "/batch"));
  ASSERT_EQ(batch.status, 0) << batch.err;
  for (int p = 1; p <= 4; ++p) {
    Image jpeg;
    ASSERT_TRUE(ReadJpeg(dir + "/batch/pages/pages-" + std::to_string(p) + ".jpg", &jpeg)) << p;
    EXPECT_EQ(std::max(jpeg.width, jpeg.height), 198u);
  }
}

TEST(Thumbnails, JpegPagesDecodeToThePngPagesWithinTheCodecsLoss) {
  // Coloured charts: a swapped red and blue, a shifted row or a wrong size shows at once.
  const std::string input = FixturePath("charts.xlsx");
  TempFolder out;
  const std::string dir = out.path();
  ASSERT_EQ(Xlxrender("-q -l 1 " + Quote(input) + " " + Quote(dir + "/p")).status, 0);
  Image png;
  ASSERT_TRUE(ReadPng(dir + "/p-1.png", &png));
  for (int quality : {50, 95}) {
    SCOPED_TRACE(quality);
    const std::string name = dir + "/q" + std::to_string(quality) + "-%d.jpg";
    CommandResult r = Xlxrender("-q -l 1 --format jpeg --jpeg-quality " + std::to_string(quality) + " -o " + Quote(name) +
                                " " + Quote(input));
    ASSERT_EQ(r.status, 0) << r.err;
    Image jpeg;
    ASSERT_TRUE(ReadJpeg(dir + "/q" + std::to_string(quality) + "-1.jpg", &jpeg));
    ASSERT_EQ(jpeg.width, png.width);
    ASSERT_EQ(jpeg.height, png.height);
    double difference = 0;
    for (size_t i = 0; i < png.rgb.size(); ++i) difference += std::abs(int(png.rgb[i]) - int(jpeg.rgb[i]));
    EXPECT_LT(difference / png.rgb.size(), quality > 90 ? 1.0 : 2.2);  // measured 0.53 and 1.6; 3.0 with red and blue swapped
  }
  EXPECT_EQ(Xlxrender("--jpeg-quality 0 " + Quote(input)).status, 99);
  EXPECT_EQ(Xlxrender("--format pdf --scale-to 100 " + Quote(input)).status, 99);
}

}  // namespace
