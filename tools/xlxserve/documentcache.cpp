#include "documentcache.h"

#include <malloc.h>

#include <algorithm>

#include "common/resultcodes.h"

size_t ViewCost(size_t fileBytes) { return std::max(kMinimumViewBytes, fileBytes * kViewBytesPerFileByte); }

namespace {
// Bytes the allocator has handed out, in every arena and in mapped blocks.
size_t HeapBytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
}  // namespace

int32_t OpenCounted(OpenedWorkbook* view, std::shared_ptr<MemoryFile> file, const RenderOptions& options,
                    std::string* error, size_t* cost) {
  const size_t fileBytes = file->size();
  const size_t before = HeapBytesInUse();
  const int32_t r = view->Open(std::move(file), options, error);
  const size_t after = HeapBytesInUse();
  *cost = std::max(ViewCost(fileBytes), after > before ? after - before : 0);
  return r;
}

std::shared_ptr<StoredDocument> DocumentCache::Find(const std::string& id) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = slots_.find(id);
  if (it == slots_.end()) {
    ++misses_;
    return nullptr;
  }
  ++hits_;
  ages_.splice(ages_.begin(), ages_, it->second.age);
  return it->second.document;
}

bool DocumentCache::Put(std::shared_ptr<StoredDocument> document, size_t cost) {
  std::lock_guard<std::mutex> guard(lock_);
  if (cost > capacity_) return false;
  const std::string id = document->id;
  auto it = slots_.find(id);
  if (it != slots_.end()) {
    bytes_ -= it->second.cost;
    ages_.erase(it->second.age);
    slots_.erase(it);
  }
  ages_.push_front(id);
  slots_[id] = Slot{std::move(document), cost, ages_.begin()};
  bytes_ += cost;
  EvictBeyondBudget(id);
  return true;
}

// With the lock held: drops the oldest documents but `keep` until the budget holds.
void DocumentCache::EvictBeyondBudget(const std::string& keep) {
  auto age = ages_.end();
  while (bytes_ > capacity_ && age != ages_.begin()) {
    --age;
    if (*age == keep) continue;
    auto it = slots_.find(*age);
    bytes_ -= it->second.cost;
    slots_.erase(it);
    age = ages_.erase(age);
    ++evictions_;
  }
}

void DocumentCache::AddCost(const std::string& id, size_t extra) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = slots_.find(id);
  if (it == slots_.end()) return;  // removed meanwhile: nothing to count
  it->second.cost += extra;
  bytes_ += extra;
  EvictBeyondBudget(id);
}

int32_t DocumentCache::View(const std::shared_ptr<StoredDocument>& document, uint32_t dpi,
                            std::shared_ptr<OpenedWorkbook>* view, std::string* error) {
  std::lock_guard<std::mutex> guard(document->viewsLock);
  auto it = document->views.find(dpi);
  if (it != document->views.end()) {
    *view = it->second;
    return XLX_OK;
  }
  RenderOptions options = document->options;
  options.dpi = dpi;
  auto opened = std::make_shared<OpenedWorkbook>();
  size_t cost = 0;
  const int32_t r = OpenCounted(opened.get(), document->file, options, error, &cost);
  if (r != XLX_OK) return r;
  document->views[dpi] = opened;
  *view = opened;
  AddCost(document->id, cost);
  return XLX_OK;
}

bool DocumentCache::Remove(const std::string& id) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = slots_.find(id);
  if (it == slots_.end()) return false;
  bytes_ -= it->second.cost;
  ages_.erase(it->second.age);
  slots_.erase(it);
  return true;
}

size_t DocumentCache::bytes() const {
  std::lock_guard<std::mutex> guard(lock_);
  return bytes_;
}
size_t DocumentCache::count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return slots_.size();
}
uint64_t DocumentCache::hits() const {
  std::lock_guard<std::mutex> guard(lock_);
  return hits_;
}
uint64_t DocumentCache::misses() const {
  std::lock_guard<std::mutex> guard(lock_);
  return misses_;
}
uint64_t DocumentCache::evictions() const {
  std::lock_guard<std::mutex> guard(lock_);
  return evictions_;
}
