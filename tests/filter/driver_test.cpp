// The entry points and drivers, through fake parse/layout/draw steps and through real packages.
// The dispatch records are filled byte by byte at their offsets, as a host built separately would.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/resultcodes.h"
#include "filter/documentcontext.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "tests/support/hostcalls.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipbuilder.h"

using namespace xlx;

namespace {

// ---- fake document steps: three sheets of 1, 3 and 2 pages; page p of sheet s is
// (100 + 10 s + p) x (200 + 10 s + p) ------------------------------------------------------------
struct FakeState {
  int parses = 0, lastSheet = -1, lastPage = -1;
  int32_t parseResult = XLX_OK;
  bool throwInParse = false, throwInDraw = false;
} g_fake;

struct ParsedWorkbookFake {
  int pages[3] = {1, 3, 2};
};

int32_t FakeParse(DocumentContext* c, const char16_t*) {
  ++g_fake.parses;
  if (g_fake.throwInParse) throw 1;
  if (g_fake.parseResult != XLX_OK) return g_fake.parseResult;
  c->pParsed = reinterpret_cast<ParsedWorkbook*>(new ParsedWorkbookFake);
  c->nSheetCount = 3;
  c->totalPageCount = c->view.loadMode == kLoadPaginated ? 6 : 3;
  c->xlsxFormatCode = kXlsxFormatCode;
  return XLX_OK;
}
int32_t FakePageCount(const ParsedWorkbook* p, int32_t sheet) {
  return reinterpret_cast<const ParsedWorkbookFake*>(p)->pages[sheet];
}
int32_t FakePageInfo(const ParsedWorkbook*, int32_t sheet, int32_t page, _PAGEINFO* info) {
  info->nWidth = 100 + 10 * sheet + page;
  info->nHeight = 200 + 10 * sheet + page;
  return XLX_OK;
}
int32_t FakeDraw(DocumentContext* c, _BITMAPHANDLE* b, bool headerOnly) {
  if (g_fake.throwInDraw) throw 2;
  g_fake.lastSheet = c->nCurrWorksheet;
  g_fake.lastPage = c->nCurrPageInSheet;
  // Marks the first pixel; pixels are written only inside an access, as a surface would.
  if (!headerOnly && b->pData && VkBeginBitmapAccess(b) == XLX_OK) {
    b->pData[0] = 0x12;
    VkEndBitmapAccess(b);
  }
  return XLX_OK;
}
void FakeRelease(ParsedWorkbook* p) { delete reinterpret_cast<ParsedWorkbookFake*>(p); }
const DocumentSteps kFakeSteps = {FakeParse, FakePageCount, FakePageInfo, FakeDraw, FakeRelease, nullptr, nullptr};

// ---- host side -------------------------------------------------------------------------------
double InchConverter(double v, int32_t, uint32_t, uint32_t unit, uint32_t, uint32_t) {
  return unit == 2 ? v / 25.4 : v;  // unit 2: millimetres, else inches
}

struct Delivered {
  std::vector<uint32_t> flags;
  std::vector<int32_t> rows;
  int32_t answer = 1, stopAfter = -1;
  uint8_t firstByte = 0;
};

int32_t Deliver(_FILEINFO*, _BITMAPHANDLE*, const uint8_t* row, uint32_t flags, int32_t y, int32_t count, uint64_t user) {
  auto* d = reinterpret_cast<Delivered*>(user);
  EXPECT_EQ(count, 1);
  if (y == 0) d->firstByte = row[0];
  d->flags.push_back(flags);
  d->rows.push_back(y);
  return d->stopAfter >= 0 && static_cast<int32_t>(d->rows.size()) > d->stopAfter ? d->answer : 1;
}

int32_t g_progressAnswer = 1;
int32_t Progress(int32_t, uint64_t user) { return user == 7 ? g_progressAnswer : 1; }

// A dispatch record as raw bytes.
template <size_t N>
struct Raw {
  alignas(8) uint8_t bytes[N] = {};
  template <typename T>
  void Put(size_t offset, T value) {
    std::memcpy(bytes + offset, &value, sizeof value);
  }
};

// An info request over a real file holding `fileBytes`.
class InfoRequest : public Raw<1420> {
 public:
  explicit InfoRequest(const std::vector<unsigned char>& fileBytes) : path_(xlxtest::WriteTempFile(fileBytes)) {
    path16_ = xlxtest::U16(path_);
    hFile_ = VkOpenFile(path16_.c_str(), VK_OPEN_READ, 0);
    std::memset(&fileInfo_, 0, sizeof fileInfo_);
    fileInfo_.uStructSize = sizeof(_FILEINFO);
    Put(0, path16_.c_str());
    Put(12, hFile_);
    Put(20, &fileInfo_);
    Put(56, &option_);
    SetPage(1);
    SetOptions(8.5, 11, 0, 0, 0, 0, 1, 96, 96, 0);
    Put(1016, &InchConverter);
  }
  ~InfoRequest() {
    VkCloseFile(hFile_);
    unlink(path_.c_str());
  }
  void SetPage(int32_t page) { std::memcpy(reinterpret_cast<uint8_t*>(&option_) + 20, &page, 4); }
  int32_t Page() const { return option_.nPageNumber; }
  void SetFlags(uint32_t flags) { Put(944, flags); }
  void SetOptions(double w, double h, double l, double t, double r, double b, uint32_t unit, uint32_t xr, uint32_t yr,
                  uint32_t mode) {
    const size_t o = 948;
    Put(o, uint32_t{68});
    Put(o + 4, w), Put(o + 12, h), Put(o + 20, l), Put(o + 28, t), Put(o + 36, r), Put(o + 44, b);
    Put(o + 52, unit), Put(o + 56, xr), Put(o + 60, yr), Put(o + 64, mode);
  }
  int32_t Call() { return fltInfo(reinterpret_cast<_INFODISPATCH*>(bytes)); }
  _FILEINFO& info() { return fileInfo_; }
  const std::u16string& path16() const { return path16_; }

