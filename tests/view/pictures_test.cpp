// Anchors turned into page rectangles, and the cache of decoded pictures shared by pages and
// threads.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <thread>
#include <vector>

#include "host/kernel/vkkrnx.h"
#include "package/xlsxunzip.h"
#include "tests/drawlayer/drawlayertestutil.h"
#include "tests/support/zipbuilder.h"
#include "view/objects/anchors.h"
#include "view/drawlayer/picturecache.h"

using namespace xlx;

namespace {

constexpr int64_t kEmuPx = 9525;  // one pixel at 96 dpi

// Columns of 50 px (C hidden), rows of 20 px, for A..E and 1..6; margins 10 and 5.
SheetLayout Grid(double scale = 1.0) {
  SheetLayout l;
  XlsxGridInfo& g = l.grid;
  g.defColWidthPx = 50, g.defRowHeightPx = 20, g.scale = scale;
  double x = 0;
  for (int i = 0; i < 5; ++i) {
    const double size = i == 2 ? 0 : 50 * scale;
    g.columns.push_back({x, size, i == 2});
    x += size;
  }
  g.totalWidth = x;
  for (int i = 0; i < 6; ++i) g.rows.push_back({i * 20 * scale, 20 * scale, false});
  g.totalHeight = 120 * scale;
  l.dPrintScale = scale;
  return l;
}

DrawingAnchor TwoCell(int fc, int64_t fco, int fr, int64_t fro, int tc, int64_t tco, int tr, int64_t tro) {
  DrawingAnchor a;
  a.fromCol = fc, a.fromColOff = fco, a.fromRow = fr, a.fromRowOff = fro;
  a.toCol = tc, a.toColOff = tco, a.toRow = tr, a.toRowOff = tro;
  return a;
}

}  // namespace

