#include "common/larray.h"

#include <cstring>

#include "host/kernel/vkkrnx.h"

namespace xlx {

void* LArrayAllocate(size_t count, size_t size, int line, const char* file) {
  if (size == 0 || count > kMaxArrayBytes / size) return nullptr;
  return VkAllocate(count, size, line, file);
}

void* LArrayReallocate(void* block, size_t count, size_t size, int line, const char* file) {
  if (size == 0 || count > kMaxArrayBytes / size) return nullptr;
  if (!block) return VkAllocate(count, size, line, file);
  return VkReallocate(block, count * size, line, file);
}

void LArrayFree(void* block, int line, const char* file) {
  if (block) VkFree(block, line, file);
}

size_t LArrayNextCapacity(size_t capacity, size_t needed) {
  size_t next = capacity < 16 ? 16 : capacity * 2;
  return next < needed ? needed : next;
}

}  // namespace xlx
