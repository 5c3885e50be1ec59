// Uploaded workbooks kept for a viewer under their content hash, each with its parsed views (one
// per resolution asked for), within a memory budget: the least recently used go first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "memoryworkbook.h"
#include "openedworkbook.h"

// The least an opened view is counted as, per byte of workbook and in all. A view counts what
// the heap grew by while it was opened, at least this: parses take from under 1 to over 100
// times their package's size (measured on the corpus), so a fixed factor would not do.
constexpr size_t kViewBytesPerFileByte = 4;
constexpr size_t kMinimumViewBytes = 1 << 20;

struct StoredDocument {
  std::string id;
  std::shared_ptr<MemoryFile> file;
  RenderOptions options;  // printed pages, the password that opened it
  std::string infoJson;
  int32_t pages = 0;
  std::mutex viewsLock;   // held while a view is looked up or opened
  std::map<uint32_t, std::shared_ptr<OpenedWorkbook>> views;  // by dpi
};

class DocumentCache {
 public:
  explicit DocumentCache(size_t capacityBytes) : capacity_(capacityBytes) {}
  // The document, made most recently used; null when unknown (or evicted).
  std::shared_ptr<StoredDocument> Find(const std::string& id);
  // Stores `document` counted as `cost` bytes (replacing one of the same id) and evicts the least
  // recently used others until the budget holds. A document larger than the whole budget is not
  // kept: false.
  bool Put(std::shared_ptr<StoredDocument> document, size_t cost);
  // The document's view at `dpi`, opened (and its memory counted) when missing. 1 or the filter's
  // result code with a message.
  int32_t View(const std::shared_ptr<StoredDocument>& document, uint32_t dpi,
               std::shared_ptr<OpenedWorkbook>* view, std::string* error);
  bool Remove(const std::string& id);
  size_t bytes() const;
  size_t count() const;
  uint64_t hits() const;
  uint64_t misses() const;
  uint64_t evictions() const;

 private:
  struct Slot {
    std::shared_ptr<StoredDocument> document;
    size_t cost;
    std::list<std::string>::iterator age;
  };
  void AddCost(const std::string& id, size_t extra);
  void EvictBeyondBudget(const std::string& keep);
  mutable std::mutex lock_;
  const size_t capacity_;
  size_t bytes_ = 0;
  uint64_t hits_ = 0, misses_ = 0, evictions_ = 0;
  std::list<std::string> ages_;  // most recently used first
  std::unordered_map<std::string, Slot> slots_;
};

// The least memory an opened view of a workbook of `fileBytes` bytes is counted as.
size_t ViewCost(size_t fileBytes);
// Opens `view` and tells what it costs: the heap's growth meanwhile (other threads' work
// included, so rather more than less), at least ViewCost. 1 or the filter's result code.
int32_t OpenCounted(OpenedWorkbook* view, std::shared_ptr<MemoryFile> file, const RenderOptions& options,
                    std::string* error, size_t* cost);