 private:
  std::string path_;
  std::u16string path16_;
  int64_t hFile_ = -1;
  _FILEINFO fileInfo_;
  _LOADFILEOPTION option_{};
};

class LoadRequest : public Raw<2688> {
 public:
  LoadRequest(const std::u16string& path, uint32_t width, uint32_t height) : path_(path) {
    std::memset(&fileInfo_, 0, sizeof fileInfo_);
    bitmap_.uWidth = width;
    bitmap_.uHeight = height;
    bitmap_.uXResolution = bitmap_.uYResolution = 96;
    option_.nPageNumber = 1;
    Put(0, path_.c_str());
    Put(8, &bitmap_);
    Put(20, &Deliver);
    Put(28, reinterpret_cast<uint64_t>(&delivered_));
    Put(72, &fileInfo_);
    Put(2000, &option_);
    const size_t o = 2168;
    Put(o, uint32_t{68});
    Put(o + 4, 8.5), Put(o + 12, 11.0), Put(o + 52, uint32_t{1}), Put(o + 56, uint32_t{96}), Put(o + 60, uint32_t{96});
    Put(2236, &InchConverter);
  }
  int32_t Call() { return fltLoad(reinterpret_cast<_LOADDISPATCH*>(bytes)); }
  _LOADFILEOPTION& option() { return option_; }
  Delivered& delivered() { return delivered_; }

 private:
  std::u16string path_;
  _FILEINFO fileInfo_;
  _LOADFILEOPTION option_{};
  _BITMAPHANDLE bitmap_{};
  Delivered delivered_;
};

std::vector<unsigned char> SmallWorkbook() { return xlxtest::BuildZip(xlxtest::MinimalWorkbookEntries({"Sheet1"})); }

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = FakeState{};
    SetDocumentStepsForTesting(&kFakeSteps);
    VkSetScreenResolution(96, 96);
    live_ = VkLiveAllocations();
  }
  void TearDown() override {
    SetDocumentStepsForTesting(nullptr);
    VkSetScreenResolution(96, 96);
    EXPECT_EQ(VkLiveAllocations(), live_) << "host allocations leaked";
  }
  size_t live_ = 0;
};

