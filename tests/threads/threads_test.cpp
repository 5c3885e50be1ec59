// Pages drawn on several threads at once equal the pages drawn one after another: threads that
// share one parse (pages of one workbook from one filter-data holder) and threads that each parse
// their own workbook (the batch mode). Built under ThreadSanitizer by ./test, so a race in the
// filter, the drawing layer, the font and text code or the image cache is reported here.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <cstring>
#include <thread>
#include <vector>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "tests/support/hostcalls.h"
#include "tests/support/testsupport.h"

namespace {

// What a page drew: its size and an FNV-1a hash of every delivered row.
struct PageDigest {
  uint32_t width = 0, height = 0;
  uint64_t hash = 1469598103934665603ull;
  int32_t rows = 0, result = 0;
  bool operator==(const PageDigest& o) const {
    return width == o.width && height == o.height && hash == o.hash && rows == o.rows && result == o.result;
  }
};

int32_t HashRow(_FILEINFO*, _BITMAPHANDLE* bitmap, const uint8_t* row, uint32_t, int32_t, int32_t, uint64_t user) {
  auto* d = reinterpret_cast<PageDigest*>(user);
  for (uint32_t i = 0; i < d->width * 3; ++i) d->hash = (d->hash ^ row[i]) * 1099511628211ull;
  ++d->rows;
  return 1;
}

// One workbook opened by the host: the page sizes and, once loaded, a holder threads may share.
struct Book {
  std::string path;
  std::u16string path16;
  FilterDataHolder holder{};
  std::vector<PageDigest> reference;  // page i + 1, drawn on the main thread
  ~Book() {
    if (holder.pData) fltFreeData(holder.pData, 0);
  }
};

template <typename Dispatch>
void Fill(Dispatch* d, Book* book, FilterDataHolder* holder, _FILEINFO* info, _LOADFILEOPTION* option) {
  d->pszFileName = book->path16.c_str();
  d->pFileInfo = info;
  d->pFilterData = holder;
  d->pLoadFileOption = option;
  d->dispatchXlxFlags = 0x81;  // printed pages
  std::memset(&d->dispatchRasterizeDocOptions, 0, sizeof d->dispatchRasterizeDocOptions);
  d->dispatchRasterizeDocOptions.uStructSize = sizeof d->dispatchRasterizeDocOptions;
  d->dispatchRasterizeDocOptions.dPageWidth = 8.5;
  d->dispatchRasterizeDocOptions.dPageHeight = 11;
  d->dispatchRasterizeDocOptions.uUnit = 1;
  d->dispatchRasterizeDocOptions.uXResolution = d->dispatchRasterizeDocOptions.uYResolution = 96;
  d->dispatchRasterizeDocOptions.uSizeMode = 1;
  d->pfnUnitConverter = xlxtest::HostToInches;
}

int32_t Info(Book* book, FilterDataHolder* holder, int32_t page, _FILEINFO* info) {
  std::memset(info, 0, sizeof *info);
  info->uStructSize = sizeof *info;
  _LOADFILEOPTION option{};
  option.nPageNumber = page;
  _INFODISPATCH d;
  std::memset(&d, 0, sizeof d);
  d.hFile = VkOpenFile(book->path16.c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (d.hFile == -1) return -10;
  Fill(&d, book, holder, info, &option);
  const int32_t r = fltInfo(&d);
  VkCloseFile(d.hFile);
  return r;
}

PageDigest Load(Book* book, FilterDataHolder* holder, int32_t page, uint32_t width, uint32_t height) {
  PageDigest digest;
  digest.width = width, digest.height = height;
  _BITMAPHANDLE bitmap{};
  bitmap.uStructSize = sizeof bitmap;
  bitmap.uWidth = width, bitmap.uHeight = height, bitmap.uBitsPerPixel = 24;
  bitmap.uXResolution = bitmap.uYResolution = 96;
  _LOADFILEOPTION option{};
  option.nPageNumber = page;
  _FILEINFO info{};
  info.uStructSize = sizeof info;
  _LOADDISPATCH d;
  std::memset(&d, 0, sizeof d);
  d.pBitmap = &bitmap;
  d.pfnRowDelivery = HashRow;
  d.uRowDeliveryUser = reinterpret_cast<uint64_t>(&digest);
  Fill(&d, book, holder, &info, &option);
  digest.result = fltLoad(&d);
  return digest;
}

// A page drawn with a parse of its own: info and load on a fresh holder.
PageDigest OwnParse(Book* book, int32_t page) {
  FilterDataHolder holder{};
  _FILEINFO info;
  PageDigest digest;
  digest.result = Info(book, &holder, page, &info);
  if (digest.result == 1) digest = Load(book, &holder, page, info.uWidth, info.uHeight);
  if (holder.pData) fltFreeData(holder.pData, 0);
  return digest;
}

TEST(Threads, PagesDrawnInParallelEqualPagesDrawnInTurn) {
  // Text, pictures, a chart and shapes; corpus files are used when the corpus is there.
  std::vector<std::string> paths = {xlxtest::SourceDir() + "/examples/showcase.xlsx",
                                    xlxtest::SourceDir() + "/tests/fixtures/render/pictures.xlsx",
                                    xlxtest::SourceDir() + "/tests/fixtures/render/text.xlsx"};
  for (const char* name : {"xlsxwriter__chart_bar11.xlsx", "xlsxwriter__textbox27.xlsx", "ewx__shape_stencil01.xlsx"}) {
    const std::string p = xlxtest::CorpusDir() + "/xlsx/" + name;
    if (!xlxtest::ReadWholeFile(p).empty()) paths.push_back(p);
  }
  std::vector<std::unique_ptr<Book>> books;
  struct Task {
    Book* book;
    int32_t page;
  };
  std::vector<Task> tasks;
  for (const std::string& p : paths) {
    auto book = std::make_unique<Book>();
    book->path = p, book->path16 = xlxtest::U16(p);
    _FILEINFO first;
    ASSERT_EQ(Info(book.get(), &book->holder, 1, &first), 1) << p;
    const int32_t pages = std::min<int32_t>(static_cast<int32_t>(first.uTotalPages), 6);
    for (int32_t page = 1; page <= pages; ++page) {
      _FILEINFO info;
      ASSERT_EQ(Info(book.get(), &book->holder, page, &info), 1) << p << " page " << page;
      book->reference.push_back(Load(book.get(), &book->holder, page, info.uWidth, info.uHeight));
      ASSERT_EQ(book->reference.back().result, 1) << p << " page " << page;
      ASSERT_EQ(book->reference.back().rows, static_cast<int32_t>(info.uHeight));
      tasks.push_back({book.get(), page});
    }
    books.push_back(std::move(book));
  }
  const struct {
    const char* name;
    bool sharedParse;
  } modes[] = {{"threads share each workbook's parse", true}, {"each page parsed on its own thread", false}};
  for (const auto& mode : modes) {
    SCOPED_TRACE(mode.name);
    std::vector<PageDigest> drawn(tasks.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
      for (size_t i = next++; i < tasks.size(); i = next++) {
        const Task& t = tasks[i];
        const PageDigest& ref = t.book->reference[t.page - 1];
        drawn[i] = mode.sharedParse ? Load(t.book, &t.book->holder, t.page, ref.width, ref.height)
                                    : OwnParse(t.book, t.page);
      }
    };
    std::vector<std::thread> pool;
    for (int k = 0; k < 4; ++k) pool.emplace_back(work);
    for (std::thread& t : pool) t.join();
    for (size_t i = 0; i < tasks.size(); ++i)
      EXPECT_TRUE(drawn[i] == tasks[i].book->reference[tasks[i].page - 1])
          << tasks[i].book->path << " page " << tasks[i].page << ": result " << drawn[i].result;
  }
}

}  // namespace
