// Raster pictures from any bytes, through the host's decoders as the picture cache reads them:
// reduced while decoding to a few pixel bounds (PNG rows averaged in blocks, JPEG scaled by its
// decoder). Only the documented answers may come back; a decoded bitmap is no larger than the
// picture's own size, and a reduced PNG or JPEG no larger than the bound allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/kernel/vkimage.h"
#include "host/kernel/vkkrnx.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Decode(const uint8_t* data, size_t size, uint64_t maxPixels, int32_t format) {
  _BITMAPHANDLE bitmap;
  uint32_t ownWidth = 7, ownHeight = 7;
  const int32_t r = VkLoadImageReduced(data, size, 32, maxPixels, &bitmap, &ownWidth, &ownHeight);
  Check(r == 1 || r == -1 || r == -9);
  if (r != 1) {
    Check(bitmap.pData == nullptr && ownWidth == 0 && ownHeight == 0);
    return;
  }
  Check(bitmap.uWidth > 0 && bitmap.uHeight > 0 && bitmap.uWidth <= ownWidth && bitmap.uHeight <= ownHeight);
  // A JPEG goes down to an eighth of its width and height at most.
  if (format == VK_IMAGE_JPEG && uint64_t(ownWidth) * ownHeight > maxPixels * 64)
    Check(bitmap.uWidth <= (ownWidth + 7) / 8 + 1);
  VkFreeBitmap(&bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t format = VkDetectImageFormat(data, size);
  if (format == VK_IMAGE_UNKNOWN || format == VK_IMAGE_SVG || format == VK_IMAGE_EMF || format == VK_IMAGE_WMF)
    return 0;
  Decode(data, size, 1, format);
  Decode(data, size, 37, format);
  Decode(data, size, 4096, format);
  return 0;
}