TEST_F(DriverTest, InfoReportsSheetSizedPagesWithoutLayoutOptions) {
  EXPECT_EQ(fltInfo(nullptr), XLX_ERR_ARGUMENT);
  EXPECT_EQ(fltLoad(nullptr), XLX_ERR_ARGUMENT);
  EXPECT_EQ(fltFreeData(reinterpret_cast<void*>(0x1234), 1), XLX_OK) << "a non-zero flag frees nothing";
  EXPECT_EQ(fltFreeData(nullptr, 0), XLX_OK);
  InfoRequest noOption(SmallWorkbook());
  noOption.Put(56, static_cast<void*>(nullptr));
  EXPECT_EQ(noOption.Call(), XLX_ERR_ARGUMENT);

  InfoRequest req(SmallWorkbook());
  req.SetPage(2);
  ASSERT_EQ(req.Call(), XLX_OK);
  // Page 2 is sheet 2 in sheet-per-page mode: 110 x 210 px, rows padded to 4 bytes.
  _FILEINFO& fi = req.info();
  EXPECT_EQ((std::vector<uint64_t>{fi.uTotalPages, fi.uPageNumber, fi.uFormat, fi.uWidth, fi.uHeight, fi.uBitsPerPixel,
                                   fi.uField1100, fi.uSizeMem, fi.uXResolution, fi.uHasVectorSize, fi.uVectorUnit}),
            (std::vector<uint64_t>{3, 2, 351, 110, 210, 24, 1, 332 * 210, 96, 1, 1}));
  EXPECT_DOUBLE_EQ(double{fi.dVectorWidth}, 8.5);
  // The physical size only goes into a record large enough to hold it.
  for (uint32_t size : {2188u, 2189u}) {
    InfoRequest sized(SmallWorkbook());
    sized.info().uStructSize = size;
    ASSERT_EQ(sized.Call(), XLX_OK);
    EXPECT_EQ(sized.info().uHasVectorSize, size > 2188 ? 1u : 0u) << size;
    EXPECT_EQ(double{sized.info().dVectorWidth}, size > 2188 ? 8.5 : 0.0) << size;
  }
}

TEST_F(DriverTest, PageNumbersAreRewrittenAndClamped) {
  const struct {
    int32_t requested;
    uint32_t flags;
    int32_t pageAfter;      // the host's record after the call
    uint32_t reportedPage;  // _FILEINFO page number
    uint32_t width;         // of the page that was measured
  } cases[] = {
      {0, 0, 1, 1, 100},          {-5, 0, 1, 1, 100},
      {32000, 0, 32000, 3, 100},  // sizes page 1, reports the last page
      {3, 0x01, 3, 3, 111},       // layout mode: page 3 is sheet 2's second page
      {5, 0x01, 5, 5, 120},       {6, 0x01, 6, 6, 121},
      {99, 0x01, 99, 6, 121},     // clamped to the last page
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requested);
    InfoRequest req(SmallWorkbook());
    req.SetPage(c.requested);
    req.SetFlags(c.flags);
    ASSERT_EQ(req.Call(), XLX_OK);
    EXPECT_EQ(std::make_tuple(req.Page(), uint32_t{req.info().uPageNumber}, uint32_t{req.info().uWidth}),
              std::make_tuple(c.pageAfter, c.reportedPage, c.width));
  }
}