TEST(AnchorRects, EveryKindOfAnchorLandsWhereItsCellsAre) {
  LayoutOptions o;
  o.marginLeft = 10, o.marginTop = 5;
  const SheetLayout plain = Grid(), half = Grid(0.5);
  DrawingAnchor oneCell = TwoCell(1, 4763, 1, 0, 0, 0, 0, 0);
  oneCell.kind = kAnchorOneCell, oneCell.cx = 914400, oneCell.cy = 457200;
  DrawingAnchor absolute;
  absolute.kind = kAnchorAbsolute, absolute.x = 20 * kEmuPx, absolute.y = 10 * kEmuPx, absolute.cx = 30 * kEmuPx,
  absolute.cy = 40 * kEmuPx;
  DrawingAnchor keepsSize = TwoCell(1, 0, 1, 0, 4, 0, 5, 0);
  keepsSize.editAs = kEditOneCell;
  DrawingTransform own;
  own.present = true, own.cx = 80 * kEmuPx, own.cy = 40 * kEmuPx;
  DrawingTransform turned = own;
  turned.rotation = 90 * 60000;
  const struct {
    const char* name;
    const SheetLayout& layout;
    DrawingAnchor anchor;
    const DrawingTransform* own;
    DrawRect expected;
  } cases[] = {
      {"B2 to D4 spans B and C, rows 2 and 3", plain, TwoCell(1, 0, 1, 0, 3, 0, 3, 0), nullptr, {60, 25, 50, 40}},
      {"offsets at both ends", plain, TwoCell(0, 5 * kEmuPx, 0, 2 * kEmuPx, 1, 7 * kEmuPx, 1, 3 * kEmuPx), nullptr,
       {15, 7, 52, 21}},
      {"an offset is cut to its cell; a hidden column holds none", plain,
       TwoCell(0, 900 * kEmuPx, 0, 0, 2, 30 * kEmuPx, 1, 0), nullptr, {60, 5, 50, 20}},
      {"one-cell: 914400 EMU is 96 px, the offset rounded", plain, oneCell, nullptr, {61, 25, 96, 48}},
      {"at half scale offsets and extents halve", half, oneCell, nullptr, {35, 15, 48, 24}},
      {"absolute", plain, absolute, nullptr, {30, 15, 30, 40}},
      {"moves but keeps its own size", plain, keepsSize, &own, {60, 25, 80, 40}},
      {"a turned object is anchored by its turned box", plain, keepsSize, &turned, {60, 25, 40, 80}},
      {"past the grid the default sizes run on", plain, TwoCell(6, 0, 7, 0, 7, 0, 9, 0), nullptr, {260, 145, 50, 40}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DrawRect r = AnchorRect(MakeAnchorGeometry(c.layout, o), c.anchor, c.own);
    EXPECT_NEAR(r.left, c.expected.left, 1e-6);
    EXPECT_NEAR(r.top, c.expected.top, 1e-6);
    EXPECT_NEAR(r.width, c.expected.width, 1e-6);
    EXPECT_NEAR(r.height, c.expected.height, 1e-6);
  }
  // A preview's offsets are rounded at both ends.
  const DrawRect legacy = LegacyAnchorRect(MakeAnchorGeometry(plain, o), TwoCell(0, 4763, 0, 0, 1, 4763, 1, 14000));
  EXPECT_EQ(std::vector<double>({legacy.left, legacy.top, legacy.width, legacy.height}),
            std::vector<double>({11, 5, 50, 21}));
}

TEST(AnchorRects, GroupMembersAndTurnedBoxes) {
  const AnchorGeometry geo = MakeAnchorGeometry(Grid(), LayoutOptions());
  DrawingTransform group, member;
  group.chX = 1000, group.chY = 0, group.chCx = 2000, group.chCy = 1000;
  member.x = 2000, member.y = 500, member.cx = 1000, member.cy = 500;
  DrawRect r = GroupMemberRect(geo, DrawRect{100, 50, 200, 100}, group, member);
  EXPECT_EQ(std::vector<double>({r.left, r.top, r.width, r.height}), std::vector<double>({200, 100, 100, 50}));
  for (auto [degrees, turned] : {std::pair{0, false}, {44, false}, {45, true}, {90, true}, {135, false}, {270, true},
                                 {315, false}}) {
    r = UnturnedRect(DrawRect{0, 0, 40, 80}, degrees * 60000);
    EXPECT_EQ(r.width, turned ? 80 : 40) << degrees;
    EXPECT_EQ(r.left, turned ? -20 : 0) << degrees;
  }
}

namespace {

// A w x h 24-bit BMP of one colour (0xRRGGBB).
std::string Bmp(int w, int h, uint32_t rgb) {
  const int stride = (w * 3 + 3) & ~3;
  std::string b(54 + stride * h, '\0');
  auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, uint32_t(b.size())), put32(10, 54), put32(14, 40), put32(18, uint32_t(w)), put32(22, uint32_t(h));
  b[26] = 1, b[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      char* p = &b[54 + y * stride + x * 3];
      p[0] = char(rgb & 0xFF), p[1] = char((rgb >> 8) & 0xFF), p[2] = char(rgb >> 16);
    }
  return b;
}

struct PackageWorkbook {
  explicit PackageWorkbook(const std::vector<xlxtest::ZipEntry>& entries) : bytes(xlxtest::BuildZip(entries)) {
    workbook.hPackage = VkOpenMemoryFile(bytes.data(), bytes.size());
    EXPECT_EQ(BuildPartList(workbook.hPackage, &workbook.parts, nullptr, nullptr), 1);
  }
  ~PackageWorkbook() {
    VkCloseFile(workbook.hPackage);
    workbook.hPackage = -1;
  }
  std::vector<unsigned char> bytes;
  Workbook workbook;
};

std::shared_ptr<const DecodedPicture> Get(PictureCache& cache, const Workbook& wb, const char16_t* path,
                                          const PictureEffect* effects = nullptr, int32_t count = 0, uint32_t w = 0,
                                          uint32_t h = 0) {
  PictureRequest q;
  q.path = path, q.effects = effects, q.effectCount = count, q.width = w, q.height = h;
  return cache.Get(wb, q);
}

// The red channel of the top-left pixel of a picture drawn on white.
int DrawnRed(const DecodedPicture& picture) {
  layertest::Page page(4, 4);
  EXPECT_EQ(AddDrawImageAlpha(page.surface, picture.image, DrawRect{0, 0, 4, 4}, nullptr, 1.0), 1);
  page.End();
  return page.At(0, 0).r;
}

const char kSvg[] = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"5\"><rect width=\"10\" height=\"5\" fill=\"red\"/></svg>";

}  // namespace

