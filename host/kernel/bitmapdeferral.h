// Page bitmaps whose pixels still lie in the drawing buffer they were drawn in.
//
// A fresh page is drawn in a 32-bit buffer and read once, row by row, by whoever takes the page.
// Rather than writing the whole page into the bitmap's 24-bit memory and reading it back, the
// bitmap can hold on to the drawing buffer (BITMAP_DEFERRED) and each row is converted as it is
// read (VkGetBitmapRow): one pass over the page instead of two, with the row still in the cache
// when the reader takes it. Anything that reads the bitmap's memory itself (VkBeginBitmapAccess)
// has the rows written there first.
#pragma once
#include <cstdint>
#include <cstring>
#include "host/hostrecords.h"

namespace vkhost {

// Kept by the drawing layer; the kernel's bitmap functions reach it through these entries.
struct BitmapDeferral {
  // Writes every row into the bitmap's pixel memory.
  void (*writeBack)(BitmapDeferral* self, _BITMAPHANDLE* bitmap) = nullptr;
  // Converts row `row` into `out` (the bitmap's width x 3 bytes).
  void (*packRow)(const BitmapDeferral* self, uint32_t row, uint8_t* out) = nullptr;
  // Lets go of the drawing buffer and of the record itself.
  void (*release)(BitmapDeferral* self) = nullptr;
};

// The record is kept in the host's private bytes of the bitmap record.
inline BitmapDeferral* DeferralOf(const _BITMAPHANDLE* bitmap) {
  if (!(bitmap->uFlags & BITMAP_DEFERRED)) return nullptr;
  BitmapDeferral* d = nullptr;
  std::memcpy(&d, bitmap->filler52, sizeof d);
  return d;
}

inline void AttachDeferral(_BITMAPHANDLE* bitmap, BitmapDeferral* d) {
  std::memcpy(bitmap->filler52, &d, sizeof d);
  bitmap->uFlags |= BITMAP_DEFERRED;
}

// Drops the record (the pixels it held are lost): for a bitmap that is freed or made white again.
inline void DropDeferral(_BITMAPHANDLE* bitmap) {
  BitmapDeferral* d = DeferralOf(bitmap);
  bitmap->uFlags &= ~BITMAP_DEFERRED;
  std::memset(bitmap->filler52, 0, sizeof(BitmapDeferral*));
  if (d) d->release(d);
}

// Writes the held rows into the bitmap's memory and drops the record.
inline void WriteBackDeferral(_BITMAPHANDLE* bitmap) {
  if (BitmapDeferral* d = DeferralOf(bitmap)) d->writeBack(d, bitmap);
  DropDeferral(bitmap);
}

}  // namespace vkhost