TEST_F(DriverTest, SizeModesAndMarginsShapeTheReportedPage) {
  const struct {
    const char* what;
    uint32_t flags;
    double w, h, l, t, r, b;
    uint32_t unit, dpi, mode, screen;
    int32_t result;
    uint32_t width, height, resolution;  // 0: not checked
  } cases[] = {
      // A size mode without layout options reports the paper at the resolution, truncated.
      {"210 x 297 mm at 100 dpi", 0, 210, 297, 0, 0, 0, 0, 2, 100, 3, 96, XLX_OK, 826, 1169, 100},
      {"layout margins around the page", 0x01 | 0x20, 8.5, 11, 0.5, 0.25, 0.5, 0.25, 1, 96, 1, 96, XLX_OK, 196, 248, 0},
      {"margins as wide as the page", 0x01, 8.5, 11, 4.25, 0, 4.25, 0, 1, 96, 1, 96, XLX_OK, 0, 0, 0},
      {"margins wider than the page", 0, 8.5, 11, 4.25, 0, 5.25, 0, 1, 96, 1, 96, XLX_ERR_ARGUMENT, 0, 0, 0},
      {"margins taller than the page", 0, 8.5, 11, 0, 6, 0, 5.01, 1, 96, 1, 96, XLX_ERR_ARGUMENT, 0, 0, 0},
      // No resolution: both axes take the host's horizontal screen resolution, else 96.
      {"screen resolution", 0, 8.5, 11, 0, 0, 0, 0, 1, 0, 1, 120, XLX_OK, 1020, 0, 120},
      {"no screen resolution", 0, 8.5, 11, 0, 0, 0, 0, 1, 0, 1, 0, XLX_OK, 0, 0, 96},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VkSetScreenResolution(c.screen, 0);
    InfoRequest req(SmallWorkbook());
    req.SetFlags(c.flags);
    req.SetOptions(c.w, c.h, c.l, c.t, c.r, c.b, c.unit, c.dpi, c.dpi, c.mode);
    ASSERT_EQ(req.Call(), c.result);
    const _FILEINFO& fi = req.info();
    EXPECT_EQ((std::vector<uint32_t>{c.width ? fi.uWidth : 0u, c.height ? fi.uHeight : 0u,
                                     c.resolution ? fi.uXResolution : 0u, c.resolution ? fi.uYResolution : 0u}),
              (std::vector<uint32_t>{c.width, c.height, c.resolution, c.resolution}));
  }
}

TEST_F(DriverTest, ProgressAndParseFailuresComeBackUnchanged) {
  ProgressCallback progress{};
  progress.pfnProgress = Progress;
  progress.uUser = 7;
  for (int32_t answer : {0, -77, 5}) {
    g_progressAnswer = answer;
    InfoRequest req(SmallWorkbook());
    req.Put(1380, &progress);
    EXPECT_EQ(req.Call(), answer);
  }
  g_progressAnswer = 1;
  ProgressCallback empty{};
  InfoRequest nullFunction(SmallWorkbook());
  nullFunction.Put(1380, &empty);
  EXPECT_EQ(nullFunction.Call(), XLX_OK);

  // A failed parse leaves nothing in the holder; a throwing one becomes a format error.
  FilterDataHolder holder{};
  g_fake.parseResult = -42;
  InfoRequest failing(SmallWorkbook());
  failing.Put(28, &holder);
  EXPECT_EQ(failing.Call(), -42);
  EXPECT_EQ(static_cast<void*>(holder.pData), nullptr);
  g_fake.parseResult = XLX_OK;
  g_fake.throwInParse = true;
  EXPECT_EQ(InfoRequest(SmallWorkbook()).Call(), XLX_ERR_FORMAT);
}

TEST_F(DriverTest, RealStepsRefuseFilesThatAreNotPackages) {
  SetDocumentStepsForTesting(nullptr);
  EXPECT_EQ(InfoRequest({}).Call(), XLX_ERR_READ) << "an empty file cannot give 8 bytes";
  EXPECT_EQ(InfoRequest(std::vector<unsigned char>(100, 'x')).Call(), XLX_ERR_FORMAT);
  std::vector<unsigned char> zip = SmallWorkbook();
  EXPECT_EQ(InfoRequest(std::vector<unsigned char>(zip.begin(), zip.begin() + 40)).Call(), XLX_ERR_FORMAT);
  EXPECT_EQ(InfoRequest(xlxtest::BuildZip({{"a.xml", "<a/>"}})).Call(), XLX_ERR_FORMAT) << "no workbook part";
  std::vector<unsigned char> cfb(512, 0);
  const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(cfb.data(), sig, 8);
  EXPECT_EQ(InfoRequest(cfb).Call(), XLX_ERR_READ) << "a compound file that cannot be opened";
}

