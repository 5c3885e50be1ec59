// The cache object: what reset and destruction keep and release (the stored parse, the drawing
// object, the temporary decrypted package), and its lock guarding a refresh while loads read it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <vector>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "filter/workbookcache.h"
#include "host/kernel/vkkrnx.h"

namespace {

using namespace xlx;

// Stand-ins for the parse and the drawing object; the release functions count their calls.
struct FakeParse {
  uint32_t pages;
  uint32_t generation;
};
std::atomic<int> g_parsesFreed{0}, g_drawingsDestroyed{0};
void FreeFakeParse(void* p) {
  ++g_parsesFreed;
  delete static_cast<FakeParse*>(p);
}
void DestroyFakeDrawing(void*) { ++g_drawingsDestroyed; }
int g_drawingObject;

_RASTERIZEDOCOPTIONS Options(double pageWidth, uint32_t dpi) {
  _RASTERIZEDOCOPTIONS o;
  std::memset(&o, 0, sizeof o);
  o.uStructSize = 68;
  o.dPageWidth = pageWidth;
  o.dPageHeight = 11;
  o.uUnit = 1;
  o.uXResolution = o.uYResolution = dpi;
  o.uSizeMode = 1;
  return o;
}

bool FileExists(const char16_t* path) {
  struct stat st;
  return stat(Utf16ToUtf8(path).c_str(), &st) == 0;
}

// Gives the cache a real temporary package, as a decryption would.
void AttachTempPackage(WorkbookCache* cache) {
  int64_t handle = -1;
  ASSERT_EQ(VkCreateTempFile(u"xlsx", cache->decryptedPath, kCachePathUnits, &handle), 1);
  VkCloseFile(handle);
  cache->decryptedPathInUse = 1;
}

class Cache : public ::testing::Test {
 protected:
  void SetUp() override {
    g_parsesFreed = 0;
    g_drawingsDestroyed = 0;
    options_ = Options(8.5, 96);
    ASSERT_EQ(CreateCache(&cache_, &options_, 0x41), 1);
  }
  void TearDown() override { DestroyCache(cache_); }
  void StoreParse(uint32_t pages) {
    KeepParseResults(cache_, new FakeParse{pages, 0}, FreeFakeParse, &g_drawingObject, DestroyFakeDrawing, pages, 351);
  }
  _RASTERIZEDOCOPTIONS options_;
  WorkbookCache* cache_ = nullptr;
};

TEST_F(Cache, ResetReleasesTheStoredParseOnceAndTakesTheNewRequest) {
  StoreParse(12);
  cache_->secondEngineDeclined = 1;
  StoreParse(7);  // replacing a parse frees the earlier one
  EXPECT_EQ(std::make_tuple(int(g_parsesFreed), int(g_drawingsDestroyed)), std::make_tuple(1, 1));

  _RASTERIZEDOCOPTIONS other = Options(11, 150);
  EXPECT_EQ(ResetCache(cache_, &other, 0x02), 1);
  EXPECT_EQ(std::make_tuple(int(g_parsesFreed), int(g_drawingsDestroyed), cache_->results, cache_->drawingObject),
            std::make_tuple(2, 2, nullptr, nullptr));
  EXPECT_EQ(std::make_tuple(cache_->totalPages, cache_->flags, cache_->secondEngineDeclined, IsWorkbookCache(cache_)),
            std::make_tuple(0u, 0x02u, 1u, true));
  EXPECT_EQ(std::memcmp(&cache_->options, &other, 68), 0);

  EXPECT_EQ(ResetCache(cache_, &other, 0x02), 1);  // nothing stored: nothing released twice
  EXPECT_EQ(g_parsesFreed, 2);

  // Someone else's data in a holder is never touched.
  uint32_t foreign[4] = {0x544C4D4Cu, 1, 2, 3};
  EXPECT_FALSE(IsWorkbookCache(foreign));
  EXPECT_EQ(ResetCache(reinterpret_cast<WorkbookCache*>(foreign), &other, 0), 1);
  EXPECT_EQ(DestroyCache(reinterpret_cast<WorkbookCache*>(foreign)), 1);
  EXPECT_EQ(foreign[1], 1u);
  EXPECT_EQ(ResetCache(nullptr, &other, 0), 1);
}

TEST_F(Cache, TheTemporaryPackageIsDeletedByResetUnlessSetAsideAndByDestroy) {
  ASSERT_NO_FATAL_FAILURE(AttachTempPackage(cache_));
  std::u16string path = cache_->decryptedPath;
  ASSERT_TRUE(FileExists(path.c_str()));

  // A refresh of a still-encrypted file keeps its package: clear the flag, reset, restore.
  cache_->decryptedPathInUse = 0;
  EXPECT_EQ(ResetCache(cache_, &options_, 0), 1);
  EXPECT_EQ(std::make_tuple(FileExists(path.c_str()), std::u16string(cache_->decryptedPath)), std::make_tuple(true, path));
  cache_->decryptedPathInUse = 1;
  EXPECT_EQ(ResetCache(cache_, &options_, 0), 1);
  EXPECT_EQ(std::make_tuple(FileExists(path.c_str()), cache_->decryptedPathInUse), std::make_tuple(false, 0u));

  ASSERT_NO_FATAL_FAILURE(AttachTempPackage(cache_));
  path = cache_->decryptedPath;
  StoreParse(3);
  EXPECT_EQ(DestroyCache(cache_), 1);
  cache_ = nullptr;
  EXPECT_EQ(std::make_tuple(FileExists(path.c_str()), int(g_parsesFreed), int(g_drawingsDestroyed)), std::make_tuple(false, 1, 1));
  EXPECT_EQ(DestroyCache(nullptr), 1);
}

// Loads read the stored parse under the read lock while refreshes reset and refill it under the
// write lock: every load sees a whole parse (pages match its generation), never a half-made one.
TEST_F(Cache, LoadsAndRefreshesSharingTheLockSeeWholeParses) {
  StoreParse(1);
  std::atomic<int> torn{0}, loads{0};
  std::atomic<bool> stop{false};
  auto load = [&] {
    while (!stop) {
      ASSERT_EQ(cache_->lock.AcquireRead(), 1);
      auto* parse = static_cast<FakeParse*>(cache_->results);
      if (!parse || parse->pages != cache_->totalPages || parse->generation + 1 != parse->pages) ++torn;
      ++loads;
      cache_->lock.ReleaseRead();
    }
  };
  std::vector<std::thread> loaders;
  for (int i = 0; i < 3; ++i) loaders.emplace_back(load);
  // Each refresh waits for at least one more load, so loads and refreshes really interleave
  // even when the machine is busy and the loader threads start late.
  auto awaitLoad = [&](int seen) {
    while (loads.load() <= seen) std::this_thread::yield();
  };
  for (uint32_t g = 1; g <= 50; ++g) {
    awaitLoad(loads.load());
    ASSERT_EQ(cache_->lock.AcquireRead(), 1);  // compare, then upgrade to refresh
    int32_t write = cache_->lock.AcquireWrite();
    ASSERT_EQ(write, 1);
    ResetCache(cache_, &options_, g);
    KeepParseResults(cache_, new FakeParse{g + 1, g}, FreeFakeParse, nullptr, nullptr, g + 1, 351);
    cache_->lock.ReleaseWrite();
    cache_->lock.ReleaseRead();
    std::this_thread::yield();
  }
  stop = true;
  for (auto& t : loaders) t.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(loads.load(), 0);
  EXPECT_EQ(g_parsesFreed, 50);
}

}  // namespace