TEST(PictureCache, DecodesEachPictureOnceForEveryThread) {
  PackageWorkbook p({{"xl/media/a.bmp", Bmp(30, 20, 0xFF0000)}});
  PictureCache cache;
  std::vector<std::shared_ptr<const DecodedPicture>> got(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) got[t] = Get(cache, p.workbook, u"xl/media/a.bmp");
    });
  for (std::thread& t : threads) t.join();
  ASSERT_TRUE(got[0]);
  for (const auto& g : got) EXPECT_EQ(g, got[0]);
  EXPECT_EQ(cache.DecodeCount(), 1u);
  EXPECT_EQ(std::make_pair(got[0]->width, got[0]->height), std::make_pair(30u, 20u));
  EXPECT_EQ(cache.DecodedBytes(), got[0]->bytes);
}

TEST(PictureCache, PicturesThatCannotBeHadAreRememberedAsSuch) {
  PackageWorkbook p({{"xl/media/junk.png", "\x89PNG\r\n\x1a\n but nothing after"}, {"xl/workbook.xml", "<workbook/>"}});
  PictureCache cache;
  for (const char16_t* path : {u"xl/media/junk.png", u"xl/workbook.xml", u"xl/media/missing.png", u""}) {
    EXPECT_FALSE(Get(cache, p.workbook, path));
    EXPECT_FALSE(Get(cache, p.workbook, path)) << "asked twice";
  }
  EXPECT_EQ(cache.DecodeCount(), 3u) << "each failure once; an empty name is not looked up";
}

TEST(PictureCache, EffectsAndVectorSizesAreCachedApart) {
  PackageWorkbook p({{"xl/media/a.bmp", Bmp(4, 4, 0xFF0000)}, {"xl/media/v.svg", kSvg}});
  PictureCache cache;
  PictureEffect grey;
  grey.kind = kEffectGrayscale;
  auto plain = Get(cache, p.workbook, u"xl/media/a.bmp"), greyed = Get(cache, p.workbook, u"xl/media/a.bmp", &grey, 1);
  ASSERT_TRUE(plain && greyed);
  EXPECT_EQ(DrawnRed(*plain), 255) << "red stays red";
  EXPECT_EQ(DrawnRed(*greyed), 76) << "red through grey";
  // Each size asked is made once, vector pictures decoded at it, raster ones resampled to it.
  auto small = Get(cache, p.workbook, u"xl/media/v.svg", nullptr, 0, 20, 10);
  auto large = Get(cache, p.workbook, u"xl/media/v.svg", nullptr, 0, 200, 100);
  auto raster = Get(cache, p.workbook, u"xl/media/a.bmp", nullptr, 0, 9, 7);
  ASSERT_TRUE(small && large && raster);
  EXPECT_EQ(std::make_tuple(small->width, large->width, raster->width, raster->height), std::make_tuple(20u, 200u, 9u, 7u));
  EXPECT_EQ(Get(cache, p.workbook, u"xl/media/a.bmp", nullptr, 0, 9, 7), raster);
  EXPECT_EQ(cache.DecodeCount(), 5u);
}

