// Arrays in host memory. The model's arrays live in blocks of the host allocator so that the
// host's bookkeeping sees them and a leak shows up in its live-allocation count. `LArray` owns one
// block of `count` elements and releases it (running the element destructors) when it goes away.
// Growth by Push/Resize is offered only for trivially copyable elements, which may be moved by a
// plain reallocation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include "common/resultcodes.h"

namespace xlx {

// Largest block LArray asks for, in bytes: a guard against sizes derived from hostile counts.
constexpr size_t kMaxArrayBytes = size_t(1) << 34;

// count * size bytes, zeroed, from the host allocator; null on overflow, over the cap or exhaustion.
void* LArrayAllocate(size_t count, size_t size, int line, const char* file);
// Resizes a block to count * size bytes; null on failure, block kept. The new tail is left as it
// is: elements are made when they are counted (Push, Resize), and a large tail left untouched costs
// no memory until it is used.
void* LArrayReallocate(void* block, size_t count, size_t size, int line, const char* file);
void LArrayFree(void* block, int line, const char* file);
// Capacity to grow to when `needed` elements must fit in a block of `capacity`: doubles, at least 16.
size_t LArrayNextCapacity(size_t capacity, size_t needed);

template <typename T>
class LArray {
 public:
  LArray() = default;
  ~LArray() { Free(); }
  LArray(const LArray&) = delete;
  LArray& operator=(const LArray&) = delete;
  LArray(LArray&& other) noexcept { Take(other); }
  LArray& operator=(LArray&& other) noexcept {
    if (this != &other) {
      Free();
      Take(other);
    }
    return *this;
  }

  // Replaces the contents with `count` value-initialised elements. 1, or -1 (contents then empty).
  [[nodiscard]] int32_t Allocate(size_t count) {
    Free();
    if (count == 0) return XLX_OK;
    T* block = static_cast<T*>(LArrayAllocate(count, sizeof(T), __LINE__, __FILE__));
    if (!block) return XLX_ERR_MEMORY;
    for (size_t i = 0; i < count; ++i) new (block + i) T();
    data_ = block;
    count_ = capacity_ = count;
    return XLX_OK;
  }

  // Appends one element, growing the block geometrically. 1 or -1 (array unchanged).
  [[nodiscard]] int32_t Push(const T& value) {
    static_assert(std::is_trivially_copyable<T>::value, "growth moves elements by reallocation");
    if (count_ == capacity_ && Reserve(LArrayNextCapacity(capacity_, count_ + 1)) != XLX_OK) return XLX_ERR_MEMORY;
    data_[count_++] = value;
    return XLX_OK;
  }

  // Makes room for `capacity` elements without changing the count. 1 or -1.
  [[nodiscard]] int32_t Reserve(size_t capacity) {
    static_assert(std::is_trivially_copyable<T>::value, "growth moves elements by reallocation");
    if (capacity <= capacity_) return XLX_OK;
    void* block = LArrayReallocate(data_, capacity, sizeof(T), __LINE__, __FILE__);
    if (!block) return XLX_ERR_MEMORY;
    data_ = static_cast<T*>(block);
    capacity_ = capacity;
    return XLX_OK;
  }

  // Sets the count; new elements are zero bytes (trivially copyable elements only). 1 or -1.
  [[nodiscard]] int32_t Resize(size_t count) {
    if (count > capacity_ && Reserve(count) != XLX_OK) return XLX_ERR_MEMORY;
    for (size_t i = count_; i < count; ++i) new (data_ + i) T();
    count_ = count;
    return XLX_OK;
  }

  // Gives back the unused tail of the block after the last Push.
  void Shrink() {
    if (capacity_ == count_ || count_ == 0) return;
    void* block = LArrayReallocate(data_, count_, sizeof(T), __LINE__, __FILE__);
    if (block) {
      data_ = static_cast<T*>(block);
      capacity_ = count_;
    }
  }

  void Free() {
    if (!data_) return;
    if (!std::is_trivially_destructible<T>::value)
      for (size_t i = 0; i < count_; ++i) data_[i].~T();
    LArrayFree(data_, __LINE__, __FILE__);
    data_ = nullptr;
    count_ = capacity_ = 0;
  }

  T* Data() { return data_; }
  const T* Data() const { return data_; }
  size_t Size() const { return count_; }
  int32_t Count() const { return static_cast<int32_t>(count_); }
  bool Empty() const { return count_ == 0; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + count_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + count_; }

 private:
  void Take(LArray& other) {
    data_ = other.data_;
    count_ = other.count_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.count_ = other.capacity_ = 0;
  }

  T* data_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};

}  // namespace xlx