TEST_F(DriverTest, LoadDeliversEveryRowWithItsFlags) {
  InfoRequest file(SmallWorkbook());
  LoadRequest load(file.path16(), 5, 3);
  ASSERT_EQ(load.Call(), XLX_OK);
  // The drawn page is what is delivered (its first byte marked).
  EXPECT_EQ(std::make_tuple(load.delivered().flags, load.delivered().rows, load.delivered().firstByte, g_fake.parses),
            std::make_tuple(std::vector<uint32_t>{7, 3, 11}, std::vector<int32_t>{0, 1, 2}, uint8_t(0x12), 1));
  LoadRequest one(file.path16(), 4, 1);
  ASSERT_EQ(one.Call(), XLX_OK);
  EXPECT_EQ(one.delivered().flags, (std::vector<uint32_t>{15}));

  LoadRequest stopped(file.path16(), 4, 10);
  stopped.delivered().stopAfter = 2;
  stopped.delivered().answer = -3;
  EXPECT_EQ(stopped.Call(), -3);
  EXPECT_EQ(stopped.delivered().rows.size(), 3u);
  LoadRequest header(file.path16(), 4, 10);
  header.Put(2360, uint64_t{1});
  EXPECT_EQ(header.Call(), XLX_OK);
  EXPECT_TRUE(header.delivered().rows.empty());

  // A requested size smaller than the template on both axes replaces it; 0 leaves it.
  LoadRequest smaller(file.path16(), 40, 30);
  smaller.Put(2644, uint32_t{8});
  smaller.Put(2648, uint32_t{2});
  ASSERT_EQ(smaller.Call(), XLX_OK);
  EXPECT_EQ(smaller.delivered().rows.size(), 2u);
  LoadRequest widthOnly(file.path16(), 40, 30);
  widthOnly.Put(2648, uint32_t{2});
  ASSERT_EQ(widthOnly.Call(), XLX_OK);
  EXPECT_EQ(widthOnly.delivered().rows.size(), 30u);
}

