#include <cstring>

#include "common/utf8.h"
#include "host/kernel/vkkrnx.h"
#include "model/richstring.h"

namespace xlx {

namespace {

constexpr size_t kFirstBlockBytes = 16 * 1024;
// Blocks double up to 1 MiB: a sheet of millions of cells leaves at most that much unused at the
// end of its last block.
constexpr size_t kLargestBlockBytes = 1024 * 1024;

inline size_t AlignUp(size_t n) { return (n + 7) & ~size_t(7); }

}  // namespace

struct TextArena::Block {
  Block* next;
  size_t bytes;  // usable bytes after the header
};

void* TextArena::Allocate(size_t bytes) { return Take(AlignUp(bytes == 0 ? 1 : bytes), 8); }

void* TextArena::AllocatePacked(size_t bytes) { return Take((bytes + 1) & ~size_t(1), 2); }

// `bytes` (a multiple of `alignment`, 2 or 8) from the current block, or from a new one.
void* TextArena::Take(size_t bytes, size_t alignment) {
  size_t pad = cursor_ ? size_t(-reinterpret_cast<uintptr_t>(cursor_)) & (alignment - 1) : 0;
  if (!cursor_ || bytes + pad > size_t(limit_ - cursor_)) {
    size_t size = held_ < kFirstBlockBytes ? kFirstBlockBytes : held_;
    if (size > kLargestBlockBytes) size = kLargestBlockBytes;
    if (size < bytes) size = AlignUp(bytes);
    if (bytes > kMaxArrayBytes) return nullptr;
    // VkAllocate zeroes the block, so every allocation starts zeroed.
    Block* block = static_cast<Block*>(VK_ALLOC(1, sizeof(Block) + size));
    if (!block) return nullptr;
    block->next = head_;
    block->bytes = size;
    head_ = block;
    cursor_ = reinterpret_cast<char*>(block + 1);
    limit_ = cursor_ + size;
    held_ += size;
    pad = 0;
  }
  void* result = cursor_ + pad;
  cursor_ += pad + bytes;
  used_ += pad + bytes;
  return result;
}

void TextArena::Shrink(void* block, size_t reserved, size_t kept) {
  char* start = static_cast<char*>(block);
  if (!start || kept >= reserved || start + reserved != cursor_) return;
  // Zeroed again: later allocations expect zeroed memory.
  memset(start + kept, 0, reserved - kept);
  cursor_ -= reserved - kept;
  used_ -= reserved - kept;
}

char16_t* TextArena::CopyUtf8(const char* text, size_t bytes, int32_t* length) {
  if (!text) bytes = 0;
  // One unit per byte at most, plus the terminator; the unused tail is handed back below when
  // this was the last allocation.
  if (bytes > (kMaxArrayBytes / 2) - 1) return nullptr;
  size_t reserve = AlignUp((bytes + 1) * sizeof(char16_t));
  char16_t* out = static_cast<char16_t*>(Allocate(reserve));
  if (!out) return nullptr;
  size_t units = DecodeUtf8(text, bytes, out);
  out[units] = 0;
  size_t usedBytes = AlignUp((units + 1) * sizeof(char16_t));
  if (reinterpret_cast<char*>(out) + reserve == cursor_ && usedBytes < reserve) {
    // Give back the tail (zeroing it again: later allocations expect zeroed memory).
    memset(reinterpret_cast<char*>(out) + usedBytes, 0, reserve - usedBytes);
    cursor_ -= reserve - usedBytes;
    used_ -= reserve - usedBytes;
  }
  if (length) *length = static_cast<int32_t>(units);
  return out;
}

char16_t* TextArena::CopyUtf16(const char16_t* text, size_t units) {
  if (!text) units = 0;
  if (units > (kMaxArrayBytes / 2) - 1) return nullptr;
  char16_t* out = static_cast<char16_t*>(Allocate((units + 1) * sizeof(char16_t)));
  if (!out) return nullptr;
  if (units) memcpy(out, text, units * sizeof(char16_t));
  out[units] = 0;
  return out;
}

void TextArena::Free() {
  while (head_) {
    Block* next = head_->next;
    VK_FREE(head_);
    head_ = next;
  }
  cursor_ = limit_ = nullptr;
  used_ = held_ = 0;
}

}  // namespace xlx
