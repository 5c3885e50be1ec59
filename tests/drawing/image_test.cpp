// Picture decoding and picture operations of the host: every format decodes its sample to the
// right size and colours, damaged data fails with a code, and the transforms change pixels as
// they should.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "host/imagecolor/vkimgclrx.h"
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

// Sample pictures, files from the codecs' own encoders or made byte by byte for BMP and the
// metafiles, all showing the same thing: left half red, right half blue, 16 x 8 pixels, with the
// top-left pixel transparent where the format can say so.
using Bytes = std::vector<uint8_t>;
constexpr int W = 16, H = 8;

bool Red(int x) { return x < W / 2; }

void Put16(Bytes& b, uint32_t v) { b.push_back(v & 0xFF), b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// PNG RGBA interlaced, JPEG quality 95, GIF interlaced with a transparent index, TIFF RGBA with
// unassociated alpha in LZW strips of two rows, WebP lossless.
Bytes SampleFile(const char* name) { return xlxtest::ReadWholeFile(xlxtest::SourceDir() + "/tests/drawing/samples/" + name); }

// Top-left pixel black (blue at 1 bit). Palette: index 0 blue, 1 red, 2 black, the rest black.
Bytes Bmp(int bpp, uint32_t compression, bool topDown) {
  const uint32_t paletteCount = bpp <= 8 ? (1u << bpp) : 0;
  const bool fields = compression == 3;
  Bytes pixels;
  auto index = [&](int x, int y) { return static_cast<uint8_t>((x == 0 && y == 0) ? 2 : Red(x) ? 1 : 0); };
  if (compression == 1) {  // RLE8: one run per colour per row
    for (int y = H - 1; y >= 0; --y) {
      const uint8_t runs[] = {1, index(0, y), W / 2 - 1, index(1, y), W / 2, index(W - 1, y), 0, 0};
      pixels.insert(pixels.end(), runs, runs + 8);
    }
    pixels.push_back(0), pixels.push_back(1);
  } else {
    const uint32_t stride = ((W * bpp + 31) / 32) * 4;
    for (int r = 0; r < H; ++r) {
      const int y = topDown ? r : H - 1 - r;
      Bytes row(stride, 0);
      for (int x = 0; x < W; ++x) {
        const bool black = x == 0 && y == 0, red = Red(x) && !black;
        const uint16_t v565 = black ? 0 : red ? 0xF800 : 0x001F;  // 5-6-5 through bit fields
        switch (bpp) {
          case 1: row[x / 8] |= (red ? 1 : 0) << (7 - x % 8); break;
          case 4: row[x / 2] |= index(x, y) << (x % 2 ? 0 : 4); break;
          case 8: row[x] = index(x, y); break;
          case 16: row[2 * x] = v565 & 0xFF, row[2 * x + 1] = v565 >> 8; break;
          case 24: row[3 * x] = red || black ? 0 : 255, row[3 * x + 2] = red ? 255 : 0; break;
          case 32: row[4 * x] = red || black ? 0 : 255, row[4 * x + 2] = red ? 255 : 0; break;
        }
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  }
  Bytes b{'B', 'M'};
  Put32(b, 0), Put32(b, 0), Put32(b, 14 + 40 + (fields ? 12 : 0) + paletteCount * 4);
  Put32(b, 40), Put32(b, W), Put32(b, topDown ? static_cast<uint32_t>(-H) : H);
  Put16(b, 1), Put16(b, bpp), Put32(b, compression), Put32(b, static_cast<uint32_t>(pixels.size()));
  Put32(b, 3780), Put32(b, 3780), Put32(b, paletteCount), Put32(b, 0);
  if (fields) Put32(b, 0xF800), Put32(b, 0x07E0), Put32(b, 0x001F);
  for (uint32_t i = 0; i < paletteCount; ++i) Put32(b, i == 0 ? 0x0000FF : i == 1 ? 0xFF0000 : 0);  // 0x00RRGGBB
  b.insert(b.end(), pixels.begin(), pixels.end());
  Set32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

Bytes Svg() {
  const char* text =
      "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"8\">"
      "<rect x=\"0\" y=\"0\" width=\"8\" height=\"8\" fill=\"#ff0000\"/>"
      "<rect x=\"8\" y=\"0\" width=\"8\" height=\"8\" fill=\"#0000ff\"/></svg>\n";
  return Bytes(text, text + std::strlen(text));
}

// EMF records: header, two solid brushes with the null pen, two rectangles, end of file.
Bytes Emf() {
  Bytes b;
  Put32(b, 1), Put32(b, 108);
  Put32(b, 0), Put32(b, 0), Put32(b, W - 1), Put32(b, H - 1);  // bounds, device pixels
  Put32(b, 0), Put32(b, 0), Put32(b, W * 2540 / 96), Put32(b, H * 2540 / 96);  // frame, 0.01 mm
  Put32(b, 0x464D4520), Put32(b, 0x10000), Put32(b, 0), Put32(b, 0);  // signature, version, bytes, records
  Put16(b, 3), Put16(b, 0), Put32(b, 0), Put32(b, 0), Put32(b, 0);    // handles, description, palette
  Put32(b, 960), Put32(b, 960), Put32(b, 254), Put32(b, 254);         // 96 dpi device
  Put32(b, 0), Put32(b, 0), Put32(b, 0), Put32(b, 254000), Put32(b, 254000);
  auto brush = [&](uint32_t handle, uint32_t colorref) {
    Put32(b, 39), Put32(b, 24), Put32(b, handle), Put32(b, 0), Put32(b, colorref), Put32(b, 0);
    Put32(b, 37), Put32(b, 12), Put32(b, handle);
  };
  Put32(b, 37), Put32(b, 12), Put32(b, 0x80000008);  // the stock null pen
  brush(1, 0x000000FF);                               // COLORREF is 0x00BBGGRR
  Put32(b, 43), Put32(b, 24), Put32(b, 0), Put32(b, 0), Put32(b, W / 2), Put32(b, H);
  brush(2, 0x00FF0000);
  Put32(b, 43), Put32(b, 24), Put32(b, W / 2), Put32(b, 0), Put32(b, W), Put32(b, H);
  Put32(b, 14), Put32(b, 20), Put32(b, 0), Put32(b, 16), Put32(b, 20);
  Set32(b, 48, static_cast<uint32_t>(b.size()));
  Set32(b, 52, 9);
  return b;
}

// WMF with a placeable header: window of 16 x 8 units at 96 units per inch, a null pen, two
// brushes and two rectangles.
Bytes Wmf() {
  Bytes b;
  Put32(b, 0x9AC6CDD7), Put16(b, 0);
  Put16(b, 0), Put16(b, 0), Put16(b, W), Put16(b, H), Put16(b, 96), Put32(b, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < b.size(); i += 2) sum ^= static_cast<uint16_t>(b[i] | (b[i + 1] << 8));
  Put16(b, sum);
  const size_t header = b.size();
  Put16(b, 1), Put16(b, 9), Put16(b, 0x300), Put32(b, 0), Put16(b, 3), Put32(b, 8), Put16(b, 0);
  auto record = [&](uint16_t function, std::initializer_list<uint16_t> params) {
    Put32(b, static_cast<uint32_t>(3 + params.size())), Put16(b, function);
    for (uint16_t p : params) Put16(b, p);
  };
  record(0x020B, {0, 0});                  // window origin y, x
  record(0x020C, {H, W});                  // window extent y, x
  record(0x02FA, {5, 0, 0, 0, 0});         // null pen
  record(0x012D, {0});
  record(0x02FC, {0, 0x00FF, 0x0000, 0});  // red brush (COLORREF low word, high word)
  record(0x012D, {1});
  record(0x041B, {H, W / 2, 0, 0});        // rectangle bottom, right, top, left
  record(0x01F0, {1});                     // delete the red brush
  record(0x02FC, {0, 0x0000, 0x00FF, 0});  // blue brush
  record(0x012D, {1});
  record(0x041B, {H, W, 0, W / 2});
  record(0x0000, {});
  Set32(b, header + 6, static_cast<uint32_t>((b.size() - header) / 2));
  return b;
}

struct Sample {
  const char* name;
  std::function<Bytes()> make;
  int32_t format;
  int tolerance;      // lossy formats and vector edges come out near, not exact
  bool transparent;   // the top-left pixel has alpha 0
} const kSamples[] = {
    {"png", [] { return SampleFile("red-blue.png"); }, VK_IMAGE_PNG, 0, true},
    {"jpeg", [] { return SampleFile("red-blue.jpg"); }, VK_IMAGE_JPEG, 40, false},
    {"gif", [] { return SampleFile("red-blue.gif"); }, VK_IMAGE_GIF, 0, true},
    {"bmp1", [] { return Bmp(1, 0, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp4", [] { return Bmp(4, 0, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp8", [] { return Bmp(8, 0, true); }, VK_IMAGE_BMP, 0, false},
    {"bmp8rle", [] { return Bmp(8, 1, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp16", [] { return Bmp(16, 3, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp24", [] { return Bmp(24, 0, false); }, VK_IMAGE_BMP, 0, false},
    {"bmp32", [] { return Bmp(32, 0, true); }, VK_IMAGE_BMP, 0, false},
    {"tiff", [] { return SampleFile("red-blue.tif"); }, VK_IMAGE_TIFF, 0, true},
    {"webp", [] { return SampleFile("red-blue.webp"); }, VK_IMAGE_WEBP, 0, true},
    {"svg", Svg, VK_IMAGE_SVG, 0, false},
    {"emf", Emf, VK_IMAGE_EMF, 2, false},
    {"wmf", Wmf, VK_IMAGE_WMF, 2, false},
};

void ExpectNear(const Rgb& want, const Rgb& got, int tolerance, const std::string& what) {
  EXPECT_TRUE(std::abs(want.r - got.r) <= tolerance && std::abs(want.g - got.g) <= tolerance &&
              std::abs(want.b - got.b) <= tolerance)
      << what << ": want " << want << " got " << got;
}

TEST(ImageDecode, EachFormatDecodesItsSample) {
  for (const Sample& s : kSamples) {
    Bytes data = s.make();
    ASSERT_FALSE(data.empty()) << s.name;
    EXPECT_EQ(s.format, VkDetectImageFormat(data.data(), data.size())) << s.name;
    for (uint32_t bpp : {24u, 32u}) {
      const std::string what = std::string(s.name) + " " + std::to_string(bpp) + " bits";
      Bitmap img;
      ASSERT_EQ(1, VkLoadImageFromMemory(data.data(), data.size(), bpp, 0, 0, &img.b)) << what;
      EXPECT_TRUE(img.b.uWidth == 16 && img.b.uHeight == 8 && img.b.uBitsPerPixel == bpp) << what;
      ExpectNear(kRedPx, img.At(3, 4), s.tolerance, what + " left");
      ExpectNear(kBluePx, img.At(12, 4), s.tolerance, what + " right");
      if (s.transparent) {
        if (bpp == 32) EXPECT_EQ(0, img.Alpha(0, 0)) << what;
        else EXPECT_EQ(kWhitePx, img.At(0, 0)) << what << " composited on white";
        EXPECT_EQ(255, img.Alpha(1, 0)) << what;
      }
    }
    // Vector pictures draw at the asked size, and keep their aspect ratio when given a width alone.
    if (s.format != VK_IMAGE_SVG && s.format != VK_IMAGE_EMF && s.format != VK_IMAGE_WMF) continue;
    Bitmap big, wide;
    ASSERT_EQ(1, VkLoadImageFromMemory(data.data(), data.size(), 24, 160, 80, &big.b)) << s.name;
    EXPECT_TRUE(big.b.uWidth == 160 && big.b.uHeight == 80) << s.name;
    ExpectNear(kRedPx, big.At(40, 40), s.tolerance, s.name);
    ExpectNear(kBluePx, big.At(120, 40), s.tolerance, s.name);
    ASSERT_EQ(1, VkLoadImageFromMemory(data.data(), data.size(), 24, 64, 0, &wide.b)) << s.name;
    EXPECT_TRUE(wide.b.uWidth == 64 && wide.b.uHeight == 32) << s.name;
  }
}

// The samples' picture (red left half, blue right half, 16 x 8) as a PNG that is not interlaced.
Bytes PlainPng() {
  auto put32 = [](Bytes* b, uint32_t v) {
    for (int i = 3; i >= 0; --i) b->push_back(uint8_t(v >> (8 * i)));
  };
  auto chunk = [&](Bytes* out, const char* kind, const Bytes& data) {
    put32(out, uint32_t(data.size()));
    Bytes body(kind, kind + 4);
    body.insert(body.end(), data.begin(), data.end());
    out->insert(out->end(), body.begin(), body.end());
    put32(out, uint32_t(crc32(0, body.data(), uInt(body.size()))));
  };
  Bytes raw;
  for (int y = 0; y < 8; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 16; ++x) raw.insert(raw.end(), {uint8_t(x < 8 ? 255 : 0), 0, uint8_t(x < 8 ? 0 : 255)});
  }
  uLongf packed = compressBound(uLong(raw.size()));
  Bytes deflated(packed);
  compress(deflated.data(), &packed, raw.data(), uLong(raw.size()));
  deflated.resize(packed);
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  put32(&header, 16), put32(&header, 8);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  chunk(&png, "IHDR", header);
  chunk(&png, "IDAT", deflated);
  chunk(&png, "IEND", {});
  return png;
}

// Asked for at most a quarter of their pixels, PNG and JPEG pictures come out reduced while they
// are decoded (a 2 x 2 block per pixel of a PNG not interlaced, a half-size JPEG), the others at
// their own size to be
// reduced by the caller; either way the colours stay where they were and the own size is told.
TEST(ImageDecode, BigPicturesAreReducedWhileDecoding) {
  std::vector<Sample> samples(std::begin(kSamples), std::end(kSamples));
  samples.push_back({"plain png", PlainPng, VK_IMAGE_PNG, 0, false});
  for (const Sample& s : samples) {
    if (s.format == VK_IMAGE_SVG || s.format == VK_IMAGE_EMF || s.format == VK_IMAGE_WMF) continue;
    const Bytes data = s.make();
    // The sample PNG is interlaced: it decodes whole.
    const bool reduces = s.format == VK_IMAGE_JPEG || std::string(s.name) == "plain png";
    for (uint64_t most : {uint64_t(32), uint64_t(16 * 8)}) {
      const std::string what = std::string(s.name) + " within " + std::to_string(most);
      Bitmap img;
      uint32_t ownWidth = 0, ownHeight = 0;
      ASSERT_EQ(1, VkLoadImageReduced(data.data(), data.size(), 24, most, &img.b, &ownWidth, &ownHeight)) << what;
      EXPECT_EQ(std::make_pair(ownWidth, ownHeight), std::make_pair(16u, 8u)) << what;
      const uint32_t divisor = reduces && most < 16 * 8 ? 2 : 1;
      ASSERT_EQ(std::make_pair(img.b.uWidth, img.b.uHeight), std::make_pair(16 / divisor, 8 / divisor)) << what;
      ExpectNear(kRedPx, img.At(3 / divisor, 5 / divisor), s.tolerance, what + " left");
      ExpectNear(kBluePx, img.At(13 / divisor, 5 / divisor), s.tolerance, what + " right");
    }
  }
}

// Cut short, every format fails with -9 and leaves no pixels behind. The cuts leave the
// signature in place so that the right decoder sees the damage.
TEST(ImageDecode, TruncatedDataFailsCleanly) {
  for (const Sample& s : kSamples) {
    Bytes data = s.make();
    for (size_t keep : {data.size() / 2, data.size() * 3 / 4, static_cast<size_t>(48)}) {
      if (keep >= data.size()) continue;
      const Bytes cut(data.begin(), data.begin() + keep);  // a copy, so that reading past it is caught
      Bitmap img;
      EXPECT_EQ(-9, VkLoadImageFromMemory(cut.data(), cut.size(), 24, 0, 0, &img.b)) << s.name << " cut to " << keep;
      EXPECT_EQ(nullptr, img.b.pData) << s.name;
    }
  }
}

TEST(ImageDecode, HostileInputNeverCrashes) {
  auto patched = [](Bytes b, std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
    for (const auto& p : bytes) b[p.first] = p.second;
    return b;
  };
  struct Case { const char* what; Bytes data; int32_t result; } cases[] = {
      {"empty", {}, -13},
      {"unknown signature", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, -9},
      {"bmp of 100000 x 100000",
       patched(Bmp(24, 0, false), {{18, 0xA0}, {19, 0x86}, {20, 0x01}, {22, 0xA0}, {23, 0x86}, {24, 0x01}}), -1},
      {"bmp with rows beyond the file", patched(Bmp(24, 0, false), {{22, 200}}), -9},
      {"bmp with a header larger than the file", patched(Bmp(8, 0, false), {{14, 0xFF}, {15, 0xFF}}), -9},
      {"emf whose record runs past the end", patched(Emf(), {{108 + 4, 0xF0}}), -9},
      {"wmf whose record runs past the end", patched(Wmf(), {{40, 0xFF}, {41, 0xFF}}), -9},
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

// A metafile whose header claims a 3.4 GB largest record and file: the library allocates from
// those claims, so they must not reach it. Run in a child with its address space capped at 1 GiB,
// where such an allocation fails and the picture would not decode.
TEST(ImageDecode, MetafileHeaderClaimsDoNotSizeAllocations) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own mappings do not fit under an address-space cap";
#endif
  Bytes data = Wmf();
  for (size_t at : {28u, 34u}) data[at] = data[at + 1] = data[at + 2] = 0xCA, data[at + 3] = 0x4A;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit cap{1ull << 30, 1ull << 30};
    setrlimit(RLIMIT_AS, &cap);
    Bitmap img;
    _exit(VkLoadImageFromMemory(data.data(), data.size(), 24, 0, 0, &img.b) == 1 && img.b.uWidth == 16 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// A 4 x 2 test card: red, green, blue, black on the top row; white, grey 128, yellow, a
// half-transparent red (32-bit) on the bottom row.
struct Card : Bitmap {
  explicit Card(uint32_t bpp) : Bitmap(4, 2, bpp) {
    const uint8_t px[8][4] = {{255, 0, 0, 255},     {0, 255, 0, 255},     {0, 0, 255, 255},   {0, 0, 0, 255},
                              {255, 255, 255, 255}, {128, 128, 128, 255}, {255, 255, 0, 255}, {255, 0, 0, 128}};
    for (int i = 0; i < 8; ++i) {
      uint8_t* p = b.pData + (i / 4) * b.uBytesPerLine + (i % 4) * (bpp / 8);
      p[0] = px[i][2], p[1] = px[i][1], p[2] = px[i][0];
      if (bpp == 32) p[3] = px[i][3];
    }
  }
};

TEST(ImageTransform, MirrorFlipGreyBlackWhite) {
  Card card(24);
  ASSERT_EQ(1, VkMirrorBitmap(&card.b));
  ExpectPixels(card.b, {{0, 0, kBlackPx}, {3, 0, kRedPx}}, "mirrored");
  ASSERT_EQ(1, VkFlipBitmap(&card.b));
  ExpectPixels(card.b, {{3, 1, kRedPx}, {3, 0, kWhitePx}}, "flipped");
  ASSERT_EQ(1, VkGreyBitmap(&card.b));  // red, green, yellow
  ExpectPixels(card.b, {{3, 1, Rgb{76, 76, 76}}, {2, 1, Rgb{150, 150, 150}}, {1, 0, Rgb{226, 226, 226}}}, "grey");
  ASSERT_EQ(1, VkBlackWhiteBitmap(&card.b, 128));  // grey 128 sits on the threshold
  ExpectPixels(card.b, {{3, 1, kBlackPx}, {2, 1, kWhitePx}, {2, 0, kWhitePx}}, "black and white");
  EXPECT_EQ(-13, VkBlackWhiteBitmap(&card.b, 256));
}

TEST(ImageTransform, ResampleAndDepthConversion) {
  Card card(32);
  ASSERT_EQ(1, VkResampleBitmap(&card.b, 40, 20));
  EXPECT_TRUE(card.b.uWidth == 40 && card.b.uHeight == 20);
  ExpectPixels(card.b, {{1, 1, kRedPx}, {38, 1, kBlackPx}, {38, 18, kRedPx}});  // partial alpha does not darken
  EXPECT_NEAR(255, card.At(25, 18).g, 8);  // yellow, blended a little with its neighbour
  EXPECT_NEAR(128, card.Alpha(38, 18), 1);
  // A checkerboard of black and white shrinks to mid grey.
  Bitmap checker(8, 8, 24);
  for (int i = 0; i < 64; ++i)
    if ((i % 8 + i / 8) % 2) std::memset(checker.b.pData + (i / 8) * checker.b.uBytesPerLine + 3 * (i % 8), 0, 3);
  ASSERT_EQ(1, VkResampleBitmap(&checker.b, 1, 1));
  EXPECT_NEAR(128, checker.At(0, 0).r, 2);
  EXPECT_EQ(-13, VkResampleBitmap(&checker.b, 0, 5));
  EXPECT_EQ(-1, VkResampleBitmap(&checker.b, 70000, 5));
  // Dropping alpha composites on white; adding it back makes every pixel opaque.
  Card half(32);
  ASSERT_EQ(1, VkConvertBitmapDepth(&half.b, 24));
  EXPECT_EQ(24u, half.b.uBitsPerPixel);
  EXPECT_EQ((Rgb{255, 127, 127}), half.At(3, 1));
  ASSERT_EQ(1, VkConvertBitmapDepth(&half.b, 32));
  EXPECT_EQ(255, half.Alpha(3, 1));
}

TEST(ImageColor, BrightnessAndContrastOnThePerMilleScale) {
  struct Case { int32_t brightness, contrast, black, grey, white; } cases[] = {  // what 0, 128 and 255 become
      {0, 0, 0, 128, 255},        {500, 0, 128, 192, 255},     {1000, 0, 255, 255, 255},
      {-500, 0, 0, 64, 128},      {-1000, 0, 0, 0, 0},         {0, -1000, 128, 128, 128},
      {0, -500, 64, 128, 192},    {0, 500, 0, 128, 255},       {0, 1000, 0, 255, 255},
      {500, -1000, 128, 128, 128},
  };
  for (const Case& c : cases) {
    Card card(24);
    ASSERT_EQ(1, VkAdjustBrightnessContrast(&card.b, c.brightness, c.contrast));
    SCOPED_TRACE(::testing::Message() << c.brightness << "/" << c.contrast);
    EXPECT_NEAR(c.black, card.At(3, 0).r, 1);
    EXPECT_NEAR(c.grey, card.At(1, 1).r, 1);
    EXPECT_NEAR(c.white, card.At(0, 1).r, 1);
  }
  Card card(24);
  EXPECT_EQ(-13, VkAdjustBrightnessContrast(&card.b, 1001, 0));
  ASSERT_EQ(1, VkColorBlackWhite(&card.b, 250));  // threshold 64 of 255
  ExpectPixels(card.b, {{0, 0, kWhitePx}, {2, 0, kBlackPx}});  // red (luminance 76), blue (29)
}

}  // namespace