TEST_F(DriverTest, LoadFindsTheSheetAndPageAndHandlesFailures) {
  InfoRequest file(SmallWorkbook());
  const struct {
    int32_t page;
    uint32_t flags;
    int sheet, pageInSheet;
    int32_t pageAfter;
  } cases[] = {{0, 0, 0, 0, 1}, {2, 0, 1, 0, 2}, {9, 0, 2, 0, 9}, {4, 1, 1, 2, 4}, {6, 1, 2, 1, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    LoadRequest load(file.path16(), 4, 2);
    load.option().nPageNumber = c.page;
    load.Put(2164, c.flags);
    ASSERT_EQ(load.Call(), XLX_OK);
    EXPECT_EQ(std::make_tuple(g_fake.lastSheet, g_fake.lastPage, load.option().nPageNumber),
              std::make_tuple(c.sheet, c.pageInSheet, c.pageAfter));
  }
  EXPECT_EQ(LoadRequest(u"/nonexistent/file.xlsx", 4, 2).Call(), XLX_ERR_OPEN);
  g_fake.throwInDraw = true;
  EXPECT_EQ(LoadRequest(file.path16(), 4, 2).Call(), XLX_ERR_FORMAT);
  g_fake.throwInDraw = false;
  LoadRequest margins(file.path16(), 4, 2);
  margins.Put(2168 + 20, 5.0);
  margins.Put(2168 + 36, 5.0);
  EXPECT_EQ(margins.Call(), XLX_ERR_ARGUMENT);
}

TEST_F(DriverTest, CachedParseIsReusedUntilTheOptionsChange) {
  FilterDataHolder holder{};
  InfoRequest info(SmallWorkbook());
  info.Put(28, &holder);
  ASSERT_EQ(info.Call(), XLX_OK);
  ASSERT_NE(static_cast<void*>(holder.pData), nullptr) << "the info call hands its parse to the holder";
  // Same options: the second info call and the loads draw from the stored parse.
  ASSERT_EQ(info.Call(), XLX_OK);
  for (int32_t page : {1, 2, 3}) {
    LoadRequest load(info.path16(), 4, 2);
    load.Put(80, &holder);
    load.option().nPageNumber = page;
    ASSERT_EQ(load.Call(), XLX_OK);
    EXPECT_EQ(g_fake.lastSheet, page - 1);
  }
  EXPECT_EQ(g_fake.parses, 1);
  // Another options block: the load parses privately and leaves the cache as it was.
  LoadRequest other(info.path16(), 4, 2);
  other.Put(80, &holder);
  other.Put(2168 + 56, uint32_t{200});
  LoadRequest again(info.path16(), 4, 2);
  again.Put(80, &holder);
  ASSERT_EQ(other.Call(), XLX_OK);
  ASSERT_EQ(again.Call(), XLX_OK);
  EXPECT_EQ(g_fake.parses, 2);
  // An info call with other flags resets the cache and parses again.
  info.SetFlags(0x01);
  ASSERT_EQ(info.Call(), XLX_OK);
  EXPECT_EQ(std::make_tuple(g_fake.parses, uint32_t{info.info().uTotalPages}), std::make_tuple(3, 6u));
  EXPECT_EQ(fltFreeData(holder.pData, 0), XLX_OK);
}

// Page counts and sizes of real workbooks under the default and the paginated options, pinned
// in corpus_info_expected.txt. XLX_UPDATE_EXPECTED=1 rewrites the file from the current results.
TEST_F(DriverTest, CorpusPageCountsAndSizesStayAsPinned) {
  SetDocumentStepsForTesting(nullptr);
  if (xlxtest::CorpusFiles("xlsx").empty()) GTEST_SKIP() << "no corpus";
  const char* files[] = {"xlsx/edr__CollapsedHide.xlsx",        "xlsx/edr__Test_BigFormatted.xlsx",
                         "xlsx/edr__Test_Excel_Dataset.xlsx",   "xlsx/edr__Test_LotsOfSheets.xlsx",
                         "xlsx/edr__TestUnicodeChars.xlsx",     "xlsx/ewx__format04.xlsx",
                         "xlsx/phpss__ColourScale.xlsx",        "xlsx/calamine__pivots.xlsx",
                         "xlsx/edr__Test_git_issue_629.xlsx",   "xlsx/phpss__BasicConditionalFormatting.xlsx"};
  std::string actual;
  for (const char* name : files) {
    for (uint32_t flags : {0u, 1u}) {
      // One holder per file and options: the page calls reuse the first call's parse.
      FilterDataHolder holder{};
      InfoRequest req(xlxtest::ReadWholeFile(xlxtest::CorpusDir() + "/" + name));
      req.SetFlags(flags);
      req.Put(28, &holder);
      const int32_t r = req.Call();
      actual += std::string(name) + (flags ? " paginated" : " default") + ": " + std::to_string(r);
      if (r == XLX_OK) {
        const uint32_t pages = req.info().uTotalPages;
        actual += " pages " + std::to_string(pages) + " sizes";
        for (uint32_t p = 1; p <= pages && p <= 12; ++p) {
          req.SetPage(static_cast<int32_t>(p));
          req.Call();
          actual += " " + std::to_string(req.info().uWidth) + "x" + std::to_string(req.info().uHeight);
        }
      }
      if (holder.pData) fltFreeData(holder.pData, 0);
      actual += "\n";
    }
  }
  const std::string path = xlxtest::SourceDir() + "/tests/filter/corpus_info_expected.txt";
  if (getenv("XLX_UPDATE_EXPECTED")) {
    FILE* f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs(actual.c_str(), f);
    fclose(f);
  }
  const std::vector<unsigned char> expected = xlxtest::ReadWholeFile(path);
  EXPECT_EQ(actual, std::string(expected.begin(), expected.end()));
}

TEST(ExportsTest, LibraryExportsExactlyTheFiveEntryPoints) {
  const std::string lib = std::string(XLX_BINARY_DIR) + "/libxlxfilter.so";
  FILE* pipe = popen(("nm -D --defined-only " + lib + " | awk '{print $3}'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[512];
  while (fgets(line, sizeof line, pipe)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    if (!s.empty()) symbols.insert(s);
  }
  pclose(pipe);
  EXPECT_EQ(symbols, (std::set<std::string>{"fltInfo", "fltLoad", "fltFreeData", "fltReadFileMetaDataItems", "VELK_Load"}));
  void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto velk = reinterpret_cast<int32_t (*)(void*, void*, void*, void*)>(dlsym(handle, "VELK_Load"));
  ASSERT_NE(velk, nullptr);
  EXPECT_EQ(velk(nullptr, nullptr, nullptr, nullptr), 1) << "forwards to the host's generic load";
  dlclose(handle);
}

}  // namespace
