// Host allocator: zeroed blocks with a small header that records the caller, so that debug
// builds (or VK_LEAK_REPORT=1) can list every block still alive.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include "host/kernel/vkkrnx.h"

namespace {

struct BlockHeader {
  BlockHeader* prev;
  BlockHeader* next;
  size_t size;
  const char* file;
  int line;
  uint32_t magic;
  uint64_t pad;
};
static_assert(sizeof(BlockHeader) % 16 == 0, "keep blocks 16-byte aligned");

constexpr uint32_t kMagicLive = 0x4B4C4256;  // "VBLK"
constexpr uint32_t kMagicFreed = 0x44455246;

std::mutex g_listLock;
BlockHeader g_list = {&g_list, &g_list, 0, nullptr, 0, 0, 0};
std::atomic<size_t> g_live{0};
std::atomic<long long> g_budget{-1};

bool TakeFromBudget() {
  long long budget = g_budget.load();
  while (budget >= 0) {
    if (budget == 0) return false;
    if (g_budget.compare_exchange_weak(budget, budget - 1)) return true;
  }
  return true;
}

void Link(BlockHeader* h) {
  std::lock_guard<std::mutex> guard(g_listLock);
  h->next = g_list.next;
  h->prev = &g_list;
  g_list.next->prev = h;
  g_list.next = h;
}

void Unlink(BlockHeader* h) {
  std::lock_guard<std::mutex> guard(g_listLock);
  h->prev->next = h->next;
  h->next->prev = h->prev;
}

BlockHeader* HeaderOf(void* block) { return static_cast<BlockHeader*>(block) - 1; }

}  // namespace

VK_API void* VkAllocate(size_t count, size_t size, int line, const char* file) {
  if (size != 0 && count > (SIZE_MAX - sizeof(BlockHeader)) / size) return nullptr;
  size_t bytes = count * size;
  if (!TakeFromBudget()) return nullptr;
  auto* h = static_cast<BlockHeader*>(std::calloc(1, sizeof(BlockHeader) + (bytes ? bytes : 1)));
  if (!h) return nullptr;
  h->size = bytes;
  h->file = file;
  h->line = line;
  h->magic = kMagicLive;
  Link(h);
  g_live.fetch_add(1);
  return h + 1;
}

VK_API void* VkReallocate(void* block, size_t size, int line, const char* file) {
  if (!block) return VkAllocate(1, size, line, file);
  if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
  BlockHeader* old = HeaderOf(block);
  if (old->magic != kMagicLive) std::abort();
  if (!TakeFromBudget()) return nullptr;
  Unlink(old);
  auto* h = static_cast<BlockHeader*>(std::realloc(old, sizeof(BlockHeader) + (size ? size : 1)));
  if (!h) {
    Link(old);
    return nullptr;
  }
  h->size = size;
  h->file = file;
  h->line = line;
  Link(h);
  return h + 1;
}

VK_API void VkFree(void* block, int, const char*) {
  if (!block) return;
  BlockHeader* h = HeaderOf(block);
  if (h->magic != kMagicLive) std::abort();  // double free or foreign pointer
  h->magic = kMagicFreed;
  Unlink(h);
  g_live.fetch_sub(1);
  std::free(h);
}

VK_API size_t VkLiveAllocations(void) { return g_live.load(); }

VK_API void VkSetAllocationBudget(long long budget) { g_budget.store(budget < 0 ? -1 : budget); }

VK_API void VkReportLeaks(void) {
  std::lock_guard<std::mutex> guard(g_listLock);
  size_t shown = 0;
  for (BlockHeader* h = g_list.next; h != &g_list && shown < 50; h = h->next, ++shown)
    std::fprintf(stderr, "xlxhost: leaked %zu bytes allocated at %s:%d\n", h->size, h->file ? h->file : "?", h->line);
}

namespace {
// Debug builds list what is still alive when the process ends.
struct LeakReporter {
  ~LeakReporter() {
#ifdef NDEBUG
    const char* env = std::getenv("VK_LEAK_REPORT");
    if (!env || env[0] != '1') return;
#endif
    if (g_live.load() != 0) VkReportLeaks();
  }
} g_leakReporter;
}  // namespace
