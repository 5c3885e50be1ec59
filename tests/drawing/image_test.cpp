// Picture decoding and picture operations of the host: every format decodes its sample to the
// right size and colours, damaged data fails with a code, and the transforms change pixels as
// they should.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include "host/imagecolor/vkimgclrx.h"
#include "tests/drawing/drawingtestutil.h"
#include "tests/drawing/imagesamples.h"

using namespace drawtest;
using imagesamples::Bytes;

namespace {

struct Sample {
  const char* name;
  std::function<Bytes()> make;
  int32_t format;
  int tolerance;      // lossy formats and vector edges come out near, not exact
  bool transparent;   // the top-left pixel has alpha 0
};

const Sample kSamples[] = {
    {"png", imagesamples::Png, VK_IMAGE_PNG, 0, true},
    {"jpeg", imagesamples::Jpeg, VK_IMAGE_JPEG, 40, false},
    {"gif", imagesamples::Gif, VK_IMAGE_GIF, 0, true},
    {"bmp1", [] { return imagesamples::Bmp(1, 0, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp4", [] { return imagesamples::Bmp(4, 0, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp8", [] { return imagesamples::Bmp(8, 0, true); }, VK_IMAGE_BMP, 0, false},
    {"bmp8rle", [] { return imagesamples::Bmp(8, 1, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp16", [] { return imagesamples::Bmp(16, 3, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp24", [] { return imagesamples::Bmp(24, 0, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp32", [] { return imagesamples::Bmp(32, 0, true); }, VK_IMAGE_BMP, 0, false},
    {"tiff", imagesamples::Tiff, VK_IMAGE_TIFF, 0, true},
    {"webp", imagesamples::Webp, VK_IMAGE_WEBP, 0, true},
    {"svg", imagesamples::Svg, VK_IMAGE_SVG, 0, false},
    {"emf", imagesamples::Emf, VK_IMAGE_EMF, 2, false},
    {"wmf", imagesamples::Wmf, VK_IMAGE_WMF, 2, false},
};

void ExpectNear(const Rgb& want, const Rgb& got, int tolerance, const std::string& what) {
  EXPECT_NEAR(want.r, got.r, tolerance) << what << " got " << got;
  EXPECT_NEAR(want.g, got.g, tolerance) << what << " got " << got;
  EXPECT_NEAR(want.b, got.b, tolerance) << what << " got " << got;
}

TEST(ImageDecode, EachFormatDecodesItsSample) {
  for (const Sample& s : kSamples) {
    Bytes data = s.make();
    ASSERT_FALSE(data.empty()) << s.name;
    EXPECT_EQ(s.format, VkDetectImageFormat(data.data(), data.size())) << s.name;
    for (uint32_t bpp : {24u, 32u}) {
      Bitmap img;
      ASSERT_EQ(1, VkLoadImageFromMemory(data.data(), data.size(), bpp, 0, 0, &img.b)) << s.name << " " << bpp;
      EXPECT_EQ(16u, img.b.uWidth) << s.name;
      EXPECT_EQ(8u, img.b.uHeight) << s.name;
      EXPECT_EQ(bpp, img.b.uBitsPerPixel) << s.name;
      const std::string what = std::string(s.name) + " " + std::to_string(bpp) + " bits";
      ExpectNear(kRedPx, img.At(3, 4), s.tolerance, what + " left");
      ExpectNear(kBluePx, img.At(12, 4), s.tolerance, what + " right");
      if (s.transparent) {
        if (bpp == 32) EXPECT_EQ(0, img.Alpha(0, 0)) << what;
        else EXPECT_EQ(kWhitePx, img.At(0, 0)) << what << " composited on white";
        EXPECT_EQ(255, img.Alpha(1, 0)) << what;
      }
    }
  }
}

TEST(ImageDecode, VectorPicturesDrawAtTheAskedSize) {
  for (const Sample& s : kSamples) {
    if (s.format != VK_IMAGE_SVG && s.format != VK_IMAGE_EMF && s.format != VK_IMAGE_WMF) continue;
    Bytes data = s.make();
    Bitmap big, wide;
    ASSERT_EQ(1, VkLoadImageFromMemory(data.data(), data.size(), 24, 160, 80, &big.b)) << s.name;
    EXPECT_EQ(160u, big.b.uWidth);
    EXPECT_EQ(80u, big.b.uHeight);
    ExpectNear(kRedPx, big.At(40, 40), s.tolerance, s.name);
    ExpectNear(kBluePx, big.At(120, 40), s.tolerance, s.name);
    ASSERT_EQ(1, VkLoadImageFromMemory(data.data(), data.size(), 24, 64, 0, &wide.b)) << s.name;
    EXPECT_EQ(64u, wide.b.uWidth);
    EXPECT_EQ(32u, wide.b.uHeight) << s.name << " keeps its aspect ratio";
  }
}

// Cut short, every format fails with -9 and leaves no pixels behind. The cuts leave the
// signature in place so that the right decoder sees the damage.
TEST(ImageDecode, TruncatedDataFailsCleanly) {
  for (const Sample& s : kSamples) {
    Bytes data = s.make();
    for (size_t keep : {data.size() / 2, data.size() * 3 / 4, static_cast<size_t>(48)}) {
      if (keep >= data.size()) continue;
      Bytes cut(data.begin(), data.begin() + keep);
      Bitmap img;
      EXPECT_EQ(-9, VkLoadImageFromMemory(cut.data(), cut.size(), 24, 0, 0, &img.b)) << s.name << " cut to " << keep;
      EXPECT_EQ(nullptr, img.b.pData) << s.name;
    }
  }
}

TEST(ImageDecode, HostileInputNeverCrashes) {
  struct Case {
    const char* what;
    Bytes data;
    int32_t result;
  } cases[] = {
      {"empty", {}, -13},
      {"unknown signature", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, -9},
      {"bmp of 100000 x 100000", [] {
         Bytes b = imagesamples::Bmp(24, 0, false);
         b[18] = 0xA0, b[19] = 0x86, b[20] = 0x01;  // width 100000
         b[22] = 0xA0, b[23] = 0x86, b[24] = 0x01;  // height 100000
         return b;
       }(), -1},
      {"bmp with rows beyond the file", [] {
         Bytes b = imagesamples::Bmp(24, 0, false);
         b[22] = 200;
         return b;
       }(), -9},
      {"bmp with a header larger than the file", [] {
         Bytes b = imagesamples::Bmp(8, 0, false);
         b[14] = 0xFF, b[15] = 0xFF;
         return b;
       }(), -9},
      {"emf whose record runs past the end", [] {
         Bytes b = imagesamples::Emf();
         b[108 + 4] = 0xF0;
         return b;
       }(), -9},
      {"wmf whose record runs past the end", [] {
         Bytes b = imagesamples::Wmf();
         b[40] = 0xFF, b[41] = 0xFF;
         return b;
       }(), -9},
  };
  for (const Case& c : cases) {
    Bitmap img;
    EXPECT_EQ(c.result, VkLoadImageFromMemory(c.data.data(), c.data.size(), 24, 0, 0, &img.b)) << c.what;
  }
  // Random damage to every sample: any result is fine as long as it is a documented one.
  // XLX_IMAGE_DAMAGE_ROUNDS raises the count for a longer run under the sanitizers.
  const char* rounds = std::getenv("XLX_IMAGE_DAMAGE_ROUNDS");
  const int count = rounds ? std::atoi(rounds) : 60;
  std::mt19937 random(1234);
  for (const Sample& s : kSamples) {
    Bytes data = s.make();
    for (int round = 0; round < count; ++round) {
      Bytes bad = data;
      for (int k = 0; k < 4; ++k) bad[8 + random() % (bad.size() - 8)] = static_cast<uint8_t>(random());
      Bitmap img;
      int32_t r = VkLoadImageFromMemory(bad.data(), bad.size(), 32, 0, 0, &img.b);
      EXPECT_TRUE(r == 1 || r == -1 || r == -9) << s.name << " round " << round << " gave " << r;
    }
  }
}

// A 4 x 2 test card: red, green, blue, black on the top row; white, grey 128, yellow, a
// half-transparent red (32-bit) on the bottom row.
void MakeCard(Bitmap& b, uint32_t bpp) {
  new (&b) Bitmap(4, 2, bpp);
  const uint8_t px[8][4] = {{255, 0, 0, 255},     {0, 255, 0, 255},     {0, 0, 255, 255},   {0, 0, 0, 255},
                            {255, 255, 255, 255}, {128, 128, 128, 255}, {255, 255, 0, 255}, {255, 0, 0, 128}};
  const int n = bpp / 8;
  for (int i = 0; i < 8; ++i) {
    uint8_t* p = b.b.pData + (i / 4) * b.b.uBytesPerLine + (i % 4) * n;
    p[0] = px[i][2], p[1] = px[i][1], p[2] = px[i][0];
    if (n == 4) p[3] = px[i][3];
  }
}

TEST(ImageTransform, MirrorFlipGreyBlackWhite) {
  Bitmap card;
  MakeCard(card, 24);
  ASSERT_EQ(1, VkMirrorBitmap(&card.b));
  EXPECT_EQ(kBlackPx, card.At(0, 0));
  EXPECT_EQ(kRedPx, card.At(3, 0));
  ASSERT_EQ(1, VkFlipBitmap(&card.b));
  EXPECT_EQ(kRedPx, card.At(3, 1));
  EXPECT_EQ(kWhitePx, card.At(3, 0));
  ASSERT_EQ(1, VkGreyBitmap(&card.b));
  EXPECT_EQ((Rgb{76, 76, 76}), card.At(3, 1));   // red
  EXPECT_EQ((Rgb{150, 150, 150}), card.At(2, 1));  // green
  EXPECT_EQ((Rgb{226, 226, 226}), card.At(1, 0));  // yellow
  ASSERT_EQ(1, VkBlackWhiteBitmap(&card.b, 128));
  EXPECT_EQ(kBlackPx, card.At(3, 1));
  EXPECT_EQ(kWhitePx, card.At(2, 1));
  EXPECT_EQ(kWhitePx, card.At(2, 0));  // grey 128 sits on the threshold
  EXPECT_EQ(-13, VkBlackWhiteBitmap(&card.b, 256));
}

TEST(ImageTransform, ResampleKeepsColoursAndAveragesWhenShrinking) {
  Bitmap card;
  MakeCard(card, 32);
  ASSERT_EQ(1, VkResampleBitmap(&card.b, 40, 20));
  EXPECT_EQ(40u, card.b.uWidth);
  EXPECT_EQ(20u, card.b.uHeight);
  EXPECT_EQ(kRedPx, card.At(1, 1));
  EXPECT_EQ(kBlackPx, card.At(38, 1));
  EXPECT_NEAR(255, card.At(25, 18).g, 8);  // yellow, blended a little with its neighbour
  EXPECT_NEAR(128, card.Alpha(38, 18), 1);
  EXPECT_EQ(kRedPx, card.At(38, 18)) << "colour under partial alpha is not darkened";
  // A checkerboard of black and white shrinks to mid grey.
  Bitmap checker(8, 8, 24);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((x + y) % 2) std::memset(checker.b.pData + y * checker.b.uBytesPerLine + 3 * x, 0, 3);
  ASSERT_EQ(1, VkResampleBitmap(&checker.b, 1, 1));
  EXPECT_NEAR(128, checker.At(0, 0).r, 2);
  EXPECT_EQ(-13, VkResampleBitmap(&checker.b, 0, 5));
  EXPECT_EQ(-1, VkResampleBitmap(&checker.b, 70000, 5));
}

TEST(ImageTransform, DepthConversionCompositesOnWhite) {
  Bitmap card;
  MakeCard(card, 32);
  ASSERT_EQ(1, VkConvertBitmapDepth(&card.b, 24));
  EXPECT_EQ(24u, card.b.uBitsPerPixel);
  EXPECT_EQ((Rgb{255, 127, 127}), card.At(3, 1));
  ASSERT_EQ(1, VkConvertBitmapDepth(&card.b, 32));
  EXPECT_EQ(255, card.Alpha(3, 1));
}

TEST(ImageColor, BrightnessAndContrastOnThePerMilleScale) {
  struct Case {
    int32_t brightness, contrast;
    int black, grey, white;  // what 0, 128 and 255 become
  } cases[] = {
      {0, 0, 0, 128, 255},        {500, 0, 128, 192, 255},     {1000, 0, 255, 255, 255},
      {-500, 0, 0, 64, 128},      {-1000, 0, 0, 0, 0},         {0, -1000, 128, 128, 128},
      {0, -500, 64, 128, 192},    {0, 500, 0, 128, 255},       {0, 1000, 0, 255, 255},
      {500, -1000, 128, 128, 128},
  };
  for (const Case& c : cases) {
    Bitmap card;
    MakeCard(card, 24);
    ASSERT_EQ(1, VkAdjustBrightnessContrast(&card.b, c.brightness, c.contrast));
    EXPECT_NEAR(c.black, card.At(3, 0).r, 1) << c.brightness << "/" << c.contrast;
    EXPECT_NEAR(c.grey, card.At(1, 1).r, 1) << c.brightness << "/" << c.contrast;
    EXPECT_NEAR(c.white, card.At(0, 1).r, 1) << c.brightness << "/" << c.contrast;
  }
  Bitmap card;
  MakeCard(card, 24);
  EXPECT_EQ(-13, VkAdjustBrightnessContrast(&card.b, 1001, 0));
  ASSERT_EQ(1, VkColorBlackWhite(&card.b, 250));  // threshold 64 of 255
  EXPECT_EQ(kWhitePx, card.At(0, 0));  // red, luminance 76
  EXPECT_EQ(kBlackPx, card.At(2, 0));  // blue, luminance 29
}

}  // namespace
