// Host bitmaps: 24- or 32-bit pixels, rows top-down, each row padded to a multiple of 4 bytes.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <new>
#include <vector>
#include "host/kernel/bitmapdeferral.h"
#include "host/kernel/vkkrnx.h"
#include "host/resultcodes.h"

namespace {
std::atomic<int32_t> g_screenX{96}, g_screenY{96};
thread_local uint32_t t_blankWidth = 0, t_blankHeight = 0;

uint32_t BytesPerLine(uint32_t width, uint32_t bitsPerPixel) {
  return static_cast<uint32_t>(((static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

bool SizeAllowed(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
  if (width == 0 || height == 0) return false;
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;
  return static_cast<uint64_t>(width) * height <= VK_MAX_BITMAP_PIXELS;
}

void FillHeader(_BITMAPHANDLE* b, uint32_t structSize, uint32_t width, uint32_t height, uint32_t bpp) {
  std::memset(b, 0, sizeof(*b));
  b->uStructSize = structSize;
  b->uWidth = width;
  b->uHeight = height;
  b->uBitsPerPixel = bpp;
  b->uBytesPerLine = BytesPerLine(width, bpp);
  b->uColorOrder = 1;
  b->uOrientation = 1;
  b->uDataSize = static_cast<uint64_t>(b->uBytesPerLine) * height;
  b->uXResolution = 96;
  b->uYResolution = 96;
}
}  // namespace

VK_API int32_t VkCreateBitmap(_BITMAPHANDLE* bitmap, uint32_t structSize, uint32_t memoryKind, uint32_t width,
                              uint32_t height, uint32_t bitsPerPixel, uint32_t colorOrder, const void*,
                              uint32_t orientation, void* data, uint32_t flags) {
  if (!bitmap || structSize != sizeof(_BITMAPHANDLE) || data) return XLX_ERR_ARGUMENT;
  if (width == 0 || height == 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return XLX_ERR_ARGUMENT;
  if (!SizeAllowed(width, height, bitsPerPixel)) return XLX_ERR_MEMORY;
  FillHeader(bitmap, structSize, width, height, bitsPerPixel);
  bitmap->uMemoryKind = memoryKind;
  bitmap->uColorOrder = colorOrder;
  bitmap->uOrientation = orientation;
  if (width == t_blankWidth && height == t_blankHeight) {
    t_blankWidth = t_blankHeight = 0;
    bitmap->uFlags = BITMAP_ALLOCATED | BITMAP_BLANK;
    return XLX_OK;
  }
  // White, as a fresh page (now, or when first used).
  auto* pixels = static_cast<uint8_t*>(std::malloc(bitmap->uDataSize));
  if (!pixels) return XLX_ERR_MEMORY;
  bitmap->pData = pixels;
  bitmap->uFlags = BITMAP_ALLOCATED;
  if (flags & VK_BITMAP_WHITE_WHEN_USED)
    bitmap->uFlags |= BITMAP_UNPAINTED;
  else
    std::memset(pixels, 0xFF, bitmap->uDataSize);
  return XLX_OK;
}

VK_API int32_t VkInitBitmapHeader(_BITMAPHANDLE* bitmap, uint32_t structSize, uint32_t width, uint32_t height,
                                  uint32_t bitsPerPixel) {
  if (!bitmap || structSize != sizeof(_BITMAPHANDLE)) return XLX_ERR_ARGUMENT;
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return XLX_ERR_ARGUMENT;
  FillHeader(bitmap, structSize, width, height, bitsPerPixel);
  return XLX_OK;
}

VK_API int32_t VkReserveBlankBitmap(uint32_t width, uint32_t height) {
  t_blankWidth = width;
  t_blankHeight = height;
  return XLX_OK;
}

VK_API int32_t VkBeginBitmapAccess(_BITMAPHANDLE* bitmap) {
  if (!bitmap || !(bitmap->uFlags & BITMAP_ALLOCATED) || (!bitmap->pData && !(bitmap->uFlags & BITMAP_BLANK))) return XLX_ERR_NO_PIXELS;
  if (bitmap->uFlags & BITMAP_UNPAINTED) {
    vkhost::DropDeferral(bitmap);
    std::memset(bitmap->pData, 0xFF, bitmap->uDataSize);
    bitmap->uFlags &= ~BITMAP_UNPAINTED;
  }
  vkhost::WriteBackDeferral(bitmap);
  bitmap->uFlags |= BITMAP_ACCESSED;
  return XLX_OK;
}

VK_API int32_t VkEndBitmapAccess(_BITMAPHANDLE* bitmap) {
  if (!bitmap) return XLX_ERR_ARGUMENT;
  bitmap->uFlags &= ~BITMAP_ACCESSED;
  return XLX_OK;
}

VK_API int32_t VkGetBitmapRow(_BITMAPHANDLE* bitmap, void* buffer, int32_t row, uint32_t bytes) {
  if (!bitmap || !buffer || row < 0 || static_cast<uint32_t>(row) >= bitmap->uHeight || bytes == 0) return XLX_ERR_ARGUMENT;
  if (!(bitmap->uFlags & BITMAP_ALLOCATED)) return XLX_ERR_NO_PIXELS;
  uint32_t n = bytes < bitmap->uBytesPerLine ? bytes : bitmap->uBytesPerLine;
  if (bitmap->uFlags & (BITMAP_BLANK | BITMAP_UNPAINTED)) {
    std::memset(buffer, 0xFF, n);
    return static_cast<int32_t>(n);
  }
  if (!bitmap->pData) return XLX_ERR_NO_PIXELS;
  if (const vkhost::BitmapDeferral* d = vkhost::DeferralOf(bitmap)) {
    // Converted from the drawing buffer, the padding white.
    const size_t packed = static_cast<size_t>(bitmap->uWidth) * 3;
    auto* out = static_cast<uint8_t*>(buffer);
    if (n >= packed) {
      d->packRow(d, static_cast<uint32_t>(row), out);
      std::memset(out + packed, 0xFF, n - packed);
    } else {
      try {
        std::vector<uint8_t> whole(packed);
        d->packRow(d, static_cast<uint32_t>(row), whole.data());
        std::memcpy(out, whole.data(), n);
      } catch (const std::bad_alloc&) {
        return XLX_ERR_MEMORY;
      }
    }
    return static_cast<int32_t>(n);
  }
  std::memcpy(buffer, bitmap->pData + static_cast<size_t>(row) * bitmap->uBytesPerLine, n);
  return static_cast<int32_t>(n);
}

VK_API void VkFreeBitmap(_BITMAPHANDLE* bitmap) {
  if (!bitmap) return;
  vkhost::DropDeferral(bitmap);
  if (bitmap->uFlags & BITMAP_ALLOCATED) std::free(bitmap->pData);
  bitmap->pData = nullptr;
  bitmap->uFlags &= ~(BITMAP_ALLOCATED | BITMAP_ACCESSED | BITMAP_BLANK | BITMAP_UNPAINTED | BITMAP_DEFERRED);
}

VK_API int32_t VkScreenResolutionX(void) { return g_screenX.load(); }
VK_API int32_t VkScreenResolutionY(void) { return g_screenY.load(); }
VK_API void VkSetScreenResolution(int32_t x, int32_t y) {
  g_screenX.store(x);
  g_screenY.store(y);
}

VK_API int32_t VkGetLibraryFolder(char16_t* folder, size_t capacity) {
  if (!folder || capacity == 0) return XLX_ERR_ARGUMENT;
  Dl_info info;
  std::string dir = ".";
  if (dladdr(reinterpret_cast<void*>(&VkGetLibraryFolder), &info) && info.dli_fname) {
    dir = info.dli_fname;
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
  }
  if (dir.size() + 1 > capacity) return XLX_ERR_ARGUMENT;
  for (size_t i = 0; i <= dir.size(); ++i) folder[i] = static_cast<unsigned char>(dir[i]);
  return XLX_OK;
}

namespace {
std::atomic<void*> g_lastLoadEntry{nullptr};
}

VK_API int32_t VkGenericLoad(void* entry, void*, void*, void*, void*) {
  g_lastLoadEntry.store(entry);
  return entry ? 1 : -13;
}