TEST(PictureCache, DecodedMemoryStaysWithinTheBudget) {
  PackageWorkbook p({{"xl/media/a.bmp", Bmp(64, 64, 0xFF)}, {"xl/media/b.bmp", Bmp(64, 64, 0xFF00)},
                     {"xl/media/big.bmp", Bmp(200, 200, 0xFF0000)}});
  PictureCache cache(64 * 64 * 4 + 100);  // room for one 64 x 64 picture
  auto a = Get(cache, p.workbook, u"xl/media/a.bmp");
  auto b = Get(cache, p.workbook, u"xl/media/b.bmp");
  ASSERT_TRUE(a && b);
  EXPECT_LE(cache.DecodedBytes(), 64u * 64 * 4 + 100);
  EXPECT_EQ(Get(cache, p.workbook, u"xl/media/b.bmp"), b) << "the newest stays";
  EXPECT_EQ(cache.DecodeCount(), 2u);
  EXPECT_TRUE(Get(cache, p.workbook, u"xl/media/a.bmp")) << "the oldest went and comes back";
  EXPECT_EQ(cache.DecodeCount(), 3u);
  EXPECT_EQ(DrawnRed(*a), 0) << "a picture let go stays valid for whoever holds it";
  // A picture over the whole budget is drawn but not kept.
  EXPECT_TRUE(Get(cache, p.workbook, u"xl/media/big.bmp"));
  EXPECT_TRUE(Get(cache, p.workbook, u"xl/media/big.bmp"));
  EXPECT_EQ(cache.DecodeCount(), 5u);
  EXPECT_LE(cache.DecodedBytes(), 64u * 64 * 4 + 100);
}

// Sixty drawings of one raster part with their own effects and sizes read and decode it once; a
// larger size decodes it again, and smaller ones go on from that.
TEST(PictureCache, ARasterPartIsDecodedOnceForEverySizeAndEffect) {
  PackageWorkbook p({{"xl/media/a.bmp", Bmp(400, 200, 0xFF0000)}});
  PictureCache cache;
  std::vector<PictureEffect> effects(60);
  for (size_t i = 0; i < effects.size(); ++i) {
    effects[i].kind = i % 2 ? kEffectGrayscale : kEffectLum;
    effects[i].value1 = double(i);
  }
  for (size_t i = 0; i < effects.size(); ++i) {
    auto picture = Get(cache, p.workbook, u"xl/media/a.bmp", &effects[i], 1, uint32_t(40 + i % 40), 20);
    ASSERT_TRUE(picture) << i;
    EXPECT_EQ(std::make_pair(picture->width, picture->height), std::make_pair(uint32_t(40 + i % 40), 20u));
  }
  PictureEffect grey;
  grey.kind = kEffectGrayscale;
  EXPECT_EQ(DrawnRed(*Get(cache, p.workbook, u"xl/media/a.bmp", &grey, 1, 30, 15)), 76) << "red through grey";
  EXPECT_EQ(cache.SourceDecodeCount(), 1u);
  EXPECT_LT(cache.SourceBytes(), 400u * 200 * 4 / 4) << "kept at the size drawn, not its own";
  auto large = Get(cache, p.workbook, u"xl/media/a.bmp", nullptr, 0, 300, 150);
  ASSERT_TRUE(large);
  EXPECT_EQ(std::make_pair(large->width, large->height), std::make_pair(300u, 150u));
  EXPECT_EQ(DrawnRed(*large), 255);
  // The source now has the part's own 400 pixels: nothing asks for more.
  for (uint32_t w : {100u, 250u, 400u, 800u}) EXPECT_TRUE(Get(cache, p.workbook, u"xl/media/a.bmp", nullptr, 0, w, w / 2));
  EXPECT_EQ(cache.SourceDecodeCount(), 2u);
}

// Sources of many parts stay within half the budget, the oldest let go first.
TEST(PictureCache, SourcesStayWithinHalfTheBudget) {
  std::vector<xlxtest::ZipEntry> parts;
  for (int i = 0; i < 6; ++i) parts.push_back({"xl/media/p" + std::to_string(i) + ".bmp", Bmp(64, 64, 0xFF << (i % 3 * 8))});
  PackageWorkbook p(parts);
  const size_t budget = 3 * 64 * 64 * 4;
  PictureCache cache(budget);
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 6; ++i) {
      const std::u16string path = u"xl/media/p" + std::u16string(1, char16_t(u'0' + i)) + u".bmp";
      EXPECT_TRUE(Get(cache, p.workbook, path.c_str(), nullptr, 0, 64, 64));
      EXPECT_LE(cache.SourceBytes(), budget / 2);
    }
  EXPECT_GT(cache.SourceDecodeCount(), 6u) << "let go and decoded again";
}
